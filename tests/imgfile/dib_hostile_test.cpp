// Random damage to valid blocks: every helper fails cleanly or succeeds, and a failing conversion leaves its
// input untouched. Most telling in the sanitizer build.
#include <gtest/gtest.h>

#include "tests/imgfile/dib_test_blocks.h"

using namespace dibtest;

TEST(DibHostileInput, DamagedBlocksFailCleanly) {
  const std::vector<DibBuilder> builders = {
      DibBuilder().size(9, 4).colours(random_table(256, 1)).data(random_bytes(48, 1)),
      DibBuilder().size(5, 3).depth(1).colours(random_table(2, 2)).data(random_bytes(12, 2)),
      DibBuilder().size(6, 4).depth(8, BI_RLE8).colours(random_table(40, 3), 40).data({3, 5, 0, 3, 1, 2, 3, 0,
                                                                                       0, 0, 0, 2, 2, 1, 2, 7,
                                                                                       0, 0, 6, 1, 0, 1}),
      DibBuilder()
          .size(7, 2)
          .depth(4, BI_RLE4)
          .colours(random_table(16, 4))
          .data({0, 5, 0x12, 0x34, 0x50, 0, 2, 0x67, 0, 0, 7, 0x9A, 0, 1}),
      DibBuilder()
          .size(3, 3)
          .depth(16, BI_BITFIELDS)
          .with_masks({0xF800, 0x07E0, 0x1F})
          .data(random_bytes(24, 5)),
      DibBuilder().size(3, -2).depth(24).data(random_bytes(24, 6)),
      DibBuilder().header(12).size(3, 2).depth(4).colours(random_table(16, 8)).data(random_bytes(8, 8)),
  };
  const std::pair<unsigned short, std::uint32_t> targets[] = {{0, BI_RGB}, {0, BI_RLE8},       {0, BI_RLE4},
                                                              {1, BI_RGB}, {16, BI_BITFIELDS}, {24, BI_RGB}};
  std::mt19937 rng(12345);
  int converted = 0;
  for (int round = 0; round < 4000; ++round) {
    pcore::OwnedBlock seed(make_dib(builders[rng() % builders.size()]));
    std::vector<std::uint8_t> bytes = block_bytes(seed.get());
    for (int k = 1 + rng() % 4; k > 0; --k) {
      const std::size_t at = rng() % (rng() % 2 ? std::min<std::size_t>(bytes.size(), 64) : bytes.size());
      if (rng() % 4 == 0) {
        bytes.resize(at + 1);  // cut short
      } else {
        bytes[at] = static_cast<std::uint8_t>(rng() % 2 ? rng() : rng() % 4);  // small values are escapes
      }
    }
    pcore::OwnedBlock block(to_block(bytes));
    BITMAPINFOHEADER info;
    DIBInfo(block.get(), &info);
    pcore::delete_palette(CreateDIBPalette(block.get()));
    const std::vector<std::uint8_t> before = block_bytes(block.get());
    auto [bits, compression] = targets[rng() % std::size(targets)];
    if (HGLOBAL out = ChangeDIBFormat(block.get(), bits, compression)) {
      ++converted;
      block.release();  // freed by the conversion
      GlobalFree(out);
    } else {
      ASSERT_EQ(block_bytes(block.get()), before) << "round " << round;
    }
  }
  EXPECT_GT(converted, 200) << "too little damage survives to reach the converters";
}
