// The base of every format codec: one object per file, holding the image it read or is about to write, a
// buffered file and the error reporter chosen when it was made.
//
// Writing never touches the target until the whole file is out (file_access.h says how it gets there).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imgfile/codaxe.h"
#include "imgfile/file_access.h"
#include "imgfile/messages.h"

class ImageCodec {
 public:
  explicit ImageCodec(std::string fileName);
  virtual ~ImageCodec();
  ImageCodec(const ImageCodec&) = delete;
  ImageCodec& operator=(const ImageCodec&) = delete;

  virtual int Compress(unsigned short quality, ImgType type);
  virtual int Expand();
  virtual int SaveStack(unsigned short quality, ImgType type);
  virtual int ReadDescription(char* text);
  virtual int SaveDescription(char* text);

  unsigned char* data() const { return image_; }
  RGBCOLOR* palette() const { return palette_; }
  unsigned short width() const { return width_; }
  unsigned short height() const { return height_; }
  unsigned short colors() const { return colors_; }
  unsigned short bits_per_pixel() const { return bitsPerPixel_; }
  int error() const { return error_; }
  ImageStack* stack() { return &stack_; }
  const std::string& file_name() const { return fileName_; }
  int source_quality() const { return sourceQuality_; }
  // The transparency read (null when none), and the one to write (Compand::SetAlphaData).
  const unsigned char* alpha() const { return alpha_.empty() ? nullptr : alpha_.data(); }
  void set_write_alpha(const unsigned char* alpha) { writeAlpha_ = alpha; }
  void dispose_image();

  // Largest pixel block any reader may ask for: 16-bit sizes at 24 bits stay below it, and no real image
  // comes near it, so a header asking for more is hostile or broken.
  static constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 32;

 protected:
  // Buffered file access. Each failing call reports its message, sets the error number and returns false.
  bool open_read();
  // For libraries that read through a descriptor of their own: the file opened when it is a regular file,
  // -1 after a report otherwise.
  int open_read_descriptor();
  // `message` is what a failure to create the file reports.
  bool open_write(int message = codaxe::MSG_OPEN);
  // For a file being written: flushes and, when no error was recorded, puts it in place of the target.
  bool close_file();
  // For libraries that write through a descriptor or stream of their own: the temporary file beside the
  // target, which the caller (or the library) closes; finish_write then puts it in place of the target when
  // `ok` and no error was recorded, and removes it otherwise. -1 or null after a report.
  int open_write_descriptor(int message);
  std::FILE* open_write_stream(int message);
  bool finish_write(bool ok);
  bool read_bytes(void* dest, std::size_t n);
  int read_byte();  // -1 after a reported failure
  // Up to `n` bytes, fewer only at the end of the file, which it does not report: for decoders that decide
  // themselves what a cut-short file means.
  std::size_t read_some(void* dest, std::size_t n);
  bool seek(std::uint64_t offset);
  std::uint64_t tell() const;
  std::uint64_t file_size() const { return fileSize_; }
  bool write_bytes(const void* src, std::size_t n);
  bool write_byte(unsigned char b) { return write_bytes(&b, 1); }
  bool flush();

  // A zero-filled pixel block of `height` rows of `rowBytes` rounded up to 4, plus 256 spare bytes.
  bool AllocateImage(std::uint64_t rowBytes, std::uint64_t height);
  void ReportError(int id);
  // Reports the text of an outside library (libjpeg, libtiff, libpng) the way ReportError reports ours.
  void ReportText(const char* text);
  // Reports `id` and records `error`; returns 0 so that callers can `return fail(...)`.
  int fail(int id, int error);
  void set_description(unsigned short width, unsigned short height, unsigned short bits,
                       unsigned short colors);
  void fill_default_palette();
  // Compressed data can describe far more pixels than it holds, but not without bound: a file that asks for
  // more than `ratio` times its size (and more than a floor every real image fits) is taken to be hostile.
  static bool believable_size(std::uint64_t imageBytes, std::uint64_t fileBytes, std::uint64_t ratio);

  HGLOBAL hImage_ = nullptr;
  unsigned char* image_ = nullptr;
  HGLOBAL hPalette_ = nullptr;
  RGBCOLOR* palette_ = nullptr;
  std::string fileName_;
  int error_ = 0;
  unsigned short width_ = 0;
  unsigned short height_ = 0;
  unsigned short colors_ = 0;
  unsigned short bitsPerPixel_ = 0;
  std::uint32_t imageSize_ = 0;
  std::uint32_t blockSize_ = 0;
  ImageStack stack_;
  int sourceQuality_ = 0;
  // Readers fill it (width x height, rows bottom-up) only when some pixel is not opaque; keep_alpha
  // empties it again when none is.
  std::vector<unsigned char> alpha_;
  const unsigned char* writeAlpha_ = nullptr;
  void keep_alpha_if_used();

 private:
  bool refill();

  static constexpr std::size_t kBufferSize = 5120;
  unsigned char buffer_[kBufferSize];
  std::size_t fill_ = 0;
  std::size_t pos_ = 0;
  int fd_ = -1;
  bool writing_ = false;
  codaxe::SaveAside save_;
  std::uint64_t fileSize_ = 0;
  std::FILE* errorStream_;
};
