// PNG: exact round trips of every depth we write, and other programs' files read as they read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

struct Variant {
  const char* options;
  unsigned short bits;
  unsigned short colors;  // 0: not checked (ImageMagick adds a background entry to its palettes)
  int tolerance;          // ImageMagick rounds 16-bit samples where we keep the high byte
};

}  // namespace

TEST(PngCodec, RoundTripsEveryDepthExactly) {
  ScratchDir dir;
  for (unsigned short bits : {1, 4, 8, 24}) {
    for (unsigned short width : {1, 7, 33, 64}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      RawPicture pic = make_picture(width, 11, bits, bits * 3 + width);
      std::string path = dir.file("rt.png");
      ASSERT_EQ(save_image(CT_PNG, path, pic), 1);
      LoadedImage back = load_image(path);
      ASSERT_EQ(back.result, 1);
      EXPECT_EQ(back.bits, bits);
      EXPECT_EQ(back.colors, pic.colors);
      // The palette's colours are all different, so equal colours mean equal indices.
      EXPECT_EQ(std::memcmp(back.palette.data(), pic.palette.data(), 3 * pic.colors), 0);
      EXPECT_EQ(max_channel_difference(back.rgb(),
                                       raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 11, bits)),
                0);
    }
  }
}

TEST(PngCodec, OthersReadWhatWeWriteAsWeDo) {
  const bool magick = imagemagick_available();
  const bool pillow = pillow_available();
  if (!magick && !pillow) GTEST_SKIP() << "no oracle";
  ScratchDir dir;
  // A photograph exercises every row filter; the wheel at each depth we write.
  const std::string wheel = kSamples + "wheel-24bit.bmp";
  for (unsigned short bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    LoadedImage source = load_image(wheel);
    ASSERT_EQ(source.result, 1);
    RawPicture pic = bits == 24 ? RawPicture{source.width, source.height, 24, 0, source.pixels}
                                : make_picture(97, 31, bits, bits);
    std::string path = dir.file("ours.png");
    ASSERT_EQ(save_image(CT_PNG, path, pic), 1);
    const RgbImage expected = raw_to_rgb(pic.pixels.data(), pic.palette.data(), pic.width, pic.height, bits);
    RgbImage theirs;
    if (magick) {
      ASSERT_TRUE(imagemagick_decode(path, theirs));
      EXPECT_EQ(max_channel_difference(expected, theirs), 0) << "ImageMagick";
    }
    if (pillow) {
      ASSERT_TRUE(pillow_decode(path, theirs));
      EXPECT_EQ(max_channel_difference(expected, theirs), 0) << "Pillow";
    }
  }
}

TEST(PngCodec, PaletteCoversEveryIndexInUse) {
  ScratchDir dir;
  RawPicture pic = make_picture(16, 4, 8, 2);
  pic.colors = 3;  // but the pixels use all 256 indices
  std::string path = dir.file("few.png");
  ASSERT_EQ(save_image(CT_PNG, path, pic), 1);
  LoadedImage back = load_image(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(back.pixels, pic.pixels);  // 8-bit rows have no unused bits
  int most = 0;
  for (unsigned char p : pic.pixels) most = std::max<int>(most, p);
  EXPECT_EQ(back.colors, most + 1);
  if (pillow_available()) {
    RgbImage theirs;
    ASSERT_TRUE(pillow_decode(path, theirs));
    EXPECT_EQ(max_channel_difference(back.rgb(), theirs), 0);
  }
}

TEST(PngCodec, ReadsWhatImageMagickWritesAsItDoes) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  RecordingMessageBox boxes;
  const Variant variants[] = {
      {"PNG24:", 24, 0, 0},
      {"-interlace PNG PNG24:", 24, 0, 0},
      {"-alpha set PNG32:", 24, 0, 0},
      {"-depth 16 PNG48:", 24, 0, 1},
      {"-type palette PNG8:", 8, 0, 0},
      {"-colors 4 -type palette -define png:bit-depth=2 -define png:color-type=3 PNG:", 4, 0, 0},
      {"-colors 12 -type palette -define png:bit-depth=4 -define png:color-type=3 PNG:", 4, 0, 0},
      {"-type bilevel -define png:color-type=3 PNG:", 1, 2, 0},
      {"-type bilevel -define png:color-type=0 PNG:", 1, 2, 0},
      {"-colorspace gray -depth 2 -define png:bit-depth=2 -define png:color-type=0 PNG:", 4, 4, 0},
      {"-colorspace gray -depth 4 -define png:bit-depth=4 -define png:color-type=0 PNG:", 4, 16, 0},
      {"-colorspace gray -define png:color-type=0 PNG:", 8, 256, 0},
      {"-colorspace gray -depth 16 -define png:color-type=0 PNG:", 8, 256, 1},
      {"-colorspace gray -alpha set -define png:color-type=4 PNG:", 8, 256, 0},
  };
  int i = 0;
  for (const Variant& v : variants) {
    const std::string path = dir.file("im" + std::to_string(i++) + ".png");
    ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kSamples + "wheel-24bit.bmp " + v.options +
                          path + " 2>/dev/null"),
              0)
        << v.options;
    SCOPED_TRACE(v.options);
    LoadedImage ours = load_image(path);
    ASSERT_EQ(ours.result, 1);
    EXPECT_EQ(ours.bits, v.bits);
    if (v.colors) {
      EXPECT_EQ(ours.colors, v.colors);
    }
    RgbImage theirs;
    ASSERT_TRUE(imagemagick_decode(path, theirs));
    EXPECT_LE(max_channel_difference(ours.rgb(), theirs), v.tolerance);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(PngCodec, BrokenFilesFailWithAMessage) {
  ScratchDir dir;
  RawPicture pic = make_picture(50, 40, 24, 9);
  std::string whole = dir.file("whole.png");
  ASSERT_EQ(save_image(CT_PNG, whole, pic), 1);
  const std::vector<unsigned char> bytes = read_file(whole);

  const std::string cut = dir.file("cut.png");
  write_file(cut, std::vector<unsigned char>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  RecordingMessageBox boxes;
  LoadedImage ours = load_image(cut);
  EXPECT_EQ(ours.result, 0);
  EXPECT_EQ(ours.error, CE_DATA);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error reading bitmap data"});

  std::vector<unsigned char> corrupt = bytes;
  corrupt[bytes.size() / 2] ^= 0x55;  // inside the compressed image data
  write_file(cut, corrupt);
  boxes.texts.clear();
  ours = load_image(cut);
  EXPECT_EQ(ours.result, 0);
  EXPECT_EQ(ours.error, CE_DATA);
  ASSERT_EQ(boxes.texts.size(), 1u);  // libpng's or zlib's own words
  EXPECT_NE(boxes.texts[0].find("IDAT"), std::string::npos) << boxes.texts[0];

  // A text chunk that claims a gigabyte is skipped, not read into memory, and the file then ends.
  const unsigned char chunk[] = {0x40, 0x00, 0x00, 0x00, 't', 'E', 'X', 't', 'a', 'b'};
  std::vector<unsigned char> claims(bytes.begin(), bytes.begin() + 33 + sizeof chunk);
  std::copy(std::begin(chunk), std::end(chunk), claims.begin() + 33);
  write_file(cut, claims);
  boxes.texts.clear();
  ours = load_image(cut);
  EXPECT_EQ(ours.result, 0);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error reading bitmap data"});

  write_file(cut, {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
  boxes.texts.clear();
  ours = load_image(cut);
  EXPECT_EQ(ours.error, CE_HEADER);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error reading image file header"});
}

namespace {

std::uint32_t crc32_of(const unsigned char* p, std::size_t n, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

struct Chunk {
  std::string type;
  std::vector<unsigned char> data;
};

std::vector<Chunk> chunks_of(const std::vector<unsigned char>& file) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t n = std::size_t{file[at]} << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    chunks.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                      std::vector<unsigned char>(file.begin() + at + 8, file.begin() + at + 8 + n)});
    at += n + 12;
  }
  return chunks;
}

std::vector<unsigned char> file_of(const std::vector<Chunk>& chunks) {
  std::vector<unsigned char> file = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  for (const Chunk& c : chunks) {
    const std::size_t n = c.data.size();
    const unsigned char length[4] = {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                     static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
    file.insert(file.end(), length, length + 4);
    file.insert(file.end(), c.type.begin(), c.type.end());
    file.insert(file.end(), c.data.begin(), c.data.end());
    std::uint32_t crc = crc32_of(reinterpret_cast<const unsigned char*>(c.type.data()), 4);
    crc = crc32_of(c.data.data(), n, crc);
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<unsigned char>(crc >> shift));
  }
  return file;
}

}  // namespace

// Images of more than a megabyte are written as independent segments that we decode side by side. Others
// must read them as one ordinary stream, and a file whose chunks no longer match its segment note (an
// editor that re-chunks the data but keeps the note) must still read correctly, the slow way.
TEST(PngCodec, SegmentedFilesReadAlikeEverywhereAndSurviveRechunking) {
  ScratchDir dir;
  for (unsigned short bits : {8, 24}) {
    SCOPED_TRACE(bits);
    const unsigned short width = bits == 24 ? 700 : 1300, height = 900;
    RawPicture pic = make_picture(width, height, bits, 5);
    // Gradients with noise, so that every row filter is chosen somewhere.
    const std::size_t stride = (std::size_t{width} * bits / 8 + 3) / 4 * 4;
    unsigned state = 12345;
    for (std::size_t y = 0; y < height; ++y) {
      for (std::size_t i = 0; i < std::size_t{width} * bits / 8; ++i) {
        state = state * 1103515245u + 12345u;
        pic.pixels[y * stride + i] = static_cast<unsigned char>(i / 5 + y / 3 + (state >> 28));
      }
    }
    std::string path = dir.file("segments.png");
    ASSERT_EQ(save_image(CT_PNG, path, pic), 1);
    const std::vector<unsigned char> file = read_file(path);
    std::vector<Chunk> chunks = chunks_of(file);
    const auto idats =
        std::count_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.type == "IDAT"; });
    EXPECT_GE(idats, 2);
    ASSERT_TRUE(std::any_of(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.type == "sgIX"; }));

    const RgbImage expected = raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, height, bits);
    LoadedImage ours = load_image(path);
    ASSERT_EQ(ours.result, 1);
    EXPECT_EQ(max_channel_difference(ours.rgb(), expected), 0);
    RgbImage theirs;
    if (imagemagick_available()) {
      ASSERT_TRUE(imagemagick_decode(path, theirs));
      EXPECT_EQ(max_channel_difference(theirs, expected), 0) << "ImageMagick";
    }

    // The same data in chunks of 1000 bytes, and in as many chunks as before with a boundary moved; the
    // note kept.
    std::vector<unsigned char> data;
    std::vector<std::size_t> ends;
    for (const Chunk& c : chunks) {
      if (c.type != "IDAT") continue;
      data.insert(data.end(), c.data.begin(), c.data.end());
      ends.push_back(data.size());
    }
    std::vector<std::size_t> everyThousand;
    for (std::size_t at = 1000; at < data.size(); at += 1000) everyThousand.push_back(at);
    everyThousand.push_back(data.size());
    std::vector<std::size_t> shifted = ends;
    ++shifted[0];
    // The last chunk too short to hold even the checksum.
    std::vector<std::size_t> shortLast = ends;
    shortLast[ends.size() - 2] = data.size() - 2;
    for (const std::vector<std::size_t>& cuts : {everyThousand, shifted, shortLast}) {
      std::vector<Chunk> rechunked;
      for (const Chunk& c : chunks) {
        if (c.type == "IDAT") continue;
        if (c.type == "IEND") {
          for (std::size_t i = 0, begin = 0; i < cuts.size(); begin = cuts[i++]) {
            rechunked.push_back(
                {"IDAT", std::vector<unsigned char>(data.begin() + begin, data.begin() + cuts[i])});
          }
        }
        rechunked.push_back(c);
      }
      const std::string moved = dir.file("rechunked.png");
      write_file(moved, file_of(rechunked));
      ours = load_image(moved);
      ASSERT_EQ(ours.result, 1);
      EXPECT_EQ(max_channel_difference(ours.rgb(), expected), 0);
    }
  }
}
