// StretchDIBits onto a device context's surface. The work is bounded by the visible part of the destination,
// never by the requested rectangles, so a zoomed-out source rectangle far larger than the picture costs no
// more than the surface, and no pixel outside the DIB is ever read.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "display/colour_mapper.h"
#include "display/device_context.h"

namespace {

struct SourceDib {
  const BITMAPINFOHEADER* header;
  const unsigned char* bits;
  int width;
  int height;  // absolute
  bool bottomUp;
  std::uint64_t stride;

  const unsigned char* row_from_bottom(int y) const {
    std::uint64_t memoryRow =
        bottomUp ? static_cast<std::uint64_t>(y) : static_cast<std::uint64_t>(height - 1 - y);
    return bits + memoryRow * stride;
  }
};

bool accept(const BITMAPINFO* info, const void* bits, unsigned usage, std::uint32_t rop, SourceDib& dib) {
  if (!info || !bits || rop != SRCCOPY || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const unsigned bpp = h.biBitCount;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  dib = SourceDib{&h,
                  static_cast<const unsigned char*>(bits),
                  h.biWidth,
                  h.biHeight < 0 ? -h.biHeight : h.biHeight,
                  h.biHeight > 0,
                  dib_stride(static_cast<std::uint64_t>(h.biWidth), bpp)};
  return true;
}

// Device colours of an indexed DIB's table; indices past the table show black.
std::array<std::uint32_t, 256> table_colours(const BITMAPINFO& info, unsigned usage,
                                             const draw::DeviceContext& dc, draw::ColourMapper& map) {
  std::array<std::uint32_t, 256> lut{};
  const BITMAPINFOHEADER& h = info.bmiHeader;
  const unsigned full = 1u << h.biBitCount;
  const unsigned count = h.biClrUsed == 0 || h.biClrUsed > full ? full : h.biClrUsed;
  const auto* table = reinterpret_cast<const unsigned char*>(&info) + h.biSize;
  const std::vector<PALETTEENTRY>& logical = dc.selected_palette().entries;
  for (unsigned i = 0; i < count; ++i) {
    if (usage == DIB_PAL_COLORS) {
      const unsigned index = table[2 * i] | table[2 * i + 1] << 8;
      if (index >= logical.size()) continue;
      lut[i] = map(logical[index].peRed, logical[index].peGreen, logical[index].peBlue);
    } else {
      lut[i] = map(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    }
  }
  return lut;
}

std::uint32_t indexed_pixel(const unsigned char* row, int x, unsigned bpp) {
  switch (bpp) {
    case 1:
      return row[x >> 3] >> (7 - (x & 7)) & 1;
    case 4:
      return row[x >> 1] >> ((x & 1) ? 0 : 4) & 15;
    default:
      return row[x];
  }
}

}  // namespace

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, unsigned usage,
                  std::uint32_t rop) {
  SourceDib dib;
  if (!dc || !accept(info, bits, usage, rop, dib)) return 0;
  if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;

  DeviceBitmap& surface = dc->surface;
  const std::int64_t x0 = std::max<std::int64_t>(xDest, 0);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{xDest} + destWidth, surface.width);
  const std::int64_t y0 = std::max<std::int64_t>(yDest, 0);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{yDest} + destHeight, surface.height);
  if (x0 >= x1 || y0 >= y1) return srcHeight;

  // Source column of each visible destination column, -1 where it falls outside the DIB.
  std::vector<int> sourceX(static_cast<std::size_t>(x1 - x0));
  for (std::int64_t x = x0; x < x1; ++x) {
    const std::int64_t sx = xSrc + (x - xDest) * srcWidth / destWidth;
    sourceX[x - x0] = sx >= 0 && sx < dib.width ? static_cast<int>(sx) : -1;
  }

  const unsigned bpp = dib.header->biBitCount;
  draw::ColourMapper map(*dc);
  std::array<std::uint32_t, 256> lut{};
  if (bpp <= 8) lut = table_colours(*info, usage, *dc, map);

  std::vector<std::pair<int, int>> spans;
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::int64_t sy = std::int64_t{ySrc} + srcHeight - 1 - (y - yDest) * srcHeight / destHeight;
    if (sy < 0 || sy >= dib.height) continue;
    const unsigned char* row = dib.row_from_bottom(static_cast<int>(sy));
    if (dc->clip) {
      draw::row_spans(*dc->clip, static_cast<int>(y), spans);
    } else {
      spans.assign(1, {static_cast<int>(x0), static_cast<int>(x1)});
    }
    std::uint32_t* out = surface.pixels.data() + y * surface.width;
    for (auto [left, right] : spans) {
      for (std::int64_t x = std::max<std::int64_t>(left, x0); x < std::min<std::int64_t>(right, x1); ++x) {
        const int sx = sourceX[x - x0];
        if (sx < 0) continue;
        if (bpp <= 8) {
          out[x] = lut[indexed_pixel(row, sx, bpp)];
        } else {
          const unsigned char* p = row + static_cast<std::size_t>(sx) * (bpp / 8);
          out[x] = map(p[2], p[1], p[0]);
        }
      }
    }
  }
  return srcHeight;
}
