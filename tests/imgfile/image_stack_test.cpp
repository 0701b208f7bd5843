// Frame lists shared between stacks, deep copies and frame moves. Run under AddressSanitizer, these also
// catch a list freed twice or never.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "imgfile/codaxe.h"

namespace {

// Appends a 2x2 8-bit frame whose pixels and first palette entry carry `tag`.
int append_tagged(ImageStack& s, unsigned char tag) {
  unsigned char pixels[8] = {tag, tag, 0, 0, tag, tag, 0, 0};
  RGBCOLOR palette[256] = {};
  palette[0] = RGBCOLOR{tag, tag, tag};
  return s.AppendImageFrame("/pics/a.bmp", nullptr, pixels, palette, 2, 2, 8, 256);
}

std::vector<int> tags(const ImageStack& s) {
  std::vector<int> out;
  for (int i = 0; const ImageFrame* f = s.GetFrameData(i); ++i) out.push_back(f->pixels[0]);
  return out;
}

}  // namespace

TEST(ImageStack, CopiesAndAssignmentShareOneList) {
  auto original = std::make_unique<ImageStack>();
  append_tagged(*original, 1);
  ImageStack copy(*original);
  ImageStack assigned;
  append_tagged(assigned, 9);  // its own list goes when it takes the other
  assigned = copy;
  assigned = assigned;
  append_tagged(copy, 2);
  original->SetScreenWidth(300);
  EXPECT_EQ(tags(*original), (std::vector<int>{1, 2}));
  EXPECT_EQ(tags(assigned), (std::vector<int>{1, 2}));
  EXPECT_EQ(assigned.GetScreenWidth(), 300);
  // The list lives on while any holder does.
  original.reset();
  EXPECT_EQ(copy.GetFrameNumber(), 2);
  EXPECT_EQ(copy.GetFrameData(1)->pixels[0], 2);
}

TEST(ImageStack, CloneCopiesFramesAndTheirTimingButNotPlacement) {
  ImageStack src;
  append_tagged(src, 5);
  ImageFrame* f = src.GetFrameData(0);
  f->delay = 40;
  f->disposal = 2;
  f->transparent = 1;
  f->transparentIndex = 7;
  f->left = 10;
  f->top = 20;
  char note[] = "note";
  f->comment = note;
  src.SetScreenWidth(64);
  src.SetScreenHeight(48);
  src.SetbGCT(1);
  src.SetbkColorIndex(3);

  ImageStack clone;
  append_tagged(clone, 9);
  EXPECT_EQ(&clone.Clone(src), &clone);
  ImageFrame* c = clone.GetFrameData(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(clone.GetFrameNumber(), 1);
  EXPECT_NE(c, f);
  EXPECT_NE(c->pixels, f->pixels);
  EXPECT_EQ(std::memcmp(c->pixels, f->pixels, f->imageSize), 0);
  EXPECT_EQ(c->palette[0].red, 5);
  EXPECT_STREQ(c->path, "/pics/a.bmp");
  EXPECT_EQ(c->delay, 40);
  EXPECT_EQ(c->disposal, 2);
  EXPECT_EQ(c->transparent, 1);
  EXPECT_EQ(c->transparentIndex, 7);
  EXPECT_EQ(c->left, 0);
  EXPECT_EQ(c->top, 0);
  EXPECT_EQ(c->comment, nullptr);
  EXPECT_EQ(clone.GetScreenWidth(), 64);
  EXPECT_EQ(clone.GetScreenHeight(), 48);
  EXPECT_EQ(clone.GetbGCT(), 1);
  EXPECT_EQ(clone.GetbkColorIndex(), 3);
  // Changing the clone leaves the source alone; cloning a stack from itself keeps its frames.
  c->pixels[0] = 99;
  EXPECT_EQ(f->pixels[0], 5);
  ImageStack sharer(src);
  src.Clone(src);
  EXPECT_EQ(tags(src), (std::vector<int>{5}));
  EXPECT_EQ(tags(sharer), (std::vector<int>{5}));
  EXPECT_NE(src.GetFrameData(0), sharer.GetFrameData(0));
}

TEST(ImageStack, AppendCopiesTheImageAndSizesItsBlock) {
  ImageStack s;
  unsigned char pixels[4 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  RGBCOLOR palette[256] = {};
  char comment[] = "not kept";
  ASSERT_EQ(s.AppendImageFrame(nullptr, comment, pixels, palette, 3, 3, 8, 256), 0);
  const ImageFrame* f = s.GetFrameData(0);
  EXPECT_EQ(f->imageSize, 12u);
  EXPECT_EQ(std::memcmp(f->pixels, pixels, 12), 0);
  EXPECT_EQ(f->comment, nullptr);
  EXPECT_STREQ(f->path, "");
  EXPECT_EQ(s.AddBlankFrame(), 1);
  EXPECT_EQ(s.GetFrameData(1)->width, 0);
  EXPECT_EQ(s.GetFrameData(2), nullptr);
  EXPECT_EQ(s.GetFrameData(-1), nullptr);

  // 65535 x 65535 at 24 bits needs more than the 32-bit size field holds: the frame is marked removed and
  // not counted, rather than given a block shorter than its rows.
  EXPECT_EQ(s.AppendImageFrame(nullptr, nullptr, nullptr, palette, 65535, 65535, 24, 0), -1);
  ASSERT_NE(s.GetFrameData(2), nullptr);
  EXPECT_EQ(s.GetFrameData(2)->removed, 1);
  EXPECT_EQ(s.GetFrameData(2)->pixels, nullptr);
  EXPECT_EQ(s.GetFrameNumber(), 2);
}

TEST(ImageStack, RemoveSwapAndMoveFrames) {
  auto five = [] {
    ImageStack s;
    for (int i = 0; i < 5; ++i) append_tagged(s, static_cast<unsigned char>(i));
    return s;
  };
  ImageStack s = five();
  EXPECT_EQ(s.MoveFrameData(0, 3), 1);
  EXPECT_EQ(tags(s), (std::vector<int>{1, 2, 3, 0, 4}));
  s = five();
  EXPECT_EQ(s.MoveFrameData(3, 0), 1);
  EXPECT_EQ(tags(s), (std::vector<int>{3, 0, 1, 2, 4}));
  EXPECT_EQ(s.MoveFrameData(2, 2), 1);
  EXPECT_EQ(s.MoveFrameData(0, 5), 0);
  EXPECT_EQ(s.MoveFrameData(-1, 0), 0);
  EXPECT_EQ(tags(s), (std::vector<int>{3, 0, 1, 2, 4}));

  EXPECT_EQ(s.SwapFrameData(0, 4), 1);
  EXPECT_EQ(tags(s), (std::vector<int>{4, 0, 1, 2, 3}));
  EXPECT_EQ(s.SwapFrameData(0, 5), 0);

  EXPECT_EQ(s.RemoveFrame(1), 1);
  EXPECT_EQ(tags(s), (std::vector<int>{4, 1, 2, 3}));
  EXPECT_EQ(s.RemoveFrame(4), -1);
  EXPECT_EQ(s.GetFrameNumber(), 4);
}

TEST(ImageStack, HoldsAtMost65535Frames) {
  ImageStack s;
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(s.AddBlankFrame(), i);
  EXPECT_EQ(s.AddBlankFrame(), -1);
  EXPECT_EQ(s.AppendImageFrame(nullptr, nullptr, nullptr, nullptr, 1, 1, 8, 256), -1);
  EXPECT_EQ(s.GetFrameNumber(), 65535);
}
