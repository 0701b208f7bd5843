// A push button drawn entirely by three bitmaps (up, pressed, focused), sized to them.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace ivorel::dialogs {

class BitmapButton : public QAbstractButton {
  Q_OBJECT
 public:
  BitmapButton(QPixmap up, QPixmap down, QPixmap focus, QWidget* parent);
  QSize sizeHint() const override { return up_.deviceIndependentSize().toSize(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap up_, down_, focus_;
};

}  // namespace ivorel::dialogs
