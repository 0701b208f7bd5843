// The artistic effects against plain loops written from their definitions (pairwise colour counting for
// the oil paint, exchange sorts for crystallize, the library's own generator for the slicing): every
// effect with its telling words at every depth, on pictures from one pixel up to sizes the cores share,
// and the words that used to reach past a buffer, overflow or never end.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/processing.h"
#include "rank_fill_support.h"

using namespace testing_support;
using namespace testing_support::word_cases;
using ivorel::Outcome;

namespace {

using Int = long long;

Picture reference_oil(const Picture& s, Int size) {
  const Int n = size + size % 2, r = n / 2;
  Picture d = s;
  std::vector<std::uint32_t> cells;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      // Cells outside the picture are markers, which never count: only the cells inside, in order.
      cells.clear();
      for (Int j = std::max<Int>(y - r, 0); j <= std::min<Int>(y + r - 1, s.height - 1); ++j)
        for (Int i = std::max<Int>(x - r, 0); i <= std::min<Int>(x + r - 1, s.width - 1); ++i) {
          const unsigned char* p = s.at(static_cast<int>(i), static_cast<int>(j));
          cells.push_back(p[0] << 16 | p[1] << 8 | p[2]);
        }
      std::size_t best = 0, bestCount = 0;
      for (std::size_t i = 0; i < cells.size(); ++i) {
        std::size_t count = 1;
        for (std::size_t k = i + 1; k < cells.size(); ++k) count += cells[k] == cells[i];
        if (count > bestCount) best = i, bestCount = count;
      }
      d.at(x, y)[0] = static_cast<unsigned char>(cells[best] >> 16);
      d.at(x, y)[1] = static_cast<unsigned char>(cells[best] >> 8);
      d.at(x, y)[2] = static_cast<unsigned char>(cells[best]);
    }
  return d;
}

Picture reference_crystallize(const Picture& s, Int a, Int b) {
  a = std::clamp<Int>(a, 1, 100), b = std::clamp<Int>(b, 1, 100);
  while (a * b > 100) (a >= b ? a : b) -= 1;
  Picture d = s;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      for (int c = 0; c < 3; ++c) {
        std::vector<int> v;
        for (Int j = y - b / 2; j <= y + (b - b / 2) - 1; ++j)
          for (Int i = x - a / 2; i <= x + (a - a / 2) - 1; ++i)
            if (i >= 0 && j >= 0 && i < s.width && j < s.height)
              v.push_back(s.at(static_cast<int>(i), static_cast<int>(j))[c]);
        for (std::size_t i = 0; i < v.size(); ++i)  // exchange sort
          for (std::size_t k = i + 1; k < v.size(); ++k)
            if (v[k] < v[i]) std::swap(v[k], v[i]);
        int pick = v[0], pickCount = 1;
        for (std::size_t i = 0; i < v.size();) {
          std::size_t k = i;
          while (k < v.size() && v[k] == v[i]) ++k;
          if (static_cast<int>(k - i) >= 2 && static_cast<int>(k - i) > pickCount)
            pick = v[i], pickCount = k - i;
          i = k;
        }
        d.at(x, y)[c] = static_cast<unsigned char>(pick);
      }
  return d;
}

Picture reference_pixelize(const Picture& s, Int a, Int b) {
  Picture d = s;
  const Int nx = (s.width + a - 1) / a, ny = (s.height + b - 1) / b;
  const Int x0 = -(nx * a - s.width) / 2, y0 = -(ny * b - s.height) / 2;
  for (Int cy = 0; cy < ny; ++cy)
    for (Int cx = 0; cx < nx; ++cx) {
      Int sum[3] = {0, 0, 0}, count = 0;
      const auto inside = [&](Int x, Int y) { return x >= 0 && y >= 0 && x < s.width && y < s.height; };
      for (Int y = std::max<Int>(y0 + cy * b, 0); y < std::min<Int>(y0 + cy * b + b, s.height); ++y)
        for (Int x = std::max<Int>(x0 + cx * a, 0); x < std::min<Int>(x0 + cx * a + a, s.width); ++x)
          if (inside(x, y)) {
            ++count;
            for (int c = 0; c < 3; ++c) sum[c] += s.at(static_cast<int>(x), static_cast<int>(y))[c];
          }
      for (Int y = std::max<Int>(y0 + cy * b, 0); y < std::min<Int>(y0 + cy * b + b, s.height); ++y)
        for (Int x = std::max<Int>(x0 + cx * a, 0); x < std::min<Int>(x0 + cx * a + a, s.width); ++x)
          for (int c = 0; c < 3; ++c)
            d.at(static_cast<int>(x), static_cast<int>(y))[c] = static_cast<unsigned char>(sum[c] / count);
    }
  return d;
}

// One line per row (or column); the step after the line's end reads its last pixel.
Picture reference_line_art(const Picture& s, Int t, Int g, Int m, bool vertical) {
  Picture d = s;
  const Int lines = vertical ? s.width : s.height, length = vertical ? s.height : s.width;
  const Int far = vertical ? s.width : s.height;
  for (Int base = 0; base < lines; ++base) {
    const auto lum = [&](Int along) {
      along = std::min(along, length - 1);
      const unsigned char* p = vertical ? s.at(static_cast<int>(base), static_cast<int>(along))
                                        : s.at(static_cast<int>(along), static_cast<int>(base));
      return (16 * p[1] + 11 * p[2] + 5 * p[0]) / 32;
    };
    const auto plot = [&](Int along, Int cross, int value) {
      if (along < 0 || along > length - 1 || cross < base || cross >= far) return;
      unsigned char* p = vertical ? d.at(static_cast<int>(cross), static_cast<int>(along))
                                  : d.at(static_cast<int>(along), static_cast<int>(cross));
      p[0] = p[1] = p[2] = static_cast<unsigned char>(value);
    };
    Int acc = (lum(0) - 128) * g + base * 65536;
    Int prev = (acc + 32768) >> 16, lastMove = 0;
    for (Int k = 0; k * t <= length - 1; ++k) {
      acc += (lum(k * t + t) - lum(k * t)) * g;
      Int move = ((acc + 32768) >> 16) - prev;
      if (move <= lastMove - m) move = lastMove - m;
      if (move >= lastMove + m) move = lastMove + m;
      const Int newPos = prev + move;
      // Positions before the line's start are never drawn (all of the first step's).
      for (Int u = std::max<Int>(k * t - t, 0); u <= k * t - 1; ++u) {
        plot(u, prev + (u - (k * t - t)), 0);
        plot(u, prev - 1 + (u - (k * t - t)), 255);
      }
      lastMove = move;
      prev = newPos;
    }
  }
  return d;
}

Picture reference_matte(const Picture& s, int e1, int e2, int e3) {
  Picture d = s;
  const int e[3] = {std::clamp(e3, 0, 10), std::clamp(e2, 0, 10), std::clamp(e1, 0, 10)};
  for (std::size_t i = 0; i < d.bytes.size(); ++i) {
    const int exponent = e[i % 3];
    d.bytes[i] = exponent && std::pow(s.bytes[i] / 255.0, exponent) * 255 < 3 ? 255 : 0;
  }
  return d;
}

std::vector<int> slice_offsets(int count) {
  std::vector<int> offsets(count);
  int run = 0, offset = 0;
  for (int& o : offsets) {
    if (run-- <= 0) {
      offset = (std::rand() >> 16) % 64 - 32;
      run = ((std::rand() >> 16) + 8) % 32;
    }
    o = offset;
  }
  return offsets;
}

Picture reference_slicer(const Picture& s, unsigned seed) {
  std::srand(seed);
  const std::vector<int> columns = slice_offsets(s.width);
  const std::vector<int> rows = slice_offsets(s.height);
  Picture d = s;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const int sx = x + rows[y], sy = y + columns[x];
      if (sx >= 0 && sy >= 0 && sx < s.width && sy < s.height) std::copy_n(s.at(sx, sy), 3, d.at(x, y));
    }
  return d;
}

// Before the equalisation that follows the inverted bases and the picture base.
Picture reference_tin_foil(const Picture& s, int direction, int mode, int invert, bool rgbOrder) {
  static const int kRelief[8][9] = {
      {-2, -1, 0, -1, 0, 1, 0, 1, 2}, {-1, -2, -1, 0, 0, 0, 1, 2, 1}, {0, -1, -2, 1, 0, -1, 2, 1, 0},
      {1, 0, -1, 2, 0, -2, 1, 0, -1}, {2, 1, 0, 1, 0, -1, 0, -1, -2}, {1, 2, 1, 0, 0, 0, -1, -2, -1},
      {0, 1, 2, -1, 0, 1, -2, -1, 0}, {-1, 0, 1, -2, 0, 2, -1, 0, 1},
  };
  Picture d = s;
  if (mode >= 0 && mode <= 2) {
    const std::uint32_t c = mode == 0   ? 0x808080
                            : mode == 1 ? ivorel::first_colour()
                                        : ivorel::second_colour();
    unsigned char rgb[3] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                            static_cast<unsigned char>(c >> 16)};
    if (invert)
      for (auto& b : rgb) b = static_cast<unsigned char>(255 - b);
    for (int i = 0; i < s.width * s.height; ++i)
      for (int k = 0; k < 3; ++k) d.bytes[3 * i + k] = rgb[rgbOrder ? k : 2 - k];
  }
  if (direction >= 0 && direction <= 7)
    for (int y = 1; y + 1 < s.height; ++y)
      for (int x = 1; x + 1 < s.width; ++x)
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int n = 0; n < 9; ++n) sum += kRelief[direction][n] * s.at(x + n % 3 - 1, y + n / 3 - 1)[c];
          d.at(x, y)[c] = clamp_to_byte(d.at(x, y)[c] + sum / 8);
        }
  if (mode == 0)
    for (int i = 0; i < s.width * s.height; ++i) {
      unsigned char* p = &d.bytes[3 * i];
      p[0] = p[1] = p[2] = static_cast<unsigned char>((16 * p[1] + 11 * p[0] + 5 * p[2]) / 32);
    }
  return d;
}

Picture reference_blend(const Picture& s, int strength) {
  strength = std::clamp(strength, 0, 10);
  const int w = s.width, h = s.height;
  if (w < 3 || h < 3 || strength == 0) return s;
  Picture d = s;
  int m[3];
  for (int c = 0; c < 3; ++c) {
    Int sum = 0;
    for (int x = 0; x < w; ++x) sum += s.at(x, 0)[c] + s.at(x, h - 1)[c];
    for (int y = 0; y < h; ++y) sum += s.at(0, y)[c] + s.at(w - 1, y)[c];
    m[c] = static_cast<int>(sum / (2 * w + 2 * h));
  }
  const int cx = w / 2, cy = h / 2;
  const double A = static_cast<double>(h) / w;
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x) {
      const int dx = x - cx, dy = y - cy;
      if (dx == 0 && dy == 0) {
        for (int c = 0; c < 3; ++c) d.at(x, y)[c] = static_cast<unsigned char>(m[c]);
        continue;
      }
      int bx, by;
      if (dx == 0) {
        bx = cx, by = dy < 0 ? 0 : h - 1;
      } else if (dy == 0) {
        bx = dx > 0 ? w - 1 : 0, by = cy;
      } else if (std::fabs(A) >= std::fabs(static_cast<double>(dy) / dx)) {
        bx = dx >= 0 ? w - 1 : 0, by = (bx - cx) * dy / dx + cy;
      } else {
        by = dy >= 0 ? h - 1 : 0, bx = (by - cy) * dx / dy + cx;
      }
      bx = std::clamp(bx, 0, w - 1), by = std::clamp(by, 0, h - 1);
      const double ratio = std::sqrt(static_cast<double>(dx * dx + dy * dy)) /
                           std::sqrt(static_cast<double>((bx - cx) * (bx - cx) + (by - cy) * (by - cy)));
      const double f = ratio * ratio;
      const unsigned char* b = s.at(bx, by);
      const bool dark = b[0] < 64 && b[1] < 64 && b[2] < 64;
      for (int c = 0; c < 3; ++c) {
        const int e = static_cast<int>(((dark ? 128 : b[c]) - m[c]) * f) + m[c];
        d.at(x, y)[c] = clamp_to_byte((e * strength + s.at(x, y)[c] * (10 - strength)) / 10);
      }
    }
  return d;
}

constexpr unsigned kSeed = 4321;

Picture reference(const std::string& name, const Words& words, const Picture& s, bool rgbOrder) {
  const int w1 = word(words, 1), w2 = word(words, 2), w3 = word(words, 3), w4 = word(words, 4);
  if (name == "OilPaint") return reference_oil(s, w1);
  if (name == "Crystallize") return reference_crystallize(s, w1, w2);
  if (name == "Pixelize") return reference_pixelize(s, w1, w2);
  if (name == "LineArt")
    return reference_line_art(s, w1, std::clamp<Int>(Int{w2} * 100, -(Int{1} << 31), Int{1} << 31), w3,
                              w4 != 0);
  if (name == "Matte") return reference_matte(s, w1, w2, w3);
  if (name == "Slicer") return reference_slicer(s, kSeed);
  if (name == "TinFoil") return reference_tin_foil(s, w1, w2, w3, rgbOrder);
  return reference_blend(s, w1);
}

const Case kCases[] = {
    {"OilPaint", {{1, 1}}},
    {"OilPaint", {{1, 3}}},
    {"OilPaint", {{1, 6}}},
    {"OilPaint", {{1, INT_MAX}}},
    {"Crystallize", {{1, 4}, {2, 6}}},
    {"Crystallize", {{1, 3}, {2, 3}}},
    {"Crystallize", {{1, 0}, {2, 0}}},
    {"Crystallize", {{1, -7}, {2, 2}}},
    {"Crystallize", {{1, INT_MAX}, {2, INT_MAX}}},
    {"Pixelize", {{1, 5}, {2, 8}}},
    {"Pixelize", {{1, 1}, {2, 1}}},
    {"Pixelize", {{1, 2}, {2, 3}}},
    {"Pixelize", {{1, INT_MAX}, {2, INT_MAX}}},
    {"LineArt", {{1, 3}, {2, 6}, {3, 9}, {4, 1}}},
    {"LineArt", {{1, 3}, {2, 6}, {3, 9}, {4, 0}}},
    {"LineArt", {{1, 1}, {2, -20}, {3, 2}, {4, 0}}},
    {"LineArt", {{1, 4}, {2, 50}, {3, -3}, {4, 1}}},
    {"LineArt", {{1, INT_MAX}, {2, INT_MAX}, {3, INT_MIN}, {4, 0}}},
    {"LineArt", {{1, 2}, {2, INT_MIN}, {3, INT_MAX}, {4, 7}}},
    {"Matte", {{1, 4}}},
    {"Matte", {{1, 1}, {2, 3}, {3, 10}}},
    {"Matte", {{1, 0}, {2, 99}, {3, -5}}},
    {"Slicer", {{1, 5}}},
    {"TinFoil", {{1, 0}, {2, 0}, {3, 0}}},
    {"TinFoil", {{1, 3}, {2, 1}, {3, 0}}},
    {"TinFoil", {{1, 6}, {2, 2}, {3, 0}}},
    {"TinFoil", {{1, 9}, {2, 0}, {3, 0}}},
    {"Blend", {{1, 5}}},
    {"Blend", {{1, 10}}},
    {"Blend", {{1, 0}}},
    {"Blend", {{1, 1000}}},
    {"Blend", {{1, -3}}},
};

class ArtisticEffects : public ::testing::Test {
 protected:
  void SetUp() override {
    ivorel::set_random_seed(kSeed);
    ivorel::set_first_colour(0x3060C0);
    ivorel::set_second_colour(0xF0A010);
  }
  void TearDown() override {
    ivorel::set_random_seed(std::nullopt);
    ivorel::set_first_colour(0);
    ivorel::set_second_colour(0);
  }
};

TEST_F(ArtisticEffects, EveryEffectMatchesItsDefinitionAtEveryDepth) {
  for (const Case& c : kCases)
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 3}, {4, 3}, {6, 5}, {23, 17}})
      for (int bits : {1, 4, 8, 24}) {
        auto image = random_image(w, h, bits, static_cast<unsigned>(w * 31 + h + bits));
        const Picture before = expanded(*image);
        ASSERT_EQ(run_named(*image, c.name, block(c.words)), Outcome::Ran) << describe(c, w, h, bits);
        ASSERT_EQ(image->object.image.bitsPerPixel, bits) << describe(c, w, h, bits);
        const Picture want = reference(c.name, c.words, before, bits <= 8);
        if (bits == 24 || distinct_colours(want) <= (1u << bits)) {
          ASSERT_EQ(expanded(*image), want) << describe(c, w, h, bits);
        }
      }
}

TEST_F(ArtisticEffects, PicturesSharedAmongTheCoresMatch) {
  // Flat patches with grain, so that the oil paint's colours repeat as in a photograph.
  Picture picture = random_picture(640, 560, 17);
  for (std::size_t i = 0; i < picture.bytes.size(); ++i) picture.bytes[i] = picture.bytes[i] & 0xC0;
  for (const Case& c : std::initializer_list<Case>{{"OilPaint", {{1, 5}}},
                                                   {"Crystallize", {{1, 4}, {2, 6}}},
                                                   {"Pixelize", {{1, 7}, {2, 9}}},
                                                   {"Slicer", {}},
                                                   {"Blend", {{1, 7}}}}) {
    auto image = stored_24(picture);
    ASSERT_EQ(run_named(*image, c.name, block(c.words)), Outcome::Ran) << c.name;
    EXPECT_EQ(picture_of(*image), reference(c.name, c.words, picture, false)) << describe(c, 640, 560, 24);
  }
}

TEST_F(ArtisticEffects, EqualisationAndInversionFollowTheTinFoil) {
  const Picture picture = random_picture(19, 13, 3);
  for (auto [mode, invert] : {std::pair{0, 1}, {1, 1}, {2, 1}, {3, 0}, {3, 1}}) {
    auto image = stored_24(picture);
    ASSERT_EQ(run_named(*image, "TinFoil", block({{1, 2}, {2, mode}, {3, invert}})), Outcome::Ran);
    auto want = stored_24(reference_tin_foil(picture, 2, mode, invert, false));
    if (mode <= 2) run_with_block(*want, block({{4, 2}}), [](TProcessImageEx& p) { p.InvertPicHelper(); });
    run_with_block(*want, block({{1, 3}}), [](TProcessImageEx& p) { p.HistogramEq(); });
    EXPECT_EQ(picture_of(*image), picture_of(*want)) << "mode " << mode << " invert " << invert;
  }
}

TEST_F(ArtisticEffects, WordsThatCancelLeaveThePictureAlone) {
  const Picture picture = random_picture(9, 8, 5);
  for (const Case& c : std::initializer_list<Case>{{"OilPaint", {{1, 0}}},
                                                   {"OilPaint", {{1, INT_MIN}}},
                                                   {"Pixelize", {{1, 0}, {2, 4}}},
                                                   {"Pixelize", {{1, 4}, {2, -1}}},
                                                   {"LineArt", {{1, 0}, {2, 6}}},
                                                   {"LineArt", {{1, -3}, {2, 6}, {3, 9}}},
                                                   {"Matte", {{1, 0}, {2, -4}, {3, 0}}}}) {
    auto image = stored_24(picture);
    EXPECT_EQ(run_named(*image, c.name, block(c.words)), Outcome::Declined) << describe(c, 9, 8, 24);
    EXPECT_EQ(picture_of(*image), picture) << describe(c, 9, 8, 24);
  }
}

TEST_F(ArtisticEffects, EngravingOfPicturesTallerThan32767Rows) {
  const Picture picture = random_picture(3, 40000, 8);
  for (int vertical : {0, 1}) {
    auto image = stored_24(picture);
    ASSERT_EQ(run_named(*image, "LineArt", block({{1, 3}, {2, 6}, {3, 9}, {4, vertical}})), Outcome::Ran);
    EXPECT_EQ(picture_of(*image), reference_line_art(picture, 3, 600, 9, vertical != 0)) << vertical;
  }
}

TEST_F(ArtisticEffects, StrongestBlendNoLongerDependsOnTheInterior) {
  Picture a = random_picture(15, 11, 1), b = random_picture(15, 11, 2);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 15; ++x)
      if (x == 0 || y == 0 || x == 14 || y == 10) std::copy_n(a.at(x, y), 3, b.at(x, y));
  auto first = stored_24(a), second = stored_24(b);
  run_named(*first, "Blend", block({{1, 10}}));
  run_named(*second, "Blend", block({{1, 10}}));
  EXPECT_EQ(picture_of(*first), picture_of(*second));
  // With cells larger than the picture, Pixelize leaves one colour.
  auto one = stored_24(a);
  run_named(*one, "Pixelize", block({{1, 40}, {2, 40}}));
  EXPECT_EQ(distinct_colours(picture_of(*one)), 1u);
}

TEST_F(ArtisticEffects, SeededSlicingRepeats) {
  const Picture picture = random_picture(70, 50, 6);
  auto first = stored_24(picture), second = stored_24(picture);
  run_named(*first, "Slicer", {});
  run_named(*second, "Slicer", {});
  EXPECT_EQ(picture_of(*first), picture_of(*second));
  EXPECT_NE(picture_of(*first), picture);
  ivorel::set_random_seed(kSeed + 1);
  auto other = stored_24(picture);
  run_named(*other, "Slicer", {});
  EXPECT_NE(picture_of(*other), picture_of(*first));
}

// A prompt that answers with integers and reals of its own.
class PromptAnswers : public pcore::ParameterDialogService {
 public:
  PromptAnswers() { pcore::install_parameter_dialogs(this); }
  ~PromptAnswers() override { pcore::install_parameter_dialogs(nullptr); }
  int run(pcore::ParameterRequest& request) override {
    asked.push_back(request);
    if (!ok) return pcore::kIdCancel;
    for (std::size_t i = 0; i < integers.size(); ++i) request.integers[i] = integers[i];
    if (real) request.reals[0] = *real;
    return pcore::kIdOk;
  }
  bool ok = true;
  std::vector<int> integers;
  std::optional<float> real;
  std::vector<pcore::ParameterRequest> asked;
};

TEST_F(ArtisticEffects, PromptsShowTheirPresetsAndTakeTheAnswers) {
  const Picture picture = random_picture(12, 10, 4);
  const struct {
    const char* name;
    std::vector<int> presets;
    bool real;
  } prompts[] = {{"OilPaint", {3}, false},       {"Crystallize", {4, 6}, false}, {"Pixelize", {5, 8}, false},
                 {"LineArt", {3, 600, 9}, true}, {"Matte", {0}, false},          {"Slicer", {0}, false},
                 {"TinFoil", {0, 0}, false},     {"Blend", {5}, false}};
  for (const auto& p : prompts) {
    PromptAnswers answers;
    answers.ok = false;
    auto image = stored_24(picture);
    TProcessImageEx asked(&image->object);
    registry::find_operation(p.name)->run(asked);
    EXPECT_EQ(asked.LastOutcome(), Outcome::Declined) << p.name;
    ASSERT_EQ(answers.asked.size(), 1u) << p.name;
    for (std::size_t i = 0; i < 3; ++i) {
      if (i < p.presets.size()) {
        EXPECT_EQ(answers.asked[0].integers[i], p.presets[i]) << p.name << " field " << i + 1;
      } else {
        EXPECT_FALSE(answers.asked[0].integers[i]) << p.name << " field " << i + 1;
      }
    }
    EXPECT_EQ(answers.asked[0].reals[0].has_value(), p.real) << p.name;
    EXPECT_EQ(picture_of(*image), picture) << p.name;
  }

  // Matte from the prompt: field 1 thresholds the third byte, the other two bytes become 0.
  PromptAnswers answers;
  answers.integers = {4};
  auto matte = stored_24(picture);
  TProcessImageEx(&matte->object).Matte();
  EXPECT_EQ(picture_of(*matte), reference_matte(picture, 4, 0, 0));
  // The engraving's gain is entered directly; any real but 0, NaN included, draws the lines downwards.
  answers.integers = {2, 900, 4};
  for (float real : {0.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(), -INFINITY}) {
    answers.real = real;
    auto lines = stored_24(picture);
    TProcessImageEx(&lines->object).LineArt();
    EXPECT_EQ(picture_of(*lines), reference_line_art(picture, 2, 900, 4, real != 0.0f)) << real;
  }
}

}  // namespace
