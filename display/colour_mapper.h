// What a device context shows for a colour: the colour itself on true-colour screens, the nearest entry of
// the selected palette on palette screens.
#pragma once

#include <cstdint>
#include <optional>

#include "display/device_context.h"
#include "imgfile/dib/nearest_colour.h"

namespace draw {

inline std::uint32_t pack_rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 | blue;
}

class ColourMapper {
 public:
  explicit ColourMapper(const DeviceContext& dc);
  std::uint32_t operator()(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (!nearest_) return pack_rgb(red, green, blue);
    const PALETTEENTRY& e = (*entries_)[(*nearest_)(blue, green, red)];
    return pack_rgb(e.peRed, e.peGreen, e.peBlue);
  }

 private:
  const std::vector<PALETTEENTRY>* entries_ = nullptr;
  std::optional<codaxe::dib::NearestColour> nearest_;
};

}  // namespace draw
