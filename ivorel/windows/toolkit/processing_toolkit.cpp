#include "ivorel/windows/toolkit/processing_toolkit.h"

#include <QPointer>

#include "ivorel/windows/frame/window_placement.h"
#include "ivorel/windows/toolkit/toolkit_window.h"

namespace ivorel {

namespace {

std::function<ImageDescriptorAndDisplayObj*()>& image_source() {
  static std::function<ImageDescriptorAndDisplayObj*()> source;
  return source;
}

void popup(QPointer<toolkit::ToolkitWindow>& window, const QString& title, QWidget* parent, const char* tab) {
  const bool created = !window;
  if (!window) {
    window = new toolkit::ToolkitWindow(title, parent ? parent->window() : nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  window->select_tab(tab);
  if (window->isMinimized()) window->showNormal();
  window->show();
  // Beside the image it works on, not over it; where the user moves it later stays.
  if (created && parent && parent != parent->window()) place_beside_image(window, parent);
  window->raise();
  window->activateWindow();
}

}  // namespace

namespace toolkit {

ImageDescriptorAndDisplayObj* toolkit_image() {
  return image_source() ? image_source()() : nullptr;
}

}  // namespace toolkit

void SetToolkitImageSource(std::function<ImageDescriptorAndDisplayObj*()> source) {
  image_source() = std::move(source);
}

void PopupImageProcessingParameterFrame(QWidget* parent, const char* tab) {
  static QPointer<toolkit::ToolkitWindow> frame;
  popup(frame, QStringLiteral("Image Processing"), parent, tab);
}

void PopupImageProcessingPreviewDialog(QWidget* parent, const char* tab) {
  static QPointer<toolkit::ToolkitWindow> preview;
  popup(preview, QStringLiteral("Image Processing Preview"), parent, tab);
}

void ApplyImageProcessingFromUI(ImageDescriptorAndDisplayObj* image, QWidget*) {
  toolkit::apply_selected(image);
}

}  // namespace ivorel
