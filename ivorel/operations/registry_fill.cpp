// Fills, noise and textures.
#include "ivorel/operations/registry_families.h"
#include "ivorel/processing/operation_inputs.h"

namespace registry {

std::vector<Operation> fill_operations() {
  constexpr WordType I = WordType::Integer;
  return {
      {"GradientFill",
       "Grad",
       "Fills with a gradient, optionally mixed with the picture",
       {{1, "shape", I, 0, 2, 0, "Horizontal|Vertical|Radial"},
        {2, "colours (rainbow N starts at hue N)", I, 0, 10, 0,
         "White to black|Red to black|Green to black|Blue to black|Second to first colour|Rainbow 1|"
         "Rainbow 2|Rainbow 3|Rainbow 4|Rainbow 5|Rainbow 6"},
        {3, "mix with the picture", I, 0, 3, 0, "Gradient alone|1/4 picture|1/2 picture|3/4 picture"}},
       [](TProcessImageEx& p) { p.GradientFill(); },
       "Gradient Fill",
       kColours},
      {"SaltPepperNoise",
       "Noise",
       "Salt and pepper, Gaussian or exponential noise; the amount is the density in 400ths",
       {{1, "amount 0 ... 399", I, 0, 399, 10},
        {2, "kind", I, 0, 4, 0,
         "Black and white|First and second colour|Gaussian|Exponential, scattered|Exponential, everywhere"}},
       [](TProcessImageEx& p) { p.SaltPepperNoise(); },
       "Salt and Pepper Noise",
       kRandom | kColours},
      {"TextureTile",
       "Texture",
       "Replaces the picture with a texture image repeated from the top-left corner",
       {{1, "tile the texture", I, 0, 1, 1, "No|Yes"}},
       [](TProcessImageEx& p) { p.TextureTile(ivorel::operation_texture(p.Image())); },
       "Texture Tile",
       kTexture},
      // Leaves the picture as it is; kept for scripts that call it, but offered nowhere.
      {"TextureMosaic",
       "",
       "Takes a texture image and leaves the picture unchanged",
       {{1, "first parameter", I, -2147483648.0, 2147483647.0, 0},
        {2, "second parameter", I, -2147483648.0, 2147483647.0, 0}},
       [](TProcessImageEx& p) { p.TextureMosaic(ivorel::operation_texture(p.Image())); },
       "Texture Mosaic",
       kTexture},
  };
}

}  // namespace registry
