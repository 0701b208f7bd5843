#include "apps/framora/animation_player.h"

#include <QPainter>
#include <algorithm>

#include "apps/framora/frame_image.h"

namespace framora {

namespace {

// The screen the animation plays on: the logical screen, grown to hold every frame where it is too small.
QSize play_screen(const ImageStack& stack) {
  int w = stack.GetScreenWidth(), h = stack.GetScreenHeight();
  for (int i = 0; i < stack.GetFrameNumber(); ++i) {
    if (const ImageFrame* f = stack.GetFrameData(i)) {
      w = std::max(w, std::max(0, f->left) + f->width);
      h = std::max(h, std::max(0, f->top) + f->height);
    }
  }
  return {std::max(1, w), std::max(1, h)};
}

QRect frame_rect(const ImageFrame& f) {
  return QRect(std::max(0, f.left), std::max(0, f.top), f.width, f.height);
}

}  // namespace

AnimationPlayer::AnimationPlayer(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &AnimationPlayer::Advance);
}

int AnimationPlayer::ShownMilliseconds(int delay) {
  return delay < 2 ? 100 : delay * 10;
}

bool AnimationPlayer::Start(const ImageStack* stack) {
  Stop();
  if (!stack || stack->GetFrameNumber() == 0) return false;
  stack_ = stack;
  canvas_ = QImage(play_screen(*stack), QImage::Format_ARGB32);
  canvas_.fill(Qt::transparent);
  ShowFrame(0);
  return true;
}

void AnimationPlayer::Stop() {
  if (!stack_) return;
  timer_.stop();
  stack_ = nullptr;
  current_ = -1;
  canvas_ = QImage();
  beforeFrame_ = QImage();
  emit Stopped();
}

void AnimationPlayer::ShowFrame(int index) {
  const ImageFrame* frame = stack_->GetFrameData(index);
  if (!frame) {
    Stop();
    return;
  }
  if (index == 0) canvas_.fill(Qt::transparent);
  if (frame->disposal == 3) beforeFrame_ = canvas_.copy();
  {
    QPainter painter(&canvas_);
    painter.drawImage(frame_rect(*frame).topLeft(), frame_image(*frame));
  }
  current_ = index;
  emit FrameShown(index, canvas_);
  timer_.start(ShownMilliseconds(frame->delay));
}

void AnimationPlayer::Advance() {
  if (!stack_) return;
  const int frames = stack_->GetFrameNumber();
  if (frames == 0) {
    Stop();
    return;
  }
  // The frame leaving the screen is disposed of before the next one is drawn.
  if (const ImageFrame* leaving = stack_->GetFrameData(current_)) {
    if (leaving->disposal == 2) {
      QPainter painter(&canvas_);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.fillRect(frame_rect(*leaving), Qt::transparent);
    } else if (leaving->disposal == 3 && !beforeFrame_.isNull()) {
      canvas_ = beforeFrame_;
    }
  }
  ShowFrame((current_ + 1) % frames);
}

}  // namespace framora
