// The pixel loops of the fills, the noise and the textures, on plain effect buffers (3 bytes a pixel, top
// row first). Colours are red, green, blue triples; `rgbOrder` says whether the buffer holds a pixel's bytes
// in that order (palette images) or reversed (true-colour images).
#pragma once

#include "imgfile/codaxe.h"
#include "ivorel/processing/neighbourhood_filters.h"

struct _IMAGEDESCRIPTOR;

namespace ivorel {

struct GradientSpec {
  int shape;   // 1 vertical, 2 radial, other horizontal
  int scheme;  // 0 ... 3 white, red, green, blue to black; 4 second to first colour; 5 up a rainbow
  int mix;     // 1 (S + 3G) / 4, 2 (S + G) / 2, 3 (3S + G) / 4, other G alone
  RGBCOLOR first, second;
  bool rgbOrder;
};

// The gradient length of a picture: 0 when there is nothing to fill.
int gradient_length(int width, int height, int shape);
// Fills `destination` with the gradient mixed with `source`; `progress` gets the columns.
void gradient_fill(const unsigned char* source, unsigned char* destination, int width, int height,
                   const GradientSpec& spec, const RowProgress& progress);

struct NoiseSpec {
  int amount;  // 0 ... 399: the density in 400ths
  int kind;    // 0 black and white, 1 first and second colour, 2 Gaussian, 3 exponential in the window,
               // other exponential on every pixel
  RGBCOLOR pepper, salt;
  bool rgbOrder;
};

class RandomRun;

// Adds the noise, drawing from `random` pixel by pixel in reading order.
void salt_pepper_noise(const unsigned char* source, unsigned char* destination, int width, int height,
                       const NoiseSpec& spec, RandomRun& random, const RowProgress& progress);

// Repeats the texture (stored rows, bottom row first) from the top-left corner over the picture; false,
// writing nothing, when the texture has no pixels, an unknown depth, or no palette below 24 bits.
bool texture_tile(unsigned char* destination, int width, int height, const _IMAGEDESCRIPTOR& texture,
                  bool rgbOrder, const RowProgress& progress);

}  // namespace ivorel
