#include "tests/support/codaxe_io.h"

#include <cstring>

namespace testing_support {

LoadedImage load_image(const std::string& path) {
  LoadedImage out;
  Compand c;
  if (!c.InitExpander(path.c_str())) return out;
  out.result = c.DoExpansion();
  out.error = c.GetError();
  if (out.result) {
    out.width = c.GetWidth();
    out.height = c.GetHeight();
    out.bits = c.GetBitsPerPixel();
    out.colors = c.GetColors();
    std::size_t size = dib_stride(out.width, out.bits) * out.height;
    out.pixels.assign(c.GetDataPtr(), c.GetDataPtr() + size);
    out.palette.assign(c.GetPalettePtr(), c.GetPalettePtr() + 256);
  }
  c.DisposeOfImage();
  return out;
}

RawPicture make_picture(unsigned short width, unsigned short height, unsigned short bits, unsigned seed) {
  RawPicture p{width, height, bits, static_cast<unsigned short>(bits <= 8 ? 1u << bits : 0), {}};
  std::size_t stride = dib_stride(width, bits);
  p.pixels.resize(stride * height);
  unsigned state = seed * 2654435761u + 12345;
  for (auto& b : p.pixels) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 16);
  }
  // Padding bytes carry nothing a reader could give back.
  std::size_t used = (static_cast<std::size_t>(width) * bits + 7) / 8;
  for (std::size_t y = 0; y < height; ++y) std::memset(&p.pixels[y * stride + used], 0, stride - used);
  for (unsigned i = 0; i < 256; ++i) {
    p.palette[i] = RGBCOLOR{static_cast<unsigned char>(i * 7 + seed), static_cast<unsigned char>(255 - i),
                            static_cast<unsigned char>(i * 13)};
  }
  return p;
}

int save_image(CompandType type, std::string& path, RawPicture& picture) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  if (!c.InitCompressor(type, name.data(), picture.width, picture.height, picture.bits, picture.colors,
                        picture.pixels.data(), picture.palette.data())) {
    return 0;
  }
  path = name.data();
  return c.DoCompression();
}

}  // namespace testing_support
