// Working memory of image size for a codec: mapped straight from the kernel and offered huge pages, as the
// image blocks are (see platform/core/memblock.cpp). A fresh heap block of tens of megabytes costs one page
// fault per 4 KiB on first touch, which on virtual machines takes longer than decoding the bytes in it.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <utility>

namespace codaxe {

class ScratchBuffer {
 public:
  ScratchBuffer() = default;
  ScratchBuffer(ScratchBuffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        mapped_(std::exchange(other.mapped_, false)) {}
  ScratchBuffer& operator=(ScratchBuffer&&) = delete;
  ~ScratchBuffer() { release(); }

  // Room for `bytes` (contents unspecified); false when memory runs out.
  bool allocate(std::size_t bytes) {
    if (bytes <= size_) return true;
    release();
    if (bytes >= kMapThreshold) {
      void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (p == MAP_FAILED) return false;
      ::madvise(p, bytes, MADV_HUGEPAGE);
      data_ = static_cast<unsigned char*>(p);
      mapped_ = true;
    } else {
      data_ = static_cast<unsigned char*>(std::malloc(bytes ? bytes : 1));
      if (!data_) return false;
      mapped_ = false;
    }
    size_ = bytes;
    return true;
  }

  unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kMapThreshold = std::size_t{4} << 20;

  void release() {
    if (mapped_) {
      ::munmap(data_, size_);
    } else {
      std::free(data_);
    }
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
  }

  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
};

}  // namespace codaxe
