// Mirrors, quarter turns, resizing and canvas enlargement against plain loops written from their rules, and
// the edge cases that catch real faults: palette images' direction through the reversed working copy, the
// shape change of a promoted image, sizes that no descriptor can hold.
#include <gtest/gtest.h>

#include <cmath>

#include "ivorel/processing/drawing_colours.h"
#include "processing_support.h"
#include "tests/support/test_support.h"

using namespace testing_support;
using Outcome = ivorel::Outcome;

namespace {

// The colour of stored pixel (x, y) (row 0 = the first stored row), through the palette for palette images.
std::uint32_t colour_at(const TestImage& image, int x, int y) {
  const _IMAGEDESCRIPTOR& d = image.object.image;
  const unsigned char* row = d.imageData + static_cast<std::size_t>(y) * image.stride();
  if (d.bitsPerPixel == 24) return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
  const int bit = x * d.bitsPerPixel;
  const int index = (row[bit / 8] >> (8 - d.bitsPerPixel - bit % 8)) & ((1 << d.bitsPerPixel) - 1);
  const RGBCOLOR& c = d.palette[index];
  return c.red << 16 | c.green << 8 | c.blue;
}

// Every stored pixel's colour, row by row.
std::vector<std::uint32_t> picture(const TestImage& image) {
  std::vector<std::uint32_t> p;
  for (int y = 0; y < image.object.image.height; ++y)
    for (int x = 0; x < image.object.image.width; ++x) p.push_back(colour_at(image, x, y));
  return p;
}

// A palette image with distinct, well-separated palette entries and random pixels.
struct PaletteImage : TestImage {
  PaletteImage(int w, int h, int bits, unsigned seed)
      : TestImage(w, h, bits, 1 << bits, random_bytes(ivorel::row_bytes(w, bits) * h, seed)) {
    const int colours = 1 << bits;
    for (int i = 0; i < colours; ++i)
      object.image.palette[i] =
          RGBCOLOR{static_cast<unsigned char>(i * 255 / (colours - 1)),
                   static_cast<unsigned char>(255 - i * 13 % 256), static_cast<unsigned char>(i * 77 % 256)};
  }
};

Outcome run(TestImage& image, void (TProcessImage::*op)()) {
  TProcessImage processor(&image.object);
  (processor.*op)();
  return processor.LastOutcome();
}

template <typename Op>
Outcome run_ex(TestImage& image, const _IMAGE_PROC_DATA& block, Op op) {
  return run_with_block(image, block, op);
}

// A stored buffer of `w` x `h` at `bytes` per pixel whose pixels come from `pixel(x, y, out)`.
template <typename F>
std::vector<unsigned char> build(int w, int h, int bytes, F pixel) {
  const std::uint32_t stride = ivorel::row_bytes(w, bytes * 8);
  std::vector<unsigned char> out(static_cast<std::size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixel(x, y, &out[y * stride + x * bytes]);
  return out;
}

TEST(Flip, BothDirectionsMatchTheReferenceAndRestoreWhenRepeated) {
  for (int bits : {8, 24}) {
    const int w = 37, h = 21, bytes = bits / 8;
    TestImage image(w, h, bits, bits == 8 ? 256 : 0, random_bytes(ivorel::row_bytes(w, bits) * h, 5));
    const std::vector<unsigned char> before = image.pixels();
    const std::uint32_t s = image.stride();
    const auto mirrored = build(w, h, bytes, [&](int x, int y, unsigned char* p) {
      std::memcpy(p, &before[y * s + (w - 1 - x) * bytes], bytes);
    });
    const auto upsideDown = build(w, h, bytes, [&](int x, int y, unsigned char* p) {
      std::memcpy(p, &before[(h - 1 - y) * s + x * bytes], bytes);
    });
    ASSERT_EQ(run(image, &TProcessImage::FlipHorz), Outcome::Ran);
    // Padding is not part of the picture; the reference leaves it zero.
    std::vector<unsigned char> got = image.pixels();
    for (int y = 0; y < h; ++y) std::fill(got.begin() + y * s + w * bytes, got.begin() + (y + 1) * s, 0);
    EXPECT_EQ(got, mirrored) << bits;
    run(image, &TProcessImage::FlipHorz);
    EXPECT_EQ(image.pixels(), before);
    run(image, &TProcessImage::FlipVert);
    got = image.pixels();
    for (int y = 0; y < h; ++y) std::fill(got.begin() + y * s + w * bytes, got.begin() + (y + 1) * s, 0);
    EXPECT_EQ(got, upsideDown) << bits;
    run(image, &TProcessImage::FlipVert);
    EXPECT_EQ(image.pixels(), before);
  }
}

TEST(Flip, PaletteImagesMirrorTheStoredPictureThroughTheReversedCopy) {
  for (int bits : {1, 4}) {
    PaletteImage image(13, 7, bits, 11);
    const std::vector<std::uint32_t> before = picture(image);
    ASSERT_EQ(run(image, &TProcessImage::FlipHorz), Outcome::Ran);
    EXPECT_EQ(image.object.image.bitsPerPixel, bits);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(colour_at(image, x, y), before[y * 13 + 12 - x]) << bits;
    ASSERT_EQ(run(image, &TProcessImage::FlipVert), Outcome::Ran);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(colour_at(image, x, y), before[(6 - y) * 13 + 12 - x]) << bits;
  }
}

// The turns' rule in buffer order: d != 0 takes new(c, r) = old(r, h - 1 - c); d = 0 new(c, r) = old(w - 1 -
// r, c).
std::vector<unsigned char> turned(const std::vector<unsigned char>& old, int w, int h, int bytes, int d) {
  const std::uint32_t s = ivorel::row_bytes(w, bytes * 8);
  return build(h, w, bytes, [&](int c, int r, unsigned char* p) {
    const int x = d ? r : w - 1 - r, y = d ? h - 1 - c : c;
    std::memcpy(p, &old[y * s + x * bytes], bytes);
  });
}

TEST(QuarterTurn, MatchesTheReferenceAndDescribesTheNewShape) {
  for (int bits : {8, 24}) {
    const int w = 70, h = 131, bytes = bits / 8;  // more than one tile, odd paddings both ways
    TestImage image(w, h, bits, bits == 8 ? 256 : 0, random_bytes(ivorel::row_bytes(w, bits) * h, 7));
    const std::vector<unsigned char> before = image.pixels();
    ASSERT_EQ(run(image, &TProcessImage::RotateCW), Outcome::Ran);
    const _IMAGEDESCRIPTOR& d = image.object.image;
    EXPECT_EQ(d.width, h);
    EXPECT_EQ(d.height, w);
    EXPECT_EQ(d.imageSize, w * ivorel::row_bytes(h, bits));
    EXPECT_EQ(image.pixels(), turned(before, w, h, bytes, 0)) << bits;
    const std::vector<unsigned char> cw = image.pixels();
    ASSERT_EQ(run(image, &TProcessImage::RotateCCW), Outcome::Ran);
    EXPECT_EQ(image.pixels(), turned(cw, h, w, bytes, 1)) << bits;
  }
}

TEST(QuarterTurn, ClockwiseOnScreenPutsTheTopLeftPixelAtTheTopRight) {
  // 3 x 2, bottom row first: the top-left pixel is stored in row 1, column 0.
  std::vector<unsigned char> pixels(ivorel::row_bytes(3, 24) * 2, 0);
  pixels[ivorel::row_bytes(3, 24) + 0] = 200;
  TestImage image(3, 2, 24, 0, pixels);
  ASSERT_EQ(run(image, &TProcessImage::RotateCW), Outcome::Ran);
  ASSERT_EQ(image.object.image.width, 2);
  ASSERT_EQ(image.object.image.height, 3);
  EXPECT_EQ(colour_at(image, 1, 2), 200u) << "top row is stored last; its right pixel";
}

TEST(QuarterTurn, PaletteImagesTurnLikeTrueColourAndComeBackAfterFourTurns) {
  for (int bits : {1, 4}) {
    PaletteImage image(19, 10, bits, 3);
    const std::vector<std::uint32_t> before = picture(image);
    // The same picture at 24 bits, turned the same way, says where each pixel belongs.
    std::vector<unsigned char> rgb = build(19, 10, 3, [&](int x, int y, unsigned char* p) {
      const std::uint32_t c = before[y * 19 + x];
      p[0] = c & 255, p[1] = c >> 8 & 255, p[2] = c >> 16;
    });
    TestImage truecolour(19, 10, 24, 0, rgb);
    run(truecolour, &TProcessImage::RotateCW);
    ASSERT_EQ(run(image, &TProcessImage::RotateCW), Outcome::Ran);
    EXPECT_EQ(image.object.image.bitsPerPixel, bits);
    EXPECT_EQ(image.object.image.width, 10);
    EXPECT_EQ(image.object.image.imageSize, 19 * ivorel::row_bytes(10, bits));
    EXPECT_EQ(picture(image), picture(truecolour)) << bits;
    for (int i = 0; i < 3; ++i) run(image, &TProcessImage::RotateCW);
    EXPECT_EQ(image.object.image.width, 19);
    EXPECT_EQ(picture(image), before) << bits;
  }
}

// The resize rules of the Part: nearest samples, or the four-pixel blend when a true-colour image grows.
std::vector<unsigned char> resized(const std::vector<unsigned char>& old, int w, int h, int bytes, int nw,
                                   int nh) {
  const std::uint32_t s = ivorel::row_bytes(w, bytes * 8);
  const bool grows = nw > w || nh > h;
  return build(nw, nh, bytes, [&](int x, int y, unsigned char* p) {
    if (bytes == 1 || !grows) {
      std::memcpy(p, &old[(y * h / nh) * s + (x * w / nw) * bytes], bytes);
      return;
    }
    const double sx = static_cast<double>(w) * x / nw, sy = static_cast<double>(h) * y / nh;
    const int ix = static_cast<int>(sx), iy = static_cast<int>(sy);
    if (ix > w - 3 || iy > h - 3) return;  // black
    const double fx = sx - ix, fy = sy - iy;
    for (int k = 0; k < 3; ++k) {
      const double v =
          (1 - fx) * (1 - fy) * old[iy * s + ix * 3 + k] + fx * (1 - fy) * old[iy * s + ix * 3 + 3 + k] +
          (1 - fx) * fy * old[(iy + 1) * s + ix * 3 + k] + fx * fy * old[(iy + 1) * s + ix * 3 + 3 + k] + 0.5;
      p[k] = static_cast<unsigned char>(v);
    }
  });
}

TEST(Resize, ShrinkingAndGrowingMatchTheReference) {
  struct Case {
    int bits, w, h, nw, nh;
  };
  for (const Case& c : {Case{24, 41, 29, 17, 13}, Case{24, 41, 29, 90, 31}, Case{24, 41, 29, 30, 64},
                        Case{8, 41, 29, 90, 11}, Case{8, 41, 29, 7, 77}}) {
    TestImage image(c.w, c.h, c.bits, c.bits == 8 ? 256 : 0,
                    random_bytes(ivorel::row_bytes(c.w, c.bits) * c.h, c.nw));
    const std::vector<unsigned char> before = image.pixels();
    image.object.procData = nullptr;
    _IMAGE_PROC_DATA block = block_of({{1, c.nw}, {2, c.nh}});
    image.object.procData = &block;
    TProcessImage processor(&image.object);
    processor.Resize();
    image.object.procData = nullptr;
    ASSERT_EQ(processor.LastOutcome(), Outcome::Ran);
    EXPECT_EQ(image.object.image.width, c.nw);
    EXPECT_EQ(image.object.image.height, c.nh);
    EXPECT_EQ(image.pixels(), resized(before, c.w, c.h, c.bits / 8, c.nw, c.nh))
        << c.bits << " " << c.nw << "x" << c.nh;
  }
}

TEST(Resize, HalvingPicksEverySecondPixelAndDoublingLeavesTheLastTwoSourceLinesBlack) {
  TestImage image(200, 100, 24, 0, random_bytes(ivorel::row_bytes(200, 24) * 100, 9));
  const std::vector<unsigned char> before = image.pixels();
  _IMAGE_PROC_DATA half = block_of({{1, 100}, {2, 50}});
  image.object.procData = &half;
  TProcessImage(&image.object).Resize();
  const std::uint32_t s = ivorel::row_bytes(200, 24), ns = ivorel::row_bytes(100, 24);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(std::memcmp(&image.pixels()[y * ns + 3 * x], &before[2 * y * s + 6 * x], 3), 0)
          << x << "," << y;

  _IMAGE_PROC_DATA twice = block_of({{1, 200}, {2, 100}});
  image.object.procData = &twice;
  TProcessImage(&image.object).Resize();
  image.object.procData = nullptr;
  // Source columns and rows 98 and 99 are beyond the blend's reach: new columns and rows from 196 on.
  for (int y = 0; y < 100; ++y) EXPECT_EQ(colour_at(image, 196, y), 0u) << y;
  for (int x = 0; x < 200; ++x) EXPECT_EQ(colour_at(image, x, 97), 0u) << x;
  EXPECT_NE(colour_at(image, 10, 10), 0u);
}

TEST(Resize, ScalePositionsAndTheBlockWordThatSelectsThem) {
  EXPECT_FLOAT_EQ(ScaleFromPosition(150), 3.0f);
  EXPECT_FLOAT_EQ(ScaleFromPosition(-150), 1.0f / 3);
  EXPECT_FLOAT_EQ(ScaleFromPosition(50), 1.5f);
  EXPECT_FLOAT_EQ(ScaleFromPosition(0), 1.0f);
  EXPECT_FLOAT_EQ(ScaleFromPosition(1000), 20.0f);
  EXPECT_FLOAT_EQ(ScaleFromPosition(-1000), 0.05f);

  // Word 1 alone does not give a size: word 11 (x 100 = position 50, factor 1.5) does.
  TestImage image(40, 20, 24, 0, random_bytes(ivorel::row_bytes(40, 24) * 20, 2));
  _IMAGE_PROC_DATA block = block_of({{1, 640}, {2, 0}});
  block.SetFloat(11, 0.5f);
  image.object.procData = &block;
  TProcessImage(&image.object).Resize();
  EXPECT_EQ(image.object.image.width, 60);
  EXPECT_EQ(image.object.image.height, 30);
  // A tiny picture shrunk by 1/20 keeps one pixel rather than vanishing.
  TestImage tiny(10, 3, 8, 256);
  block.SetFloat(11, -10.0f);
  tiny.object.procData = &block;
  TProcessImage(&tiny.object).Resize();
  EXPECT_EQ(tiny.object.image.width, 1);
  EXPECT_EQ(tiny.object.image.height, 1);
  tiny.object.procData = image.object.procData = nullptr;
}

// Answers the resize dialog as its OK would: a new size in explicit mode and the resolutions.
class ResizeAnswer : public pcore::ParameterDialogService {
 public:
  ResizeAnswer() { pcore::install_parameter_dialogs(this); }
  ~ResizeAnswer() override { pcore::install_parameter_dialogs(nullptr); }
  int run(pcore::ParameterRequest& request) override {
    if (request.dialog != pcore::ParameterDialog::ResizeControl || !request.resize) return pcore::kIdCancel;
    seen = *request.resize;
    if (!ok) return pcore::kIdCancel;
    request.resize->scaleMode = 0;
    request.resize->width = 25;
    request.resize->height = 9;
    request.resize->xResolution = 300;
    request.resize->yResolution = 150;
    return pcore::kIdOk;
  }
  bool ok = true;
  _RESIZE_PARAM seen;
};

TEST(Resize, DialogRecordAndPaletteDepths) {
  ResizeAnswer dialog;
  PaletteImage image(31, 17, 4, 8);
  ASSERT_EQ(run(image, &TProcessImage::Resize), Outcome::Ran);
  EXPECT_EQ(dialog.seen.width, 31);
  EXPECT_EQ(dialog.seen.height, 17);
  EXPECT_EQ(dialog.seen.xResolution, 72);
  EXPECT_FLOAT_EQ(dialog.seen.scale, 1.0f);
  const _IMAGEDESCRIPTOR& d = image.object.image;
  EXPECT_EQ(d.width, 25);
  EXPECT_EQ(d.height, 9);
  EXPECT_EQ(d.bitsPerPixel, 4);
  EXPECT_EQ(d.imageSize, 9 * ivorel::row_bytes(25, 4));
  EXPECT_EQ(d.xResolution, 300);
  EXPECT_EQ(d.yResolution, 150);
  dialog.ok = false;
  const std::vector<unsigned char> before = image.pixels();
  EXPECT_EQ(run(image, &TProcessImage::Resize), Outcome::Declined);
  EXPECT_EQ(image.pixels(), before);
  EXPECT_EQ(image.object.image.bitsPerPixel, 4);
}

TEST(Resize, SizesNoDescriptorCanHoldAreRefusedWithTheMemoryMessage) {
  testing_support::RecordingMessageBox messages;
  TestImage image(40, 20, 24, 0, random_bytes(ivorel::row_bytes(40, 24) * 20, 2));
  const std::vector<unsigned char> before = image.pixels();
  _IMAGE_PROC_DATA block = block_of({{1, 70000}, {2, 5}});
  image.object.procData = &block;
  TProcessImage processor(&image.object);
  processor.Resize();
  image.object.procData = nullptr;
  EXPECT_EQ(processor.LastOutcome(), Outcome::Failed);
  EXPECT_EQ(image.pixels(), before);
  EXPECT_EQ(image.object.image.width, 40);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], "No memory available for resizing image");
  EXPECT_EQ(messages.captions[0], "User Advisory");
}

_IMAGE_PROC_DATA canvas_block(int anchor, int fill, float fw, float fh) {
  _IMAGE_PROC_DATA b = block_of({{1, anchor}, {2, fill}});
  b.SetFloat(11, fw);
  b.SetFloat(12, fh);
  return b;
}

const auto enlarge = [](TProcessImageEx& p) { p.EnlargeCanvas(); };

TEST(EnlargeCanvas, EveryAnchorAndFillMatchesTheReference) {
  ivorel::set_first_colour(0x112233);
  ivorel::set_second_colour(0x445566);
  const int w = 9, h = 5, nw = 15, nh = 8;  // trunc(9 x 1.7) = 15, trunc(5 x 1.7) = 8
  for (int anchor = 0; anchor <= 9; ++anchor) {
    for (int fill = 0; fill <= 4; ++fill) {
      TestImage image(w, h, 24, 0, random_bytes(ivorel::row_bytes(w, 24) * h, anchor * 7 + fill));
      const std::vector<unsigned char> before = image.pixels();
      ASSERT_EQ(run_ex(image, canvas_block(anchor, fill, 1.7f, 1.7f), enlarge), Outcome::Ran);
      const int dx = nw - w, dy = nh - h;
      const int ox[] = {0, dx / 2, dx, 0, dx / 2, dx, 0, dx / 2, dx, dx / 2};
      const int oy[] = {dy, dy, dy, dy / 2, dy / 2, dy / 2, 0, 0, 0, dy / 2};
      const std::uint32_t s = ivorel::row_bytes(w, 24), ns = ivorel::row_bytes(nw, 24);
      std::vector<unsigned char> want(ns * nh, fill == 1 ? 255 : 0);
      for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x) {
          unsigned char* p = &want[y * ns + 3 * x];
          const int px = x - ox[anchor], py = y - oy[anchor];
          if (px >= 0 && px < w && py >= 0 && py < h) {
            std::memcpy(p, &before[py * s + 3 * px], 3);
          } else if (fill == 2 || fill == 3) {
            const std::uint32_t c = fill == 2 ? 0x112233 : 0x445566;  // red in the low byte
            p[0] = c >> 16, p[1] = c >> 8 & 255, p[2] = c & 255;
          }
        }
      EXPECT_EQ(image.object.image.width, nw);
      EXPECT_EQ(image.object.image.height, nh);
      EXPECT_EQ(image.pixels(), want) << "anchor " << anchor << " fill " << fill;
    }
  }
  ivorel::set_first_colour(0);
  ivorel::set_second_colour(0);
}

TEST(EnlargeCanvas, SameOrSmallerSizesDoNothing) {
  TestImage image(20, 10, 8, 256, random_bytes(ivorel::row_bytes(20, 8) * 10, 1));
  const std::vector<unsigned char> before = image.pixels();
  for (auto [fw, fh] : {std::pair{1.0f, 1.0f}, {2.0f, 0.9f}, {0.5f, 3.0f}}) {
    EXPECT_EQ(run_ex(image, canvas_block(4, 1, fw, fh), enlarge), Outcome::Declined);
    EXPECT_EQ(image.pixels(), before);
    EXPECT_EQ(image.object.image.width, 20);
  }
  // Extents beyond 16 bits cannot be described: nothing happens either.
  EXPECT_EQ(run_ex(image, canvas_block(4, 1, 4000.0f, 1.0f), enlarge), Outcome::Declined);
  EXPECT_EQ(image.object.image.width, 20);
}

TEST(EnlargeCanvas, PackedPicturesLandOnTheirColumn) {
  // Offsets that fall inside a byte: a 21 x 11 1-bit picture centred on 63 columns starts at column 21.
  const struct {
    int bits, w, h, anchor;
    float factor;
  } cases[] = {{1, 21, 11, 4, 3.0f}, {1, 13, 5, 5, 2.0f}, {1, 8, 3, 4, 2.0f},
               {4, 21, 11, 4, 3.0f}, {4, 7, 4, 8, 2.0f},  {4, 6, 2, 4, 2.0f}};
  for (const auto& c : cases) {
    TestImage image(c.w, c.h, c.bits, 1 << c.bits,
                    random_bytes(ivorel::row_bytes(c.w, c.bits) * c.h, static_cast<unsigned>(c.w)));
    for (int i = 0; i < (1 << c.bits); ++i)
      image.object.image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i * 16 + 1), 0, 0};
    image.object.image.palette[0] = RGBCOLOR{0, 0, 0};
    std::vector<std::uint32_t> before;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) before.push_back(colour_at(image, x, y));
    ASSERT_EQ(run_ex(image, canvas_block(c.anchor, 0, c.factor, c.factor), enlarge), Outcome::Ran);
    const int nw = image.object.image.width, nh = image.object.image.height;
    const int ox = c.anchor == 4 ? (nw - c.w) / 2 : nw - c.w;
    const int oy = c.anchor == 4 ? (nh - c.h) / 2 : c.anchor == 8 ? 0 : (nh - c.h) / 2;
    for (int y = 0; y < nh; ++y)
      for (int x = 0; x < nw; ++x) {
        const int px = x - ox, py = y - oy;
        const bool inside = px >= 0 && px < c.w && py >= 0 && py < c.h;
        ASSERT_EQ(colour_at(image, x, y), inside ? before[py * c.w + px] : 0u)
            << c.bits << "-bit " << c.w << "x" << c.h << " at " << x << "," << y;
      }
  }
}

TEST(EnlargeCanvas, PaletteFillsAndThePartialLastByte) {
  // Fill 0 of a 4-bit image: the darkest entry (index 6 here) in every new pixel.
  PaletteImage image(5, 3, 4, 4);
  for (int i = 0; i < 16; ++i)
    image.object.image.palette[i] = RGBCOLOR{200, 200, static_cast<unsigned char>(i)};
  image.object.image.palette[6] = RGBCOLOR{10, 0, 0};
  const std::vector<std::uint32_t> before = picture(image);
  ASSERT_EQ(run_ex(image, canvas_block(6, 0, 3.0f, 2.0f), enlarge), Outcome::Ran);
  ASSERT_EQ(image.object.image.width, 15);
  ASSERT_EQ(image.object.image.height, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 15; ++x) {
      const std::uint32_t want = x < 5 && y < 3 ? before[y * 5 + x] : 0x0A0000;
      ASSERT_EQ(colour_at(image, x, y), want) << x << "," << y;
    }

  // 1 bit, picture 3 pixels wide: the rest of its last byte keeps the fill (the brightest entry).
  TestImage mono(3, 2, 1, 2, {0x40, 0, 0, 0, 0xA0, 0, 0, 0});
  mono.object.image.palette[0] = RGBCOLOR{0, 0, 0};
  mono.object.image.palette[1] = RGBCOLOR{255, 255, 255};
  ASSERT_EQ(run_ex(mono, canvas_block(0, 1, 4.0f, 1.5f), enlarge), Outcome::Ran);
  ASSERT_EQ(mono.object.image.width, 12);
  EXPECT_EQ(mono.pixels()[0], 0xFF) << "rows above the picture: white";
  EXPECT_EQ(mono.pixels()[4], 0x5F) << "picture row 0 (0 1 0), then white";
  EXPECT_EQ(mono.pixels()[8], 0xBF) << "picture row 1 (1 0 1), then white";

  // Fill 3 picks the entry nearest the second colour.
  ivorel::set_second_colour(0x0000F0);  // red 0xF0
  PaletteImage eight(4, 4, 8, 6);
  eight.object.image.colors = 3;
  eight.object.image.palette[0] = RGBCOLOR{0, 0, 0};
  eight.object.image.palette[1] = RGBCOLOR{250, 0, 0};
  eight.object.image.palette[2] = RGBCOLOR{255, 255, 255};
  // Only the width grows: that is enough. Anchored bottom right, the bottom row starts with the fill.
  ASSERT_EQ(run_ex(eight, canvas_block(8, 3, 2.0f, 1.0f), enlarge), Outcome::Ran);
  EXPECT_EQ(eight.object.image.width, 8);
  EXPECT_EQ(eight.pixels()[0], 1);
  ivorel::set_second_colour(0);
}

}  // namespace
