// The processing frame: construction and the undo hook, error handlers, the progress cursor, both
// working-buffer schemes with their byte and row orders, the way back to palette depths, and the single
// working copy of the module.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "processing_support.h"
#include "tests/support/test_support.h"

using testing_support::TestImage;

namespace {

struct Probe : TProcessImageEx {
  using TProcessImage::exit24BitAlg;
  using TProcessImage::init24BitAlg;
  using TProcessImageEx::TProcessImageEx;
  unsigned char* data() const { return imageData_; }
  std::uint32_t saved() const { return savedDepth_; }
};

class UndoCounter : public COperationUndoRedo {
 public:
  UndoCounter(_IMAGEDESCRIPTOREXT& image) : COperationUndoRedo(image, image.menuUpdate) {}
  void SaveUndoData() override { ++saves; }
  int saves = 0;
};

class NamedWindow : public draw::MemoryWindow {
 public:
  NamedWindow(const char* name) : MemoryWindow(8, 8, 32), name_(name) {}
  std::string class_name() const override { return name_; }
  void update() override { ++updates; }
  int updates = 0;

 private:
  std::string name_;
};

TEST(ProcessingFrame, RowLengthsAndProgressFrames) {
  EXPECT_EQ(ivorel::row_bytes(9, 1), 4u);
  EXPECT_EQ(ivorel::row_bytes(33, 1), 8u);
  EXPECT_EQ(ivorel::row_bytes(9, 4), 8u);
  EXPECT_EQ(ivorel::row_bytes(5, 8), 8u);
  EXPECT_EQ(ivorel::row_bytes(5, 24), 16u);
  EXPECT_EQ(ivorel::row_bytes(5, 0), 8u);
  for (int last : {0, 1, 5, 9, 10, 100, 4095}) {
    for (int row = -3; row <= last + 3; ++row) {
      const int frame = ivorel::progress_frame(0, last, row);
      EXPECT_LE(frame, 9);
      EXPECT_GE(frame, -1);
    }
  }
  EXPECT_EQ(ivorel::progress_frame(0, 99, 0), 0);
  EXPECT_EQ(ivorel::progress_frame(0, 99, 99), 9);  // step 11: 99 / 11 = 9
  EXPECT_EQ(ivorel::progress_frame(0, 99, 50), 4);
  EXPECT_EQ(ivorel::progress_frame(0, 4, 3), 3);
}

TEST(ProcessingFrame, ConstructionCopiesTheDescriptorAndAsksTheImageWindowForUndo) {
  TestImage image(5, 3, 8, 256);
  image.object.image.palette[7] = RGBCOLOR{1, 2, 3};
  UndoCounter undo(image.object);
  NamedWindow window("ImageWindow");  // compared without regard to case
  window.set_property(ivorel::kUndoStoreProperty, &undo);
  HWND handle = &window;
  image.object.window = &handle;
  {
    TProcessImage p(&image.object);
    EXPECT_EQ(p.Width(), 5);
    EXPECT_EQ(p.Palette()[7].blue, 3);
  }
  EXPECT_EQ(undo.saves, 1);
  NamedWindow other("SomethingElse");
  other.set_property(ivorel::kUndoStoreProperty, &undo);
  handle = &other;
  { TProcessImage p(&image.object); }
  EXPECT_EQ(undo.saves, 1);
  image.object.window = nullptr;
  TProcessImage bare(nullptr);
  EXPECT_EQ(bare.Width(), 0);
}

TEST(ProcessingFrame, FileErrorHandlerWritesNewlineAndTextOnly) {
  testing_support::ScratchDir dir;
  const std::string path = dir.file("errors.txt");
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_TRUE(f);
  TProcessImage p(nullptr);
  p.SetErrorHandler(f);
  char text[] = "Out of luck";
  char caption[] = "User Advisory";
  p.ErrorMessage(text, caption);
  std::fclose(f);
  auto bytes = testing_support::read_file(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\nOut of luck");

  testing_support::RecordingMessageBox boxes;
  p.SetErrorHandler(nullptr);
  p.ErrorMessage(text, caption);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.captions[0], "User Advisory");
}

// A 4-bit picture of 16 colours, left half one pattern, right half another.
std::unique_ptr<TestImage> four_bit_picture(int w, int h) {
  std::vector<unsigned char> px(ivorel::row_bytes(w, 4) * h);
  const std::uint32_t stride = ivorel::row_bytes(w, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int index = (x * 3 + y * 5) % 16;
      px[y * stride + x / 2] |= static_cast<unsigned char>(x % 2 ? index : index << 4);
    }
  auto image = std::make_unique<TestImage>(w, h, 4, 16, px);
  for (int i = 0; i < 16; ++i)
    image->object.image.palette[i] =
        RGBCOLOR{static_cast<unsigned char>(i * 16), static_cast<unsigned char>(255 - i * 9),
                 static_cast<unsigned char>(i * i)};
  return image;
}

TEST(ProcessingFrame, PromotionReversesRowsAndPutsRedFirst) {
  auto owned = four_bit_picture(7, 3);
  TestImage& image = *owned;
  const auto stored = image.pixels();
  Probe p(&image.object);
  ASSERT_EQ(p.init24BitAlg(), 1);
  EXPECT_EQ(p.BitsPerPixel(), 24);
  EXPECT_EQ(p.saved(), 4u);
  const std::uint32_t s4 = ivorel::row_bytes(7, 4), s24 = ivorel::row_bytes(7, 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      const unsigned char b = stored[(2 - y) * s4 + x / 2];
      const int index = x % 2 ? b & 15 : b >> 4;
      const RGBCOLOR& c = image.object.image.palette[index];
      const unsigned char* w = p.data() + y * s24 + 3 * x;
      ASSERT_EQ(w[0], c.red);
      ASSERT_EQ(w[1], c.green);
      ASSERT_EQ(w[2], c.blue);
    }
  // The image object still describes valid pixels while the working copy is held.
  EXPECT_EQ(image.pixels(), stored);
  p.exit24BitAlg();
  EXPECT_EQ(image.object.image.bitsPerPixel, 4);
  EXPECT_EQ(image.pixels(), stored) << "an unchanged working copy comes back exactly";
}

TEST(ProcessingFrame, FourBitImageComesBackFourBitWithAtMostItsColours) {
  auto owned = four_bit_picture(40, 30);
  TestImage& image = *owned;
  image.object.image.colors = 16;
  _IMAGE_PROC_DATA block = testing_support::block_of({{1, 10}});
  testing_support::run_with_block(image, block, [](TProcessImageEx& p) { p.HistogramEq(); });
  EXPECT_EQ(image.object.image.bitsPerPixel, 4);
  EXPECT_EQ(image.object.image.imageSize, ivorel::row_bytes(40, 4) * 30);
  EXPECT_LE(image.colours_used().size(), 16u);

  // Through the effect buffers as well, with a picture of more colours than the image may keep.
  _IMAGE_PROC_DATA gamma = testing_support::block_of({{1, 17}, {2, 1}});
  testing_support::run_with_block(image, gamma, [](TProcessImageEx& p) { p.GammaCorrection(); });
  EXPECT_EQ(image.object.image.bitsPerPixel, 4);
  EXPECT_LE(image.colours_used().size(), 16u);
}

TEST(ProcessingFrame, OnlyOneWorkingCopyAtATime) {
  testing_support::RecordingMessageBox boxes;
  auto ownedA = four_bit_picture(6, 4), ownedB = four_bit_picture(6, 4);
  TestImage &a = *ownedA, &b = *ownedB;
  const auto before = b.pixels();
  {
    Probe first(&a.object);
    ASSERT_EQ(first.init24BitAlg(), 1);
    Probe second(&b.object);
    EXPECT_EQ(second.init24BitAlg(), 0);
    second.InvertPicHelper();
    EXPECT_EQ(second.LastOutcome(), ivorel::Outcome::Failed);
    EXPECT_EQ(boxes.texts.size(), 2u);
    // `first` is destroyed without giving the copy back: the image returns to its former pixels.
  }
  EXPECT_EQ(a.object.image.bitsPerPixel, 4);
  EXPECT_EQ(b.pixels(), before);
  Probe third(&b.object);
  EXPECT_EQ(third.init24BitAlg(), 1);
  third.exit24BitAlg();
}

TEST(ProcessingFrame, RebuildsTheDisplayKeepingModeAndZoom) {
  TestImage image(4, 4, 24, 0, testing_support::random_bytes(48, 1));
  image.object.display = new Display;
  image.object.display->InitForDisplay(4, 4, 0, image.object.image.imageData, image.object.image.palette, 1);
  image.object.display->SetStretchMode();
  image.object.display->SetZoom(4);
  NamedWindow window("IMAGEWINDOW");
  HWND handle = &window;
  image.object.window = &handle;
  TProcessImage p(&image.object);
  p.ConvertToGray();
  ASSERT_TRUE(image.object.display);
  EXPECT_EQ(image.object.display->GetBPP(), 8);
  EXPECT_FALSE(image.object.display->IsClipMode());
  EXPECT_EQ(image.object.display->GetZoom(), 4);
  EXPECT_GE(window.invalidations(), 1);
  image.object.window = nullptr;
}

}  // namespace
