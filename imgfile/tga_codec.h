// Targa: an 18-byte header, an optional id text and colour map, then pixels, raw or in run-length packets
// that may run on from one row into the next.
//
// Colour-mapped images (8-bit indices) and grey images are delivered at 8 bits, true colour (15/16-, 24- or
// 32-bit pixels) at 24 bits; 5-bit channels are shifted up by three bits and alpha is dropped. Grey pixels
// of 16 bits are grey plus alpha and give their grey byte. Rows are stored bottom-up whichever way the
// origin bit says the file runs. A file that ends early delivers what it holds and reports the data as
// short; a header that asks for far more pixels than the file could hold is refused.
//
// Writing: palette images as colour-mapped with 24-bit entries, 1- and 4-bit images expanded to true colour,
// rows top first, uncompressed.
#pragma once

#include "imgfile/image_codec.h"

namespace codaxe {
class ByteSource;
}

class TgaReader : public ImageCodec {
 public:
  explicit TgaReader(const std::string& path);

  int Expand() override;

 private:
  struct Header;
  int decode();
  bool read_colour_map(const Header& h, codaxe::ByteSource& source);
  bool read_rows(const Header& h, codaxe::ByteSource& source);
  // Up to `count` pixels of the file's size, through run-length packets when the file has them; fewer only
  // at the end of the data.
  std::size_t read_pixels(codaxe::ByteSource& source, unsigned char* out, std::size_t count);

  // The packet being read: it may continue past the end of a row.
  unsigned pixelBytes_ = 0;
  bool runLength_ = false;
  unsigned packetLeft_ = 0;
  bool repeat_ = false;
  unsigned char repeated_[4] = {};
};

class TgaWriter : public ImageCodec {
 public:
  // The caller's pixels and palette must stay valid until Compress.
  TgaWriter(const std::string& path, unsigned short width, unsigned short height, unsigned short bitsPerPixel,
            unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Compress(unsigned short quality, ImgType type) override;

 private:
  // A 1- or 4-bit row as blue, green, red through the palette.
  void expand_row(const unsigned char* row, unsigned char* out) const;

  unsigned char* sourcePixels_;
  RGBCOLOR* sourcePalette_;
};
