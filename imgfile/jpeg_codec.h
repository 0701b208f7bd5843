// JPEG through libjpeg's classic (release 6) interface: stdio source and destination, scan lines one at a
// time, and a long jump back to the codec whenever libjpeg gives up.
//
// libjpeg only warns when the data ends early and pads the rest of the picture with grey; we take that
// warning as the failure it is. Other warnings (extraneous bytes before a marker and the like) leave a
// picture that every viewer shows, so they pass silently. Whatever libjpeg says goes through the codec's
// reporter, never to standard error.
//
// The reader opens the file and reads its header when it is made; greyscale files come out as 8-bit images
// with a grey ramp, everything else as 24-bit. Adobe CMYK and YCCK files, which libjpeg cannot turn into RGB
// itself, are converted from their inverted CMYK here.
#pragma once

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "imgfile/image_codec.h"

// What the reader and the writer share: libjpeg's error manager wired to this codec.
class JpegCodec : public ImageCodec {
 protected:
  explicit JpegCodec(const std::string& path);

  // libjpeg's standard error manager followed by the jump buffer, as libjpeg's callbacks find it.
  struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    JpegCodec* codec;
  };
  jpeg_error_mgr* error_manager();
  // The progress monitor of the reader: ends a file that goes on adding scans.
  static void watch_scans(j_common_ptr cinfo);

  ErrorManager errors_{};

 private:
  [[noreturn]] static void error_exit(j_common_ptr cinfo);
  static void emit_message(j_common_ptr cinfo, int level);
  static void output_message(j_common_ptr cinfo);
};

class JpegReader : public JpegCodec {
 public:
  explicit JpegReader(const std::string& path);
  ~JpegReader() override;

  int Expand() override;

 private:
  void set_up();
  void abandon();

  jpeg_decompress_struct cinfo_{};
  jpeg_progress_mgr progress_{};
  std::FILE* file_ = nullptr;
  std::uint64_t fileSize_ = 0;
  bool created_ = false;
  bool ready_ = false;
  bool cmyk_ = false;
  std::uint32_t rowLength_ = 0;
  // One scan line of four-channel samples when CMYK is being converted.
  std::unique_ptr<unsigned char[]> cmykRow_;
};

class JpegWriter : public JpegCodec {
 public:
  // The caller's image; the pointers must stay valid until Compress.
  JpegWriter(const std::string& path, unsigned short width, unsigned short height,
             unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

  int Compress(unsigned short quality, ImgType type) override;

 private:
  bool write_file(const unsigned char* pixels, unsigned short quality);

  jpeg_compress_struct cinfo_{};
  std::FILE* stream_ = nullptr;
  unsigned char* sourcePixels_;
  RGBCOLOR* sourcePalette_;
  // The 24-bit copy of a palette image.
  std::vector<unsigned char> expanded_;
  std::vector<unsigned char> row_;
};
