#include <gtest/gtest.h>

#include "imgfile/dib/nearest_colour.h"
#include "tests/imgfile/dib_test_blocks.h"

using namespace dibtest;

TEST(DibFromBitmap, WritesEachDepthWithTheRightTable) {
  DeviceBitmap bm;
  bm.width = 7;
  bm.height = 4;
  std::vector<std::uint8_t> bgr = random_bytes(3 * 28, 2);  // bottom-up, as the DIB stores it
  for (int i = 0; i < 28; ++i) {
    const std::uint8_t* c = &bgr[3 * ((3 - i / 7) * 7 + i % 7)];
    bm.pixels.push_back(c[2] << 16 | c[1] << 8 | c[0]);
  }
  LogicalPalette six, two;
  for (int i = 0; i < 6; ++i) six.entries.push_back({static_cast<std::uint8_t>(i * 50), 128, 0, 0});
  two.entries = {{255, 0, 0, 0}, {0, 0, 255, 0}};

  pcore::OwnedBlock rgb(DIBFromBitmap(&bm, BI_RGB, 24, nullptr));
  ASSERT_TRUE(rgb.get());
  Parts p = split(rgb.get());
  EXPECT_EQ(p.header.biSizeImage, 4u * 24);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(&p.pixels[24 * y], &bgr[21 * y], 21)) << y;
  pcore::OwnedBlock device(DIBFromBitmap(&bm, BI_RGB, 0, nullptr));
  EXPECT_EQ(split(device.get()).header.biBitCount, 32);

  struct Case {
    unsigned short bits;
    std::uint32_t compression;
    HPALETTE palette;
    std::size_t tableSize;
    std::uint8_t lastRed;  // tells the given palette from a standard table
  };
  const Case cases[] = {{8, BI_RGB, &six, 6, 250}, {8, BI_RLE8, nullptr, 20, 255},
                        {4, BI_RGB, &six, 6, 250}, {4, BI_RLE4, nullptr, 16, 255},
                        {1, BI_RGB, &two, 2, 0},   {1, BI_RGB, &six, 2, 255}};
  for (const Case& c : cases) {
    HGLOBAL made = DIBFromBitmap(&bm, c.compression, c.bits, c.palette);
    ASSERT_TRUE(made);
    EXPECT_EQ(split(made).header.biCompression, c.compression);
    pcore::OwnedBlock dib(c.compression ? ChangeDIBFormat(made, 0, BI_RGB) : made);
    ASSERT_TRUE(dib.get());
    Parts q = split(dib.get());
    ASSERT_EQ(q.table.size(), c.tableSize);
    EXPECT_EQ(q.table.back().rgbRed, c.lastRed);
    expect_nearest(q, bgr, 7, 4);
  }
  EXPECT_FALSE(DIBFromBitmap(nullptr, BI_RGB, 24, nullptr));
  EXPECT_FALSE(DIBFromBitmap(&bm, BI_RLE8, 24, nullptr));
  EXPECT_FALSE(DIBFromBitmap(&bm, BI_RGB, 2, nullptr));
  bm.pixels.pop_back();
  EXPECT_FALSE(DIBFromBitmap(&bm, BI_RGB, 24, nullptr));
}

TEST(NearestColour, CachedSearchAgreesWithPlainSearch) {
  for (unsigned seed = 0; seed < 6; ++seed) {
    std::vector<RGBQUAD> table = random_table(seed == 0 ? 1 : 50 * seed, seed);
    // Duplicates and coarse green make ties common.
    for (std::size_t i = 0; i < table.size(); i += 3) table[i] = table[i / 2];
    for (auto& e : table) e.rgbGreen &= 0xE0;
    codaxe::dib::NearestColour nearest(table);
    std::vector<std::uint8_t> colours = random_bytes(3 * 20000, seed + 100);
    for (std::size_t i = 0; i < colours.size(); i += 3) {
      const std::uint8_t* c = &colours[(i / 3) % 5 ? i : i / 6 * 3];  // some repeats hit the cache
      ASSERT_EQ(nearest(c[0], c[1], c[2]), nearest_reference(table, c)) << seed << " " << i;
    }
  }
}
