#include <gtest/gtest.h>

#include <bit>

#include "tests/imgfile/dib_test_blocks.h"

using namespace dibtest;

namespace {

// Widening written as the placed field shifted down one field width at a time.
unsigned widen_reference(std::uint32_t pixel, std::uint32_t mask) {
  unsigned n = std::popcount(mask), v = (pixel & mask) >> std::countr_zero(mask), out = 0;
  if (n >= 8) return v >> (n - 8);
  for (unsigned filled = 0; filled < 8; filled += n) out |= ((v << (8 - n)) >> filled) & 0xFF;
  return out;
}

// Converts a copy, so the original can be converted again.
Parts convert_copy(HGLOBAL dib, unsigned short bits, std::uint32_t compression, bool* ok = nullptr) {
  HGLOBAL copy = to_block(block_bytes(dib));
  pcore::OwnedBlock out(ChangeDIBFormat(copy, bits, compression));
  if (ok) *ok = out.get() != nullptr;
  if (!out.get()) GlobalFree(copy);
  return out.get() ? split(out.get()) : Parts{};
}

std::vector<std::uint8_t> pixel_rows(const Parts& p, unsigned bytesPerPixel) {
  std::vector<std::uint8_t> out;
  const int w = p.header.biWidth;
  for (int y = 0; y < p.header.biHeight; ++y) {
    auto row = p.pixels.begin() + y * dib_stride(w, 8 * bytesPerPixel);
    out.insert(out.end(), row, row + bytesPerPixel * w);
  }
  return out;
}

}  // namespace

TEST(ChangeDibFormat, OnlyKnownTargetPairsAreWritten) {
  pcore::OwnedBlock dib(
      make_dib(DibBuilder().size(5, 3).colours(random_table(256, 1)).data(random_bytes(24, 1))));
  const auto before = block_bytes(dib.get());
  for (auto [bits, compression] : {std::pair<unsigned short, std::uint32_t>{24, BI_RLE8},
                                   {0, BI_RLE4},
                                   {0, BI_BITFIELDS},
                                   {1, BI_RLE8},
                                   {16, BI_RLE4},
                                   {2, BI_RGB},
                                   {8, BI_RLE4}}) {
    EXPECT_FALSE(ChangeDIBFormat(dib.get(), bits, compression)) << bits << "/" << compression;
    EXPECT_EQ(block_bytes(dib.get()), before);
  }
  for (auto [bits, compression] : {std::pair<unsigned short, std::uint32_t>{0, BI_RLE8},
                                   {1, BI_RGB},
                                   {4, BI_RLE4},
                                   {16, BI_BITFIELDS},
                                   {16, BI_RGB},
                                   {32, BI_BITFIELDS},
                                   {32, BI_RGB}}) {
    bool ok = false;
    Parts p = convert_copy(dib.get(), bits, compression, &ok);
    ASSERT_TRUE(ok) << bits << "/" << compression;
    EXPECT_EQ(p.header.biBitCount, bits ? bits : 8);
  }
  // Nothing writes 2-bit images, so keeping a 2-bit depth fails.
  pcore::OwnedBlock two(
      make_dib(DibBuilder().size(3, 1).depth(2).colours(random_table(4, 2)).data({0, 0, 0, 0})));
  EXPECT_FALSE(ChangeDIBFormat(two.get(), 0, BI_RGB));
}

TEST(ChangeDibFormat, MaskedPixelsWidenExactly) {
  const std::vector<std::uint32_t> cases[] = {
      {0x7C00, 0x03E0, 0x001F}, {0xF800, 0x07E0, 0x001F},     {0x0007, 0x0E00, 0xF000},  {0x3, 0x4, 0x8},
      {0xFF0000, 0xFF00, 0xFF}, {0x3FF00000, 0xFFC00, 0x3FF}, {0xFFFF0000, 0xFF80, 0x3F}};
  for (const auto& masks : cases) {
    const std::uint16_t bits = masks[0] > 0xFFFF ? 32 : 16;
    const bool stored =
        masks[0] != 0x7C00 && masks[0] != 0xFF0000;  // else the depth's defaults, uncompressed
    const int w = 7, h = 4;
    std::vector<std::uint8_t> px = random_bytes(dib_stride(w, bits) * h, masks[2]);
    auto builder = DibBuilder().size(w, h).depth(bits, stored ? BI_BITFIELDS : BI_RGB).data(px);
    pcore::OwnedBlock dib(make_dib(stored ? builder.with_masks(masks) : builder));
    Parts p = convert_copy(dib.get(), 24, BI_RGB);
    EXPECT_EQ(p.header.biSizeImage, dib_stride(w, 24) * h);
    std::vector<std::uint8_t> got = pixel_rows(p, 3);
    ASSERT_EQ(got.size(), 3u * w * h);
    for (int i = 0; i < w * h; ++i) {
      std::uint32_t v = 0;
      std::memcpy(&v, &px[i / w * dib_stride(w, bits) + i % w * bits / 8], bits / 8);
      for (int k = 0; k < 3; ++k) ASSERT_EQ(got[3 * i + k], widen_reference(v, masks[2 - k])) << masks[2 - k];
    }
  }
  // Zero, overlapping and broken masks cannot be decoded.
  for (std::vector<std::uint32_t> masks :
       {std::vector<std::uint32_t>{0xF800, 0, 0x1F}, {0xF800, 0x0FE0, 0x1F}, {0xF800, 0x06E0, 0x1F}}) {
    pcore::OwnedBlock dib(
        make_dib(DibBuilder().size(2, 1).depth(16, BI_BITFIELDS).with_masks(masks).data({1, 2, 3, 4})));
    EXPECT_FALSE(ChangeDIBFormat(dib.get(), 24, BI_RGB));
  }
}

TEST(ChangeDibFormat, TrueColourTargetsKeepTheTopBitsAndComeOutBottomUp) {
  const int w = 5, h = 3;
  std::vector<std::uint8_t> bgr = random_bytes(3 * w * h, 11), px(dib_stride(w, 24) * h);
  for (int y = 0; y < h; ++y) std::memcpy(&px[(h - 1 - y) * dib_stride(w, 24)], &bgr[3 * w * y], 3 * w);
  pcore::OwnedBlock dib(make_dib(DibBuilder().size(w, -h).depth(24).data(px)));
  EXPECT_EQ(pixel_rows(convert_copy(dib.get(), 24, BI_RGB), 3), bgr);
  Parts p555 = convert_copy(dib.get(), 16, BI_RGB), p565 = convert_copy(dib.get(), 16, BI_BITFIELDS);
  Parts p32 = convert_copy(dib.get(), 32, BI_BITFIELDS);
  EXPECT_EQ(p565.masks, (std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}));
  EXPECT_EQ(p32.masks, (std::vector<std::uint32_t>{0xFF0000, 0xFF00, 0xFF}));
  std::vector<std::uint8_t> v555 = pixel_rows(p555, 2), v565 = pixel_rows(p565, 2), v32 = pixel_rows(p32, 4);
  for (int i = 0; i < w * h; ++i) {
    const unsigned b = bgr[3 * i], g = bgr[3 * i + 1], r = bgr[3 * i + 2];
    EXPECT_EQ(v555[2 * i] | v555[2 * i + 1] << 8, (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    EXPECT_EQ(v565[2 * i] | v565[2 * i + 1] << 8, (r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
    EXPECT_EQ(std::vector<std::uint8_t>(&v32[4 * i], &v32[4 * i + 4]),
              (std::vector<std::uint8_t>{bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2], 0}));
  }
}

TEST(ChangeDibFormat, TrueColourToPaletteMapsToNearestEntry) {
  const int w = 61, h = 23;
  // A few dominant colours and noise, so frequent and rare colours are both mapped.
  std::vector<std::uint8_t> bgr = random_bytes(3 * w * h, 21), px(dib_stride(w, 24) * h);
  for (int i = 0; i < 3 * w * h; i += 12)
    bgr[i] = bgr[i + 1] = bgr[i + 2] = static_cast<std::uint8_t>(i % 5 * 60);
  for (int y = 0; y < h; ++y) std::memcpy(&px[y * dib_stride(w, 24)], &bgr[3 * w * y], 3 * w);
  pcore::OwnedBlock dib(make_dib(DibBuilder().size(w, h).depth(24).data(px)));
  std::unique_ptr<LogicalPalette> palette(CreateDIBPalette(dib.get()));
  for (unsigned short bits : {8, 4, 1}) {
    Parts p = convert_copy(dib.get(), bits, BI_RGB);
    ASSERT_EQ(p.table.size(), bits == 8 ? 256u : (bits == 4 ? 16u : 2u));  // 256 colours only fit 8 bits
    // The histogram palette at 8 bits; standard tables at 4 (entry 1 dark red) and 1 (white last).
    const unsigned want[] = {palette->entries[255].peBlue, 128, 255};
    EXPECT_EQ(bits == 4 ? p.table[1].rgbRed : p.table.back().rgbBlue,
              want[bits == 8 ? 0 : (bits == 4 ? 1 : 2)]);
    expect_nearest(p, bgr, w, h);
  }
}

TEST(ChangeDibFormat, PaletteSourcesKeepOrMapIndices) {
  const int w = 9, h = 5;
  // The source's table becomes the target's, so indices are copied even where colours repeat.
  for (auto [from, to] : {std::pair<std::uint16_t, unsigned short>{4, 8}, {2, 4}, {1, 8}}) {
    std::vector<std::uint8_t> idx = random_bytes(w * h, from, 1u << from);
    std::vector<RGBQUAD> table(1u << from, RGBQUAD{7, 7, 7, 0});
    pcore::OwnedBlock dib(
        make_dib(DibBuilder().size(w, h).depth(from).colours(table).data(pack_rows(idx, w, from))));
    Parts p = convert_copy(dib.get(), to, BI_RGB);
    EXPECT_EQ(p.table.size(), table.size());
    EXPECT_EQ(unpack_rows(p.pixels, w, h, to), idx) << from << " -> " << to;
  }
  // 20 colours with indices past the table, which read as black.
  std::vector<RGBQUAD> table = random_table(20, 5);
  std::vector<std::uint8_t> idx = random_bytes(w * h, 6, 24), bgr;
  for (std::uint8_t i : idx) {
    RGBQUAD c = i < 20 ? table[i] : RGBQUAD{0, 0, 0, 0};
    bgr.insert(bgr.end(), &c.rgbBlue, &c.rgbBlue + 3);
  }
  pcore::OwnedBlock dib(make_dib(DibBuilder().size(w, h).colours(table, 20).data(pack_rows(idx, w, 8))));
  EXPECT_EQ(pixel_rows(convert_copy(dib.get(), 24, BI_RGB), 3), bgr);
  expect_nearest(convert_copy(dib.get(), 4, BI_RGB), bgr, w, h);  // too many colours: standard table
  Parts same = convert_copy(dib.get(), 8, BI_RGB);
  ASSERT_EQ(same.table.size(), 20u);
  std::vector<std::uint8_t> got = unpack_rows(same.pixels, w, h, 8);
  const std::uint8_t black[3] = {0, 0, 0};
  for (int i = 0; i < w * h; ++i) EXPECT_EQ(got[i], idx[i] < 20 ? idx[i] : nearest_reference(table, black));
}

TEST(ChangeDibFormat, HeaderVariantsAndMalformedHeaders) {
  // Core header: only the direct true-colour path works, the others need the palette a core header lacks.
  pcore::OwnedBlock core(
      make_dib(DibBuilder().header(12).size(2, 1).depth(24).data({1, 2, 3, 4, 5, 6, 0, 0})));
  EXPECT_EQ(convert_copy(core.get(), 32, BI_RGB).pixels, (std::vector<std::uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}));
  bool ok = true;
  convert_copy(core.get(), 8, BI_RGB, &ok);
  EXPECT_FALSE(ok);
  // A larger header: the table follows all of it.
  pcore::OwnedBlock v4(make_dib(DibBuilder()
                                    .header(108)
                                    .size(2, 1)
                                    .depth(1)
                                    .colours({{0, 0, 0, 0}, {10, 20, 30, 0}})
                                    .data({0x40, 0, 0, 0})));
  EXPECT_EQ(pixel_rows(convert_copy(v4.get(), 24, BI_RGB), 3),
            (std::vector<std::uint8_t>{0, 0, 0, 10, 20, 30}));

  auto table = random_table(256, 3);
  std::vector<DibBuilder> bad = {
      DibBuilder().size(0, 1).colours(table).data({0, 0, 0, 0}),
      DibBuilder().size(1, 0).colours(table).data({0, 0, 0, 0}),
      DibBuilder().size(70000, 1).depth(1).colours(table).data(std::vector<std::uint8_t>(9000)),
      DibBuilder().depth(3).data({0, 0, 0, 0}),
      DibBuilder().depth(4, BI_RLE8).colours(table).data({0, 1}),
      DibBuilder().depth(24, BI_BITFIELDS).with_masks({0xFF0000, 0xFF00, 0xFF}).data({0, 0, 0, 0}),
      DibBuilder().colours(table, 300).data({0, 0, 0, 0}),                    // table past the block
      DibBuilder().size(4, 3).depth(24).data(std::vector<std::uint8_t>(35)),  // rows missing
      DibBuilder().header(44).depth(24).data({0, 0, 0, 0}),
  };
  for (const DibBuilder& builder : bad) {
    pcore::OwnedBlock dib(make_dib(builder));
    auto before = block_bytes(dib.get());
    EXPECT_FALSE(ChangeDIBFormat(dib.get(), 24, BI_RGB))
        << builder.width << "x" << builder.height << "x" << builder.bits;
    EXPECT_EQ(block_bytes(dib.get()), before);
  }
}
