#include "ivorel/windows/dialogs/bitmap_button.h"

#include <QPainter>

namespace ivorel::dialogs {

BitmapButton::BitmapButton(QPixmap up, QPixmap down, QPixmap focus, QWidget* parent)
    : QAbstractButton(parent), up_(std::move(up)), down_(std::move(down)), focus_(std::move(focus)) {
  setFocusPolicy(Qt::StrongFocus);
  setFixedSize(sizeHint());
}

void BitmapButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap& face = isDown() ? down_ : hasFocus() ? focus_ : up_;
  painter.drawPixmap(rect(), face);
  if (!isEnabled()) painter.fillRect(rect(), QColor(255, 255, 255, 128));
}

}  // namespace ivorel::dialogs
