// Plays the stack as a browser would: each frame drawn on the logical screen at its position, over what the
// frame before left after its disposal (kept, cleared to transparent, or put back as it was), shown for the
// frame's delay, round and round.
#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include "imgfile/codaxe.h"

namespace framora {

class AnimationPlayer : public QObject {
  Q_OBJECT
 public:
  explicit AnimationPlayer(QObject* parent = nullptr);

  // Starts at frame 0; false when the stack has no frame.
  bool Start(const ImageStack* stack);
  void Stop();
  bool Playing() const { return stack_ != nullptr; }
  // The frame on screen, -1 when stopped.
  int CurrentFrame() const { return current_; }
  const QImage& Canvas() const { return canvas_; }
  // How long a frame with `delay` hundredths stays: browsers stretch 0 and 1 to a tenth of a second.
  static int ShownMilliseconds(int delay);

 signals:
  void FrameShown(int frame, const QImage& canvas);
  void Stopped();

 private:
  void ShowFrame(int index);
  void Advance();

  const ImageStack* stack_ = nullptr;
  QTimer timer_;
  QImage canvas_;
  QImage beforeFrame_;  // the canvas before a frame that is to be put back ("previous" disposal)
  int current_ = -1;
};

}  // namespace framora
