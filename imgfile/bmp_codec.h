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
  // What the headers say, checked against the file; the file stays open at the end of the table.
  struct FileLayout {
    BITMAPINFOHEADER header;  // 40-byte form: bottom-up height, colours used = table entries kept
    std::uint32_t masks[3];
    unsigned char table[256 * 4];  // blue, green, red, 0
    bool topDown;
    std::uint64_t dataStart;
    std::uint64_t dataBytes;
    std::uint64_t stride;
  };
  // Each returns false (or null) after a report; the file is closed by the caller.
  bool read_layout(FileLayout& layout);
  bool read_rows(const FileLayout& layout, unsigned char* dest);
  // The file as a packed DIB (bottom-up, 40-byte header, masks for bit fields).
  HGLOBAL read_packed_dib(const FileLayout& layout);
  HGLOBAL to_deliverable_depth(HGLOBAL dib, const BITMAPINFOHEADER& header);
  bool deliver(HGLOBAL dib);
  void take_description(const BITMAPINFOHEADER& header, const RGBQUAD* table);

  unsigned char* sourcePixels_ = nullptr;
  RGBCOLOR* sourcePalette_ = nullptr;
};
