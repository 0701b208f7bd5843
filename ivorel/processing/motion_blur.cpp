// Motion blur: each pixel becomes the mean of the samples along one direction, weighted L, L - 1, ..., 1,
// computed in place in reading order, so that samples behind the reading position are read already
// blurred (a streak that runs up or left smears its own result further) and samples ahead are read as
// they were.
//
// All samples of a pixel lie on one line of the picture (a row, a column or a diagonal), and along such a
// line both cases reduce to running sums: ahead, a window sum and a weighted window sum of the unchanged
// samples slide along; behind, the same two sums of the results so far. Lines are independent, so they
// are shared among the cores, and the cost does not grow with the length.
//
// The length rules: a diagonal step covers about 1.4 pixels, so diagonal lengths are cut by 10 / 14;
// a step right or down takes four times as many samples. The fourfold length is kept whole: cut to 8 bits
// a length of 64 would give no blur at all and 65 a blur of 4.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ivorel/processing/byte_quotient.h"
#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

// Sum of the weights L, L - 1, ... of the first m samples.
std::int64_t weight_sum(std::int64_t length, std::int64_t m) {
  return m * length - m * (m - 1) / 2;
}

// One line: its first pixel, the byte step between its pixels in reading order, its pixel count, and the
// part [from, to) of it that lies in the rectangle.
struct Line {
  unsigned char* start;
  std::ptrdiff_t step;
  int count, from, to;
};

// Samples ahead: indices i ... i + L - 1, all as they were.
void blur_ahead(const Line& line, int length) {
  const std::int64_t L = length;
  const ivorel::ByteQuotient full(static_cast<std::uint64_t>(weight_sum(L, L)));
  const auto at = [&](int i) { return line.start + i * line.step; };
  std::int64_t window[3] = {0, 0, 0}, weighted[3] = {0, 0, 0};
  for (int k = 0; k < length && line.from + k < line.count; ++k) {
    const unsigned char* p = at(line.from + k);
    for (int c = 0; c < 3; ++c) {
      window[c] += p[c];
      weighted[c] += (L - k) * p[c];
    }
  }
  for (int i = line.from; i < line.to; ++i) {
    unsigned char* p = at(i);
    const int m = std::min(length, line.count - i);
    const std::int64_t divisor = m == length ? 0 : weight_sum(L, m);
    const unsigned char* entering = i + length < line.count ? at(i + length) : nullptr;
    for (int c = 0; c < 3; ++c) {
      const std::int64_t own = p[c];
      const auto out = static_cast<unsigned char>(divisor ? weighted[c] / divisor : full(weighted[c]));
      window[c] += (entering ? entering[c] : 0) - own;
      weighted[c] += window[c] - L * own;
      p[c] = out;
    }
  }
}

// Samples behind: the pixel itself, then indices i - 1 ... i - L + 1 as they are now.
void blur_behind(const Line& line, int length) {
  const std::int64_t L = length;
  const ivorel::ByteQuotient full(static_cast<std::uint64_t>(weight_sum(L, L)));
  const auto at = [&](int i) { return line.start + i * line.step; };
  // Over the L - 1 samples before i: their plain sum and their sum weighted L - 1, L - 2, ...
  std::int64_t window[3] = {0, 0, 0}, weighted[3] = {0, 0, 0};
  for (int k = 1; k < length && line.from - k >= 0; ++k) {
    const unsigned char* p = at(line.from - k);
    for (int c = 0; c < 3; ++c) {
      window[c] += p[c];
      weighted[c] += (L - k) * p[c];
    }
  }
  for (int i = line.from; i < line.to; ++i) {
    unsigned char* p = at(i);
    const int m = std::min(length, i + 1);
    const std::int64_t divisor = m == length ? 0 : weight_sum(L, m);
    const unsigned char* leaving = i - length + 1 >= 0 ? at(i - length + 1) : nullptr;
    for (int c = 0; c < 3; ++c) {
      const std::int64_t sum = L * p[c] + weighted[c];
      const auto out = static_cast<unsigned char>(divisor ? sum / divisor : full(sum));
      weighted[c] += (L - 1) * out - window[c];
      window[c] += out - (leaving ? leaving[c] : 0);
      p[c] = out;
    }
  }
}

// The index range [from, to) of a line's pixels start + t * step that lie in [low, high) on one axis.
void cut(int start, int step, int low, int high, int& from, int& to) {
  if (step == 0) {
    if (start < low || start >= high) to = from;
  } else if (step > 0) {
    from = std::max(from, low - start);
    to = std::min(to, high - start);
  } else {
    from = std::max(from, start - high + 1);
    to = std::min(to, start - low + 1);
  }
}

// The literal walk, for steps longer than one pixel.
void blur_literal(unsigned char* pixels, int imageWidth, int imageHeight, ivorel::PixelRect r, int dy, int dx,
                  int length) {
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  for (int y = r.top; y < r.top + r.height; ++y) {
    for (int x = r.left; x < r.left + r.width; ++x) {
      std::int64_t sum[3] = {0, 0, 0}, weights = 0, weight = length;
      for (std::int64_t k = 0; k < length; ++k) {
        const std::int64_t px = x + k * dx, py = y + k * dy;
        if (px < 0 || px >= imageWidth || py < 0 || py >= imageHeight) continue;
        const unsigned char* s =
            pixels + static_cast<std::size_t>(py) * stride + 3 * static_cast<std::size_t>(px);
        for (int c = 0; c < 3; ++c) sum[c] += weight * s[c];
        weights += weight--;
      }
      unsigned char* p = pixels + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
      for (int c = 0; c < 3; ++c) p[c] = ivorel::clamp_byte(sum[c] / weights);
    }
  }
}

}  // namespace

namespace ivorel {

int motion_blur_samples(int rowStep, int columnStep, unsigned char length) {
  if (rowStep == 0 && columnStep == 0) return 0;
  int samples = length;
  if (static_cast<long long>(rowStep) * columnStep == 1) samples = samples * 10 / 14;
  if ((rowStep > 0 && columnStep == 0) || (columnStep > 0 && rowStep == 0)) samples *= 4;
  return samples;
}

void motion_blur(unsigned char* pixels, int imageWidth, int imageHeight, PixelRect rect, int rowStep,
                 int columnStep, int samples, const RowProgress& progress) {
  if (samples <= 1 || (rowStep == 0 && columnStep == 0) || rect.width <= 0 || rect.height <= 0) return;
  if (std::abs(rowStep) > 1 || std::abs(columnStep) > 1) {
    return blur_literal(pixels, imageWidth, imageHeight, rect, rowStep, columnStep, samples);
  }
  // Lines run in reading order: down, or right along a row.
  const bool ahead = rowStep > 0 || (rowStep == 0 && columnStep > 0);
  const int sy = ahead ? rowStep : -rowStep, sx = ahead ? columnStep : -columnStep;
  const std::size_t stride = 3 * static_cast<std::size_t>(imageWidth);
  // Each line starts where its previous pixel would lie outside the picture: on the top row, or for a
  // row or a diagonal on the left or right column.
  struct Start {
    int x, y;
  };
  std::vector<Start> starts;
  if (sy == 0) {
    for (int y = rect.top; y < rect.top + rect.height; ++y) starts.push_back({0, y});
  } else {
    for (int x = 0; x < imageWidth; ++x) starts.push_back({x, 0});
    if (sx != 0) {
      for (int y = 1; y < imageHeight; ++y) starts.push_back({sx > 0 ? 0 : imageWidth - 1, y});
    }
  }
  const auto line_at = [&](Start s) {
    int count = imageWidth + imageHeight;
    if (sx > 0) count = std::min(count, imageWidth - s.x);
    if (sx < 0) count = std::min(count, s.x + 1);
    if (sy > 0) count = std::min(count, imageHeight - s.y);
    int from = 0, to = count;
    cut(s.x, sx, rect.left, rect.left + rect.width, from, to);
    cut(s.y, sy, rect.top, rect.top + rect.height, from, to);
    return Line{pixels + static_cast<std::size_t>(s.y) * stride + 3 * static_cast<std::size_t>(s.x),
                static_cast<std::ptrdiff_t>(sy) * static_cast<std::ptrdiff_t>(stride) + 3 * sx, count, from,
                to};
  };
  const int lines = static_cast<int>(starts.size());
  const std::size_t perLine = 3 * static_cast<std::size_t>(std::max(rect.width, rect.height));
  run_row_bands(0, lines, band_count(lines, perLine), [&](int band, int from, int to) {
    for (int i = from; i < to; ++i) {
      if (band == 0 && progress) progress(band_progress_row(i, from, to, rect.height));
      const Line line = line_at(starts[i]);
      if (line.from >= line.to) continue;
      if (ahead) {
        blur_ahead(line, samples);
      } else {
        blur_behind(line, samples);
      }
    }
  });
}

}  // namespace ivorel

void TProcessImageEx::MotionBlur() {
  int values[3] = {0, 1, 32};
  if (!ivorel::integer_parameters(procData_, window_, 3, values)) return SetOutcome(Outcome::Declined);
  if (values[2] < 0 || values[2] > 255) return SetOutcome(Outcome::Declined);
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  RunEffect([&] {
    doMotionBlur(0, 0, width_, height_, sign(values[0]), sign(values[1]),
                 static_cast<unsigned char>(values[2]));
  });
}

void TProcessImageEx::doMotionBlur(int left, int top, int width, int height, int rowStep, int columnStep,
                                   unsigned char length) {
  if (!ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  ivorel::motion_blur(destination_, width_, height_, {left, top, width, height}, rowStep, columnStep,
                      ivorel::motion_blur_samples(rowStep, columnStep, length),
                      [this](int row) { ProgressCursor(0, height_ - 1, row, "MotionBlur"); });
}
