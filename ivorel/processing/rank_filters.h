// The pixel loops of the rank and morphology filters, on plain effect buffers (3 bytes a pixel,
// `imageWidth` pixels a row, top row first) so that the processors and the tests share them. Each reads
// `source` and writes only the pixels it defines into `destination`, which the caller has filled with a
// copy of the source. `progress` is called from the calling thread with rows 0 ... rect.height - 1.
#pragma once

#include <cstddef>

#include "ivorel/processing/neighbourhood_filters.h"

namespace ivorel {

// The region rules of the rank filters: a negative start becomes 0 and one past the end the last pixel,
// a negative extent 0 and one larger than the image the image's; what still reaches past the image is
// cut off. False when nothing is left.
bool clamp_region(int imageWidth, int imageHeight, PixelRect& rect);

// Rows of 3-byte pixels anywhere in memory: row y starts `stride` bytes after row y - 1, so that a stride
// of minus the row length walks an image stored bottom row first from its top row.
template <typename ByteT>
struct Rows {
  ByteT* top;
  std::ptrdiff_t stride;
  ByteT* pixel(int x, int y) const { return top + y * stride + 3 * static_cast<std::ptrdiff_t>(x); }
};
using ConstPixelRows = Rows<const unsigned char>;
using PixelRows = Rows<unsigned char>;

// Effect buffers as rows.
inline ConstPixelRows effect_rows(const unsigned char* buffer, int imageWidth) {
  return {buffer, 3 * static_cast<std::ptrdiff_t>(imageWidth)};
}
inline PixelRows effect_rows(unsigned char* buffer, int imageWidth) {
  return {buffer, 3 * static_cast<std::ptrdiff_t>(imageWidth)};
}

// The per-channel median of the (2r + 1)-square window of every pixel of the rectangle, the window cut to
// the rectangle; an even count of samples gives the truncated mean of the two middle ones. `size` is odd,
// 3 ... 255. Writes every pixel of the rectangle and nothing else, so the destination need not start as a
// copy, and may be the source itself. False when memory is short; nothing is written then.
bool median_filter(ConstPixelRows source, PixelRows destination, PixelRect rect, int size,
                   const RowProgress& progress);

// Per-channel maximum (or minimum) of the (2 radius + 1)-square window of every pixel at least `radius`
// inside the rectangle. False when memory is short.
bool rank_extreme(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                  int radius, bool maximum, const RowProgress& progress);

// The mean of the size x size window (size odd, 1 ... 11) without its `trim` lowest and `trim` highest
// values per channel, rounded half up, for every pixel at least size / 2 inside the rectangle; 0 when
// nothing is left after trimming.
void alpha_trimmed_mean(const unsigned char* source, unsigned char* destination, int imageWidth,
                        PixelRect rect, int size, int trim, const RowProgress& progress);

// Per-channel minimum (erode) or maximum (dilate) over the cells of a 5 x 5 element whose value is 1, for
// every pixel at least 2 inside the rectangle.
void morphology(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                const int element[5][5], bool dilate, const RowProgress& progress);

// Outline from the eroded picture in `destination`: mode 1 (2s - e) / 2, any other mode s - e, over the
// whole rectangle.
void outline_from_eroded(const unsigned char* source, unsigned char* destination, int imageWidth,
                         PixelRect rect, int mode);

// The kernel's weighted sum (clamped to a byte) of the 3 x 3 window whose top-left pixel is the one
// written; mode 1 averages it with the source. The last two rows and columns are not written.
void point_detect(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                  const int kernel[3][3], int mode, const RowProgress& progress);

// The luminance-median despeckle of a bitmap of `stride`-byte rows into `out` (zero-filled by the
// caller): each interior pixel becomes the whole pixel whose key 11 c0 + 59 c1 + 30 c2 is the median of
// its 3 x 3 window (equal keys in reading order of the window).
void despeckle(const unsigned char* image, unsigned char* out, std::size_t stride, int width, int height,
               const RowProgress& progress);

}  // namespace ivorel
