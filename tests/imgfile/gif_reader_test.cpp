// The GIF reader on hand-made files: tables, interlacing, graphic control, comments, and files broken on
// purpose.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imgfile/gif_format.h"
#include "tests/imgfile/gif_test_files.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using gif_test::Bytes;
using gif_test::GifFile;
using gif_test::pack_codes;
using namespace testing_support;

namespace {

struct Read {
  std::unique_ptr<Compand> compand = std::make_unique<Compand>();
  int result = 0;
  ImageStack* stack() const { return compand->GetImageStack(); }
  const ImageFrame* frame(int i) const { return stack()->GetFrameData(i); }
  int frames() const { return stack()->GetFrameNumber(); }
};

Read read_bytes(const ScratchDir& dir, const Bytes& bytes) {
  const std::string path = dir.file("t.gif");
  write_file(path, bytes);
  Read r;
  EXPECT_EQ(r.compand->InitExpander(path.c_str()), 1);
  r.result = r.compand->DoExpansion();
  return r;
}

// Picture row y of a frame (top-down), as palette indices.
Bytes row_of(const ImageFrame* f, int y) {
  const unsigned char* p = f->pixels + (f->height - 1 - y) * dib_stride(f->width, 8);
  return Bytes(p, p + f->width);
}

Bytes ramp(int n) {
  Bytes b(n);
  for (int i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i);
  return b;
}

// A 2-frame file: a 4x3 image at (1, 2) with a graphic control, then an interlaced 3x10 image.
GifFile two_frames() {
  Bytes second(30);
  for (int y = 0; y < 10; ++y)
    second[y * 3] = second[y * 3 + 1] = second[y * 3 + 2] = static_cast<unsigned char>(y);
  Bytes interlacedOrder;
  for (int y : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9})
    interlacedOrder.insert(interlacedOrder.end(), 3, static_cast<unsigned char>(y));
  GifFile file(8, 12, 4);
  file.control(2, 30, 5).image(1, 2, 4, 3, ramp(12)).image(0, 0, 3, 10, interlacedOrder, true).trailer();
  return file;
}

}  // namespace

TEST(GifReader, FramesPositionsTablesAndInterlacing) {
  ScratchDir dir;
  Read r = read_bytes(dir, two_frames().bytes());
  ASSERT_EQ(r.result, 1);
  ASSERT_EQ(r.frames(), 2);
  const ImageFrame* f0 = r.frame(0);
  EXPECT_EQ(f0->width, 4);
  EXPECT_EQ(f0->height, 3);
  EXPECT_EQ(f0->bitsPerPixel, 8);
  EXPECT_EQ(f0->colors, 256);
  EXPECT_EQ(f0->left, 1);
  EXPECT_EQ(f0->top, 2);
  EXPECT_EQ(f0->delay, 30);
  EXPECT_EQ(f0->disposal, 2);
  EXPECT_EQ(f0->transparent, 1);
  EXPECT_EQ(f0->transparentIndex, 5);
  EXPECT_EQ(row_of(f0, 0), (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(row_of(f0, 2), (Bytes{8, 9, 10, 11}));
  EXPECT_EQ(f0->palette[9].red, GifFile::global_entry(9).red);
  EXPECT_EQ(f0->palette[9].blue, GifFile::global_entry(9).blue);
  // A graphic control applies to the next image only.
  const ImageFrame* f1 = r.frame(1);
  EXPECT_EQ(f1->delay, 0);
  EXPECT_EQ(f1->transparent, 0);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(row_of(f1, y), Bytes(3, static_cast<unsigned char>(y))) << y;
  EXPECT_EQ(r.stack()->GetbGCT(), 1);
  EXPECT_EQ(r.stack()->GetbkColorIndex(), 3);
  EXPECT_EQ(r.stack()->GetScreenWidth(), 8);
  EXPECT_EQ(r.stack()->GetScreenHeight(), 12);
  // The codec's own image is the last one.
  EXPECT_EQ(r.compand->GetWidth(), 3);
  EXPECT_EQ(r.compand->GetHeight(), 10);
  EXPECT_EQ(r.compand->GetDataPtr()[0], 9);
}

TEST(GifReader, LocalTablesAndTheGlobalOne) {
  ScratchDir dir;
  GifFile file(4, 1, 2);
  file.image(0, 0, 4, 1, ramp(4), false, 3).image(0, 0, 4, 1, ramp(4)).trailer();
  Read r = read_bytes(dir, file.bytes());
  ASSERT_EQ(r.frames(), 2);
  EXPECT_EQ(r.frame(0)->palette[3].red, GifFile::local_entry(3).red);
  EXPECT_EQ(r.frame(0)->palette[3].blue, GifFile::local_entry(3).blue);
  EXPECT_EQ(r.frame(1)->palette[3].red, GifFile::global_entry(3).red);
  EXPECT_EQ(r.frame(1)->palette[3].blue, GifFile::global_entry(3).blue);
  // Entries beyond a table are black, not left over from another table.
  EXPECT_EQ(r.frame(1)->palette[5].blue, 0);
  EXPECT_EQ(r.stack()->GetbGCT(), 0);
}

TEST(GifReader, PlainGif87aImageHasNeutralTiming) {
  ScratchDir dir;
  GifFile file(5, 2, 1, "GIF87a");
  file.image(0, 0, 5, 2, Bytes{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}).trailer();
  Read r = read_bytes(dir, file.bytes());
  ASSERT_EQ(r.result, 1);
  ASSERT_EQ(r.frames(), 1);
  EXPECT_EQ(r.frame(0)->delay, 0);
  EXPECT_EQ(r.frame(0)->disposal, 0);
  EXPECT_EQ(r.frame(0)->transparent, 0);
  EXPECT_EQ(r.frame(0)->left, 0);
  EXPECT_EQ(row_of(r.frame(0), 1), (Bytes{0, 1, 0, 1, 0}));
}

TEST(GifReader, CodesCarryOverRowEnds) {
  // A 3x2 image whose fourth code's string spans both rows: m = 2,
  // codes: clear, 1, 1 (adds 6 = "1 1"), 6 ("1 1"), 2, end.
  ScratchDir dir;
  GifFile file(3, 2, 2);
  file.descriptor(0, 0, 3, 2)
      .codes(2, pack_codes({{4, 3}, {1, 3}, {1, 3}, {6, 3}, {2, 4}, {5, 4}}))
      .trailer();
  Read r = read_bytes(dir, file.bytes());
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(row_of(r.frame(0), 0), (Bytes{1, 1, 1}));
  EXPECT_EQ(row_of(r.frame(0), 1), (Bytes{1, 2, 0}));
}

TEST(GifReader, NothingButHeaderAndTrailer) {
  ScratchDir dir;
  Read r = read_bytes(dir, GifFile(10, 10, 1).trailer().bytes());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.frames(), 0);
  EXPECT_EQ(r.compand->GetError(), 0);
}

TEST(GifReader, NotAGifGoesToTheErrorStream) {
  ScratchDir dir;
  const std::string path = dir.file("x.gif");
  write_file(path, Bytes{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0});
  std::FILE* stream = std::tmpfile();
  Compand c;
  Compand::SetErrorMessageOutputStream(stream);
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  EXPECT_EQ(c.DoExpansion(), 0);
  EXPECT_EQ(c.GetError(), CE_NOT_GIF);
  Compand::SetErrorMessageOutputStream(nullptr);
  std::rewind(stream);
  char text[128] = {};
  std::fread(text, 1, sizeof text - 1, stream);
  std::fclose(stream);
  EXPECT_STREQ(text, "\nError - Error not a GIF file");
}

TEST(GifReader, BrokenImagesKeepWhatWasDecoded) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  // A code that names no entry: the pixels before it stay, the frames before stay, the read fails.
  GifFile bad(4, 1, 2);
  bad.image(0, 0, 4, 1, ramp(4)).descriptor(0, 0, 4, 1).codes(2, pack_codes({{4, 3}, {3, 3}, {7, 3}}));
  bad.image(0, 0, 4, 1, ramp(4)).trailer();
  Read r = read_bytes(dir, bad.bytes());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.compand->GetError(), CE_DATA);
  ASSERT_EQ(r.frames(), 2);
  EXPECT_EQ(row_of(r.frame(1), 0), (Bytes{3, 0, 0, 0}));
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts.back(), "Error during code expansion");

  // Minimum code sizes that cannot code 8-bit pixels.
  for (unsigned char m : {0, 9, 12}) {
    GifFile odd(4, 1, 2);
    odd.image(0, 0, 4, 1, ramp(4)).descriptor(0, 0, 4, 1).codes(m, Bytes{0, 0}).trailer();
    Read o = read_bytes(dir, odd.bytes());
    EXPECT_EQ(o.result, 0) << int(m);
    EXPECT_EQ(o.frames(), 1) << int(m);
  }

  // Data that stops short without an end code, with its blocks intact: the rest is index 0 and the file
  // goes on.
  GifFile shortData(8, 1, 2);
  shortData.descriptor(0, 0, 8, 1).codes(3, pack_codes({{8, 4}, {1, 4}, {2, 4}, {3, 4}}));
  shortData.image(0, 0, 2, 1, Bytes{7, 7}).trailer();
  Read s = read_bytes(dir, shortData.bytes());
  EXPECT_EQ(s.result, 1);
  ASSERT_EQ(s.frames(), 2);
  EXPECT_EQ(row_of(s.frame(0), 0), (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
}

TEST(GifReader, FilesCutShortAnywhere) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  const Bytes whole = two_frames().bytes();
  Read full = read_bytes(dir, whole);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE("cut at " + std::to_string(n));
    Read r = read_bytes(dir, Bytes(whole.begin(), whole.begin() + n));
    EXPECT_LE(r.frames(), 2);
    // Each frame that was decoded, wholly or in part, matches the whole file's as far as it goes.
    for (int i = 0; i < r.frames(); ++i) {
      EXPECT_EQ(r.frame(i)->width, full.frame(i)->width);
      EXPECT_EQ(r.frame(i)->left, full.frame(i)->left);
    }
  }
  // Only the trailer missing: nothing is lost.
  Read noTrailer = read_bytes(dir, Bytes(whole.begin(), whole.end() - 1));
  EXPECT_EQ(noTrailer.result, 1);
  EXPECT_EQ(noTrailer.frames(), 2);
  // Cut inside the second image's data, its descriptor or right after its separator: the frames decoded
  // so far open, and the read reports the loss.
  for (std::size_t missing : {6u, 9u, 12u}) {
    SCOPED_TRACE(missing);
    boxes.texts.clear();
    Read cut = read_bytes(dir, Bytes(whole.begin(), whole.end() - missing));
    EXPECT_EQ(cut.result, 1);
    EXPECT_EQ(cut.compand->GetError(), CE_DATA);
    EXPECT_GE(cut.frames(), 1);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Error reading bitmap data");
  }
}

TEST(GifReader, RefusesImagesTheFileCannotHold) {
  // 65535 x 65535 pixels from a few bytes: refused before anything is allocated.
  ScratchDir dir;
  RecordingMessageBox boxes;
  GifFile file(4, 4, 1);
  file.image(0, 0, 2, 2, Bytes{1, 0, 0, 1})
      .descriptor(0, 0, 65535, 65535)
      .codes(2, pack_codes({{4, 3}, {5, 3}}));
  file.trailer();
  Read r = read_bytes(dir, file.bytes());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.frames(), 1);
  EXPECT_EQ(r.compand->GetError(), CE_DATA);
  // An image without pixels is passed over.
  GifFile empty(4, 4, 1);
  empty.descriptor(0, 0, 0, 5).codes(2, pack_codes({{4, 3}, {5, 3}})).image(0, 0, 1, 1, Bytes{1}).trailer();
  Read e = read_bytes(dir, empty.bytes());
  EXPECT_EQ(e.result, 1);
  EXPECT_EQ(e.frames(), 1);
}

TEST(GifReader, SkipsExtensionsOfAnyKind) {
  ScratchDir dir;
  GifFile file(2, 1, 1);
  file.raw({0x21, 0xFE, 3, 'a', 'b', 'c', 0});                        // comment
  file.raw({0x21, 0x01, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // plain text
  file.raw({0x21, 0xF9, 5, 9, 9, 9, 9, 9, 0});                        // graphic control of a wrong size
  file.raw({0x21, 0x77, 2, 1, 2, 1, 9, 0});                           // unknown label
  file.image(0, 0, 2, 1, Bytes{1, 0}).trailer();
  Read r = read_bytes(dir, file.bytes());
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.frame(0)->delay, 0);
  EXPECT_EQ(row_of(r.frame(0), 0), (Bytes{1, 0}));
}

// Each comment goes to the frame it follows; those before the first image to the first frame; several
// are joined with newlines; the suite's own signature and a comment cut off by the file's end are no
// frame's.
TEST(GifReader, CommentsBelongToTheFrameTheyFollow) {
  auto comment = [](GifFile& f, const std::string& text) {
    f.raw({0x21, 0xFE});
    for (const unsigned char b : gif_test::sub_blocks(Bytes(text.begin(), text.end()))) f.raw({b});
  };
  auto image = [](GifFile& f) { f.image(0, 0, 2, 1, Bytes{1, 0}); };
  const std::string kLong(600, 'x');  // three sub-blocks
  const struct {
    const char* name;
    std::function<void(GifFile&)> build;  // three images with comments between them
    std::vector<std::string> want;
  } cases[] = {
      {"after each",
       [&](GifFile& f) { image(f), comment(f, "one"), image(f), image(f), comment(f, "three"); },
       {"one", "", "three"}},
      {"before the first",
       [&](GifFile& f) { comment(f, "lead"), image(f), comment(f, "one"), image(f), image(f); },
       {"lead\none", "", ""}},
      {"several joined",
       [&](GifFile& f) { image(f), image(f), comment(f, "a"), comment(f, ""), comment(f, kLong), image(f); },
       {"", "a\n" + kLong, ""}},
      {"signature dropped",
       [&](GifFile& f) {
         image(f), image(f), image(f), comment(f, "last"), comment(f, codaxe::gif::kMakerText);
       },
       {"", "", "last"}},
      {"cut off",
       [&](GifFile& f) {
         image(f), image(f), image(f), comment(f, "whole"), f.raw({0x21, 0xFE, 9, 'h', 'a'});
       },
       {"", "", "whole"}},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GifFile file(2, 1, 1);
    c.build(file);
    if (std::string(c.name) != "cut off") file.trailer();
    Read r = read_bytes(dir, file.bytes());
    ASSERT_EQ(r.frames(), 3);
    for (int i = 0; i < 3; ++i) {
      const char* got = r.frame(i)->comment;
      EXPECT_EQ(got ? std::string(got) : std::string(), c.want[i]) << "frame " << i;
    }
  }
}
