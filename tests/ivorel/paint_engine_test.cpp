// The painting engine against straightforward reference loops: stamp shapes and speckles, strokes with
// and without spraying at 1, 4, 8 and 24 bits, the tolerant flood fill, and the drawing surface's way back.
#include <gtest/gtest.h>

#include <deque>

#include "ivorel/windows/paint_engine.h"
#include "platform/core/device_bitmap.h"

namespace paint = ivorel::paint;

namespace {

// An image of w x h at `bits` with a grey palette, each pixel from `f(x, y)` (a value).
struct Image {
  std::vector<unsigned char> block;
  _IMAGEDESCRIPTOR d;
  Image(int w, int h, int bits, const std::function<std::uint32_t(int, int)>& f) {
    d.width = static_cast<unsigned short>(w);
    d.height = static_cast<unsigned short>(h);
    d.bitsPerPixel = static_cast<unsigned short>(bits);
    d.colors = static_cast<unsigned short>(bits == 24 ? 0 : 1 << bits);
    for (int i = 0; i < d.colors; ++i) {
      const auto g = static_cast<unsigned char>(i * 255 / (d.colors - 1));
      d.palette[i] = RGBCOLOR{g, g, g};
    }
    d.imageSize = static_cast<std::uint32_t>(paint::row_stride(d) * h);
    block.assign(d.imageSize, 0);
    d.imageData = block.data();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) paint::set_value(d, x, y, f(x, y));
  }
};

int dist2(RGBCOLOR a, RGBCOLOR b) {
  return (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
         (a.blue - b.blue) * (a.blue - b.blue);
}

// A four-connected breadth-first fill: the reference.
void reference_fill(_IMAGEDESCRIPTOR& d, int sx, int sy, RGBCOLOR fill, int tolerance) {
  int index = 0;
  const RGBCOLOR seed = paint::get_pixel(d, sx, sy, index);
  const std::uint32_t value = paint::pixel_value(d, fill);
  std::vector<char> seen(static_cast<std::size_t>(d.width) * d.height, 0);
  std::deque<std::pair<int, int>> queue{{sx, sy}};
  seen[static_cast<std::size_t>(sy) * d.width + sx] = 1;
  std::vector<std::pair<int, int>> region;
  while (!queue.empty()) {
    auto [x, y] = queue.front();
    queue.pop_front();
    region.emplace_back(x, y);
    const int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
    for (int k = 0; k < 4; ++k) {
      if (!paint::inside(d, nx[k], ny[k]) || seen[static_cast<std::size_t>(ny[k]) * d.width + nx[k]])
        continue;
      const RGBCOLOR c = paint::get_pixel(d, nx[k], ny[k], index);
      const bool in = tolerance == 0 ? dist2(c, seed) == 0 : dist2(c, seed) < tolerance * 1000;
      if (!in) continue;
      seen[static_cast<std::size_t>(ny[k]) * d.width + nx[k]] = 1;
      queue.emplace_back(nx[k], ny[k]);
    }
  }
  for (auto [x, y] : region) paint::set_value(d, x, y, value);
}

std::uint32_t noisy(int x, int y, int bits) {
  // Bands with a small ripple, a wall and a hole: the tolerance decides what joins.
  if (x == 30 && y > 3) return 0;
  const std::uint32_t ripple = static_cast<std::uint32_t>((x * 7 + y * 13) % 5);
  if (bits == 24) {
    const std::uint32_t g = 120 + ripple * 8 + (y > 40 ? 60 : 0);
    return g << 16 | g << 8 | g;
  }
  const std::uint32_t top = (1u << bits) - 1;
  return std::min(top, top / 2 + (bits > 1 ? ripple % 2 : 0) + (y > 40 ? 2 : 0));
}

}  // namespace

TEST(PaintEngine, StampShapes) {
  paint::seed_random(5);
  struct Case {
    int size, shape, opacity, minCells, maxCells;
  } cases[] = {
      {1, 0, 100, 1, 1},     {4, 0, 100, 16, 16},  // a round stamp below 5 pixels is square
      {7, 1, 100, 49, 49},   {20, 0, 100, 300, 330}, {100, 0, 100, 7800, 7900},
      {32, 0, 80, 300, 819},  // the brush's default speckle: at most 819 points, all inside the disc
      {8, 0, 50, 40, 60},     // a small stamp does not speckle
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size * 1000 + c.opacity);
    const paint::StampMask m = paint::build_stamp(c.size, c.shape, c.opacity);
    EXPECT_GE(m.Count(), c.minCells);
    EXPECT_LE(m.Count(), c.maxCells);
    const paint::StampMask full = paint::build_stamp(c.size, c.shape, 100);
    int runCells = 0;
    for (int y = 0; y < m.size; ++y) {
      for (auto [b, e] : m.runs[static_cast<std::size_t>(y)]) runCells += e - b;
      for (int x = 0; x < m.size; ++x)
        if (m.cells[static_cast<std::size_t>(y) * m.size + x]) {
          EXPECT_TRUE(full.cells[static_cast<std::size_t>(y) * m.size + x]);
        }
    }
    EXPECT_EQ(runCells, m.Count());
  }
}

TEST(PaintEngine, StrokesAtEveryDepthMatchReference) {
  for (int bits : {1, 4, 8, 24}) {
    for (int opacity : {100, 60}) {
      SCOPED_TRACE(bits * 1000 + opacity);
      Image image(70, 50, bits, [](int, int) { return 0u; });
      Image expected(70, 50, bits, [](int, int) { return 0u; });
      const std::uint32_t value = bits == 24 ? 0xFF8040 : (1u << bits) - 1;
      const paint::StampMask stamp = paint::build_stamp(12, 1, opacity < 100 ? 100 : 100);
      int counter = 0;
      paint::set_fixed_seed(true, 3);
      paint::StampStroke stroke(image.d, stamp, value, opacity < 100, counter);
      stroke.Segment(POINT{5, 10}, POINT{5, 10});
      stroke.Segment(POINT{5, 10}, POINT{60, 30});
      paint::set_fixed_seed(false);
      // The reference: the same points and spraying decisions, stamps drawn pixel by pixel.
      paint::set_fixed_seed(true, 3);
      int refCounter = 0, placed = 1;
      auto square = [&](int cx, int cy) {
        for (int y = cy - 6; y < cy + 6; ++y)
          for (int x = cx - 6; x < cx + 6; ++x) paint::set_value(expected.d, x, y, value);
      };
      square(5, 10);
      paint::seed_random_from_clock();
      paint::line_points(POINT{5, 10}, POINT{60, 30}, [&](int x, int y) {
        if (opacity < 100) {
          if (refCounter == 0) paint::seed_random_from_clock();
          const int step = 4 + paint::random15() * 8 / 32767;
          const bool place = refCounter++ % step == 0;
          if (!place) return;
        }
        square(x, y);
        ++placed;
      });
      paint::set_fixed_seed(false);
      EXPECT_EQ(image.block, expected.block);
      EXPECT_EQ(stroke.placed, placed);
      if (opacity == 100) {
        EXPECT_EQ(placed, 1 + 55);  // one stamp a point of the line
      } else {
        EXPECT_LT(placed, 1 + 55 / 3);
      }
      EXPECT_EQ(stroke.touched.left, 0);
    }
  }
}

TEST(PaintEngine, FloodFillMatchesReference) {
  for (int bits : {1, 4, 8, 24}) {
    for (int tolerance : {0, 3, 10}) {
      for (POINT seed : {POINT{5, 5}, POINT{50, 45}, POINT{30, 10}}) {
        SCOPED_TRACE(bits * 10000 + tolerance * 100 + seed.x);
        Image image(64, 60, bits, [bits](int x, int y) { return noisy(x, y, bits); });
        Image expected(64, 60, bits, [bits](int x, int y) { return noisy(x, y, bits); });
        const RGBCOLOR fill{250, 10, 10};
        int index = 0;
        const RGBCOLOR seedColour = paint::get_pixel(image.d, seed.x, seed.y, index);
        const RGBCOLOR mapped = paint::value_colour(image.d, paint::pixel_value(image.d, fill));
        const bool noop = dist2(mapped, seedColour) == 0;
        const paint::FillResult r = paint::flood_fill(image.d, seed.x, seed.y, fill, tolerance);
        if (!noop) reference_fill(expected.d, seed.x, seed.y, fill, tolerance);
        EXPECT_EQ(image.block, expected.block);
        EXPECT_EQ(r.pixels == 0, noop);
      }
    }
  }
  // Outside the bitmap, or the fill colour already there: nothing.
  Image image(8, 8, 24, [](int, int) { return 0x00FF00u; });
  EXPECT_EQ(paint::flood_fill(image.d, -1, 3, RGBCOLOR{1, 2, 3}, 5).pixels, 0);
  EXPECT_EQ(paint::flood_fill(image.d, 3, 8, RGBCOLOR{1, 2, 3}, 5).pixels, 0);
  EXPECT_EQ(paint::flood_fill(image.d, 3, 3, RGBCOLOR{0, 255, 0}, 5).pixels, 0);
  // A fill colour within the tolerance of the seed still ends, each pixel taken once.
  EXPECT_EQ(paint::flood_fill(image.d, 3, 3, RGBCOLOR{0, 250, 0}, 10).pixels, 64);
  // A long fill asks now and then, and stops when told to.
  // A comb: 200 teeth of 400 rows, one segment a row of a tooth.
  Image big(400, 400, 8, [](int x, int y) { return y == 0 || x % 2 == 0 ? 0u : 3u; });
  int asked = 0;
  const paint::FillResult r = paint::flood_fill(big.d, 0, 0, RGBCOLOR{255, 255, 255}, 0, [&] {
    ++asked;
    return false;
  });
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(r.stopped);
}

TEST(PaintEngine, SurfaceBackIntoImage) {
  for (int bits : {1, 8, 24}) {
    SCOPED_TRACE(bits);
    Image image(9, 7, bits, [](int x, int) { return static_cast<std::uint32_t>(x % 2); });
    DeviceBitmap surface;
    paint::image_to_surface(image.d, surface);
    const std::vector<unsigned char> before = image.block;
    EXPECT_EQ(paint::surface_to_image(surface, image.d), 0);
    EXPECT_EQ(image.block, before);
    surface.at(4, 3) = 0xFFFFFF;
    surface.at(0, 0) = 0xF0F0F0;  // the nearest palette entry in palette images
    EXPECT_EQ(paint::surface_to_image(surface, image.d), 2);
    int index = 0;
    EXPECT_EQ(paint::get_pixel(image.d, 4, 3, index).red, 255);
    EXPECT_GE(paint::get_pixel(image.d, 0, 0, index).red, 0xF0 - (bits == 24 ? 0 : 20));
    surface.width = 3;
    EXPECT_EQ(paint::surface_to_image(surface, image.d), -1);
  }
}
