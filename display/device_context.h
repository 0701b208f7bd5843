// Device contexts of the drawing layer: everything the display code draws goes into a 32-bit surface
// (0x00RRGGBB, rows top-down, the layout of DeviceBitmap) through the GDI-named calls below, with their
// effects on the surface stated exactly so that painting can be checked pixel by pixel.
//
// The screen's colour depth is a setting. At 8 bits per pixel a device context behaves as a palette screen:
// every colour it draws becomes the nearest entry of the logical palette selected into it (the stock palette
// when none is), so that images shown through a palette look as they would on such a screen.
#pragma once

#include <cstdint>
#include <optional>

#include "display/region.h"
#include "platform/core/device_bitmap.h"
#include "platform/core/dib_types.h"

namespace draw {

// Bits per pixel of the screen; 8 makes a palette screen. Accepts 8, 16, 24 and 32 (returns false otherwise).
bool set_screen_bits_per_pixel(int bits);
int screen_bits_per_pixel();

// The screen's system palette as the last foreground realisation left it (the stock colours at first).
const LogicalPalette& system_palette();

struct DeviceContext {
  DeviceContext(DeviceBitmap& target, int bitsPerPixel) : surface(target), bitsPerPixel(bitsPerPixel) {}

  bool palette_device() const { return bitsPerPixel == 8; }
  const LogicalPalette& selected_palette() const;

  DeviceBitmap& surface;  // not owned
  int bitsPerPixel;
  int stretchMode = 1;             // BLACKONWHITE, as a new device context starts
  HPALETTE palette = nullptr;      // selected logical palette; null = the stock palette
  bool paletteBackground = false;  // selected with the force-background flag
  std::optional<Region> clip;      // none = the whole surface
};

}  // namespace draw

using HDC = draw::DeviceContext*;

enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : int { HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, SIZEPALETTE = 104 };
enum : unsigned { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum : std::uint32_t { SRCCOPY = 0x00CC0020 };

// Returns the previous mode, 0 for a bad mode or no device context. Every mode draws as COLORONCOLOR does:
// nearest pixel, surplus rows and columns deleted.
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int GetDeviceCaps(HDC dc, int index);

// Null entries are refused; the palette belongs to the caller (DeleteObject).
HPALETTE CreatePalette(const PALETTEENTRY* entries, unsigned count);
int DeleteObject(HPALETTE palette);
// Returns the palette selected before (null = the stock palette).
HPALETTE SelectPalette(HDC dc, HPALETTE palette, int forceBackground);
// On a palette screen, a foreground realisation makes the selected palette the system palette and returns
// how many system entries changed; background realisations and other screens change nothing and return 0.
unsigned RealizePalette(HDC dc);
// Maps every surface pixel to the nearest entry of the selected palette (palette screens only).
int UpdateColors(HDC dc);

// Copies the region (null removes clipping); returns the region's kind, RGN_ERROR without a device context.
int SelectClipRgn(HDC dc, HRGN region);

// Copies the source rectangle of a DIB into the destination rectangle, stretching by nearest pixel:
// destination column i of the rectangle takes source column xSrc + i * srcWidth / destWidth, and destination
// row j (counted from the top) takes the source row srcHeight - 1 - j * srcHeight / destHeight above ySrc,
// where ySrc counts rows from the bottom of the picture. Pixels outside the DIB, the surface or the clip
// region are left as they are. Uncompressed DIBs of 1, 4, 8, 24 and 32 bits, bottom-up or top-down; SRCCOPY.
// Returns srcHeight (the lines copied), or 0 for a refused call or an empty rectangle.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, unsigned usage,
                  std::uint32_t rop);
