// Alpha-trimmed mean: each window's values without the `trim` lowest and highest, averaged. Instead of
// sorting every window, a 256-bin histogram per channel slides along the row (one column in, one out), with
// 16 coarse bins of counts and sums, so that the trimmed ends are summed in at most 32 steps each.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "ivorel/processing/exchange_network.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/rank_filters.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

using Byte = unsigned char;

struct SlidingHistogram {
  int count[256];
  int coarseCount[16];
  int coarseSum[16];
  int total;

  void add(int v, int delta) {
    count[v] += delta;
    coarseCount[v >> 4] += delta;
    coarseSum[v >> 4] += delta * v;
    total += delta * v;
  }
  // The sum of the t lowest values.
  int lowest(int t) const {
    int seen = 0, sum = 0, b = 0;
    while (seen + coarseCount[b] <= t && b < 15) seen += coarseCount[b], sum += coarseSum[b++];
    for (int v = 16 * b; seen < t; ++v) {
      const int take = std::min(count[v], t - seen);
      seen += take, sum += take * v;
    }
    return sum;
  }
  // The sum of the t highest values.
  int highest(int t) const {
    int seen = 0, sum = 0, b = 15;
    while (seen + coarseCount[b] <= t && b > 0) seen += coarseCount[b], sum += coarseSum[b--];
    for (int v = 16 * b + 15; seen < t; --v) {
      const int take = std::min(count[v], t - seen);
      seen += take, sum += take * v;
    }
    return sum;
  }
};

// The 3 x 3 case, the default, sorts each window with a 36-step transposition network on whole rows of
// bytes and weighs the sorted values 1 inside the kept range and 0 outside.
__attribute__((target_clones("avx2", "default"))) void trimmed_sums9(const Byte* a, const Byte* b,
                                                                     const Byte* c, std::uint16_t* sums,
                                                                     int count, const std::uint16_t* weight) {
  for (int i = 0; i < count; ++i) {
    Byte v0 = a[i], v1 = a[i + 3], v2 = a[i + 6], v3 = b[i], v4 = b[i + 3], v5 = b[i + 6], v6 = c[i],
         v7 = c[i + 3], v8 = c[i + 6];
    ivorel::order(v0, v1), ivorel::order(v2, v3), ivorel::order(v4, v5), ivorel::order(v6, v7);
    ivorel::order(v1, v2), ivorel::order(v3, v4), ivorel::order(v5, v6), ivorel::order(v7, v8);
    ivorel::order(v0, v1), ivorel::order(v2, v3), ivorel::order(v4, v5), ivorel::order(v6, v7);
    ivorel::order(v1, v2), ivorel::order(v3, v4), ivorel::order(v5, v6), ivorel::order(v7, v8);
    ivorel::order(v0, v1), ivorel::order(v2, v3), ivorel::order(v4, v5), ivorel::order(v6, v7);
    ivorel::order(v1, v2), ivorel::order(v3, v4), ivorel::order(v5, v6), ivorel::order(v7, v8);
    ivorel::order(v0, v1), ivorel::order(v2, v3), ivorel::order(v4, v5), ivorel::order(v6, v7);
    ivorel::order(v1, v2), ivorel::order(v3, v4), ivorel::order(v5, v6), ivorel::order(v7, v8);
    ivorel::order(v0, v1), ivorel::order(v2, v3), ivorel::order(v4, v5), ivorel::order(v6, v7);
    sums[i] = static_cast<std::uint16_t>(weight[0] * v0 + weight[1] * v1 + weight[2] * v2 + weight[3] * v3 +
                                         weight[4] * v4 + weight[5] * v5 + weight[6] * v6 + weight[7] * v7 +
                                         weight[8] * v8);
  }
}

void trimmed_mean3(const Byte* source, Byte* destination, std::size_t stride, ivorel::PixelRect rect,
                   int trim, const ivorel::RowProgress& progress) {
  const int kept = 9 - 2 * trim;
  std::uint16_t weight[9];
  for (int k = 0; k < 9; ++k) weight[k] = kept > 0 && k >= trim && k < 9 - trim;
  // sum / kept + 0.5, truncated, for every possible sum: the integer (2 sum + kept) / (2 kept).
  std::vector<Byte> mean(9 * 255 + 1);
  for (int sum = 0; sum <= 9 * 255; ++sum)
    mean[sum] = static_cast<Byte>(kept > 0 ? (2 * sum + kept) / (2 * kept) : 0);
  const auto row = [&](const Byte* base, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  const int count = 3 * (rect.width - 2);
  ivorel::run_row_bands(
      1, rect.height - 1, ivorel::band_count(rect.height - 2, stride), [&](int band, int from, int to) {
        std::vector<std::uint16_t> sums(count);
        for (int y = from; y < to; ++y) {
          if (band == 0 && progress) progress(ivorel::band_progress_row(y, from, to, rect.height));
          trimmed_sums9(row(source, y - 1), row(source, y), row(source, y + 1), sums.data(), count, weight);
          Byte* out = const_cast<Byte*>(row(destination, y)) + 3;
          for (int i = 0; i < count; ++i) out[i] = mean[sums[i]];
        }
      });
}

}  // namespace

namespace ivorel {

void alpha_trimmed_mean(const unsigned char* source, unsigned char* destination, int imageWidth,
                        PixelRect rect, int size, int trim, const RowProgress& progress) {
  const int r = size / 2, n = 2 * r + 1;
  if (rect.width < n || rect.height < n) return;
  const int kept = n * n - 2 * trim;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  if (n == 3) return trimmed_mean3(source, destination, stride, rect, trim, progress);
  const auto at = [&](int x, int y) {
    return source + static_cast<std::size_t>(rect.top + y) * stride +
           3 * static_cast<std::size_t>(rect.left + x);
  };
  const int rows = rect.height - 2 * r;
  run_row_bands(r, rect.height - r, band_count(rows, 3 * static_cast<std::size_t>(rect.width) * n),
                [&](int band, int from, int to) {
                  for (int y = from; y < to; ++y) {
                    if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
                    SlidingHistogram hist[3] = {};
                    const auto column = [&](int x, int delta) {
                      for (int j = y - r; j <= y + r; ++j) {
                        const Byte* p = at(x, j);
                        for (int c = 0; c < 3; ++c) hist[c].add(p[c], delta);
                      }
                    };
                    for (int x = 0; x < n - 1; ++x) column(x, 1);
                    Byte* out = destination + (at(0, y) - source);
                    for (int x = r; x < rect.width - r; ++x) {
                      column(x + r, 1);
                      for (int c = 0; c < 3; ++c) {
                        // Nothing left after trimming sums to 0 over a count of 1.
                        const int sum =
                            kept > 0 ? hist[c].total - hist[c].lowest(trim) - hist[c].highest(trim) : 0;
                        const double mean = static_cast<double>(sum) / std::max(kept, 1);
                        out[3 * x + c] = static_cast<Byte>(static_cast<int>(mean + 0.5));
                      }
                      column(x - r, -1);
                    }
                  }
                });
}

}  // namespace ivorel

void TProcessImageEx::AlphaTrimedMean() {
  int values[2] = {3, 5};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  int size = values[0];
  if (size % 2 == 0) --size;
  // The window's scratch holds 11 x 11 values; sizes below 1 leave nothing to filter.
  size = std::clamp(size, 1, 11);
  RunEffect([&] { doAlphaTrimedMean(0, 0, width_, height_, size, values[1]); });
}

void TProcessImageEx::doAlphaTrimedMean(int left, int top, int width, int height, int size, int trim) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  // A negative strength would reach before the first sorted value.
  const int t = std::max(0, (size * size - 1) * trim / 2 / 10);
  ivorel::alpha_trimmed_mean(source_, destination_, width_, rect, size, t,
                             [this](int row) { ProgressCursor(0, height_ - 1, row, "AlphaTrimedMean"); });
}
