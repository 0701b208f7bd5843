#include "platform/core/memblock.h"
#include "platform/core/memblock_testing.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

struct GlobalBlock {
  unsigned char* data = nullptr;
  std::size_t size = 0;
  int locks = 0;
  bool mapped = false;  // straight from the kernel; see allocate()
};

namespace {

// Image-sized blocks are mapped directly and offered huge pages: the kernel hands them out zeroed, and
// touching a large image then costs a few faults instead of one per 4 KiB page, which dominates reading
// big files on machines where faults are expensive.
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;

std::size_t page_rounded(std::size_t bytes) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

unsigned char* map_zeroed(std::size_t bytes) {
  void* p = ::mmap(nullptr, page_rounded(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  ::madvise(p, page_rounded(bytes), MADV_HUGEPAGE);
  return static_cast<unsigned char*>(p);
}

// calloc(0) may return nullptr; a zero-sized block still needs a distinct, lockable address.
unsigned char* heap_zeroed(std::size_t bytes) {
  return static_cast<unsigned char*>(std::calloc(bytes ? bytes : 1, 1));
}

void release(GlobalBlock* block) {
  if (block->mapped) {
    ::munmap(block->data, page_rounded(block->size));
  } else {
    std::free(block->data);
  }
}

long allocations_left = -1;

}  // namespace

namespace pcore {

void refuse_allocations_after(long count) {
  allocations_left = count;
}

}  // namespace pcore

HGLOBAL GlobalAlloc(std::size_t bytes) {
  if (allocations_left == 0) return nullptr;
  if (allocations_left > 0) --allocations_left;
  const bool mapped = bytes >= kMapThreshold;
  unsigned char* data = mapped ? map_zeroed(bytes) : heap_zeroed(bytes);
  if (!data) return nullptr;
  auto* block = new (std::nothrow) GlobalBlock{data, bytes, 0, mapped};
  if (!block) {
    GlobalBlock temporary{data, bytes, 0, mapped};
    release(&temporary);
  }
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes) {
  if (!block || block->locks > 0) return nullptr;
  unsigned char* data;
  if (block->mapped) {
    void* p =
        ::mremap(block->data, page_rounded(block->size), page_rounded(bytes ? bytes : 1), MREMAP_MAYMOVE);
    if (p == MAP_FAILED) return nullptr;
    data = static_cast<unsigned char*>(p);
    // Pages the block grows into come zeroed; only the rest of its old last page may hold stale bytes.
    if (bytes > block->size) {
      std::memset(data + block->size, 0, std::min(bytes, page_rounded(block->size)) - block->size);
    }
  } else {
    data = static_cast<unsigned char*>(std::realloc(block->data, bytes ? bytes : 1));
    if (!data) return nullptr;
    if (bytes > block->size) std::memset(data + block->size, 0, bytes - block->size);
  }
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
    release(block);
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
