#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "imgfile/codaxe.h"
#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

struct Writer {
  CompandType type;
  const char* extension;
  unsigned short bits;
};

// Every writer goes through the same save path; each is tried so that none bypasses it.
const Writer kWriters[] = {{CT_BMP, "bmp", 8},  {CT_GIF, "gif", 8},  {CT_PCX, "pcx", 8}, {CT_TGA, "tga", 24},
                           {CT_JPG, "jpg", 24}, {CT_PNG, "png", 24}, {CT_TIF, "tif", 24}};

int save(const Writer& w, const std::string& path, unsigned seed) {
  std::string name = path;
  RawPicture pic = make_picture(7, 5, w.bits, seed);
  return save_image(w.type, name, pic);
}

struct stat stat_of(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st;
}

std::size_t entries(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

}  // namespace

TEST(SafeSave, SymbolicAndHardLinksKeepPointingAtTheSavedFile) {
  for (const Writer& w : kWriters) {
    SCOPED_TRACE(w.extension);
    ScratchDir dir;
    fs::create_directory(dir.path() / "real");
    const std::string real = dir.file(std::string("real/pic.") + w.extension);
    ASSERT_EQ(save(w, real, 1), 1);

    // A relative link from another folder: the real file is saved and the link stays a link.
    const std::string link = dir.file(std::string("link.") + w.extension);
    fs::create_symlink(std::string("real/pic.") + w.extension, link);
    const std::vector<unsigned char> first = read_file(real);
    ASSERT_EQ(save(w, link, 2), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(read_file(real), first);

    // A second hard link sees the new content: the file was overwritten, not replaced.
    const std::string other = dir.file(std::string("other.") + w.extension);
    fs::create_hard_link(real, other);
    const ino_t inode = stat_of(real).st_ino;
    ASSERT_EQ(save(w, real, 3), 1);
    EXPECT_EQ(stat_of(real).st_ino, inode);
    EXPECT_EQ(stat_of(real).st_nlink, 2u);
    EXPECT_EQ(read_file(other), read_file(real));
    EXPECT_NE(read_file(other), first);

    // Nothing is left behind in either folder.
    EXPECT_EQ(entries(dir.path()), 3u);
    EXPECT_EQ(entries(dir.path() / "real"), 1u);
  }
}

TEST(SafeSave, KeepsModeOwnerAndGroupAndSavesTheLongestNames) {
  ScratchDir dir;
  const Writer& bmp = kWriters[0];
  const std::string path = dir.file("kept.bmp");
  ASSERT_EQ(save(bmp, path, 1), 1);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  }
  ASSERT_EQ(save(bmp, path, 2), 1);
  const struct stat st = stat_of(path);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
  }

  // Names up to the file system's limit, new and replaced.
  for (std::size_t length : {249u, 255u}) {
    const std::string name = dir.file(std::string(length - 4, 'n') + ".bmp");
    ASSERT_EQ(save(bmp, name, 1), 1) << length;
    ASSERT_EQ(save(bmp, name, 2), 1) << length;
    EXPECT_EQ(load_image(name).result, 1);
  }
}

TEST(SafeSave, RefusesReadOnlyFilesAndFoldersWithTheCreateMessage) {
  for (const Writer& w : kWriters) {
    SCOPED_TRACE(w.extension);
    ScratchDir dir;
    const std::string locked = dir.file(std::string("locked.") + w.extension);
    ASSERT_EQ(save(w, locked, 1), 1);
    const std::vector<unsigned char> before = read_file(locked);
    ::chmod(locked.c_str(), 0444);
    fs::create_directory(dir.path() / "shut");
    ::chmod((dir.path() / "shut").c_str(), 0555);
    {
      RecordingMessageBox boxes;
      EXPECT_EQ(save(w, locked, 2), 0);
      EXPECT_EQ(save(w, dir.file(std::string("shut/new.") + w.extension), 2), 0);
      EXPECT_EQ(boxes.texts.size(), 2u);
      if (w.type == CT_BMP && boxes.texts.size() == 2) {
        EXPECT_EQ(boxes.texts[0], "Error writing bitmap data");
      }
    }
    EXPECT_EQ(read_file(locked), before);
    EXPECT_EQ(entries(dir.path() / "shut"), 0u);
    ::chmod((dir.path() / "shut").c_str(), 0755);
  }
}

TEST(SafeSave, AFailedWriteInPlaceLeavesTheHardLinkedFileIntact) {
  ScratchDir dir;
  std::string path = dir.file("linked.bmp");
  RawPicture small = make_picture(8, 8, 8, 1);
  ASSERT_EQ(save_image(CT_BMP, path, small), 1);
  fs::create_hard_link(path, dir.file("twin.bmp"));
  const std::vector<unsigned char> before = read_file(path);

  RawPicture big = make_picture(600, 600, 24, 2);
  RecordingMessageBox boxes;
  const int result = with_file_size_limit(100000, [&] { return save_image(CT_BMP, path, big); });

  EXPECT_EQ(result, 0);
  EXPECT_FALSE(boxes.texts.empty());
  EXPECT_EQ(read_file(path), before);
  EXPECT_EQ(read_file(dir.file("twin.bmp")), before);
}

TEST(SafeRead, EveryReaderTurnsAwayPipesDevicesAndFoldersAtOnce) {
  ScratchDir dir;
  for (const char* extension : {"bmp", "gif", "pcx", "tga", "jpg", "png", "tif", "avi"}) {
    SCOPED_TRACE(extension);
    const std::string fifo = dir.file(std::string("pipe.") + extension);
    const std::string device = dir.file(std::string("device.") + extension);
    const std::string folder = dir.file(std::string("folder.") + extension);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", device);
    fs::create_directory(folder);
    for (const std::string& path : {fifo, device, folder}) {
      RecordingMessageBox boxes;
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(load_image(path).result, 0) << path;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
      ASSERT_EQ(boxes.texts.size(), 1u) << path;
      EXPECT_EQ(boxes.texts[0], "Error opening file: not a regular file (a folder, pipe or device)");
    }
  }
}
