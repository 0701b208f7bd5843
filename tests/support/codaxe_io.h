// Reading and writing through the front end in one call, for tests.
#pragma once

#include <string>
#include <vector>

#include "imgfile/codaxe.h"
#include "tests/support/test_support.h"

namespace testing_support {

struct LoadedImage {
  int result = 0;
  int error = 0;
  unsigned short width = 0;
  unsigned short height = 0;
  unsigned short bits = 0;
  unsigned short colors = 0;
  std::vector<unsigned char> pixels;
  std::vector<RGBCOLOR> palette;

  RgbImage rgb() const { return raw_to_rgb(pixels.data(), palette.data(), width, height, bits); }
};

LoadedImage load_image(const std::string& path);

// A raw image in the library's layout with a palette, for writing.
struct RawPicture {
  unsigned short width;
  unsigned short height;
  unsigned short bits;
  unsigned short colors;
  std::vector<unsigned char> pixels;
  std::vector<RGBCOLOR> palette = std::vector<RGBCOLOR>(256);
};

// Deterministic content: every byte of every row (padding included) set from `seed`.
RawPicture make_picture(unsigned short width, unsigned short height, unsigned short bits, unsigned seed = 1);

// Writes with DoCompression; returns its result. `path` may be changed to the name actually written.
int save_image(CompandType type, std::string& path, RawPicture& picture);

}  // namespace testing_support
