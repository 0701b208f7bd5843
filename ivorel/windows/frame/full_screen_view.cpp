#include "ivorel/windows/frame/full_screen_view.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include "display/display.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace ivorel {

namespace {

// The image as the display object draws it at 100 % (clip mode, zoom 1), its settings restored after.
QImage render_at_full_size(CMDIChildImageWnd* child) {
  Display* display = child->display;
  const _IMAGEDESCRIPTOR& image = child->image;
  if (!display || image.width == 0 || image.height == 0) return qimage_from_descriptor(image);
  const short zoom = display->GetZoom();
  const int clip = display->IsClipMode();
  display->SetClipMode();
  display->SetZoom(1);
  DeviceBitmap surface;
  surface.width = image.width;
  surface.height = image.height;
  surface.pixels.assign(static_cast<std::size_t>(surface.width) * surface.height, 0);
  draw::DeviceContext dc(surface, draw::screen_bits_per_pixel());
  RECT rect{0, 0, surface.width, surface.height};
  POINT origin{0, 0};
  display->DisplayImageInDC(&dc, rect, origin, 1, 0);
  if (!clip) display->SetStretchMode();
  display->SetZoom(zoom);
  return qimage_from_surface(surface, QRect(0, 0, surface.width, surface.height));
}

class FullScreenView : public QWidget {
 public:
  explicit FullScreenView(const QImage& image) : image_(image) {
    setObjectName("FullScreenView");
    setWindowTitle("No title for popup");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setCursor(Qt::BlankCursor);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QPoint topLeft((width() - image_.width()) / 2 + offset_.x(),
                         (height() - image_.height()) / 2 + offset_.y());
    painter.drawImage(topLeft, image_);
  }
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Left:
        offset_.rx() -= width() / 50;
        break;
      case Qt::Key_Right:
        offset_.rx() += width() / 50;
        break;
      case Qt::Key_Up:
        offset_.ry() -= height() / 50;
        break;
      case Qt::Key_Down:
        offset_.ry() += height() / 50;
        break;
      default:
        close();
        return;
    }
    update();
  }
  void mousePressEvent(QMouseEvent*) override { close(); }

 private:
  QImage image_;
  QPoint offset_;
};

}  // namespace

void ShowFullScreenView(CMDIChildImageWnd* child) {
  if (!child || !child->HasImage()) return;
  auto* view = new FullScreenView(render_at_full_size(child));
  if (QScreen* screen = child->screen()) view->setGeometry(screen->geometry());
  view->showFullScreen();
  view->activateWindow();
  view->setFocus();
}

}  // namespace ivorel
