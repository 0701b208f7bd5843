#include "imgfile/image_codec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/error_stream.h"
#include "platform/core/message_box.h"

ImageCodec::ImageCodec(std::string fileName)
    : fileName_(std::move(fileName)), errorStream_(pcore::thread_error_stream()) {
  hPalette_ = GlobalAlloc(256 * sizeof(RGBCOLOR));
  palette_ = static_cast<RGBCOLOR*>(GlobalLock(hPalette_));
}

ImageCodec::~ImageCodec() {
  if (fd_ >= 0) ::close(fd_);
  dispose_image();
  GlobalUnlock(hPalette_);
  GlobalFree(hPalette_);
}

int ImageCodec::Compress(unsigned short, ImgType) {
  return fail(codaxe::MSG_NEVER, error_);
}
int ImageCodec::Expand() {
  return fail(codaxe::MSG_NEVER, error_);
}
int ImageCodec::SaveStack(unsigned short quality, ImgType type) {
  Compress(quality, type);
  return 1;
}
int ImageCodec::ReadDescription(char*) {
  return 0;
}
int ImageCodec::SaveDescription(char*) {
  return 0;
}

void ImageCodec::dispose_image() {
  if (hImage_) {
    GlobalUnlock(hImage_);
    hImage_ = GlobalFree(hImage_);
  }
  image_ = nullptr;
  alpha_ = {};
}

void ImageCodec::keep_alpha_if_used() {
  for (unsigned char a : alpha_) {
    if (a != 255) return;
  }
  alpha_ = {};
}

void ImageCodec::ReportError(int id) {
  ReportText(codaxe::message_text(id));
}

void ImageCodec::ReportText(const char* text) {
  const char* caption = codaxe::message_text(codaxe::MSG_CAPTION);
  if (errorStream_) {
    std::fprintf(errorStream_, "\n%s - %s", caption, text);
    std::fflush(errorStream_);
  } else {
    pcore::message_box().show(nullptr, text, caption, pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
  }
}

int ImageCodec::fail(int id, int error) {
  ReportError(id);
  error_ = error;
  return 0;
}

void ImageCodec::set_description(unsigned short width, unsigned short height, unsigned short bits,
                                 unsigned short colors) {
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bits;
  colors_ = colors;
}

void ImageCodec::fill_default_palette() {
  for (int i = 0; i < 256; ++i) {
    palette_[i] =
        RGBCOLOR{static_cast<unsigned char>((i % 8) * 32), static_cast<unsigned char>((i / 8 % 8) * 32),
                 static_cast<unsigned char>((i / 64) * 64)};
  }
}

bool ImageCodec::believable_size(std::uint64_t imageBytes, std::uint64_t fileBytes, std::uint64_t ratio) {
  constexpr std::uint64_t kFloorBytes = std::uint64_t{64} << 20;
  return imageBytes <= kFloorBytes || fileBytes >= imageBytes / ratio;
}

bool ImageCodec::AllocateImage(std::uint64_t rowBytes, std::uint64_t height) {
  std::uint64_t size = height * ((rowBytes + 3) / 4) * 4 + 256;
  if (rowBytes > kMaxImageBytes || height > kMaxImageBytes || size > kMaxImageBytes) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    return false;
  }
  hImage_ = GlobalAlloc(size);
  if (!hImage_) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    return false;
  }
  image_ = static_cast<unsigned char*>(GlobalLock(hImage_));
  blockSize_ = static_cast<std::uint32_t>(size);
  return true;
}

int ImageCodec::open_read_descriptor() {
  codaxe::OpenFailure why;
  const int fd = codaxe::open_regular_file(fileName_, &why);
  if (fd < 0) {
    fail(why == codaxe::OpenFailure::NotRegular ? codaxe::MSG_NOT_REGULAR : codaxe::MSG_OPEN, CE_OPEN_READ);
  }
  return fd;
}

bool ImageCodec::open_read() {
  fd_ = open_read_descriptor();
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
  }
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  writing_ = false;
  fill_ = pos_ = 0;
  return true;
}

bool ImageCodec::open_write(int message) {
  fd_ = save_.begin(fileName_);
  if (fd_ < 0) {
    fail(message, CE_OPEN_WRITE);
    return false;
  }
  writing_ = true;
  fill_ = pos_ = 0;
  return true;
}

bool ImageCodec::close_file() {
  if (fd_ < 0) return true;
  bool ok = true;
  if (writing_ && error_ == 0) ok = flush();
  if (::close(fd_) != 0 && ok) {
    fail(codaxe::MSG_CLOSE, CE_CLOSE);
    ok = false;
  }
  fd_ = -1;
  if (writing_) ok = finish_write(ok);
  fill_ = pos_ = 0;
  return ok;
}

int ImageCodec::open_write_descriptor(int message) {
  if (!open_write(message)) return -1;
  int fd = fd_;
  fd_ = -1;
  writing_ = false;
  return fd;
}

std::FILE* ImageCodec::open_write_stream(int message) {
  int fd = open_write_descriptor(message);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "wb");
  if (!stream) {
    ::close(fd);
    save_.commit(false);
    fail(message, CE_OPEN_WRITE);
  }
  return stream;
}

bool ImageCodec::finish_write(bool ok) {
  // An error already recorded was reported where it happened; only a failure to put the file in place is
  // news.
  ok = ok && error_ == 0;
  if (save_.commit(ok)) return true;
  if (ok) fail(codaxe::MSG_CLOSE, CE_CLOSE);
  return false;
}

bool ImageCodec::refill() {
  ssize_t got;
  do {
    got = ::read(fd_, buffer_, kBufferSize);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    fill_ = pos_ = 0;
    fail(codaxe::MSG_READ_DATA, CE_DATA);
    return false;
  }
  fill_ = static_cast<std::size_t>(got);
  pos_ = 0;
  return true;
}

bool ImageCodec::read_bytes(void* dest, std::size_t n) {
  auto* out = static_cast<unsigned char*>(dest);
  std::size_t have = fill_ - pos_;
  if (have >= n) {
    std::memcpy(out, buffer_ + pos_, n);
    pos_ += n;
    return true;
  }
  std::memcpy(out, buffer_ + pos_, have);
  out += have;
  n -= have;
  pos_ = fill_ = 0;
  // Large reads go straight into the destination; the buffer only pays for small ones.
  while (n >= kBufferSize) {
    ssize_t got = ::read(fd_, out, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      fail(codaxe::MSG_READ_DATA, CE_DATA);
      return false;
    }
    out += got;
    n -= static_cast<std::size_t>(got);
  }
  while (n > 0) {
    if (!refill()) return false;
    std::size_t take = std::min(n, fill_);
    std::memcpy(out, buffer_, take);
    pos_ = take;
    out += take;
    n -= take;
  }
  return true;
}

std::size_t ImageCodec::read_some(void* dest, std::size_t n) {
  const std::uint64_t at = tell();
  const std::uint64_t left = at < fileSize_ ? fileSize_ - at : 0;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, left));
  return take > 0 && read_bytes(dest, take) ? take : 0;
}

int ImageCodec::read_byte() {
  if (pos_ == fill_ && !refill()) return -1;
  return buffer_[pos_++];
}

bool ImageCodec::seek(std::uint64_t offset) {
  fill_ = pos_ = 0;
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    fail(codaxe::MSG_READ_DATA, CE_DATA);
    return false;
  }
  return true;
}

std::uint64_t ImageCodec::tell() const {
  off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) return 0;
  return static_cast<std::uint64_t>(at) - (fill_ - pos_);
}

namespace {
bool write_all(int fd, const unsigned char* p, std::size_t n) {
  while (n > 0) {
    ssize_t put = ::write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}
}  // namespace

bool ImageCodec::write_bytes(const void* src, std::size_t n) {
  if (error_ != 0) return false;
  const auto* in = static_cast<const unsigned char*>(src);
  if (fill_ + n < kBufferSize) {
    std::memcpy(buffer_ + fill_, in, n);
    fill_ += n;
    return true;
  }
  if (!write_all(fd_, buffer_, fill_) || !write_all(fd_, in, n)) {
    fill_ = 0;
    fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
    return false;
  }
  fill_ = 0;
  return true;
}

bool ImageCodec::flush() {
  if (error_ != 0) return false;
  if (!write_all(fd_, buffer_, fill_)) {
    fill_ = 0;
    fail(codaxe::MSG_FLUSH, CE_WRITE);
    return false;
  }
  fill_ = 0;
  return true;
}
