// Windows bitmaps under the extensions .bmp, .thm, .dib and .rle: a 14-byte file header (optional on reading)
// and a packed DIB.
//
// Reading accepts what real writers produce: the 40-byte header and its longer successors (52, 56, 108 and
// 124 bytes, whose colour masks are taken and whose remainder is skipped), the 12-byte OS/2 1.x core header
// with 3-byte colour entries, OS/2 2.x headers of 16 to 64 bytes, top-down rows, 2-bit images (delivered at 4
// bits), run-length and bit-field data. Every size, offset and count is checked against the file before
// anything is allocated. Writing is always uncompressed, whatever the extension.
#pragma once

#include "imgfile/image_codec.h"

class BmpCodec : public ImageCodec {
 public:
  // Reader.
  explicit BmpCodec(const std::string& path);
  // Writer of the caller's image; the pointers must stay valid until Compress.
  BmpCodec(const std::string& path, unsigned short width, unsigned short height, unsigned short bitsPerPixel,
           unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Expand() override;
  int Compress(unsigned short quality, ImgType type) override;

 private:
  // The file as a packed DIB (bottom-up, 40-byte header, masks for bit fields), or null after a report.
  HGLOBAL read_packed_dib();
  HGLOBAL to_deliverable_depth(HGLOBAL dib, const BITMAPINFOHEADER& header);
  bool deliver(HGLOBAL dib);

  unsigned char* sourcePixels_ = nullptr;
  RGBCOLOR* sourcePalette_ = nullptr;
};
