// New blank images: depth, palette and fill of each depth from the new-image dialog's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "ivorel/processing/processing.h"
#include "platform/core/memblock.h"
#include "platform/core/message_box.h"
#include "platform/core/new_image_dialog.h"

namespace {

class AnsweredDialog : public pcore::NewImageDialogService {
 public:
  explicit AnsweredDialog(pcore::NewImageRequest answer, bool ok = true) : answer_(answer), ok_(ok) {
    pcore::install_new_image_dialog(this);
  }
  ~AnsweredDialog() override { pcore::install_new_image_dialog(nullptr); }
  int run(pcore::NewImageRequest& request) override {
    asked = request;
    if (!ok_) return pcore::kIdCancel;
    request = answer_;
    return pcore::kIdOk;
  }
  pcore::NewImageRequest asked;

 private:
  pcore::NewImageRequest answer_;
  bool ok_;
};

pcore::NewImageRequest request(int width, int height, int bits, int background) {
  pcore::NewImageRequest r;
  r.width = width;
  r.height = height;
  r.bitsPerPixel = bits;
  r.background = background;
  return r;
}

// Makes the image; the test frees the block.
struct Made {
  int result = 0;
  _IMAGEDESCRIPTOR image;
  ~Made() { ivorel::free_image_block(image); }
};

void make(Made& made) {
  ImageDescriptorAndDisplayObj bare;
  TProcessImageEx processor(&bare);
  made.result = processor.CreateEmptyImage(made.image);
}

bool all_bytes(const _IMAGEDESCRIPTOR& image, unsigned char value) {
  for (std::uint32_t i = 0; i < image.imageSize; ++i)
    if (image.imageData[i] != value) return false;
  return true;
}

}  // namespace

TEST(NewImage, TheDialogStartsAt640By480TrueColour) {
  AnsweredDialog dialog(request(0, 0, 24, 0), false);
  Made made;
  make(made);
  EXPECT_EQ(made.result, 0);
  EXPECT_EQ(dialog.asked.width, 640);
  EXPECT_EQ(dialog.asked.height, 480);
  EXPECT_EQ(dialog.asked.bitsPerPixel, 24);
  EXPECT_EQ(dialog.asked.xResolution, 100);
  EXPECT_EQ(dialog.asked.yResolution, 100);
  EXPECT_EQ(made.image.hImageData, nullptr);
}

TEST(NewImage, BlackOneBitImagesHaveABlackAndWhitePaletteAndZeroPixels) {
  AnsweredDialog dialog(request(13, 5, 1, 0));
  Made made;
  make(made);
  ASSERT_EQ(made.result, 1);
  EXPECT_EQ(made.image.colors, 2);
  EXPECT_EQ(made.image.imageSize, 4u * 5);
  EXPECT_EQ(made.image.palette[0].red + made.image.palette[0].green + made.image.palette[0].blue, 0);
  EXPECT_EQ(made.image.palette[1].red, 255);
  EXPECT_EQ(made.image.palette[1].blue, 255);
  EXPECT_TRUE(all_bytes(made.image, 0));
}

TEST(NewImage, ColouredImagesAreFilledWithTheirBackgroundIndex) {
  {
    AnsweredDialog dialog(request(10, 3, 8, 2));  // red
    Made made;
    make(made);
    ASSERT_EQ(made.result, 1);
    EXPECT_EQ(made.image.colors, 256);
    EXPECT_TRUE(all_bytes(made.image, 224));
  }
  {
    AnsweredDialog dialog(request(7, 2, 1, 3));  // green: entry 1 is the background
    Made made;
    make(made);
    ASSERT_EQ(made.result, 1);
    EXPECT_EQ(made.image.palette[1].green, 255);
    EXPECT_TRUE(all_bytes(made.image, 0xFF));
  }
  {
    AnsweredDialog dialog(request(3, 2, 24, 4));  // blue, as blue, green, red bytes
    Made made;
    make(made);
    ASSERT_EQ(made.result, 1);
    EXPECT_EQ(made.image.colors, 0);
    const unsigned char pixel[3] = {255, 0, 0};
    EXPECT_EQ(std::memcmp(made.image.imageData, pixel, 3), 0);
    EXPECT_EQ(std::memcmp(made.image.imageData + 12, pixel, 3), 0);  // the second row
  }
}

TEST(NewImage, ZeroSizesAndResolutionsMakeNothing) {
  for (const pcore::NewImageRequest& r : {request(0, 10, 24, 1), request(10, 0, 8, 1)}) {
    AnsweredDialog dialog(r);
    Made made;
    make(made);
    EXPECT_EQ(made.result, 0);
  }
  pcore::NewImageRequest noResolution = request(10, 10, 24, 1);
  noResolution.xResolution = 0;
  AnsweredDialog dialog(noResolution);
  Made made;
  make(made);
  EXPECT_EQ(made.result, 0);
}
