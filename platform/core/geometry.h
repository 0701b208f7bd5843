// Points and rectangles in device or client coordinates. A rectangle's right and bottom edges are exclusive.
#pragma once

#include <cstdint>

struct POINT {
  std::int32_t x;
  std::int32_t y;
};

struct RECT {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};
