// The image view (the captured or opened image at its natural size, scrolling when larger than the window;
// the start-up picture centred while there is none) and the full-screen view of either.
#pragma once

#include <QImage>
#include <QScrollArea>
#include <QWidget>

namespace vexil {

class ImageView : public QScrollArea {
  Q_OBJECT
 public:
  explicit ImageView(QWidget* parent = nullptr);
  void SetImage(const QImage& image);
  void SetStartupPicture(const QImage& picture);
  const QImage& Image() const { return image_; }

 private:
  class Canvas;
  Canvas* canvas_;
  QImage image_;
};

// A black window over the whole screen showing the picture at its natural size, centred where it is
// smaller than the screen and cut off at the right or bottom where it is larger; a click or a key closes it.
class FullScreenView : public QWidget {
  Q_OBJECT
 public:
  explicit FullScreenView(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace vexil
