// The drawing layer: nearest-pixel stretching of DIBs, clip regions, palettes on an emulated palette screen.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/display/display_test_support.h"

using namespace display_testing;
using testing_support::make_picture;
using testing_support::raw_to_rgb;
using testing_support::RawPicture;

namespace {

struct Copy {
  int xDest, yDest, dw, dh, xSrc, ySrc, sw, sh;
};

}  // namespace

TEST(StretchDIBits, MatchesTheReferenceAtEveryDepthAndScale) {
  const Copy copies[] = {
      {0, 0, 37, 23, 0, 0, 37, 23},     // 1:1
      {3, 2, 74, 46, 0, 0, 37, 23},     // doubled, offset
      {0, 0, 13, 9, 0, 0, 37, 23},      // shrunk, rows and columns deleted
      {-5, -4, 50, 30, 4, 3, 29, 17},   // destination partly off the surface
      {2, 1, 40, 40, -10, -6, 60, 40},  // source larger than the picture on every side
      {0, 0, 60, 50, 30, 20, 20, 20},   // source mostly outside
  };
  for (unsigned short bits : {1, 4, 8, 24}) {
    RawPicture p = make_picture(37, 23, bits, bits);
    auto rgb = raw_to_rgb(p.pixels.data(), p.palette.data(), p.width, p.height, bits);
    for (bool topDown : {false, true}) {
      std::vector<unsigned char> pixels = p.pixels;
      if (topDown) {
        const std::size_t stride = dib_stride(p.width, bits);
        for (int y = 0; y < p.height / 2; ++y) {
          std::swap_ranges(pixels.begin() + y * stride, pixels.begin() + (y + 1) * stride,
                           pixels.end() - (y + 1) * stride);
        }
      }
      auto header = dib_header(p, topDown);
      for (const Copy& c : copies) {
        DeviceBitmap got = blank_surface(64, 48, 0x123456), want = got;
        draw::DeviceContext dc(got, 32);
        int lines =
            StretchDIBits(&dc, c.xDest, c.yDest, c.dw, c.dh, c.xSrc, c.ySrc, c.sw, c.sh, pixels.data(),
                          reinterpret_cast<BITMAPINFO*>(header.data()), DIB_RGB_COLORS, SRCCOPY);
        EXPECT_EQ(lines, c.sh);
        reference_stretch(want, c.xDest, c.yDest, c.dw, c.dh, c.xSrc, c.ySrc, c.sw, c.sh, rgb);
        EXPECT_EQ(got.pixels, want.pixels) << bits << "-bit, top-down " << topDown << ", copy " << c.dw << "x"
                                           << c.dh << " from " << c.sw << "x" << c.sh;
      }
    }
  }
}

TEST(StretchDIBits, RefusesWhatItCannotDraw) {
  RawPicture p = make_picture(8, 8, 8);
  auto header = dib_header(p);
  auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
  DeviceBitmap s = blank_surface(8, 8);
  draw::DeviceContext dc(s, 32);
  auto copy = [&](std::uint32_t rop = SRCCOPY) {
    return StretchDIBits(&dc, 0, 0, 8, 8, 0, 0, 8, 8, p.pixels.data(), info, DIB_RGB_COLORS, rop);
  };
  EXPECT_EQ(copy(), 8);
  EXPECT_EQ(copy(0x00EE0086), 0) << "only source copy";
  info->bmiHeader.biCompression = BI_RLE8;
  EXPECT_EQ(copy(), 0);
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biBitCount = 2;
  EXPECT_EQ(copy(), 0);
  info->bmiHeader.biBitCount = 8;
  EXPECT_EQ(StretchDIBits(&dc, 0, 0, 8, 8, 0, 0, 8, 8, nullptr, info, DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 8, 8, 0, 0, 8, 8, p.pixels.data(), info, DIB_RGB_COLORS, SRCCOPY),
            0);
  EXPECT_EQ(StretchDIBits(&dc, 0, 0, 0, 8, 0, 0, 8, 8, p.pixels.data(), info, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(StretchDIBits, ShortColourTablesAndPaletteIndices) {
  RawPicture p = make_picture(4, 1, 8);
  p.pixels = {0, 1, 2, 200};
  auto header = dib_header(p);
  auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
  info->bmiHeader.biClrUsed = 3;  // index 200 lies past the table: black
  DeviceBitmap s = blank_surface(4, 1, 0xFFFFFF);
  draw::DeviceContext dc(s, 32);
  ASSERT_EQ(StretchDIBits(&dc, 0, 0, 4, 1, 0, 0, 4, 1, p.pixels.data(), info, DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(s.at(1, 0), rgb_of(p.palette[1]));
  EXPECT_EQ(s.at(3, 0), 0u);

  // With palette indices the table holds 16-bit positions in the selected logical palette.
  PALETTEENTRY entries[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  HPALETTE palette = CreatePalette(entries, 3);
  SelectPalette(&dc, palette, 0);
  auto* table = reinterpret_cast<unsigned char*>(header.data()) + sizeof(BITMAPINFOHEADER);
  table[0] = 2, table[1] = 0, table[2] = 0, table[3] = 0, table[4] = 7, table[5] = 1;
  ASSERT_EQ(StretchDIBits(&dc, 0, 0, 4, 1, 0, 0, 4, 1, p.pixels.data(), info, DIB_PAL_COLORS, SRCCOPY), 1);
  EXPECT_EQ(s.at(0, 0), 0x46505Au);
  EXPECT_EQ(s.at(1, 0), 0x0A141Eu);
  EXPECT_EQ(s.at(2, 0), 0u) << "an index past the logical palette";
  DeleteObject(palette);
}

TEST(ClipRegion, OnlyTheRegionIsPaintedAndTheCallerKeepsItsHandle) {
  RawPicture p = make_picture(20, 20, 24);
  auto header = dib_header(p);
  auto rgb = raw_to_rgb(p.pixels.data(), p.palette.data(), 20, 20, 24);
  DeviceBitmap s = blank_surface(20, 20);
  draw::DeviceContext dc(s, 32);
  HRGN a = CreateRectRgn(2, 2, 8, 8);
  HRGN b = CreateRectRgn(5, 5, 12, 10);
  ASSERT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(SelectClipRgn(&dc, a), COMPLEXREGION);
  DeleteObject(a);
  DeleteObject(b);
  StretchDIBits(&dc, 0, 0, 20, 20, 0, 0, 20, 20, p.pixels.data(),
                reinterpret_cast<BITMAPINFO*>(header.data()), DIB_RGB_COLORS, SRCCOPY);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      bool inside = (x >= 2 && x < 8 && y >= 2 && y < 8) || (x >= 5 && x < 12 && y >= 5 && y < 10);
      EXPECT_EQ(s.at(x, y), inside ? rgb_at(rgb, x, y) : 0u) << x << "," << y;
    }
  }
  RECT box;
  HRGN c = CreateRectRgn(9, 7, 3, 4);  // corners in any order
  EXPECT_EQ(GetRgnBox(c, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.bottom, 7);
  EXPECT_TRUE(PtInRegion(c, 3, 4));
  EXPECT_FALSE(PtInRegion(c, 9, 4));
  DeleteObject(c);
}

TEST(PaletteScreen, ColoursBecomeTheNearestEntryOfTheSelectedPalette) {
  RawPicture p = make_picture(16, 4, 24);
  auto header = dib_header(p);
  PALETTEENTRY entries[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  HPALETTE palette = CreatePalette(entries, 2);
  DeviceBitmap s = blank_surface(16, 4);
  draw::DeviceContext dc(s, 8);
  EXPECT_EQ(GetDeviceCaps(&dc, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(&dc, SIZEPALETTE), 256);
  SelectPalette(&dc, palette, 0);
  StretchDIBits(&dc, 0, 0, 16, 4, 0, 0, 16, 4, p.pixels.data(), reinterpret_cast<BITMAPINFO*>(header.data()),
                DIB_RGB_COLORS, SRCCOPY);
  for (std::uint32_t v : s.pixels) EXPECT_TRUE(v == 0 || v == 0xFFFFFF) << std::hex << v;

  // Realising in the foreground takes over the system palette; a second realisation changes nothing.
  EXPECT_GT(RealizePalette(&dc), 0u);
  EXPECT_EQ(RealizePalette(&dc), 0u);
  EXPECT_EQ(draw::system_palette().entries.size(), 2u);
  SelectPalette(&dc, nullptr, 1);
  EXPECT_EQ(RealizePalette(&dc), 0u) << "background realisation";

  // UpdateColors maps what is already on the surface.
  s.pixels.assign(s.pixels.size(), 0x808080);
  SelectPalette(&dc, palette, 0);
  UpdateColors(&dc);
  EXPECT_EQ(s.pixels[0], 0xFFFFFFu);
  DeleteObject(palette);
}

TEST(MemoryWindow, PropertiesDeviceContextsAndInvalidation) {
  draw::MemoryWindow window(30, 20);
  RECT client;
  ASSERT_TRUE(GetClientRect(&window, &client));
  EXPECT_EQ(client.right, 30);
  EXPECT_EQ(client.bottom, 20);
  int marker = 0;
  EXPECT_EQ(GetPropA(&window, "OnlyForPaintRegion"), nullptr);
  SetPropA(&window, "OnlyForPaintRegion", &marker);
  EXPECT_EQ(GetPropA(&window, "OnlyForPaintRegion"), &marker);
  EXPECT_EQ(RemovePropA(&window, "OnlyForPaintRegion"), &marker);
  EXPECT_EQ(GetPropA(&window, "OnlyForPaintRegion"), nullptr);
  HDC dc = GetDC(&window);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(&dc->surface, &window.surface());
  EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(dc, 9), 0);
  EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
  ReleaseDC(&window, dc);
  InvalidateRect(&window, nullptr, 1);
  EXPECT_EQ(window.invalidations(), 1);
  EXPECT_TRUE(window.last_erase());
}
