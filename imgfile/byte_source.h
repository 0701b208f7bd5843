// The bytes of a file being decoded, pulled in large chunks and handed out one at a time or in runs, for
// run-length decoders that would otherwise pay a call per byte. It ends quietly at the end of the file:
// what a cut-short file means is the decoder's decision.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace codaxe {

class ByteSource {
 public:
  // `fill` reads up to n bytes into the buffer and returns how many it read, 0 at the end.
  using Fill = std::function<std::size_t(unsigned char*, std::size_t)>;
  explicit ByteSource(Fill fill) : fill_(std::move(fill)), chunk_(kChunk) {}

  // The next byte, or -1 at the end.
  int next() {
    if (pos_ == end_ && !refill()) return -1;
    return chunk_[pos_++];
  }

  // Copies up to n bytes; fewer only at the end.
  std::size_t read(unsigned char* dest, std::size_t n) {
    std::size_t done = 0;
    while (done < n && (pos_ < end_ || refill())) {
      std::size_t take = std::min(n - done, end_ - pos_);
      std::memcpy(dest + done, chunk_.data() + pos_, take);
      pos_ += take;
      done += take;
    }
    return done;
  }

  // Passes over up to n bytes; returns how many there were.
  std::uint64_t skip(std::uint64_t n) {
    std::uint64_t done = 0;
    while (done < n && (pos_ < end_ || refill())) {
      std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, end_ - pos_));
      pos_ += take;
      done += take;
    }
    return done;
  }

 private:
  bool refill() {
    pos_ = 0;
    end_ = fill_(chunk_.data(), chunk_.size());
    return end_ > 0;
  }

  static constexpr std::size_t kChunk = 64 * 1024;
  Fill fill_;
  std::vector<unsigned char> chunk_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

}  // namespace codaxe
