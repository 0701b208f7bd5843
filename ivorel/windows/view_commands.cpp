// ImageWndFunctions: the view modes and zoom steps with their menu records, scroll ranges and scrolling.
#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "ivorel/windows/image_wnd_functions.h"

namespace {

using M = _MENUUPDATE;

constexpr int kZoomChecks[] = {9, 11, 13, 15, 17, 19};
constexpr int kZoomEnables[] = {M::kZoom200Enabled, M::kZoom400Enabled, M::kZoom800Enabled,
                                M::kZoom50Enabled,  M::kZoom25Enabled,  M::kZoom12Enabled};

void set_items(_MENUUPDATE& menu, std::initializer_list<int> indices, int value) {
  for (int i : indices) menu.item[i] = value;
}

void set_zoom_enables(_MENUUPDATE& menu, int value) {
  for (int i : kZoomEnables) menu.item[i] = value;
}

// The check index of a zoom: 200, 400, 800 % and 50, 25, 12.5 %.
int zoom_check_index(short zoom) {
  switch (zoom) {
    case 2:
      return 9;
    case 4:
      return 11;
    case 8:
      return 13;
    case -2:
      return 15;
    case -4:
      return 17;
    case -8:
      return 19;
    default:
      return -1;
  }
}

bool scroll_guard = false;

}  // namespace

long ImageWndFunctions::ApplyViewMode(int mode) {
  // Fitting a zoomed view ends the zoom first: otherwise the record would keep every view command
  // disabled (the zoom cleared them and only normal size, itself disabled by the fit, brings them back).
  if (mode != 1 && view.preZoomViewMode != 0) {
    set_items(menuUpdate, {M::kScaleEnabled, M::kFitEnabled, M::kAspectEnabled, M::kNormalChecked}, 1);
    for (int i : kZoomChecks) menuUpdate.item[i] = 0;
    view.preZoomViewMode = 0;
    view.zoom = 1;
    if (display) display->SetZoom(1);
  }
  set_items(menuUpdate, {M::kScaleChecked, M::kFitChecked, M::kAspectChecked}, 0);
  menuUpdate.item[mode == 1 ? M::kScaleChecked : mode == 2 ? M::kFitChecked : M::kAspectChecked] = 1;
  const int scaled = mode == 1 ? 1 : 0;
  menuUpdate.item[M::kNormalEnabled] = scaled;
  set_zoom_enables(menuUpdate, scaled);
  SendMenuUpdateToClient();
  view.viewMode = mode;
  if (mode == 1) {
    if (display) display->SetClipMode();
    if (host_) {
      const RECT client = host_->client_rect();
      EvSize(host_->is_maximized() ? ivorel::kSizeMaximized : ivorel::kSizeRestored,
             ivorel::Extent{client.right, client.bottom});
    }
  } else {
    if (display) display->SetStretchMode();
    TurnOffScrollBars();
  }
  InvalidateAll(true);
  return 0;
}

long ImageWndFunctions::ApplyZoom(short zoom) {
  set_items(menuUpdate, {M::kScaleEnabled, M::kFitEnabled, M::kAspectEnabled, M::kNormalChecked}, 0);
  for (int i : kZoomChecks) menuUpdate.item[i] = 0;
  menuUpdate.item[M::kNormalEnabled] = 1;
  menuUpdate.item[zoom_check_index(zoom)] = 1;
  SendMenuUpdateToClient();
  // Only the first zoom remembers what normal size returns to.
  if (view.preZoomViewMode == 0) {
    view.preZoomViewMode = view.viewMode;
    view.preZoomClip = display ? display->IsClipMode() : 1;
  }
  view.zoom = zoom;
  CalculateScrollRange(zoom, image.width, image.height);
  if (display) display->SetZoom(zoom);
  InvalidateAll(true);
  return 0;
}

long ImageWndFunctions::EvViewToScale() {
  return ApplyViewMode(1);
}
long ImageWndFunctions::EvViewToFit() {
  return ApplyViewMode(2);
}
long ImageWndFunctions::EvViewToFitAspect() {
  return ApplyViewMode(3);
}

long ImageWndFunctions::EvViewNormal() {
  set_items(menuUpdate, {M::kScaleEnabled, M::kFitEnabled, M::kAspectEnabled, M::kNormalChecked}, 1);
  for (int i : kZoomChecks) menuUpdate.item[i] = 0;
  SendMenuUpdateToClient();
  if (view.preZoomViewMode != 0) {
    view.viewMode = view.preZoomViewMode;
    if (display) {
      if (view.preZoomClip) {
        display->SetClipMode();
      } else {
        display->SetStretchMode();
      }
    }
    view.preZoomViewMode = 0;
  }
  view.zoom = 1;
  // A stretched view has no scroll bars to range.
  if (view.viewMode == 1) CalculateScrollRange(1, image.width, image.height);
  if (display) display->SetZoom(1);
  InvalidateAll(true);
  return 0;
}

long ImageWndFunctions::EvViewZoom2X() {
  return ApplyZoom(2);
}
long ImageWndFunctions::EvViewZoom4X() {
  return ApplyZoom(4);
}
long ImageWndFunctions::EvViewZoom8X() {
  return ApplyZoom(8);
}
long ImageWndFunctions::EvViewZoomIn2X() {
  return ApplyZoom(-2);
}
long ImageWndFunctions::EvViewZoomIn4X() {
  return ApplyZoom(-4);
}
long ImageWndFunctions::EvViewZoomIn8X() {
  return ApplyZoom(-8);
}

void ImageWndFunctions::CalculateScrollRange(short zoom, unsigned short width, unsigned short height) {
  SetScrollRanges(ivorel::displayed_extent(zoom, width), ivorel::displayed_extent(zoom, height));
}

void ImageWndFunctions::SetScrollRanges(unsigned short w, unsigned short h) {
  using ivorel::ScrollBar;
  if (!host_ || scroll_guard) return;
  scroll_guard = true;
  // The client area as if no bar were shown; the second pass sees the bars the first one left.
  RECT client = host_->client_rect();
  if (host_->scroll_state(ScrollBar::Vertical).shown())
    client.right += host_->scroll_bar_thickness(ScrollBar::Vertical);
  if (host_->scroll_state(ScrollBar::Horizontal).shown())
    client.bottom += host_->scroll_bar_thickness(ScrollBar::Horizontal);
  for (int pass = 0; pass < 2; ++pass) {
    const int maxX = std::max(0, w - client.right);
    const int maxY = std::max(0, h - client.bottom);
    if (host_->scroll_state(ScrollBar::Vertical).position > maxY ||
        host_->scroll_state(ScrollBar::Horizontal).position > maxX) {
      InvalidateAll(true);
    }
    host_->set_scroll_range(ScrollBar::Vertical, 0, maxY);
    host_->set_scroll_range(ScrollBar::Horizontal, 0, maxX);
    client = host_->client_rect();
  }
  scroll_guard = false;
}

void ImageWndFunctions::TurnOffScrollBars() {
  if (!host_) return;
  host_->set_scroll_range(ivorel::ScrollBar::Vertical, 0, 0);
  host_->set_scroll_range(ivorel::ScrollBar::Horizontal, 0, 0);
  const RECT client = host_->client_rect();
  EvSize(host_->is_maximized() ? ivorel::kSizeMaximized : ivorel::kSizeRestored,
         ivorel::Extent{client.right, client.bottom});
}

void ImageWndFunctions::EvSize(int, ivorel::Extent) {
  if (view.viewMode == 1 && hasImage) {
    CalculateScrollRange(view.zoom, image.width, image.height);
    return;
  }
  // The window class repaints the whole window on every size change, so only the bars are left to do.
  if (!host_) return;
  host_->set_scroll_range(ivorel::ScrollBar::Vertical, 0, 0);
  host_->set_scroll_range(ivorel::ScrollBar::Horizontal, 0, 0);
}

void ImageWndFunctions::HandleWindowHScroll(int code, int thumbPosition) {
  HandleWindowScroll(ivorel::ScrollBar::Horizontal, code, thumbPosition);
}

void ImageWndFunctions::HandleWindowVScroll(int code, int thumbPosition) {
  HandleWindowScroll(ivorel::ScrollBar::Vertical, code, thumbPosition);
}

void ImageWndFunctions::HandleWindowScroll(ivorel::ScrollBar bar, int code, int thumbPosition) {
  if (!host_) return;
  const bool horizontal = bar == ivorel::ScrollBar::Horizontal;
  const ivorel::ScrollState state = host_->scroll_state(bar);
  const RECT client = host_->client_rect();
  const int extent = horizontal ? client.right : client.bottom;
  const int zoom = view.zoom;
  int step = extent / 16 + 1;
  step = zoom >= 0 ? std::max(step, zoom) : std::min(step, -zoom);
  int delta = 0;
  switch (code) {
    case ivorel::kScrollLineUp:
      delta = -step;
      break;
    case ivorel::kScrollLineDown:
      delta = step;
      break;
    case ivorel::kScrollPageUp:
      delta = -8 * step;
      break;
    case ivorel::kScrollPageDown:
      delta = 8 * step;
      break;
    case ivorel::kScrollThumbPosition:
    case ivorel::kScrollThumbTrack:
      delta = thumbPosition - state.position;
      // Magnified, the view moves by whole image pixels.
      if (zoom > 0 && delta != 0 && std::abs(delta) < zoom) delta = delta > 0 ? zoom : -zoom;
      break;
    default:
      break;
  }
  const int position = std::clamp(state.position + delta, state.min, std::max(state.min, state.max));
  if (position == state.position) return;
  const int shift = state.position - position;
  host_->scroll_client(horizontal ? shift : 0, horizontal ? 0 : shift);
  host_->set_scroll_position(bar, position);
  host_->update();
}
