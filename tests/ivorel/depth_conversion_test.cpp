// Colour depth conversions: promotion and dithering against plain loops written from their arithmetic,
// the median cut's promises, and depth changes that must leave the image whole when memory runs out.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "depth_reference.h"
#include "platform/core/memblock_testing.h"
#include "processing_support.h"

using testing_support::block_of;
using testing_support::run_with_block;
using testing_support::ScriptedDialogs;
using testing_support::TestImage;
using Outcome = ivorel::Outcome;

namespace {

int index_at(const unsigned char* row, int x, int depth) {
  const int bit = x * depth;
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
}

TEST(Dither, EveryDepthMatchesTheReferenceLoop) {
  struct Case {
    int depth, width, height;
    void (*run)(TProcessImageEx&);
  };
  const Case cases[] = {{8, 37, 23, [](TProcessImageEx& p) { p.Dither(); }},
                        {8, 1, 2, [](TProcessImageEx& p) { p.Dither(); }},
                        {4, 29, 17, [](TProcessImageEx& p) { p.Dither14(); }},
                        {1, 45, 9, [](TProcessImageEx& p) { p.Dither14(); }},
                        {1, 7, 1, [](TProcessImageEx& p) { p.Dither14(); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " bits " << c.width << "x" << c.height);
    TestImage image(c.width, c.height, 24, 0,
                    testing_support::random_bytes(ivorel::row_bytes(c.width, 24) * c.height, c.width));
    const auto want = depth_reference::dither(image.object.image.imageData, c.width, c.height, c.depth);
    EXPECT_EQ(run_with_block(image, block_of({{1, c.depth}}), c.run), Outcome::Ran);
    const _IMAGEDESCRIPTOR& d = image.object.image;
    EXPECT_EQ(d.bitsPerPixel, c.depth);
    EXPECT_EQ(d.colors, c.depth == 8 ? 256 : 1 << c.depth);
    EXPECT_EQ(d.imageSize, want.size());
    EXPECT_EQ(image.pixels(), want);
    EXPECT_EQ(image.object.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], c.depth);
  }
}

TEST(Dither, PlainColoursAndGrey) {
  struct Case {
    unsigned char b, g, r;
    int depth;
    int first;  // index of the first pixel
    int last;   // and of the last one
  };
  // White and red sit on the palette (no error); grey 128 becomes white and darkens what follows.
  const Case cases[] = {{255, 255, 255, 8, 255, 255}, {0, 0, 255, 8, 224, 224}, {128, 128, 128, 1, 1, 0}};
  for (const Case& c : cases) {
    std::vector<unsigned char> px;
    for (int i = 0; i < 8; ++i) px.insert(px.end(), {c.b, c.g, c.r});
    TestImage image(4, 2, 24, 0, px);
    run_with_block(image, block_of({{1, c.depth}}),
                   [&](TProcessImageEx& p) { c.depth == 8 ? p.Dither() : p.Dither14(); });
    const unsigned char* rows = image.object.image.imageData;
    EXPECT_EQ(index_at(rows, 0, c.depth), c.first);
    EXPECT_EQ(index_at(rows, 1, c.depth), c.last);
    if (c.depth == 8) {
      EXPECT_EQ(image.colours_used().size(), 1u);
    }
  }
}

TEST(DitherHelper, PromotesPaletteImagesAndLeavesShallowOnesAlone) {
  struct Case {
    int bits, mode, wantBits;
    bool untouched;
  };
  const Case cases[] = {{4, 2, 8, false},  {1, 2, 1, true},  {8, 0, 1, false},
                        {24, 1, 4, false}, {4, 1, 4, false}, {8, 7, 8, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, mode " << c.mode);
    TestImage image(13, 5, c.bits, c.bits == 24 ? 0 : 1 << c.bits,
                    testing_support::random_bytes(ivorel::row_bytes(13, c.bits) * 5, 3));
    for (int i = 0; i < 256; ++i) image.object.image.palette[i] = {static_cast<unsigned char>(i), 0, 255};
    const auto before = image.pixels();
    run_with_block(image, block_of({{1, c.mode}}), [](TProcessImageEx& p) { p.DitherHelper(); });
    EXPECT_EQ(image.object.image.bitsPerPixel, c.wantBits);
    if (c.untouched) {
      EXPECT_EQ(image.pixels(), before);
    }
  }
}

// Promotion of every palette depth through a plain look-up loop.
TEST(Promote, EveryDepthThroughItsPalette) {
  for (int depth : {1, 2, 4, 8}) {
    SCOPED_TRACE(depth);
    const int w = 19, h = 6;
    TestImage image(w, h, depth, 1 << depth,
                    testing_support::random_bytes(ivorel::row_bytes(w, depth) * h, depth));
    RGBCOLOR* pal = image.object.image.palette;
    for (int i = 0; i < 256; ++i)
      pal[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                static_cast<unsigned char>(i * 7)};
    if (depth == 1) pal[0] = {0, 0, 0}, pal[1] = {255, 255, 255};
    std::vector<unsigned char> want(ivorel::row_bytes(w, 24) * h);
    const auto in = image.pixels();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const RGBCOLOR c = pal[index_at(&in[y * ivorel::row_bytes(w, depth)], x, depth)];
        unsigned char* o = &want[y * ivorel::row_bytes(w, 24) + 3 * x];
        o[0] = c.blue, o[1] = c.green, o[2] = c.red;
      }
    TProcessImage(&image.object).PromoteTo24BPP(0);
    EXPECT_EQ(image.object.image.bitsPerPixel, 24);
    EXPECT_EQ(image.object.image.colors, 0);
    EXPECT_EQ(image.pixels(), want);
  }
}

TEST(Promote, MaskPromotionLeavesTheImageAndItsUndoAlone) {
  TestImage image(6, 3, 24, 0, testing_support::random_bytes(ivorel::row_bytes(6, 24) * 3, 9));
  EXPECT_EQ(COperationUndoRedo::ConvertAlphaTo24Bits(nullptr), 0);
  ASSERT_EQ(image.object.alpha.CreateDefaultAlpha(image.object), 1);
  EXPECT_EQ(COperationUndoRedo::ConvertAlphaTo24Bits(&image.object), 1);  // already 24-bit
  _IMAGEDESCRIPTOR& mask = image.object.alpha.descriptor;
  ivorel::free_image_block(mask);
  mask.bitsPerPixel = 8;
  mask.colors = 256;
  mask.imageSize = ivorel::row_bytes(6, 8) * 3;
  mask.hImageData = GlobalAlloc(mask.imageSize);
  mask.imageData = static_cast<unsigned char*>(GlobalLock(mask.hImageData));
  mask.imageData[0] = 200;
  for (int i = 0; i < 256; ++i)
    mask.palette[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                       static_cast<unsigned char>(i)};
  const auto before = image.pixels();
  EXPECT_EQ(COperationUndoRedo::ConvertAlphaTo24Bits(&image.object), 1);
  EXPECT_EQ(mask.bitsPerPixel, 24);
  EXPECT_EQ(mask.imageData[0], 200);
  EXPECT_EQ(image.object.menuUpdateAlpha.item[_MENUUPDATE::kBitsPerPixel], 24);
  EXPECT_EQ(image.object.image.bitsPerPixel, 24);
  EXPECT_EQ(image.pixels(), before);
}

TEST(Quantize, MatchesTheReferenceLoop) {
  struct Case {
    int width, height, colours;
    bool smooth;  // a gradient, whose boxes split evenly; else noise
  };
  const Case cases[] = {{64, 48, 256, false}, {33, 20, 17, false}, {50, 40, 256, true},
                        {7, 3, 2, true},      {5, 5, 1, false},    {1, 1, 256, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " to " << c.colours);
    auto px = testing_support::random_bytes(ivorel::row_bytes(c.width, 24) * c.height, c.width);
    if (c.smooth)
      for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
          unsigned char* p = &px[y * ivorel::row_bytes(c.width, 24) + 3 * x];
          p[0] = static_cast<unsigned char>(x * 5), p[1] = static_cast<unsigned char>(y * 6),
          p[2] = static_cast<unsigned char>(p[2] % 16 + 100);
        }
    TestImage image(c.width, c.height, 24, 0, px);
    const auto want = depth_reference::quantize(px.data(), c.width, c.height, c.colours);
    EXPECT_EQ(run_with_block(image, block_of({{1, c.colours}}), [](TProcessImageEx& p) { p.Quantize(); }),
              Outcome::Ran);
    EXPECT_EQ(image.pixels(), want.rows);
    EXPECT_EQ(std::memcmp(image.object.image.palette, want.palette, sizeof want.palette), 0);
  }
}

TEST(Quantize, TenColoursKeepTheirPlaceAndTheBrightestBecomesWhite) {
  const int w = 40, h = 10;
  std::vector<unsigned char> px(ivorel::row_bytes(w, 24) * h);
  // Ten colours whose brightest component is 120.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &px[y * ivorel::row_bytes(w, 24) + 3 * x];
      const int k = x % 10;
      p[0] = static_cast<unsigned char>(12 * k), p[1] = static_cast<unsigned char>(120 - 12 * k), p[2] = 40;
    }
  TestImage image(w, h, 24, 0, px);
  EXPECT_EQ(run_with_block(image, block_of({{1, 256}}), [](TProcessImageEx& p) { p.Quantize(); }),
            Outcome::Ran);
  const _IMAGEDESCRIPTOR& d = image.object.image;
  EXPECT_EQ(d.bitsPerPixel, 8);
  EXPECT_EQ(d.colors, 256);
  int brightest = 0;
  for (int i = 0; i < 256; ++i)
    brightest = std::max({brightest, int{d.palette[i].red}, int{d.palette[i].green}, int{d.palette[i].blue}});
  EXPECT_EQ(brightest, 255);
  for (int i = 10; i < 256; ++i) EXPECT_EQ(d.palette[i].red + d.palette[i].green + d.palette[i].blue, 0) << i;
  // Each colour keeps an index of its own, and the same colour always gets the same index.
  std::map<int, int> indexOf;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int index = d.imageData[y * ivorel::row_bytes(w, 8) + x];
      auto [it, fresh] = indexOf.emplace(x % 10, index);
      EXPECT_EQ(it->second, index);
    }
  std::set<int> distinct;
  for (auto [colour, index] : indexOf) distinct.insert(index);
  EXPECT_EQ(distinct.size(), 10u);
  // Darkest first: the index order follows 30 r + 59 g + 11 b of the colours.
  for (int i = 0; i + 1 < 10; ++i) {
    auto key = [&](int j) {
      return 30 * d.palette[j].red + 59 * d.palette[j].green + 11 * d.palette[j].blue;
    };
    EXPECT_LE(key(i), key(i + 1));
  }
}

TEST(Quantize, RefusesWhatItCannotDoAndLeavesTheImage) {
  struct Case {
    int bits, colours;
    long allowedAllocations;
  };
  const Case cases[] = {{24, 0, -1}, {24, 257, -1}, {8, 64, -1}, {24, 64, 0}, {24, 64, 1}};
  for (const Case& c : cases) {
    TestImage image(9, 4, c.bits, c.bits == 24 ? 0 : 256,
                    testing_support::random_bytes(ivorel::row_bytes(9, c.bits) * 4, 1));
    const auto before = image.pixels();
    pcore::refuse_allocations_after(c.allowedAllocations);
    const Outcome o =
        run_with_block(image, block_of({{1, c.colours}}), [](TProcessImageEx& p) { p.Quantize(); });
    pcore::refuse_allocations_after(-1);
    EXPECT_NE(o, Outcome::Ran);
    EXPECT_EQ(image.object.image.bitsPerPixel, c.bits);
    EXPECT_EQ(image.pixels(), before);
  }
}

TEST(Quantize, RandomImageMapsEveryPixelNearItsColour) {
  const int w = 64, h = 48;
  TestImage image(w, h, 24, 0, testing_support::random_bytes(ivorel::row_bytes(w, 24) * h, 77));
  const auto before = image.pixels();
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({true, {64}});
  TProcessImageEx(&image.object).Quantize();
  const _IMAGEDESCRIPTOR& d = image.object.image;
  ASSERT_EQ(d.bitsPerPixel, 8);
  EXPECT_EQ(d.colors, 64);
  std::set<int> used;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) used.insert(d.imageData[y * ivorel::row_bytes(w, 8) + x]);
  EXPECT_EQ(used.size(), 64u);
  EXPECT_LT(*used.rbegin(), 64);
}

// Through the library's conversion, and whole again whenever an allocation on the way fails.
TEST(SetBPP, EveryTargetAndEveryFailedAllocation) {
  struct Case {
    int bits, word, wantBits;
  };
  const Case cases[] = {{24, 2, 8}, {24, 0, 1}, {24, 1, 4}, {8, 3, 24}, {4, 2, 8}, {8, 2, 8}};
  for (const Case& c : cases) {
    bool ran = false;
    for (long allowed = 0; allowed < 12 && !ran; ++allowed) {
      SCOPED_TRACE(testing::Message() << c.bits << " -> " << c.wantBits << ", allocations " << allowed);
      TestImage image(21, 7, c.bits, c.bits == 24 ? 0 : 1 << c.bits,
                      testing_support::random_bytes(ivorel::row_bytes(21, c.bits) * 7, 5));
      for (int i = 0; i < 256; ++i) image.object.image.palette[i] = {static_cast<unsigned char>(i), 9, 9};
      const auto before = image.pixels();
      pcore::refuse_allocations_after(allowed);
      const Outcome o =
          run_with_block(image, block_of({{1, c.word}}), [](TProcessImageEx& p) { p.SetBPP(); });
      pcore::refuse_allocations_after(-1);
      const _IMAGEDESCRIPTOR& d = image.object.image;
      if (o == Outcome::Ran) {
        EXPECT_EQ(d.bitsPerPixel, c.wantBits);
        EXPECT_EQ(d.imageSize, ivorel::row_bytes(21, c.wantBits) * 7);
        if (c.bits < c.wantBits) {
          // Widening loses nothing.
          const auto colours = image.colours_used();
          EXPECT_LE(colours.size(), 1u << c.bits);
        }
        ran = true;
        continue;
      }
      EXPECT_EQ(d.bitsPerPixel, c.bits);
      EXPECT_EQ(image.pixels(), before);
      EXPECT_EQ(d.palette[5].red, 5);
      if (c.bits == c.wantBits) break;
    }
    EXPECT_EQ(ran, c.bits != c.wantBits) << c.bits << " -> " << c.wantBits;
  }
}

TEST(SetBPP, DialogOffersTheImageAndCancelLeavesIt) {
  TestImage image(21, 7, 24, 0, testing_support::random_bytes(ivorel::row_bytes(21, 24) * 7, 2));
  std::strcpy(image.object.name, "/tmp/photo.bmp");
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({false, {}});
  dialogs.answers.push_back({true, {4}});
  TProcessImageEx(&image.object).SetBPP();
  EXPECT_EQ(image.object.image.bitsPerPixel, 24);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const pcore::ParameterRequest& r = dialogs.requests[0];
  EXPECT_EQ(r.dialog, pcore::ParameterDialog::BitsPerPixel);
  EXPECT_EQ(r.description, "/tmp/photo.bmp");
  EXPECT_EQ(*r.integers[0], 24);
  EXPECT_EQ(*r.integers[1], 21);
  EXPECT_EQ(r.imageBytes, image.object.image.imageSize);
  TProcessImageEx(&image.object).SetBPP();
  EXPECT_EQ(image.object.image.bitsPerPixel, 4);
  EXPECT_EQ(image.object.image.colors, 16);
}

}  // namespace
