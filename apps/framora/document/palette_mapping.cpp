#include "apps/framora/document/palette_mapping.h"

#include <algorithm>
#include <cstdint>

#include "imgfile/fixed_palette.h"

namespace framora {

namespace {

// The entry nearest a colour in summed squared differences, the lowest index winning ties; one entry may be
// left out. Colours already asked for are remembered, since frames repeat their colours endlessly.
class NearestEntry {
 public:
  NearestEntry(const RGBCOLOR* palette, int count, int excluded)
      : palette_(palette), count_(count), excluded_(excluded), keys_(kSlots, kEmpty), values_(kSlots) {}

  unsigned char operator()(int red, int green, int blue) {
    const std::uint32_t key = std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | std::uint32_t(blue);
    const std::uint32_t slot = (key * 2654435761u) >> (32 - kSlotBits);
    if (keys_[slot] != key) {
      keys_[slot] = key;
      values_[slot] = search(red, green, blue);
    }
    return values_[slot];
  }

 private:
  static constexpr int kSlotBits = 14;
  static constexpr std::uint32_t kSlots = 1u << kSlotBits;
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};

  unsigned char search(int red, int green, int blue) const {
    int best = -1, bestDistance = 0;
    for (int i = 0; i < count_; ++i) {
      if (i == excluded_) continue;
      const int dr = palette_[i].red - red, dg = palette_[i].green - green, db = palette_[i].blue - blue;
      const int d = dr * dr + dg * dg + db * db;
      if (best < 0 || d < bestDistance) {
        best = i;
        bestDistance = d;
      }
    }
    return static_cast<unsigned char>(std::max(best, 0));
  }

  const RGBCOLOR* palette_;
  int count_;
  int excluded_;
  std::vector<std::uint32_t> keys_;
  std::vector<unsigned char> values_;
};

// One stored row as red, green, blue triples, with a flag for each transparent pixel.
class RowReader {
 public:
  RowReader(const ImageFrame& f, const RGBCOLOR* transparentColour)
      : f_(f), stride_(dib_stride(f.width, f.bitsPerPixel)), transparent_(transparentColour) {}

  void read(unsigned y, std::vector<int>& rgb, std::vector<unsigned char>& clear) const {
    const unsigned char* row = f_.pixels + std::size_t{y} * stride_;
    const unsigned bits = f_.bitsPerPixel;
    for (unsigned x = 0; x < f_.width; ++x) {
      RGBCOLOR c;
      bool isClear;
      if (bits == 24) {
        c = RGBCOLOR{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        isClear = transparent_ && c.red == transparent_->red && c.green == transparent_->green &&
                  c.blue == transparent_->blue;
      } else {
        const unsigned perByte = 8 / bits;
        const unsigned shift = 8 - bits * (1 + x % perByte);
        const unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
        c = f_.palette[index];
        isClear = transparent_ && index == f_.transparentIndex;
      }
      rgb[3 * x] = c.red;
      rgb[3 * x + 1] = c.green;
      rgb[3 * x + 2] = c.blue;
      clear[x] = isClear;
    }
  }

 private:
  const ImageFrame& f_;
  std::size_t stride_;
  const RGBCOLOR* transparent_;
};

inline void add_clamped(int& v, int delta) {
  v = std::clamp(v + delta, 0, 255);
}

}  // namespace

bool map_to_palette(const ImageFrame& frame, const RGBCOLOR* palette, int count, PaletteMapping mapping,
                    MappedFrame& out) {
  const unsigned bits = frame.bitsPerPixel;
  if (count < 1 || count > 256 || !frame.pixels || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
    return false;
  const unsigned width = frame.width, height = frame.height;
  const std::size_t stride = dib_stride(width, 8);
  out.rows.assign(stride * height, 0);
  out.transparentIndex = -1;

  // The transparent colour takes its nearest entry for itself; the opaque pixels choose among the others.
  RGBCOLOR clearColour{};
  const bool hasClear = frame.transparent != 0;
  if (hasClear) {
    clearColour =
        bits == 24 ? codaxe::fixed_palette()[frame.transparentIndex] : frame.palette[frame.transparentIndex];
    out.transparentIndex =
        NearestEntry(palette, count, -1)(clearColour.red, clearColour.green, clearColour.blue);
  }
  NearestEntry nearest(palette, count, count > 1 ? out.transparentIndex : -1);
  const RowReader reader(frame, hasClear ? &clearColour : nullptr);

  // Error diffusion as the fixed-palette dither does it: rows in stored order, a quarter of each channel's
  // error to the pixel below and twice that to the right neighbour. Transparent pixels neither take nor pass
  // on any error.
  const bool diffuse = mapping == PaletteMapping::Dither;
  std::vector<int> current(3 * std::size_t{width}), next(3 * std::size_t{width});
  std::vector<unsigned char> currentClear(width), nextClear(width);
  if (height) reader.read(0, current, currentClear);
  for (unsigned y = 0; y < height; ++y) {
    if (y + 1 < height) reader.read(y + 1, next, nextClear);
    unsigned char* o = out.rows.data() + std::size_t{y} * stride;
    for (unsigned x = 0; x < width; ++x) {
      if (currentClear[x]) {
        o[x] = static_cast<unsigned char>(out.transparentIndex);
        continue;
      }
      int* c = &current[3 * std::size_t{x}];
      const unsigned char index = nearest(c[0], c[1], c[2]);
      o[x] = index;
      if (!diffuse) continue;
      const int error[3] = {(c[0] - palette[index].red) >> 2, (c[1] - palette[index].green) >> 2,
                            (c[2] - palette[index].blue) >> 2};
      for (int k = 0; k < 3; ++k) {
        if (y + 1 < height && !nextClear[x]) add_clamped(next[3 * std::size_t{x} + k], error[k]);
        if (x + 1 < width && !currentClear[x + 1]) add_clamped(c[3 + k], 2 * error[k]);
      }
    }
    current.swap(next);
    currentClear.swap(nextClear);
  }
  return true;
}

}  // namespace framora
