// Bringing a frame onto a palette it does not have. The frame's pixels are mapped to the new palette's
// colours (never just given the new palette under their old indices, which would show other colours), and
// its transparent colour keeps an entry that no opaque pixel takes, so that transparency neither spreads nor
// gets lost.
#pragma once

#include <vector>

#include "apps/framora/document/framora_doc.h"

namespace framora {

struct MappedFrame {
  std::vector<unsigned char> rows;  // 8-bit rows, bottom-up, padded to 4 bytes
  int transparentIndex = -1;        // the entry transparent pixels took, or -1
};

// Maps the frame's pixels (1, 4, 8 or 24 bits) to the first `count` entries of `palette`. A 24-bit frame's
// transparent index names an entry of the fixed palette the GIF writer dithers it to. False for a frame of
// another depth or an empty palette.
bool map_to_palette(const ImageFrame& frame, const RGBCOLOR* palette, int count, PaletteMapping mapping,
                    MappedFrame& out);

}  // namespace framora
