// Images through the clipboard service: round trips at every depth, and packed DIBs from other programs,
// which are hostile input like any file.
#include <gtest/gtest.h>

#include <cstring>

#include "ivorel/processing/packed_dib.h"
#include "platform/core/clipboard.h"
#include "processing_support.h"

using testing_support::TestImage;

namespace {

class ScriptedClipboard {
 public:
  ScriptedClipboard() { pcore::install_clipboard(&clipboard); }
  ~ScriptedClipboard() { pcore::install_clipboard(nullptr); }
  pcore::MemoryClipboard clipboard;
};

TEST(ImageClipboard, RoundTripKeepsDepthPixelsAndPalette) {
  ScriptedClipboard scripted;
  for (int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    TestImage image(13, 5, bits, bits == 24 ? 0 : 1 << bits,
                    testing_support::random_bytes(ivorel::row_bytes(13, bits) * 5, bits));
    for (int i = 0; i < 256; ++i)
      image.object.image.palette[i] = {static_cast<unsigned char>(i), 7, static_cast<unsigned char>(255 - i)};
    ASSERT_EQ(TProcessImage(&image.object).ImageToClipboard(), 1);
    EXPECT_EQ(scripted.clipboard.paletteEntries.size(), bits == 24 ? 0u : 1u << bits);
    _IMAGEDESCRIPTOR pasted;
    ASSERT_EQ(TProcessImage(nullptr).ImageFromClipboard(pasted), 1);
    EXPECT_EQ(pasted.width, 13);
    EXPECT_EQ(pasted.height, 5);
    EXPECT_EQ(pasted.bitsPerPixel, bits);
    EXPECT_EQ(pasted.colors, image.object.image.colors);
    EXPECT_EQ(pasted.xResolution, 100);
    ASSERT_EQ(pasted.imageSize, image.object.image.imageSize);
    EXPECT_EQ(std::memcmp(pasted.imageData, image.object.image.imageData, pasted.imageSize), 0);
    for (int i = 0; i < (bits == 24 ? 0 : 1 << bits); ++i) EXPECT_EQ(pasted.palette[i].blue, 255 - i);
    ivorel::free_image_block(pasted);
  }
}

// A packed DIB as another program might put it there.
std::vector<unsigned char> dib(int width, int height, int bits, std::uint32_t compression, std::uint32_t used,
                               std::size_t tableEntries, std::size_t pixelBytes) {
  std::vector<unsigned char> d(40 + 4 * tableEntries + pixelBytes);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  h.biCompression = compression;
  h.biClrUsed = used;
  std::memcpy(d.data(), &h, 40);
  for (std::size_t i = 0; i < tableEntries; ++i) d[40 + 4 * i] = static_cast<unsigned char>(i);  // blue = i
  for (std::size_t i = 0; i < pixelBytes; ++i)
    d[40 + 4 * tableEntries + i] = static_cast<unsigned char>(i * 37);
  return d;
}

TEST(ImageClipboard, ForeignDibsArriveWholeOrNotAtAll) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    bool pastes;
    int bits;
  };
  std::vector<unsigned char> coreHeader = dib(4, 4, 24, 0, 0, 0, 48);
  coreHeader[0] = 12;
  std::vector<unsigned char> topDown = dib(4, 3, 24, 0, 0, 0, 36);
  const std::int32_t minusThree = -3;
  std::memcpy(&topDown[8], &minusThree, 4);
  std::vector<unsigned char> headerAlone = dib(4, 4, 8, 0, 0, 0, 0);
  headerAlone.resize(40);
  const Case cases[] = {
      {"24-bit", dib(5, 3, 24, 0, 0, 0, 48), true, 24},
      {"32-bit becomes 24", dib(5, 3, 32, 0, 0, 0, 60), true, 24},
      {"16-bit becomes 24", dib(5, 3, 16, 0, 0, 0, 36), true, 24},
      {"top-down rows", topDown, true, 24},
      {"8-bit with 20 colours", dib(8, 2, 8, 0, 20, 20, 16), true, 8},
      {"cut short", dib(64, 64, 24, 0, 0, 0, 100), false, 0},
      {"colour count beyond the depth", dib(4, 4, 4, 0, 300, 300, 16), false, 0},
      {"huge claim", dib(65536, 65536, 24, 0, 0, 0, 64), false, 0},
      {"too wide for a suite image", dib(70000, 1, 8, 0, 0, 256, 70000), false, 0},
      {"header alone", headerAlone, false, 0},
      {"core header", coreHeader, false, 0},
      {"no bytes at all", std::vector<unsigned char>(3, 0), false, 0},
  };
  ScriptedClipboard scripted;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scripted.clipboard.dib = c.bytes;
    _IMAGEDESCRIPTOR pasted;
    const int ok = TProcessImage(nullptr).ImageFromClipboard(pasted);
    EXPECT_EQ(ok, c.pastes ? 1 : 0);
    if (!ok) {
      EXPECT_EQ(pasted.hImageData, nullptr);
      continue;
    }
    EXPECT_EQ(pasted.bitsPerPixel, c.bits);
    if (c.bits == 8) {
      EXPECT_EQ(pasted.colors, 20);
      EXPECT_EQ(pasted.palette[19].blue, 19);  // the table's own order, no red/blue exchange
      EXPECT_EQ(pasted.palette[19].red, 0);
    }
    ivorel::free_image_block(pasted);
  }
}

TEST(ImageClipboard, RefusalAndEmptinessAreReported) {
  ScriptedClipboard scripted;
  TestImage image(3, 3, 24, 0);
  scripted.clipboard.refuse = true;
  EXPECT_EQ(TProcessImage(&image.object).ImageToClipboard(), 0);
  _IMAGEDESCRIPTOR pasted;
  EXPECT_EQ(ivorel::image_from_clipboard(pasted), 0);
}

}  // namespace
