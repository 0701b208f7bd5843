#include "apps/vexil/image_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vexil {

class ImageView::Canvas : public QWidget {
 public:
  QImage image;
  QImage startup;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (!image.isNull()) {
      painter.drawImage(0, 0, image);
    } else if (!startup.isNull()) {
      painter.drawImage((width() - startup.width()) / 2, (height() - startup.height()) / 2, startup);
    }
  }
};

ImageView::ImageView(QWidget* parent) : QScrollArea(parent), canvas_(new Canvas) {
  setWidget(canvas_);
  setWidgetResizable(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setBackgroundRole(QPalette::Dark);
}

void ImageView::SetImage(const QImage& image) {
  image_ = image;
  canvas_->image = image;
  // A held image scrolls at its own size; without one the canvas fills the view to centre the picture.
  setWidgetResizable(image.isNull());
  if (!image.isNull()) canvas_->resize(image.size());
  canvas_->update();
}

void ImageView::SetStartupPicture(const QImage& picture) {
  canvas_->startup = picture;
  canvas_->update();
}

FullScreenView::FullScreenView(const QImage& picture) : picture_(picture) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("Full Screen"));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::black);
  setPalette(colours);
  setAutoFillBackground(true);
  setCursor(Qt::BlankCursor);
}

void FullScreenView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int x = picture_.width() < width() ? (width() - picture_.width()) / 2 : 0;
  const int y = picture_.height() < height() ? (height() - picture_.height()) / 2 : 0;
  painter.drawImage(x, y, picture_);
}

void FullScreenView::mousePressEvent(QMouseEvent*) {
  close();
}

void FullScreenView::keyPressEvent(QKeyEvent*) {
  close();
}

}  // namespace vexil
