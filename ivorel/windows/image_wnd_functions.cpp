// ImageWndFunctions: construction from a file, a descriptor or another window; names, titles, the window's
// size, the close prompt and the dispatch of the private messages.
#include "ivorel/windows/image_wnd_functions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/core/cursor.h"
#include "platform/core/error_stream.h"
#include "platform/core/message_box.h"

int ImageWndFunctions::UntitledImageNumber = 0;
int ImageWndFunctions::LastJpegQuality = 90;
bool (*ImageWndFunctions::OpenInAnimationEditor)(const std::string& path) = nullptr;

namespace ivorel {

std::string title_from_name(const char* name) {
  const std::string text = name ? name : "";
  const std::size_t slash = text.rfind('/');
  if (text.size() < 20 || slash == std::string::npos) return text;
  return text.substr(0, 3) + "..." + text.substr(slash);
}

}  // namespace ivorel

ImageWndFunctions::ImageWndFunctions(ivorel::ImageWindowHost* host, const char* fileName) {
  AttachHost(host);
  CommonConstructorCode();
  pcore::RestoringWaitCursor wait;
  Compand reader;
  pcore::ErrorCapture errors;
  errors.attach();
  if (!fileName || !reader.InitExpander(fileName) || !reader.DoExpansion()) {
    if (fileName) ReportUnreadable(fileName, errors.text());
    return;
  }
  _IMAGEDESCRIPTOR loaded;
  loaded.width = reader.GetWidth();
  loaded.height = reader.GetHeight();
  loaded.bitsPerPixel = reader.GetBitsPerPixel();
  loaded.colors = reader.GetColors();
  loaded.imageSize =
      static_cast<std::uint32_t>(dib_stride(loaded.width, loaded.bitsPerPixel) * loaded.height);
  loaded.imageData = reader.GetDataPtr();
  if (const RGBCOLOR* palette = reader.GetPalettePtr()) std::copy(palette, palette + 256, loaded.palette);
  if (!AdoptCopyOf(loaded)) {
    pcore::message_box().show(host_, "No memory available for the image " + std::string(fileName),
                              "User Advisory", pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
    return;
  }
  image.xResolution = image.yResolution = 100;
  ShowLoadedImage();
  named = 1;
  SetName(fileName);
  if (reader.GetCompressionType() == CT_JPG) jpegQuality = reader.GetSourceQuality();
  if (const ImageStack* frames = reader.GetImageStack()) frameCount = std::max(1, frames->GetFrameNumber());
  if (const unsigned char* alphaPlane = reader.GetAlphaPtr()) LoadAlphaPlane(alphaPlane);
}

void ImageWndFunctions::ReportUnreadable(const char* fileName, const std::string& reasons) {
  // The libraries' reasons come one a line as "Error - text"; the box says once which file failed.
  std::string reason;
  std::size_t start = 0;
  while (start < reasons.size()) {
    std::size_t end = reasons.find('\n', start);
    if (end == std::string::npos) end = reasons.size();
    std::string line = reasons.substr(start, end - start);
    if (line.rfind("Error - ", 0) == 0) line.erase(0, 8);
    if (!line.empty()) reason += (reason.empty() ? "" : "\n") + line;
    start = end + 1;
  }
  struct stat st;
  std::string text;
  if (::stat(fileName, &st) != 0) {
    text = errno == ENOENT ? "\"" + std::string(fileName) + "\" does not exist."
                           : "\"" + std::string(fileName) + "\" cannot be reached: " + std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    text = "\"" + std::string(fileName) + "\" is a folder, not an image file.";
  } else if (::access(fileName, R_OK) != 0) {
    text = "\"" + std::string(fileName) + "\" cannot be read: you have no permission to read it.";
  } else {
    text = "\"" + std::string(fileName) + "\" cannot be opened" +
           (reason.empty() ? std::string(": it is not a readable image of its type.") : ":\n" + reason);
  }
  pcore::message_box().show(host_, text, "Pictaro", pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
}

std::string ImageWndFunctions::WindowTitle() const {
  std::string title = ivorel::title_from_name(fullName_.c_str());
  if (frameCount > 1) title += " (" + std::to_string(frameCount) + " frames)";
  return title;
}

void ImageWndFunctions::LoadAlphaPlane(const unsigned char* alphaPlane) {
  if (!alpha.CreateDefaultAlpha(*this)) return;
  const _IMAGEDESCRIPTOR& m = alpha.descriptor;
  const std::size_t stride = dib_stride(m.width, 24);
  for (std::size_t y = 0; y < m.height; ++y) {
    unsigned char* row = m.imageData + y * stride;
    const unsigned char* a = alphaPlane + y * m.width;
    for (std::size_t x = 0; x < m.width; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = a[x];
  }
  RefreshTransparency();
}

std::vector<unsigned char> ImageWndFunctions::AlphaPlane() const {
  const _IMAGEDESCRIPTOR& m = alphaShown ? image : alpha.descriptor;
  const _IMAGEDESCRIPTOR& picture = alphaShown ? otherImage : image;
  if (!m.imageData || m.width != picture.width || m.height != picture.height || m.bitsPerPixel != 24)
    return {};
  std::vector<unsigned char> plane(std::size_t{m.width} * m.height);
  const std::size_t stride = dib_stride(m.width, 24);
  bool opaque = true;
  for (std::size_t y = 0; y < m.height; ++y) {
    const unsigned char* row = m.imageData + y * stride;
    for (std::size_t x = 0; x < m.width; ++x) {
      // A mask painted in colour counts by its brightness.
      const unsigned a = (row[3 * x] + row[3 * x + 1] + row[3 * x + 2]) / 3;
      plane[y * m.width + x] = static_cast<unsigned char>(a);
      opaque = opaque && a == 255;
    }
  }
  if (opaque) return {};
  return plane;
}

ImageWndFunctions::ImageWndFunctions(ivorel::ImageWindowHost* host, const _IMAGEDESCRIPTOR& descriptor) {
  AttachHost(host);
  CommonConstructorCode();
  ++UntitledImageNumber;
  SetName("Untitled Image #" + std::to_string(UntitledImageNumber));
  image = descriptor;
  image.imageData = nullptr;
  if (image.hImageData) image.imageData = static_cast<unsigned char*>(GlobalLock(image.hImageData));
  // A descriptor whose block is missing or smaller than its rows would have the display read past it.
  const std::uint64_t rows = dib_stride(image.width, image.bitsPerPixel) * image.height;
  if (!image.imageData || rows == 0 || GlobalSize(image.hImageData) < rows) return;
  ShowLoadedImage();
  dirty = 1;
}

ImageWndFunctions::ImageWndFunctions(ivorel::ImageWindowHost* host, const ImageWndFunctions& source) {
  AttachHost(host);
  CommonConstructorCode();
  SetName("Duplicate of " + source.FullName());
  if (!source.hasImage || !AdoptCopyOf(source.image)) return;
  ShowLoadedImage();
}

ImageWndFunctions::~ImageWndFunctions() {
  delete display;
  display = nullptr;
  ivorel::free_image_block(image);
}

void ImageWndFunctions::CommonConstructorCode() {
  cropArmed = cropDragging = 0;
  cropStart = cropEnd = cropCurrent = POINT{0, 0};
  dirty = named = hasImage = 0;
  SetName("");
  image = _IMAGEDESCRIPTOR{};
  delete display;
  display = new (std::nothrow) Display;
  if (display) display->SetClipMode();
  view.zoom = 1;
  view.viewMode = 1;
  view.preZoomViewMode = 0;
  view.preZoomClip = 1;
  menuUpdate = ivorel::fresh_menu_update(image.bitsPerPixel);
}

int ImageWndFunctions::AdoptCopyOf(const _IMAGEDESCRIPTOR& source) {
  const std::uint64_t rows = dib_stride(source.width, source.bitsPerPixel) * source.height;
  if (!source.imageData || rows == 0 || rows > source.imageSize || rows > UINT32_MAX) return 0;
  image = source;
  image.hImageData = GlobalAlloc(source.imageSize);
  image.imageData = static_cast<unsigned char*>(GlobalLock(image.hImageData));
  if (!image.imageData) {
    GlobalFree(image.hImageData);
    image.hImageData = nullptr;
    return 0;
  }
  std::memcpy(image.imageData, source.imageData, source.imageSize);
  return 1;
}

void ImageWndFunctions::ShowLoadedImage() {
  if (display) {
    // The count handed over must name the depth the pixels have.
    display->InitForDisplay(image.width, image.height,
                            draw::colours_for_display(image.bitsPerPixel, image.colors), image.imageData,
                            image.palette, 1);
  }
  hasImage = 1;
  menuUpdate.item[_MENUUPDATE::kBitsPerPixel] = image.bitsPerPixel;
}

void ImageWndFunctions::SetName(const std::string& text) {
  fullName_ = text;
  const std::size_t n = std::min(text.size(), sizeof name - 1);
  text.copy(name, n);
  name[n] = '\0';
}

void ImageWndFunctions::AttachHost(ivorel::ImageWindowHost* host) {
  host_ = host;
  windowHandle_ = host;
  window = host ? &windowHandle_ : nullptr;
}

void ImageWndFunctions::InvalidateAll(bool erase) {
  if (host_) host_->invalidate(nullptr, erase);
}

void ImageWndFunctions::SendMenuUpdateToClient() {
  if (host_) host_->send_menu_update(menuUpdate);
}

int ImageWndFunctions::SetWindowAttribs(ivorel::WindowAttribs& attribs) {
  attribs.className = "IMAGEWINDOW";
  attribs.visible = false;
  attribs.horizontalScrollBar = true;
  attribs.verticalScrollBar = true;
  attribs.doubleClicks = true;
  attribs.redrawOnResize = true;
  attribs.eraseBackground = false;
  attribs.iconResource = 137;
  return 1;
}

void ImageWndFunctions::SetupWindow() {
  if (host_) host_->set_title(WindowTitle());
  SendMenuUpdateToClient();
  if (hasImage) {
    SizeWindowAccordingToImage();
  } else if (host_) {
    host_->post_close();
  }
}

void ImageWndFunctions::SizeWindowAccordingToImage() {
  if (!host_) return;
  const ivorel::Extent outer = host_->window_size();
  const RECT client = host_->client_rect();
  // The frame's thickness in each direction, without the scroll bars that happen to be shown.
  int thickX = outer.width - client.right;
  int thickY = outer.height - client.bottom;
  if (host_->scroll_state(ivorel::ScrollBar::Vertical).shown())
    thickX -= host_->scroll_bar_thickness(ivorel::ScrollBar::Vertical);
  if (host_->scroll_state(ivorel::ScrollBar::Horizontal).shown())
    thickY -= host_->scroll_bar_thickness(ivorel::ScrollBar::Horizontal);
  const ivorel::Extent area = host_->mdi_client_size();
  ivorel::Extent size;
  size.width = image.width >= area.width ? area.width * 9 / 10 : image.width + thickX;
  size.height = image.height >= area.height ? area.height * 9 / 10 : image.height + thickY;
  // An image a little narrower than the workspace would give a window wider than it, shown cut off with
  // a needless scroll bar: such a window is cut to the workspace, and a direction that scrolls makes room
  // for its scroll bar in the other one.
  const bool scrollsX = size.width > area.width || image.width >= area.width;
  const bool scrollsY = size.height > area.height || image.height >= area.height;
  if (scrollsX && !scrollsY) size.height += host_->scroll_bar_thickness(ivorel::ScrollBar::Horizontal);
  if (scrollsY && !scrollsX) size.width += host_->scroll_bar_thickness(ivorel::ScrollBar::Vertical);
  if (size.width > area.width) size.width = area.width * 9 / 10;
  if (size.height > area.height) size.height = area.height * 9 / 10;
  host_->resize_window(size);
}

int ImageWndFunctions::CanClose() {
  // An image never saved (a duplicate) would be lost as surely as a changed one.
  if ((dirty || !named) && hasImage) {
    const std::string text = "Image window closing. Save \"" + fullName_ + "\" before closing?";
    const int answer = pcore::message_box().show(host_, text, "User Advisory", pcore::MessageIcon::Question,
                                                 pcore::MessageButtons::YesNoCancel);
    if (answer == pcore::kIdCancel) return 0;
    // A save that was cancelled or failed would lose the changes if the window closed anyway.
    if (answer == pcore::kIdYes && EvSave(DescriptionText().c_str()) != 1) return 0;
  }
  if (host_) host_->child_closing();
  return 1;
}

long ImageWndFunctions::EvPaletteChanged(std::uintptr_t, HWND realised) {
  if (realised != windowHandle_) InvalidateAll(false);
  return 0;
}

void ImageWndFunctions::EvMDIActivate(HWND activated, HWND) {
  if (host_ && activated == windowHandle_) InvalidateAll(false);
  SendMenuUpdateToClient();
}

long ImageWndFunctions::EvViewInformation() {
  if (host_) host_->show_image_information();
  return 0;
}

bool ImageWndFunctions::IsImageWindowMessage(unsigned message) {
  return message >= ivorel::kMsgPaletteChanged && message <= ivorel::kMsgViewZoomIn8X &&
         message != ivorel::kMsgMenuUpdate;
}

long ImageWndFunctions::DispatchImageWindowMessage(unsigned message, std::uintptr_t wParam,
                                                   std::intptr_t lParam, const char* description) {
  using namespace ivorel;
  switch (message) {
    case kMsgPaletteChanged:
      return EvPaletteChanged(wParam, reinterpret_cast<HWND>(lParam));
    case kMsgSave:
      return EvSave(description);
    case kMsgSaveAs:
      return EvSaveAs(description);
    case kMsgViewToScale:
      return EvViewToScale();
    case kMsgViewToFit:
      return EvViewToFit();
    case kMsgViewToFitAspect:
      return EvViewToFitAspect();
    case kMsgViewNormal:
      return EvViewNormal();
    case kMsgViewZoom2X:
      return EvViewZoom2X();
    case kMsgViewZoom4X:
      return EvViewZoom4X();
    case kMsgViewZoom8X:
      return EvViewZoom8X();
    case kMsgViewInformation:
      return EvViewInformation();
    case kMsgViewZoomIn2X:
      return EvViewZoomIn2X();
    case kMsgViewZoomIn4X:
      return EvViewZoomIn4X();
    case kMsgViewZoomIn8X:
      return EvViewZoomIn8X();
    default:
      return 0;
  }
}
