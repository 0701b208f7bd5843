// Display: painting. Every variant selects the image's palette, copies the pixels with StretchDIBits and puts
// the previous palette back; they differ in the device, the destination and the clipping.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "display/decimate.h"
#include "display/display.h"
#include "imgfile/fixed_palette.h"

namespace {

const char kPaintRegionProperty[] = "OnlyForPaintRegion";

int to_int(std::int64_t v) {
  return static_cast<int>(
      std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The largest rectangle of the image's aspect in (0, 0, available.right, available.bottom), centred. The
// image's longer side (height when it is taller than wide) is fitted first: the largest length whose other
// side, scaled by integer division, still fits.
RECT fit_with_aspect(unsigned width, unsigned height, const RECT& available) {
  const std::int64_t r = std::max(available.right, 0), b = std::max(available.bottom, 0);
  const bool tall = width < height;
  const std::int64_t alongSize = tall ? height : width, acrossSize = tall ? width : height;
  const std::int64_t room = tall ? r : b;
  const std::int64_t along = std::min<std::int64_t>(tall ? b : r, ((room + 1) * alongSize - 1) / acrossSize);
  const std::int64_t across = acrossSize * along / alongSize;
  const std::int64_t w = tall ? across : along, h = tall ? along : across;
  RECT fitted;
  fitted.left = to_int((r - w) / 2);
  fitted.top = to_int((b - h) / 2);
  fitted.right = to_int(fitted.left + w);
  fitted.bottom = to_int(fitted.top + h);
  return fitted;
}

}  // namespace

int Display::DisplayDIB(HDC dc, POINT& scroll, RECT& rect, int clip) {
  SetStretchBltMode(dc, COLORONCOLOR);
  const std::int64_t w = std::int64_t{rect.right} - rect.left;
  const std::int64_t h = std::int64_t{rect.bottom} - rect.top;
  if (ditheredDisplay_ && !dithered_) {
    // Without a copy dithered in advance there is nothing to show 1:1; stretching dithers what it paints.
    return clip ? 0 : DisplayDitheredOnTheFly(dc, rect);
  }
  pcore::BlockLock ditheredPixels(ditheredDisplay_ ? dithered_ : nullptr);
  const unsigned char* source = ditheredDisplay_ ? ditheredPixels.data() : data_;

  if (!clip) {
    const int lines = StretchDIBits(dc, rect.left, rect.top, to_int(w), to_int(h), 0, 0, width_, height_,
                                    source, info_, DIB_RGB_COLORS, SRCCOPY);
    return lines == height_;
  }
  // Scroll positions are in displayed pixels; the source rectangle is measured from the bottom row.
  std::int64_t sx, sy, sw, sh;
  if (zoomExponent_ < 0) {
    const std::int64_t scale = std::int64_t{1} << -zoomExponent_;
    sx = (std::int64_t{rect.left} + scroll.x) * scale;
    sy = height_ - std::int64_t{scroll.y} * scale - std::int64_t{rect.bottom} * scale;
    sw = w * scale;
    sh = h * scale;
  } else {
    const int z = zoomExponent_;
    sx = (std::int64_t{rect.left} + scroll.x) >> z;
    sy = height_ - (std::int64_t{scroll.y} >> z) - (std::int64_t{rect.bottom} >> z);
    sw = w >> z;
    sh = h >> z;
  }
  const int lines = StretchDIBits(dc, rect.left, rect.top, to_int(w), to_int(h), to_int(sx), to_int(sy),
                                  to_int(sw), to_int(sh), source, info_, DIB_RGB_COLORS, SRCCOPY);
  return lines == sh;
}

int Display::DisplayDitheredOnTheFly(HDC dc, const RECT& rect) {
  // One more row and column than the rectangle, as the painting has always covered its far edges.
  const std::int64_t dw = std::int64_t{rect.right} - rect.left + 1;
  const std::int64_t dh = std::int64_t{rect.bottom} - rect.top + 1;
  if (dw <= 0 || dh <= 0 || dw > 0xFFFF || dh > 0xFFFF) return 0;
  pcore::OwnedBlock decimated(DecimateImage(data_, width_, height_, static_cast<unsigned short>(dw),
                                            static_cast<unsigned short>(dh)));
  if (!decimated.get()) return 0;
  pcore::OwnedBlock dithered;
  {
    pcore::BlockLock pixels(decimated.get());
    dithered.reset(
        DitherAnImage(pixels.data(), static_cast<unsigned short>(dw), static_cast<unsigned short>(dh)));
  }
  decimated.reset(nullptr);
  pcore::OwnedBlock header(GlobalAlloc(sizeof(BITMAPINFOHEADER) + 4 * 256));
  if (!dithered.get() || !header.get()) return 0;

  pcore::BlockLock info(header.get());
  auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
  bmi->bmiHeader =
      BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                       static_cast<std::int32_t>(dw),
                       static_cast<std::int32_t>(dh),
                       1,
                       8,
                       BI_RGB,
                       static_cast<std::uint32_t>(dh * dib_stride(static_cast<std::uint64_t>(dw), 24)),
                       0,
                       0,
                       256,
                       0};
  const auto& fixed = codaxe::fixed_palette();
  for (unsigned i = 0; i < 256; ++i)
    bmi->bmiColors[i] = RGBQUAD{fixed[i].blue, fixed[i].green, fixed[i].red, 0};
  pcore::BlockLock pixels(dithered.get());
  const int lines =
      StretchDIBits(dc, rect.left, rect.top, static_cast<int>(dw), static_cast<int>(dh), 0, 0,
                    static_cast<int>(dw), static_cast<int>(dh), pixels.data(), bmi, DIB_RGB_COLORS, SRCCOPY);
  return lines == dh;
}

HGLOBAL Display::DecimateImage(unsigned char* data, unsigned short srcWidth, unsigned short srcHeight,
                               unsigned short dstWidth, unsigned short dstHeight) {
  return draw::decimate_24(data, srcWidth, srcHeight, dstWidth, dstHeight);
}

int Display::PaintWithPalette(HDC dc, POINT& scroll, RECT& rect, int clip, int force, HRGN clipRegion) {
  if (!dc || !info_ || !palette_) return 0;
  if (clipRegion) SelectClipRgn(dc, clipRegion);
  HPALETTE previous = SelectPalette(dc, palette_, force);
  RealizePalette(dc);
  const int painted = DisplayDIB(dc, scroll, rect, clip);
  SelectPalette(dc, previous, 1);
  if (clipRegion) SelectClipRgn(dc, nullptr);
  return painted;
}

int Display::PaintInWindow(HWND window, POINT& scroll, RECT& rect, int clip, int force) {
  draw::WindowDC dc(window);
  auto* paintRegion = static_cast<HRGN>(GetPropA(window, kPaintRegionProperty));
  return PaintWithPalette(dc.get(), scroll, rect, clip, force, paintRegion);
}

int Display::DisplayImage(HWND window, POINT& scroll, RECT& rect, int force) {
  if (!window || !info_ || !palette_) return 0;
  if (!clipMode_) GetClientRect(window, &rect);
  return PaintInWindow(window, scroll, rect, clipMode_, force);
}

int Display::DisplayImageInWindowRect(HWND window, RECT& rect, int force) {
  if (!window || !info_ || !palette_) return 0;
  POINT origin{0, 0};
  return PaintInWindow(window, origin, rect, 0, force);
}

int Display::DisplayImageWithAspect(HWND window, int force) {
  if (!window || !info_ || !palette_ || width_ == 0 || height_ == 0) return 0;
  RECT client;
  GetClientRect(window, &client);
  RECT fitted = fit_with_aspect(width_, height_, client);
  return DisplayImageInWindowRect(window, fitted, force);
}

int Display::DisplayImageInWindowRgn(HWND window, HRGN region, int) {
  if (!window || !region || !info_ || !palette_) return 0;
  RECT box;
  GetRgnBox(region, &box);
  ++box.right;
  ++box.bottom;
  POINT origin{0, 0};
  draw::WindowDC dc(window);
  return PaintWithPalette(dc.get(), origin, box, 0, 1, region);
}

int Display::DisplayImageNative(HDC dc, RECT& rect, POINT& scroll, int force) {
  const short zoom = zoomExponent_;
  zoomExponent_ = 0;
  const int painted = PaintWithPalette(dc, scroll, rect, 1, force, nullptr);
  zoomExponent_ = zoom;
  return painted;
}

int Display::DisplayImageInDC(HDC dc, RECT& rect, POINT& scroll, int clip, int force) {
  return PaintWithPalette(dc, scroll, rect, clip, force, nullptr);
}

int Display::DisplayImageWithAspectInDC(HDC dc, RECT& rect, int force) {
  if (!dc || !info_ || !palette_ || width_ == 0 || height_ == 0) return 0;
  rect = fit_with_aspect(width_, height_, rect);
  POINT origin{0, 0};
  return DisplayImageInDC(dc, rect, origin, 0, force);
}
