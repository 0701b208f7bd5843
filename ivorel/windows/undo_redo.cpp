// COperationUndoRedo: snapshots are the stored descriptor record, the pixels, a second copy of the palette
// and the menu record, in one in-memory file each.
#include <cstring>

#include "ivorel/windows/descriptor_record.h"
#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/memory_file.h"

namespace {

bool has_image(const _IMAGEDESCRIPTOR& image) {
  return image.hImageData != nullptr && image.imageData != nullptr;
}

}  // namespace

COperationUndoRedo::COperationUndoRedo(_IMAGEDESCRIPTOREXT& image, _MENUUPDATE& menu)
    : image_(image), menu_(menu), imagePresent_(has_image(image.image)) {}

COperationUndoRedo::~COperationUndoRedo() = default;

void COperationUndoRedo::TakeSnapshot(std::unique_ptr<ivorel::MemoryFile>& into) {
  const _IMAGEDESCRIPTOR& image = image_.image;
  imagePresent_ = has_image(image);
  if (!imagePresent_) return;
  // A descriptor claiming more bytes than its block holds cannot be saved without reading past the block.
  bool ok = image.imageSize <= GlobalSize(image.hImageData);
  auto file = std::make_unique<ivorel::MemoryFile>();
  unsigned char record[ivorel::kDescriptorRecordBytes];
  unsigned char menu[ivorel::kMenuRecordBytes];
  ivorel::store_descriptor_record(image, record);
  ivorel::store_menu_record(menu_, menu);
  ok = ok && file->write(record, sizeof record) && file->write(image.imageData, image.imageSize) &&
       file->write(image.palette, ivorel::kPaletteBytes) && file->write(menu, sizeof menu);
  if (!ok) {
    into.reset();
    return;
  }
  file->rewind();
  into = std::move(file);
}

void COperationUndoRedo::SaveUndoData() {
  TakeSnapshot(undo_);
}

void COperationUndoRedo::SaveRedoData() {
  TakeSnapshot(redo_);
}

int COperationUndoRedo::ICanUndo() {
  return undo_ != nullptr;
}

int COperationUndoRedo::ICanRedo() {
  return redo_ != nullptr;
}

int COperationUndoRedo::DoUndo() {
  return Restore(undo_, true);
}

int COperationUndoRedo::DoRedo() {
  return Restore(redo_, false);
}

int COperationUndoRedo::Restore(std::unique_ptr<ivorel::MemoryFile>& from, bool fromUndo) {
  if (!from) return 0;
  // Everything is read into new memory before anything live changes, so a failure leaves no trace.
  ivorel::MemoryFile& file = *from;
  file.rewind();
  unsigned char record[ivorel::kDescriptorRecordBytes];
  unsigned char menuRecord[ivorel::kMenuRecordBytes];
  if (!file.read(record, sizeof record)) return 0;
  _IMAGEDESCRIPTOR saved = ivorel::load_descriptor_record(record);
  if (file.remaining() != std::size_t{saved.imageSize} + ivorel::kPaletteBytes + sizeof menuRecord) {
    file.rewind();
    return 0;
  }
  pcore::OwnedBlock block(GlobalAlloc(saved.imageSize));
  if (!block.get()) {
    file.rewind();
    return 0;
  }
  auto* pixels = static_cast<unsigned char*>(GlobalLock(block.get()));
  file.read(pixels, saved.imageSize);
  file.read(saved.palette, ivorel::kPaletteBytes);
  file.read(menuRecord, sizeof menuRecord);
  file.rewind();

  // The state being left becomes the snapshot of the other kind.
  if (fromUndo) {
    SaveRedoData();
  } else {
    SaveUndoData();
  }
  from.reset();
  const _MENUUPDATE savedMenu = ivorel::load_menu_record(menuRecord);
  menu_.item[_MENUUPDATE::kBitsPerPixel] = savedMenu.item[_MENUUPDATE::kBitsPerPixel] & 0xFFFF;
  ivorel::free_image_block(image_.image);
  saved.hImageData = block.release();
  saved.imageData = pixels;
  image_.image = saved;
  imagePresent_ = 1;
  return 1;
}
