#include "display/region.h"

#include <algorithm>
#include <new>

namespace draw {

namespace {

int kind_of(const Region& region) {
  if (region.rects.empty()) return NULLREGION;
  return region.rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void add_rect(Region& region, const RECT& r) {
  if (r.right > r.left && r.bottom > r.top) region.rects.push_back(r);
}

}  // namespace

void row_spans(const Region& region, int y, std::vector<std::pair<int, int>>& spans) {
  spans.clear();
  for (const RECT& r : region.rects) {
    if (y >= r.top && y < r.bottom) spans.emplace_back(r.left, r.right);
  }
  std::sort(spans.begin(), spans.end());
  std::size_t merged = 0;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (merged > 0 && spans[i].first <= spans[merged - 1].second) {
      spans[merged - 1].second = std::max(spans[merged - 1].second, spans[i].second);
    } else {
      spans[merged++] = spans[i];
    }
  }
  spans.resize(merged);
}

}  // namespace draw

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* region = new (std::nothrow) draw::Region;
  if (region)
    draw::add_rect(*region, RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                                 std::max(top, bottom)});
  return region;
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  if (!dst || !a || (mode == RGN_OR && !b)) return RGN_ERROR;
  std::vector<RECT> rects = a->rects;
  if (mode == RGN_OR) {
    rects.insert(rects.end(), b->rects.begin(), b->rects.end());
  } else if (mode != RGN_COPY) {
    return RGN_ERROR;
  }
  dst->rects = std::move(rects);
  return draw::kind_of(*dst);
}

int GetRgnBox(HRGN region, RECT* box) {
  if (!region || !box) return RGN_ERROR;
  *box = RECT{0, 0, 0, 0};
  if (region->rects.empty()) return NULLREGION;
  *box = region->rects.front();
  for (const RECT& r : region->rects) {
    box->left = std::min(box->left, r.left);
    box->top = std::min(box->top, r.top);
    box->right = std::max(box->right, r.right);
    box->bottom = std::max(box->bottom, r.bottom);
  }
  return draw::kind_of(*region);
}

int PtInRegion(HRGN region, int x, int y) {
  if (!region) return 0;
  return std::any_of(region->rects.begin(), region->rects.end(),
                     [&](const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; });
}

int DeleteObject(HRGN region) {
  delete region;
  return region != nullptr;
}
