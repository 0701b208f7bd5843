#include <gtest/gtest.h>

#include "imgfile/dib/dib_rle.h"
#include "tests/imgfile/dib_test_blocks.h"

using namespace dibtest;

namespace {

// All rows bottom-up in one vector; nullopt when any row, or what follows the last one, is refused.
std::optional<std::vector<std::uint8_t>> decode(const std::vector<std::uint8_t>& s, int width, int height,
                                                unsigned bits) {
  codaxe::dib::RleDecoder decoder(s.data(), s.size(), width, height, bits);
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    if (!decoder.next_row(&px[y * width])) return std::nullopt;
  }
  return decoder.finish() ? std::optional(px) : std::nullopt;
}

}  // namespace

TEST(RleDecode, HandMadeStreams) {
  // A run, a padded three-pixel literal, end of line, a delta over a row, a run, end of bitmap.
  EXPECT_EQ(decode({3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 2, 7, 0, 1}, 6, 3, 8),
            (std::vector<std::uint8_t>{5, 5, 5, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 0, 0}));
  // 4 bits: an odd literal and its pad byte, an alternating run, then data stopping without an end.
  EXPECT_EQ(decode({0, 5, 0x12, 0x34, 0x50, 0, 2, 0x67, 0, 0, 3, 0xA1}, 7, 3, 4),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 10, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // Closing with an end of line after the last row and then the end of bitmap is the usual form.
  EXPECT_TRUE(decode({2, 9, 0, 0, 0, 1}, 2, 1, 8));
  // Runs and literals covering the padded row, as common writers make them for odd widths, are clipped.
  EXPECT_EQ(decode({4, 5, 0, 0, 2, 6, 0, 3, 1, 2, 3, 0, 0, 1}, 3, 2, 8),
            (std::vector<std::uint8_t>{5, 5, 5, 6, 6, 1}));
  EXPECT_EQ(decode({4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1}, 3, 2, 4),
            (std::vector<std::uint8_t>{1, 2, 1, 3, 4, 5}));
}

TEST(RleDecode, RefusesStreamsThatBreakTheirRules) {
  const std::vector<std::vector<std::uint8_t>> broken = {
      {0, 2, 0, 2},        // delta below the last row
      {0, 2, 5, 0},        // delta past the right edge
      {0, 4, 1, 2, 3},     // literal cut short
      {0, 2, 1},           // delta cut short
      {0, 0, 0, 0, 0, 0},  // end of line past the last row
      {0, 0, 0, 0, 1, 1},  // drawing past the last row
  };
  for (const auto& s : broken) EXPECT_FALSE(decode(s, 4, 2, 8)) << testing::PrintToString(s);
}

TEST(RleEncode, ConversionsRoundTripExactly) {
  for (auto [bits, compression] : {std::pair{8u, BI_RLE8}, std::pair{4u, BI_RLE4}}) {
    for (int width : {1, 2, 3, 4, 5, 255, 256, 257, 600}) {
      // Rows: noise, constant, alternating, runs between noise.
      const int height = 4;
      std::vector<std::uint8_t> px = random_bytes(width * height, width + bits, 1u << bits);
      for (int x = 0; x < width; ++x) {
        px[width + x] = 3;
        px[2 * width + x] = x % 2 ? 1 : 2;
        px[3 * width + x] = (x / 7) % 2 ? 9 : px[3 * width + x];
      }
      std::vector<RGBQUAD> table = random_table(1u << bits, bits);
      HGLOBAL plain = make_dib(
          DibBuilder().size(width, height).depth(bits).colours(table).data(pack_rows(px, width, bits)));
      HGLOBAL rle = ChangeDIBFormat(plain, bits, compression);
      ASSERT_TRUE(rle);
      Parts encoded = split(rle);
      EXPECT_EQ(encoded.header.biSizeImage, encoded.pixels.size());
      EXPECT_EQ(encoded.header.biClrUsed, 1u << bits);
      EXPECT_EQ(decode(encoded.pixels, width, height, bits), px) << bits << " bits, width " << width;
      EXPECT_EQ(std::vector<std::uint8_t>(encoded.pixels.end() - 2, encoded.pixels.end()),
                (std::vector<std::uint8_t>{0, 1}));
      pcore::OwnedBlock back(ChangeDIBFormat(rle, 0, BI_RGB));
      ASSERT_TRUE(back.get());
      EXPECT_EQ(unpack_rows(split(back.get()).pixels, width, height, bits), px);
    }
  }
}

TEST(RleDecode, BrokenOrOversizedBlocksAreLeftAlone) {
  const std::vector<std::vector<std::uint8_t>> streams = {{0, 2, 9, 0}, {0, 2, 0, 9}, {0, 7, 1, 2}};
  std::vector<DibBuilder> builders;
  for (const auto& s : streams) builders.push_back(DibBuilder().size(4, 2).depth(8, BI_RLE8).data(s));
  builders.push_back(DibBuilder().size(65535, 65535).depth(8, BI_RLE8).data({0, 1}));  // too big for its data
  builders.push_back(DibBuilder().size(2, -1).depth(8, BI_RLE8).data({2, 1, 0, 1}));   // top-down run lengths
  for (DibBuilder& builder : builders) {
    pcore::OwnedBlock dib(make_dib(builder.colours(random_table(256, 8))));
    auto before = block_bytes(dib.get());
    EXPECT_FALSE(ChangeDIBFormat(dib.get(), 24, BI_RGB));
    EXPECT_EQ(block_bytes(dib.get()), before);
  }
}
