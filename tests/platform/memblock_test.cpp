#include "platform/core/memblock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

bool all_zero(const unsigned char* p, std::size_t n) {
  return std::all_of(p, p + n, [](unsigned char b) { return b == 0; });
}

}  // namespace

// Small blocks come from the heap, image-sized ones straight from the kernel: both must behave alike.
class MemBlock : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MemBlock, ZeroFilledAndKeepsContentWhenResized) {
  const std::size_t size = GetParam();
  HGLOBAL h = GlobalAlloc(size);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), size);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_TRUE(all_zero(p, size));
  std::memset(p, 0x5A, size);
  // A locked block keeps its address: it cannot be resized.
  EXPECT_EQ(GlobalReAlloc(h, size * 2), nullptr);
  EXPECT_FALSE(GlobalUnlock(h));

  // Shrinking and growing again must not bring back the bytes cut off.
  ASSERT_EQ(GlobalReAlloc(h, size / 2 + 1), h);
  ASSERT_EQ(GlobalReAlloc(h, size * 2), h);
  p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_TRUE(std::all_of(p, p + size / 2 + 1, [](unsigned char b) { return b == 0x5A; }));
  EXPECT_TRUE(all_zero(p + size / 2 + 1, size * 2 - (size / 2 + 1)));
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MemBlock,
                         ::testing::Values(std::size_t{1}, std::size_t{5000}, std::size_t{5} << 20));

TEST(MemBlockEdges, NullAndEmptyBlocks) {
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_FALSE(GlobalUnlock(nullptr));
  EXPECT_EQ(GlobalReAlloc(nullptr, 10), nullptr);
  HGLOBAL empty = GlobalAlloc(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(GlobalLock(empty), nullptr);
  GlobalUnlock(empty);
  GlobalFree(empty);
}
