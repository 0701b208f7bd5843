// Page layout: where each layout puts the image and its name on the page, the zoom list, and what reaches
// the page device.
#include <gtest/gtest.h>

#include <cstring>

#include "ivorel/windows/page_image.h"

namespace {

struct Drawn {
  RECT dest;
  RECT clip;
  int bits;
  int entries;
};

class RecordingPage : public ivorel::PageDevice {
 public:
  void SetClip(const RECT* clip) override { clip_ = clip ? *clip : RECT{}; }
  int StretchDIB(const RECT& dest, const BITMAPINFO* info, const void* bits) override {
    images.push_back({dest, clip_, info->bmiHeader.biBitCount, static_cast<int>(info->bmiHeader.biClrUsed)});
    return bits ? info->bmiHeader.biHeight : 0;
  }
  void Caption(const RECT& band, const std::string& text, int points) override {
    captions.push_back(band);
    texts.push_back(text);
    EXPECT_EQ(points, 12);
  }
  std::vector<Drawn> images;
  std::vector<RECT> captions;
  std::vector<std::string> texts;

 private:
  RECT clip_{};
};

struct TestImage {
  _IMAGEDESCRIPTOR d{};
  std::vector<unsigned char> pixels;
  TestImage(int w, int h, int bits = 24, int colors = 0, int resolution = 100) {
    d.width = static_cast<unsigned short>(w);
    d.height = static_cast<unsigned short>(h);
    d.bitsPerPixel = static_cast<unsigned short>(bits);
    d.colors = static_cast<unsigned short>(colors);
    d.xResolution = d.yResolution = static_cast<unsigned short>(resolution);
    pixels.assign(dib_stride(w, bits) * h, 0x5A);
    d.imageData = pixels.data();
    d.imageSize = static_cast<std::uint32_t>(pixels.size());
  }
};

bool same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// The fit exactly as stated: start from the whole side and step down one unit until the other side fits.
RECT reference_fit(const RECT& area, int w, int h) {
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  int fw, fh;
  if (w < h) {
    fh = ah;
    while (w * fh / h > aw) --fh;
    fw = w * fh / h;
  } else {
    fw = aw;
    while (h * fw / w > ah) --fw;
    fh = h * fw / w;
  }
  const int left = area.left + (aw - fw) / 2, top = area.top + (ah - fh) / 2;
  return RECT{left, top, left + fw, top + fh};
}

}  // namespace

// Letter paper with half-inch margins leaves the 750 x 1000 printable area of the examples, at (50, 50).
TEST(PageLayout, PlacesEachLayoutOnThePage) {
  struct Case {
    const char* what;
    int w, h, resolution, layout, zoom, caption;
    RECT image;
    RECT caption_band;
    bool clipped;
  };
  const RECT none{};
  const Case cases[] = {
      {"best fit, landscape, centred vertically", 200, 100, 100, 0, 1, 0, {50, 362, 800, 737}, none, false},
      {"best fit, portrait", 100, 400, 100, 0, 1, 0, {300, 50, 550, 1050}, none, false},
      {"best fit ignores resolution and zoom", 200, 100, 300, 0, 8, 0, {50, 362, 800, 737}, none, false},
      {"stretch fills the printable area", 30, 900, 100, 1, 1, 0, {50, 50, 800, 1050}, none, false},
      {"scale -4 at 100 dpi: 2 inches", 800, 400, 100, 2, -4, 0, {50, 50, 250, 150}, none, false},
      {"scale -4 at 200 dpi: 1 inch", 800, 400, 200, 2, -4, 0, {50, 50, 150, 100}, none, false},
      {"scale 2, no resolution", 100, 50, 0, 2, 2, 0, {50, 50, 250, 150}, none, false},
      {"scale past the page is clipped", 400, 300, 100, 2, 4, 0, {50, 50, 1650, 1250}, none, true},
      {"name at the bottom", 200, 100, 100, 1, 1, 2, {50, 50, 800, 970}, {50, 970, 800, 1050}, false},
      {"name on top", 200, 100, 100, 2, 1, 1, {50, 130, 250, 230}, {50, 50, 800, 130}, false},
      {"best fit below a name on top",
       100,
       100,
       100,
       0,
       1,
       1,
       {50, 215, 800, 965},
       {50, 50, 800, 130},
       false},
  };
  for (const Case& c : cases) {
    TestImage img(c.w, c.h, 24, 0, c.resolution);
    PageImage page("Pictaro Layout Page", img.d, "wheel.bmp", {c.layout, c.zoom, c.caption});
    const ivorel::PagePlacement p = page.Placement(ivorel::letter_paper());
    EXPECT_TRUE(p.problem.empty()) << c.what;
    EXPECT_TRUE(same(p.image, c.image)) << c.what << ": " << show(p.image);
    EXPECT_EQ(p.hasCaption, c.caption != 0) << c.what;
    if (c.caption) {
      EXPECT_TRUE(same(p.caption, c.caption_band)) << c.what << ": " << show(p.caption);
    }
    EXPECT_EQ(p.clipped, c.clipped) << c.what;

    RecordingPage device;
    ASSERT_EQ(page.DrawPage(device, ivorel::letter_paper()), 1) << c.what;
    ASSERT_EQ(device.images.size(), 1u);
    EXPECT_TRUE(same(device.images[0].dest, c.image)) << c.what << ": " << show(device.images[0].dest);
    EXPECT_TRUE(same(device.images[0].clip, p.area)) << c.what;
    ASSERT_EQ(device.texts.size(), c.caption ? 1u : 0u) << c.what;
    if (c.caption) {
      EXPECT_EQ(device.texts[0], "wheel.bmp");
    }
  }
}

TEST(PageLayout, RefusesPagesThatWouldPrintNothing) {
  struct Case {
    const char* what;
    int w, layout, zoom, caption, leftMargin, topMargin;
  };
  const Case cases[] = {
      {"margins meet across the paper", 100, 0, 1, 0, 8000, 500},
      {"margins pass each other", 100, 1, 1, 0, 500, 11000},
      {"no room beside the name", 100, 0, 1, 2, 500, 10000},
      {"1/128 of a 10-pixel image", 10, 2, -128, 0, 500, 500},
  };
  for (const Case& c : cases) {
    TestImage img(c.w, 10);
    ivorel::PageSetup setup = ivorel::letter_paper();
    setup.left = c.leftMargin;
    setup.top = c.topMargin;
    PageImage page("t", img.d, "n", {c.layout, c.zoom, c.caption});
    RecordingPage device;
    std::string problem;
    EXPECT_EQ(page.DrawPage(device, setup, &problem), 0) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;
    EXPECT_TRUE(device.images.empty()) << c.what;
  }
}

TEST(PageLayout, PrintableRectangleInLowEnglish) {
  ivorel::PageSetup setup{8500, 11000, 1234, 567, 999, 1001};
  const RECT r = ivorel::printable_rect(setup);
  EXPECT_TRUE(same(r, RECT{123, -56, 750, -999})) << show(r);
}

TEST(PageLayout, FitKeepingAspectMatchesTheStepwiseSearch) {
  for (int aw : {1, 7, 750, 1001}) {
    for (int ah : {1, 9, 1000, 333}) {
      for (int w : {1, 2, 3, 200, 799, 4000}) {
        for (int h : {1, 5, 100, 801, 3999}) {
          const RECT area{10, 20, 10 + aw, 20 + ah};
          const RECT got = PageImage::FitKeepingAspect(area, w, h);
          ASSERT_TRUE(same(got, reference_fit(area, w, h)))
              << aw << "x" << ah << " image " << w << "x" << h << ": " << show(got);
        }
      }
    }
  }
}

TEST(PageLayout, ZoomListRunsFrom1Over128To128) {
  const int want[ivorel::kZoomEntries] = {-128, -64, -32, -16, -8, -4, -2, 1, 2, 4, 8, 16, 32, 64, 128};
  for (int i = 0; i < ivorel::kZoomEntries; ++i) {
    EXPECT_EQ(ivorel::zoom_of_entry(i), want[i]);
    EXPECT_EQ(ivorel::entry_of_zoom(want[i]), i);
  }
  for (int zoom : {0, -1, 3, 256, -256}) EXPECT_EQ(ivorel::entry_of_zoom(zoom), -1) << zoom;
  EXPECT_EQ(ivorel::zoom_entry_text(7), "100%");
  EXPECT_EQ(ivorel::zoom_entry_text(9), "400%");
  EXPECT_EQ(ivorel::zoom_entry_text(5), "1/4 (25%)");
}

TEST(PageLayout, BitmapHeaderFollowsTheStoredDepth) {
  struct Case {
    int bits, colors, wantBits, wantEntries;
  };
  const Case cases[] = {{24, 0, 24, 0},   {1, 2, 1, 2},   {4, 4, 4, 4},     {4, 16, 4, 16},
                        {8, 256, 8, 256}, {8, 16, 8, 16}, {8, 300, 8, 256}, {8, 0, 24, 0}};
  for (const Case& c : cases) {
    TestImage img(13, 3, c.bits == 8 && c.colors == 0 ? 24 : c.bits, c.colors);
    img.d.bitsPerPixel = static_cast<unsigned short>(c.bits);
    img.d.palette[1] = RGBCOLOR{10, 20, 30};
    RecordingPage device;
    EXPECT_EQ(PageImage::PrintImage(device, img.d, RECT{0, 0, 100, -100}, 0, 0), 1);
    ASSERT_EQ(device.images.size(), 1u);
    EXPECT_EQ(device.images[0].bits, c.wantBits) << c.bits << "/" << c.colors;
    EXPECT_EQ(device.images[0].entries, c.wantEntries) << c.bits << "/" << c.colors;
    if (c.wantEntries > 1) {
      const std::vector<std::uint8_t> header = PageImage::BitmapHeader(img.d);
      const RGBQUAD& q = reinterpret_cast<const BITMAPINFO*>(header.data())->bmiColors[1];
      EXPECT_EQ(q.rgbBlue, 30);
      EXPECT_EQ(q.rgbRed, 10);
    }
  }
}

TEST(PageLayout, LogicalPaletteKeepsAtMost256Entries) {
  RGBCOLOR colours[300];
  for (int i = 0; i < 300; ++i) colours[i] = RGBCOLOR{static_cast<unsigned char>(i), 2, 3};
  EXPECT_EQ(PageImage::CreateLogicalPalette(colours, 0), nullptr);
  HPALETTE p = PageImage::CreateLogicalPalette(colours, 300);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->entries.size(), 256u);
  EXPECT_EQ(p->entries[200].peRed, 200);
  EXPECT_EQ(p->entries[200].peBlue, 3);
  DeleteObject(p);
}

TEST(PageLayout, PageKeepsItsOwnPixels) {
  TestImage img(4, 4);
  PageImage page("t", img.d, "n", {});
  img.pixels.assign(img.pixels.size(), 0);  // the window changes or frees its image
  ASSERT_NE(page.Image().imageData, img.d.imageData);
  EXPECT_EQ(page.Image().imageData[0], 0x5A);
}
