// ImageWndFunctions: painting the image through its display object, where it lies in the client area, and
// the hatched background around it.
#include <algorithm>
#include <memory>
#include <vector>

#include "ivorel/windows/image_wnd_functions.h"

namespace {

constexpr std::uint32_t kHatchColour = 0xC0C0C0;  // light grey lines
constexpr std::uint32_t kHatchGround = 0xFFFFFF;  // on the device context's white background

// The backward-diagonal hatch, an 8 x 8 tile aligned to the client area's origin: one line pixel per row,
// moving left as the rows go down.
std::uint32_t hatch_at(int x, int y) {
  return ((x + y) & 7) == 7 ? kHatchColour : kHatchGround;
}

}  // namespace

void ImageWndFunctions::PaintBkGnd(HDC dc, const RECT& rect) {
  if (!dc) return;
  DeviceBitmap& surface = dc->surface;
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, surface.height);
  const int left = std::max(rect.left, 0), right = std::min(rect.right, surface.width);
  std::vector<std::pair<int, int>> spans;
  for (int y = top; y < bottom; ++y) {
    if (dc->clip) {
      draw::row_spans(*dc->clip, y, spans);
    } else {
      spans.assign(1, {left, right});
    }
    for (const auto& [from, to] : spans) {
      for (int x = std::max(from, left); x < std::min(to, right); ++x) surface.at(x, y) = hatch_at(x, y);
    }
  }
}

void ImageWndFunctions::Paint(RECT& update, int) {
  if (!hasImage || !host_ || !display) return;
  POINT origin{host_->scroll_state(ivorel::ScrollBar::Horizontal).position,
               host_->scroll_state(ivorel::ScrollBar::Vertical).position};
  const int inactive = host_->another_child_active() ? 1 : 0;
  if (view.viewMode == 3) {
    display->DisplayImageWithAspect(windowHandle_, inactive);
  } else {
    display->DisplayImage(windowHandle_, origin, update, inactive);
  }
  if (alphaShown) return;
  if (!transparencyKnown_) {
    showTransparency_ = !AlphaPlane().empty();
    transparencyKnown_ = true;
  }
  if (showTransparency_) DrawOverCheckerboard(update, origin);
}

void ImageWndFunctions::RefreshTransparency() {
  transparencyKnown_ = false;
}

void ImageWndFunctions::DrawOverCheckerboard(const RECT& update, POINT origin) {
  const _IMAGEDESCRIPTOR& m = alpha.descriptor;
  if (!m.imageData || m.width != image.width || m.height != image.height || image.width == 0) return;
  std::unique_ptr<draw::DeviceContext> dc = host_->device_context();
  // An emulated palette screen shows palette colours only; a blend would have none to go to.
  if (!dc || dc->palette_device()) return;
  DeviceBitmap& surface = dc->surface;
  RECT shown;
  GetImageRect(shown);
  const int left = std::max({update.left, shown.left, 0}),
            right = std::min({update.right, shown.right, surface.width});
  const int top = std::max({update.top, shown.top, 0}),
            bottom = std::min({update.bottom, shown.bottom, surface.height});
  const std::size_t stride = dib_stride(m.width, 24);
  const int zoom = view.zoom;
  // Screen pixel to image pixel: by the zoom to scale, in proportion when stretched.
  auto image_x = [&](int x) {
    if (view.viewMode != 1)
      return static_cast<int>(std::int64_t{x - shown.left} * image.width / (shown.right - shown.left));
    return zoom >= 1 ? (x + origin.x) / zoom : (x + origin.x) * -zoom;
  };
  auto image_y = [&](int y) {
    if (view.viewMode != 1)
      return static_cast<int>(std::int64_t{y - shown.top} * image.height / (shown.bottom - shown.top));
    return zoom >= 1 ? (y + origin.y) / zoom : (y + origin.y) * -zoom;
  };
  for (int y = top; y < bottom; ++y) {
    const int iy = image_y(y);
    if (iy < 0 || iy >= image.height) continue;
    const unsigned char* row = m.imageData + std::size_t(image.height - 1 - iy) * stride;
    for (int x = left; x < right; ++x) {
      const int ix = image_x(x);
      if (ix < 0 || ix >= image.width) continue;
      const unsigned a = (row[3 * ix] + row[3 * ix + 1] + row[3 * ix + 2]) / 3;
      if (a == 255) continue;
      const unsigned ground = ((x / 8 + y / 8) & 1) ? 0xCC : 0xFF;
      std::uint32_t& p = surface.at(x, y);
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned c = (p >> shift) & 0xFF;
        out |= ((c * a + ground * (255 - a) + 127) / 255) << shift;
      }
      p = out;
    }
  }
  host_->release_device_context(std::move(dc));
}

void ImageWndFunctions::GetImageRect(RECT& rect) const {
  const RECT client = host_ ? host_->client_rect() : RECT{0, 0, 0, 0};
  if (view.viewMode == 2) {
    rect = client;
    return;
  }
  if (view.viewMode == 1) {
    rect.left = host_ ? -host_->scroll_state(ivorel::ScrollBar::Horizontal).position : 0;
    rect.top = host_ ? -host_->scroll_state(ivorel::ScrollBar::Vertical).position : 0;
    rect.right = rect.left + ivorel::displayed_extent(view.zoom, image.width);
    rect.bottom = rect.top + ivorel::displayed_extent(view.zoom, image.height);
    return;
  }
  rect = client;
  if (image.width == 0 || image.height == 0 || client.right <= 0 || client.bottom <= 0) return;
  const double aspect = static_cast<double>(image.width) / image.height;
  const double cw = client.right, ch = client.bottom;
  if (cw / ch <= aspect) {
    rect.top = static_cast<int>(ch - cw / aspect + 1) / 2;
    rect.bottom = static_cast<int>(cw / aspect + ch + 1) / 2;
    if (rect.top == rect.bottom) ++rect.bottom;
  } else {
    rect.left = static_cast<int>(cw - ch * aspect + 1) / 2;
    rect.right = static_cast<int>(ch * aspect + cw + 1) / 2;
    if (rect.left == rect.right) ++rect.right;
  }
}

int ImageWndFunctions::EvEraseBkGnd(HDC dc) {
  if (!host_) return 1;
  const RECT client = host_->client_rect();
  if (view.viewMode == 2) return 1;
  if (view.viewMode == 3) {
    RECT r;
    GetImageRect(r);
    if (r.left == client.left && r.right == client.right) {
      PaintBkGnd(dc, RECT{0, 0, client.right, r.top});
      PaintBkGnd(dc, RECT{0, r.bottom, client.right, client.bottom});
    } else {
      PaintBkGnd(dc, RECT{0, 0, r.left, client.bottom});
      PaintBkGnd(dc, RECT{r.right, 0, client.right, client.bottom});
    }
    return 1;
  }
  const int shownWidth = ivorel::displayed_extent(view.zoom, image.width);
  const int shownHeight = ivorel::displayed_extent(view.zoom, image.height);
  if (shownWidth < client.right) PaintBkGnd(dc, RECT{shownWidth, 0, client.right, client.bottom});
  if (shownHeight < client.bottom) PaintBkGnd(dc, RECT{0, shownHeight, client.right, client.bottom});
  return 1;
}
