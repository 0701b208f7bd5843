// COperationUndoRedo: one level each way, restoring pixels, depth and palette, and failing cleanly; and the
// stored 792-byte descriptor record.
#include <gtest/gtest.h>

#include <cstring>

#include "ivorel/windows/descriptor_record.h"
#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/snapshot.h"

namespace {

class Image {
 public:
  Image() { set(5, 3, 8, 1); }
  ~Image() { ivorel::free_image_block(ext.image); }

  // Replaces the pixels with a new block of the given depth filled with `value`.
  void set(unsigned short width, unsigned short height, unsigned short bits, unsigned char value) {
    ivorel::free_image_block(ext.image);
    _IMAGEDESCRIPTOR& d = ext.image;
    d.width = width;
    d.height = height;
    d.bitsPerPixel = bits;
    d.colors = bits == 24 ? 0 : 256;
    d.xResolution = d.yResolution = 100;
    d.imageSize = static_cast<std::uint32_t>(dib_stride(width, bits) * height);
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    std::memset(d.imageData, value, d.imageSize);
    for (unsigned i = 0; i < 256; ++i) d.palette[i] = RGBCOLOR{value, static_cast<unsigned char>(i), 3};
    menu.item[_MENUUPDATE::kBitsPerPixel] = bits;
  }
  unsigned char first_byte() const { return ext.image.imageData[0]; }

  _IMAGEDESCRIPTOREXT ext;
  _MENUUPDATE menu;
};

}  // namespace

TEST(UndoRedo, OneLevelEachWay) {
  Image img;
  COperationUndoRedo store(img.ext, img.menu);
  EXPECT_FALSE(store.ICanUndo());
  EXPECT_FALSE(store.ICanRedo());
  EXPECT_EQ(store.DoUndo(), 0);

  store.SaveUndoData();
  img.set(7, 2, 24, 200);
  EXPECT_TRUE(store.ICanUndo());
  ASSERT_EQ(store.DoUndo(), 1);
  EXPECT_FALSE(store.ICanUndo());
  EXPECT_TRUE(store.ICanRedo());
  EXPECT_EQ(store.DoUndo(), 0) << "one level only";
  EXPECT_EQ(img.ext.image.width, 5);
  EXPECT_EQ(img.ext.image.bitsPerPixel, 8);
  EXPECT_EQ(img.ext.image.palette[9].green, 9);
  EXPECT_EQ(img.ext.image.palette[9].red, 1);
  EXPECT_EQ(img.first_byte(), 1);
  EXPECT_EQ(img.menu.item[_MENUUPDATE::kBitsPerPixel], 8);

  // Redo brings back the state before the undo, and undo again the one before that: a toggle.
  ASSERT_EQ(store.DoRedo(), 1);
  EXPECT_TRUE(store.ICanUndo());
  EXPECT_FALSE(store.ICanRedo());
  EXPECT_EQ(img.ext.image.width, 7);
  EXPECT_EQ(img.ext.image.bitsPerPixel, 24);
  EXPECT_EQ(img.ext.image.imageSize, 2 * dib_stride(7, 24));
  EXPECT_EQ(img.first_byte(), 200);
  EXPECT_EQ(img.ext.image.palette[0].red, 200);
  EXPECT_EQ(img.menu.item[_MENUUPDATE::kBitsPerPixel], 24);
  ASSERT_EQ(store.DoUndo(), 1);
  EXPECT_EQ(img.first_byte(), 1);

  // A new undo snapshot after an undo leaves both available.
  store.SaveUndoData();
  EXPECT_TRUE(store.ICanUndo());
  EXPECT_TRUE(store.ICanRedo());
}

TEST(UndoRedo, OnlyTheDepthOfTheMenuRecordIsRestored) {
  Image img;
  COperationUndoRedo store(img.ext, img.menu);
  img.menu.item[_MENUUPDATE::kZoom200Enabled] = 77;
  store.SaveUndoData();
  img.menu.item[_MENUUPDATE::kZoom200Enabled] = 5;
  img.set(2, 2, 24, 9);
  store.DoUndo();
  EXPECT_EQ(img.menu.item[_MENUUPDATE::kBitsPerPixel], 8);
  EXPECT_EQ(img.menu.item[_MENUUPDATE::kZoom200Enabled], 5);
}

TEST(UndoRedo, NoPixelsKeepThePreviousSnapshot) {
  Image img;
  COperationUndoRedo store(img.ext, img.menu);
  store.SaveUndoData();
  HGLOBAL block = img.ext.image.hImageData;
  img.ext.image.imageData = nullptr;
  store.SaveUndoData();
  EXPECT_TRUE(store.ICanUndo());
  img.ext.image.imageData = static_cast<unsigned char*>(GlobalLock(block));
  GlobalUnlock(block);
  img.set(3, 3, 8, 42);
  ASSERT_EQ(store.DoUndo(), 1);
  EXPECT_EQ(img.first_byte(), 1);
}

TEST(UndoRedo, ASnapshotThatCannotBeTakenDropsTheOldOne) {
  Image img;
  COperationUndoRedo store(img.ext, img.menu);
  store.SaveUndoData();
  // A descriptor that claims more bytes than its block holds is not copied past the block.
  img.ext.image.imageSize += 1;
  store.SaveUndoData();
  EXPECT_FALSE(store.ICanUndo());
  img.ext.image.imageSize -= 1;
}

TEST(UndoRedo, HistoryStepsBackAndForthWithinItsLevelsAndBudget) {
  // Each row: levels, changes made (each fills the image with its number), undos, then the first byte
  // expected and the depths left each way.
  const struct {
    int levels, changes, undos;
    int expected, undoDepth, redoDepth;
  } rows[] = {{20, 3, 2, 2, 1, 2}, {20, 3, 3, 1, 0, 3}, {20, 3, 4, 1, 0, 3},
              {2, 4, 2, 3, 0, 2},  {2, 4, 3, 3, 0, 2},  {1, 3, 1, 3, 0, 1}};
  for (const auto& row : rows) {
    Image img;
    COperationUndoRedo store(img.ext, img.menu);
    store.SetLevels(row.levels);
    for (int c = 1; c <= row.changes; ++c) {
      store.SetNextStepName("change " + std::to_string(c));
      store.SaveUndoData();
      img.set(5, 3, 8, static_cast<unsigned char>(c + 1));
    }
    for (int u = 0; u < row.undos; ++u) store.DoUndo();
    EXPECT_EQ(img.first_byte(), row.expected) << row.levels << "/" << row.undos;
    EXPECT_EQ(store.UndoDepth(), row.undoDepth) << row.levels << "/" << row.undos;
    EXPECT_EQ(store.RedoDepth(), row.redoDepth) << row.levels << "/" << row.undos;
  }

  Image img;
  COperationUndoRedo store(img.ext, img.menu);
  store.SetLevels(20);
  for (int c = 1; c <= 3; ++c) {
    store.SetNextStepName("change " + std::to_string(c));
    store.SaveUndoData();
    img.set(5, 3, 8, static_cast<unsigned char>(c + 1));
  }
  EXPECT_EQ(store.UndoStepName(0), "change 3");
  ASSERT_EQ(store.DoUndo(), 1);
  ASSERT_EQ(store.DoUndo(), 1);
  EXPECT_EQ(store.RedoStepName(0), "change 2") << "redo names the change it makes again";
  ASSERT_EQ(store.DoRedo(), 1);
  EXPECT_EQ(img.first_byte(), 3);
  EXPECT_EQ(store.UndoStepName(0), "change 2");
  store.SaveUndoData();
  EXPECT_EQ(store.RedoDepth(), 0) << "a new change forgets the steps ahead";

  // The shared budget drops the oldest steps, never the latest.
  const std::size_t budget = COperationUndoRedo::HistoryBudget();
  COperationUndoRedo::SetHistoryBudget(COperationUndoRedo::HistoryBytes() + 2 * img.ext.image.imageSize);
  for (int c = 0; c < 5; ++c) store.SaveUndoData();
  EXPECT_LE(COperationUndoRedo::HistoryBytes(), COperationUndoRedo::HistoryBudget());
  EXPECT_GE(store.UndoDepth(), 1);
  EXPECT_LT(store.UndoDepth(), 5);
  COperationUndoRedo::SetHistoryBudget(0);
  EXPECT_GT(COperationUndoRedo::HistoryBudget(), budget / 2) << "a quarter of the memory again";
}

TEST(Snapshot, DamagedSnapshotsFailWithoutChangingAnything) {
  Image img;
  ivorel::MemoryFile good;
  ASSERT_TRUE(ivorel::write_snapshot(img.ext.image, img.menu, good));
  EXPECT_EQ(good.size(), 792 + img.ext.image.imageSize + 768 + 84);

  _IMAGEDESCRIPTOR out;
  _MENUUPDATE menu;
  ASSERT_TRUE(ivorel::read_snapshot(good, out, menu));
  EXPECT_EQ(out.width, 5);
  EXPECT_EQ(std::memcmp(out.imageData, img.ext.image.imageData, out.imageSize), 0);
  EXPECT_EQ(menu.item[_MENUUPDATE::kBitsPerPixel], 8);
  ivorel::free_image_block(out);
  EXPECT_EQ(good.remaining(), good.size()) << "rewound for another attempt";

  // Shortened, lengthened, and a stored size far beyond the snapshot: refused before allocating.
  std::vector<unsigned char> bytes(good.size());
  good.read(bytes.data(), bytes.size());
  for (int variant = 0; variant < 3; ++variant) {
    std::vector<unsigned char> damaged = bytes;
    if (variant == 0) damaged.pop_back();
    if (variant == 1) damaged.push_back(0);
    if (variant == 2) damaged[11] = 0x7F;  // imageSize high byte
    ivorel::MemoryFile file;
    file.write(damaged.data(), damaged.size());
    _IMAGEDESCRIPTOR untouched;
    EXPECT_FALSE(ivorel::read_snapshot(file, untouched, menu)) << variant;
    EXPECT_EQ(untouched.hImageData, nullptr);
    EXPECT_EQ(file.remaining(), file.size());
  }
  ivorel::MemoryFile empty;
  EXPECT_FALSE(ivorel::read_snapshot(empty, out, menu));
}

TEST(DescriptorRecord, The792ByteLayout) {
  _IMAGEDESCRIPTOR d;
  d.width = 0x1234;
  d.height = 0x0506;
  d.xResolution = 100;
  d.yResolution = 0xABCD;
  d.imageSize = 0x01020304;
  d.bitsPerPixel = 24;
  d.colors = 0x0100;
  d.hImageData = GlobalAlloc(4);
  d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
  d.palette[0] = RGBCOLOR{1, 2, 3};
  d.palette[255] = RGBCOLOR{7, 8, 9};
  unsigned char record[ivorel::kDescriptorRecordBytes];
  std::memset(record, 0xEE, sizeof record);
  ivorel::store_descriptor_record(d, record);
  const unsigned char head[] = {0x34, 0x12, 0x06, 0x05, 100, 0, 0xCD, 0xAB, 4, 3,
                                2,    1,    24,   0,    0,   1, 0,    0,    0, 0};
  EXPECT_EQ(std::memcmp(record, head, sizeof head), 0);
  EXPECT_EQ(record[20], 1);
  EXPECT_EQ(record[22], 3);
  EXPECT_EQ(record[787], 9);
  for (int i = 788; i < 792; ++i) EXPECT_EQ(record[i], 0) << "address slot";

  _IMAGEDESCRIPTOR back = ivorel::load_descriptor_record(record);
  EXPECT_EQ(back.width, d.width);
  EXPECT_EQ(back.yResolution, d.yResolution);
  EXPECT_EQ(back.imageSize, d.imageSize);
  EXPECT_EQ(back.colors, d.colors);
  EXPECT_EQ(back.palette[255].green, 8);
  EXPECT_EQ(back.hImageData, nullptr);
  EXPECT_EQ(back.imageData, nullptr);
  ivorel::free_image_block(d);

  _MENUUPDATE m;
  m.item[0] = -1;
  m.item[20] = 0x00010018;
  unsigned char menu[ivorel::kMenuRecordBytes];
  ivorel::store_menu_record(m, menu);
  EXPECT_EQ(menu[0], 0xFF);
  EXPECT_EQ(menu[80], 0x18);
  EXPECT_EQ(menu[82], 0x01);
  EXPECT_EQ(ivorel::load_menu_record(menu).item[0], -1);
}
