// The effect-buffer filters (box blur, value sharpening, gradient edges, emboss relief, motion blur)
// against plain loops written from their definitions, on whole pictures through the operations and on
// rectangles through the pixel loops, plus their parameter rules.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "filter_support.h"
#include "ivorel/operations/operation_registry.h"
#include "ivorel/processing/byte_quotient.h"
#include "ivorel/processing/hexcone.h"
#include "ivorel/processing/neighbourhood_filters.h"

using namespace testing_support;
using ivorel::PixelRect;
using Outcome = ivorel::Outcome;

namespace {

bool inside(PixelRect r, int x, int y) {
  return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

Picture reference_blur(const Picture& in, PixelRect r, int size) {
  Picture out = in;
  const int half = size / 2;
  for (int y = r.top; y < r.top + r.height; ++y)
    for (int x = r.left; x < r.left + r.width; ++x) {
      long long sum[3] = {0, 0, 0}, count = 0;
      for (int j = -half; j <= half; ++j)
        for (int i = -half; i <= half; ++i) {
          if (!inside(r, x + i, y + j)) continue;
          for (int c = 0; c < 3; ++c) sum[c] += in.at(x + i, y + j)[c];
          ++count;
        }
      for (int c = 0; c < 3; ++c) out.at(x, y)[c] = static_cast<unsigned char>(sum[c] / count);
    }
  return out;
}

Picture reference_sharpen(const Picture& in, int strength) {
  Picture out = in;
  const double s = strength * 0.1;
  const int w = in.width, h = in.height;
  std::vector<double> hue(w * h), sat(w * h), val(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = in.at(x, y);
      ivorel::rgb_to_hsv(p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, hue[y * w + x], sat[y * w + x],
                         val[y * w + x]);
    }
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x) {
      double sum = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) sum += val[(y + dy) * w + x + dx];
      double v = (val[y * w + x] - s * (sum / 9)) / (1 - s);
      if (v < 0 || std::isnan(v)) v = 0;
      if (v > 1) v = 1;
      double rgb[3];
      ivorel::hsv_to_rgb(hue[y * w + x], sat[y * w + x], v, rgb[0], rgb[1], rgb[2]);
      for (int c = 0; c < 3; ++c)
        out.at(x, y)[c] = clamp_to_byte(static_cast<long long>(std::floor(255 * rgb[c] + 0.5)));
    }
  return out;
}

// Gradient edges of the whole picture, the frame black in mode 0, then stretched to the brightest
// luminance.
Picture reference_edges(const Picture& in, int mode) {
  Picture out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const auto P = [&](int dx, int dy) { return int{in.at(x + dx, y + dy)[c]}; };
        unsigned char& o = out.at(x, y)[c];
        if (x == 0 || y == 0 || x == in.width - 1 || y == in.height - 1) {
          o = mode == 1 ? in.at(x, y)[c] : 0;
          continue;
        }
        const int gx = (P(1, -1) + P(1, 0) + P(1, 1)) - (P(-1, -1) + P(-1, 0) + P(-1, 1));
        const int gy = (P(-1, 1) + P(0, 1) + P(1, 1)) - (P(-1, -1) + P(0, -1) + P(1, -1));
        const int e = std::max(std::abs(gx), std::abs(gy)) / 3;
        o = static_cast<unsigned char>(mode == 1 ? (P(0, 0) + e) / 2 : e);
      }
  int m = 0;
  for (std::size_t i = 0; i < out.bytes.size(); i += 3)
    m = std::max(m, (11 * out.bytes[i] + 16 * out.bytes[i + 1] + 5 * out.bytes[i + 2]) >> 5);
  if (m > 0)
    for (unsigned char& b : out.bytes) b = static_cast<unsigned char>(std::min(255, b * 255 / m));
  return out;
}

const int kRelief[8][9] = {
    {-2, -1, 0, -1, 0, 1, 0, 1, 2}, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, {0, -1, -2, 1, 0, -1, 2, 1, 0},
    {1, 0, -1, 2, 0, -2, 1, 0, -1}, {2, 1, 0, 1, 0, -1, 0, -1, -2}, {1, 2, 1, 0, 0, 0, -1, -2, -1},
    {0, 1, 2, -1, 0, 1, -2, -1, 0}, {-1, 0, 1, -2, 0, 2, -1, 0, 1},
};

void reference_relief(const Picture& source, Picture& destination, PixelRect r, int angle) {
  for (int y = r.top + 1; y < r.top + r.height - 1; ++y)
    for (int x = r.left + 1; x < r.left + r.width - 1; ++x)
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int n = 0; n < 9; ++n) s += kRelief[angle][n] * source.at(x + n % 3 - 1, y + n / 3 - 1)[c];
        destination.at(x, y)[c] = clamp_to_byte(destination.at(x, y)[c] + s / 8);
      }
}

// The walk in reading order, in place, as the definition gives it.
void reference_motion(Picture& p, PixelRect r, int dy, int dx, int length) {
  for (int y = r.top; y < r.top + r.height; ++y)
    for (int x = r.left; x < r.left + r.width; ++x) {
      long long sum[3] = {0, 0, 0}, weights = 0, weight = length;
      for (int k = 0; k < length; ++k) {
        const int px = x + k * dx, py = y + k * dy;
        if (px < 0 || py < 0 || px >= p.width || py >= p.height) continue;
        for (int c = 0; c < 3; ++c) sum[c] += weight * p.at(px, py)[c];
        weights += weight--;
      }
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = clamp_to_byte(sum[c] / weights);
    }
}

Picture apply_24(const Picture& picture, const _IMAGE_PROC_DATA& block, void (TProcessImageEx::*op)(),
                 Outcome* outcome = nullptr) {
  auto image = stored_24(picture);
  const Outcome o = run_with_block(*image, block, [&](TProcessImageEx& p) { (p.*op)(); });
  if (outcome) *outcome = o;
  return picture_of(*image);
}

TEST(ByteQuotient, IsTheIntegerQuotientOfEveryByteAverage) {
  // Every numerator an average of bytes can have, for small divisors; the ends and random ones for large.
  for (std::uint64_t d = 1; d <= 300; ++d) {
    const ivorel::ByteQuotient q(d);
    for (std::uint64_t n = 0; n <= 255 * d; ++n) ASSERT_EQ(q(n), n / d) << n << "/" << d;
  }
  std::mt19937_64 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t d = 1 + rng() % (i < 1000 ? 100000 : 40000000);
    const ivorel::ByteQuotient q(d);
    for (std::uint64_t n : {std::uint64_t{0}, d - 1, d, 255 * d - 1, 255 * d, rng() % (255 * d + 1)}) {
      ASSERT_EQ(q(n), n / d) << n << "/" << d;
      if (q.narrow() && n <= UINT32_MAX) {
        ASSERT_EQ((n * q.multiplier()) >> q.shift(), n / d);
      }
    }
  }
}

TEST(BoxBlur, MatchesTheReferenceForEveryWindowAndAtTheCorners) {
  const Picture picture = random_picture(37, 23, 21);
  const PixelRect whole{0, 0, 37, 23};
  for (int size : {3, 5, 9, 29, 51}) {
    EXPECT_EQ(apply_24(picture, block_of({{1, size}}), &TProcessImageEx::Blur),
              reference_blur(picture, whole, size))
        << size;
  }
  // A block's even size takes the next odd window.
  EXPECT_EQ(apply_24(picture, block_of({{1, 4}}), &TProcessImageEx::Blur), reference_blur(picture, whole, 5));
  // The corner of a 3 x 3 blur averages the 4 pixels it has.
  const Picture out = apply_24(picture, block_of({{1, 3}}), &TProcessImageEx::Blur);
  for (int c = 0; c < 3; ++c) {
    const int sum = picture.at(0, 0)[c] + picture.at(1, 0)[c] + picture.at(0, 1)[c] + picture.at(1, 1)[c];
    EXPECT_EQ(out.at(0, 0)[c], sum / 4);
  }
  // A window beyond any size the picture has is its mean everywhere.
  const Picture mean = apply_24(picture, block_of({{1, INT_MAX}}), &TProcessImageEx::Blur);
  long long sum[3] = {0, 0, 0};
  for (std::size_t i = 0; i < picture.bytes.size(); ++i) sum[i % 3] += picture.bytes[i];
  for (std::size_t i = 0; i < mean.bytes.size(); ++i) ASSERT_EQ(mean.bytes[i], sum[i % 3] / (37 * 23));
}

TEST(BoxBlur, RectanglesPaletteImagesAndRefusedSizes) {
  const Picture picture = random_picture(31, 19, 22);
  for (PixelRect r : {PixelRect{3, 2, 20, 11}, PixelRect{0, 5, 31, 1}, PixelRect{30, 0, 1, 19}}) {
    for (int size : {3, 7, 41}) {
      Picture out = picture;
      ASSERT_TRUE(ivorel::box_blur(picture.bytes.data(), out.bytes.data(), 31, r, size, nullptr));
      EXPECT_EQ(out, reference_blur(picture, r, size)) << r.left << "," << r.top << " " << size;
    }
  }
  const Picture gray = random_gray_picture(17, 12, 23);
  auto image = stored_gray_8(gray);
  EXPECT_EQ(run_with_block(*image, block_of({{1, 7}}), [](TProcessImageEx& p) { p.Blur(); }), Outcome::Ran);
  EXPECT_EQ(image->object.image.bitsPerPixel, 8);
  EXPECT_EQ(picture_of(*image), reference_blur(gray, {0, 0, 17, 12}, 7));

  Outcome o;
  EXPECT_EQ(apply_24(picture, block_of({{1, 1}}), &TProcessImageEx::Blur, &o), picture);
  EXPECT_EQ(o, Outcome::Declined);
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({true, {4}});
  dialogs.answers.push_back({true, {5}});
  auto img = stored_24(picture);
  TProcessImageEx p(&img->object);
  p.Blur();
  EXPECT_EQ(p.LastOutcome(), Outcome::Declined) << "the dialog's even size ends the operation";
  EXPECT_EQ(dialogs.requests.at(0).integers[0], 3);
  p.Blur();
  EXPECT_EQ(picture_of(*img), reference_blur(picture, {0, 0, 31, 19}, 5));
}

TEST(Sharpen, MatchesTheReferenceAtEveryStrength) {
  const Picture picture = random_picture(29, 17, 31);
  for (int strength : {0, 1, 3, 5, 9, 10}) {
    EXPECT_EQ(apply_24(picture, block_of({{1, strength}}), &TProcessImageEx::Sharpen),
              reference_sharpen(picture, strength))
        << strength;
  }
  // Strength 10: the value is 1 above the mean and 0 at or below it, so a gray pixel turns white or black.
  const Picture gray = random_gray_picture(9, 8, 32);
  const Picture hard = apply_24(gray, block_of({{1, 10}}), &TProcessImageEx::Sharpen);
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 8; ++x) ASSERT_TRUE(hard.at(x, y)[0] == 0 || hard.at(x, y)[0] == 255);
  Outcome o;
  EXPECT_EQ(apply_24(picture, block_of({{1, 11}}), &TProcessImageEx::Sharpen, &o), picture);
  EXPECT_EQ(o, Outcome::Declined);
  const Picture thin = random_picture(2, 9, 33);
  EXPECT_EQ(apply_24(thin, block_of({{1, 7}}), &TProcessImageEx::Sharpen), thin);
}

TEST(EdgeDetect, MatchesTheReferenceInBothModes) {
  const Picture picture = random_picture(33, 21, 41);
  for (int mode : {0, 1, 2}) {
    EXPECT_EQ(apply_24(picture, block_of({{1, mode}}), &TProcessImageEx::EdgeDetect),
              reference_edges(picture, mode == 1 ? 1 : 0))
        << mode;
  }
  // A flat picture has no edges: all black, nothing to stretch.
  Picture flat{7, 6, std::vector<unsigned char>(126, 90)};
  const Picture black = apply_24(flat, block_of({}), &TProcessImageEx::EdgeDetect);
  EXPECT_EQ(black.bytes, std::vector<unsigned char>(126, 0));
}

TEST(EdgeDetect, EqualisesThroughABlockOfItsOwn) {
  const Picture picture = random_picture(25, 14, 42);
  auto expected = stored_24(picture);
  run_with_block(*expected, block_of({{1, 1}}), [](TProcessImageEx& p) { p.EdgeDetect(); });
  run_with_block(*expected, block_of({{1, 3}}), [](TProcessImageEx& p) { p.HistogramEq(); });
  auto image = stored_24(picture);
  _IMAGE_PROC_DATA block = block_of({{1, 1}, {2, 1}});
  image->object.procData = &block;
  TProcessImageEx p(&image->object);
  p.EdgeDetect();
  EXPECT_EQ(image->pixels(), expected->pixels());
  EXPECT_EQ(block.words[1], 1) << "the caller's block is untouched";
  EXPECT_EQ(p.SetImageProcData(nullptr), &block) << "and attached again";
  image->object.procData = nullptr;
}

TEST(Emboss, ReliefOfEveryAngleOnRectangles) {
  const Picture source = random_picture(27, 16, 51);
  const Picture base = random_picture(27, 16, 52);
  for (int angle = -1; angle <= 8; ++angle) {
    for (PixelRect r : {PixelRect{0, 0, 27, 16}, PixelRect{4, 3, 9, 7}}) {
      Picture got = base, want = base;
      ivorel::emboss_relief(source.bytes.data(), got.bytes.data(), 27, r, angle, nullptr);
      if (angle >= 0 && angle <= 7) reference_relief(source, want, r, angle);
      EXPECT_EQ(got, want) << angle;
    }
  }
}

TEST(MotionBlur, EveryDirectionMatchesTheWalkInReadingOrder) {
  const Picture picture = random_picture(31, 22, 61);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      for (int length : {1, 2, 3, 7, 40}) {
        for (PixelRect r : {PixelRect{0, 0, 31, 22}, PixelRect{5, 4, 13, 9}, PixelRect{0, 21, 31, 1}}) {
          Picture got = picture, want = picture;
          ivorel::motion_blur(got.bytes.data(), 31, 22, r, dy, dx, length, nullptr);
          if (dy || dx) reference_motion(want, r, dy, dx, length);
          ASSERT_EQ(got, want) << dy << "," << dx << " length " << length << " rect " << r.left;
        }
      }
  // Steps longer than a pixel take the same walk.
  Picture got = picture, want = picture;
  ivorel::motion_blur(got.bytes.data(), 31, 22, {0, 0, 31, 22}, 2, -3, 9, nullptr);
  reference_motion(want, {0, 0, 31, 22}, 2, -3, 9);
  EXPECT_EQ(got, want);
}

TEST(MotionBlur, LengthRulesAndParameters) {
  EXPECT_EQ(ivorel::motion_blur_samples(1, 1, 14), 10);
  EXPECT_EQ(ivorel::motion_blur_samples(-1, -1, 14), 10);
  EXPECT_EQ(ivorel::motion_blur_samples(1, -1, 14), 14);
  EXPECT_EQ(ivorel::motion_blur_samples(0, -1, 14), 14);
  EXPECT_EQ(ivorel::motion_blur_samples(-1, 0, 14), 14);
  EXPECT_EQ(ivorel::motion_blur_samples(1, 0, 14), 56);
  EXPECT_EQ(ivorel::motion_blur_samples(0, 0, 14), 0);
  // Four times the length stays whole rather than wrapping at 8 bits (64 would give none, 65 only 4).
  EXPECT_EQ(ivorel::motion_blur_samples(0, 1, 64), 256);
  EXPECT_EQ(ivorel::motion_blur_samples(0, 1, 65), 260);
  EXPECT_EQ(ivorel::motion_blur_samples(0, 1, 255), 1020);

  const Picture picture = random_picture(23, 15, 62);
  const auto expect = [&](int dy, int dx, int length) {
    Picture want = picture;
    reference_motion(want, {0, 0, 23, 15}, dy, dx, length);
    return want;
  };
  EXPECT_EQ(apply_24(picture, block_of({{1, 0}, {2, 1}, {3, 65}}), &TProcessImageEx::MotionBlur),
            expect(0, 1, 260));
  EXPECT_EQ(apply_24(picture, block_of({{1, 1}, {2, 1}, {3, 14}}), &TProcessImageEx::MotionBlur),
            expect(1, 1, 10));
  EXPECT_EQ(apply_24(picture, block_of({{1, 5}, {2, -9}, {3, 14}}), &TProcessImageEx::MotionBlur),
            expect(1, -1, 14))
      << "steps are reduced to their sign";
  Outcome o;
  EXPECT_EQ(apply_24(picture, block_of({{1, 0}, {2, 0}, {3, 30}}), &TProcessImageEx::MotionBlur, &o),
            picture);
  EXPECT_EQ(o, Outcome::Ran);
  EXPECT_EQ(apply_24(picture, block_of({{2, 1}, {3, 256}}), &TProcessImageEx::MotionBlur, &o), picture);
  EXPECT_EQ(o, Outcome::Declined);
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({true, {0, 1, 32}});
  auto image = stored_24(picture);
  TProcessImageEx p(&image->object);
  p.MotionBlur();
  EXPECT_EQ(dialogs.requests.at(0).integers[2], 32);
  EXPECT_EQ(picture_of(*image), expect(0, 1, 128));
}

TEST(EffectFilters, BandsOfALargeImageAndPaletteImagesMatch) {
  // Large enough to be shared among the cores.
  const Picture picture = random_picture(640, 560, 71);
  const PixelRect whole{0, 0, 640, 560};
  EXPECT_EQ(apply_24(picture, block_of({{1, 9}}), &TProcessImageEx::Blur), reference_blur(picture, whole, 9));
  EXPECT_EQ(apply_24(picture, block_of({{1, 6}}), &TProcessImageEx::Sharpen), reference_sharpen(picture, 6));
  EXPECT_EQ(apply_24(picture, block_of({}), &TProcessImageEx::EdgeDetect), reference_edges(picture, 0));
  for (auto [dy, dx] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {0, -1}}) {
    Picture got = picture, want = picture;
    ivorel::motion_blur(got.bytes.data(), 640, 560, whole, dy, dx, 6, nullptr);
    reference_motion(want, whole, dy, dx, 6);
    EXPECT_EQ(got, want) << dy << "," << dx;
  }
  Picture got = picture, want = picture;
  ivorel::emboss_relief(picture.bytes.data(), got.bytes.data(), 640, whole, 3, nullptr);
  reference_relief(picture, want, whole, 3);
  EXPECT_EQ(got, want);

  const Picture gray = random_gray_picture(19, 11, 72);
  auto image = stored_gray_8(gray);
  run_with_block(*image, block_of({{1, 4}}), [](TProcessImageEx& p) { p.Sharpen(); });
  EXPECT_EQ(picture_of(*image), reference_sharpen(gray, 4));
  auto edges = stored_gray_8(gray);
  run_with_block(*edges, block_of({{1, 1}}), [](TProcessImageEx& p) { p.EdgeDetect(); });
  EXPECT_EQ(picture_of(*edges), reference_edges(gray, 1));
  auto streak = stored_gray_8(gray);
  run_with_block(*streak, block_of({{1, -1}, {2, 0}, {3, 5}}), [](TProcessImageEx& p) { p.MotionBlur(); });
  Picture streaked = gray;
  reference_motion(streaked, {0, 0, 19, 11}, -1, 0, 5);
  EXPECT_EQ(picture_of(*streak), streaked);
}

}  // namespace

namespace {

// Every filter of the registry on pictures down to a single pixel, at every depth, with its defaults and
// its extreme words: nothing may read or write outside the buffers (the sanitizer build watches) and the
// depth must come back.
TEST(EffectFilters, EveryFilterRunsOnTinyPicturesAtEveryDepth) {
  const char* filters[] = {"HighPassHelper", "LowPassHelper", "EdgeEnhanceHelper", "NorthWestEdges",
                           "Blur",           "Sharpen",       "EdgeDetect",        "MotionBlur"};
  for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 2}, {2, 3}, {5, 4}}) {
    for (int bits : {1, 4, 8, 24}) {
      for (const char* name : filters) {
        const registry::Operation* op = registry::find_operation(name);
        ASSERT_TRUE(op) << name;
        std::vector<_IMAGE_PROC_DATA> blocks(3);
        std::string error;
        ASSERT_TRUE(registry::fill_block(*op, "", blocks[0], error));
        blocks[1] = blocks[2] = blocks[0];
        for (const registry::ParameterWord& word : op->words) {
          blocks[1].words[word.index] = static_cast<int>(word.low);
          blocks[2].words[word.index] = static_cast<int>(word.high);
        }
        for (const _IMAGE_PROC_DATA& block : blocks) {
          const int colours = bits == 24 ? 0 : 1 << bits;
          TestImage image(w, h, bits, colours, random_bytes(ivorel::row_bytes(w, bits) * h, w * 10 + h));
          for (int i = 0; i < colours; ++i) {
            image.object.image.palette[i] =
                RGBCOLOR{static_cast<unsigned char>(i * 37), static_cast<unsigned char>(i), 9};
          }
          run_with_block(image, block, [&](TProcessImageEx& p) { op->run(p); });
          ASSERT_EQ(image.object.image.bitsPerPixel, bits) << name << " " << w << "x" << h;
          ASSERT_EQ(image.object.image.imageSize, ivorel::row_bytes(w, bits) * h);
        }
      }
    }
  }
}

}  // namespace
