// Pictures of the editor frame, its menus and its dialogs as a user sees them, written when
// IVOREL_SCREENSHOT_DIR names a folder (skipped otherwise): for looking at the windows, not for comparing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <cstdlib>

#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

QString shot_path(const QString& name) {
  return QDir(QString::fromLocal8Bit(std::getenv("IVOREL_SCREENSHOT_DIR"))).filePath(name + ".png");
}

// Grabs the modal dialog that `open` shows, then closes it.
void grab_modal(const QString& name, const std::function<void()>& open) {
  QTimer::singleShot(200, [name] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    modal->grab().save(shot_path(name));
    modal->close();
  });
  open();
}

}  // namespace

TEST(FrameScreenshots, FrameMenusAndDialogs) {
  if (!std::getenv("IVOREL_SCREENSHOT_DIR")) GTEST_SKIP() << "IVOREL_SCREENSHOT_DIR not set";
  FrameFixture f;
  f.frame().resize(1100, 760);
  f.open(sample("wheel-24bit.bmp"));
  f.open(sample("wheel-8bit.bmp"));
  f.frame().ExecuteCommand(cmd::kViewZoom2X);
  settle();
  f.frame().grab().save(shot_path("frame"));
  for (QAction* top : f.frame().menuBar()->actions()) {
    QMenu* menu = top->menu();
    if (!menu) continue;
    menu->popup(QPoint(0, 0));
    settle();
    menu->grab().save(shot_path("menu-" + top->text().remove('&').toLower()));
    menu->hide();
  }
  f.frame().ExecuteCommand(cmd::kTileVertical);
  settle();
  f.frame().grab().save(shot_path("frame-tiled"));
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  ivorel::SetToolkitImageSource([&f]() -> ImageDescriptorAndDisplayObj* { return f.active(); });
  f.frame().ExecuteCommand(cmd::kBrightness);
  // The toolkit fills its preview a moment after it opens.
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 800) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "Image Processing" && w->isVisible()) {
      w->grab().save(shot_path("toolkit-from-frame"));
      w->close();
    }
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = nullptr;
  ivorel::SetToolkitImageSource(nullptr);
  grab_modal("image-information", [&] { f.frame().ExecuteCommand(cmd::kViewInformation); });
  ivorel::install_new_image_dialog_qt();
  grab_modal("new-image", [&] { f.frame().ExecuteCommand(cmd::kFileNew); });
  pcore::install_new_image_dialog(nullptr);
}
