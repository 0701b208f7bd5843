#include "imgfile/gif_coded.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "imgfile/content_hash.h"

namespace codaxe {

std::uint64_t frame_hash(const ImageFrame& f) {
  const std::uint64_t shape = std::uint64_t{f.width} << 32 | std::uint64_t{f.height} << 16 | f.bitsPerPixel;
  const std::uint64_t colours = content_hash(f.palette, sizeof f.palette, shape);
  return f.pixels ? content_hash(f.pixels, f.imageSize, colours) : colours;
}

std::uint64_t coded_data_hash(int minCodeSize, const unsigned char* joined, std::size_t size) {
  return content_hash(joined, size, static_cast<std::uint64_t>(minCodeSize));
}

bool frame_matches_code(const ImageFrame& f) {
  return f.coded && !f.removed && f.bitsPerPixel == 8 && f.coded->maxIndex < f.coded->tableEntries &&
         frame_hash(f) == f.coded->frameHash;
}

CodedDataReader::~CodedDataReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool CodedDataReader::open(const CodedImage& image) {
  if (fd_ >= 0 && path_ == image.path) return size_ == image.fileSize;
  if (fd_ >= 0) ::close(fd_);
  path_ = image.path;
  fd_ = ::open(image.path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  size_ =
      fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  return fd_ >= 0 && size_ == image.fileSize;
}

const std::vector<unsigned char>* CodedDataReader::fetch(const CodedImage& image) {
  if (image.length < 2 || image.offset + image.length > image.fileSize || !open(image)) return nullptr;
  raw_.resize(image.length);
  for (std::size_t got = 0; got < raw_.size();) {
    const ssize_t n =
        ::pread(fd_, raw_.data() + got, raw_.size() - got, static_cast<off_t>(image.offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return nullptr;
    got += static_cast<std::size_t>(n);
  }
  // The sub-blocks must end exactly with the span, in an empty block.
  joined_.clear();
  std::size_t at = 1;
  while (at < raw_.size() && raw_[at] != 0) {
    const std::size_t n = raw_[at];
    if (at + 1 + n >= raw_.size()) return nullptr;
    joined_.insert(joined_.end(), raw_.begin() + at + 1, raw_.begin() + at + 1 + n);
    at += 1 + n;
  }
  if (at + 1 != raw_.size()) return nullptr;
  if (coded_data_hash(raw_[0], joined_.data(), joined_.size()) != image.dataHash) return nullptr;
  return &raw_;
}

}  // namespace codaxe
