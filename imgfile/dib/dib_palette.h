// The palette a packed DIB implies: its own colour table, or for true-colour images without one the 256
// most frequent colours at 5-6-5 precision.
#pragma once

#include <optional>
#include <vector>

#include "imgfile/dib/dib_layout.h"
#include "platform/core/device_bitmap.h"

namespace codaxe::dib {

using Palette = std::vector<PALETTEENTRY>;

// The 8 x 8 x 4 colour cube used when an image's colours cannot be counted.
Palette colour_cube_palette();

// nullopt for core headers, depths without a palette and true-colour images whose rows are missing.
std::optional<Palette> dib_palette(const Layout& layout);

}  // namespace codaxe::dib
