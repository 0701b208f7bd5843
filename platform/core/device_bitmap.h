// In-memory stand-ins for the display's device-dependent objects: logical palettes and device bitmaps.
// A device bitmap holds its pixels the way a true-colour screen does (32-bit 0x00RRGGBB, rows top-down), so
// converting to and from it loses nothing.
#pragma once

#include <cstdint>
#include <vector>

struct PALETTEENTRY {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;
};

struct LogicalPalette {
  std::uint16_t palVersion = 0x300;
  std::vector<PALETTEENTRY> entries;
};
using HPALETTE = LogicalPalette*;

struct DeviceBitmap {
  int width = 0;
  int height = 0;
  std::uint16_t planes = 1;
  std::uint16_t bitsPixel = 32;
  std::vector<std::uint32_t> pixels;  // top-down, 0x00RRGGBB

  std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
using HBITMAP = DeviceBitmap*;

namespace pcore {

// Handles are owned by whoever received them; these free them (null is ignored).
inline void delete_palette(HPALETTE palette) {
  delete palette;
}
inline void delete_bitmap(HBITMAP bitmap) {
  delete bitmap;
}

// The display's stock palette: the twenty static colours.
const LogicalPalette& stock_default_palette();

}  // namespace pcore
