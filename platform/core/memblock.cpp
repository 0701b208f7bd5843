#include "platform/core/memblock.h"

#include <cstdlib>
#include <cstring>
#include <new>

struct GlobalBlock {
  unsigned char* data = nullptr;
  std::size_t size = 0;
  int locks = 0;
};

namespace {
// calloc(0) may return nullptr; a zero-sized block still needs a distinct, lockable address.
unsigned char* zeroed(std::size_t bytes) {
  return static_cast<unsigned char*>(std::calloc(bytes ? bytes : 1, 1));
}
}  // namespace

HGLOBAL GlobalAlloc(std::size_t bytes) {
  unsigned char* data = zeroed(bytes);
  if (!data) return nullptr;
  auto* block = new (std::nothrow) GlobalBlock{data, bytes, 0};
  if (!block) std::free(data);
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes) {
  if (!block || block->locks > 0) return nullptr;
  auto* data = static_cast<unsigned char*>(std::realloc(block->data, bytes ? bytes : 1));
  if (!data) return nullptr;
  if (bytes > block->size) std::memset(data + block->size, 0, bytes - block->size);
  block->data = data;
  block->size = bytes;
  return block;
}

void* GlobalLock(HGLOBAL block) {
  if (!block) return nullptr;
  ++block->locks;
  return block->data;
}

bool GlobalUnlock(HGLOBAL block) {
  if (!block || block->locks == 0) return false;
  return --block->locks > 0;
}

std::size_t GlobalSize(HGLOBAL block) {
  return block ? block->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block) {
    std::free(block->data);
    delete block;
  }
  return nullptr;
}

namespace pcore {

HGLOBAL duplicate_block(HGLOBAL block) {
  if (!block) return nullptr;
  HGLOBAL copy = GlobalAlloc(block->size);
  if (copy) std::memcpy(copy->data, block->data, block->size);
  return copy;
}

}  // namespace pcore
