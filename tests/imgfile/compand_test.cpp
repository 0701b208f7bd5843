#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "imgfile/codaxe.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

std::string renamed(const char* name, CompandType type) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "%s", name);
  return Compand::FileNameFromType(buffer, type) ? std::string(buffer)
                                                 : std::string("<refused:") + buffer + ">";
}

}  // namespace

TEST(FileNames, TypeComesFromTheFinalExtensionInAnyCase) {
  EXPECT_EQ(Compand::FileTypeFromName("/pics/cat.gif"), CT_GIF);
  EXPECT_EQ(Compand::FileTypeFromName("/pics/CAT.Gif"), CT_GIF);
  EXPECT_EQ(Compand::FileTypeFromName("a.bmp.gif"), CT_GIF);
  EXPECT_EQ(Compand::FileTypeFromName("a.gif.bmp"), CT_BMP);
  EXPECT_EQ(Compand::FileTypeFromName("x.thm"), CT_THM);
  EXPECT_EQ(Compand::FileTypeFromName("x.DIB"), CT_DIB);
  EXPECT_EQ(Compand::FileTypeFromName("x.rle"), CT_RLE);
  EXPECT_EQ(Compand::FileTypeFromName("x.tif"), CT_TIF);
  EXPECT_EQ(Compand::FileTypeFromName("x.TIFF"), CT_TIF);
  EXPECT_EQ(Compand::FileTypeFromName("x.jpg"), CT_JPG);
  EXPECT_EQ(Compand::FileTypeFromName("x.jpeg"), CT_JPG);
  EXPECT_EQ(Compand::FileTypeFromName("x.JPE"), CT_JPG);
  EXPECT_EQ(Compand::FileTypeFromName("x.pcx"), CT_PCX);
  EXPECT_EQ(Compand::FileTypeFromName("x.tga"), CT_TGA);
  EXPECT_EQ(Compand::FileTypeFromName("x.avi"), CT_AVI);
  // Folders with dots, hidden files and near misses name no type.
  EXPECT_EQ(Compand::FileTypeFromName("/data/set.gif/picture"), CT_NONE);
  EXPECT_EQ(Compand::FileTypeFromName("/data/.bmp"), CT_NONE);
  EXPECT_EQ(Compand::FileTypeFromName("x.bmpx"), CT_NONE);
  EXPECT_EQ(Compand::FileTypeFromName(""), CT_NONE);
  EXPECT_EQ(Compand::FileTypeFromName(nullptr), CT_NONE);
}

TEST(FileNames, TypeDetectionLeavesTheCallersPathAlone) {
  char path[] = "/tmp/Mixed.Case/cat.gif";
  Compand::FileTypeFromName(path);
  EXPECT_STREQ(path, "/tmp/Mixed.Case/cat.gif");
}

TEST(FileNames, NameFromTypeTouchesOnlyTheLastExtension) {
  EXPECT_EQ(renamed("picture", CT_GIF), "picture.gif");
  EXPECT_EQ(renamed("a.b.c", CT_BMP), "a.b.bmp");
  EXPECT_EQ(renamed("/my.photos/holiday", CT_BMP), "/my.photos/holiday.bmp");
  EXPECT_EQ(renamed("Shot.BMP", CT_BMP), "Shot.BMP");
  EXPECT_EQ(renamed("scan.jpeg", CT_JPG), "scan.jpeg");
  EXPECT_EQ(renamed("scan.pcx", CT_TGA), "scan.tga");
  EXPECT_EQ(renamed(".hidden", CT_RLE), ".hidden.rle");
  EXPECT_EQ(renamed("x", CT_NONE), "<refused:x>");
  EXPECT_EQ(renamed("", CT_BMP), "<refused:>");
}

TEST(Compand, WriterGivesTheNameItsExtensionInTheCallersBuffer) {
  ScratchDir dir;
  std::string path = dir.file("pic.dib");
  RawPicture pic = make_picture(5, 3, 8);
  ASSERT_EQ(save_image(CT_BMP, path, pic), 1);
  EXPECT_EQ(path, dir.file("pic.bmp"));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(dir.file("pic.dib")));
}

TEST(Compand, RefusesWhatItCannotSetUp) {
  ScratchDir dir;
  char name[64] = "movie.avi";
  RawPicture pic = make_picture(2, 2, 8);
  Compand c;
  EXPECT_EQ(c.InitCompressor(CT_AVI, name, 2, 2, 8, 256, pic.pixels.data(), pic.palette.data()), 0);
  EXPECT_EQ(c.InitExpander(dir.file("missing.bmp").c_str()), 0);
  EXPECT_EQ(c.InitExpander(dir.file("notes.txt").c_str()), 0);
  ImageStack empty;
  EXPECT_EQ(c.InitCompressor(CT_BMP, name, &empty), 0);
  EXPECT_EQ(c.InitCompressor(CT_BMP, name, nullptr), 0);
  // Without a codec every getter answers zero.
  EXPECT_EQ(c.GetDataPtr(), nullptr);
  EXPECT_EQ(c.GetWidth(), 0);
  EXPECT_EQ(c.GetError(), 0);
  EXPECT_EQ(c.GetImageStack(), nullptr);
  EXPECT_EQ(c.DoExpansion(), 0);
  EXPECT_EQ(c.DoCompression(), 0);
}

TEST(Compand, EachSetUpRunsOnceAndOnlyInItsMode) {
  ScratchDir dir;
  std::string path = dir.file("a.bmp");
  RawPicture pic = make_picture(4, 4, 24);
  ASSERT_EQ(save_image(CT_BMP, path, pic), 1);

  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  EXPECT_EQ(c.DoCompression(), 0);
  EXPECT_EQ(c.SaveImageStack(), 0);
  EXPECT_EQ(c.DoExpansion(), 1);
  EXPECT_EQ(c.DoExpansion(), 0);
  EXPECT_EQ(c.GetCompressionType(), CT_BMP);

  char name[64];
  std::snprintf(name, sizeof name, "%s", dir.file("b.bmp").c_str());
  ASSERT_EQ(c.InitCompressor(CT_BMP, name, 4, 4, 24, 0, pic.pixels.data(), pic.palette.data()), 1);
  EXPECT_EQ(c.DoExpansion(), 0);
  EXPECT_EQ(c.DoCompression(), 1);
  EXPECT_EQ(c.DoCompression(), 0);
}

TEST(Compand, ThumbnailsReadAsBitmaps) {
  ScratchDir dir;
  std::string path = dir.file("t.thm");
  RawPicture pic = make_picture(3, 2, 8);
  ASSERT_EQ(save_image(CT_THM, path, pic), 1);
  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  EXPECT_EQ(c.GetCompressionType(), CT_BMP);
  EXPECT_EQ(Compand::FileTypeFromName(path.c_str()), CT_THM);
}

TEST(Compand, CopiesShareTheCodecSafely) {
  ScratchDir dir;
  std::string path = dir.file("a.bmp");
  RawPicture pic = make_picture(6, 5, 8);
  ASSERT_EQ(save_image(CT_BMP, path, pic), 1);
  auto original = std::make_unique<Compand>();
  ASSERT_EQ(original->InitExpander(path.c_str()), 1);
  ASSERT_EQ(original->DoExpansion(), 1);
  Compand copy(*original);
  Compand assigned;
  assigned = copy;
  EXPECT_EQ(copy.GetDataPtr(), original->GetDataPtr());
  original.reset();
  ASSERT_NE(copy.GetDataPtr(), nullptr);
  EXPECT_EQ(std::memcmp(copy.GetDataPtr(), pic.pixels.data(), pic.pixels.size()), 0);
  EXPECT_EQ(assigned.GetWidth(), 6);
}

TEST(Compand, SavingAStackToASingleImageFormatWritesFrameZero) {
  ScratchDir dir;
  RawPicture pics[3] = {make_picture(4, 3, 8, 1), make_picture(5, 2, 8, 2), make_picture(2, 2, 8, 3)};
  ImageStack stack;
  for (auto& p : pics) {
    ASSERT_GE(stack.AppendImageFrame(nullptr, nullptr, p.pixels.data(), p.palette.data(), p.width, p.height,
                                     8, 256),
              0);
  }
  char name[256];
  std::snprintf(name, sizeof name, "%s", dir.file("stack.bmp").c_str());
  Compand c;
  ASSERT_EQ(c.InitCompressor(CT_BMP, name, &stack), 1);
  EXPECT_EQ(c.GetImageStack()->GetFrameNumber(), 3);
  EXPECT_EQ(c.SaveImageStack(), 1);
  LoadedImage back = load_image(name);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(back.width, 4);
  EXPECT_EQ(back.pixels, pics[0].pixels);

  // The stack save reports success even when the single write failed.
  std::snprintf(name, sizeof name, "%s", dir.file("no/such/folder/stack.bmp").c_str());
  {
    RecordingMessageBox boxes;
    ASSERT_EQ(c.InitCompressor(CT_BMP, name, &stack), 1);
    EXPECT_EQ(c.SaveImageStack(), 1);
    EXPECT_LT(c.GetError(), 0);
  }
}

TEST(Compand, ErrorsGoToTheThreadsStreamWhenOneIsSet) {
  ScratchDir dir;
  std::string path = dir.file("broken.bmp");
  write_file(path, std::vector<unsigned char>(40, 'x'));
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&text, &size);
  RecordingMessageBox boxes;
  {
    Compand c;
    Compand::SetErrorMessageOutputStream(stream);
    ASSERT_EQ(c.InitExpander(path.c_str()), 1);
    EXPECT_EQ(c.DoExpansion(), 0);
    EXPECT_EQ(c.GetError(), CE_HEADER);
  }
  std::fclose(stream);
  EXPECT_STREQ(text, "\nError - Error reading image file header");
  std::free(text);
  EXPECT_TRUE(boxes.texts.empty());

  // A new Compand clears the stream: the same failure becomes a box with the caption "Error".
  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  EXPECT_EQ(c.DoExpansion(), 0);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Error reading image file header");
  EXPECT_EQ(boxes.captions[0], "Error");
}

TEST(Compand, AFailedSaveLeavesTheExistingFileUntouched) {
  ScratchDir dir;
  std::string path = dir.file("keep.bmp");
  RawPicture small = make_picture(8, 8, 8, 1);
  ASSERT_EQ(save_image(CT_BMP, path, small), 1);
  std::vector<unsigned char> before = read_file(path);

  // A file-size limit makes the write fail half-way, as a full disk would.
  RawPicture big = make_picture(600, 600, 24, 2);
  RecordingMessageBox boxes;
  const int result = with_file_size_limit(100000, [&] { return save_image(CT_BMP, path, big); });

  EXPECT_EQ(result, 0);
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts[0], "Error writing bitmap data");
  EXPECT_EQ(read_file(path), before);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
