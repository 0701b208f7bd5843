// The in-memory file that holds one undo or redo snapshot: written once from the start, read back from the
// start. Reports a shortage of memory or of bytes instead of throwing.
#pragma once

#include <cstddef>
#include <vector>

namespace ivorel {

class MemoryFile {
 public:
  // Grows in steps of 4096 bytes; false (nothing written) when memory is short.
  bool write(const void* data, std::size_t bytes);
  // False (nothing read, position kept) when fewer bytes remain.
  bool read(void* data, std::size_t bytes);
  void rewind() { position_ = 0; }
  std::size_t size() const { return length_; }
  std::size_t remaining() const { return length_ - position_; }

 private:
  std::vector<unsigned char> bytes_;
  std::size_t length_ = 0;
  std::size_t position_ = 0;
};

}  // namespace ivorel
