// The operation frame shared by every processor: construction on an image with its undo snapshot, copying,
// error reporting, the display rebuild, the progress cursor and the event pump.
#include <strings.h>

#include <algorithm>
#include <new>

#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"
#include "platform/core/message_box.h"
#include "platform/core/responsive.h"

namespace ivorel {

std::uint32_t row_bytes(std::uint32_t width, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return (width + 31) / 32 * 4;
    case 2:
      return (width + 15) / 16 * 4;
    case 4:
      return (width + 7) / 8 * 4;
    case 24:
      return (3 * width + 3) / 4 * 4;
    default:
      return (width + 3) / 4 * 4;
  }
}

int progress_frame(int first, int last, int current) {
  current = std::clamp(current, first, std::max(first, last));
  const int span = last - first;
  int step = span < 9 ? span : span / 9;
  if (step <= 0) step = 1;
  const int d = current - first;
  if (d > step) return std::min(d / step, 9);
  return d <= 9 ? d : -1;
}

}  // namespace ivorel

namespace {

bool progress_cursors_loaded = false;

bool is_image_window(HWND window) {
  char name[64];
  return GetClassNameA(window, name, sizeof name) > 0 && strcasecmp(name, "IMAGEWINDOW") == 0;
}

}  // namespace

TProcessImage::TProcessImage(ImageDescriptorAndDisplayObj* image) : image_(image) {
  if (!image) return;
  const _IMAGEDESCRIPTOR& d = image->image;
  width_ = d.width;
  height_ = d.height;
  xResolution_ = d.xResolution;
  yResolution_ = d.yResolution;
  imageSize_ = d.imageSize;
  bitsPerPixel_ = d.bitsPerPixel;
  colors_ = d.colors;
  hImageData_ = d.hImageData;
  std::copy(std::begin(d.palette), std::end(d.palette), palette_);
  imageData_ = d.imageData;
  procData_ = image->procData;
  window_ = image->window ? *image->window : nullptr;
  rowBytes8_ = ivorel::row_bytes(width_, 8);
  rowBytes24_ = ivorel::row_bytes(width_, 24);
  if (window_ && is_image_window(window_)) {
    if (auto* undo = static_cast<COperationUndoRedo*>(GetPropA(window_, ivorel::kUndoStoreProperty))) {
      undo->SaveUndoData();
    }
  }
}

TProcessImage::TProcessImage(const TProcessImage& other) = default;
TProcessImage& TProcessImage::operator=(const TProcessImage& other) = default;

TProcessImage::~TProcessImage() {
  // An operation that left without returning its working copy must not leave the image on it.
  ReleaseWorkingCopy();
}

_IMAGE_PROC_DATA* TProcessImage::SetImageProcData(_IMAGE_PROC_DATA* data) {
  _IMAGE_PROC_DATA* previous = procData_;
  procData_ = data;
  return previous;
}

void TProcessImage::SetErrorHandler(std::FILE* stream) {
  errorStream_ = stream;
  errorHandler_ =
      stream ? &TProcessImage::fileTProcessImageErrorHandler : &TProcessImage::defTProcessImageErrorHandler;
}

void TProcessImage::ErrorMessage(char* text, char* caption) {
  if (errorHandler_) (this->*errorHandler_)(text, caption);
}

void TProcessImage::defTProcessImageErrorHandler(char* text, char* caption) {
  pcore::message_box().show(window_, text ? text : "", caption ? caption : "", pcore::MessageIcon::None,
                            pcore::MessageButtons::Ok);
}

void TProcessImage::fileTProcessImageErrorHandler(char* text, char* /*caption*/) {
  if (errorStream_) std::fprintf(errorStream_, "\n%s", text ? text : "");
}

void TProcessImage::ReportNoMemory(const char* text) {
  std::string t = text;
  char caption[] = "User Advisory";
  ErrorMessage(t.data(), caption);
}

void TProcessImage::BuildNewDisplayObject() {
  if (!image_ || !image_->display) return;
  const int clip = image_->display->IsClipMode();
  const short zoom = image_->display->GetZoom();
  delete image_->display;
  image_->display = new (std::nothrow) Display;
  if (!image_->display) return;
  image_->display->InitForDisplay(width_, height_, draw::colours_for_display(bitsPerPixel_, colors_),
                                  imageData_, palette_, 1);
  if (clip) {
    image_->display->SetClipMode();
  } else {
    image_->display->SetStretchMode();
  }
  image_->display->SetZoom(zoom);
  InvalidateRect(window_, nullptr, 1);
}

void TProcessImage::MarkDirty() {
  if (image_) image_->MakeImageDirty();
}

void TProcessImage::UpdateAfterDialog() {
  UpdateWindow(window_);
}

void TProcessImage::CopyPaletteToImage(int entries) {
  if (!image_) return;
  entries = std::clamp(entries, 0, 256);
  std::copy(palette_, palette_ + entries, image_->image.palette);
}

void TProcessImage::InstallBlock(HGLOBAL block, unsigned char* data, unsigned short bitsPerPixel,
                                 std::uint32_t size) {
  hImageData_ = block;
  imageData_ = data;
  bitsPerPixel_ = bitsPerPixel;
  imageSize_ = size;
  if (!image_) return;
  image_->image.hImageData = block;
  image_->image.imageData = data;
  image_->image.bitsPerPixel = bitsPerPixel;
  image_->image.imageSize = size;
}

void TProcessImage::Breath() {
  pcore::pump_events();
}

void TProcessImage::ProgressCursor(int first, int last, int current, const char* /*name*/) {
  // The cursors are resources of the cursor service; the flag only records that the first step happened.
  progress_cursors_loaded = true;
  const int frame = ivorel::progress_frame(first, last, current);
  if (frame >= 0) pcore::set_progress_cursor(frame);
}
