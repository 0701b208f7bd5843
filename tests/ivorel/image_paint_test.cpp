// ImageWndFunctions: painting against the display object's own output, the hatched background, where the
// image lies, and the crop rubber band with the crop it ends in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ivorel/processing/processing.h"
#include "tests/ivorel/window_support.h"

using testing_support::make_descriptor;
using testing_support::MemoryHost;

namespace {

constexpr std::uint32_t kUnpainted = 0xFF000000u;

std::uint32_t hatch(int x, int y) {
  return (x + y) % 8 == 7 ? 0xC0C0C0u : 0xFFFFFFu;
}

// What a paint of the whole client area leaves on the host's surface.
void paint(ImageWndFunctions& w, MemoryHost& host) {
  draw::WindowDC dc(&host);
  w.EvEraseBkGnd(dc.get());
  RECT all = host.client_rect();
  w.Paint(all, 0);
}

// The display's own picture of the image in a window of the same client size, painted directly.
DeviceBitmap reference(const _IMAGEDESCRIPTOR& image, const RECT& client, bool clip, short zoom, POINT origin,
                       bool aspect) {
  Display display;
  display.InitForDisplay(image.width, image.height,
                         draw::colours_for_display(image.bitsPerPixel, image.colors), image.imageData,
                         const_cast<RGBCOLOR*>(image.palette), 1);
  if (clip) {
    display.SetClipMode();
  } else {
    display.SetStretchMode();
  }
  display.SetZoom(zoom);
  // Painted twice, on black and on white: a pixel that differs is one the display left alone.
  DeviceBitmap painted[2];
  for (int i = 0; i < 2; ++i) {
    draw::MemoryWindow window(client.right, client.bottom, 32);
    std::fill(window.surface().pixels.begin(), window.surface().pixels.end(), i ? 0xFFFFFFu : 0u);
    RECT rect = client;
    if (aspect) {
      display.DisplayImageWithAspect(&window, 0);
    } else {
      display.DisplayImage(&window, origin, rect, 0);
    }
    painted[i] = window.surface();
  }
  for (std::size_t i = 0; i < painted[0].pixels.size(); ++i) {
    if (painted[0].pixels[i] != painted[1].pixels[i]) painted[0].pixels[i] = kUnpainted;
  }
  return painted[0];
}

// Every pixel: what the display paints, and elsewhere the hatch; the hatch covers at least everything
// outside `image`.
void expect_painted(const DeviceBitmap& got, const DeviceBitmap& want, const RECT& image) {
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  for (int y = 0; y < got.height; ++y) {
    for (int x = 0; x < got.width; ++x) {
      const bool inside = x >= image.left && x < image.right && y >= image.top && y < image.bottom;
      if (want.at(x, y) == kUnpainted) {
        ASSERT_FALSE(inside) << x << "," << y;
        ASSERT_EQ(got.at(x, y), hatch(x, y)) << x << "," << y;
      } else {
        ASSERT_EQ(got.at(x, y), want.at(x, y)) << x << "," << y;
      }
    }
  }
}

}  // namespace

TEST(ImagePaint, ToScaleAtEachZoomMatchesTheDisplayAndHatchesTheRest) {
  struct Case {
    short zoom;
    int scrollX, scrollY;
  };
  for (const Case c : {Case{1, 0, 0}, Case{2, 7, 3}, Case{-2, 0, 0}, Case{4, 90, 0}}) {
    MemoryHost host(180, 120);
    ImageWndFunctions w(&host, make_descriptor(61, 45, 8, 256, 4));
    if (c.zoom == 2) w.EvViewZoom2X();
    if (c.zoom == -2) w.EvViewZoomIn2X();
    if (c.zoom == 4) w.EvViewZoom4X();
    host.bars[0].position = std::min(c.scrollX, host.bars[0].max);
    host.bars[1].position = std::min(c.scrollY, host.bars[1].max);
    const POINT origin{host.bars[0].position, host.bars[1].position};
    paint(w, host);
    const RECT client = host.client_rect();
    // The background bands start at the displayed size, whatever the scroll position.
    const int shownW = ivorel::displayed_extent(c.zoom, 61), shownH = ivorel::displayed_extent(c.zoom, 45);
    SCOPED_TRACE(c.zoom);
    expect_painted(host.surface, reference(w.image, client, true, c.zoom, origin, false),
                   RECT{0, 0, std::min<int>(shownW, client.right), std::min<int>(shownH, client.bottom)});
  }
}

TEST(ImagePaint, FitFillsTheClientAreaAndAspectHatchesTheBands) {
  MemoryHost host(150, 100);
  ImageWndFunctions w(&host, make_descriptor(40, 60, 24, 0, 9));
  w.EvViewToFit();
  paint(w, host);
  const RECT client = host.client_rect();
  expect_painted(host.surface, reference(w.image, client, false, 1, {0, 0}, false), client);

  w.EvViewToFitAspect();
  RECT r;
  w.GetImageRect(r);
  // 40 x 60 in 150 x 100: the image spans the height, centred.
  EXPECT_EQ(r.left, static_cast<int>(150 - 100 * (40.0 / 60) + 1) / 2);
  EXPECT_EQ(r.right, static_cast<int>(100 * (40.0 / 60) + 150 + 1) / 2);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 100);
  paint(w, host);
  expect_painted(host.surface, reference(w.image, client, false, 1, {0, 0}, true), r);
}

TEST(ImagePaint, ImageRectangleArithmetic) {
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(200, 100, 24, 0));
  w.EvViewToFitAspect();
  RECT r;
  w.GetImageRect(r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.top, 25);  // (100 - 50 + 1) / 2
  EXPECT_EQ(r.bottom, 75);

  // A sliver: both edges come out at 5, and the second moves on by one.
  ImageWndFunctions sliver(&host, make_descriptor(1000, 1, 24, 0));
  sliver.EvViewToFitAspect();
  host.innerW = host.innerH = 10;
  sliver.GetImageRect(r);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.bottom, 6);

  // To scale: shifted by the scroll position.
  ImageWndFunctions scaled(&host, make_descriptor(30, 20, 24, 0));
  host.bars[0] = {0, 100, 12};
  host.bars[1] = {0, 100, 3};
  scaled.EvViewZoom2X();
  host.bars[0].position = 12;
  host.bars[1].position = 3;
  scaled.GetImageRect(r);
  EXPECT_EQ(r.left, -12);
  EXPECT_EQ(r.top, -3);
  EXPECT_EQ(r.right, 48);
  EXPECT_EQ(r.bottom, 37);

  w.EvViewToFit();
  w.GetImageRect(r);
  EXPECT_EQ(r.right, host.client_rect().right);
}

namespace {

// A host that remembers the labels it was asked to draw.
class LabelHost : public MemoryHost {
 public:
  using MemoryHost::MemoryHost;
  ivorel::MonoBitmap render_label(const std::string& text) override {
    labels.push_back(text);
    return MemoryHost::render_label(text);
  }
  std::vector<std::string> labels;
};

void fill_pattern(DeviceBitmap& s) {
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) s.at(x, y) = static_cast<std::uint32_t>(x * 0x010203 + y * 0x030201);
}

// The band from (l, t) to (r, b) inverted onto `s` the straightforward way.
void invert_band(DeviceBitmap& s, int l, int t, int r, int b) {
  std::vector<std::vector<int>> flips(s.height, std::vector<int>(s.width, 0));
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x)
      if (x == l || x == r - 1 || y == t || y == b - 1) flips[y][x] = 1;
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", r - l, b - t);
  const ivorel::MonoBitmap label = ivorel::render_builtin_label(text);
  const int lx = (r - label.width + l) / 2, ly = (b - label.height + t) / 2;
  for (int y = 0; y < label.height; ++y)
    for (int x = 0; x < label.width; ++x)
      if (label.at(x, y) && lx + x >= 0 && ly + y >= 0 && lx + x < s.width && ly + y < s.height)
        flips[ly + y][lx + x] ^= 1;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (flips[y][x]) s.at(x, y) ^= 0xFFFFFF;
}

}  // namespace

TEST(CropBand, DrawsByInversionWithItsSizeLabelAndRemovesItself) {
  LabelHost host(120, 90);
  ImageWndFunctions w(&host, make_descriptor(60, 45, 24, 0));
  fill_pattern(host.surface);
  const DeviceBitmap original = host.surface;

  // Not armed: a drag does nothing.
  w.EvLButtonDown(0, {10, 10});
  w.EvMouseMove(0, {60, 40});
  EXPECT_EQ(w.cropDragging, 0);
  EXPECT_EQ(host.surface.pixels, original.pixels);

  w.EnableCropping();
  w.EvLButtonDown(0, {70, 50});
  EXPECT_TRUE(host.captured);
  EXPECT_TRUE(host.confined);
  w.EvMouseMove(0, {10, 12});
  DeviceBitmap want = original;
  invert_band(want, 10, 12, 70, 50);
  EXPECT_EQ(host.surface.pixels, want.pixels);
  ASSERT_FALSE(host.labels.empty());
  EXPECT_EQ(host.labels.back(), "60x38");

  // The next move takes the old band away and draws the new one; a line has no band.
  w.EvMouseMove(0, {100, 80});
  want = original;
  invert_band(want, 70, 50, 100, 80);
  EXPECT_EQ(host.surface.pixels, want.pixels);
  w.EvMouseMove(0, {70, 80});
  EXPECT_EQ(host.surface.pixels, original.pixels);
  w.EvMouseMove(0, {-30, 200});  // outside the window while captured
  w.EvLButtonUp(0, {-30, 200});
  EXPECT_EQ(host.surface.pixels, original.pixels);
  EXPECT_FALSE(host.captured);
  EXPECT_FALSE(host.confined);
  EXPECT_EQ(w.cropArmed, 0);
  EXPECT_EQ(w.cropEnd.x, -30);

  // One drag per arming.
  w.EvLButtonDown(0, {5, 5});
  EXPECT_EQ(w.cropDragging, 0);
}

TEST(CropBand, BuiltInLabelFont) {
  const ivorel::MonoBitmap label = ivorel::render_builtin_label("10x2");
  EXPECT_EQ(label.width, 2 + 4 * 6 - 1);
  EXPECT_EQ(label.height, 9);
  int set = 0;
  for (std::uint8_t p : label.pixels) set += p;
  EXPECT_EQ(set, 10 + 19 + 9 + 14);  // '1', '0', 'x', '2'
  EXPECT_EQ(ivorel::render_builtin_label("").width, 0);
}

namespace {

// Drags a crop in a window showing the image to fit, with the undo store the child window keeps.
struct CropWindow {
  CropWindow(int clientW, int clientH, _IMAGEDESCRIPTOR d)
      : host(clientW, clientH), w(&host, d), undo(w, w.menuUpdate) {
    host.set_property(ivorel::kUndoStoreProperty, &undo);
    w.EvViewToFit();
    before.assign(w.image.imageData, w.image.imageData + w.image.imageSize);
  }
  void drag(POINT from, POINT to) {
    TProcessImage(&w).BeginCrop();
    w.EvLButtonDown(0, from);
    w.EvMouseMove(0, to);
    w.EvLButtonUp(0, to);
  }
  // The crop taken the straightforward way.
  std::vector<unsigned char> expected(int left, int bottom, int cropW, int cropH, int bits, int oldW,
                                      int oldH) const {
    const std::uint32_t row = ivorel::row_bytes(cropW, bits), oldRow = ivorel::row_bytes(oldW, bits);
    std::vector<unsigned char> out(static_cast<std::size_t>(row) * cropH, 0);
    for (int r = 0; r < cropH; ++r) {
      const std::size_t src = static_cast<std::size_t>(oldH - 1 - bottom + r) * oldRow;
      for (std::uint32_t i = 0; i < row; ++i) {
        const std::size_t at = bits == 24 ? 3 * left + i : bits * left / 8 + i;
        if ((bits == 24 && i >= 3u * cropW) || at >= oldRow) continue;
        out[r * row + i] = before[src + at];
      }
    }
    return out;
  }
  std::vector<unsigned char> pixels() const {
    return {w.image.imageData, w.image.imageData + w.image.imageSize};
  }

  MemoryHost host;
  ImageWndFunctions w;
  COperationUndoRedo undo;
  std::vector<unsigned char> before;
};

}  // namespace

TEST(CropBand, EndsInACropOfTheStretchedImage) {
  CropWindow c(400, 200, make_descriptor(200, 100, 8, 256, 5));
  c.w.dirty = 0;
  c.drag({200, 120}, {26, 20});
  // Left 200 x 26 / 400 = 13 goes down to 8; top 10, bottom 60; width 200 x 200 / 400 - 8 + 1.
  ASSERT_EQ(c.w.image.width, 93);
  ASSERT_EQ(c.w.image.height, 51);
  EXPECT_EQ(c.w.image.imageSize, 96u * 51);
  EXPECT_EQ(c.pixels(), c.expected(8, 60, 93, 51, 8, 200, 100));
  EXPECT_EQ(c.w.dirty, 1);
  EXPECT_EQ(c.w.display->GetWidth(), 93);
  EXPECT_EQ(c.w.image.palette[7].red, 7);
  // The crop went through the undo store.
  ASSERT_EQ(c.undo.ICanUndo(), 1);
  ASSERT_EQ(c.undo.DoUndo(), 1);
  EXPECT_EQ(c.w.image.width, 200);
}

TEST(CropBand, CropsEveryDepthInsideItsRows) {
  {  // 24 bits, corners beyond the window: the whole picture.
    CropWindow c(100, 50, make_descriptor(37, 23, 24, 0, 6));
    c.drag({-40, -40}, {500, 500});
    ASSERT_EQ(c.w.image.width, 37);
    ASSERT_EQ(c.w.image.height, 23);
    EXPECT_EQ(c.pixels(), c.expected(0, 22, 37, 23, 24, 37, 23));
  }
  {  // 1 bit up to the right edge: the padded crop row would reach past the last source row.
    CropWindow c(128, 64, make_descriptor(128, 64, 1, 2, 7));
    c.drag({9, 0}, {127, 63});
    ASSERT_EQ(c.w.image.width, 120);
    EXPECT_EQ(c.pixels(), c.expected(8, 63, 120, 64, 1, 128, 64));
  }
  {  // 4 bits.
    CropWindow c(50, 50, make_descriptor(50, 50, 4, 16, 8));
    c.drag({17, 3}, {40, 30});
    ASSERT_EQ(c.w.image.width, 41 - 16);
    EXPECT_EQ(c.pixels(), c.expected(16, 30, 25, 28, 4, 50, 50));
  }
}

TEST(CropBand, ACropUnderTenPixelsOnlyRepaints) {
  CropWindow c(200, 200, make_descriptor(200, 200, 24, 0));
  c.w.dirty = 0;
  const int invalidations = c.host.invalidations;
  c.drag({16, 20}, {24, 220});  // 9 x 180 after clamping
  EXPECT_EQ(c.w.image.width, 200);
  EXPECT_EQ(c.pixels(), c.before);
  EXPECT_EQ(c.w.dirty, 0);
  EXPECT_EQ(c.host.invalidations, invalidations + 1);
  EXPECT_FALSE(c.host.lastErase);
}

TEST(ImagePaint, TheBackgroundKeepsToTheClipRegionAndNoImagePaintsNothing) {
  MemoryHost host(64, 48);
  ImageWndFunctions w(&host, make_descriptor(20, 10, 24, 0));
  {
    draw::WindowDC dc(&host);
    dc.get()->clip = draw::Region{{RECT{30, 5, 40, 20}}};
    w.EvEraseBkGnd(dc.get());
  }
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool inClip = x >= 30 && x < 40 && y >= 5 && y < 20;
      ASSERT_EQ(host.surface.at(x, y), inClip ? hatch(x, y) : 0u) << x << "," << y;
    }
  }
  // Without an image (a failed load) a paint leaves the window to its background.
  testing_support::ScriptedMessageBox boxes;
  ImageWndFunctions none(&host, "/nonexistent.bmp");
  std::fill(host.surface.pixels.begin(), host.surface.pixels.end(), 0u);
  RECT all = host.client_rect();
  none.Paint(all, 0);
  EXPECT_EQ(std::count(host.surface.pixels.begin(), host.surface.pixels.end(), 0u), 64 * 48);
}
