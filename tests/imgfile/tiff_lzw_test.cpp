// Our TIFF LZW coder against libtiff's, both ways: every strip we encode libtiff decodes to the same bytes,
// and every strip libtiff encodes we decode to the same bytes, over data that fills and clears the table,
// grows long strings and ends at every code width.
#include "imgfile/tiff_lzw.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>
#include <string>

#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// One strip of 8-bit grey, `width` bytes a row; the raw strip is `raw` when given, else libtiff encodes.
void write_strip(const std::string& path, const Bytes& data, const Bytes* raw) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(data.size()));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1u);
  if (raw) {
    TIFFWriteRawStrip(tif, 0, const_cast<unsigned char*>(raw->data()), static_cast<tmsize_t>(raw->size()));
  } else {
    TIFFWriteEncodedStrip(tif, 0, const_cast<unsigned char*>(data.data()),
                          static_cast<tmsize_t>(data.size()));
  }
  TIFFClose(tif);
}

Bytes read_strip(const std::string& path, bool raw) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return {};
  Bytes out(raw ? static_cast<std::size_t>(TIFFRawStripSize(tif, 0))
                : static_cast<std::size_t>(TIFFStripSize(tif)));
  const tmsize_t n = raw ? TIFFReadRawStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size()))
                         : TIFFReadEncodedStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size()));
  TIFFClose(tif);
  out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return out;
}

}  // namespace

TEST(TiffLzw, AgreesWithLibtiffBothWays) {
  TIFFSetWarningHandler(nullptr);
  std::mt19937 random(7);
  struct Case {
    const char* name;
    std::size_t size;
    int kind;  // 0 noise, 1 one value, 2 a short ramp repeated, 3 noise over 4 values
  };
  std::vector<Case> cases = {{"one byte", 1, 0},
                             {"noise", 200000, 0},
                             {"flat", 300000, 1},
                             {"ramp", 150000, 2},
                             {"four values", 250000, 3}};
  // Ends at every width and just around the table's clearing.
  for (std::size_t n : {2, 3, 255, 256, 257, 510, 511, 512, 1022, 1023, 2046, 2047, 3836, 3837, 3838, 3839})
    cases.push_back({"noise of a size", n, 0});
  testing_support::ScratchDir dir;
  codaxe::TiffLzwEncoder encoder;
  for (const Case& c : cases) {
    Bytes data(c.size);
    for (std::size_t i = 0; i < data.size(); ++i) {
      data[i] = static_cast<unsigned char>(c.kind == 0   ? random()
                                           : c.kind == 1 ? 77
                                           : c.kind == 2 ? i % 37
                                                         : random() % 4);
    }
    const std::string label = std::string(c.name) + " " + std::to_string(c.size);
    codaxe::ScratchBuffer coded;
    const std::size_t codedSize = encoder.encode(data.data(), data.size(), coded);
    const Bytes ours(coded.data(), coded.data() + codedSize);
    write_strip(dir.file("ours.tif"), data, &ours);
    EXPECT_EQ(read_strip(dir.file("ours.tif"), false), data) << label << ": libtiff reading ours";

    write_strip(dir.file("theirs.tif"), data, nullptr);
    const Bytes theirs = read_strip(dir.file("theirs.tif"), true);
    Bytes decoded(data.size() + 8);
    const codaxe::LzwResult result =
        codaxe::tiff_lzw_decode(theirs.data(), theirs.size(), decoded.data(), data.size());
    decoded.resize(data.size());
    EXPECT_EQ(result.status, codaxe::LzwStatus::Complete) << label;
    EXPECT_EQ(decoded, data) << label << ": ours reading libtiff's";

    // Cut short, a strip says so and keeps what it decoded.
    if (ours.size() > 4) {
      decoded.assign(data.size() + 8, 0);
      const auto cut = codaxe::tiff_lzw_decode(ours.data(), ours.size() / 2, decoded.data(), data.size());
      EXPECT_EQ(cut.status, codaxe::LzwStatus::ShortData) << label;
      EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + static_cast<long>(cut.pixels), data.begin()))
          << label;
    }
  }
}
