// The combine operations against a reference loop written from the per-channel formulas, the shapes they
// are clipped to, the transparent key and the soft edge map.
#include <gtest/gtest.h>

#include <random>

#include "ivorel/processing/combine.h"
#include "processing_support.h"

namespace {

using testing_support::TestImage;
using namespace ivorel;

struct Rgb {
  int r, g, b;
};

Rgb pixel(const _IMAGEDESCRIPTOR& d, int x, int y) {
  const unsigned char* row =
      d.imageData + static_cast<std::size_t>(d.height - 1 - y) * row_bytes(d.width, d.bitsPerPixel);
  if (d.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  const RGBCOLOR c = d.palette[row[x]];
  return {c.red, c.green, c.blue};
}

int bright(Rgb p) {
  return (30 * p.r + 59 * p.g + 11 * p.b) / 100;
}

// The expected result of one pixel, straight from the table of operations.
Rgb reference(int code, Rgb d, Rgb s, Rgb mi, Rgb ms, int e) {
  const int dv[3] = {d.r, d.g, d.b}, sv[3] = {s.r, s.g, s.b}, iv[3] = {mi.r, mi.g, mi.b},
            mv[3] = {ms.r, ms.g, ms.b};
  if (code == 11) return bright(d) == bright(s) ? d : Rgb{0, 0, 0};
  if (code == 12) return bright(d) >= bright(s) ? d : Rgb{0, 0, 0};
  if (code == 13) return bright(d) < bright(s) ? d : Rgb{0, 0, 0};
  int v[3];
  for (int c = 0; c < 3; ++c) {
    const int a = dv[c], b = sv[c];
    switch (code) {
      case 2:
        v[c] = b;
        break;
      case 3:
        v[c] = (3 * b + a) / 4;
        break;
      case 4:
        v[c] = (a + b) / 2;
        break;
      case 5:
        v[c] = (3 * a + b) / 4;
        break;
      case 6:
        v[c] = std::max(0, a - b);
        break;
      case 7:
        v[c] = static_cast<int>(a / 255.0 * b + 1e-9);
        break;
      case 8:
        v[c] = b == 0 ? 255 : std::min(255, static_cast<int>(a * 255.0 / b + 1e-9));
        break;
      case 9:
        v[c] = std::max(a, b);
        break;
      case 10:
        v[c] = std::min(a, b);
        break;
      case 19:
        v[c] = (b * e + a * (255 - e)) / 255;
        break;
      case 21:
        v[c] = (a * iv[c] + b * (255 - iv[c])) / 255;
        break;
      case 22:
        v[c] = (b * mv[c] + a * (255 - mv[c])) / 255;
        break;
      default: {
        int t = iv[c] + mv[c];
        if (t < 1) t = 255;
        v[c] = std::min(255, (a * iv[c] + b * mv[c]) / t);
      }
    }
  }
  return {v[0], v[1], v[2]};
}

void fill_random(TestImage& img, std::mt19937& rng, bool grey) {
  _IMAGEDESCRIPTOR& d = img.object.image;
  if (d.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i)
      d.palette[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                      static_cast<unsigned char>(i)};
    d.colors = 256;
  }
  for (std::uint32_t i = 0; i < d.imageSize; ++i) d.imageData[i] = static_cast<unsigned char>(rng());
  if (grey && d.bitsPerPixel == 24) {
    for (int y = 0; y < d.height; ++y) {
      unsigned char* row = d.imageData + y * img.stride();
      for (int x = 0; x < d.width; ++x) row[3 * x + 1] = row[3 * x + 2] = row[3 * x];
    }
  }
}

// Every code at 24 bits (colours, so the channel order matters) and at 8 bits on a grey ramp palette
// (where the nearest palette colour of a grey result is that grey), with masks and pixel pairs that reach
// every branch: equal brightness, zero divisors, zero mask sums.
TEST(Combine, EveryCodeMatchesTheReferenceAtEachDepth) {
  const int codes[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 19, 21, 22, 23};
  for (int bits : {24, 8}) {
    for (int code : codes) {
      SCOPED_TRACE(testing::Message() << bits << "-bit code " << code);
      std::mt19937 rng(code * 7 + bits);
      const int w = 23, h = 17;
      TestImage image(w, h, bits, bits == 8 ? 256 : 0), sel(w, h, bits, bits == 8 ? 256 : 0);
      TestImage imask(w, h, 24, 0), smask(w, h, 24, 0);
      fill_random(image, rng, bits == 8);
      fill_random(sel, rng, bits == 8);
      // Grey masks at 8 bits, so that results stay on the grey ramp.
      fill_random(imask, rng, bits == 8);
      fill_random(smask, rng, bits == 8);
      // Some exact edge pairs: equal pixels, zero selection, zero masks.
      std::memcpy(sel.object.image.imageData, image.object.image.imageData, 3);
      std::memset(sel.object.image.imageData + 3 * (bits / 8), 0, bits / 8);
      std::memset(imask.object.image.imageData, 0, 6);
      std::memset(smask.object.image.imageData, 0, 6);
      const std::vector<unsigned char> before = image.pixels();
      TestImage original(w, h, bits, bits == 8 ? 256 : 0, before);
      original.object.image.colors = image.object.image.colors;
      std::memcpy(original.object.image.palette, image.object.image.palette,
                  sizeof original.object.image.palette);

      CombineRequest rq;
      rq.code = code;
      rq.width = w;
      rq.height = h;
      rq.imageMask = &imask.object.image;
      rq.selectionMask = &smask.object.image;
      std::vector<unsigned char> edge(static_cast<std::size_t>(w) * h);
      for (auto& e : edge) e = static_cast<unsigned char>(rng());
      rq.edgeMap = &edge;
      ASSERT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
      int wrong = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const Rgb want = reference(code, pixel(original.object.image, x, y), pixel(sel.object.image, x, y),
                                     pixel(imask.object.image, x, y), pixel(smask.object.image, x, y),
                                     edge[static_cast<std::size_t>(y) * w + x]);
          const Rgb got = pixel(image.object.image, x, y);
          if (got.r != want.r || got.g != want.g || got.b != want.b) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// The table's worked examples, and results beyond a byte held at its ends.
TEST(Combine, WorkedExamplesAndClampedResults) {
  struct Case {
    int code, d, s, want;
  } cases[] = {{3, 100, 200, 175}, {4, 100, 200, 150}, {5, 100, 200, 125}, {8, 100, 0, 255},
               {8, 200, 100, 255}, {6, 100, 200, 0},   {7, 255, 255, 255}, {7, 128, 128, 64}};
  for (const Case& c : cases) {
    TestImage image(4, 1, 24, 0), sel(4, 1, 24, 0);
    std::memset(image.object.image.imageData, c.d, 12);
    std::memset(sel.object.image.imageData, c.s, 12);
    CombineRequest rq;
    rq.code = c.code;
    rq.width = 4;
    rq.height = 1;
    ASSERT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
    EXPECT_EQ(image.object.image.imageData[0], c.want) << "code " << c.code << " d " << c.d << " s " << c.s;
  }
}

// A selection scaled and placed partly off the image: only on-image pixels change, each from the source
// pixel destination / scale; a 24-bit selection on a palette image keeps its colours' order.
TEST(Combine, ScaledSelectionIsClippedToTheImage) {
  TestImage image(7, 5, 8, 16), sel(3, 2, 24, 0);
  const RGBCOLOR pal[4] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
  std::memcpy(image.object.image.palette, pal, sizeof pal);
  // Selection pixels (top row): red, blue, green; bottom row: blue, green, red. Stored bottom-up as B,G,R.
  const unsigned char top[9] = {0, 0, 255, 255, 0, 0, 0, 255, 0},
                      bottom[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  std::memcpy(sel.object.image.imageData + sel.stride(), top, 9);
  std::memcpy(sel.object.image.imageData, bottom, 9);
  CombineRequest rq;
  rq.left = -2;
  rq.top = 3;
  rq.width = 9;   // scale 3 horizontally
  rq.height = 4;  // scale 2 vertically
  ASSERT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
  const int topIdx[3] = {1, 2, 3}, bottomIdx[3] = {2, 3, 1};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      const int got = image.object.image.imageData[(4 - y) * image.stride() + x];
      int want = 0;
      if (y >= 3) {
        const int sx = (x + 2) / 3, sy = (y - 3) / 2;
        want = sy == 0 ? topIdx[sx] : bottomIdx[sx];
      }
      EXPECT_EQ(got, want) << x << "," << y;
    }
  }
  rq.left = 100;  // entirely off the image: nothing to do, nothing touched
  EXPECT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
  rq.code = 14;
  EXPECT_FALSE(combine_selection(image.object.image, sel.object.image, rq));
  rq.code = 21;  // no image mask
  EXPECT_FALSE(combine_selection(image.object.image, sel.object.image, rq));
}

// Ellipses, rounded rectangles and polygons cover the pixels whose centres lie inside, and the combine
// writes those pixels only.
TEST(Combine, ShapesCoverThePixelsWhoseCentresLieInside) {
  const int w = 40, h = 30;
  struct Case {
    SelectionShape shape;
    std::function<bool(double, double)> inside;
  };
  SelectionShape ellipse{ShapeKind::Ellipse, w, h, 0, 0, {}};
  SelectionShape round{ShapeKind::RoundRect, w, h, 20, 10, {}};
  SelectionShape triangle{ShapeKind::Polygon, w, h, 0, 0, {{0, 0}, {40, 0}, {0, 30}}};
  SelectionShape bowtie{ShapeKind::Polygon, w, h, 0, 0, {{0, 0}, {40, 30}, {40, 0}, {0, 30}}};
  const Case cases[] = {
      {ellipse,
       [](double x, double y) { return (x - 20) * (x - 20) / 400 + (y - 15) * (y - 15) / 225 <= 1; }},
      {round,
       [](double x, double y) {
         const double cx = std::clamp(x, 10.0, 30.0), cy = std::clamp(y, 5.0, 25.0);
         return (x - cx) * (x - cx) / 100 + (y - cy) * (y - cy) / 25 <= 1;
       }},
      {triangle, [](double x, double y) { return x / 40 + y / 30 < 1; }},
      {bowtie,
       [](double x, double y) {
         const double a = 4 * y / 3, b = 40 - 4 * y / 3;
         return x < std::min(a, b) || x > std::max(a, b);
       }},
  };
  for (const Case& c : cases) {
    const std::vector<unsigned char> r = shape_raster(c.shape, w, h);
    ASSERT_EQ(r.size(), static_cast<std::size_t>(w * h));
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) wrong += r[y * w + x] != (c.inside(x + 0.5, y + 0.5) ? 1 : 0);
    EXPECT_EQ(wrong, 0) << static_cast<int>(c.shape.kind);
  }
  TestImage image(w, h, 24, 0), sel(w, h, 24, 0);
  std::memset(sel.object.image.imageData, 255, sel.object.image.imageSize);
  CombineRequest rq;
  rq.width = w;
  rq.height = h;
  rq.shape = ellipse;
  ASSERT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
  const std::vector<unsigned char> r = shape_raster(ellipse, w, h);
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) wrong += (pixel(image.object.image, x, y).r == 255) != (r[y * w + x] == 1);
  EXPECT_EQ(wrong, 0);
}

// The transparent key leaves out selection pixels near the pen colour, its tolerance growing with the
// largest difference in the selection.
TEST(Combine, TransparentKeyLeavesNearColoursOut) {
  EXPECT_EQ(transparent_tolerance(0), 1);
  EXPECT_EQ(transparent_tolerance(255), 103);
  EXPECT_EQ(transparent_tolerance(128), 7);
  TestImage image(4, 1, 24, 0), sel(4, 1, 24, 0);
  std::memset(image.object.image.imageData, 7, 12);
  // Key white; selection: white, near white (-10), mid grey, black. Largest difference 255: tolerance 103.
  const unsigned char s[12] = {255, 255, 255, 245, 245, 245, 128, 128, 128, 0, 0, 0};
  std::memcpy(sel.object.image.imageData, s, 12);
  CombineRequest rq;
  rq.width = 4;
  rq.height = 1;
  rq.transparent = true;
  rq.key = {255, 255, 255};
  ASSERT_TRUE(combine_selection(image.object.image, sel.object.image, rq));
  const unsigned char want[12] = {7, 7, 7, 7, 7, 7, 128, 128, 128, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(image.object.image.imageData, want, 12));
}

// The edge map: 0 outside and on the border, the cone's complement within ten pixels of it, 255 beyond.
TEST(Combine, EdgeMapFallsOverTenPixelsTowardsTheBorder) {
  const int w = 60, h = 40;
  const std::vector<unsigned char> rect =
      shape_raster(SelectionShape{ShapeKind::Rectangle, w, h, 0, 0, {}}, w, h);
  const std::vector<unsigned char> map = build_edge_map(rect, w, h, w, h);
  ASSERT_EQ(map.size(), static_cast<std::size_t>(w * h));
  for (int y = 12; y < 28; ++y) {
    // Along a row away from the top and bottom, the value depends on the distance to the left border.
    for (int x = 0; x < 12; ++x) {
      const int want = x >= 10 ? 255 : 255 - (10 - x) * 255 / 10;
      EXPECT_EQ(map[y * w + x], want) << x << "," << y;
    }
  }
  // A shape half the map's size is sampled at (x * sx, y * sy); outside it the map is 0.
  const std::vector<unsigned char> ellipse =
      shape_raster(SelectionShape{ShapeKind::Ellipse, 30, 20, 0, 0, {}}, 30, 20);
  const std::vector<unsigned char> big = build_edge_map(ellipse, 30, 20, w, h);
  EXPECT_EQ(big[0], 0);
  EXPECT_EQ(big[20 * w + 30], 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (!ellipse[(y / 2) * 30 + x / 2]) {
        EXPECT_EQ(big[y * w + x], 0);
      }
}

}  // namespace
