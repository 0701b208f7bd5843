// Display: what each painting variant puts on the window, against the pixels the specified arithmetic picks.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>

#include "display/decimate.h"
#include "imgfile/fixed_palette.h"
#include "tests/display/display_test_support.h"

using namespace display_testing;
using testing_support::make_picture;
using testing_support::raw_to_rgb;
using testing_support::RawPicture;
using testing_support::RgbImage;

namespace {

struct Shown {
  RawPicture picture;
  RgbImage rgb;
  Display display;

  Shown(unsigned short width, unsigned short height, unsigned short bits, int ditherInAdvance = 1)
      : picture(make_picture(width, height, bits, width + bits)),
        rgb(raw_to_rgb(picture.pixels.data(), picture.palette.data(), width, height, bits)) {
    display.InitForDisplay(width, height, picture.colors, picture.pixels.data(), picture.palette.data(),
                           ditherInAdvance);
  }
};

// Image pixel (x, y) (top-down) or black where the position lies outside the image.
std::uint32_t image_or_black(const RgbImage& image, long long x, long long y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
  return rgb_at(image, static_cast<int>(x), static_cast<int>(y));
}

// The fixed-palette colours of an 8-bit dither result, top-down, as a picture.
RgbImage dithered_rgb(const std::vector<unsigned char>& indices, int width, int height) {
  std::vector<RGBCOLOR> palette(codaxe::fixed_palette().begin(), codaxe::fixed_palette().end());
  return raw_to_rgb(indices.data(), palette.data(), width, height, 8);
}

}  // namespace

TEST(DisplayClipMode, ZoomAndScrollPickTheSpecifiedPixels) {
  for (unsigned short bits : {1, 4, 8, 24}) {
    Shown s(45, 31, bits);
    for (short zoom : {1, 2, 4, 8, -2, -4, -8}) {
      const long long m = zoom > 0 ? zoom : 1, d = zoom < 0 ? -zoom : 1;
      for (POINT scroll : {POINT{0, 0}, POINT{8, 16}, POINT{24, 8}}) {
        draw::MemoryWindow window(64, 48);
        s.display.SetClipMode();
        s.display.SetZoom(zoom);
        RECT rect = window.client_rect();
        POINT sc = scroll;
        ASSERT_EQ(s.display.DisplayImage(&window, sc, rect, 0), 1);
        for (int y = 0; y < 48; ++y) {
          for (int x = 0; x < 64; ++x) {
            const std::uint32_t want = image_or_black(s.rgb, (x + scroll.x) * d / m, (y + scroll.y) * d / m);
            ASSERT_EQ(window.surface().at(x, y), want)
                << bits << "-bit zoom " << zoom << " scroll " << scroll.x << "," << scroll.y << " at " << x
                << "," << y;
          }
        }
      }
    }
  }
}

TEST(DisplayClipMode, PartialUpdateRectanglesPaintOnlyThemselves) {
  Shown s(40, 30, 24);
  draw::MemoryWindow window(40, 30);
  RECT rect{5, 7, 17, 20};
  POINT scroll{3, 2};
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 5 && x < 17 && y >= 7 && y < 20;
      EXPECT_EQ(window.surface().at(x, y), inside ? image_or_black(s.rgb, x + 3, y + 2) : 0u)
          << x << "," << y;
    }
  }
}

TEST(DisplayClipMode, ExtremeZoomsAndScrollsStayInsideTheImage) {
  // Source rectangles far outside the picture: nothing may be read past the pixel buffer.
  Shown s(7, 5, 24);
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const short zoom = static_cast<short>((random() % 2 ? 1 : -1) << (random() % 8));
    draw::MemoryWindow window(20, 20);
    s.display.SetZoom(zoom);
    RECT rect{static_cast<int>(random() % 40) - 10, static_cast<int>(random() % 40) - 10, 0, 0};
    rect.right = rect.left + static_cast<int>(random() % 50);
    rect.bottom = rect.top + static_cast<int>(random() % 50);
    POINT scroll{static_cast<int>(random() % 70000) - 500, static_cast<int>(random() % 70000) - 500};
    s.display.DisplayImage(&window, scroll, rect, 0);
  }
}

TEST(DisplayStretchMode, FillsTheClientRectangle) {
  Shown s(30, 20, 8);
  s.display.SetStretchMode();
  draw::MemoryWindow window(47, 13);
  RECT rect{1, 1, 2, 2};  // overwritten with the client rectangle
  POINT scroll{99, 99};
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  EXPECT_EQ(rect.right, 47);
  DeviceBitmap want = blank_surface(47, 13);
  reference_stretch(want, 0, 0, 47, 13, 0, 0, 30, 20, s.rgb);
  EXPECT_EQ(window.surface().pixels, want.pixels);
}

TEST(DisplayAspect, FitsTheLargestRectangleOfTheImagesShape) {
  Shown wide(100, 50, 24);
  DeviceBitmap surface = blank_surface(200, 200);
  draw::DeviceContext dc(surface, 32);
  RECT rect{0, 0, 200, 200};
  ASSERT_EQ(wide.display.DisplayImageWithAspectInDC(&dc, rect, 0), 1);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right, 200);
  EXPECT_EQ(rect.bottom, 150);
  EXPECT_EQ(surface.at(0, 49), 0u);
  EXPECT_EQ(surface.at(199, 150), 0u);
  EXPECT_EQ(surface.at(199, 149), image_or_black(wide.rgb, 99, 49));

  // Against the search the fit is defined by: count down from the available size until the other side fits.
  for (auto [w, h] : {std::pair{100, 50}, {50, 100}, {3, 7}, {7, 3}, {1, 255}, {64, 64}}) {
    Shown s(static_cast<unsigned short>(w), static_cast<unsigned short>(h), 24);
    for (auto [r, b] : {std::pair{200, 200}, {13, 170}, {170, 13}, {1, 1}, {0, 9}, {333, 77}}) {
      long long big = w < h ? b : r, small = 0;
      const long long limit = w < h ? r : b;
      for (; big >= 0; --big) {
        small = w < h ? w * big / h : h * big / w;
        if (small <= limit) break;
      }
      RECT want = w < h ? RECT{static_cast<int>((r - small) / 2), static_cast<int>((b - big) / 2), 0, 0}
                        : RECT{static_cast<int>((r - big) / 2), static_cast<int>((b - small) / 2), 0, 0};
      want.right = want.left + static_cast<int>(w < h ? small : big);
      want.bottom = want.top + static_cast<int>(w < h ? big : small);
      DeviceBitmap target = blank_surface(r > 0 ? r : 1, b > 0 ? b : 1);
      draw::DeviceContext context(target, 32);
      RECT got{0, 0, r, b};
      s.display.DisplayImageWithAspectInDC(&context, got, 0);
      EXPECT_EQ(std::tie(got.left, got.top, got.right, got.bottom),
                std::tie(want.left, want.top, want.right, want.bottom))
          << w << "x" << h << " into " << r << "x" << b;
    }
  }
}

TEST(DisplayAspect, WindowVariantUsesTheClientArea) {
  Shown s(100, 50, 4);
  draw::MemoryWindow window(200, 200);
  ASSERT_EQ(s.display.DisplayImageWithAspect(&window, 0), 1);
  DeviceBitmap want = blank_surface(200, 200);
  reference_stretch(want, 0, 50, 200, 100, 0, 0, 100, 50, s.rgb);
  EXPECT_EQ(window.surface().pixels, want.pixels);
}

TEST(DisplayRegions, PaintRegionPropertyAndRegionVariant) {
  Shown s(40, 40, 24);
  draw::MemoryWindow window(40, 40);
  HRGN region = CreateRectRgn(10, 10, 20, 20);
  SetPropA(&window, "OnlyForPaintRegion", region);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  EXPECT_EQ(window.surface().at(9, 9), 0u);
  EXPECT_EQ(window.surface().at(10, 10), image_or_black(s.rgb, 10, 10));
  EXPECT_EQ(window.surface().at(20, 19), 0u);
  RemovePropA(&window, "OnlyForPaintRegion");

  // The region variant stretches the image over the region's box made one larger each way, clipped to it.
  draw::MemoryWindow other(40, 40);
  ASSERT_EQ(s.display.DisplayImageInWindowRgn(&other, region, 0), 1);
  DeviceBitmap want = blank_surface(40, 40);
  reference_stretch(want, 10, 10, 11, 11, 0, 0, 40, 40, s.rgb);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
      EXPECT_EQ(other.surface().at(x, y), inside ? want.at(x, y) : 0u) << x << "," << y;
    }
  }
  DeleteObject(region);
}

TEST(DisplayNative, DrawsOneToOneAndKeepsTheZoom) {
  Shown s(20, 10, 8);
  s.display.SetZoom(8);
  s.display.SetStretchMode();
  DeviceBitmap surface = blank_surface(20, 10);
  draw::DeviceContext dc(surface, 32);
  RECT rect{0, 0, 20, 10};
  POINT scroll{0, 0};
  ASSERT_EQ(s.display.DisplayImageNative(&dc, rect, scroll, 0), 1);
  EXPECT_EQ(s.display.GetZoom(), 8);
  EXPECT_EQ(surface.at(19, 9), image_or_black(s.rgb, 19, 9));
  EXPECT_EQ(surface.at(3, 4), image_or_black(s.rgb, 3, 4));
}

TEST(DisplayPaletteScreen, DitheredInAdvanceShowsTheDitherToScale) {
  ScreenDepth screen(8);
  Shown s(33, 21, 24);
  draw::MemoryWindow window(66, 42);
  s.display.SetZoom(2);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  std::vector<unsigned char> indices(dib_stride(33, 8) * 21);
  codaxe::dither_to_fixed_palette(s.picture.pixels.data(), 33, 21, indices.data());
  RgbImage want = dithered_rgb(indices, 33, 21);
  for (int y = 0; y < 42; ++y) {
    for (int x = 0; x < 66; ++x)
      ASSERT_EQ(window.surface().at(x, y), rgb_at(want, x / 2, y / 2)) << x << "," << y;
  }
}

TEST(DisplayPaletteScreen, WithoutDitheringInAdvanceOnlyStretchingPaints) {
  ScreenDepth screen(8);
  Shown s(33, 21, 24, 0);
  draw::MemoryWindow window(50, 30);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  EXPECT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 0) << "nothing to show to scale";
  EXPECT_EQ(window.surface().at(0, 0), 0u);

  // Stretched: decimated to one pixel more each way than the rectangle, then dithered at that size.
  s.display.SetStretchMode();
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  const unsigned dw = 51, dh = 31;
  const std::size_t inStride = dib_stride(33, 24), outStride = dib_stride(dw, 24);
  std::vector<unsigned char> decimated(outStride * dh);
  for (unsigned i = 0; i < dh; ++i) {
    for (unsigned j = 0; j < dw; ++j) {
      std::memcpy(&decimated[i * outStride + 3 * j],
                  &s.picture.pixels[i * 21 / dh * inStride + 3 * (j * 33 / dw)], 3);
    }
  }
  std::vector<unsigned char> indices(dib_stride(dw, 8) * dh);
  codaxe::dither_to_fixed_palette(decimated.data(), dw, dh, indices.data());
  RgbImage want = dithered_rgb(indices, dw, dh);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 50; ++x) ASSERT_EQ(window.surface().at(x, y), rgb_at(want, x, y)) << x << "," << y;
  }
}

TEST(DisplayPaletteScreen, PaletteImagesKeepTheirOwnColours) {
  ScreenDepth screen(8);
  Shown s(16, 16, 8);
  draw::MemoryWindow window(16, 16);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  ASSERT_EQ(s.display.DisplayImage(&window, scroll, rect, 0), 1);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(window.surface().at(x, y), rgb_at(s.rgb, x, y));
  }
  s.display.UpdateAllColors(&window);
  EXPECT_EQ(draw::system_palette().entries.size(), 256u);
}

TEST(DisplayPainting, NeedsAnImageFirst) {
  Display empty;
  draw::MemoryWindow window(10, 10);
  RECT rect = window.client_rect();
  POINT scroll{0, 0};
  EXPECT_EQ(empty.DisplayImage(&window, scroll, rect, 0), 0);
  EXPECT_EQ(empty.DisplayImageWithAspect(&window, 0), 0);
  EXPECT_EQ(empty.DisplayImageInWindowRect(&window, rect, 0), 0);
  EXPECT_EQ(empty.GetPtrToBITMAPINFO(), nullptr);
}

TEST(Decimate, NearestRowsAndColumnsWithSpareBytes) {
  RawPicture p = make_picture(9, 7, 24, 11);
  HGLOBAL block = draw::decimate_24(p.pixels.data(), 9, 7, 4, 3);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 3 * dib_stride(4, 24) + 100);
  {
    pcore::BlockLock out(block);
    for (unsigned i = 0; i < 3; ++i) {
      for (unsigned j = 0; j < 4; ++j) {
        EXPECT_EQ(std::memcmp(out.data() + i * 12 + 3 * j,
                              &p.pixels[i * 7 / 3 * dib_stride(9, 24) + 3 * (j * 9 / 4)], 3),
                  0);
      }
    }
  }
  GlobalFree(block);
}
