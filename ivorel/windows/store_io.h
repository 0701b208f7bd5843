// Little-endian writing and checked reading of the selection stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ivorel {

class StoreWriter {
 public:
  void bytes(const void* data, std::size_t n) {
    if (n == 0) return;
    const std::size_t at = out_.size();
    out_.resize(at + n);
    std::memcpy(out_.data() + at, data, n);
  }
  void u16(std::uint32_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    bytes(b, 2);
  }
  void u32(std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    bytes(b, 4);
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  std::vector<unsigned char>& data() { return out_; }

 private:
  std::vector<unsigned char> out_;
};

// Every read fails, without moving, when fewer bytes remain than it asks for.
class StoreReader {
 public:
  StoreReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  bool bytes(void* into, std::size_t n) {
    if (n > size_ - pos_) return false;
    if (n) std::memcpy(into, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  bool u16(std::uint16_t& v) {
    unsigned char b[2];
    if (!bytes(b, 2)) return false;
    v = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  bool u32(std::uint32_t& v) {
    unsigned char b[4];
    if (!bytes(b, 4)) return false;
    v = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
  }
  bool i32(std::int32_t& v) {
    std::uint32_t u;
    if (!u32(u)) return false;
    v = static_cast<std::int32_t>(u);
    return true;
  }
  std::size_t remaining() const { return size_ - pos_; }
  const unsigned char* here() const { return data_ + pos_; }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace ivorel
