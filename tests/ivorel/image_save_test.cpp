// ImageWndFunctions: save and save as, the chooser's type list and the extension rules, and failed saves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>

#include "tests/ivorel/processing_support.h"
#include "tests/ivorel/window_support.h"
#include "tests/support/codaxe_io.h"

using testing_support::ChooserAnswer;
using testing_support::make_descriptor;
using testing_support::MemoryHost;
using testing_support::ScriptedFileDialogs;
using testing_support::ScriptedMessageBox;

TEST(ImageSave, ExtensionRulesKeepKnownNamesAndAddTheChosenType) {
  using ivorel::save_path_for_choice;
  EXPECT_EQ(save_path_for_choice("/p/Photo.JPG", 1), "/p/Photo.JPG");  // case kept, whatever the filter
  EXPECT_EQ(save_path_for_choice("/p/a.Tiff", 3), "/p/a.Tiff");
  EXPECT_EQ(save_path_for_choice("/p/shot", 9), "/p/shot.png");
  EXPECT_EQ(save_path_for_choice("/p/shot", 2), "/p/shot.dib");
  EXPECT_EQ(save_path_for_choice("/p/shot", 4), "/p/shot.rle");
  EXPECT_EQ(save_path_for_choice("/p/scan 2024.05", 6), "/p/scan 2024.05.tif");
  EXPECT_EQ(save_path_for_choice("/p/clip.avi", 8), "/p/clip.avi.jpg");  // video cannot be written
  EXPECT_EQ(save_path_for_choice("/p.d/shot", 0), "/p.d/shot.bmp");
  EXPECT_EQ(save_path_for_choice("/p/shot", 10), "/p/shot.bmp");
  EXPECT_EQ(save_path_for_choice("", 3), "");
}

TEST(ImageSave, AnUnnamedImageAsksForANameWithTheNineTypes) {
  testing_support::ScratchDir dir;
  ScriptedMessageBox boxes;
  ScriptedFileDialogs choosers({{true, dir.file("holiday"), 8}});
  testing_support::ScriptedDialogs quality;  // JPEG asks its quality
  quality.answers = {{true, {90}}};
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(33, 17, 24, 0));
  const std::string untitled = w.name;
  ASSERT_EQ(w.EvSave(nullptr), 1);

  ASSERT_EQ(choosers.requests.size(), 1u);
  const pcore::FileDialogRequest& r = choosers.requests[0];
  EXPECT_EQ(r.kind, pcore::FileDialogKind::Save);
  EXPECT_EQ(r.title, "Save Image As");
  EXPECT_EQ(r.owner, static_cast<const void*>(&host));
  EXPECT_EQ(r.initialName, untitled);
  EXPECT_EQ(r.filterIndex, 1);
  const char* labels[] = {"BMP", "DIB", "PCX", "RLE", "TGA", "TIF", "GIF", "JPG", "PNG"};
  ASSERT_EQ(r.filters.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(r.filters[i].label, std::string(labels[i]) + " Files");
    std::string ext = labels[i];
    for (char& ch : ext) ch = static_cast<char>(std::tolower(ch));
    EXPECT_EQ(r.filters[i].pattern, "*." + ext);
  }

  const std::string path = dir.file("holiday.jpg");
  EXPECT_STREQ(w.name, path.c_str());
  EXPECT_EQ(w.named, 1);
  EXPECT_EQ(w.dirty, 0);
  EXPECT_EQ(host.title, ivorel::title_from_name(path.c_str()));
  const testing_support::LoadedImage back = testing_support::load_image(path);
  ASSERT_EQ(back.result, 1);
  EXPECT_EQ(back.width, 33);
  EXPECT_EQ(back.height, 17);
  EXPECT_TRUE(boxes.texts.empty());

  // Named and clean: nothing to do. Named and modified: straight to the file.
  EXPECT_EQ(w.EvSave(nullptr), 1);
  w.MakeImageDirty();
  std::filesystem::remove(path);
  EXPECT_EQ(w.EvSave(nullptr), 1);
  EXPECT_EQ(choosers.requests.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(ImageSave, EveryTypeOfTheListWritesThatFormat) {
  testing_support::ScratchDir dir;
  ScriptedMessageBox boxes;
  testing_support::ScriptedDialogs quality;
  quality.answers = {{true, {90}}};
  for (int filter = 1; filter <= ivorel::kSaveTypeCount; ++filter) {
    ImageWndFunctions w(nullptr, make_descriptor(21, 13, 8, 256, filter));
    for (int i = 0; i < 256; ++i) w.image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), 0, 0};
    const std::string name = "type" + std::to_string(filter);
    ScriptedFileDialogs choosers({{true, dir.file(name), filter}});
    ASSERT_EQ(w.EvSaveAs(nullptr), 1) << filter;
    const std::string path = w.FullName();
    EXPECT_EQ(Compand::FileTypeFromName(path.c_str()), ivorel::kSaveTypes[filter - 1].type);
    const testing_support::LoadedImage back = testing_support::load_image(path);
    ASSERT_EQ(back.result, 1) << path;
    EXPECT_EQ(back.width, 21);
    EXPECT_EQ(back.height, 13);
    if (ivorel::kSaveTypes[filter - 1].type == CT_JPG) continue;
    const testing_support::RgbImage want =
        testing_support::raw_to_rgb(w.image.imageData, w.image.palette, 21, 13, 8);
    EXPECT_EQ(testing_support::max_channel_difference(back.rgb(), want), 0) << path;
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(ImageSave, SaveAsProposesTheCurrentFileAndCancelKeepsTheFlags) {
  testing_support::ScratchDir dir;
  std::string path = dir.file("Start.TGA");
  testing_support::RawPicture picture = testing_support::make_picture(9, 9, 24, 2);
  picture.colors = 0;
  ASSERT_EQ(testing_support::save_image(CT_TGA, path, picture), 1);
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, path.c_str());
  ASSERT_EQ(w.HasImage(), 1);
  {
    ScriptedFileDialogs choosers({ChooserAnswer{}});
    EXPECT_EQ(w.EvSaveAs(nullptr), 0);
    ASSERT_EQ(choosers.requests.size(), 1u);
    EXPECT_EQ(choosers.requests[0].initialName, path);
    EXPECT_EQ(choosers.requests[0].filterIndex, 5);
    EXPECT_EQ(w.dirty, 0);
    EXPECT_EQ(w.named, 1);
    EXPECT_STREQ(w.name, path.c_str());
  }
  {  // An unnamed clean image stays clean and unnamed.
    ImageWndFunctions copy(&host, w);
    ScriptedFileDialogs choosers({ChooserAnswer{}});
    EXPECT_EQ(copy.EvSaveAs(nullptr), 0);
    EXPECT_EQ(copy.dirty, 0);
    EXPECT_EQ(copy.named, 0);
    EXPECT_EQ(choosers.requests[0].initialName, "Start.TGA");
  }
  {  // Saving as another file renames the window; the user's spelling stands.
    ScriptedFileDialogs choosers({{true, dir.file("Other.PNG"), 1}});
    EXPECT_EQ(w.EvSaveAs(nullptr), 1);
    EXPECT_EQ(w.FullName(), dir.file("Other.PNG"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Other.PNG")));
    EXPECT_EQ(host.title, ivorel::title_from_name(w.name));
  }
}

TEST(ImageSave, TheMaskIsPutAwayAndTheDescriptionGoesIntoTiffFiles) {
  testing_support::ScratchDir dir;
  ScriptedFileDialogs choosers({{true, dir.file("described.tif"), 6}});
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(8, 8, 8, 256));
  ASSERT_EQ(w.SwitchDisplayData(), 1);
  ASSERT_EQ(w.alphaShown, 1);
  ASSERT_EQ(w.DispatchImageWindowMessage(ivorel::kMsgSave, 0, 0, "A wheel"), 1);
  EXPECT_EQ(w.alphaShown, 0);
  EXPECT_EQ(w.image.bitsPerPixel, 8);
  Compand reader;
  ASSERT_EQ(reader.InitExpander(dir.file("described.tif").c_str()), 1);
  std::vector<char> text(Compand::kImageDescriptionSize, 0);
  EXPECT_EQ(reader.ReadImageDescription(text.data()), 7);
  EXPECT_STREQ(text.data(), "A wheel");
}

namespace {

// Files may grow to `bytes` only, for one scope: writes beyond fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

}  // namespace

TEST(ImageSave, AFailedSaveKeepsTheOldFileTheNameAndTheChanges) {
  testing_support::ScratchDir dir;
  const std::string path = dir.file("old.bmp");
  testing_support::write_file(path, std::vector<unsigned char>(1000, 0x5A));
  const std::string other = dir.file("elsewhere.bmp");
  ScriptedMessageBox boxes;
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(300, 300, 24, 0));
  {
    FileSizeLimit limit(4096);
    ScriptedFileDialogs choosers({{true, path, 1}, {true, other, 1}});
    EXPECT_EQ(w.EvSave(nullptr), 0);
    EXPECT_EQ(w.dirty, 1);
    EXPECT_EQ(w.named, 0);
    EXPECT_NE(w.FullName(), path);
    EXPECT_EQ(testing_support::read_file(path), std::vector<unsigned char>(1000, 0x5A));
    EXPECT_FALSE(boxes.texts.empty());  // the writer said why

    // Save As fails the same way and leaves name and flags as they were.
    EXPECT_EQ(w.EvSaveAs(nullptr), 0);
    EXPECT_EQ(w.dirty, 1);
    EXPECT_EQ(w.named, 0);
    EXPECT_FALSE(std::filesystem::exists(other));
    // Closing with Yes: the save fails, so the window stays.
    boxes.answers = {pcore::kIdYes};
    choosers.answers = {{true, path, 1}};
    EXPECT_EQ(w.CanClose(), 0);
    EXPECT_EQ(host.childrenClosed, 0);
  }
  ScriptedFileDialogs choosers({{true, path, 1}});
  EXPECT_EQ(w.EvSave(nullptr), 1);
  EXPECT_EQ(testing_support::load_image(path).width, 300);
  std::size_t leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    leftovers += entry.is_regular_file();
  EXPECT_EQ(leftovers, 1u);  // no half-written file beside it
}

TEST(ImageSave, ALongPathIsSavedInFull) {
  testing_support::ScratchDir dir;
  std::filesystem::path folder = dir.path();
  for (int i = 0; i < 6; ++i) folder /= std::string(50, static_cast<char>('a' + i));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "picture.bmp").string();
  ASSERT_GT(path.size(), 300u);
  ScriptedFileDialogs choosers({{true, path, 1}});
  ImageWndFunctions w(nullptr, make_descriptor(5, 5, 24, 0));
  ASSERT_EQ(w.EvSave(nullptr), 1);
  EXPECT_EQ(w.FullName(), path);
  EXPECT_EQ(std::strlen(w.name), 255u);
  EXPECT_TRUE(std::filesystem::exists(path));
  ImageWndFunctions again(nullptr, path.c_str());
  EXPECT_EQ(again.HasImage(), 1);
  EXPECT_EQ(again.FullName(), path);
}
