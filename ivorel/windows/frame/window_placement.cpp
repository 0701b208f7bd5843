#include "ivorel/windows/frame/window_placement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "ivorel/windows/frame/mdi_child.h"

namespace ivorel {

QRect fit_inside(const QRect& window, const QRect& area) {
  const int w = std::min(window.width(), area.width());
  const int h = std::min(window.height(), area.height());
  const int x = std::clamp(window.x(), area.x(), area.x() + area.width() - w);
  const int y = std::clamp(window.y(), area.y(), area.y() + area.height() - h);
  return {x, y, w, h};
}

QRect cascade_rect(int index, const QSize& wanted, const QRect& area, int step) {
  // How many steps fit before a window of the wanted size (or of three quarters of the workspace, for a
  // larger one) would run out of room; the cascade starts again at the corner after that many.
  const int roomX = area.width() - std::min(wanted.width(), area.width() * 3 / 4);
  const int roomY = area.height() - std::min(wanted.height(), area.height() * 3 / 4);
  const int steps = std::max(1, std::min(roomX, roomY) / std::max(step, 1) + 1);
  const int offset = (index % steps) * step;
  const QPoint at(area.x() + offset, area.y() + offset);
  return QRect(at, QSize(std::min(wanted.width(), area.right() + 1 - at.x()),
                         std::min(wanted.height(), area.bottom() + 1 - at.y())));
}

QPoint beside(const QSize& size, const QRect& avoid, const QRect& screen) {
  // The four sides first; the screen's corners where no side is free.
  const QPoint tries[] = {{avoid.right() + 1, avoid.top()},
                          {avoid.left() - size.width(), avoid.top()},
                          {avoid.left(), avoid.bottom() + 1},
                          {avoid.left(), avoid.top() - size.height()},
                          screen.bottomRight(),
                          screen.topRight(),
                          screen.bottomLeft(),
                          screen.topLeft()};
  QPoint best;
  long long bestCover = -1;
  for (const QPoint& at : tries) {
    const QRect placed = fit_inside(QRect(at, size), screen);
    const QRect covered = placed & avoid;
    const long long cover =
        covered.isEmpty() ? 0 : static_cast<long long>(covered.width()) * covered.height();
    if (bestCover < 0 || cover < bestCover) {
      bestCover = cover;
      best = placed.topLeft();
    }
  }
  return best;
}

void place_beside_image(QWidget* window, QWidget* image) {
  if (!window || !image || !image->isVisible()) return;
  QRect shown(image->mapToGlobal(QPoint(0, 0)), image->size());
  if (auto* sub = qobject_cast<QMdiSubWindow*>(image); sub && sub->mdiArea()) {
    const QWidget* viewport = sub->mdiArea()->viewport();
    shown &= QRect(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
  }
  const QScreen* screen = image->screen();
  if (!screen || shown.isEmpty()) return;
  window->move(beside(window->frameGeometry().size(), shown, screen->availableGeometry()));
}

namespace {

QRect workspace(const QMdiArea* area) {
  return QRect(QPoint(0, 0), area->viewport()->size());
}

// The window's size when it shows its image at its own size, cut to 90 % of the workspace where larger.
QSize image_size_of(QMdiSubWindow* window) {
  auto* child = qobject_cast<CMDIChildImageWnd*>(window);
  if (!child || !child->HasImage()) return window->size();
  const QSize before = window->size();
  child->SettleScrollBars();
  child->SizeWindowAccordingToImage();
  const QSize wanted = window->size();
  window->resize(before);
  return wanted;
}

}  // namespace

void place_in_workspace(QMdiSubWindow* window) {
  QMdiArea* area = window ? window->mdiArea() : nullptr;
  if (!area || window->isMaximized() || window->isMinimized()) return;
  const QRect fitted = fit_inside(window->geometry(), workspace(area));
  if (fitted != window->geometry()) window->setGeometry(fitted);
}

void cascade_windows(QMdiArea* area, const QList<QMdiSubWindow*>& windows) {
  if (!area) return;
  const QRect space = workspace(area);
  int index = 0;
  for (QMdiSubWindow* window : windows) {
    if (window->isMinimized()) continue;
    if (window->isMaximized()) window->showNormal();
    // One title bar further each time, so that every caption stays readable.
    const int step = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 4;
    window->setGeometry(cascade_rect(index++, image_size_of(window), space, step));
    window->raise();
  }
  if (!windows.isEmpty()) area->setActiveSubWindow(windows.last());
}

}  // namespace ivorel
