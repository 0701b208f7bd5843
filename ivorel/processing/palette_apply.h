// Colouring a palette image with another palette, by replacing its palette or by matching its colours to
// the other's by brightness: the palette window's "Apply" buttons and `imgtools apply --palette` both come
// here.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "imgfile/codaxe.h"

class ImageDescriptorAndDisplayObj;

namespace ivorel {

using ColourTable = std::array<RGBCOLOR, 256>;

// PseudoColor's mode word: 1 matches by brightness, anything else replaces.
inline constexpr int kPseudoColourMatch = 1;
inline constexpr int kPseudoColourReplace = 2;

// The full 256-entry table PseudoColor reads, from a palette of `count` entries (1 ... 256). Entries past
// the count repeat the palette from its start: the match looks at every entry of the table, and the
// entries a short palette lacks must not bring in colours it never had.
ColourTable colour_table_of(const RGBCOLOR* palette, int count);

// Runs PseudoColor with `table` on `target` in `mode`, handing the mode over through the target's processing
// parameter reference, which is cleared afterwards. True when it ran (a palette image); a true-colour
// image is left alone. The processor saves the target window's undo data as every operation does.
bool apply_colour_table(ImageDescriptorAndDisplayObj& target, const ColourTable& table, int mode);

// The table the registry's PseudoColor uses when its caller set none (`imgtools apply --palette`); without
// one the built-in table is used.
void set_operation_palette(const std::optional<ColourTable>& table);
RGBCOLOR* operation_palette();

// A palette file in the JASC text form ("JASC-PAL", "0100", the count, then one "R G B" line an entry).
// False with `error` saying why for anything else, a count outside 1 ... 256, a value outside 0 ... 255
// or fewer lines than the count.
bool parse_palette_text(const std::string& text, ColourTable& table, int& count, std::string& error);

}  // namespace ivorel
