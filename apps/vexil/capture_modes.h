// The five captures, numbered as their commands.
#pragma once

namespace vexil {

enum CaptureMode : int {
  kNoCapture = -1,
  kCaptureWindow = 210,
  kCaptureClientArea = 220,
  kCaptureRectangle = 230,
  kCaptureActiveWindow = 250,
  kCaptureDesktop = 260,
};

// The wait group's delays: none, then 2 to the power of the index.
inline int delay_seconds(int delayIndex) {
  return delayIndex <= 0 ? 0 : 1 << delayIndex;
}

}  // namespace vexil
