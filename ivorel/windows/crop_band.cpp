// ImageWndFunctions: the crop rubber band. The rectangle and its "%dx%d" size label are drawn by inverting
// what is on screen, so that drawing the same band again removes it and no copy of the picture is kept.
#include <algorithm>
#include <array>
#include <cstdio>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/image_wnd_functions.h"

namespace ivorel {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kMargin = 1;

// Rows of each glyph, the leftmost pixel in bit 4.
constexpr std::array<std::array<std::uint8_t, kGlyphHeight>, 11> kGlyphs{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11},  // x
}};

const std::array<std::uint8_t, kGlyphHeight>* glyph_of(char c) {
  if (c >= '0' && c <= '9') return &kGlyphs[c - '0'];
  if (c == 'x') return &kGlyphs[10];
  return nullptr;
}

}  // namespace

MonoBitmap render_builtin_label(const std::string& text) {
  MonoBitmap label;
  if (text.empty()) return label;
  const int advance = kGlyphWidth + 1;
  label.width = 2 * kMargin + static_cast<int>(text.size()) * advance - 1;
  label.height = 2 * kMargin + kGlyphHeight;
  label.pixels.assign(static_cast<std::size_t>(label.width) * label.height, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto* glyph = glyph_of(text[i]);
    if (!glyph) continue;
    const int left = kMargin + static_cast<int>(i) * advance;
    for (int y = 0; y < kGlyphHeight; ++y) {
      for (int x = 0; x < kGlyphWidth; ++x) {
        if ((*glyph)[y] & (0x10 >> x))
          label.pixels[static_cast<std::size_t>(kMargin + y) * label.width + left + x] = 1;
      }
    }
  }
  return label;
}

}  // namespace ivorel

namespace {

void invert(DeviceBitmap& surface, int x, int y) {
  if (x >= 0 && y >= 0 && x < surface.width && y < surface.height) surface.at(x, y) ^= 0xFFFFFF;
}

}  // namespace

void ImageWndFunctions::DrawCropBand(POINT corner) {
  if (!host_) return;
  const int left = std::min(cropStart.x, corner.x), right = std::max(cropStart.x, corner.x);
  const int top = std::min(cropStart.y, corner.y), bottom = std::max(cropStart.y, corner.y);
  if (left == right || top == bottom) return;
  draw::WindowDC dc(windowHandle_);
  if (!dc.get()) return;
  DeviceBitmap& surface = dc.get()->surface;
  // Each edge pixel once, so that the corners invert like the rest.
  for (int x = left; x < right; ++x) {
    invert(surface, x, top);
    if (bottom - 1 != top) invert(surface, x, bottom - 1);
  }
  for (int y = top + 1; y < bottom - 1; ++y) {
    invert(surface, left, y);
    if (right - 1 != left) invert(surface, right - 1, y);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", right - left, bottom - top);
  const ivorel::MonoBitmap label = host_->render_label(text);
  const int labelLeft = (right - label.width + left) / 2;
  const int labelTop = (bottom - label.height + top) / 2;
  for (int y = 0; y < label.height; ++y) {
    for (int x = 0; x < label.width; ++x) {
      if (label.at(x, y)) invert(surface, labelLeft + x, labelTop + y);
    }
  }
}

void ImageWndFunctions::EvLButtonDown(unsigned, POINT point) {
  if (!cropArmed || cropDragging) return;
  cropDragging = 1;
  cropStart = cropCurrent = point;
  if (host_) {
    host_->capture_mouse(true);
    host_->confine_cursor(true);
  }
}

void ImageWndFunctions::EvMouseMove(unsigned, POINT point) {
  if (!cropDragging) return;
  DrawCropBand(cropCurrent);
  DrawCropBand(point);
  cropCurrent = point;
}

void ImageWndFunctions::EvLButtonUp(unsigned, POINT point) {
  if (!cropDragging || !cropArmed) return;
  cropDragging = 0;
  cropArmed = 0;
  if (host_) {
    host_->capture_mouse(false);
    host_->confine_cursor(false);
  }
  // Take the band off the screen: a crop too small to run leaves the picture as it is.
  DrawCropBand(cropCurrent);
  cropEnd = point;
  TProcessImage processor(this);
  processor.EndCrop(cropStart, cropEnd);
}
