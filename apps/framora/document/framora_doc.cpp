// The stack edits and their undo. Each edit leaves behind the one action that reverses it: most are cheap
// (moving a frame back, taking appended frames off, putting back one frame's settings); only edits that touch
// every frame's pixels keep a copy of the whole stack.
#include "apps/framora/document/framora_doc.h"

#include <algorithm>
#include <cstring>

#include "apps/framora/document/frame_copy.h"
#include "display/display.h"

namespace framora {

const char* status_message(Status status) {
  switch (status) {
    case Status::TrueColourFrame:
      return "Frame is a true color image, it does not contain a palette. The Required operation was not "
             "completed";
    case Status::TrueColourFile:
      return "The image is a true color image, it does not contain a palette. The Required operation was not "
             "completed";
    case Status::Unreadable:
      return "Can't load the image file. The Required operation was not completed";
    default:
      return "";
  }
}

const char* disposal_name(int disposal) {
  static const char* const kNames[4] = {"No op", "Keep", "Bkgd", "Prev."};
  return disposal >= 0 && disposal < 4 ? kNames[disposal] : "";
}

CFramoraDoc::CFramoraDoc() = default;
CFramoraDoc::~CFramoraDoc() = default;

void CFramoraDoc::SetViewUpdater(std::function<void(int hint)> update) {
  update_ = std::move(update);
}

void CFramoraDoc::SetUndoEnabled(bool enabled) {
  undoEnabled_ = enabled;
  if (!enabled) undo_ = nullptr;
}

void CFramoraDoc::update(int hint) {
  if (update_) update_(hint);
}

void CFramoraDoc::remember(std::function<void(CFramoraDoc&)> undo) {
  modified_ = true;
  undo_ = undoEnabled_ ? std::move(undo) : nullptr;
}

void CFramoraDoc::remember_snapshot() {
  modified_ = true;
  undo_ = nullptr;
  if (!undoEnabled_) return;
  ImageStack copy;
  if (!copy_stack(stack_, copy)) return;
  undo_ = [copy](CFramoraDoc& doc) { doc.stack_ = copy; };
}

int CFramoraDoc::GetFrameCount() const {
  return stack_.GetFrameNumber();
}

ImageFrame* CFramoraDoc::frame(int i) const {
  return stack_.GetFrameData(i);
}

const ImageFrame* CFramoraDoc::GetFrame(int i) const {
  return frame(i);
}

std::string CFramoraDoc::GetFramePath(int i) const {
  const ImageFrame* f = frame(i);
  return f ? std::string(f->path, strnlen(f->path, sizeof f->path)) : std::string();
}

std::string CFramoraDoc::GetFrameComment(int i) const {
  const ImageFrame* f = frame(i);
  return f && f->comment ? std::string(f->comment) : std::string();
}

FrameProperties CFramoraDoc::GetFrameProperties(int i) const {
  FrameProperties p;
  if (const ImageFrame* f = frame(i)) {
    p.delay = f->delay;
    p.disposal = f->disposal;
    p.transparent = f->transparent != 0;
    p.transparentIndex = f->transparentIndex;
    p.left = f->left;
    p.top = f->top;
  }
  return p;
}

void CFramoraDoc::New() {
  DropPreviews();
  ImageStack before = stack_;
  stack_ = ImageStack();
  remember([before](CFramoraDoc& doc) { doc.stack_ = before; });
  modified_ = false;
  update(kHintReset);
}

Status CFramoraDoc::MoveFrame(int from, int to) {
  if (!frame(from) || !frame(to)) return Status::BadFrame;
  if (from == to) return Status::Ok;
  stack_.MoveFrameData(from, to);
  remember([from, to](CFramoraDoc& doc) { doc.stack_.MoveFrameData(to, from); });
  update(kHintRefresh);
  return Status::Ok;
}

Status CFramoraDoc::DeleteFrame(int i) {
  ImageFrame* f = frame(i);
  if (!f) return Status::BadFrame;
  std::function<void(CFramoraDoc&)> undo;
  if (undoEnabled_) {
    ImageStack kept;
    if (append_copy(kept, *f) < 0) return Status::OutOfMemory;
    undo = [kept, i](CFramoraDoc& doc) { insert_copy(doc.stack_, *kept.GetFrameData(0), i); };
  }
  DropPreviews();
  stack_.RemoveFrame(i);
  remember(std::move(undo));
  update(kHintRefresh);
  return Status::Ok;
}

Status CFramoraDoc::DuplicateFrame(int i) {
  ImageFrame* f = frame(i);
  if (!f) return Status::BadFrame;
  if (!insert_copy(stack_, *f, i + 1)) return Status::OutOfMemory;
  remember([i](CFramoraDoc& doc) { doc.stack_.RemoveFrame(i + 1); });
  update(kHintRefresh);
  return Status::Ok;
}

namespace {

void store(ImageFrame& f, const FrameProperties& p) {
  f.delay = static_cast<unsigned short>(std::clamp(p.delay, 0, kMaxDelay));
  f.disposal = static_cast<unsigned char>(p.disposal);
  f.transparent = p.transparent ? 1 : 0;
  f.transparentIndex = static_cast<unsigned char>(p.transparentIndex);
  f.left = std::clamp(p.left, 0, kMaxCoordinate);
  f.top = std::clamp(p.top, 0, kMaxCoordinate);
}

}  // namespace

Status CFramoraDoc::SetFrameProperties(int i, const FrameProperties& p) {
  return SetFrameSettings(i, p, GetFrameComment(i));
}

Status CFramoraDoc::SetFrameSettings(int i, const FrameProperties& p, const std::string& comment) {
  ImageFrame* f = frame(i);
  if (!f) return Status::BadFrame;
  if (p.disposal < 0 || p.disposal > kMaxDisposal || p.transparentIndex < 0 || p.transparentIndex > 255)
    return Status::BadValue;
  const FrameProperties before = GetFrameProperties(i);
  char* commentBefore = f->comment;
  remember([i, before, commentBefore](CFramoraDoc& doc) {
    if (ImageFrame* g = doc.frame(i)) {
      store(*g, before);
      g->comment = commentBefore;
    }
  });
  store(*f, p);
  if (comment != GetFrameComment(i)) f->comment = const_cast<char*>(keep_comment(comment));
  update(kHintRefresh);
  return Status::Ok;
}

Status CFramoraDoc::SetDelay(int i, int delay) {
  FrameProperties p = GetFrameProperties(i);
  p.delay = delay;
  return SetFrameProperties(i, p);
}

Status CFramoraDoc::SetDisposal(int i, int disposal) {
  FrameProperties p = GetFrameProperties(i);
  p.disposal = disposal;
  return SetFrameProperties(i, p);
}

Status CFramoraDoc::SetTransparency(int i, int index) {
  FrameProperties p = GetFrameProperties(i);
  p.transparent = index >= 0;
  if (index >= 0) p.transparentIndex = index;
  return SetFrameProperties(i, p);
}

Status CFramoraDoc::SetPosition(int i, int left, int top) {
  FrameProperties p = GetFrameProperties(i);
  p.left = left;
  p.top = top;
  return SetFrameProperties(i, p);
}

const char* CFramoraDoc::keep_comment(const std::string& text) {
  if (text.empty()) return nullptr;
  comments_.push_back(text);
  return comments_.back().c_str();
}

Status CFramoraDoc::SetComment(int i, const std::string& text) {
  return SetFrameSettings(i, GetFrameProperties(i), text);
}

void CFramoraDoc::CoveringScreen(int& width, int& height) const {
  width = height = 0;
  for (int i = 0; const ImageFrame* f = frame(i); ++i) {
    width = std::max(width, std::min(kMaxCoordinate, f->left + f->width));
    height = std::max(height, std::min(kMaxCoordinate, f->top + f->height));
  }
}

void CFramoraDoc::CoverFramesWithScreen() {
  int width, height;
  CoveringScreen(width, height);
  if (width > stack_.GetScreenWidth()) stack_.SetScreenWidth(static_cast<unsigned short>(width));
  if (height > stack_.GetScreenHeight()) stack_.SetScreenHeight(static_cast<unsigned short>(height));
}

Status CFramoraDoc::SetScreenSize(int width, int height) {
  if (width < 0 || height < 0 || width > kMaxCoordinate || height > kMaxCoordinate) return Status::BadValue;
  const unsigned short oldWidth = stack_.GetScreenWidth(), oldHeight = stack_.GetScreenHeight();
  remember([oldWidth, oldHeight](CFramoraDoc& doc) {
    doc.stack_.SetScreenWidth(oldWidth);
    doc.stack_.SetScreenHeight(oldHeight);
  });
  stack_.SetScreenWidth(static_cast<unsigned short>(width));
  stack_.SetScreenHeight(static_cast<unsigned short>(height));
  CoverFramesWithScreen();
  update(kHintRefresh);
  return Status::Ok;
}

Status CFramoraDoc::SetLoopCount(int count) {
  if (count < 0 || count > 65535) return Status::BadValue;
  const unsigned short before = stack_.GetLoopCount();
  remember([before](CFramoraDoc& doc) { doc.stack_.SetLoopCount(before); });
  stack_.SetLoopCount(static_cast<unsigned short>(count));
  return Status::Ok;
}

int CFramoraDoc::GetLoopCount() const {
  return stack_.GetLoopCount();
}

bool CFramoraDoc::CanUndo() const {
  return static_cast<bool>(undo_);
}

void CFramoraDoc::Undo() {
  if (!undo_) return;
  DropPreviews();
  auto undo = std::move(undo_);
  undo_ = nullptr;
  undo(*this);
  modified_ = true;
  update(kHintReset);
  if (const int n = GetFrameCount()) update(n);
  update(kHintRefresh);
}

void CFramoraDoc::DropPreviews() {
  for (auto& p : previews_) p.reset();
}

void CFramoraDoc::RebuildPreviews(int selected) {
  DropPreviews();
  for (int row = 0; row < 3; ++row) {
    ImageFrame* f = frame(selected - 1 + row);
    if (!f || selected < 0) continue;
    auto display = std::make_unique<Display>();
    if (!display->InitForDisplay(f->width, f->height, f->colors, f->pixels, f->palette, 1)) continue;
    display->SetStretchMode();
    display->SetZoom(1);
    previews_[row] = std::move(display);
  }
}

Display* CFramoraDoc::GetPreview(int row) const {
  return row >= 0 && row < 3 ? previews_[row].get() : nullptr;
}

}  // namespace framora
