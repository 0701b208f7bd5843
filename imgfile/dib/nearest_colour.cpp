#include "imgfile/dib/nearest_colour.h"

#include <algorithm>
#include <climits>

namespace codaxe::dib {
namespace {

constexpr unsigned kCacheBits = 14;

std::uint32_t cache_slot(std::uint32_t colour) {
  return (colour * 2654435761u) >> (32 - kCacheBits);
}

}  // namespace

NearestColour::NearestColour(std::span<const RGBQUAD> table)
    : cachedColour_(std::size_t{1} << kCacheBits, 0), cachedIndex_(std::size_t{1} << kCacheBits, 0) {
  byGreen_.reserve(table.size());
  for (unsigned i = 0; i < table.size(); ++i) {
    byGreen_.push_back(Entry{table[i].rgbGreen, table[i].rgbRed, table[i].rgbBlue, i});
  }
  std::stable_sort(byGreen_.begin(), byGreen_.end(),
                   [](const Entry& a, const Entry& b) { return a.green < b.green; });
}

std::uint8_t NearestColour::search(std::uint8_t blue, std::uint8_t green, std::uint8_t red) const {
  unsigned best = UINT_MAX;
  unsigned bestIndex = 0;
  auto consider = [&](const Entry& e, int dg) {
    int dr = e.red - red;
    int db = e.blue - blue;
    unsigned d = static_cast<unsigned>(dr * dr + dg * dg + db * db);
    if (d < best || (d == best && e.index < bestIndex)) {
      best = d;
      bestIndex = e.index;
    }
  };
  // Entries whose green difference alone exceeds the best distance cannot win or tie.
  auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), green,
                                [](const Entry& e, int g) { return e.green < g; });
  for (auto it = start; it != byGreen_.end(); ++it) {
    int dg = it->green - green;
    if (static_cast<unsigned>(dg * dg) > best) break;
    consider(*it, dg);
  }
  for (auto it = start; it != byGreen_.begin();) {
    --it;
    int dg = green - it->green;
    if (static_cast<unsigned>(dg * dg) > best) break;
    consider(*it, dg);
  }
  return static_cast<std::uint8_t>(bestIndex);
}

std::uint8_t NearestColour::operator()(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  const std::uint32_t colour = std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue;
  const std::uint32_t slot = cache_slot(colour);
  if (cachedColour_[slot] == colour + 1) return cachedIndex_[slot];
  std::uint8_t index = search(blue, green, red);
  cachedColour_[slot] = colour + 1;
  cachedIndex_[slot] = index;
  return index;
}

void NearestColour::map_row(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, bgr += 3) indices[x] = (*this)(bgr[0], bgr[1], bgr[2]);
}

}  // namespace codaxe::dib
