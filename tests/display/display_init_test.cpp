// Display: headers, colour tables, palettes and dithering prepared by InitForDisplay, zoom values, copies.
#include <gtest/gtest.h>

#include <cstring>

#include "imgfile/fixed_palette.h"
#include "tests/display/display_test_support.h"

using namespace display_testing;
using testing_support::make_picture;
using testing_support::RawPicture;
using testing_support::RecordingMessageBox;

namespace {

std::vector<unsigned char> solid24(unsigned width, unsigned height, unsigned char r, unsigned char g,
                                   unsigned char b) {
  std::vector<unsigned char> data(dib_stride(width, 24) * height, 0);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      unsigned char* p = &data[y * dib_stride(width, 24) + 3 * x];
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  return data;
}

std::vector<unsigned char> reference_dither(const std::vector<unsigned char>& data, unsigned width,
                                            unsigned height) {
  std::vector<unsigned char> out(dib_stride(width, 8) * height);
  codaxe::dither_to_fixed_palette(data.data(), width, height, out.data());
  return out;
}

std::vector<unsigned char> block_bytes(HGLOBAL block) {
  pcore::BlockLock lock(block);
  return std::vector<unsigned char>(lock.data(), lock.data() + lock.size());
}

}  // namespace

TEST(DisplayZoom, PowersOfTwoOnlyAndEverythingElseIsOneToOne) {
  Display d;
  const std::pair<short, short> cases[] = {{1, 1},       {3, 1},  {2, 2},  {128, 128}, {256, 1},  {-8, -8},
                                           {-128, -128}, {-1, 1}, {-3, 1}, {0, 1},     {-256, 1}, {6, 1}};
  for (auto [set, got] : cases) {
    d.SetZoom(set);
    EXPECT_EQ(d.GetZoom(), got) << "SetZoom(" << set << ")";
  }
}

TEST(DisplayInit, HeaderAndTableFollowTheColourCount) {
  RawPicture p = make_picture(33, 5, 8);
  struct Case {
    unsigned short colors, bits, used, entries;
  };
  // 1, 3 and 5 to 15 colours take the smallest depth that holds them.
  for (Case c : {Case{2, 1, 2, 2}, Case{1, 1, 1, 1}, Case{3, 4, 3, 3}, Case{4, 4, 4, 4}, Case{9, 4, 9, 9},
                 Case{16, 4, 16, 16}, Case{17, 8, 17, 256}, Case{200, 8, 200, 256}, Case{256, 8, 256, 256}}) {
    Display d;
    ASSERT_EQ(d.InitForDisplay(33, 5, c.colors, p.pixels.data(), p.palette.data(), 1), 1);
    BITMAPINFO* info = d.GetPtrToBITMAPINFO();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biBitCount, c.bits) << c.colors << " colours";
    EXPECT_EQ(d.GetBPP(), c.bits);
    EXPECT_EQ(info->bmiHeader.biClrUsed, c.used);
    EXPECT_EQ(info->bmiHeader.biSizeImage, dib_stride(33, c.bits) * 5);
    EXPECT_EQ(info->bmiHeader.biWidth, 33);
    EXPECT_EQ(info->bmiHeader.biPlanes, 1);
    const RGBQUAD& last = info->bmiColors[c.used - 1];
    const RGBCOLOR& want = p.palette[c.used - 1];
    EXPECT_EQ(last.rgbRed, want.red);
    EXPECT_EQ(last.rgbGreen, want.green);
    EXPECT_EQ(last.rgbBlue, want.blue);
    ASSERT_NE(d.GetPalette(), nullptr);
    EXPECT_EQ(d.GetPalette()->entries.size(), c.used);
  }
}

TEST(DisplayInit, TrueColourOnADeepScreenIsShownAsItIs) {
  ScreenDepth screen(24);
  auto data = solid24(10, 3, 128, 128, 128);
  Display d;
  ASSERT_EQ(d.InitForDisplay(10, 3, 0, data.data(), nullptr, 1), 1);
  EXPECT_TRUE(d.IsDisplayHwdTrueColor());
  BITMAPINFO* info = d.GetPtrToBITMAPINFO();
  EXPECT_EQ(info->bmiHeader.biBitCount, 24);
  EXPECT_EQ(info->bmiHeader.biClrUsed, 0u);
  EXPECT_EQ(d.GetPtrToBITMAPINFO(), info) << "the information block itself";
  ASSERT_NE(d.GetPalette(), nullptr);
  EXPECT_EQ(d.GetPalette()->entries.size(), 256u);
}

TEST(DisplayInit, TrueColourOnAPaletteScreenIsDitheredInAdvance) {
  ScreenDepth screen(8);
  RawPicture p = make_picture(19, 7, 24, 5);
  Display d;
  ASSERT_EQ(d.InitForDisplay(19, 7, 0, p.pixels.data(), nullptr, 1), 1);
  EXPECT_FALSE(d.IsDisplayHwdTrueColor());
  EXPECT_EQ(d.GetBPP(), 8);
  // The header handed out still describes the caller's 24-bit pixels.
  BITMAPINFO* info = d.GetPtrToBITMAPINFO();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->bmiHeader.biBitCount, 24);
  EXPECT_EQ(info->bmiHeader.biClrUsed, 0u);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 7 * dib_stride(19, 24));
  EXPECT_EQ(d.GetPtrToBITMAPINFO(), info) << "made once";
  const auto& fixed = codaxe::fixed_palette();
  ASSERT_EQ(d.GetPalette()->entries.size(), 256u);
  EXPECT_EQ(d.GetPalette()->entries[0x91].peBlue, fixed[0x91].blue);

  // A new image replaces the 24-bit header too, instead of keeping the old size.
  RawPicture q = make_picture(5, 2, 24);
  ASSERT_EQ(d.InitForDisplay(5, 2, 0, q.pixels.data(), nullptr, 1), 1);
  EXPECT_EQ(d.GetPtrToBITMAPINFO()->bmiHeader.biWidth, 5);

  Display lazy;
  ASSERT_EQ(lazy.InitForDisplay(19, 7, 0, p.pixels.data(), nullptr, 0), 1);
  EXPECT_EQ(lazy.GetBPP(), 24);
  EXPECT_EQ(lazy.GetPtrToBITMAPINFO()->bmiHeader.biClrUsed, 256u) << "the fixed palette, no dithered copy";
}

TEST(DitherAnImage, ExactColoursMidGreyAndSingleRows) {
  for (auto [r, index] : {std::pair{255, 255}, {0, 0}}) {
    auto data = solid24(6, 4, r, r, r);
    HGLOBAL block = DitherAnImage(data.data(), 6, 4);
    ASSERT_NE(block, nullptr);
    auto out = block_bytes(block);
    GlobalFree(block);
    ASSERT_EQ(out.size(), 8u * 4);
    for (unsigned y = 0; y < 4; ++y) {
      for (unsigned x = 0; x < 6; ++x) EXPECT_EQ(out[y * 8 + x], index);
    }
  }
  auto grey = solid24(9, 5, 128, 128, 128);
  HGLOBAL block = DitherAnImage(grey.data(), 9, 5);
  auto out = block_bytes(block);
  GlobalFree(block);
  EXPECT_EQ(out[0], 0x91);
  EXPECT_EQ(out, reference_dither(grey, 9, 5));

  // One row diffuses into a copy of itself, like the last row of any image.
  RawPicture row = make_picture(13, 1, 24, 3);
  block = DitherAnImage(row.pixels.data(), 13, 1);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block_bytes(block), reference_dither(row.pixels, 13, 1));
  GlobalFree(block);
  EXPECT_EQ(DitherAnImage(nullptr, 4, 4), nullptr);
}

TEST(DisplayCopy, CopiesOwnTheirBlocks) {
  ScreenDepth screen(8);
  RawPicture p = make_picture(12, 9, 24, 7);
  auto* original = new Display;
  ASSERT_EQ(original->InitForDisplay(12, 9, 0, p.pixels.data(), nullptr, 1), 1);
  original->SetZoom(4);
  original->GetPtrToBITMAPINFO();
  Display copy(*original);
  Display assigned;
  assigned = *original;
  EXPECT_NE(copy.GetPalette(), original->GetPalette());
  EXPECT_NE(copy.GetPtrToBITMAPINFO(), original->GetPtrToBITMAPINFO());
  delete original;
  // Both copies still paint from blocks of their own (the sanitizers watch for freed memory here).
  for (Display* d : {&copy, &assigned}) {
    EXPECT_EQ(d->GetZoom(), 4);
    EXPECT_EQ(d->GetBPP(), 8);
    draw::MemoryWindow window(48, 36);
    RECT rect{0, 0, 48, 36};
    POINT origin{0, 0};
    EXPECT_EQ(d->DisplayImage(&window, origin, rect, 0), 1);
    EXPECT_EQ(window.surface().at(47, 35), window.surface().at(44, 32)) << "4x4 blocks";
  }
  assigned = assigned;
  EXPECT_EQ(assigned.GetBPP(), 8);
}

TEST(DisplayMessages, ErrorMessageUsesTheErrorCaption) {
  RecordingMessageBox boxes;
  Display d;
  d.ErrorMessage("Out of memory");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Out of memory");
  EXPECT_EQ(boxes.captions[0], "Error");
}

TEST(DisplayInit, ColoursForDisplayNameThePixelsDepth) {
  EXPECT_EQ(draw::colours_for_display(8, 16), 256);
  EXPECT_EQ(draw::colours_for_display(8, 200), 200);
  EXPECT_EQ(draw::colours_for_display(4, 16), 16);
  EXPECT_EQ(draw::colours_for_display(4, 2), 16);
  EXPECT_EQ(draw::colours_for_display(1, 2), 2);
  EXPECT_EQ(draw::colours_for_display(24, 0), 0);
}
