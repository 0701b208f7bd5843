// COperationUndoRedo: the snapshots of each kind, each in an in-memory file of its own. One level keeps
// exactly one of each; more levels keep a history bounded by steps and by a memory budget that all stores
// of the process share, so that many open images cannot together take the machine's memory.
#include <algorithm>
#include <atomic>

#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/snapshot.h"
#include "platform/core/system_memory.h"

namespace {

bool has_image(const _IMAGEDESCRIPTOR& image) {
  return image.hImageData != nullptr && image.imageData != nullptr;
}

std::atomic<std::size_t> history_bytes{0};
std::atomic<std::size_t> history_budget{0};

}  // namespace

COperationUndoRedo::COperationUndoRedo(_IMAGEDESCRIPTOREXT& image, _MENUUPDATE& menu)
    : image_(image), menu_(menu), imagePresent_(has_image(image.image)) {}

COperationUndoRedo::~COperationUndoRedo() {
  Clear(undo_);
  Clear(redo_);
}

void COperationUndoRedo::SetHistoryBudget(std::size_t bytes) {
  history_budget = bytes;
}

std::size_t COperationUndoRedo::HistoryBudget() {
  if (const std::size_t set = history_budget) return set;
  const std::int64_t total = pcore::total_memory_bytes();
  // Without word from the system, a budget a small machine can still afford.
  return total > 0 ? static_cast<std::size_t>(total / 4) : std::size_t{512} << 20;
}

std::size_t COperationUndoRedo::HistoryBytes() {
  return history_bytes;
}

std::unique_ptr<ivorel::MemoryFile> COperationUndoRedo::Snapshot() {
  auto file = std::make_unique<ivorel::MemoryFile>();
  if (!ivorel::write_snapshot(image_.image, menu_, *file)) return nullptr;
  file->rewind();
  return file;
}

void COperationUndoRedo::Push(Steps& steps, std::unique_ptr<ivorel::MemoryFile> file, std::string name) {
  history_bytes += file->size();
  steps.push_back(Step{std::move(file), std::move(name)});
  while (static_cast<int>(steps.size()) > levels_) DropOldest(steps);
  if (levels_ > 1) Trim();
}

void COperationUndoRedo::DropOldest(Steps& steps) {
  history_bytes -= steps.front().file->size();
  steps.erase(steps.begin());
}

void COperationUndoRedo::Clear(Steps& steps) {
  while (!steps.empty()) DropOldest(steps);
}

void COperationUndoRedo::Trim() {
  // The farthest steps go first: the oldest undo, then the farthest redo. The latest undo stays, so that
  // the change just made can always be taken back.
  const std::size_t budget = HistoryBudget();
  while (history_bytes > budget && undo_.size() + redo_.size() > 1) {
    if (undo_.size() > 1 || redo_.empty())
      DropOldest(undo_);
    else
      DropOldest(redo_);
  }
}

void COperationUndoRedo::SetLevels(int levels) {
  levels_ = std::max(1, levels);
  while (static_cast<int>(undo_.size()) > levels_) DropOldest(undo_);
  while (static_cast<int>(redo_.size()) > levels_) DropOldest(redo_);
}

void COperationUndoRedo::SaveUndoData() {
  imagePresent_ = has_image(image_.image);
  std::string name = std::move(nextName_);
  nextName_.clear();
  if (!imagePresent_) return;
  auto file = Snapshot();
  if (!file) {
    // A snapshot that cannot be taken must not leave an older state to be restored in its place.
    Clear(undo_);
    return;
  }
  // A new change starts a new branch: the states undone before it can no longer be reached. With one level
  // the redo snapshot stays, as it always has.
  if (levels_ > 1) Clear(redo_);
  Push(undo_, std::move(file), std::move(name));
}

void COperationUndoRedo::SaveRedoData() {
  imagePresent_ = has_image(image_.image);
  if (!imagePresent_) return;
  auto file = Snapshot();
  if (!file) {
    Clear(redo_);
    return;
  }
  Push(redo_, std::move(file), {});
}

int COperationUndoRedo::ICanUndo() {
  return !undo_.empty();
}

int COperationUndoRedo::ICanRedo() {
  return !redo_.empty();
}

int COperationUndoRedo::DoUndo() {
  return Restore(undo_, true);
}

int COperationUndoRedo::DoRedo() {
  return Restore(redo_, false);
}

std::string COperationUndoRedo::UndoStepName(int index) const {
  if (index < 0 || index >= UndoDepth()) return {};
  return undo_[undo_.size() - 1 - static_cast<std::size_t>(index)].name;
}

std::string COperationUndoRedo::RedoStepName(int index) const {
  if (index < 0 || index >= RedoDepth()) return {};
  return redo_[redo_.size() - 1 - static_cast<std::size_t>(index)].name;
}

int COperationUndoRedo::Restore(Steps& from, bool fromUndo) {
  if (from.empty()) return 0;
  // Everything is read into new memory before anything live changes, so a failure leaves no trace and the
  // snapshot can be tried again.
  _IMAGEDESCRIPTOR saved;
  _MENUUPDATE savedMenu;
  if (!ivorel::read_snapshot(*from.back().file, saved, savedMenu)) return 0;
  Step step = std::move(from.back());
  history_bytes -= step.file->size();
  from.pop_back();
  // The state being left becomes a step of the other kind, under the name of the change it undoes or
  // redoes.
  Steps& other = fromUndo ? redo_ : undo_;
  if (levels_ == 1) {
    // One level: exactly the snapshot calls of the single store (a subclass may watch them).
    if (fromUndo) {
      SaveRedoData();
    } else {
      const std::string pending = std::move(nextName_);
      SaveUndoData();
      nextName_ = pending;
    }
    if (!other.empty()) other.back().name = step.name;
  } else if (auto file = Snapshot()) {
    Push(other, std::move(file), step.name);
  } else {
    Clear(other);
  }
  menu_.item[_MENUUPDATE::kBitsPerPixel] = savedMenu.item[_MENUUPDATE::kBitsPerPixel] & 0xFFFF;
  ivorel::free_image_block(image_.image);
  image_.image = saved;
  imagePresent_ = 1;
  return 1;
}
