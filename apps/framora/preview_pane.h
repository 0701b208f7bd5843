// One preview pane: the frame before, at or after the selection, drawn by the document's display object
// scaled into the pane with its aspect kept; while the animation plays, the current pane shows the played
// picture instead.
#pragma once

#include <QImage>
#include <QWidget>

class Display;

class CImageFrameView : public QWidget {
  Q_OBJECT
 public:
  // The current frame's pane realizes its palette in the foreground, the two beside it in the background.
  CImageFrameView(bool foreground, QWidget* parent = nullptr);

  // The display object to paint (the document's; null shows an empty pane).
  void SetDisplay(Display* display);
  Display* GetDisplay() const { return display_; }
  // A picture shown instead of the display object (playback); a null image goes back to the display.
  void ShowPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

  // What the pane shows now, as drawn.
  QImage Rendered();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool foreground_;
  Display* display_ = nullptr;
  QImage picture_;
};
