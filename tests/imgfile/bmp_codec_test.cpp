#include <gtest/gtest.h>

#include <cstring>

#include "imgfile/codaxe.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
std::uint32_t get32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A bitmap file made by hand: file header (optional), information header of `headerSize` bytes, the given
// table and rows.
struct BmpBuilder {
  std::uint32_t headerSize = 40;
  int width = 4;
  int height = 2;
  unsigned bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  bool fileHeader = true;
  Bytes masks;  // written inside long headers or after a 40-byte one
  Bytes table;
  Bytes rows;

  Bytes build() const {
    Bytes info;
    put32(info, headerSize);
    if (headerSize == 12) {
      put16(info, width);
      put16(info, static_cast<unsigned>(height));
      put16(info, 1);
      put16(info, bits);
    } else {
      put32(info, static_cast<std::uint32_t>(width));
      put32(info, static_cast<std::uint32_t>(height));
      put16(info, 1);
      put16(info, bits);
      put32(info, compression);
      put32(info, static_cast<std::uint32_t>(rows.size()));
      put32(info, 0);
      put32(info, 0);
      put32(info, colorsUsed);
      put32(info, 0);
      if (headerSize > 40) info.insert(info.end(), masks.begin(), masks.end());
      info.resize(headerSize, 0);
      if (headerSize == 40) info.insert(info.end(), masks.begin(), masks.end());
    }
    Bytes out;
    if (fileHeader) {
      std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + table.size());
      out = {'B', 'M'};
      put32(out, offset + static_cast<std::uint32_t>(rows.size()));
      put32(out, 0);
      put32(out, offset);
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
  }
};

Bytes quad_table(std::initializer_list<RGBCOLOR> colours, bool core = false) {
  Bytes t;
  for (const RGBCOLOR& c : colours) {
    t.insert(t.end(), {c.blue, c.green, c.red});
    if (!core) t.push_back(0);
  }
  return t;
}

LoadedImage load_bytes(const ScratchDir& dir, const Bytes& bytes, const char* name = "x.bmp") {
  write_file(dir.file(name), bytes);
  return load_image(dir.file(name));
}

}  // namespace

TEST(BmpCodec, RoundTripsEveryDepthWithOddWidths) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 3, 7, 33}) {
      RawPicture pic = make_picture(width, 5, bits, width + bits);
      std::string path = dir.file("rt.bmp");
      ASSERT_EQ(save_image(CT_BMP, path, pic), 1);
      LoadedImage back = load_image(path);
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      ASSERT_EQ(back.result, 1);
      EXPECT_EQ(back.width, width);
      EXPECT_EQ(back.height, 5);
      EXPECT_EQ(back.bits, bits);
      EXPECT_EQ(back.pixels, pic.pixels);
      if (bits <= 8) {
        EXPECT_EQ(back.colors, 1u << bits);
        EXPECT_EQ(std::memcmp(back.palette.data(), pic.palette.data(), 3u << bits), 0);
      } else {
        EXPECT_EQ(back.colors, 0);
        // True-colour images come with the default palette.
        EXPECT_EQ(back.palette[9].red, 32);
        EXPECT_EQ(back.palette[9].green, 32);
        EXPECT_EQ(back.palette[200].blue, 192);
      }
    }
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(BmpCodec, WriterLayout) {
  ScratchDir dir;
  RawPicture truecolour = make_picture(3, 2, 24);
  std::string path = dir.file("t.bmp");
  ASSERT_EQ(save_image(CT_BMP, path, truecolour), 1);
  Bytes file = read_file(path);
  EXPECT_EQ(get32(file, 10), 54u);
  EXPECT_EQ(get32(file, 2), 54u + 12 * 2);
  EXPECT_EQ(file.size(), 54u + 12 * 2);

  // Ten colours of a 4-bit image come from its palette; the rest of the table is the default one.
  RawPicture tencolours = make_picture(4, 4, 4);
  tencolours.colors = 10;
  path = dir.file("ten.bmp");
  ASSERT_EQ(save_image(CT_BMP, path, tencolours), 1);
  file = read_file(path);
  EXPECT_EQ(get32(file, 10), 14u + 40 + 64);
  EXPECT_EQ(get32(file, 46), 16u);
  const unsigned char* table = &file[54];
  EXPECT_EQ(table[9 * 4 + 2], tencolours.palette[9].red);
  EXPECT_EQ(table[9 * 4 + 0], tencolours.palette[9].blue);
  const unsigned char expected10[] = {0, 255, 0, 0};  // green, as blue-green-red
  EXPECT_EQ(std::memcmp(table + 10 * 4, expected10, 4), 0);
  const unsigned char expected15[] = {255, 255, 255, 0};
  EXPECT_EQ(std::memcmp(table + 15 * 4, expected15, 4), 0);

  // Saving as .rle still writes uncompressed data, under the .rle name.
  RawPicture eight = make_picture(9, 3, 8);
  path = dir.file("r");
  ASSERT_EQ(save_image(CT_RLE, path, eight), 1);
  EXPECT_EQ(path, dir.file("r.rle"));
  file = read_file(path);
  EXPECT_EQ(get32(file, 30), 0u);
  LoadedImage back = load_image(path);
  EXPECT_EQ(back.pixels, eight.pixels);
}

TEST(BmpCodec, WriterRefusesImagesItCannotDescribe) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  RawPicture pic = make_picture(4, 4, 8);
  pic.bits = 16;
  std::string path = dir.file("bad.bmp");
  EXPECT_EQ(save_image(CT_BMP, path, pic), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Error writing bitmap data");
}

TEST(BmpCodec, ReadsHeaderVariantsRealWritersProduce) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  const RGBCOLOR red{255, 0, 0}, blue{0, 0, 255};

  // A bare packed DIB without file header.
  BmpBuilder bare;
  bare.fileHeader = false;
  bare.colorsUsed = 2;
  bare.table = quad_table({red, blue});
  bare.rows = {0, 1, 1, 0, 1, 1, 0, 0};
  LoadedImage img = load_bytes(dir, bare.build(), "bare.dib");
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.colors, 2);
  EXPECT_EQ(img.pixels, bare.rows);
  EXPECT_EQ(img.palette[1].blue, 255);

  // The OS/2 core header with three-byte colour entries.
  BmpBuilder core;
  core.headerSize = 12;
  core.bits = 1;
  core.table = quad_table({red, blue}, true);
  core.rows = {0x50, 0, 0, 0, 0xA0, 0, 0, 0};
  img = load_bytes(dir, core.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.colors, 2);
  EXPECT_EQ(img.palette[0].red, 255);
  EXPECT_EQ(img.palette[1].blue, 255);
  EXPECT_EQ(img.pixels, core.rows);

  // Long headers: the first 40 bytes count, the rest is skipped.
  for (std::uint32_t size : {52u, 56u, 108u, 124u, 64u}) {
    BmpBuilder v;
    v.headerSize = size;
    v.colorsUsed = 2;
    v.table = quad_table({red, blue});
    v.rows = {1, 0, 0, 1, 0, 0, 1, 1};
    img = load_bytes(dir, v.build());
    SCOPED_TRACE(size);
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(img.pixels, v.rows);
    EXPECT_EQ(img.palette[0].red, 255);
  }

  // Top-down rows are delivered bottom-up.
  BmpBuilder top;
  top.height = -2;
  top.colorsUsed = 2;
  top.table = quad_table({red, blue});
  top.rows = {1, 1, 1, 1, 0, 0, 0, 0};
  img = load_bytes(dir, top.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.pixels, (Bytes{0, 0, 0, 0, 1, 1, 1, 1}));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(BmpCodec, RefusesHostileHeadersCleanly) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  auto refused = [&](BmpBuilder b, int error) {
    LoadedImage img = load_bytes(dir, b.build());
    EXPECT_EQ(img.result, 0);
    EXPECT_EQ(img.error, error);
  };
  BmpBuilder ok;
  ok.rows = Bytes(8, 0);

  BmpBuilder huge = ok;  // a few bytes claiming gigabytes
  huge.width = 60000;
  huge.height = 60000;
  huge.bits = 24;
  refused(huge, CE_DATA);
  BmpBuilder wide = ok;
  wide.width = 70000;
  refused(wide, CE_HEADER);
  BmpBuilder zero = ok;
  zero.width = 0;
  refused(zero, CE_HEADER);
  BmpBuilder oddHeader = ok;
  oddHeader.headerSize = 200;
  refused(oddHeader, CE_HEADER);
  BmpBuilder depth = ok;
  depth.bits = 7;
  refused(depth, CE_DATA);
  BmpBuilder mismatch = ok;  // 4-bit run-length data in an 8-bit image
  mismatch.compression = BI_RLE4;
  refused(mismatch, CE_DATA);
  BmpBuilder palette = ok;  // a colour table running past the end of the file
  palette.colorsUsed = 4000;
  refused(palette, CE_HEADER);
  BmpBuilder jpeg = ok;
  jpeg.compression = 4;
  refused(jpeg, CE_DATA);

  // Run-length data may not expand beyond a fixed ratio: a few bytes declaring 13323x9216 pixels are refused.
  LoadedImage bomb =
      load_image(std::string(SUITE_SOURCE_DIR) + "/fuzz/findings/bmp_reader-timeout-rle4-13323x9216.bmp");
  EXPECT_EQ(bomb.result, 0);
  EXPECT_EQ(bomb.error, CE_MEMORY);

  // Cut at every length, a valid file gives a clean failure, never a crash or a short read.
  BmpBuilder full;
  full.width = 5;
  full.height = 3;
  full.colorsUsed = 3;
  full.table = quad_table({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  full.rows = Bytes(24, 2);
  Bytes bytes = full.build();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    LoadedImage img = load_bytes(dir, Bytes(bytes.begin(), bytes.begin() + n));
    EXPECT_EQ(img.result, 0) << "cut at " << n;
    EXPECT_LT(img.error, 0) << "cut at " << n;
  }
  EXPECT_EQ(load_bytes(dir, bytes).result, 1);
}
