// Clip regions of the drawing layer: a union of rectangles, as the painting code hands them to a device
// context. Handles are owned by whoever created them and freed with DeleteObject; a device context keeps a
// copy of the region selected into it, so the caller may free its handle at once.
#pragma once

#include <utility>
#include <vector>

#include "platform/core/geometry.h"

namespace draw {

struct Region {
  std::vector<RECT> rects;  // may overlap; empty rectangles are dropped
};

// The intervals [left, right) of row y that the region covers, sorted and merged.
void row_spans(const Region& region, int y, std::vector<std::pair<int, int>>& spans);

}  // namespace draw

using HRGN = draw::Region*;

// Results of the region calls.
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// Modes of CombineRgn; only union and copy are drawn by this layer.
enum : int { RGN_OR = 2, RGN_COPY = 5 };

// Null when memory is short.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// dst = a OR b, or a copy of a; returns the kind of the result, RGN_ERROR for other modes or null handles.
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
// The smallest rectangle holding the region (all zero for an empty one); returns the region's kind.
int GetRgnBox(HRGN region, RECT* box);
int PtInRegion(HRGN region, int x, int y);
int DeleteObject(HRGN region);
