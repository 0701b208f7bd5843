// Engraving: one line per row (or column), its position along the cross direction a 16.16 fixed-point
// value driven by the luminance of the pixels it passes, bent by at most the maximum bend per step and
// drawn in 45-degree black strokes with a white edge. Positions are 64-bit throughout: a base of more than
// 32767 rows, a large gain or a large step would overflow 32 bits. The last step reads the last pixel of
// the line instead of the one past it. Later lines overwrite earlier ones, so the lines run in order.
#include <algorithm>
#include <new>
#include <vector>

#include "ivorel/processing/artistic_effects.h"

namespace {

using Byte = unsigned char;

inline int engraving_luminance(const Byte* p) {
  return (16 * p[1] + 11 * p[2] + 5 * p[0]) / 32;
}

// One line: `lum` holds the luminance along it; plot(along, cross, white) draws a stroke pixel that lies
// in the picture.
template <typename Plot>
void draw_line(const std::vector<int>& lum, std::int64_t base, std::int64_t far,
               const ivorel::LineArtSpec& spec, Plot plot) {
  const std::int64_t length = static_cast<std::int64_t>(lum.size());
  const std::int64_t t = spec.step, g = spec.gain, m = spec.bend;
  std::int64_t acc = (lum[0] - 128) * g + base * 65536;
  std::int64_t prev = (acc + 32768) >> 16;
  std::int64_t lastMove = 0;
  for (std::int64_t k = 0, at = 0; at <= length - 1; ++k, at += t) {
    const std::int64_t next = std::min(at + t, length - 1);
    acc += (lum[next] - lum[at]) * g;
    std::int64_t move = ((acc + 32768) >> 16) - prev;
    if (move <= lastMove - m) move = lastMove - m;
    if (move >= lastMove + m) move = lastMove + m;
    const std::int64_t newPos = prev + move;
    if (k > 0) {
      // The stroke of the segment before this step: positions at - t ... at - 1, all on the line.
      for (std::int64_t i = 0; i < t; ++i) {
        const std::int64_t cross = prev + i;
        if (cross >= base && cross < far) plot(at - t + i, cross, false);
        if (cross - 1 >= base && cross - 1 < far) plot(at - t + i, cross - 1, true);
      }
    }
    lastMove = move;
    prev = newPos;
    if (at > length - 1 - t) break;  // the next step would start past the line
  }
}

}  // namespace

namespace ivorel {

bool line_art(const unsigned char* source, unsigned char* destination, int width, int height,
              const LineArtSpec& spec, const RowProgress& progress) {
  if (width <= 0 || height <= 0 || spec.step < 1) return true;
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  std::vector<int> lum;
  try {
    lum.resize(spec.vertical ? height : width);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const auto paint = [](Byte* p, bool white) { p[0] = p[1] = p[2] = white ? 255 : 0; };
  if (!spec.vertical) {
    for (int y = 0; y < height; ++y) {
      if (progress) progress(y);
      for (int x = 0; x < width; ++x) lum[x] = engraving_luminance(source + y * stride + 3 * x);
      draw_line(lum, y, height, spec, [&](std::int64_t along, std::int64_t cross, bool white) {
        paint(destination + cross * stride + 3 * along, white);
      });
    }
  } else {
    for (int x = 0; x < width; ++x) {
      if (progress) progress(static_cast<int>(static_cast<std::int64_t>(x) * height / width));
      for (int y = 0; y < height; ++y) lum[y] = engraving_luminance(source + y * stride + 3 * x);
      draw_line(lum, x, width, spec, [&](std::int64_t along, std::int64_t cross, bool white) {
        paint(destination + along * stride + 3 * cross, white);
      });
    }
  }
  return true;
}

}  // namespace ivorel
