#include <gtest/gtest.h>

#include <cstring>

#include "imgfile/codaxe.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

using Bytes = std::vector<unsigned char>;

// A Targa file made by hand: header, id text, colour map and pixel data as given.
struct TgaBuilder {
  Bytes id;
  unsigned mapType = 0;
  unsigned type = 2;
  unsigned mapFirst = 0;
  unsigned mapLength = 0;
  unsigned mapEntryBits = 0;
  unsigned width = 2;
  unsigned height = 2;
  unsigned depth = 24;
  unsigned descriptor = 0;
  Bytes map;
  Bytes data;

  Bytes build() const {
    Bytes h(18, 0);
    h[0] = static_cast<unsigned char>(id.size());
    h[1] = static_cast<unsigned char>(mapType);
    h[2] = static_cast<unsigned char>(type);
    put16(h, 3, mapFirst);
    put16(h, 5, mapLength);
    h[7] = static_cast<unsigned char>(mapEntryBits);
    put16(h, 12, width);
    put16(h, 14, height);
    h[16] = static_cast<unsigned char>(depth);
    h[17] = static_cast<unsigned char>(descriptor);
    for (const Bytes* part : {&id, &map, &data}) h.insert(h.end(), part->begin(), part->end());
    return h;
  }
  static void put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
  }
};

LoadedImage load_bytes(const ScratchDir& dir, const Bytes& file) {
  std::string path = dir.file("in.tga");
  write_file(path, file);
  return load_image(path);
}

Bytes top_down(const LoadedImage& img) {
  const RgbImage rgb = img.rgb();
  return rgb.rgb;
}

bool same(const RGBCOLOR& a, const RGBCOLOR& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace

TEST(TgaReader, OriginBitDecidesTheRowOrderAndBothAreDeliveredBottomUp) {
  ScratchDir dir;
  TgaBuilder b;
  b.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // file rows of two blue-green-red pixels
  LoadedImage bottomFirst = load_bytes(dir, b.build());
  b.descriptor = 0x20;
  LoadedImage topFirst = load_bytes(dir, b.build());
  ASSERT_EQ(bottomFirst.result, 1);
  ASSERT_EQ(topFirst.result, 1);
  EXPECT_EQ(bottomFirst.bits, 24);
  EXPECT_EQ(bottomFirst.colors, 0);
  EXPECT_EQ(Bytes(bottomFirst.pixels.begin(), bottomFirst.pixels.begin() + 6), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Bytes(topFirst.pixels.begin(), topFirst.pixels.begin() + 6), (Bytes{7, 8, 9, 10, 11, 12}));
}

TEST(TgaReader, RunLengthPacketsCrossRowsAndAlphaIsDropped) {
  ScratchDir dir;
  TgaBuilder b;
  b.type = 10;
  b.depth = 32;
  b.width = 3;
  b.descriptor = 0x28;  // top row first, eight bits of alpha
  // A run of four crosses the first row's end; a literal packet of two ends the second row.
  b.data = {0x83, 10, 20, 30, 99, 0x01, 1, 2, 3, 99, 4, 5, 6, 99};
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.bits, 24);
  EXPECT_EQ(top_down(img), (Bytes{30, 20, 10, 30, 20, 10, 30, 20, 10,  //
                                  30, 20, 10, 3, 2, 1, 6, 5, 4}));
}

TEST(TgaReader, FifteenAndSixteenBitPixelsShiftFiveBitChannels) {
  ScratchDir dir;
  TgaBuilder b;
  b.width = 2;
  b.height = 1;
  for (unsigned depth : {15u, 16u}) {
    b.depth = depth;
    b.data = {0x1F, 0x80, 0xE0, 0x7F};  // blue 31 (and the top bit); red 31, green 31
    LoadedImage img = load_bytes(dir, b.build());
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(top_down(img), (Bytes{0, 0, 248, 248, 248, 0}));
  }
}

TEST(TgaReader, ColourMapsOfEveryEntrySizeLandFromTheirFirstEntry) {
  ScratchDir dir;
  TgaBuilder b;
  b.type = 1;
  b.depth = 8;
  b.width = 2;
  b.height = 1;
  b.mapType = 1;
  b.mapFirst = 5;
  b.mapLength = 2;
  b.data = {5, 6};
  const std::pair<unsigned, Bytes> maps[] = {
      {15, {0x1F, 0x00, 0x00, 0x7C}},
      {16, {0x1F, 0x00, 0x00, 0x7C}},
      {24, {248, 0, 0, 0, 0, 248}},
      {32, {248, 0, 0, 1, 0, 0, 248, 2}},
  };
  for (const auto& [bits, map] : maps) {
    SCOPED_TRACE(bits);
    b.mapEntryBits = bits;
    b.map = map;
    LoadedImage img = load_bytes(dir, b.build());
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(img.bits, 8);
    EXPECT_EQ(img.colors, 256);
    EXPECT_TRUE(same(img.palette[5], RGBCOLOR{0, 0, 248}));
    EXPECT_TRUE(same(img.palette[6], RGBCOLOR{248, 0, 0}));
    EXPECT_EQ(top_down(img), (Bytes{0, 0, 248, 248, 0, 0}));
  }
  // A map that runs past entry 255 keeps what fits and the pixels still start after the whole map.
  b.mapFirst = 255;
  b.mapEntryBits = 24;
  b.map = {1, 2, 3, 4, 5, 6};
  b.data = {255, 0};
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_TRUE(same(img.palette[255], RGBCOLOR{3, 2, 1}));
  EXPECT_EQ(img.pixels[0], 255);
  EXPECT_EQ(img.pixels[1], 0);
  // A map said to be present but of length 0 (entry size 0 too) is a map with no entries.
  b.mapLength = 0;
  b.mapEntryBits = 0;
  b.map = {};
  b.data = {9, 4};
  img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.pixels[0], 9);
  EXPECT_EQ(img.pixels[1], 4);
}

TEST(TgaReader, GreyImagesGetTheGreyPaletteAndGreyWithAlphaGivesItsGreyByte) {
  ScratchDir dir;
  TgaBuilder b;
  b.type = 11;
  b.width = 3;
  b.height = 1;
  b.depth = 16;
  b.id = {'h', 'i'};
  b.data = {0x81, 70, 255, 0x00, 200, 0};
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.bits, 8);
  EXPECT_EQ(img.colors, 256);
  EXPECT_EQ(Bytes(img.pixels.begin(), img.pixels.begin() + 4), (Bytes{70, 70, 200, 0}));
  EXPECT_TRUE(same(img.palette[70], RGBCOLOR{70, 70, 70}));
}

TEST(TgaReader, FileCutShortDeliversWhatItHoldsAndReportsTheData) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  TgaBuilder b;
  b.type = 3;
  b.depth = 8;
  b.width = 4;
  b.height = 3;
  b.descriptor = 0x20;
  b.data = {1, 2, 3, 4, 5, 6};
  for (unsigned type : {3u, 11u}) {
    SCOPED_TRACE(type);
    b.type = type;
    if (type == 11) b.data = {0x83, 1, 0x01, 5, 6};
    boxes.texts.clear();
    LoadedImage img = load_bytes(dir, b.build());
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(img.error, CE_DATA);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Error reading bitmap data");
    const std::size_t top = 2 * 4;
    EXPECT_EQ(img.pixels[top + 0], 1);
    EXPECT_EQ(img.pixels[4 + 0], 5);
    EXPECT_EQ(img.pixels[4 + 1], 6);
    EXPECT_EQ(img.pixels[4 + 2], 0);
  }
}

TEST(TgaReader, RefusesWhatItCannotReadWithTheMessageForIt) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  struct Case {
    const char* what;
    void (*change)(TgaBuilder&);
    int error;
    const char* message;
  };
  const char* header = "Error reading image file header";
  const char* unsupported = "Error unsupported image type";
  const Case cases[] = {
      {"interleaved", [](TgaBuilder& b) { b.descriptor = 0x40; }, CE_DATA, unsupported},
      {"type 4", [](TgaBuilder& b) { b.type = 4; }, CE_DATA, unsupported},
      {"type 32", [](TgaBuilder& b) { b.type = 32; }, CE_DATA, unsupported},
      {"12-bit pixels", [](TgaBuilder& b) { b.depth = 12; }, CE_DATA, unsupported},
      {"16-bit indices",
       [](TgaBuilder& b) {
         b.type = 1;
         b.depth = 16;
       },
       CE_DATA, unsupported},
      {"no width", [](TgaBuilder& b) { b.width = 0; }, CE_HEADER, header},
      {"map too long",
       [](TgaBuilder& b) {
         b.mapType = 1;
         b.mapLength = 257;
         b.mapEntryBits = 24;
       },
       CE_HEADER, header},
      {"map entries of 8 bits",
       [](TgaBuilder& b) {
         b.mapType = 1;
         b.mapLength = 2;
         b.mapEntryBits = 8;
       },
       CE_HEADER, header},
      {"huge", [](TgaBuilder& b) { b.width = b.height = 65535; }, CE_HEADER, header},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TgaBuilder b;
    b.data = Bytes(12, 7);
    c.change(b);
    boxes.texts.clear();
    LoadedImage img = load_bytes(dir, b.build());
    EXPECT_EQ(img.result, 0);
    EXPECT_EQ(img.error, c.error);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], c.message);
  }
  boxes.texts.clear();
  LoadedImage img = load_bytes(dir, Bytes(17, 0));
  EXPECT_EQ(img.result, 0);
  EXPECT_EQ(img.error, CE_HEADER);
}

TEST(TgaWriter, WritesColourMappedOrTrueColourTopRowFirst) {
  ScratchDir dir;
  RawPicture pic = make_picture(3, 2, 8, 5);
  pic.colors = 20;
  std::string path = dir.file("mapped.tga");
  ASSERT_EQ(save_image(CT_TGA, path, pic), 1);
  Bytes file = read_file(path);
  ASSERT_EQ(file.size(), 18 + 3 * 20 + 6u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 18),
            (Bytes{0, 1, 1, 0, 0, 20, 0, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20}));
  EXPECT_EQ(file[18], pic.palette[0].blue);
  EXPECT_EQ(file[18 + 3 * 19 + 2], pic.palette[19].red);
  EXPECT_EQ(file[18 + 60], pic.pixels[4]);  // the top row is buffer row 1

  for (unsigned short bits : {1, 4, 24}) {
    SCOPED_TRACE(bits);
    pic = make_picture(7, 3, bits, bits);
    path = dir.file("true.tga");
    ASSERT_EQ(save_image(CT_TGA, path, pic), 1);
    file = read_file(path);
    ASSERT_EQ(file.size(), 18 + 7 * 3 * 3u);
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[16], 24);
    LoadedImage back = load_image(path);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(
        max_channel_difference(back.rgb(), raw_to_rgb(pic.pixels.data(), pic.palette.data(), 7, 3, bits)), 0);
  }
}

TEST(TgaWriter, FailureToCreateTheFileIsReported) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  RawPicture pic = make_picture(3, 2, 24);
  std::string path = dir.file("missing/folder/out.tga");
  EXPECT_EQ(save_image(CT_TGA, path, pic), 0);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Error opening file");
}
