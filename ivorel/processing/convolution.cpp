// The fixed 3 x 3 kernels: three sharpening, three softening and eight compass kernels with a strength
// control, run on the promoted working copy, and the dispatchers that pick one from a parameter block.
//
// Coefficient n of a KERNEL weighs the neighbour at column (n / 3) - 1 and row (n % 3) - 1 of the buffer,
// rows counted in buffer order. A palette image's working copy runs the other way up from a true-colour
// image's rows, so a compass kernel answers the vertically mirrored direction there; that is how these
// filters have always behaved on palette images, and it is kept.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "ivorel/processing/neighbourhood_filters.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/row_bands.h"
#include "platform/core/cursor.h"

using ivorel::Outcome;

namespace {

const char kSharpening[] = "The sharpening filter tends to enhance image focus.";
const char kSoftening[] = "The softening filter helps remove noise from images.";
const char kVertical[] = "This operation enhances image edges that are primarily vertical.";
const char kHorizontal[] = "This operation enhances image edges that are primarily horizontal.";

struct FixedKernel {
  KERNEL kernel;
  int strength;
  const char* text;
};

enum KernelId {
  kHighPass1,
  kHighPass2,
  kHighPass3,
  kLowPass1,
  kLowPass2,
  kLowPass3,
  kNorth,
  kNorthEast,
  kEast,
  kSouthEast,
  kSouth,
  kSouthWest,
  kWest,
  kNorthWest,
};

const FixedKernel kFixed[] = {
    {{{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1}, 3, kSharpening},
    {{{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1}, 3, kSharpening},
    {{{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1}, 3, kSharpening},
    {{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}, 3, kSoftening},
    {{{1, 1, 1, 1, 2, 1, 1, 1, 1}, 10}, 3, kSoftening},
    {{{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}, 3, kSoftening},
    {{{1, 1, 1, 1, -2, 1, -1, -1, -1}, 1}, 5, kVertical},
    {{{1, 1, 1, -1, -2, 1, -1, -1, 1}, 1}, 5, "This operation enhances north easterly image edges."},
    {{{-1, 1, 1, -1, -2, 1, -1, 1, 1}, 1}, 5, kHorizontal},
    {{{-1, -1, 1, -1, -2, 1, 1, 1, 1}, 1}, 5, "This operation enhances south easterly image edges."},
    {{{-1, -1, -1, 1, -2, 1, 1, 1, 1}, 1}, 5, kVertical},
    {{{1, -1, -1, 1, -2, -1, 1, 1, 1}, 1}, 5, "This operation enhances south westerly image edges."},
    {{{1, 1, -1, 1, -2, -1, 1, 1, -1}, 1}, 5, kHorizontal},
    {{{1, 1, 1, 1, -2, -1, 1, -1, -1}, 1}, 5, "This operation enhances north westerly image edges."},
};

// One row of the interior, bytes [from, to): `up`, `mid` and `down` are the unfiltered rows y - 1, y, y + 1.
// The divisor is a template constant where it is one of the fixed kernels', so that the division becomes
// a multiplication the compiler can vectorise; Div 0 divides by `divisor` at run time.
template <typename Acc, int Div, bool Mix>
inline __attribute__((always_inline)) void kernel_row(const unsigned char* up, const unsigned char* mid,
                                                      const unsigned char* down, unsigned char* out, int from,
                                                      int to, const int* c, int divisor, int strength) {
  const Acc c0 = c[0], c1 = c[1], c2 = c[2], c3 = c[3], c4 = c[4], c5 = c[5], c6 = c[6], c7 = c[7], c8 = c[8];
  for (int i = from; i < to; ++i) {
    Acc s = c0 * up[i - 3] + c1 * mid[i - 3] + c2 * down[i - 3] + c3 * up[i] + c4 * mid[i] + c5 * down[i] +
            c6 * up[i + 3] + c7 * mid[i + 3] + c8 * down[i + 3];
    if constexpr (Div == 0) {
      s /= divisor;
    } else if constexpr (Div != 1) {
      s /= Div;
    }
    if constexpr (Mix) {
      const Acc p = mid[i];
      s = p + (s - p) * strength / 10;
    }
    out[i] = static_cast<unsigned char>(s < 0 ? 0 : s > 255 ? 255 : s);
  }
}

// Kernels whose sums or strength mixes could leave 32 bits: each step checked, the result the same as
// exact arithmetic would give after clamping.
void kernel_row_wide(const unsigned char* up, const unsigned char* mid, const unsigned char* down,
                     unsigned char* out, int from, int to, const int* c, int divisor, int strength) {
  for (int i = from; i < to; ++i) {
    const unsigned char* rows[3] = {up, mid, down};
    std::int64_t s = 0;
    for (int n = 0; n < 9; ++n) s += static_cast<std::int64_t>(c[n]) * rows[n % 3][i + 3 * (n / 3 - 1)];
    s /= divisor;
    if (strength != 10) {
      const std::int64_t p = mid[i];
      const std::int64_t d = s - p;
      // |d| * |strength| above 2^62 is far beyond the byte range either way.
      if (d != 0 && std::abs(d) > (std::int64_t{1} << 62) /
                                      std::max<std::int64_t>(1, std::abs(std::int64_t{strength}))) {
        s = (d > 0) == (strength > 0) ? 255 : 0;
      } else {
        s = p + d * strength / 10;
      }
    }
    out[i] = ivorel::clamp_byte(s);
  }
}

using RowFunction = void (*)(const unsigned char*, const unsigned char*, const unsigned char*, unsigned char*,
                             int, int, const int*, int, int);

template <int Div, bool Mix>
__attribute__((target_clones("avx2", "default"))) void narrow_row(const unsigned char* up,
                                                                  const unsigned char* mid,
                                                                  const unsigned char* down,
                                                                  unsigned char* out, int from, int to,
                                                                  const int* c, int divisor, int strength) {
  kernel_row<std::int32_t, Div, Mix>(up, mid, down, out, from, to, c, divisor, strength);
}

template <bool Mix>
RowFunction narrow_row_for(int divisor) {
  switch (divisor) {
    case 1:
      return narrow_row<1, Mix>;
    case 9:
      return narrow_row<9, Mix>;
    case 10:
      return narrow_row<10, Mix>;
    case 16:
      return narrow_row<16, Mix>;
    default:
      return narrow_row<0, Mix>;
  }
}

// The row function for a kernel: 32-bit sums when every intermediate fits them.
RowFunction row_function(const KERNEL& kernel, int divisor, int strength) {
  std::int64_t weight = 0;
  for (int c : kernel.element) weight += std::abs(static_cast<std::int64_t>(c));
  const std::int64_t sum = weight * 255;
  const std::int64_t mixed = (sum + 255) * std::abs(static_cast<std::int64_t>(strength));
  const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  if (sum > limit || mixed > limit) return kernel_row_wide;
  return strength == 10 ? narrow_row_for<false>(divisor) : narrow_row_for<true>(divisor);
}

}  // namespace

namespace ivorel {

bool convolve_kernel(unsigned char* image, std::size_t stride, int width, int height, const KERNEL& kernel,
                     int strength, const RowProgress& progress) {
  if (width < 3 || height < 3) {
    std::memset(image, 0, stride * static_cast<std::size_t>(std::max(height, 0)));
    return true;
  }
  // A divisor of 0 would divide by zero; it means no division, like 1.
  const int divisor = kernel.divisor == 0 ? 1 : kernel.divisor;
  const RowFunction row = row_function(kernel, divisor, strength);
  const int bands = band_count(height - 2, stride);
  // Each band keeps the unfiltered rows it reads in three rolling copies, plus copies of the rows on
  // either side of it, which the neighbouring bands overwrite.
  std::vector<unsigned char> scratch;
  try {
    scratch.resize(static_cast<std::size_t>(bands) * 5 * stride);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const auto rowAt = [&](int y) { return image + static_cast<std::size_t>(y) * stride; };
  const auto bandRow = [&](int band, int slot) { return scratch.data() + (band * 5 + slot) * stride; };
  const int interiorRows = height - 2;
  const auto bandStart = [&](int i) {
    return 1 + static_cast<int>(static_cast<long long>(interiorRows) * i / bands);
  };
  for (int i = 0; i < bands; ++i) {
    std::memcpy(bandRow(i, 3), rowAt(bandStart(i) - 1), stride);
    std::memcpy(bandRow(i, 4), rowAt(bandStart(i + 1)), stride);
  }
  const int lastByte = 3 * (width - 1);
  run_row_bands(1, height - 1, bands, [&](int band, int from, int to) {
    unsigned char* ring[3] = {bandRow(band, 0), bandRow(band, 1), bandRow(band, 2)};
    std::memcpy(ring[0], rowAt(from), stride);
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, height - 2));
      const unsigned char* up = y == from ? bandRow(band, 3) : ring[(y - 1 - from) % 3];
      const unsigned char* mid = ring[(y - from) % 3];
      unsigned char* down = ring[(y + 1 - from) % 3];
      if (y + 1 == to) {
        down = bandRow(band, 4);
      } else {
        std::memcpy(down, rowAt(y + 1), stride);
      }
      unsigned char* out = rowAt(y);
      row(up, mid, down, out, 3, lastByte, kernel.element, divisor, strength);
      std::memset(out, 0, 3);
      std::memset(out + lastByte, 0, stride - lastByte);
    }
  });
  std::memset(rowAt(0), 0, stride);
  std::memset(rowAt(height - 1), 0, stride);
  return true;
}

}  // namespace ivorel

int TProcessImage::ConvoluteImage(KERNEL* kernel, int defaultStrength, char* text) {
  if (!init24BitAlg()) {
    SetOutcome(Outcome::Failed);
    return 0;
  }
  const int done = doConvoluteImage(kernel, defaultStrength, text);
  if (!done) {
    // Cancelled or short of memory: the image goes back to its own pixels untouched, instead of through
    // the colour reduction.
    ReleaseWorkingCopy();
    return 0;
  }
  exit24BitAlg();
  return done;
}

int TProcessImage::doConvoluteImage(KERNEL* kernel, int defaultStrength, char* text) {
  int strength = defaultStrength;
  if (procData_) {
    strength = procData_->words[1];
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::FilterControl;
    request.description = text ? text : "";
    request.integers[0] = defaultStrength;
    if (!ivorel::ask_parameters(request, window_)) {
      SetOutcome(Outcome::Declined);
      return 0;
    }
    strength = request.integers[0].value_or(defaultStrength);
    UpdateAfterDialog();
  }
  pcore::WaitCursor wait;
  if (!kernel || !imageData_ || bitsPerPixel_ != 24) {
    SetOutcome(Outcome::Failed);
    return 0;
  }
  const bool done =
      ivorel::convolve_kernel(imageData_, rowBytes24_, width_, height_, *kernel, strength,
                              [this](int row) { ProgressCursor(0, height_ - 3, row, "Convolute"); });
  if (!done) {
    ReportNoMemory("No memory available for image operation");
    SetOutcome(Outcome::Failed);
    return 0;
  }
  SetOutcome(Outcome::Ran);
  return 1;
}

namespace {

// A fixed kernel's arguments for ConvoluteImage, in copies it may write to.
class Fixed {
 public:
  explicit Fixed(KernelId id)
      : kernel_(kFixed[id].kernel), strength_(kFixed[id].strength), text_(kFixed[id].text) {}
  KERNEL* kernel() { return &kernel_; }
  int strength() const { return strength_; }
  char* text() { return text_.data(); }

 private:
  KERNEL kernel_;
  int strength_;
  std::string text_;
};

}  // namespace

void TProcessImage::HighPass1() {
  Fixed f(kHighPass1);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::HighPass2() {
  Fixed f(kHighPass2);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::HighPass3() {
  Fixed f(kHighPass3);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::LowPass1() {
  Fixed f(kLowPass1);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::LowPass2() {
  Fixed f(kLowPass2);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::LowPass3() {
  Fixed f(kLowPass3);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::NorthEdges() {
  Fixed f(kNorth);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::NorthEastEdges() {
  Fixed f(kNorthEast);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::EastEdges() {
  Fixed f(kEast);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::SouthEastEdges() {
  Fixed f(kSouthEast);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::SouthEdges() {
  Fixed f(kSouth);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::SouthWestEdges() {
  Fixed f(kSouthWest);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::WestEdges() {
  Fixed f(kWest);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

void TProcessImage::NorthWestEdges() {
  Fixed f(kNorthWest);
  ConvoluteImage(f.kernel(), f.strength(), f.text());
}

namespace {

using KernelOperation = void (TProcessImage::*)();

// The kernel that word 2 of the block numbers 1, 2 or 3; null without a block or for another number.
KernelOperation numbered(const _IMAGE_PROC_DATA* block, const KernelOperation (&kernels)[3]) {
  const int n = block ? block->words[2] : 0;
  return n >= 1 && n <= 3 ? kernels[n - 1] : nullptr;
}

}  // namespace

void TProcessImageEx::HighPassHelper() {
  const KernelOperation op =
      numbered(procData_, {&TProcessImage::HighPass1, &TProcessImage::HighPass2, &TProcessImage::HighPass3});
  if (!op) return SetOutcome(Outcome::Declined);
  (this->*op)();
}

void TProcessImageEx::LowPassHelper() {
  const KernelOperation op =
      numbered(procData_, {&TProcessImage::LowPass1, &TProcessImage::LowPass2, &TProcessImage::LowPass3});
  if (!op) return SetOutcome(Outcome::Declined);
  (this->*op)();
}

void TProcessImageEx::EdgeEnhanceHelper() {
  if (!procData_) return SetOutcome(Outcome::Declined);
  const int h = procData_->words[2], v = procData_->words[3];
  if (h < -1 || h > 1 || v < -1 || v > 1) return SetOutcome(Outcome::Declined);
  if (h == 0 && v == 0) {
    // No direction: only a repaint.
    InvalidateRect(window_, nullptr, 1);
    UpdateWindow(window_);
    return SetOutcome(Outcome::Ran);
  }
  // Indexed by (h + 1) * 3 + (v + 1).
  const KernelOperation compass[9] = {
      &TProcessImage::SouthWestEdges,
      &TProcessImage::WestEdges,
      &TProcessImage::NorthWestEdges,
      &TProcessImage::SouthEdges,
      nullptr,
      &TProcessImage::NorthEdges,
      &TProcessImage::SouthEastEdges,
      &TProcessImage::EastEdges,
      &TProcessImage::NorthEastEdges,
  };
  (this->*compass[(h + 1) * 3 + (v + 1)])();
}
