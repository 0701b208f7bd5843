// PNG: written by our own encoder over libdeflate (png_fast.h), or through libpng when the image carries
// transparency; read through a fast path for the common files and through libpng, on the codec's own
// buffered file access, for the rest.
//
// Reading: palette and grey images of 1, 2, 4 and 8 bits come out as palette images of 1, 4 (2-bit pixels
// widened), 4 and 8 bits; grey images get a ramp from black to white. Truecolour comes out as 24 bits.
// Sixteen-bit samples keep their high byte. Transparency (an alpha channel, or a palette's alpha table) is
// delivered as the codec's alpha plane; grey and RGB images with an alpha channel come out as 24 bits. A
// single transparent colour of grey and RGB images and gamma are ignored. Writing: 1-, 4- and 8-bit images
// as palette PNGs with their palette, 24-bit images as RGB; an image handed with transparency that is not
// all opaque as RGBA.
#pragma once

#include <vector>

#include "imgfile/image_codec.h"

class PngCodec : public ImageCodec {
 public:
  // Reader.
  explicit PngCodec(const std::string& path);
  // Writer of the caller's image; the pointers must stay valid until Compress.
  PngCodec(const std::string& path, unsigned short width, unsigned short height, unsigned short bitsPerPixel,
           unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Expand() override;
  int Compress(unsigned short quality, ImgType type) override;

 private:
  // libpng's input, output and error callbacks, which reach into the codec.
  struct Callbacks;

  // The whole file through the fast reader; false, with nothing reported, when it is not one it takes.
  bool decode_fast();
  bool decode();
  // An image with transparency, as RGBA through libpng.
  bool encode();
  // Entries the written palette needs: the image's colours, or more when its pixels use higher indices.
  unsigned palette_entries() const;

  enum class Mode { Reading, Writing };

  unsigned char* sourcePixels_ = nullptr;
  RGBCOLOR* sourcePalette_ = nullptr;
  Mode mode_ = Mode::Reading;
  // Row addresses for libpng, top row first. A member, because a local changed after the jump point has no
  // defined value after the long jump.
  std::vector<unsigned char*> rows_;
  // Pixels with their alpha, four bytes each, on their way in or out.
  std::vector<unsigned char> withAlpha_;
  // Whether the pixel block is allocated: a libpng failure before it is one of the header.
  bool pastHeader_ = false;
};
