#include "ivorel/windows/dialogs/smart_window_position.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ivorel {

QRect smart_position(const QRect& window, const QRect& reference, const QRect& screen) {
  if (!window.intersects(reference.adjusted(-5, -5, 5, 5))) return {};
  const int w = window.width(), h = window.height();
  // Exclusive right and bottom edges, as the placement rule counts them.
  const int refRight = reference.x() + reference.width(), refBottom = reference.y() + reference.height();
  const int scrRight = screen.x() + screen.width(), scrBottom = screen.y() + screen.height();
  const int centreX = reference.x() + (reference.width() - w) / 2;
  const int centreY = reference.y() + (reference.height() - h) / 2;
  QPoint at;
  if (refBottom + 1 + h <= scrBottom) {
    at = {centreX, refBottom + 1};
  } else if (refRight + 1 + w <= scrRight) {
    at = {refRight + 1, centreY};
  } else if (reference.y() - 1 - h >= screen.y()) {
    at = {centreX, reference.y() - 1 - h};
  } else if (reference.x() - 1 - w >= screen.x()) {
    at = {reference.x() - 1 - w, centreY};
  } else {
    at = {scrRight - w, scrBottom - h};
  }
  at.setX(std::max(screen.x(), std::min(at.x(), scrRight - w)));
  at.setY(std::max(screen.y(), std::min(at.y(), scrBottom - h)));
  return {at, window.size()};
}

}  // namespace ivorel

int SmartWindowPosition(QWidget* window, QWidget* reference) {
  if (!window || !reference) return 0;
  QWidget* top = window->window();
  const QRect place = ivorel::smart_position(top->frameGeometry(), reference->window()->frameGeometry(),
                                             top->screen()->availableGeometry());
  if (place.isNull()) return 0;
  top->move(place.topLeft());
  return 1;
}
