#include "imgfile/dib/dib_palette.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "imgfile/codaxe.h"
#include "imgfile/dib/dib_masks.h"
#include "platform/core/cursor.h"

namespace codaxe::dib {
namespace {

constexpr std::size_t kKeys = 65536;
constexpr std::size_t kPaletteSize = 256;

std::uint16_t colour_key(unsigned red, unsigned green, unsigned blue) {
  return static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

// Histogram channels are the mask's top 8 bits shifted up, without filling the low bits.
struct HistogramChannel {
  std::uint32_t mask;
  unsigned low;
  unsigned up;

  explicit HistogramChannel(MaskShape shape) {
    unsigned kept = std::min(shape.width, 8u);
    low = shape.low + (shape.width - kept);
    mask = ((std::uint32_t{1} << kept) - 1) << low;
    up = 8 - kept;
  }
  unsigned operator()(std::uint32_t pixel) const { return ((pixel & mask) >> low) << up; }
};

class Histogram {
 public:
  bool allocate() {
    counts_.reset(new (std::nothrow) std::uint16_t[kKeys]());
    return counts_ != nullptr;
  }
  void add(std::uint16_t key) {
    std::uint16_t& c = counts_[key];
    if (c != 0xFFFF) ++c;
  }
  // Largest counts first, lower keys first among equal counts; unseen keys fill the tail in key order.
  Palette most_frequent() const {
    // Packing (65535 - count, key) into one word makes plain ascending order the wanted order.
    std::vector<std::uint32_t> order(kKeys);
    for (std::size_t k = 0; k < kKeys; ++k)
      order[k] = (0xFFFFu - counts_[k]) << 16 | static_cast<std::uint32_t>(k);
    std::partial_sort(order.begin(), order.begin() + kPaletteSize, order.end());
    Palette palette(kPaletteSize);
    for (std::size_t i = 0; i < kPaletteSize; ++i) {
      unsigned key = order[i] & 0xFFFF;
      palette[i] = PALETTEENTRY{static_cast<std::uint8_t>((key >> 8) & 0xF8),
                                static_cast<std::uint8_t>((key >> 3) & 0xFC),
                                static_cast<std::uint8_t>((key << 3) & 0xF8), 0};
    }
    return palette;
  }

 private:
  std::unique_ptr<std::uint16_t[]> counts_;
};

// 16- and 32-bit pixels are counted as one run over the whole buffer, row padding included.
void count_masked(const Layout& l, Histogram& h, const HistogramChannel (&ch)[3]) {
  const std::size_t bytes = l.bits / 8;
  const std::uint64_t total = l.stride * static_cast<std::uint64_t>(l.height) / bytes;
  const unsigned char* p = l.pixels;
  for (std::uint64_t i = 0; i < total; ++i, p += bytes) {
    std::uint32_t v = bytes == 2 ? load_u16(p) : load_u32(p);
    h.add(colour_key(ch[0](v), ch[1](v), ch[2](v)));
  }
}

void count_bgr(const Layout& l, Histogram& h) {
  for (std::int64_t y = 0; y < l.height; ++y) {
    const unsigned char* p = l.pixels + static_cast<std::uint64_t>(y) * l.stride;
    for (std::int64_t x = 0; x < l.width; ++x, p += 3) h.add(colour_key(p[2], p[1], p[0]));
  }
}

Palette table_palette(const Layout& l) {
  Palette palette(l.colours);
  for (std::uint64_t i = 0; i < l.colours; ++i) {
    RGBQUAD q = l.colour(i);
    palette[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  return palette;
}

std::optional<Palette> counted_palette(const Layout& l) {
  if (!l.rows_present()) return std::nullopt;
  Histogram histogram;
  if (l.bits == 24) {
    if (!histogram.allocate()) return colour_cube_palette();
    count_bgr(l, histogram);
    return histogram.most_frequent();
  }
  auto r = contiguous_shape(l.masks.red);
  auto g = contiguous_shape(l.masks.green);
  auto b = contiguous_shape(l.masks.blue);
  if (!r || !g || !b || !histogram.allocate()) return colour_cube_palette();
  const HistogramChannel channels[3] = {HistogramChannel(*r), HistogramChannel(*g), HistogramChannel(*b)};
  count_masked(l, histogram, channels);
  return histogram.most_frequent();
}

}  // namespace

Palette colour_cube_palette() {
  Palette palette(kPaletteSize);
  for (unsigned i = 0; i < kPaletteSize; ++i) {
    palette[i] =
        PALETTEENTRY{static_cast<std::uint8_t>((i % 8) * 32), static_cast<std::uint8_t>(((i / 8) % 8) * 32),
                     static_cast<std::uint8_t>((i / 64) * 64), 0};
  }
  return palette;
}

std::optional<Palette> dib_palette(const Layout& l) {
  if (l.core) return std::nullopt;
  if (l.colours > 0) return table_palette(l);
  if (l.bits == 16 || l.bits == 24 || l.bits == 32) return counted_palette(l);
  return std::nullopt;
}

}  // namespace codaxe::dib

HPALETTE CreateDIBPalette(HGLOBAL dib) {
  using namespace codaxe::dib;
  if (!dib) return nullptr;
  pcore::BlockLock lock(dib);
  auto layout = parse_layout(lock.data(), lock.size());
  if (!layout || layout->core) return nullptr;
  // The header is left stating its table size, so later readers need not work it out again.
  codaxe::store_u32(lock.data() + offsetof(BITMAPINFOHEADER, biClrUsed),
                    static_cast<std::uint32_t>(layout->colours));
  pcore::WaitCursor wait;
  try {
    auto entries = dib_palette(*layout);
    if (!entries) return nullptr;
    auto* palette = new LogicalPalette;
    palette->entries = std::move(*entries);
    return palette;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
