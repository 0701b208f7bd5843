// What a file says beyond its pixels and must not be lost on the way through: a JPEG's quality, and
// transparency in the formats that carry it.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

// Reads `path`; the quality and the alpha plane it reports.
struct Extras {
  int result = 0;
  int quality = 0;
  std::vector<unsigned char> alpha;
  std::vector<unsigned char> pixels;
};

Extras read_extras(const std::string& path) {
  Extras e;
  Compand reader;
  if (!reader.InitExpander(path.c_str())) return e;
  e.result = reader.DoExpansion();
  e.quality = reader.GetSourceQuality();
  const std::size_t count = std::size_t{reader.GetWidth()} * reader.GetHeight();
  if (const unsigned char* a = reader.GetAlphaPtr()) e.alpha.assign(a, a + count);
  const std::size_t bytes = dib_stride(reader.GetWidth(), reader.GetBitsPerPixel()) * reader.GetHeight();
  if (e.result) e.pixels.assign(reader.GetDataPtr(), reader.GetDataPtr() + bytes);
  reader.DisposeOfImage();
  return e;
}

}  // namespace

TEST(SourceQuality, JpegQualityIsReadBackFromItsTables) {
  ScratchDir dir;
  for (int quality : {3, 25, 50, 75, 90, 92, 100}) {
    RawPicture picture = make_picture(40, 24, 24, static_cast<unsigned>(quality));
    std::string path = dir.file(std::to_string(quality) + "-quality.jpg");
    Compand writer;
    ASSERT_TRUE(writer.InitCompressor(CT_JPG, path.data(), picture.width, picture.height, 24, 0,
                                      picture.pixels.data(), picture.palette.data()));
    writer.SetCompressionQuality(static_cast<unsigned short>(quality));
    ASSERT_EQ(writer.DoCompression(), 1);
    EXPECT_EQ(read_extras(path).quality, quality) << quality;
  }
  // Only JPEG has one.
  EXPECT_EQ(read_extras(kSamples + "wheel-24bit.bmp").quality, 0);
}

TEST(Transparency, AlphaSurvivesPngAndIsReadFromTargaAndTiff) {
  ScratchDir dir;
  RawPicture picture = make_picture(21, 11, 24, 7);
  std::vector<unsigned char> alpha(21 * 11);
  for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<unsigned char>(i * 37);
  std::string png = dir.file("a.png");
  Compand writer;
  ASSERT_TRUE(writer.InitCompressor(CT_PNG, png.data(), 21, 11, 24, 0, picture.pixels.data(),
                                    picture.palette.data()));
  writer.SetAlphaData(alpha.data());
  ASSERT_EQ(writer.DoCompression(), 1);

  // A Targa file of blue-green-red-alpha pixels, bottom row first, with 8 attribute bits.
  const std::string tga = dir.file("a.tga");
  {
    std::vector<unsigned char> file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 21, 0, 11, 0, 32, 8};
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 21; ++x) {
        const unsigned char* p = &picture.pixels[y * dib_stride(21, 24) + 3 * x];
        file.insert(file.end(), {p[0], p[1], p[2], alpha[y * 21 + x]});
      }
    }
    std::FILE* f = std::fopen(tga.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  std::vector<std::string> files{png, tga};
  if (imagemagick_available()) {
    const std::string tif = dir.file("a.tif");
    ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + png + " " + tif + " 2>/dev/null"), 0);
    files.push_back(tif);
  }
  for (const std::string& path : files) {
    const Extras e = read_extras(path);
    ASSERT_EQ(e.result, 1) << path;
    EXPECT_EQ(e.alpha, alpha) << path;
    // The colours come through untouched by their transparency.
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 21 * 3; ++x) {
        ASSERT_EQ(e.pixels[y * dib_stride(21, 24) + x], picture.pixels[y * dib_stride(21, 24) + x]) << path;
      }
    }
  }

  // Opaque everywhere is no transparency at all, and an opaque image is written without a channel.
  std::vector<unsigned char> opaque(21 * 11, 255);
  std::string flat = dir.file("flat.png");
  Compand flatWriter;
  ASSERT_TRUE(flatWriter.InitCompressor(CT_PNG, flat.data(), 21, 11, 24, 0, picture.pixels.data(),
                                        picture.palette.data()));
  flatWriter.SetAlphaData(opaque.data());
  ASSERT_EQ(flatWriter.DoCompression(), 1);
  EXPECT_TRUE(read_extras(flat).alpha.empty());
}

TEST(Transparency, PaletteTransparencyAndSixteenBitTiff) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  // A palette PNG whose white is transparent: the alpha table per entry.
  const std::string indexed = dir.file("indexed.png");
  ASSERT_EQ(run_command(std::string(IMAGEMAGICK_CONVERT) + " " + kSamples +
                        "wheel-8bit.bmp -transparent white PNG8:" + indexed + " 2>/dev/null"),
            0);
  const Extras e = read_extras(indexed);
  ASSERT_EQ(e.result, 1);
  ASSERT_FALSE(e.alpha.empty());
  const LoadedImage im = load_image(indexed);
  for (std::size_t i = 0; i < e.alpha.size(); i += 13) {
    const std::size_t x = i % im.width, y = i / im.width;
    const RGBCOLOR c = im.palette[im.pixels[y * dib_stride(im.width, 8) + x]];
    EXPECT_EQ(e.alpha[i], c.red == 255 && c.green == 255 && c.blue == 255 ? 0 : 255) << i;
  }

  // Sixteen-bit samples read as their high byte: the 8-bit file's picture, give or take ImageMagick's
  // rounding.
  for (const char* colour : {"", "-colorspace gray "}) {
    const std::string wide = dir.file("wide.tif"), narrow = dir.file("narrow.tif");
    const std::string source =
        std::string(IMAGEMAGICK_CONVERT) + " " + kSamples + "wheel-24bit.bmp " + colour;
    ASSERT_EQ(run_command(source + "-depth 16 " + wide + " 2>/dev/null"), 0);
    ASSERT_EQ(run_command(source + "-depth 8 " + narrow + " 2>/dev/null"), 0);
    const LoadedImage a = load_image(wide), b = load_image(narrow);
    ASSERT_EQ(a.result, 1) << colour;
    EXPECT_EQ(a.bits, b.bits) << colour;
    EXPECT_LE(max_channel_difference(a.rgb(), b.rgb()), 1) << colour;
  }
}
