// The per-pixel artistic effects: matte, slicing, the tin-foil base and its gray step, and the explosion.
#include "ivorel/processing/artistic_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/row_bands.h"

namespace {

using Byte = unsigned char;

}  // namespace

namespace ivorel {

void matte_table(int exponent, unsigned char table[256]) {
  for (int v = 0; v < 256; ++v) table[v] = exponent != 0 && std::pow(v / 255.0, exponent) * 255 < 3 ? 255 : 0;
}

void matte(const unsigned char* source, unsigned char* destination, std::size_t pixels,
           const unsigned char* const tables[3]) {
  constexpr std::size_t kChunk = 1 << 16;
  const int chunks = static_cast<int>((pixels + kChunk - 1) / kChunk);
  for_row_bands(chunks, 3 * pixels, [&](int first, int end) {
    const std::size_t to = 3 * std::min(pixels, static_cast<std::size_t>(end) * kChunk);
    for (std::size_t i = 3 * static_cast<std::size_t>(first) * kChunk; i < to; i += 3) {
      destination[i] = tables[0][source[i]];
      destination[i + 1] = tables[1][source[i + 1]];
      destination[i + 2] = tables[2][source[i + 2]];
    }
  });
}

void slice_offsets(RandomRun& random, int count, signed char* offsets) {
  int offset = 0, left = 0;
  for (int i = 0; i < count; ++i) {
    if (left == 0) {
      offset = random.draw15() % 64 - 32;
      left = (random.draw15() + 8) % 32 + 1;
    }
    offsets[i] = static_cast<signed char>(offset);
    --left;
  }
}

void slice(const unsigned char* source, unsigned char* destination, int width, int height,
           const signed char* columns, const signed char* rows, const RowProgress& progress) {
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  run_row_bands(0, height, band_count(height, stride), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, height));
      Byte* out = destination + y * stride;
      const int sx = rows[y];
      for (int x = 0; x < width; ++x, out += 3) {
        const int fromX = x + sx, fromY = y + columns[x];
        if (fromX >= 0 && fromX < width && fromY >= 0 && fromY < height)
          std::memcpy(out, source + fromY * stride + 3 * static_cast<std::size_t>(fromX), 3);
      }
    }
  });
}

void fill_pixels(unsigned char* destination, std::size_t pixels, const unsigned char bytes[3]) {
  for (std::size_t i = 0; i < pixels; ++i, destination += 3) std::memcpy(destination, bytes, 3);
}

void tin_foil_gray(unsigned char* pixels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, pixels += 3)
    pixels[0] = pixels[1] = pixels[2] =
        static_cast<Byte>((16 * pixels[1] + 11 * pixels[0] + 5 * pixels[2]) / 32);
}

void blend_explosion(const unsigned char* source, unsigned char* destination, int w, int h, int strength,
                     const RowProgress& progress) {
  if (w < 3 || h < 3) return;
  const std::size_t stride = 3 * static_cast<std::size_t>(w);
  const auto at = [&](int x, int y) { return source + y * stride + 3 * static_cast<std::size_t>(x); };
  std::int64_t sum[3] = {0, 0, 0};
  for (int x = 0; x < w; ++x)
    for (int c = 0; c < 3; ++c) sum[c] += at(x, 0)[c] + at(x, h - 1)[c];
  for (int y = 0; y < h; ++y)
    for (int c = 0; c < 3; ++c) sum[c] += at(0, y)[c] + at(w - 1, y)[c];
  const std::int64_t count = 2 * static_cast<std::int64_t>(w) + 2 * static_cast<std::int64_t>(h);
  const int mean[3] = {static_cast<int>(sum[0] / count), static_cast<int>(sum[1] / count),
                       static_cast<int>(sum[2] / count)};
  const int cx = w / 2, cy = h / 2;
  const double aspect = static_cast<double>(h) / w;
  run_row_bands(1, h - 1, band_count(h - 2, stride), [&](int band, int from, int to) {
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, h));
      const std::int64_t dy = y - cy;
      for (int x = 1; x < w - 1; ++x) {
        Byte* out = destination + y * stride + 3 * static_cast<std::size_t>(x);
        const std::int64_t dx = x - cx;
        if (dx == 0 && dy == 0) {
          for (int c = 0; c < 3; ++c) out[c] = static_cast<Byte>(mean[c]);
          continue;
        }
        std::int64_t bx, by;
        if (dx == 0) {
          bx = cx, by = dy < 0 ? 0 : h - 1;
        } else if (dy == 0) {
          bx = dx > 0 ? w - 1 : 0, by = cy;
        } else if (std::fabs(aspect) >= std::fabs(static_cast<double>(dy) / static_cast<double>(dx))) {
          bx = dx >= 0 ? w - 1 : 0;
          by = (bx - cx) * dy / dx + cy;
        } else {
          by = dy >= 0 ? h - 1 : 0;
          bx = (by - cy) * dx / dy + cx;
        }
        bx = std::clamp<std::int64_t>(bx, 0, w - 1);
        by = std::clamp<std::int64_t>(by, 0, h - 1);
        const double q = std::sqrt(static_cast<double>(dx * dx + dy * dy)) /
                         std::sqrt(static_cast<double>((bx - cx) * (bx - cx) + (by - cy) * (by - cy)));
        const double f = q * q;
        const Byte* border = at(static_cast<int>(bx), static_cast<int>(by));
        const bool dark = border[0] < 64 && border[1] < 64 && border[2] < 64;
        const Byte* s = at(x, y);
        for (int c = 0; c < 3; ++c) {
          const int b = dark ? 128 : border[c];
          const int e = static_cast<int>((b - mean[c]) * f) + mean[c];
          const int v = (e * strength + s[c] * (10 - strength)) / 10;
          out[c] = static_cast<Byte>(std::clamp(v, 0, 255));
        }
      }
    }
  });
}

}  // namespace ivorel
