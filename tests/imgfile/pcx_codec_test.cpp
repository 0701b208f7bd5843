#include <gtest/gtest.h>

#include <cstring>

#include "imgfile/codaxe.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

using Bytes = std::vector<unsigned char>;

// A PCX file made by hand; `data` is the run-length coded image data and whatever follows it.
struct PcxBuilder {
  unsigned manufacturer = 10;
  unsigned version = 5;
  unsigned encoding = 1;
  unsigned bitsPerPlane = 8;
  unsigned planes = 1;
  unsigned width = 4;
  unsigned height = 2;
  unsigned bytesPerLine = 4;
  std::vector<RGBCOLOR> map;
  Bytes data;

  Bytes build() const {
    Bytes h(128 + data.size(), 0);
    h[0] = static_cast<unsigned char>(manufacturer);
    h[1] = static_cast<unsigned char>(version);
    h[2] = static_cast<unsigned char>(encoding);
    h[3] = static_cast<unsigned char>(bitsPerPlane);
    h[8] = static_cast<unsigned char>(width - 1);
    h[9] = static_cast<unsigned char>((width - 1) >> 8);
    h[10] = static_cast<unsigned char>(height - 1);
    h[11] = static_cast<unsigned char>((height - 1) >> 8);
    if (!map.empty()) std::memcpy(&h[16], map.data(), 3 * std::min<std::size_t>(map.size(), 16));
    h[65] = static_cast<unsigned char>(planes);
    h[66] = static_cast<unsigned char>(bytesPerLine);
    h[67] = static_cast<unsigned char>(bytesPerLine >> 8);
    std::copy(data.begin(), data.end(), h.begin() + 128);
    return h;
  }
};

// Bytes as run-length data without runs.
Bytes literal(const Bytes& raw) {
  Bytes out;
  for (unsigned char v : raw) {
    if (v >= 0xC0) out.push_back(0xC1);
    out.push_back(v);
  }
  return out;
}

LoadedImage load_bytes(const ScratchDir& dir, const Bytes& file) {
  std::string path = dir.file("in.pcx");
  write_file(path, file);
  return load_image(path);
}

const unsigned char* row_of(const LoadedImage& img, unsigned topDownRow) {
  return img.pixels.data() + (img.height - 1 - topDownRow) * dib_stride(img.width, img.bits);
}

bool same(const RGBCOLOR& a, const RGBCOLOR& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace

TEST(PcxReader, CombinesBitPlanesIntoPixelValuesAndDeliversEightBits) {
  ScratchDir dir;
  PcxBuilder b;
  b.bitsPerPlane = 1;
  b.planes = 4;
  b.width = 10;
  b.height = 1;
  b.bytesPerLine = 2;
  for (unsigned i = 0; i < 16; ++i) {
    b.map.push_back(RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(16 * i), 7});
  }
  // Pixel x has value x (x < 10): plane k holds bit k of each pixel, most significant pixel first.
  Bytes planes(8, 0);
  for (unsigned x = 0; x < 10; ++x) {
    for (unsigned k = 0; k < 4; ++k) {
      if (x & (1u << k)) planes[2 * k + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
  }
  b.data = literal(planes);
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.bits, 8);
  EXPECT_EQ(img.colors, 256);
  for (unsigned x = 0; x < 10; ++x) EXPECT_EQ(img.pixels[x], x);
  EXPECT_TRUE(same(img.palette[15], RGBCOLOR{15, 240, 7}));
}

TEST(PcxReader, MonochromeWithTwoEquallyBrightColoursIsWhiteOnBlack) {
  ScratchDir dir;
  PcxBuilder b;
  b.bitsPerPlane = 1;
  b.width = 8;
  b.height = 1;
  b.bytesPerLine = 1;
  b.data = literal({0x0F});
  for (auto map :
       {std::vector<RGBCOLOR>{{0, 0, 0}, {0, 0, 0}}, std::vector<RGBCOLOR>{{9, 9, 9}, {9, 9, 9}}}) {
    b.map = map;
    LoadedImage img = load_bytes(dir, b.build());
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(img.bits, 8);
    EXPECT_EQ(img.colors, 256);
    EXPECT_TRUE(same(img.palette[0], RGBCOLOR{255, 255, 255}));
    EXPECT_TRUE(same(img.palette[1], RGBCOLOR{0, 0, 0}));
    EXPECT_EQ(img.pixels[3], 0);
    EXPECT_EQ(img.pixels[4], 1);
  }
  b.map = {{0, 0, 0}, {255, 0, 0}};  // different brightness: kept
  LoadedImage img = load_bytes(dir, b.build());
  EXPECT_TRUE(same(img.palette[1], RGBCOLOR{255, 0, 0}));
}

TEST(PcxReader, TrueColourIsFlippedSwappedAndDeliveredAsStored) {
  ScratchDir dir;
  PcxBuilder b;
  b.planes = 3;
  b.width = 2;
  b.height = 3;
  b.bytesPerLine = 3;  // one byte of padding per plane, dropped
  // Lines top first: red plane, green plane, blue plane. No byte reaches 255, and none is stretched.
  b.data = literal({10,  20, 99, 30, 40, 99, 50, 60,  99,  //
                    100, 0,  99, 0,  0,  99, 0,  200, 99,  //
                    1,   2,  99, 3,  4,  99, 5,  6,   99});
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  ASSERT_EQ(img.bits, 24);
  EXPECT_EQ(img.colors, 0);
  const unsigned char* top = row_of(img, 0);
  EXPECT_EQ(Bytes(top, top + 6), (Bytes{50, 30, 10, 60, 40, 20}));
  const unsigned char* middle = row_of(img, 1);
  EXPECT_EQ(Bytes(middle, middle + 6), (Bytes{0, 0, 100, 200, 0, 0}));
  const unsigned char* bottom = row_of(img, 2);
  EXPECT_EQ(Bytes(bottom, bottom + 6), (Bytes{5, 3, 1, 6, 4, 2}));
}

TEST(PcxReader, PackedPixelsOfOnePlaneDeliverEightBits) {
  ScratchDir dir;
  for (unsigned bits : {2u, 4u}) {
    SCOPED_TRACE(bits);
    const unsigned width = 11;
    const unsigned per = 8 / bits;
    PcxBuilder b;
    b.bitsPerPlane = bits;
    b.width = width;
    b.height = 1;
    b.bytesPerLine = (width + per - 1) / per + 1;  // even, as writers pad it
    for (unsigned i = 0; i < 16; ++i) b.map.push_back(RGBCOLOR{static_cast<unsigned char>(i * 16), 1, 2});
    Bytes line(b.bytesPerLine, 0xFF);  // the padding pixels have the highest value; they must not show
    for (unsigned x = 0; x < width; ++x) {
      const unsigned shift = 8 - bits * (x % per + 1);
      const unsigned value = (x * 3) % (1u << bits);
      line[x / per] =
          static_cast<unsigned char>((line[x / per] & ~(((1u << bits) - 1) << shift)) | (value << shift));
    }
    b.data = literal(line);
    LoadedImage img = load_bytes(dir, b.build());
    ASSERT_EQ(img.result, 1);
    EXPECT_EQ(img.bits, 8);
    for (unsigned x = 0; x < width; ++x) EXPECT_EQ(img.pixels[x], (x * 3) % (1u << bits)) << x;
    EXPECT_EQ(img.pixels[width], 0);
    EXPECT_TRUE(same(img.palette[3], RGBCOLOR{48, 1, 2}));
  }
}

TEST(PcxReader, FourthPlaneOfAlphaIsDropped) {
  ScratchDir dir;
  PcxBuilder b;
  b.planes = 4;
  b.width = 1;
  b.height = 1;
  b.bytesPerLine = 1;
  b.data = literal({255, 128, 7, 33});
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  ASSERT_EQ(img.bits, 24);
  EXPECT_EQ(img.pixels[0], 7);
  EXPECT_EQ(img.pixels[1], 128);
  EXPECT_EQ(img.pixels[2], 255);
}

TEST(PcxReader, FindsTheTrailingPaletteAndFallsBackWhenItIsMissing) {
  ScratchDir dir;
  PcxBuilder b;
  b.width = 2;
  b.height = 1;
  b.bytesPerLine = 2;
  b.data = {0xC5, 3, 4};  // a run of five spills over the line; it is not image data for anyone
  b.data.push_back(12);
  for (unsigned i = 0; i < 256; ++i) {
    b.data.insert(b.data.end(), {static_cast<unsigned char>(i), 1, static_cast<unsigned char>(255 - i)});
  }
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.pixels[0], 3);
  EXPECT_EQ(img.pixels[1], 3);
  EXPECT_TRUE(same(img.palette[200], RGBCOLOR{200, 1, 55}));

  // Without a palette after the data, the header's map gives the first colours, as other readers do.
  b.data = {0xC2, 3};
  b.map = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {90, 80, 70}};
  img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_TRUE(same(img.palette[3], RGBCOLOR{90, 80, 70}));
  // And when there is no colour anywhere, a grey ramp.
  b.map.clear();
  img = load_bytes(dir, b.build());
  EXPECT_TRUE(same(img.palette[3], RGBCOLOR{3, 3, 3}));
  EXPECT_TRUE(same(img.palette[255], RGBCOLOR{255, 255, 255}));
}

TEST(PcxReader, LinesThatDoNotMatchTheWidthDecodeWhatFits) {
  ScratchDir dir;
  PcxBuilder b;
  b.width = 5;
  b.height = 2;
  b.bytesPerLine = 2;  // shorter than the width: the rest of each row stays 0
  b.data = literal({1, 2, 3, 4});
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(Bytes(row_of(img, 0), row_of(img, 0) + 5), (Bytes{1, 2, 0, 0, 0}));
  EXPECT_EQ(Bytes(row_of(img, 1), row_of(img, 1) + 5), (Bytes{3, 4, 0, 0, 0}));

  b.width = 2;
  b.bytesPerLine = 600;  // longer: the excess is dropped
  b.data = {0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xFF, 9, 0xE1, 9};
  b.data.insert(b.data.end(), b.data.begin(), b.data.end());
  img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.width, 2);
  EXPECT_EQ(row_of(img, 1)[1], 9);
  EXPECT_EQ(row_of(img, 1)[2], 0);  // padding
}

TEST(PcxReader, DataCutShortDeliversWhatWasDecodedWithoutComplaint) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  PcxBuilder b;
  b.width = 4;
  b.height = 3;
  b.data = literal({1, 2, 3, 4, 5, 6});  // a line and a half
  LoadedImage img = load_bytes(dir, b.build());
  ASSERT_EQ(img.result, 1);
  EXPECT_EQ(img.error, 0);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(row_of(img, 1)[1], 6);
  EXPECT_EQ(row_of(img, 1)[2], 0);
  EXPECT_EQ(row_of(img, 2)[0], 0);
}

TEST(PcxReader, RefusesBadHeadersAtInitExpanderAndUnsupportedLayoutsAtExpansion) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  const std::string path = dir.file("bad.pcx");
  struct Case {
    const char* what;
    void (*change)(PcxBuilder&);
    int error;
    const char* message;
  };
  const Case cases[] = {
      {"manufacturer", [](PcxBuilder& b) { b.manufacturer = 11; }, CE_HEADER,
       "Error reading image file header"},
      {"version", [](PcxBuilder& b) { b.version = 6; }, CE_HEADER, "Error reading image file header"},
      {"no planes", [](PcxBuilder& b) { b.planes = 0; }, CE_HEADER, "Error reading image file header"},
      {"no bytes per line", [](PcxBuilder& b) { b.bytesPerLine = 0; }, CE_HEADER,
       "Error reading image file header"},
      {"too wide", [](PcxBuilder& b) { b.width = 65536; }, CE_HEADER, "Error reading image file header"},
      // 65535 x 65535 from a few bytes: more than the data could ever hold.
      {"huge", [](PcxBuilder& b) { b.width = b.height = b.bytesPerLine = 65535; }, CE_HEADER,
       "Error reading image file header"},
      {"not run-length", [](PcxBuilder& b) { b.encoding = 0; }, CE_DATA,
       "Error can only handle 1-channel gray scale or 3-channel color"},
      {"two 4-bit planes", [](PcxBuilder& b) { b.bitsPerPlane = 4, b.planes = 2; }, CE_DATA,
       "Error can only handle 1-channel gray scale or 3-channel color"},
      {"16 bits", [](PcxBuilder& b) { b.planes = 2; }, CE_DATA,
       "Error can only handle 1-channel gray scale or 3-channel color"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PcxBuilder b;
    b.data = literal({1, 2, 3, 4, 5, 6, 7, 8});
    c.change(b);
    write_file(path, b.build());
    boxes.texts.clear();
    Compand compand;
    ASSERT_EQ(compand.InitExpander(path.c_str()), 1);
    const bool atConstruction = c.error == CE_HEADER;
    EXPECT_EQ(boxes.texts.size(), atConstruction ? 1u : 0u);
    EXPECT_EQ(compand.DoExpansion(), 0);
    EXPECT_EQ(compand.GetError(), c.error);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], c.message);
  }
  write_file(path, Bytes(100, 10));  // shorter than a header
  Compand compand;
  ASSERT_EQ(compand.InitExpander(path.c_str()), 1);
  EXPECT_EQ(compand.GetError(), CE_HEADER);
}

TEST(PcxWriter, CodesRunsOfAtMost63AndSingleHighBytesAsRunsOfOne) {
  ScratchDir dir;
  RawPicture pic = make_picture(70, 1, 8);
  std::fill(pic.pixels.begin(), pic.pixels.begin() + 64, 5);
  pic.pixels[64] = 0xC0;
  pic.pixels[65] = 0x10;
  pic.pixels[66] = 0x10;
  pic.pixels[67] = 0xFF;
  pic.pixels[68] = 0x01;
  pic.pixels[69] = 0x02;
  std::string path = dir.file("runs.pcx");
  ASSERT_EQ(save_image(CT_PCX, path, pic), 1);
  Bytes file = read_file(path);
  ASSERT_EQ(file.size(), 128 + 11u + 769);
  EXPECT_EQ(file[0], 10);
  EXPECT_EQ(file[1], 5);
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(file[3], 8);
  EXPECT_EQ(file[65], 1);
  EXPECT_EQ(file[66], 70);
  EXPECT_EQ(file[68], 1);  // palette information
  EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 139),
            (Bytes{0xFF, 5, 5, 0xC1, 0xC0, 0xC2, 0x10, 0xC1, 0xFF, 0x01, 0x02}));
  EXPECT_EQ(file[139], 12);
  EXPECT_EQ(file[140 + 3 * 9 + 1], pic.palette[9].green);
}

TEST(PcxWriter, SixteenColourEightBitImageKeepsItsColoursInTheHeader) {
  ScratchDir dir;
  RawPicture pic = make_picture(9, 4, 8, 3);
  pic.colors = 16;
  for (auto& p : pic.pixels) p &= 15;
  std::string path = dir.file("sixteen.pcx");
  ASSERT_EQ(save_image(CT_PCX, path, pic), 1);
  Bytes file = read_file(path);
  EXPECT_LT(file.size(), 128u + 769);  // no palette after the data
  EXPECT_EQ(file[16 + 3 * 15], pic.palette[15].red);
  LoadedImage back = load_image(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(max_channel_difference(back.rgb(), raw_to_rgb(pic.pixels.data(), pic.palette.data(), 9, 4, 8)),
            0);
}

TEST(PcxWriter, RoundTripsEveryDepth) {
  ScratchDir dir;
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 13, 64}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RawPicture pic = make_picture(width, 5, bits, width + bits);
      std::string path = dir.file("rt.pcx");
      ASSERT_EQ(save_image(CT_PCX, path, pic), 1);
      LoadedImage back = load_image(path);
      ASSERT_EQ(back.result, 1);
      EXPECT_EQ(back.bits, bits == 24 ? 24 : 8);
      EXPECT_EQ(max_channel_difference(back.rgb(),
                                       raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 5, bits)),
                0);
    }
  }
}

TEST(PcxWriter, RefusesDepthsItCannotWriteAndLeavesNoFile) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  RawPicture pic = make_picture(4, 4, 8);
  pic.bits = 16;
  std::string path = dir.file("deep.pcx");
  EXPECT_EQ(save_image(CT_PCX, path, pic), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
}
