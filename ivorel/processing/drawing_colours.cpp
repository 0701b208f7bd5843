#include "ivorel/processing/drawing_colours.h"

namespace ivorel {

namespace {
std::uint32_t firstColour = 0;
std::uint32_t secondColour = 0;
}  // namespace

std::uint32_t first_colour() {
  return firstColour;
}
std::uint32_t second_colour() {
  return secondColour;
}
void set_first_colour(std::uint32_t colour) {
  firstColour = colour & 0xFFFFFF;
}
void set_second_colour(std::uint32_t colour) {
  secondColour = colour & 0xFFFFFF;
}

}  // namespace ivorel
