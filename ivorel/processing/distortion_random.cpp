// The distortions that draw from the random generator: tile turns, melting and spreading. Their draws come
// in a fixed order (the walk through the picture), so a seeded run gives the same picture every time and
// the loops stay sequential.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/operation_support.h"

using ivorel::Outcome;

namespace {

// One of the three turns, drawn uniformly.
int draw_turn(ivorel::RandomRun& random) {
  return random.draw15() * 3 / 32768;
}

// The first row from `from` on whose key stops a drop of `key` (a larger key stops a sinking drop, a
// smaller one a rising drop), or `rows`. Keys are below 2^13, so they compare as signed 16-bit numbers,
// eight at a time.
template <bool Sink>
int drop_end(const unsigned short* keys, int from, int rows, unsigned short key) {
  int j = from;
  const __m128i k = _mm_set1_epi16(static_cast<short>(key));
  for (; j + 8 <= rows; j += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j));
    const int stops = _mm_movemask_epi8(Sink ? _mm_cmpgt_epi16(v, k) : _mm_cmplt_epi16(v, k));
    if (stops) return j + __builtin_ctz(static_cast<unsigned>(stops)) / 2;
  }
  while (j < rows && (Sink ? keys[j] <= key : keys[j] >= key)) ++j;
  return j;
}

}  // namespace

// ---- Twist

void TProcessImageEx::Twist() {
  int tiles = 2, mode = 0;
  if (procData_) {
    tiles = procData_->words[1];
    mode = procData_->words[2];
  } else if (!ivorel::integer_parameters(nullptr, window_, 1, &mode)) {
    return SetOutcome(Outcome::Declined);
  }
  RunEffect([&] { doTwist(0, 0, width_, height_, static_cast<unsigned char>(tiles), mode); });
}

void TProcessImageEx::doTwist(int left, int top, int width, int height, unsigned char tiles, int mode) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  int divisor = static_cast<unsigned char>(100 - tiles);
  if (divisor == 0) divisor = 1;
  int size = static_cast<unsigned char>(std::min(width, height) / divisor);
  if (size < 4) size = 4;
  // A negative mode turns every tile the first way.
  if (mode < 0) mode = 0;
  ivorel::RandomRun random = ivorel::random_run();
  const auto at = [&](unsigned char* base, int x, int y) {
    return base + 3 * (static_cast<std::size_t>(y) * width_ + x);
  };
  for (int ty = top + height % size / 2; ty <= top + height - size; ty += size) {
    ProgressCursor(0, height_ - 1, ty, "Twist");
    for (int tx = left + width % size / 2; tx <= left + width - size; tx += size) {
      int turn = mode <= 2 ? mode : mode == 3 ? draw_turn(random) : 0;
      // Row 0 and column 0 of a tile keep their pixels.
      for (int i = 1; i < size; ++i)
        for (int j = 1; j < size; ++j) {
          if (mode >= 4) turn = draw_turn(random);
          const unsigned char* s = turn == 0   ? at(source_, tx + i, ty + size - j)
                                   : turn == 1 ? at(source_, tx + size - j, ty + size - i)
                                               : at(source_, tx + size - i, ty + j);
          std::memcpy(at(destination_, tx + j, ty + i), s, 3);
        }
    }
  }
}

// ---- Melting

void TProcessImageEx::Melting() {
  int strength = 0;
  if (!ivorel::integer_parameters(procData_, window_, 1, &strength)) return SetOutcome(Outcome::Declined);
  strength = std::clamp(strength, -10, 10);
  RunEffect([&] { doMelting(0, 0, width_, height_, strength); });
}

void TProcessImageEx::doMelting(int left, int top, int width, int height, int strength) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  // A picture of one row has no pair of pixels to swap.
  if (strength == 0 || height < 2) return;
  // The drops run down columns, so the region is held column by column, each pixel with its key: a drop
  // scans the keys below it in order and its column shifts up behind it in one move.
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::vector<unsigned short> keys;
  std::vector<unsigned char> columns;
  try {
    keys.resize(count);
    columns.resize(3 * count);
  } catch (const std::bad_alloc&) {
    ReportNoMemory("No memory available for the melting effect");
    return SetOutcome(Outcome::Failed);
  }
  const std::size_t stride = static_cast<std::size_t>(width_);
  const auto pixel = [&](unsigned char* base, int x, int y) {
    return base + 3 * ((top + y) * stride + left + x);
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = pixel(source_, x, y);
      const std::size_t at = static_cast<std::size_t>(x) * height + y;
      std::memcpy(&columns[3 * at], p, 3);
      keys[at] = static_cast<unsigned short>((11 * p[2] + 16 * p[1] + 5 * p[0]) & ~31);
    }
  ivorel::RandomRun random = ivorel::random_run();
  const std::uint64_t drops = static_cast<std::uint64_t>(std::abs(strength)) * count;
  const bool sink = strength > 0;
  for (std::uint64_t n = 0; n < drops; ++n) {
    if (n % count == 0) ProgressCursor(0, std::abs(strength) - 1, static_cast<int>(n / count), "Melting");
    const int x = random.draw15() % width;
    const int y = random.draw15() % (height - 1);
    unsigned short* k = &keys[static_cast<std::size_t>(x) * height];
    const unsigned short key = k[y];
    // The drop swaps with the pixel below while that one's key is no larger (sinking) or no smaller.
    const int last = (sink ? drop_end<true> : drop_end<false>)(k, y + 1, height, key) - 1;
    if (last == y) continue;
    std::memmove(k + y, k + y + 1, sizeof *k * (last - y));
    k[last] = key;
    unsigned char* c = &columns[3 * (static_cast<std::size_t>(x) * height)];
    unsigned char drop[3];
    std::memcpy(drop, c + 3 * y, 3);
    std::memmove(c + 3 * y, c + 3 * (y + 1), 3 * static_cast<std::size_t>(last - y));
    std::memcpy(c + 3 * last, drop, 3);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      std::memcpy(pixel(destination_, x, y), &columns[3 * (static_cast<std::size_t>(x) * height + y)], 3);
}

// ---- Spread

void TProcessImageEx::Spread() {
  int values[2] = {1, 5};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  int a = values[0], b = values[1];
  if (procData_) {
    if (a < 0 || b < 0 || (a == 0 && b == 0)) return SetOutcome(Outcome::Declined);
    if (b == 0) a = -a;
  } else if (a < 1 || b < 1) {
    return SetOutcome(Outcome::Declined);
  }
  RunEffect([&] { doSpread(0, 0, width_, height_, a, b); });
}

void TProcessImageEx::doSpread(int left, int top, int width, int height, int a, int b) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  ivorel::RandomRun random = ivorel::random_run();
  const long long right = left + width - 1, bottom = top + height - 1;
  // Uniform in [max(low edge, centre - reach), min(high edge, centre + reach)]; reaches as large as an int
  // are taken in 64 bits.
  const auto pick = [&](long long centre, long long reach, long long low, long long high) {
    const long long from = std::max(low, centre - reach), to = std::min(high, centre + reach);
    return static_cast<int>(random.draw15() % (to - from + 1) + from);
  };
  const bool diamond = a < 0;
  const long long reach = diamond ? -static_cast<long long>(a) : a;
  for (int y = top; y <= bottom; ++y) {
    ProgressCursor(0, height_ - 1, y, "Spread");
    for (int x = left; x <= right; ++x) {
      const int px = pick(x, reach, left, right);
      const int py = pick(y, diamond ? reach - std::abs(px - x) : b, top, bottom);
      unsigned char* p = destination_ + 3 * (static_cast<std::size_t>(y) * width_ + x);
      unsigned char* q = destination_ + 3 * (static_cast<std::size_t>(py) * width_ + px);
      std::swap_ranges(p, p + 3, q);
    }
  }
}
