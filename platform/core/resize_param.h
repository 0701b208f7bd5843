// The record that the resize operation and its dialog share.
#pragma once

#include <cstdint>

struct _RESIZE_PARAM {
  std::uint32_t scaleMode = 1;  // 1: the size follows from `scale`; 0: width and height are explicit
  std::int32_t width = 0;       // in: the current width; out: the new width in pixels
  std::int32_t height = 0;      // in: the current height; out: the new height in pixels
  std::uint16_t xResolution = 100;
  std::uint16_t yResolution = 100;
  float scale = 1.0f;
};
