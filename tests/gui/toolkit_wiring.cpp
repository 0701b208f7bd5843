#include "tests/gui/toolkit_wiring.h"

#include <QApplication>

#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "tests/gui/dialog_harness.h"

namespace gui_testing {

ToolkitWiring::ToolkitWiring(FrameFixture& f) {
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  CIMDIFrameWnd::pApplyImageProcessingFromUI = ivorel::ApplyImageProcessingFromUI;
  ivorel::SetToolkitImageSource([&f]() -> ImageDescriptorAndDisplayObj* { return f.active(); });
}

ToolkitWiring::~ToolkitWiring() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "Image Processing") w->close();
  settle();
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = nullptr;
  CIMDIFrameWnd::pApplyImageProcessingFromUI = nullptr;
  ivorel::SetToolkitImageSource(nullptr);
}

ivorel::toolkit::ToolkitWindow* open_toolkit() {
  const QList<QWidget*> windows = testing_support::top_level_windows("Image Processing");
  return windows.size() == 1 ? qobject_cast<ivorel::toolkit::ToolkitWindow*>(windows[0]) : nullptr;
}

}  // namespace gui_testing
