// TIFF through libtiff: the first directory of a file, one row at a time.
//
// The reader opens the file and reads its directory when it is made, and keeps it open for Expand or
// ReadDescription. It takes 1-, 2-, 4- and 8-bit grey and palette images and 8-bit RGB, with or without an
// extra (alpha) sample, from strips or tiles, interleaved or in separate planes, in every compression libtiff
// decodes; JPEG-compressed YCbCr is decoded to RGB by libtiff, and 8-bit CMYK is converted here. Grey ramps
// run from black to white over colours - 1 steps. Two-colour images always come out with black at index 0
// and white at index 1: min-is-white bits (and a palette that is white, black) are inverted to suit. 2-bit
// pixels come out as 4-bit pixels. Sixteen-bit grey and RGB samples keep their high byte; other depths
// above 8 bits are refused. An alpha sample of interleaved files becomes the codec's alpha plane.
//
// The writer saves 1-bit images as min-is-black bilevel (or with a two-entry colour map when their colours
// are not black and white), 4- and 8-bit images with a colour map, 24-bit images as RGB with horizontal
// differencing (the predictor); always LZW, in strips of about 8 KB. libtiff's complaints go to the codec:
// the text of the first error is the message of the failure it causes; warnings are dropped.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imgfile/image_codec.h"

struct tiff;

class TiffCodec : public ImageCodec {
 protected:
  explicit TiffCodec(const std::string& path);
  ~TiffCodec() override;

  // Opens the file by name (fd < 0) or the given descriptor, which libtiff then owns; null after a report.
  bool open_tiff(const char* mode, int fd = -1);
  void close_tiff();
  // Like fail, but a libtiff error text waiting to be told replaces the message `id`.
  int fail_tiff(int id, int error);
  bool library_failed() const { return !libraryText_.empty(); }

  tiff* tif_ = nullptr;

 private:
  static int on_error(tiff*, void* codec, const char* module, const char* format, va_list args);
  static int on_warning(tiff*, void*, const char*, const char*, va_list);

  std::string libraryText_;
};

class TiffReader : public TiffCodec {
 public:
  explicit TiffReader(const std::string& path);

  int Expand() override;
  int ReadDescription(char* text) override;

 private:
  // What the directory says, and what we make of it.
  struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bitsPerSample = 0;
    unsigned samples = 0;
    unsigned photometric = 0;
    bool separatePlanes = false;
    bool tiled = false;
    bool cmyk = false;
    bool invertBits = false;   // min-is-white bilevel, or a white-black colour map
    unsigned short depth = 0;  // delivered bits per pixel
  };

  bool read_directory();
  bool take_palette(unsigned colors);
  // One stored row of one plane (plane 0 for interleaved samples) into `out`, from strips or tiles.
  bool read_row(std::uint32_t row, unsigned plane, unsigned char* out);
  bool load_band(std::uint32_t row, unsigned plane);
  void convert_row(const unsigned char* in, unsigned char* out) const;
  // Sixteen-bit files: the first `count` samples of a scan line narrowed to bytes, in place.
  void narrow_samples(unsigned char* line, std::size_t count) const;
  bool lzw_strips_are_ours() const;
  bool read_lzw_strips(const std::function<void(std::uint32_t, unsigned char*)>& deliver);

  Layout layout_;
  std::size_t scanlineBytes_ = 0;
  std::uint32_t rowLength_ = 0;
  std::vector<unsigned char> scanline_;
  // Tiled files: a band of whole rows as tall as a tile, cut out of the tiles across the image.
  std::vector<unsigned char> band_;
  std::vector<unsigned char> tile_;
  std::uint32_t bandFirst_ = 0;
  std::uint32_t bandRows_ = 0;
  int bandPlane_ = -1;
};

class TiffWriter : public TiffCodec {
 public:
  // The caller's image; the pointers must stay valid until Compress.
  TiffWriter(const std::string& path, unsigned short width, unsigned short height,
             unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Compress(unsigned short quality, ImgType type) override;
  // Keeps the pointer (not a copy) for the next Compress.
  int SaveDescription(char* text) override;

 private:
  bool set_tags(std::uint32_t rowLength);
  bool write_rows(std::uint32_t rowLength);

  unsigned char* sourcePixels_;
  RGBCOLOR* sourcePalette_;
  char* description_ = nullptr;
  std::uint16_t colorMap_[3][256] = {};
};
