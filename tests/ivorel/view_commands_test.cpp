// ImageWndFunctions: the view commands with their menu records, the scroll ranges they set and scrolling.
#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/ivorel/window_support.h"

using testing_support::make_descriptor;
using testing_support::MemoryHost;

namespace {

// A record with the given indices 1 and every other one of the first twenty 0.
std::vector<int> record(std::initializer_list<int> ones) {
  std::vector<int> r(20, 0);
  for (int i : ones) r[i] = 1;
  return r;
}

std::vector<int> items(const _MENUUPDATE& m) {
  return std::vector<int>(m.item, m.item + 20);
}

ivorel::ScrollState horizontal(const MemoryHost& h) {
  return h.scroll_state(ivorel::ScrollBar::Horizontal);
}
ivorel::ScrollState vertical(const MemoryHost& h) {
  return h.scroll_state(ivorel::ScrollBar::Vertical);
}

}  // namespace

TEST(ViewCommands, EachCommandRewritesTheMenuRecordAndTellsTheFrame) {
  MemoryHost host(200, 150);
  ImageWndFunctions w(&host, make_descriptor(300, 100, 8, 256));
  const std::vector<int> zoomEnables{8, 10, 12, 14, 16, 18};
  EXPECT_EQ(items(w.menuUpdate), record({0, 1, 2, 4, 6, 7, 8, 10, 12, 14, 16, 18}));
  EXPECT_EQ(w.menuUpdate.item[20], 8);

  w.EvViewToFit();
  EXPECT_EQ(items(w.menuUpdate), record({0, 2, 3, 4, 7}));
  EXPECT_EQ(items(host.lastMenu), items(w.menuUpdate));
  EXPECT_EQ(w.view.viewMode, 2);
  EXPECT_EQ(w.display->IsClipMode(), 0);
  EXPECT_TRUE(host.lastErase);

  w.EvViewToFitAspect();
  EXPECT_EQ(items(w.menuUpdate), record({0, 2, 4, 5, 7}));
  EXPECT_EQ(w.view.viewMode, 3);

  w.EvViewToScale();
  EXPECT_EQ(items(w.menuUpdate), record({0, 1, 2, 4, 6, 7, 8, 10, 12, 14, 16, 18}));
  EXPECT_EQ(w.view.viewMode, 1);
  EXPECT_EQ(w.display->IsClipMode(), 1);

  w.EvViewZoom4X();
  EXPECT_EQ(items(w.menuUpdate), record({1, 6, 8, 10, 11, 12, 14, 16, 18}));
  EXPECT_EQ(w.display->GetZoom(), 4);
  w.EvViewZoomIn8X();
  EXPECT_EQ(items(w.menuUpdate), record({1, 6, 8, 10, 12, 14, 16, 18, 19}));
  EXPECT_EQ(w.view.zoom, -8);
  EXPECT_EQ(w.display->GetZoom(), -8);

  w.EvViewNormal();
  EXPECT_EQ(items(w.menuUpdate), record({0, 1, 2, 4, 6, 7, 8, 10, 12, 14, 16, 18}));
  EXPECT_EQ(w.view.zoom, 1);
  EXPECT_EQ(w.display->GetZoom(), 1);
  EXPECT_EQ(w.menuUpdate.item[20], 8);
  EXPECT_EQ(host.menuUpdates, 6);
}

TEST(ViewCommands, NormalSizeReturnsToTheStateOfTheFirstZoom) {
  MemoryHost host(200, 150);
  ImageWndFunctions w(&host, make_descriptor(64, 64, 24, 0));
  w.EvViewZoom2X();
  EXPECT_EQ(w.view.preZoomViewMode, 1);
  EXPECT_EQ(w.view.preZoomClip, 1);
  // Whatever happens between two zooms, the second does not overwrite what the first remembered.
  w.view.viewMode = 3;
  w.display->SetStretchMode();
  w.EvViewZoom8X();
  EXPECT_EQ(w.view.preZoomViewMode, 1);
  EXPECT_EQ(w.view.preZoomClip, 1);
  w.EvViewNormal();
  EXPECT_EQ(w.view.viewMode, 1);
  EXPECT_EQ(w.display->IsClipMode(), 1);
  EXPECT_EQ(w.view.preZoomViewMode, 0);

  // A zoom begun from a stretched view goes back to it.
  w.EvViewToFit();
  w.EvViewZoomIn2X();
  EXPECT_EQ(w.view.preZoomViewMode, 2);
  EXPECT_EQ(w.view.preZoomClip, 0);
  w.EvViewNormal();
  EXPECT_EQ(w.view.viewMode, 2);
  EXPECT_EQ(w.display->IsClipMode(), 0);
  EXPECT_FALSE(horizontal(host).shown());
  EXPECT_FALSE(vertical(host).shown());
}

TEST(ViewCommands, FittingAZoomedViewEndsTheZoom) {
  // Tiling sends "fit with aspect" to every window, zoomed or not: the record must leave a way back.
  MemoryHost host(200, 150);
  ImageWndFunctions w(&host, make_descriptor(64, 64, 24, 0));
  w.EvViewZoom4X();
  w.EvViewToFitAspect();
  EXPECT_EQ(items(w.menuUpdate), record({0, 2, 4, 5, 7}));
  EXPECT_EQ(w.view.zoom, 1);
  EXPECT_EQ(w.view.preZoomViewMode, 0);
  EXPECT_EQ(w.display->GetZoom(), 1);
  w.EvViewToScale();
  EXPECT_EQ(items(w.menuUpdate), record({0, 1, 2, 4, 6, 7, 8, 10, 12, 14, 16, 18}));

  // Cascading sends "to scale" to a zoomed window: it stays zoomed, and normal size is there.
  w.EvViewZoom2X();
  w.EvViewToScale();
  EXPECT_EQ(w.view.zoom, 2);
  EXPECT_EQ(items(w.menuUpdate), record({1, 6, 8, 9, 10, 12, 14, 16, 18}));
}

TEST(ViewCommands, ScrollRangesAllowForTheBarsTheyShow) {
  MemoryHost host(200, 150);
  ImageWndFunctions w(&host, make_descriptor(300, 100, 24, 0));
  w.EvSize(ivorel::kSizeRestored, {200, 150});
  // Only the width overflows; the horizontal bar takes 16 rows and the height still fits.
  EXPECT_EQ(horizontal(host).max, 100);
  EXPECT_EQ(vertical(host).max, 0);
  EXPECT_EQ(host.client_rect().bottom, 134);

  // At 200 % both overflow; the second pass measures the client area the bars left.
  w.EvViewZoom2X();
  EXPECT_EQ(horizontal(host).max, 600 - 184);
  EXPECT_EQ(vertical(host).max, 200 - 134);

  // A position beyond the new range repaints the whole window, erased.
  host.bars[0].position = 400;
  const int before = host.invalidations;
  w.EvViewNormal();
  EXPECT_EQ(horizontal(host).max, 100);
  EXPECT_EQ(horizontal(host).position, 100);
  EXPECT_EQ(vertical(host).max, 0);
  EXPECT_GE(host.invalidations, before + 2);

  // The fit modes hide both bars; back to scale brings the ranges back.
  w.EvViewToFit();
  EXPECT_FALSE(horizontal(host).shown());
  EXPECT_FALSE(vertical(host).shown());
  w.EvSize(ivorel::kSizeRestored, {200, 150});
  EXPECT_FALSE(horizontal(host).shown());
  w.EvViewToScale();
  EXPECT_EQ(horizontal(host).max, 100);
}

TEST(ViewCommands, DisplayedSizesAreSixteenBitValues) {
  MemoryHost host(30, 200);
  ImageWndFunctions half(&host, make_descriptor(101, 40, 8, 256));
  half.EvViewZoomIn2X();
  EXPECT_EQ(horizontal(host).max, 50 - 30);  // 101 / 2
  EXPECT_EQ(vertical(host).max, 0);

  MemoryHost wide(100, 100);
  ImageWndFunctions w(&wide, make_descriptor(8192, 1, 24, 0));
  w.EvViewZoom8X();
  EXPECT_EQ(ivorel::displayed_extent(8, 8192), 0);
  EXPECT_EQ(horizontal(wide).max, 0);
}

TEST(ViewCommands, ScrollStepsFollowTheClientSizeAndTheZoom) {
  MemoryHost host(320, 64);
  ImageWndFunctions w(&host, make_descriptor(4000, 4000, 1, 2));
  host.bars[0] = {0, 5000, 1000};
  const auto step = [&](int code, int thumb = 0) {
    host.bars[0].position = 1000;
    host.scrolls.clear();
    w.HandleWindowHScroll(code, thumb);
    return horizontal(host).position - 1000;
  };
  EXPECT_EQ(step(ivorel::kScrollLineDown), 21);  // 320 / 16 + 1
  EXPECT_EQ(step(ivorel::kScrollLineUp), -21);
  EXPECT_EQ(step(ivorel::kScrollPageDown), 168);
  EXPECT_EQ(step(ivorel::kScrollPageUp), -168);
  ASSERT_EQ(host.scrolls.size(), 1u);
  EXPECT_EQ(host.scrolls[0].x, 168);  // the contents move the other way
  EXPECT_EQ(host.scrolls[0].y, 0);
  EXPECT_EQ(step(ivorel::kScrollThumbTrack, 1003), 3);
  EXPECT_EQ(step(ivorel::kScrollTop), 0);
  EXPECT_TRUE(host.scrolls.empty());

  w.view.zoom = -4;
  EXPECT_EQ(step(ivorel::kScrollLineDown), 4);
  w.view.zoom = 4;
  EXPECT_EQ(step(ivorel::kScrollLineDown), 21);
  // Magnified, a thumb move of less than one image pixel still moves by one.
  EXPECT_EQ(step(ivorel::kScrollThumbPosition, 1001), 4);
  EXPECT_EQ(step(ivorel::kScrollThumbPosition, 998), -4);
  EXPECT_EQ(step(ivorel::kScrollThumbPosition, 1000), 0);

  // Vertical steps come from the client height: 64 at 800 % steps by the zoom.
  w.view.zoom = 8;
  host.bars[1] = {0, 300, 295};
  const int updates = host.updates;
  w.HandleWindowVScroll(ivorel::kScrollLineDown, 0);
  EXPECT_EQ(vertical(host).position, 300);  // 295 + 8, clamped
  EXPECT_EQ(host.scrolls.back().y, -5);
  EXPECT_EQ(host.updates, updates + 1);
}
