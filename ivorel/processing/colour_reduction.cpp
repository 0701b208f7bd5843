// The working-copy reduction. The quantizer is the classic two-pass median cut: a 5-6-5 bit histogram of
// the picture, boxes split by colour population while there are few, by volume afterwards, each box's
// population-weighted mean as its colour, then Floyd-Steinberg error diffusion with serpentine rows and a
// limit on the propagated error so that large errors do not smear. The histogram is reused as the cache of
// nearest palette entries during mapping.
#include "ivorel/processing/colour_reduction.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

namespace ivorel {

namespace {

constexpr int kBins0 = 32, kBins1 = 64, kBins2 = 32;
constexpr int kShift0 = 3, kShift1 = 2, kShift2 = 3;
// Axis weights (red, green, blue in the usual reading): distances count green most, blue least.
constexpr int kScale0 = 2, kScale1 = 3, kScale2 = 1;

using Histogram = std::vector<std::uint16_t>;

inline std::size_t cell(int c0, int c1, int c2) {
  return (static_cast<std::size_t>(c0) * kBins1 + c1) * kBins2 + c2;
}

inline std::uint32_t key_of(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

// Keeps the picture's colours when there are at most `limit`; false when there are more.
bool exact_reduction(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height, int limit,
                     unsigned char* out, std::ptrdiff_t outStride, RGBCOLOR* palette) {
  std::vector<std::uint32_t> keys;
  keys.reserve(static_cast<std::size_t>(limit) + 1);
  for (int y = 0; y < height; ++y) {
    const unsigned char* p = pixels + y * stride;
    std::uint32_t last = 0xFFFFFFFF;
    for (int x = 0; x < width; ++x, p += 3) {
      const std::uint32_t k = key_of(p);
      if (k == last) continue;
      last = k;
      auto it = std::lower_bound(keys.begin(), keys.end(), k);
      if (it != keys.end() && *it == k) continue;
      if (static_cast<int>(keys.size()) == limit) return false;
      keys.insert(it, k);
    }
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    palette[i] = RGBCOLOR{static_cast<unsigned char>(keys[i] >> 16), static_cast<unsigned char>(keys[i] >> 8),
                          static_cast<unsigned char>(keys[i])};
  }
  for (int y = 0; y < height; ++y) {
    const unsigned char* p = pixels + y * stride;
    unsigned char* o = out + y * outStride;
    std::uint32_t last = 0xFFFFFFFF;
    unsigned char index = 0;
    for (int x = 0; x < width; ++x, p += 3) {
      const std::uint32_t k = key_of(p);
      if (k != last) {
        last = k;
        index = static_cast<unsigned char>(std::lower_bound(keys.begin(), keys.end(), k) - keys.begin());
      }
      o[x] = index;
    }
  }
  return true;
}

struct Box {
  int lo[3], hi[3];
  std::int64_t volume = 0;
  std::int64_t colourCount = 0;
};

constexpr int kShift[3] = {kShift0, kShift1, kShift2};
constexpr int kScale[3] = {kScale0, kScale1, kScale2};

std::uint16_t at(const Histogram& h, const int c[3]) {
  return h[cell(c[0], c[1], c[2])];
}

bool any_in_slice(const Histogram& h, const Box& b, int axis, int value) {
  const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
  int c[3];
  c[axis] = value;
  for (c[a1] = b.lo[a1]; c[a1] <= b.hi[a1]; ++c[a1]) {
    for (c[a2] = b.lo[a2]; c[a2] <= b.hi[a2]; ++c[a2]) {
      if (at(h, c)) return true;
    }
  }
  return false;
}

// Shrinks the box to the cells in use and measures it.
void update_box(const Histogram& h, Box& b) {
  for (int axis = 0; axis < 3; ++axis) {
    while (b.lo[axis] < b.hi[axis] && !any_in_slice(h, b, axis, b.lo[axis])) ++b.lo[axis];
    while (b.hi[axis] > b.lo[axis] && !any_in_slice(h, b, axis, b.hi[axis])) --b.hi[axis];
  }
  b.volume = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const std::int64_t d =
        static_cast<std::int64_t>((b.hi[axis] - b.lo[axis]) << kShift[axis]) * kScale[axis];
    b.volume += d * d;
  }
  b.colourCount = 0;
  int c[3];
  for (c[0] = b.lo[0]; c[0] <= b.hi[0]; ++c[0])
    for (c[1] = b.lo[1]; c[1] <= b.hi[1]; ++c[1])
      for (c[2] = b.lo[2]; c[2] <= b.hi[2]; ++c[2])
        if (at(h, c)) ++b.colourCount;
}

Box* biggest_population(std::vector<Box>& boxes) {
  Box* best = nullptr;
  std::int64_t most = 0;
  for (Box& b : boxes) {
    if (b.colourCount > most && b.volume > 0) {
      best = &b;
      most = b.colourCount;
    }
  }
  return best;
}

Box* biggest_volume(std::vector<Box>& boxes) {
  Box* best = nullptr;
  std::int64_t most = 0;
  for (Box& b : boxes) {
    if (b.volume > most) {
      best = &b;
      most = b.volume;
    }
  }
  return best;
}

void median_cut(const Histogram& h, std::vector<Box>& boxes, int wanted) {
  while (static_cast<int>(boxes.size()) < wanted) {
    Box* b = static_cast<int>(boxes.size()) * 2 <= wanted ? biggest_population(boxes) : biggest_volume(boxes);
    if (!b) break;
    int extent[3];
    for (int axis = 0; axis < 3; ++axis)
      extent[axis] = ((b->hi[axis] - b->lo[axis]) << kShift[axis]) * kScale[axis];
    // Ties go to the middle axis, then the first.
    int axis = 1;
    if (extent[0] > extent[axis]) axis = 0;
    if (extent[2] > extent[axis]) axis = 2;
    Box second = *b;
    const int middle = (b->hi[axis] + b->lo[axis]) / 2;
    b->hi[axis] = middle;
    second.lo[axis] = middle + 1;
    update_box(h, *b);
    update_box(h, second);
    boxes.push_back(second);
  }
}

RGBCOLOR box_colour(const Histogram& h, const Box& b) {
  std::int64_t total = 0, sum[3] = {0, 0, 0};
  int c[3];
  for (c[0] = b.lo[0]; c[0] <= b.hi[0]; ++c[0])
    for (c[1] = b.lo[1]; c[1] <= b.hi[1]; ++c[1])
      for (c[2] = b.lo[2]; c[2] <= b.hi[2]; ++c[2]) {
        const std::int64_t n = at(h, c);
        if (!n) continue;
        total += n;
        for (int axis = 0; axis < 3; ++axis)
          sum[axis] += ((c[axis] << kShift[axis]) + ((1 << kShift[axis]) >> 1)) * n;
      }
  if (total == 0) return RGBCOLOR{};
  auto mean = [&](int axis) { return static_cast<unsigned char>((sum[axis] + (total >> 1)) / total); };
  return RGBCOLOR{mean(0), mean(1), mean(2)};
}

// The error passed on is limited: in full below 16, at half slope up to 48, then no more than 32.
struct ErrorLimit {
  int table[511];
  ErrorLimit() {
    int out = 0, in = 0;
    auto put = [&](int i, int v) {
      table[255 + i] = v;
      table[255 - i] = -v;
    };
    for (; in < 16; ++in, ++out) put(in, out);
    for (; in < 48; ++in, out += (in & 1) ? 0 : 1) put(in, out);
    for (; in <= 255; ++in) put(in, out);
  }
  int operator()(int e) const { return table[255 + std::clamp(e, -255, 255)]; }
};

int nearest_entry(const RGBCOLOR* palette, int count, int c0, int c1, int c2) {
  const int v0 = (c0 << kShift0) + ((1 << kShift0) >> 1);
  const int v1 = (c1 << kShift1) + ((1 << kShift1) >> 1);
  const int v2 = (c2 << kShift2) + ((1 << kShift2) >> 1);
  int best = 0;
  std::int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < count; ++i) {
    const std::int64_t d0 = (v0 - palette[i].red) * kScale0;
    const std::int64_t d1 = (v1 - palette[i].green) * kScale1;
    const std::int64_t d2 = (v2 - palette[i].blue) * kScale2;
    const std::int64_t d = d0 * d0 + d1 * d1 + d2 * d2;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

void dither_map(Histogram& cache, const RGBCOLOR* palette, int count, const unsigned char* pixels,
                std::ptrdiff_t stride, int width, int height, unsigned char* out, std::ptrdiff_t outStride,
                std::vector<std::int16_t>& errors) {
  static const ErrorLimit limit;
  bool leftToRight = true;
  for (int y = 0; y < height; ++y) {
    const unsigned char* in = pixels + y * stride;
    unsigned char* o = out + y * outStride;
    int dir = 1;
    std::int16_t* err = errors.data();
    if (!leftToRight) {
      in += (width - 1) * 3;
      o += width - 1;
      dir = -1;
      err += (width + 1) * 3;
    }
    const int dir3 = 3 * dir;
    int cur[3] = {0, 0, 0}, below[3] = {0, 0, 0}, belowPrev[3] = {0, 0, 0};
    for (int x = 0; x < width; ++x) {
      int v[3];
      for (int k = 0; k < 3; ++k) {
        cur[k] = (cur[k] + err[dir3 + k] + 8) >> 4;
        cur[k] = limit(cur[k]);
        v[k] = std::clamp(cur[k] + in[k], 0, 255);
      }
      std::uint16_t& cached = cache[cell(v[0] >> kShift0, v[1] >> kShift1, v[2] >> kShift2)];
      if (cached == 0) {
        cached = static_cast<std::uint16_t>(
            nearest_entry(palette, count, v[0] >> kShift0, v[1] >> kShift1, v[2] >> kShift2) + 1);
      }
      const int index = cached - 1;
      *o = static_cast<unsigned char>(index);
      const unsigned char p[3] = {palette[index].red, palette[index].green, palette[index].blue};
      for (int k = 0; k < 3; ++k) {
        cur[k] = v[k] - p[k];
        const int next = cur[k];
        err[k] = static_cast<std::int16_t>(belowPrev[k] + cur[k] * 3);
        belowPrev[k] = below[k] + cur[k] * 5;
        below[k] = next;
        cur[k] *= 7;
      }
      in += dir3;
      o += dir;
      err += dir3;
    }
    for (int k = 0; k < 3; ++k) err[k] = static_cast<std::int16_t>(belowPrev[k]);
    leftToRight = !leftToRight;
  }
}

bool quantize(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height, int colours,
              unsigned char* out, std::ptrdiff_t outStride, RGBCOLOR* palette) {
  Histogram hist(static_cast<std::size_t>(kBins0) * kBins1 * kBins2, 0);
  std::vector<std::int16_t> errors((static_cast<std::size_t>(width) + 2) * 3, 0);
  std::vector<Box> boxes;
  boxes.reserve(static_cast<std::size_t>(colours));
  for (int y = 0; y < height; ++y) {
    const unsigned char* p = pixels + y * stride;
    for (int x = 0; x < width; ++x, p += 3) {
      std::uint16_t& n = hist[cell(p[0] >> kShift0, p[1] >> kShift1, p[2] >> kShift2)];
      if (n != 0xFFFF) ++n;
    }
  }
  Box all;
  all.lo[0] = all.lo[1] = all.lo[2] = 0;
  all.hi[0] = kBins0 - 1;
  all.hi[1] = kBins1 - 1;
  all.hi[2] = kBins2 - 1;
  update_box(hist, all);
  boxes.push_back(all);
  median_cut(hist, boxes, colours);
  RGBCOLOR made[256];
  const int count = static_cast<int>(boxes.size());
  for (int i = 0; i < count; ++i) made[i] = box_colour(hist, boxes[i]);
  std::fill(hist.begin(), hist.end(), 0);
  dither_map(hist, made, count, pixels, stride, width, height, out, outStride, errors);
  std::copy(made, made + count, palette);
  return true;
}

}  // namespace

bool reduce_working_copy(const unsigned char* pixels, std::ptrdiff_t stride, int width, int height,
                         int colours, unsigned char* out, std::ptrdiff_t outStride, RGBCOLOR* palette) {
  if (colours <= 0) colours = 255;
  colours = std::min(colours, 256);
  if (width <= 0 || height <= 0) return true;
  try {
    if (exact_reduction(pixels, stride, width, height, colours, out, outStride, palette)) return true;
    return quantize(pixels, stride, width, height, colours, out, outStride, palette);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace ivorel
