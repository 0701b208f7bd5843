// Movable memory blocks: the unit in which pixel data and packed DIBs cross library boundaries.
//
// A block is zero-filled when allocated and when grown, owned by whoever holds the handle, and freed with
// GlobalFree. The handle never changes; the address returned by GlobalLock stays valid until the matching
// GlobalUnlock, and a block cannot be resized while it is locked.
#pragma once

#include <cstddef>

struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

// Returns nullptr when the memory cannot be had.
HGLOBAL GlobalAlloc(std::size_t bytes);
// Resizes an unlocked block, keeping its content and zero-filling the growth. Returns the same handle, or
// nullptr (block unchanged) when memory is short or the block is locked.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes);
// Address of the block's bytes; each call must be matched by GlobalUnlock. nullptr for no block.
void* GlobalLock(HGLOBAL block);
// Returns true while further locks are still held.
bool GlobalUnlock(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);
// Returns nullptr on success (as callers conventionally assign the result back to the handle).
HGLOBAL GlobalFree(HGLOBAL block);

namespace pcore {

// A new, unlocked block with the same bytes; nullptr for no block or when memory is short.
HGLOBAL duplicate_block(HGLOBAL block);

// Holds a lock for one scope.
class BlockLock {
 public:
  explicit BlockLock(HGLOBAL block) : block_(block), data_(static_cast<unsigned char*>(GlobalLock(block))) {}
  ~BlockLock() {
    if (data_) GlobalUnlock(block_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;
  unsigned char* data() const { return data_; }
  std::size_t size() const { return GlobalSize(block_); }

 private:
  HGLOBAL block_;
  unsigned char* data_;
};

// Owns a block for one scope unless released.
class OwnedBlock {
 public:
  explicit OwnedBlock(HGLOBAL block = nullptr) : block_(block) {}
  ~OwnedBlock() { GlobalFree(block_); }
  OwnedBlock(const OwnedBlock&) = delete;
  OwnedBlock& operator=(const OwnedBlock&) = delete;
  HGLOBAL get() const { return block_; }
  HGLOBAL release() {
    HGLOBAL b = block_;
    block_ = nullptr;
    return b;
  }
  void reset(HGLOBAL block) {
    GlobalFree(block_);
    block_ = block;
  }

 private:
  HGLOBAL block_;
};

}  // namespace pcore
