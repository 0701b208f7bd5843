// The colour depth conversions. None has a toolkit tab: the editor runs them from its Image menu.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> depth_operations() {
  constexpr WordType I = WordType::Integer;
  return {
      {"PromoteTo24BPP",
       "",
       "Palette image to true colour through its palette",
       {},
       [](TProcessImageEx& p) { p.PromoteTo24BPP(0); },
       "Promote to True Colour"},
      {"SetBPP",
       "",
       "Any image to 1, 4, 8 or 24 bits per pixel, reduced by the most frequent colours",
       {{1, "bits per pixel: 0 one, 1 four, 2 eight, 3 twenty-four", I, 0, 3, 3,
         "1 bit|4 bits|8 bits|24 bits"}},
       [](TProcessImageEx& p) { p.SetBPP(); },
       "Change Bits per Pixel"},
      {"Quantize",
       "",
       "True colour to an 8-bit image of at most N colours by median cut",
       {{1, "number of colours", I, 1, 256, 256}},
       [](TProcessImageEx& p) { p.Quantize(); },
       "Quantize"},
      {"Dither",
       "",
       "True colour to the fixed 256-colour palette by error diffusion",
       {},
       [](TProcessImageEx& p) { p.Dither(); },
       "Dither to 256 Colours"},
      {"Dither14",
       "",
       "True colour to black and white (1) or the 16 standard colours (4) by error diffusion",
       {{1, "bits per pixel: 1 or 4", I, 1, 4, 1}},
       [](TProcessImageEx& p) { p.Dither14(); },
       "Dither to 2 or 16 Colours"},
      {"DitherHelper",
       "",
       "Dithers to 2, 16 or 256 colours; palette images are promoted first",
       {{1, "mode: 0 two colours, 1 sixteen, 2 256", I, 0, 2, 2, "2 colours|16 colours|256 colours"}},
       [](TProcessImageEx& p) { p.DitherHelper(); },
       "Dither"},
  };
}

}  // namespace registry
