// Maps colours to the closest entry of a colour table of up to 256 entries: smallest squared distance in
// RGB, the lowest index among equally close entries.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/core/dib_types.h"

namespace codaxe::dib {

class NearestColour {
 public:
  explicit NearestColour(std::span<const RGBQUAD> table);
  // Remembers recent answers; photographs repeat colours far more often than a search is cheap.
  std::uint8_t operator()(std::uint8_t blue, std::uint8_t green, std::uint8_t red);
  std::uint8_t search(std::uint8_t blue, std::uint8_t green, std::uint8_t red) const;
  // `width` blue-green-red triples to indices.
  void map_row(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t width);

 private:
  struct Entry {
    int green;
    int red;
    int blue;
    unsigned index;
  };
  std::vector<Entry> byGreen_;  // sorted by green, so a search can stop once green alone is too far
  std::vector<std::uint32_t> cachedColour_;  // colour + 1; 0 marks an empty slot
  std::vector<std::uint8_t> cachedIndex_;
};

}  // namespace codaxe::dib
