// One preview pane: the frame before, at or after the selection, drawn by the document's display object
// scaled into the pane with its aspect kept; while the animation plays, the current pane shows the played
// picture instead.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class Display;

class CImageFrameView : public QWidget {
  Q_OBJECT
 public:
  // The current frame's pane realizes its palette in the foreground, the two beside it in the background.
  CImageFrameView(bool foreground, QWidget* parent = nullptr);

  // Where the display object to paint comes from (the document's, asked at each paint, so that the pane
  // never draws one the document has dropped; null shows an empty pane).
  void SetSource(std::function<Display*()> source);
  Display* GetDisplay() const { return source_ ? source_() : nullptr; }
  // A picture shown instead of the display object (playback); a null image goes back to the display.
  void ShowPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

  // What the pane shows now, as drawn.
  QImage Rendered();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool foreground_;
  std::function<Display*()> source_;
  QImage picture_;
};
