#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>

#include "tests/imgfile/dib_test_blocks.h"

using namespace dibtest;

namespace {

using PalettePtr = std::unique_ptr<LogicalPalette>;

// Saturating counts, then a stable sort by count so that equal counts keep key order.
std::vector<PALETTEENTRY> histogram_reference(const std::vector<std::uint16_t>& keys) {
  std::vector<unsigned> counts(65536), order(65536);
  for (std::uint16_t k : keys) counts[k] = std::min(counts[k] + 1, 65535u);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return counts[a] > counts[b]; });
  std::vector<PALETTEENTRY> out;
  for (unsigned k : std::vector<unsigned>(order.begin(), order.begin() + 256)) {
    out.push_back({static_cast<std::uint8_t>((k >> 8) & 0xF8), static_cast<std::uint8_t>((k >> 3) & 0xFC),
                   static_cast<std::uint8_t>((k << 3) & 0xF8), 0});
  }
  return out;
}

unsigned channel_reference(std::uint32_t pixel, std::uint32_t mask) {
  while (std::popcount(mask) > 8) mask &= mask - 1;  // drop the lowest set bit
  return ((pixel & mask) >> std::countr_zero(mask)) << (8 - std::popcount(mask));
}

std::uint16_t key_of(unsigned r, unsigned g, unsigned b) {
  return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
}

bool same_colours(const LogicalPalette& p, const std::vector<PALETTEENTRY>& want) {
  return p.entries.size() == want.size() &&
         std::equal(want.begin(), want.end(), p.entries.begin(), [](auto a, auto b) {
           return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && b.peFlags == 0;
         });
}

}  // namespace

TEST(DibInfo, FillsSizeAndColoursOnlyWhereMissing) {
  pcore::OwnedBlock rgb(make_dib(DibBuilder().size(3, -2).depth(24).data(std::vector<std::uint8_t>(24))));
  BITMAPINFOHEADER h;
  ASSERT_EQ(DIBInfo(rgb.get(), &h), 1);
  EXPECT_EQ(h.biSizeImage, 24u);  // 12-byte padded rows; top-down rows count as rows
  EXPECT_EQ(h.biClrUsed, 0u);
  pcore::OwnedBlock pal(make_dib(DibBuilder().size(5, 1).depth(4).data({0, 0, 0, 0})));
  ASSERT_EQ(DIBInfo(pal.get(), &h), 1);
  EXPECT_EQ(h.biClrUsed, 16u);
  EXPECT_EQ(split(pal.get()).header.biClrUsed, 0u) << "the block itself is not changed";
  pcore::OwnedBlock core(make_dib(DibBuilder().header(12).size(2, 1).depth(24).data({0, 0, 0, 0})));
  ASSERT_EQ(DIBInfo(core.get(), &h), 1);
  EXPECT_EQ(h.biSizeImage, 0u);
  pcore::OwnedBlock tiny(GlobalAlloc(20));
  EXPECT_EQ(DIBInfo(tiny.get(), &h), 0);
  EXPECT_EQ(DIBInfo(rgb.get(), nullptr), 0);
}

TEST(CreateDibPalette, PaletteImagesGiveTheirTableAndRecordItsSize) {
  std::vector<RGBQUAD> table = random_table(20, 1);
  pcore::OwnedBlock eight(make_dib(DibBuilder().colours(table, 20).data({0, 0, 0, 0})));
  PalettePtr p(CreateDIBPalette(eight.get()));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->palVersion, 0x300);
  ASSERT_EQ(p->entries.size(), 20u);
  EXPECT_EQ(p->entries[19].peRed, table[19].rgbRed);
  pcore::OwnedBlock four(make_dib(DibBuilder().depth(4).colours(random_table(16, 2)).data({0, 0, 0, 0})));
  EXPECT_EQ(PalettePtr(CreateDIBPalette(four.get()))->entries.size(), 16u);
  EXPECT_EQ(split(four.get()).header.biClrUsed, 16u);
  pcore::OwnedBlock core(
      make_dib(DibBuilder().header(12).depth(1).colours(random_table(2, 3)).data({0, 0, 0, 0})));
  EXPECT_FALSE(PalettePtr(CreateDIBPalette(core.get())));
}

TEST(CreateDibPalette, TrueColourHistogramMatchesReference) {
  struct Case {
    std::uint16_t bits;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;  // 24 bits: none
    int width, height;
  };
  const Case cases[] = {
      {16, BI_RGB, {0x7C00, 0x03E0, 0x001F}, 7, 11},  // odd width: the padding pixel counts too
      {16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, 5, 9},
      {32, BI_RGB, {0xFF0000, 0xFF00, 0xFF}, 13, 7},
      {32, BI_BITFIELDS, {0x3FF00000, 0x000FFC00, 0x3FF}, 6, 5},  // 10-bit channels keep their top 8
      {24, BI_RGB, {}, 400, 420},  // over 65535 of two colours: saturated counts tie, lower key first
  };
  for (const Case& c : cases) {
    const std::size_t stride = dib_stride(c.width, c.bits);
    // Masking many bytes leaves few distinct colours, so counts decide the order as well as keys.
    std::vector<std::uint8_t> px = random_bytes(stride * c.height, c.width);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] &= (i % 3) ? 0xC3 : 0xFF;
    std::vector<std::uint16_t> keys;
    if (c.bits == 24) {
      for (int i = 0; i < c.width * c.height; ++i) {
        std::uint8_t* p = &px[i / c.width * stride + i % c.width * 3];
        p[0] = p[1] = p[2] = i < 100000 ? 0xF0 : (i < 166000 ? 0x10 : p[0]);
        keys.push_back(key_of(p[2], p[1], p[0]));
      }
    }
    for (std::size_t i = 0; c.bits != 24 && i < px.size(); i += c.bits / 8) {
      std::uint32_t v = 0;
      std::memcpy(&v, &px[i], c.bits / 8);
      keys.push_back(key_of(channel_reference(v, c.masks[0]), channel_reference(v, c.masks[1]),
                            channel_reference(v, c.masks[2])));
    }
    auto builder = DibBuilder().size(c.width, c.height).depth(c.bits, c.compression).data(px);
    pcore::OwnedBlock dib(make_dib(c.compression ? builder.with_masks(c.masks) : builder));
    PalettePtr p(CreateDIBPalette(dib.get()));
    ASSERT_TRUE(p);
    EXPECT_TRUE(same_colours(*p, histogram_reference(keys))) << c.bits << " bits, width " << c.width;
  }
}

TEST(CreateDibPalette, OneColourLeadsWithItsLowBitsCleared) {
  pcore::OwnedBlock dib(
      make_dib(DibBuilder().size(1, 2).depth(24).data({0xFF, 0x45, 0x87, 0, 0xFF, 0x45, 0x87, 0})));
  PalettePtr p(CreateDIBPalette(dib.get()));
  ASSERT_TRUE(p);
  ASSERT_EQ(p->entries.size(), 256u);
  EXPECT_EQ(p->entries[0].peRed, 0x80);
  EXPECT_EQ(p->entries[0].peGreen, 0x44);
  EXPECT_EQ(p->entries[0].peBlue, 0xF8);
}

TEST(CreateDibPalette, BrokenMasksGiveTheColourCube) {
  pcore::OwnedBlock dib(make_dib(DibBuilder()
                                     .size(2, 1)
                                     .depth(16, BI_BITFIELDS)
                                     .with_masks({0x7C00, 0x0360, 0x001F})
                                     .data({1, 2, 3, 4})));
  PalettePtr p(CreateDIBPalette(dib.get()));
  ASSERT_TRUE(p);
  ASSERT_EQ(p->entries.size(), 256u);
  for (unsigned i = 0; i < 256; ++i) {
    ASSERT_EQ(p->entries[i].peRed, (i % 8) * 32);
    ASSERT_EQ(p->entries[i].peGreen, ((i / 8) % 8) * 32);
    ASSERT_EQ(p->entries[i].peBlue, (i / 64) * 64);
  }
}
