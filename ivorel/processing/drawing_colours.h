// The first and second colour (pen and brush): module-wide colour values with red in the low byte
// (0x00BBGGRR), black until the colour pane, the palette editor or a painting tool sets them. Operations that
// fill with "the first colour" read them here.
#pragma once

#include <cstdint>

#include "imgfile/codaxe.h"

namespace ivorel {

std::uint32_t first_colour();
std::uint32_t second_colour();
void set_first_colour(std::uint32_t colour);
void set_second_colour(std::uint32_t colour);

inline RGBCOLOR colour_triple(std::uint32_t colour) {
  return RGBCOLOR{static_cast<unsigned char>(colour & 0xFF), static_cast<unsigned char>(colour >> 8 & 0xFF),
                  static_cast<unsigned char>(colour >> 16 & 0xFF)};
}

}  // namespace ivorel
