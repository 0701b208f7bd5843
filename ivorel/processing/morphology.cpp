// Erosion, dilation and outline over a 5 x 5 structuring element, and the point detector's 3 x 3 kernel.
// The element is walked as a list of offsets, each one a pass of byte minimums or maximums over a whole
// row, which the compiler turns into vector instructions.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/rank_filters.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

using Byte = unsigned char;

// The diamond of radius 2.
constexpr int kElement[5][5] = {
    {0, 0, 1, 0, 0}, {0, 1, 1, 1, 0}, {1, 1, 1, 1, 1}, {0, 1, 1, 1, 0}, {0, 0, 1, 0, 0},
};
constexpr int kPointKernel[3][3] = {{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}};

template <bool Max>
__attribute__((target_clones("avx2", "default"))) void fold(Byte* acc, const Byte* in, int count) {
  for (int i = 0; i < count; ++i) acc[i] = Max ? std::max(acc[i], in[i]) : std::min(acc[i], in[i]);
}

__attribute__((target_clones("avx2", "default"))) void outline_row(const Byte* s, Byte* d, int count,
                                                                   bool soft) {
  for (int i = 0; i < count; ++i) d[i] = static_cast<Byte>(soft ? (2 * s[i] - d[i]) / 2 : s[i] - d[i]);
}

__attribute__((target_clones("avx2", "default"))) void point_row(const Byte* a, const Byte* b, const Byte* c,
                                                                 Byte* out, int count, const int* k,
                                                                 bool blend) {
  for (int i = 0; i < count; ++i) {
    const int sum = k[0] * a[i] + k[1] * a[i + 3] + k[2] * a[i + 6] + k[3] * b[i] + k[4] * b[i + 3] +
                    k[5] * b[i + 6] + k[6] * c[i] + k[7] * c[i + 3] + k[8] * c[i + 6];
    const int v = std::clamp(sum, 0, 255);
    out[i] = static_cast<Byte>(blend ? (v + a[i]) / 2 : v);
  }
}

}  // namespace

namespace ivorel {

void morphology(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                const int element[5][5], bool dilate, const RowProgress& progress) {
  if (rect.width < 5 || rect.height < 5) return;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const auto at = [&](const Byte* base, int x, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride +
           3 * static_cast<std::size_t>(rect.left + x);
  };
  std::vector<std::pair<int, int>> cells;
  for (int j = 0; j < 5; ++j)
    for (int i = 0; i < 5; ++i)
      if (element[j][i] == 1) cells.emplace_back(i - 2, j - 2);
  const int count = 3 * (rect.width - 4);
  run_row_bands(2, rect.height - 2, band_count(rect.height - 4, 3 * static_cast<std::size_t>(rect.width)),
                [&](int band, int from, int to) {
                  std::vector<Byte> acc(count);
                  for (int y = from; y < to; ++y) {
                    if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
                    std::fill(acc.begin(), acc.end(), dilate ? 0 : 255);
                    for (auto [dx, dy] : cells) {
                      if (dilate) {
                        fold<true>(acc.data(), at(source, 2 + dx, y + dy), count);
                      } else {
                        fold<false>(acc.data(), at(source, 2 + dx, y + dy), count);
                      }
                    }
                    std::memcpy(const_cast<Byte*>(at(destination, 2, y)), acc.data(), count);
                  }
                });
}

void outline_from_eroded(const unsigned char* source, unsigned char* destination, int imageWidth,
                         PixelRect rect, int mode) {
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  for (int y = rect.top; y < rect.top + rect.height; ++y) {
    const std::size_t start = y * stride + 3 * static_cast<std::size_t>(rect.left);
    outline_row(source + start, destination + start, 3 * rect.width, mode == 1);
  }
}

void point_detect(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                  const int kernel[3][3], int mode, const RowProgress& progress) {
  if (rect.width < 3 || rect.height < 3) return;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  const auto at = [&](const Byte* base, int y) {
    return base + static_cast<std::size_t>(rect.top + y) * stride + 3 * static_cast<std::size_t>(rect.left);
  };
  int k[9];
  for (int i = 0; i < 9; ++i) k[i] = kernel[i / 3][i % 3];
  run_row_bands(0, rect.height - 2, band_count(rect.height - 2, 3 * static_cast<std::size_t>(rect.width)),
                [&](int band, int from, int to) {
                  for (int y = from; y < to; ++y) {
                    if (band == 0 && progress) progress(band_progress_row(y, from, to, rect.height));
                    point_row(at(source, y), at(source, y + 1), at(source, y + 2),
                              const_cast<Byte*>(at(destination, y)), 3 * (rect.width - 2), k, mode == 1);
                  }
                });
}

}  // namespace ivorel

void TProcessImageEx::EqualiseAfterEffect(int equalise) {
  if (equalise == 0 || LastOutcome() != Outcome::Ran) return;
  _IMAGE_PROC_DATA own;
  own.words[1] = 3;
  _IMAGE_PROC_DATA* caller = SetImageProcData(&own);
  HistogramEq();
  SetImageProcData(caller);
}

void TProcessImageEx::Erosion() {
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doErosion(kElement, 0, 0, width_, height_); });
  EqualiseAfterEffect(values[1]);
}

void TProcessImageEx::Dilation() {
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doDilation(kElement, 0, 0, width_, height_); });
  EqualiseAfterEffect(values[1]);
}

void TProcessImageEx::Outline() {
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doOutline(kElement, 0, 0, width_, height_, values[0]); });
  EqualiseAfterEffect(values[1]);
}

void TProcessImageEx::PointDetector() {
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] { doPointDetector(kPointKernel, 0, 0, width_, height_, values[0]); });
  EqualiseAfterEffect(values[1]);
}

void TProcessImageEx::doErosion(const int element[5][5], int left, int top, int width, int height) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  ivorel::morphology(source_, destination_, width_, rect, element, false,
                     [this](int row) { ProgressCursor(0, height_ - 1, row, "Erosion"); });
}

void TProcessImageEx::doDilation(const int element[5][5], int left, int top, int width, int height) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  ivorel::morphology(source_, destination_, width_, rect, element, true,
                     [this](int row) { ProgressCursor(0, height_ - 1, row, "Dilation"); });
}

void TProcessImageEx::doOutline(const int element[5][5], int left, int top, int width, int height, int mode) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  doErosion(element, rect.left, rect.top, rect.width, rect.height);
  ivorel::outline_from_eroded(source_, destination_, width_, rect, mode);
}

void TProcessImageEx::doPointDetector(const int kernel[3][3], int left, int top, int width, int height,
                                      int mode) {
  ivorel::PixelRect rect{left, top, width, height};
  if (!ivorel::clamp_region(width_, height_, rect)) return;
  ivorel::point_detect(source_, destination_, width_, rect, kernel, mode,
                       [this](int row) { ProgressCursor(0, height_ - 1, row, "PointDetector"); });
}
