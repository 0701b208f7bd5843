// TProcessImage::Quantize: median-cut reduction of a 24-bit image to at most N colours.
//
// Colours are counted in a 64 x 64 x 64 histogram (6 bits a channel); boxes of that cube are split at the
// median of their longest side, largest box first, until there are N. The histogram is the only large
// scratch memory: once the boxes are known it is overwritten with each bin's palette index, and the pixels
// are mapped straight into the result's own block.
#include <algorithm>
#include <array>
#include <cstring>

#include "ivorel/processing/operation_support.h"
#include "platform/core/cursor.h"

namespace {

constexpr int kSide = 64;
constexpr std::size_t kBins = kSide * kSide * kSide;
constexpr std::uint32_t kUnassigned = 0xFFFFFFFFu;

// Bin of a stored pixel: byte 2 (red) is axis 0, byte 1 axis 1, byte 0 (blue) axis 2.
inline std::size_t bin_of(const unsigned char* p) {
  return static_cast<std::size_t>(p[2] >> 2) << 12 | static_cast<std::size_t>(p[1] >> 2) << 6 | (p[0] >> 2);
}

struct Box {
  std::array<std::uint16_t, 3> lo{};
  std::array<std::uint16_t, 3> hi{};
  std::uint32_t count = 0;
};

class Histogram {
 public:
  explicit Histogram(std::uint32_t* bins) : bins_(bins) {}

  // Calls f(bin index, r, g, b) for every bin of the box.
  template <typename F>
  void each(const std::array<std::uint16_t, 3>& lo, const std::array<std::uint16_t, 3>& hi, F f) const {
    for (unsigned r = lo[0]; r <= hi[0]; ++r)
      for (unsigned g = lo[1]; g <= hi[1]; ++g) {
        const std::size_t row = r << 12 | g << 6;
        for (unsigned b = lo[2]; b <= hi[2]; ++b) f(row | b, r, g, b);
      }
  }

  // Pixels of the box's slice at coordinate c of an axis.
  std::uint64_t slice(const Box& box, int axis, unsigned c) const {
    auto lo = box.lo, hi = box.hi;
    lo[axis] = hi[axis] = static_cast<std::uint16_t>(c);
    std::uint64_t sum = 0;
    each(lo, hi, [&](std::size_t i, unsigned, unsigned, unsigned) { sum += bins_[i]; });
    return sum;
  }

  void shrink(Box& box) const {
    for (int axis = 0; axis < 3; ++axis) {
      while (box.lo[axis] < box.hi[axis] && slice(box, axis, box.lo[axis]) == 0) ++box.lo[axis];
      while (box.hi[axis] > box.lo[axis] && slice(box, axis, box.hi[axis]) == 0) --box.hi[axis];
    }
  }

  // Count-weighted mean coordinates, red, green, blue in 6-bit units.
  RGBCOLOR mean(const Box& box) const {
    std::uint64_t sum[3] = {};
    each(box.lo, box.hi, [&](std::size_t i, unsigned r, unsigned g, unsigned b) {
      sum[0] += std::uint64_t{bins_[i]} * r;
      sum[1] += std::uint64_t{bins_[i]} * g;
      sum[2] += std::uint64_t{bins_[i]} * b;
    });
    if (box.count == 0) return {0, 0, 0};
    auto level = [&](int a) {
      return static_cast<unsigned char>(std::min<std::uint64_t>(sum[a] / box.count, 255));
    };
    return {level(0), level(1), level(2)};
  }

  std::uint32_t* bins_;
};

// Splits boxes until there are `wanted` or none can be split; returns how many there are.
int cut(const Histogram& h, std::array<Box, 256>& boxes, int wanted) {
  int count = 1;
  while (count < wanted) {
    int chosen = -1;
    std::uint32_t largest = 0;
    for (int i = 0; i < count; ++i) {
      const Box& b = boxes[i];
      const bool splittable = b.lo[0] < b.hi[0] || b.lo[1] < b.hi[1] || b.lo[2] < b.hi[2];
      if (splittable && b.count > largest) {
        largest = b.count;
        chosen = i;
      }
    }
    if (chosen < 0) break;
    Box& old = boxes[chosen];
    int axis = 0;
    for (int a = 1; a < 3; ++a)
      if (old.hi[a] - old.lo[a] > old.hi[axis] - old.lo[axis]) axis = a;
    int slot = count;
    for (int i = 0; i < count; ++i)
      if (boxes[i].count == 0) {
        slot = i;
        break;
      }
    std::uint64_t total = 0;
    unsigned c = old.lo[axis];
    for (; c <= old.hi[axis]; ++c) {
      total += h.slice(old, axis, c);
      if (total > old.count / 2) break;
    }
    if (c >= old.hi[axis]) {
      c = old.hi[axis];
      total -= h.slice(old, axis, c);
      --c;
    }
    Box fresh = old;
    fresh.lo[axis] = static_cast<std::uint16_t>(c + 1);
    fresh.count = static_cast<std::uint32_t>(old.count - total);
    old.hi[axis] = static_cast<std::uint16_t>(c);
    old.count = static_cast<std::uint32_t>(total);
    h.shrink(old);
    h.shrink(fresh);
    boxes[slot] = fresh;
    if (slot == count) ++count;
  }
  return count;
}

unsigned nearest(const RGBCOLOR* palette, int entries, std::size_t bin) {
  const int r = static_cast<int>(bin >> 12), g = static_cast<int>(bin >> 6 & 63),
            b = static_cast<int>(bin & 63);
  unsigned best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < entries; ++i) {
    const int dr = palette[i].red - r, dg = palette[i].green - g, db = palette[i].blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<unsigned>(i);
    }
  }
  return best;
}

}  // namespace

void TProcessImage::Quantize() {
  SetOutcome(ivorel::Outcome::Declined);
  if (!image_ || !imageData_ || bitsPerPixel_ != 24) return;
  int wanted = 256;
  if (procData_) {
    wanted = procData_->words[1];
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::QuantizeControl;
    request.integers[0] = 256;
    if (!ivorel::ask_parameters(request, window_)) return;
    UpdateAfterDialog();
    wanted = request.integers[0].value_or(256);
  }
  // The palette and the box table hold 256 entries.
  if (wanted < 1 || wanted > 256) return;

  pcore::RestoringWaitCursor wait;
  pcore::OwnedBlock histogramBlock(GlobalAlloc(kBins * sizeof(std::uint32_t)));
  pcore::BlockLock histogramLock(histogramBlock.get());
  if (!histogramLock.data()) {
    ReportNoMemory("Error quantizing image");
    return SetOutcome(ivorel::Outcome::Failed);
  }
  auto* bins = reinterpret_cast<std::uint32_t*>(histogramLock.data());
  const Histogram h(bins);
  for (unsigned y = 0; y < height_; ++y) {
    const unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
    for (unsigned x = 0; x < width_; ++x, p += 3) ++bins[bin_of(p)];
  }

  std::array<Box, 256> boxes{};
  boxes[0].hi = {kSide - 1, kSide - 1, kSide - 1};
  boxes[0].count = static_cast<std::uint32_t>(std::uint64_t{width_} * height_);
  h.shrink(boxes[0]);
  const int count = cut(h, boxes, wanted);

  // Darkest first; the sort is stable, as the exchange sort it replaces was.
  std::array<RGBCOLOR, 256> colours{};
  for (int i = 0; i < count; ++i) colours[i] = h.mean(boxes[i]);
  std::array<int, 256> order{};
  for (int i = 0; i < count; ++i) order[i] = i;
  auto key = [&](int i) { return 30 * colours[i].red + 59 * colours[i].green + 11 * colours[i].blue; };
  std::stable_sort(order.begin(), order.begin() + count, [&](int a, int b) { return key(a) < key(b); });
  RGBCOLOR palette[256] = {};
  for (int j = 0; j < count; ++j) palette[j] = colours[order[j]];

  std::fill(bins, bins + kBins, kUnassigned);
  for (int j = 0; j < count; ++j)
    h.each(boxes[order[j]].lo, boxes[order[j]].hi,
           [&](std::size_t i, unsigned, unsigned, unsigned) { bins[i] = static_cast<std::uint32_t>(j); });

  const std::uint32_t outStride = rowBytes8_;
  const std::uint64_t size = std::uint64_t{outStride} * height_;
  unsigned char* out = nullptr;
  HGLOBAL block = ivorel::new_pixel_block(size, out);
  if (!block) {
    ReportNoMemory("No memory for copying quantized image");
    return SetOutcome(ivorel::Outcome::Failed);
  }
  for (unsigned y = 0; y < height_; ++y) {
    const unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
    unsigned char* o = out + static_cast<std::size_t>(y) * outStride;
    for (unsigned x = 0; x < width_; ++x, p += 3) {
      const std::size_t b = bin_of(p);
      if (bins[b] == kUnassigned) bins[b] = nearest(palette, count, b);
      o[x] = static_cast<unsigned char>(bins[b]);
    }
  }

  int brightest = 0;
  for (const RGBCOLOR& c : palette) brightest = std::max({brightest, int{c.red}, int{c.green}, int{c.blue}});
  if (brightest == 0) brightest = 255;
  for (RGBCOLOR& c : palette) {
    c.red = static_cast<unsigned char>(c.red * 255 / brightest);
    c.green = static_cast<unsigned char>(c.green * 255 / brightest);
    c.blue = static_cast<unsigned char>(c.blue * 255 / brightest);
  }
  InstallNewDepth(block, out, static_cast<std::uint32_t>(size), 8, static_cast<unsigned short>(wanted),
                  palette);
}
