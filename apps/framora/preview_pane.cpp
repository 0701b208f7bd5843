#include "apps/framora/preview_pane.h"

#include <QPainter>

#include "display/display.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace {

// A checkerboard under played pictures, so that transparent pixels read as such.
void paint_checkerboard(QPainter& painter, const QRect& area) {
  constexpr int kCell = 8;
  painter.save();
  painter.setClipRect(area);
  for (int y = area.top(); y <= area.bottom(); y += kCell)
    for (int x = area.left(); x <= area.right(); x += kCell)
      painter.fillRect(x, y, kCell, kCell,
                       ((x - area.left()) / kCell + (y - area.top()) / kCell) % 2 ? QColor(204, 204, 204)
                                                                                  : QColor(255, 255, 255));
  painter.restore();
}

}  // namespace

CImageFrameView::CImageFrameView(bool foreground, QWidget* parent)
    : QWidget(parent), foreground_(foreground) {
  setMinimumSize(40, 30);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CImageFrameView::SetSource(std::function<Display*()> source) {
  source_ = std::move(source);
  update();
}

void CImageFrameView::ShowPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

QImage CImageFrameView::Rendered() {
  QImage out(size(), QImage::Format_RGB32);
  QPainter painter(&out);
  render(&painter);
  return out;
}

void CImageFrameView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor background = palette().color(QPalette::Dark);
  if (!picture_.isNull()) {
    painter.fillRect(rect(), background);
    const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    paint_checkerboard(painter, target);
    painter.drawImage(target, picture_);
    return;
  }
  Display* display = GetDisplay();
  if (!display || width() <= 0 || height() <= 0) {
    painter.fillRect(rect(), background);
    return;
  }
  // The display object draws into a surface of the pane's size, as it would into the pane's device context.
  DeviceBitmap surface;
  surface.width = width();
  surface.height = height();
  surface.pixels.assign(static_cast<std::size_t>(surface.width) * surface.height,
                        background.rgb() & 0xFFFFFF);
  draw::DeviceContext dc(surface, draw::screen_bits_per_pixel());
  RECT area{0, 0, surface.width, surface.height};
  display->DisplayImageWithAspectInDC(&dc, area, foreground_ ? 0 : 1);
  painter.drawImage(0, 0, ivorel::qimage_from_surface(surface, QRect(0, 0, surface.width, surface.height)));
}
