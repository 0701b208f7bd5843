// Zooming by steps through the zoom list (12.5 % ... 800 %) from the keyboard and the wheel, the way image
// editors do it, on top of the fixed zoom commands of the View menu.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <array>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"

namespace ivorel {

namespace {

struct ZoomStop {
  short zoom;
  unsigned message;
};
constexpr std::array<ZoomStop, 7> kZoomList = {{{-8, kMsgViewZoomIn8X},
                                                {-4, kMsgViewZoomIn4X},
                                                {-2, kMsgViewZoomIn2X},
                                                {1, kMsgViewNormal},
                                                {2, kMsgViewZoom2X},
                                                {4, kMsgViewZoom4X},
                                                {8, kMsgViewZoom8X}}};

}  // namespace

short next_zoom(short zoom, int direction) {
  std::size_t at = 3;
  for (std::size_t i = 0; i < kZoomList.size(); ++i)
    if (kZoomList[i].zoom == zoom) at = i;
  if (direction > 0 && at + 1 < kZoomList.size()) ++at;
  if (direction < 0 && at > 0) --at;
  return kZoomList[at].zoom;
}

QString zoom_text(short zoom) {
  if (zoom >= 1) return QString("%1 %").arg(100 * zoom);
  return QString::number(100.0 / -zoom, 'g', 3) + " %";
}

}  // namespace ivorel

bool CIMDIFrameWnd::StepZoom(int direction) {
  CMDIChildImageWnd* child = GetActiveMDIChild();
  if (!child || !child->HasImage()) return false;
  // The zoom list belongs to the view to scale; a stretched view goes back to it first.
  if (child->view.viewMode != 1) ivorel::send_image_message(child, ivorel::kMsgViewToScale, 0, 0);
  const short target = ivorel::next_zoom(child->view.zoom, direction);
  if (target == child->view.zoom) return false;
  for (const ivorel::ZoomStop& stop : ivorel::kZoomList) {
    if (stop.zoom == target) ivorel::send_image_message(child, stop.message, 0, 0);
  }
  // The window tells the frame its menu state before it changes the zoom: the pane is behind by one.
  if (imagePane_) UpdateImagePane();
  return true;
}

void CIMDIFrameWnd::CreateZoomShortcuts() {
  auto add = [this](const char* name, QList<QKeySequence> keys, int direction) {
    auto* action = new QAction(tr(name), this);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, direction] { StepZoom(direction); });
    addAction(action);
  };
  // Ctrl+= is where Ctrl++ lies on most keyboards, without the Shift.
  add("Zoom In", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
  add("Zoom Out", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, -1);
  // The menu toggle must outlive the menu it hides: the frame holds it too, with its shortcut.
  if (QAction* toggle = actions_.value(ivorel::cmd::kToggleMainMenu)) addAction(toggle);
}

QMenu* CIMDIFrameWnd::createPopupMenu() {
  QMenu* menu = QMainWindow::createPopupMenu();
  if (!menu) menu = new QMenu(this);
  menu->addSeparator();
  menu->addAction(actions_.value(ivorel::cmd::kToggleMainMenu));
  return menu;
}
