// PCX (version 5 and earlier, run-length coded): a 128-byte header, scan lines of one or more planes, and for
// 256-colour images a palette after the data, found by searching for its marker byte 12.
//
// Palette images come from 1-bit planes (combined into pixel values, plane k giving bit k) or one plane of
// 2, 4 or 8 bits (packed pixels, the first in the high bits) and are delivered at 8 bits; three 8-bit planes
// are a 24-bit image (a fourth, alpha, plane is dropped), delivered as stored. Quirk kept on purpose: a
// two-colour image whose two colours are equally bright is shown white on black (0 white, 1 black).
// Runs may cross plane and line ends. A file that ends early shows what it holds; a header that asks for far
// more pixels than the file could hold is refused before anything is allocated.
#pragma once

#include "imgfile/image_codec.h"

namespace codaxe {
class ByteSource;
}

class PcxReader : public ImageCodec {
 public:
  // Opens the file and checks its header at once; a failure is reported here and left in the error number.
  explicit PcxReader(const std::string& path);

  int Expand() override;

 private:
  bool read_header();
  bool true_colour() const { return bitsPerPlane_ == 8 && (planes_ == 3 || planes_ == 4); }
  bool palette_image() const {
    return bitsPerPlane_ == 1
               ? planes_ <= 8
               : (bitsPerPlane_ == 2 || bitsPerPlane_ == 4 || bitsPerPlane_ == 8) && planes_ == 1;
  }
  // Decodes the scan lines into the bottom-up pixel block; the source is left just after the image data.
  void decode_lines(codaxe::ByteSource& source);
  void combine_planes(const unsigned char* line, unsigned char* row) const;
  void spread_planes(const unsigned char* line, unsigned char* row) const;
  void read_palette(codaxe::ByteSource& source);

  unsigned encoding_ = 0;
  unsigned bitsPerPlane_ = 0;
  unsigned planes_ = 0;
  unsigned bytesPerLine_ = 0;
  RGBCOLOR headerMap_[16] = {};
};

class PcxWriter : public ImageCodec {
 public:
  // The caller's pixels and palette must stay valid until Compress.
  PcxWriter(const std::string& path, unsigned short width, unsigned short height, unsigned short bitsPerPixel,
            unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Compress(unsigned short quality, ImgType type) override;

 private:
  // The planes of one buffer row, one after another, as the file holds them.
  void split_planes(const unsigned char* row, unsigned char* line) const;
  bool write_header();

  unsigned char* sourcePixels_;
  RGBCOLOR* sourcePalette_;
  unsigned bitsPerPlane_ = 0;
  unsigned planes_ = 0;
  unsigned bytesPerLine_ = 0;
};
