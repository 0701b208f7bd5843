// The sampling functions, rotation by degrees and shear against loops written from their rules, with the
// canvas sizes the rules imply and the positions where a sampler must not read.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/processing/drawing_colours.h"
#include "processing_support.h"

using namespace testing_support;
using Outcome = ivorel::Outcome;

namespace {

struct Sampler : TProcessImage {
  using TProcessImage::interpolate;
  using TProcessImage::interpolate_bilinear;
  using TProcessImage::TProcessImage;
};

struct EffectSampler : TProcessImageEx {
  using TProcessImageEx::interpolate;
  using TProcessImageEx::TProcessImageEx;
};

TEST(Sampling, FourPixelBlendsOfTrueColourPixels) {
  // 6 x 5, rows of 20 bytes (18 used): pixel (x, y) holds (10x + y, 50 + x, 200 - 3y) in bytes 0, 1, 2.
  std::vector<unsigned char> pixels(20 * 5, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      unsigned char* p = &pixels[y * 20 + 3 * x];
      p[0] = static_cast<unsigned char>(10 * x + y), p[1] = static_cast<unsigned char>(50 + x * x);
      p[2] = static_cast<unsigned char>(200 - 3 * y);
    }
  TestImage image(6, 5, 24, 0, pixels);
  Sampler s(&image.object);
  const auto byte = [&](int x, int y, int k) { return static_cast<double>(pixels[y * 20 + 3 * x + k]); };
  for (auto [x, y] : {std::pair{0.0, 0.0}, {1.25, 0.5}, {2.9, 2.1}, {3.0, 1.75}, {2.5, 2.999}}) {
    RGBCOLOR c;
    ASSERT_EQ(s.interpolate(x, y, c), 1) << x << "," << y;
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    const double fx = x - ix, fy = y - iy;
    unsigned char want[3], linear[3];
    for (int k = 0; k < 3; ++k) {
      want[k] = static_cast<unsigned char>(
          (1 - fx) * (1 - fy) * byte(ix, iy, k) + fx * (1 - fy) * byte(ix + 1, iy, k) +
          (1 - fx) * fy * byte(ix, iy + 1, k) + fx * fy * byte(ix + 1, iy + 1, k) + 0.5);
      const double top = byte(ix, iy, k) + (byte(ix + 1, iy, k) - byte(ix, iy, k)) * fx;
      const double bottom = byte(ix, iy + 1, k) + (byte(ix + 1, iy + 1, k) - byte(ix, iy + 1, k)) * fx;
      linear[k] = static_cast<unsigned char>(top + (bottom - top) * fy);
    }
    EXPECT_EQ(c.blue, want[0]);
    EXPECT_EQ(c.green, want[1]);
    EXPECT_EQ(c.red, want[2]);
    ASSERT_EQ(s.interpolate_bilinear(x, y, c), 1);
    EXPECT_EQ(c.blue, linear[0]);
    EXPECT_EQ(c.green, linear[1]);
    EXPECT_EQ(c.red, linear[2]);
  }
  // The blend stops two pixels short of the right and bottom edges, the plain bilinear one pixel short, and
  // neither reads left of or above the buffer.
  RGBCOLOR c{1, 1, 1};
  for (auto [x, y] : {std::pair{4.0, 0.0}, {0.0, 3.0}, {-1.5, 1.0}, {1.0, -7.0}, {NAN, 1.0}, {1e300, 1.0}}) {
    EXPECT_EQ(s.interpolate(x, y, c), 0) << x << "," << y;
    EXPECT_EQ(c.red | c.green | c.blue, 0);
  }
  EXPECT_EQ(s.interpolate_bilinear(4.5, 3.5, c), 1);
  for (auto [x, y] : {std::pair{5.0, 0.0}, {0.0, 4.0}, {-1.5, 0.0}, {0.0, -3.0}, {-1e12, 0.0}}) {
    EXPECT_EQ(s.interpolate_bilinear(x, y, c), 0) << x << "," << y;
    EXPECT_EQ(c.red | c.green | c.blue, 0);
  }
  // Outside an effect the effects' sampler has no buffer to read.
  EffectSampler e(&image.object);
  EXPECT_EQ(e.interpolate(1, 1, c), 0);
}

TEST(Sampling, PaletteSamplesCarryTheNearestIndexInBlue) {
  // 4 x 4 at 8 bits: entries 0 black, 1 white, 2 red, 3 dark red.
  std::vector<unsigned char> pixels = {0, 1, 2, 3, 2, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  TestImage image(4, 4, 8, 4, pixels);
  RGBCOLOR* pal = image.object.image.palette;
  pal[0] = {0, 0, 0}, pal[1] = {255, 255, 255}, pal[2] = {255, 0, 0}, pal[3] = {120, 0, 0};
  Sampler s(&image.object);
  RGBCOLOR c;
  // Between black (0), white (1), red (2) and dark red (3), a quarter of the way right and down.
  ASSERT_EQ(s.interpolate(0.25, 0.25, c), 1);
  EXPECT_EQ(c.red, static_cast<unsigned char>(0.5625 * 0 + 0.1875 * 255 + 0.1875 * 255 + 0.0625 * 120 + 0.5));
  EXPECT_EQ(c.green, static_cast<unsigned char>(0.1875 * 255 + 0.5));
  EXPECT_EQ(c.blue, 3) << "(103, 48, 48) is nearest dark red";
  ASSERT_EQ(s.interpolate_bilinear(0.9, 0.1, c), 1);
  EXPECT_EQ(c.red, 219);
  EXPECT_EQ(c.green, 206);
  EXPECT_EQ(c.blue, 1) << "(219, 206, 206) is nearest white";

  unsigned char four[4] = {0, 100, 50, 250};
  EXPECT_EQ(TProcessImage::bilinearcc(7.5, -0.75, four), static_cast<unsigned char>(50 + (150 - 50) * 0.25));
  EXPECT_EQ(TProcessImage::bilinearcc(1, 1, nullptr), 0);
  RGBCOLOR colours[4] = {{0, 10, 20}, {100, 10, 20}, {50, 30, 20}, {250, 30, 220}};
  const RGBCOLOR b = TProcessImage::bilinear(0.5, 0.5, colours);
  EXPECT_EQ(b.red, 100);
  EXPECT_EQ(b.green, 20);
  EXPECT_EQ(b.blue, 70);
  EXPECT_EQ(TProcessImage::bilinear(0, 0, nullptr).red, 0);
}

TEST(Sampling, TheRegistryResizesOnAPlainProcessorOverTheSameImage) {
  const registry::Operation* op = registry::find_operation("Resize");
  ASSERT_TRUE(op);
  TestImage a(20, 12, 24, 0, random_bytes(ivorel::row_bytes(20, 24) * 12, 4));
  TestImage b(20, 12, 24, 0, a.pixels());
  const _IMAGE_PROC_DATA grow = block_of({{1, 47}, {2, 30}});
  EXPECT_EQ(run_with_block(a, grow, op->run), Outcome::Ran);
  _IMAGE_PROC_DATA block = grow;
  b.object.procData = &block;
  TProcessImage plain(&b.object);
  plain.Resize();
  b.object.procData = nullptr;
  EXPECT_EQ(a.object.image.width, 47);
  EXPECT_EQ(a.pixels(), b.pixels()) << "growing samples the stored image, not the effect buffers";
  EXPECT_NE(a.pixels(), std::vector<unsigned char>(a.pixels().size(), 0));
}

// The stored 24-bit buffer as effect rows (top first, unpadded) and back.
std::vector<unsigned char> top_first(const TestImage& image) {
  const int w = image.object.image.width, h = image.object.image.height;
  std::vector<unsigned char> out(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    std::memcpy(&out[y * w * 3], image.object.image.imageData + (h - 1 - y) * image.stride(), w * 3);
  return out;
}

constexpr double kPi = std::numbers::pi;

// The turn of the rule, in polar coordinates about (cx, cy).
void turn(double cx, double cy, double px, double py, double angle, double& ox, double& oy) {
  const double dx = px - cx;
  double phi = dx == 0 ? (py <= cy ? kPi / 2 : 3 * kPi / 2) : std::atan((cy - py) / dx) + (dx < 0 ? kPi : 0);
  phi += angle;
  const double r = std::sqrt(dx * dx + (py - cy) * (py - cy));
  ox = cx + r * std::cos(phi);
  oy = cy - r * std::sin(phi);
}

// Rotation of the whole of a w x h effect buffer by `angle` degrees, as the rule reads.
std::vector<unsigned char> rotated(const std::vector<unsigned char>& src, int w, int h, int angle, int keep) {
  std::vector<unsigned char> dst = keep ? src : std::vector<unsigned char>(src.size(), 0);
  const double theta = angle * kPi / 180;
  const double cx = (w - 1) / 2, cy = (h - 1) / 2;
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (auto [px, py] : {std::pair{0, 0}, {0, h}, {w, 0}, {w, h}}) {
    double x, y;
    turn(cx, cy, px, py, theta, x, y);
    minX = std::min(minX, std::round(x)), maxX = std::max(maxX, std::round(x));
    minY = std::min(minY, std::round(y)), maxY = std::max(maxY, std::round(y));
  }
  const auto inside = [&](int x, int y) { return x >= 0 && x < w && y >= 0 && y < h; };
  for (int y = std::max(0, static_cast<int>(minY) - 1); y <= std::min(h - 1, static_cast<int>(maxY) + 1); ++y)
    for (int x = std::max(0, static_cast<int>(minX) - 1); x <= std::min(w - 1, static_cast<int>(maxX) + 1);
         ++x) {
      double sx, sy;
      turn(cx, cy, x, y, -theta, sx, sy);
      if (sx > -0.5 && sx < 0) sx = 0;
      if (sy > -0.5 && sy < 0) sy = 0;
      const int ix = static_cast<int>(std::floor(sx)), iy = static_cast<int>(std::floor(sy));
      if (!inside(ix, iy)) continue;
      const double fx = sx - ix - 0.5, fy = sy - iy - 0.5, ax = std::fabs(fx), ay = std::fabs(fy);
      const int nx = fx < 0 ? ix - 1 : ix + 1, ny = fy < 0 ? iy - 1 : iy + 1;
      const double wx = inside(nx, iy) ? 0.7 * (1 - ay) * ax : 0;
      const double wy = inside(ix, ny) ? 0.7 * (1 - ax) * ay : 0;
      const double wxy = inside(nx, ny) ? 0.7 * ax * ay : 0;
      const double w0 = 1 - wx - wy - wxy;
      const auto at = [&](int px, int py, int k) { return inside(px, py) ? src[(py * w + px) * 3 + k] : 0; };
      for (int k = 0; k < 3; ++k) {
        const double v =
            w0 * at(ix, iy, k) + wx * at(nx, iy, k) + wy * at(ix, ny, k) + wxy * at(nx, ny, k) + 0.5;
        dst[(y * w + x) * 3 + k] = static_cast<unsigned char>(std::clamp(static_cast<long>(v), 0L, 255L));
      }
    }
  return dst;
}

const auto fine_rotate = [](TProcessImageEx& p) { p.FineRotate(); };

TEST(FineRotate, MatchesTheReferenceForAnyAngle) {
  const int w = 48, h = 36;  // rows without padding
  for (auto [angle, keep] : {std::pair{17, 0}, {-30, 1}, {90, 0}, {135, 1}, {-181, 0}, {359, 0}}) {
    TestImage image(w, h, 24, 0, random_bytes(ivorel::row_bytes(w, 24) * h, angle + 400));
    const std::vector<unsigned char> want = rotated(top_first(image), w, h, angle, keep);
    ASSERT_EQ(run_with_block(image, block_of({{1, angle}, {3, keep}}), fine_rotate), Outcome::Ran);
    EXPECT_EQ(top_first(image), want) << angle << " keep " << keep;
  }
}

TEST(FineRotate, LargerPicturesWithPaddedRowsMatchToo) {
  // Enough pixels that some land next to a pixel border or a rounding step, where the fast turn must
  // defer to the polar one.
  const int w = 301, h = 203;
  for (int angle : {17, 45, -73}) {
    TestImage image(w, h, 24, 0, random_bytes(ivorel::row_bytes(w, 24) * h, angle + 1000));
    const std::vector<unsigned char> want = rotated(top_first(image), w, h, angle, 0);
    ASSERT_EQ(run_with_block(image, block_of({{1, angle}}), fine_rotate), Outcome::Ran);
    EXPECT_EQ(top_first(image), want) << angle;
  }
}

TEST(FineRotate, EnlargementLetsAQuarterTurnKeepItsCorners) {
  TestImage image(100, 100, 24, 0, random_bytes(ivorel::row_bytes(100, 24) * 100, 1));
  const std::vector<unsigned char> picture = top_first(image);
  ASSERT_EQ(run_with_block(image, block_of({{1, 90}, {2, 1}}), fine_rotate), Outcome::Ran);
  ASSERT_EQ(image.object.image.width, 149) << "trunc(100 x 149.42 / 100)";
  ASSERT_EQ(image.object.image.height, 149);
  // The picture was centred on black (24 columns from the left, 24 rows from the bottom), then turned.
  std::vector<unsigned char> canvas(149 * 149 * 3, 0);
  for (int y = 0; y < 100; ++y) std::memcpy(&canvas[((y + 25) * 149 + 24) * 3], &picture[y * 300], 300);
  EXPECT_EQ(top_first(image), rotated(canvas, 149, 149, 90, 0));

  const std::vector<unsigned char> before = image.pixels();
  EXPECT_EQ(run_with_block(image, block_of({{1, 0}, {2, 1}}), fine_rotate), Outcome::Ran);
  EXPECT_EQ(image.pixels(), before) << "angle 0 does nothing";
  TProcessImageEx noBlock(&image.object);
  noBlock.FineRotate();
  EXPECT_EQ(noBlock.LastOutcome(), Outcome::Declined);
  EXPECT_EQ(image.pixels(), before);
}

const auto shear = [](TProcessImageEx& p) { p.Shear(); };

// The whole shear as the rule reads: the canvas grows right (or down) by the reach with the picture at the
// top left, every pixel is filled, then rows (or columns) are copied shifted.
std::vector<unsigned char> sheared(const std::vector<unsigned char>& picture, int w, int h, int angle,
                                   int vertical, const unsigned char fill[3], int& cw, int& ch) {
  const double t = std::tan(angle * 0.01745329252);
  const long k = static_cast<long>((vertical ? w : h) * t + 1);
  const long reach = std::labs(k);
  cw =
      vertical
          ? w
          : static_cast<int>(w * static_cast<double>(static_cast<float>(static_cast<double>(reach) / w + 1)));
  ch = vertical
           ? static_cast<int>(h * static_cast<double>(static_cast<float>(static_cast<double>(reach) / h + 1)))
           : h;
  std::vector<unsigned char> src(static_cast<std::size_t>(cw) * ch * 3), dst(src.size());
  for (std::size_t i = 0; i < src.size(); i += 3)
    std::memcpy(&src[i], fill, 3), std::memcpy(&dst[i], fill, 3);
  for (int y = 0; y < h; ++y) std::memcpy(&src[y * cw * 3], &picture[y * w * 3], w * 3);
  if (!vertical) {
    for (long y = 0; y < ch; ++y) {
      const long s = k >= 0 ? y * k / ch : (ch - y) * reach / ch;
      for (long x = 0; x < cw - s - 1; ++x)
        std::memcpy(&dst[(y * cw + x + s) * 3], &src[(y * cw + x) * 3], 3);
    }
  } else {
    for (long y = 0; y <= ch - reach - 1; ++y)
      for (long x = 0; x < cw; ++x) {
        const long down = k >= 0 ? x * k / cw : (cw - x) * reach / cw;
        std::memcpy(&dst[((y + down) * cw + x) * 3], &src[(y * cw + x) * 3], 3);
      }
  }
  return dst;
}

TEST(Shear, MatchesTheReferenceInBothDirectionsAndSigns) {
  ivorel::set_second_colour(0x203040);
  const int w = 100, h = 50;
  struct Case {
    int angle, vertical, fill;
  };
  for (const Case& c : {Case{45, 0, 0}, Case{-30, 0, 1}, Case{20, 1, 2}, Case{-63, 1, 0}, Case{89, 0, 1}}) {
    TestImage image(w, h, 24, 0, random_bytes(ivorel::row_bytes(w, 24) * h, c.angle + 100));
    // Blue, green, red in the buffers; the second colour has red in its low byte.
    const unsigned char fill[3] = {static_cast<unsigned char>(c.fill == 1   ? 255
                                                              : c.fill == 2 ? 0x20
                                                                            : 0),
                                   static_cast<unsigned char>(c.fill == 1   ? 255
                                                              : c.fill == 2 ? 0x30
                                                                            : 0),
                                   static_cast<unsigned char>(c.fill == 1   ? 255
                                                              : c.fill == 2 ? 0x40
                                                                            : 0)};
    int cw = 0, ch = 0;
    const std::vector<unsigned char> want =
        sheared(top_first(image), w, h, c.angle, c.vertical, fill, cw, ch);
    ASSERT_EQ(run_with_block(image, block_of({{1, c.angle}, {2, c.vertical}, {3, c.fill}}), shear),
              Outcome::Ran);
    ASSERT_EQ(image.object.image.width, cw) << c.angle;
    ASSERT_EQ(image.object.image.height, ch) << c.angle;
    EXPECT_EQ(top_first(image), want) << c.angle << " " << c.vertical;
  }
  ivorel::set_second_colour(0);
}

TEST(Shear, CanvasSizesAndRefusals) {
  TestImage image(100, 50, 24, 0);
  ASSERT_EQ(run_with_block(image, block_of({{1, 45}}), shear), Outcome::Ran);
  EXPECT_EQ(image.object.image.width, 150) << "k = 51; 1.51 as a float times 100 truncates to 150";
  EXPECT_EQ(image.object.image.height, 50);
  for (int angle : {0, 90, -90, 400}) {
    EXPECT_EQ(run_with_block(image, block_of({{1, angle}}), shear), Outcome::Declined) << angle;
    EXPECT_EQ(image.object.image.width, 150);
  }
  // 89 degrees on a tall picture would need a canvas wider than any image can be: nothing changes.
  TestImage tall(10, 2000, 8, 256);
  EXPECT_EQ(run_with_block(tall, block_of({{1, 89}}), shear), Outcome::Failed);
  EXPECT_EQ(tall.object.image.width, 10);
  // A palette picture keeps its depth.
  TestImage palette(12, 9, 4, 16, random_bytes(ivorel::row_bytes(12, 4) * 9, 5));
  ASSERT_EQ(run_with_block(palette, block_of({{1, -20}, {2, 1}, {3, 1}}), shear), Outcome::Ran);
  EXPECT_EQ(palette.object.image.bitsPerPixel, 4);
  EXPECT_EQ(palette.object.image.height, 12) << "reach 3: trunc(9 x 1.3333)";
}

}  // namespace
