// The display library: shows a raw image (the Codaxe layout) in a window or device context with its palette,
// 1:1 with zoom and scrolling (clip mode) or scaled into a rectangle (stretch mode). On a palette screen a
// true-colour image is shown through the fixed display palette, dithered once in advance or at the painted
// size. The object never owns the pixels: it keeps a pointer to the caller's buffer.
//
// Results: int 1 is success, 0 failure. Messages go to the platform message-box service.
#pragma once

#include <cstdint>

#include "display/device_context.h"
#include "display/region.h"
#include "display/window.h"
#include "imgfile/codaxe.h"
#include "platform/core/geometry.h"

class Display {
 public:
  Display();
  ~Display();
  // A copy gets blocks and a palette of its own, so either object may go first.
  Display(const Display& other);
  Display& operator=(const Display& other);

  // Colour counts: 0 is a 24-bit image; 2 one bit; up to 16 four bits (1 one bit); more eight bits.
  int InitForDisplay(unsigned short width, unsigned short height, unsigned short colors, unsigned char* data,
                     RGBCOLOR* palette, int ditherInAdvance);
  // Points at edited pixels without rebuilding anything (a dithered copy keeps showing the old pixels).
  void SetImageDataPtr(unsigned char* data) { data_ = data; }

  void SetClipMode() { clipMode_ = 1; }
  void SetStretchMode() { clipMode_ = 0; }
  int IsClipMode() const { return clipMode_; }
  // 2 to 128 magnify, -2 to -128 reduce (powers of two); anything else is 1:1.
  void SetZoom(short factor);
  short GetZoom() const;

  unsigned short GetWidth() const { return width_; }
  unsigned short GetHeight() const { return height_; }
  unsigned short GetNumOfColors() const { return colors_; }
  unsigned short GetBPP() const { return static_cast<unsigned short>(bitsPerPixel_); }
  HPALETTE GetPalette() const { return palette_; }
  // The header and colour table that describe the caller's pixel buffer (never the dithered copy).
  BITMAPINFO* GetPtrToBITMAPINFO();
  int IsDisplayHwdTrueColor() const;
  void UpdateAllColors(HWND window);
  void ErrorMessage(const char* text);

  int DisplayImage(HWND window, POINT& scroll, RECT& rect, int force);
  int DisplayImageInWindowRect(HWND window, RECT& rect, int force);
  int DisplayImageWithAspect(HWND window, int force);
  int DisplayImageInWindowRgn(HWND window, HRGN region, int unused);
  int DisplayImageNative(HDC dc, RECT& rect, POINT& scroll, int force);
  int DisplayImageInDC(HDC dc, RECT& rect, POINT& scroll, int clip, int force);
  int DisplayImageWithAspectInDC(HDC dc, RECT& rect, int force);

 private:
  int MakePalette(RGBQUAD* table, unsigned short count);
  int DisplayDIB(HDC dc, POINT& scroll, RECT& rect, int clip);
  HGLOBAL DecimateImage(unsigned char* data, unsigned short srcWidth, unsigned short srcHeight,
                        unsigned short dstWidth, unsigned short dstHeight);
  int DisplayDitheredOnTheFly(HDC dc, const RECT& rect);
  int PaintWithPalette(HDC dc, POINT& scroll, RECT& rect, int clip, int force, HRGN clipRegion);
  int PaintInWindow(HWND window, POINT& scroll, RECT& rect, int clip, int force);
  void FreeBlocks();

  HGLOBAL dithered_ = nullptr;
  HGLOBAL hInfo_ = nullptr;
  BITMAPINFO* info_ = nullptr;
  HGLOBAL hInfo24_ = nullptr;
  BITMAPINFO* info24_ = nullptr;
  unsigned short width_ = 0;
  unsigned short height_ = 0;
  unsigned short colors_ = 0;
  short bitsPerPixel_ = 0;
  short zoomExponent_ = 0;
  unsigned char* data_ = nullptr;
  HPALETTE palette_ = nullptr;
  int clipMode_ = 1;
  int paletteDevice_ = 0;
  // Wider than a 16-bit field so that 24-bit rows of more than 21845 pixels keep their true length.
  std::uint32_t rowLength_ = 0;
  int ditherInAdvance_ = 1;
  int ditheredDisplay_ = 0;
};

namespace draw {

// The colour count to hand InitForDisplay for pixels of `bitsPerPixel` with `colors` palette entries.
// InitForDisplay picks the depth from the count alone, so a count that names another depth (an 8-bit image
// with 16 colours) becomes the full count of the pixels' depth; 0 for 24 bits.
unsigned short colours_for_display(unsigned short bitsPerPixel, unsigned short colors);

}  // namespace draw

// The 8-bit dither of a bottom-up 24-bit image onto the fixed display palette, in a new movable block that
// the caller frees; null when memory is short or there are no pixels.
HGLOBAL DitherAnImage(unsigned char* data24, unsigned short width, unsigned short height);
