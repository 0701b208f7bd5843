// The GIF writer: colour compaction, code sizes, the dither of true-colour images, and stacks saved as
// animations with shared or local colour tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "imgfile/fixed_palette.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

using Bytes = std::vector<unsigned char>;

bool contains(const Bytes& file, const std::string& text) {
  return std::search(file.begin(), file.end(), text.begin(), text.end()) != file.end();
}

// A 4-bit picture whose 16 palette entries hold only red, green and blue.
RawPicture three_colour_picture() {
  RawPicture p = make_picture(6, 3, 4, 3);
  for (int i = 0; i < 16; ++i) {
    p.palette[i] = i % 3 == 0 ? RGBCOLOR{255, 0, 0} : i % 3 == 1 ? RGBCOLOR{0, 255, 0} : RGBCOLOR{0, 0, 255};
  }
  return p;
}

struct ReadBack {
  Compand compand;
  int result = 0;
  explicit ReadBack(const std::string& path) {
    EXPECT_EQ(compand.InitExpander(path.c_str()), 1);
    result = compand.DoExpansion();
  }
  ImageStack& stack() { return *compand.GetImageStack(); }
  const ImageFrame& frame(int i) { return *stack().GetFrameData(i); }
};

RgbImage frame_rgb(const ImageFrame& f) {
  return raw_to_rgb(f.pixels, f.palette, f.width, f.height, f.bitsPerPixel);
}

int save_stack(ImageStack& stack, std::string& path) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand c;
  if (!c.InitCompressor(CT_GIF, name.data(), &stack)) return -1;
  path = name.data();
  return c.SaveImageStack();
}

}  // namespace

TEST(GifWriter, CompactsThePaletteToTheSmallestTable) {
  ScratchDir dir;
  RawPicture three = three_colour_picture();
  std::string path = dir.file("three.gif");
  ASSERT_EQ(save_image(CT_GIF, path, three), 1);
  Bytes file = read_file(path);
  ASSERT_GT(file.size(), 40u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  EXPECT_EQ(file[10], 0xF1);  // global table of 2^2 entries
  EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 25), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}));
  EXPECT_EQ(file[25], 0x2C);
  EXPECT_EQ(file[35], 2);  // minimum code size
  EXPECT_TRUE(contains(file, "Made with the Pictaro image suite"));
  EXPECT_EQ(file.back(), 0x3B);
  ReadBack back(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(max_channel_difference(frame_rgb(back.frame(0)),
                                   raw_to_rgb(three.pixels.data(), three.palette.data(), 6, 3, 4)),
            0);

  RawPicture two = make_picture(9, 2, 1);
  path = dir.file("two.gif");
  ASSERT_EQ(save_image(CT_GIF, path, two), 1);
  file = read_file(path);
  EXPECT_EQ(file[10], 0xF0);
  EXPECT_EQ(file[13 + 6 + 10], 2);
}

TEST(GifWriter, EveryDepthReadsBackInItsColours) {
  ScratchDir dir;
  for (unsigned short bits : {1, 4, 8}) {
    for (unsigned short width : {1, 7, 33}) {
      RawPicture pic = make_picture(width, 5, bits, width + bits);
      std::string path = dir.file("d.gif");
      ASSERT_EQ(save_image(CT_GIF, path, pic), 1);
      LoadedImage back = load_image(path);
      ASSERT_EQ(back.result, 1);
      EXPECT_EQ(back.bits, 8);
      EXPECT_EQ(max_channel_difference(back.rgb(),
                                       raw_to_rgb(pic.pixels.data(), pic.palette.data(), width, 5, bits)),
                0)
          << bits << " bits, width " << width;
    }
  }
}

TEST(GifWriter, TrueColourIsDitheredBottomRowFirst) {
  ScratchDir dir;
  RawPicture pic = make_picture(13, 6, 24, 5);
  std::string path = dir.file("true.gif");
  ASSERT_EQ(save_image(CT_GIF, path, pic), 1);
  std::vector<unsigned char> indices(dib_stride(13, 8) * 6);
  codaxe::dither_to_fixed_palette(pic.pixels.data(), 13, 6, indices.data());
  const auto& fixed = codaxe::fixed_palette();
  LoadedImage back = load_image(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(max_channel_difference(back.rgb(), raw_to_rgb(indices.data(), fixed.data(), 13, 6, 8)), 0);
}

TEST(GifWriter, RefusesWhatItCannotWrite) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  RawPicture pic = make_picture(4, 4, 8);
  pic.bits = 16;
  std::string path = dir.file("x.gif");
  EXPECT_EQ(save_image(CT_GIF, path, pic), 0);
  EXPECT_FALSE(std::filesystem::exists(path));

  ImageStack none;
  path = dir.file("none.gif");
  EXPECT_NE(save_stack(none, path), 1);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(GifWriter, StackKeepsFramesTimingAndPlaces) {
  ScratchDir dir;
  RawPicture pics[3] = {make_picture(10, 8, 8, 1), make_picture(4, 3, 4, 2), make_picture(5, 5, 24, 3)};
  ImageStack stack;
  const char* paths[3] = {"/pics/a.bmp", "/pics/b.pcx", "/pics/c.tga"};
  for (int i = 0; i < 3; ++i) {
    RawPicture& p = pics[i];
    ASSERT_EQ(stack.AppendImageFrame(paths[i], nullptr, p.pixels.data(), p.palette.data(), p.width, p.height,
                                     p.bits, p.colors),
              i);
    ImageFrame* f = stack.GetFrameData(i);
    f->delay = static_cast<unsigned short>(10 * (i + 1));
    f->disposal = static_cast<unsigned char>(i + 1);
    f->left = 3 * i;
    f->top = 2 * i;
  }
  stack.GetFrameData(1)->transparent = 1;
  stack.GetFrameData(1)->transparentIndex = 6;
  // Placed partly beyond the largest frame: the screen grows to hold it.
  stack.GetFrameData(2)->left = 8;
  stack.SetbkColorIndex(4);
  std::string path = dir.file("anim.gif");
  ASSERT_EQ(save_stack(stack, path), 1);

  Bytes file = read_file(path);
  EXPECT_TRUE(contains(file, "NETSCAPE2.0"));
  EXPECT_TRUE(contains(file, path + " frame 2, from /pics/c.tga"));
  EXPECT_TRUE(contains(file, "Made with the Pictaro image suite"));
  EXPECT_EQ(file[6] | file[7] << 8, 13);
  EXPECT_EQ(file[8] | file[9] << 8, 9);
  EXPECT_EQ(file[11], 4);

  ReadBack back(path);
  ASSERT_EQ(back.result, 1);
  ASSERT_EQ(back.stack().GetFrameNumber(), 3);
  EXPECT_EQ(back.stack().GetbGCT(), 0);  // the stack's bGCT was 0: frames 1 and 2 carry local tables
  for (int i = 0; i < 3; ++i) {
    const ImageFrame& in = *stack.GetFrameData(i);
    const ImageFrame& out = back.frame(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.top, in.top);
    EXPECT_EQ(out.delay, in.delay);
    EXPECT_EQ(out.disposal, in.disposal);
    EXPECT_EQ(out.transparent, in.transparent);
    if (i < 2) {
      EXPECT_EQ(max_channel_difference(frame_rgb(out), frame_rgb(in)), 0);
    }
  }
  // The transparent entry is named by its place in the compacted table.
  const ImageFrame& t = back.frame(1);
  const RGBCOLOR want = pics[1].palette[6];
  EXPECT_EQ(t.palette[t.transparentIndex].red, want.red);
  EXPECT_EQ(t.palette[t.transparentIndex].blue, want.blue);
}

TEST(GifWriter, SharedTableKeepsTransparentEntriesApart) {
  // Entries 1 and 5 are both red; frame 1 makes 5 transparent. Merging them would make every red pixel
  // transparent, or none.
  ScratchDir dir;
  RawPicture a = make_picture(4, 2, 8, 1);
  for (int i = 0; i < 256; ++i) a.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), 0, 0};
  a.palette[5] = a.palette[1];
  const unsigned char rows[2][4] = {{1, 5, 1, 5}, {5, 5, 1, 2}};
  for (int y = 0; y < 2; ++y) std::memcpy(&a.pixels[y * 4], rows[y], 4);
  ImageStack stack;
  stack.SetbGCT(1);
  for (int i = 0; i < 2; ++i) {
    stack.AppendImageFrame(nullptr, nullptr, a.pixels.data(), a.palette.data(), 4, 2, 8, 256);
  }
  stack.GetFrameData(1)->transparent = 1;
  stack.GetFrameData(1)->transparentIndex = 5;
  std::string path = dir.file("shared.gif");
  ASSERT_EQ(save_stack(stack, path), 1);
  {
    ReadBack back(path);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(back.stack().GetbGCT(), 1);  // no frame carries a local table
    const ImageFrame& f = back.frame(1);
    ASSERT_EQ(f.transparent, 1);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(f.pixels[y * 4 + x] == f.transparentIndex, rows[y][x] == 5) << x << "," << y;
      }
    }
  }
  // A frame with other colours under the shared-table flag gets a table of its own.
  RawPicture other = make_picture(3, 3, 8, 9);
  stack.AppendImageFrame(nullptr, nullptr, other.pixels.data(), other.palette.data(), 3, 3, 8, 256);
  ASSERT_EQ(save_stack(stack, path), 1);
  ReadBack back(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(back.stack().GetbGCT(), 0);
  EXPECT_EQ(max_channel_difference(frame_rgb(back.frame(2)), frame_rgb(*stack.GetFrameData(2))), 0);
}
