// Plain loops of the median cut and the fixed-palette dithers, written step by step from their
// description: the unit tests and the benchmark hold the engine's output against them byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imgfile/fixed_palette.h"
#include "ivorel/processing/processing.h"

namespace depth_reference {

inline constexpr RGBCOLOR kSixteen[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                          {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// Error diffusion over a whole working copy of the stored rows, every update clamped at once. Returns the
// stored rows of `depth` bits.
inline std::vector<unsigned char> dither(const unsigned char* pixels, int width, int height, int depth) {
  const std::uint32_t in = ivorel::row_bytes(width, 24), outStride = ivorel::row_bytes(width, depth);
  std::vector<unsigned char> work(pixels, pixels + static_cast<std::size_t>(in) * height);
  std::vector<unsigned char> out(static_cast<std::size_t>(outStride) * height);
  auto add = [](unsigned char& v, int e) { v = static_cast<unsigned char>(std::clamp(v + e, 0, 255)); };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &work[static_cast<std::size_t>(y) * in + 3 * x];
      const int b0 = p[0], b1 = p[1], b2 = p[2];
      int index = 0;
      RGBCOLOR c;
      if (depth == 8) {
        int q = b0 / 85;
        if (b0 - 85 * q > 43) ++q;
        index = (b2 & 0xE0) + (b1 & 0xE0) / 8 + q;
        c = codaxe::fixed_palette()[index];
      } else if (depth == 1) {
        index = 16 * b1 + 11 * b2 + 5 * b0 >= 4096;
        c = kSixteen[index ? 15 : 0];
      } else {
        long best = 1L << 40;
        for (int i = 0; i < 16; ++i) {
          const long dr = kSixteen[i].red - b2, dg = kSixteen[i].green - b1, db = kSixteen[i].blue - b0;
          if (dr * dr + dg * dg + db * db < best) best = dr * dr + dg * dg + db * db, index = i;
        }
        c = kSixteen[index];
      }
      const int e[3] = {(b0 - c.blue) >> 2, (b1 - c.green) >> 2, (b2 - c.red) >> 2};
      for (int k = 0; k < 3; ++k) {
        if (y + 1 < height) add(work[static_cast<std::size_t>(y + 1) * in + 3 * x + k], e[k]);
        if (x + 1 < width) add(p[3 + k], 2 * e[k]);
      }
      out[static_cast<std::size_t>(y) * outStride + x * depth / 8] |=
          static_cast<unsigned char>(index << (8 - depth - x * depth % 8));
    }
  }
  return out;
}

struct Quantized {
  std::vector<unsigned char> rows;  // 8-bit stored rows
  RGBCOLOR palette[256] = {};
};

// The median cut of `wanted` colours.
inline Quantized quantize(const unsigned char* pixels, int width, int height, int wanted) {
  const std::uint32_t in = ivorel::row_bytes(width, 24), outStride = ivorel::row_bytes(width, 8);
  std::vector<std::uint32_t> hist(64 * 64 * 64);
  auto at = [&](int r, int g, int b) -> std::uint32_t& { return hist[r * 4096 + g * 64 + b]; };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &pixels[static_cast<std::size_t>(y) * in + 3 * x];
      ++at(p[2] / 4, p[1] / 4, p[0] / 4);
    }
  struct Box {
    int lo[3], hi[3];
    std::uint64_t count;
  };
  auto slice = [&](const Box& b, int axis, int c) {
    std::uint64_t s = 0;
    int lo[3] = {b.lo[0], b.lo[1], b.lo[2]}, hi[3] = {b.hi[0], b.hi[1], b.hi[2]};
    lo[axis] = hi[axis] = c;
    for (int r = lo[0]; r <= hi[0]; ++r)
      for (int g = lo[1]; g <= hi[1]; ++g)
        for (int bl = lo[2]; bl <= hi[2]; ++bl) s += at(r, g, bl);
    return s;
  };
  auto shrink = [&](Box& b) {
    for (int a = 0; a < 3; ++a) {
      while (b.lo[a] < b.hi[a] && slice(b, a, b.lo[a]) == 0) ++b.lo[a];
      while (b.hi[a] > b.lo[a] && slice(b, a, b.hi[a]) == 0) --b.hi[a];
    }
  };
  std::vector<Box> boxes(256);
  boxes[0] = {{0, 0, 0}, {63, 63, 63}, static_cast<std::uint64_t>(width) * height};
  shrink(boxes[0]);
  int n = 1;
  while (n < wanted) {
    int chosen = -1;
    std::uint64_t most = 0;
    for (int i = 0; i < n; ++i) {
      const Box& b = boxes[i];
      if ((b.lo[0] < b.hi[0] || b.lo[1] < b.hi[1] || b.lo[2] < b.hi[2]) && b.count > most)
        most = b.count, chosen = i;
    }
    if (chosen < 0) break;
    Box& old = boxes[chosen];
    int axis = 0;
    for (int a = 1; a < 3; ++a)
      if (old.hi[a] - old.lo[a] > old.hi[axis] - old.lo[axis]) axis = a;
    int slot = n;
    for (int i = 0; i < n; ++i)
      if (boxes[i].count == 0) {
        slot = i;
        break;
      }
    std::uint64_t total = 0;
    int c = old.lo[axis];
    while (c <= old.hi[axis]) {
      total += slice(old, axis, c);
      if (total > old.count / 2) break;
      ++c;
    }
    if (c == old.hi[axis]) {
      total -= slice(old, axis, c);
      --c;
    }
    Box fresh = old;
    fresh.lo[axis] = c + 1;
    fresh.count = old.count - total;
    old.hi[axis] = c;
    old.count = total;
    shrink(old);
    shrink(fresh);
    boxes[slot] = fresh;
    if (slot == n) ++n;
  }
  Quantized q;
  RGBCOLOR colour[256] = {};
  for (int i = 0; i < n; ++i) {
    const Box& b = boxes[i];
    std::uint64_t s[3] = {};
    for (int r = b.lo[0]; r <= b.hi[0]; ++r)
      for (int g = b.lo[1]; g <= b.hi[1]; ++g)
        for (int bl = b.lo[2]; bl <= b.hi[2]; ++bl) {
          s[0] += std::uint64_t{at(r, g, bl)} * r;
          s[1] += std::uint64_t{at(r, g, bl)} * g;
          s[2] += std::uint64_t{at(r, g, bl)} * bl;
        }
    if (b.count)
      colour[i] = {static_cast<unsigned char>(std::min<std::uint64_t>(s[0] / b.count, 255)),
                   static_cast<unsigned char>(std::min<std::uint64_t>(s[1] / b.count, 255)),
                   static_cast<unsigned char>(std::min<std::uint64_t>(s[2] / b.count, 255))};
  }
  // The exchange sort as described: swap only when strictly greater.
  auto key = [](const RGBCOLOR& c) { return 30 * c.red + 59 * c.green + 11 * c.blue; };
  for (int i = 0; i < n; ++i)
    for (int j = 0; j + 1 < n - i; ++j)
      if (key(colour[j]) > key(colour[j + 1])) {
        std::swap(colour[j], colour[j + 1]);
        std::swap(boxes[j], boxes[j + 1]);
      }
  std::vector<int> index(hist.size(), -1);
  for (int j = 0; j < n; ++j) {
    const Box& b = boxes[j];
    for (int r = b.lo[0]; r <= b.hi[0]; ++r)
      for (int g = b.lo[1]; g <= b.hi[1]; ++g)
        for (int bl = b.lo[2]; bl <= b.hi[2]; ++bl) index[r * 4096 + g * 64 + bl] = j;
  }
  q.rows.assign(static_cast<std::size_t>(outStride) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &pixels[static_cast<std::size_t>(y) * in + 3 * x];
      int i = index[(p[2] / 4) * 4096 + (p[1] / 4) * 64 + p[0] / 4];
      if (i < 0) {
        int best = 1 << 30;
        for (int j = 0; j < n; ++j) {
          const int dr = colour[j].red - p[2] / 4, dg = colour[j].green - p[1] / 4,
                    db = colour[j].blue - p[0] / 4;
          if (dr * dr + dg * dg + db * db < best) best = dr * dr + dg * dg + db * db, i = j;
        }
      }
      q.rows[static_cast<std::size_t>(y) * outStride + x] = static_cast<unsigned char>(i);
    }
  int m = 0;
  for (const RGBCOLOR& c : colour) m = std::max({m, int{c.red}, int{c.green}, int{c.blue}});
  if (m == 0) m = 255;
  for (int i = 0; i < 256; ++i)
    q.palette[i] = {static_cast<unsigned char>(colour[i].red * 255 / m),
                    static_cast<unsigned char>(colour[i].green * 255 / m),
                    static_cast<unsigned char>(colour[i].blue * 255 / m)};
  return q;
}

}  // namespace depth_reference
