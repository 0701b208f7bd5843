#include "ivorel/windows/memory_file.h"

#include <cstring>
#include <exception>

namespace ivorel {

bool MemoryFile::write(const void* data, std::size_t bytes) {
  const std::size_t end = position_ + bytes;
  if (end < position_) return false;
  if (end > bytes_.size()) {
    const std::size_t grown = (end + 4095) / 4096 * 4096;
    if (grown < end) return false;
    try {
      bytes_.resize(grown);
    } catch (const std::exception&) {  // bad_alloc, or length_error past the largest vector
      return false;
    }
  }
  if (bytes) std::memcpy(bytes_.data() + position_, data, bytes);
  position_ = end;
  if (end > length_) length_ = end;
  return true;
}

bool MemoryFile::read(void* data, std::size_t bytes) {
  if (bytes > remaining()) return false;
  if (bytes) std::memcpy(data, bytes_.data() + position_, bytes);
  position_ += bytes;
  return true;
}

}  // namespace ivorel
