// COperationUndoRedo: one snapshot of each kind, each in an in-memory file of its own.
#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/snapshot.h"

namespace {

bool has_image(const _IMAGEDESCRIPTOR& image) {
  return image.hImageData != nullptr && image.imageData != nullptr;
}

}  // namespace

COperationUndoRedo::COperationUndoRedo(_IMAGEDESCRIPTOREXT& image, _MENUUPDATE& menu)
    : image_(image), menu_(menu), imagePresent_(has_image(image.image)) {}

COperationUndoRedo::~COperationUndoRedo() = default;

void COperationUndoRedo::TakeSnapshot(std::unique_ptr<ivorel::MemoryFile>& into) {
  imagePresent_ = has_image(image_.image);
  if (!imagePresent_) return;
  auto file = std::make_unique<ivorel::MemoryFile>();
  if (!ivorel::write_snapshot(image_.image, menu_, *file)) {
    // A snapshot that cannot be taken must not leave an older one to be restored in its place.
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
  // Everything is read into new memory before anything live changes, so a failure leaves no trace and the
  // snapshot can be tried again.
  _IMAGEDESCRIPTOR saved;
  _MENUUPDATE savedMenu;
  if (!ivorel::read_snapshot(*from, saved, savedMenu)) return 0;
  // The state being left becomes the snapshot of the other kind.
  if (fromUndo) {
    SaveRedoData();
  } else {
    SaveUndoData();
  }
  from.reset();
  menu_.item[_MENUUPDATE::kBitsPerPixel] = savedMenu.item[_MENUUPDATE::kBitsPerPixel] & 0xFFFF;
  ivorel::free_image_block(image_.image);
  image_.image = saved;
  imagePresent_ = 1;
  return 1;
}
