// The rank and morphology filters against plain loops written from their definitions: every filter with
// its telling words, at every depth, on pictures from one pixel up to sizes the cores share.
#include <algorithm>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "ivorel/processing/processing.h"
#include "ivorel/processing/rank_filters.h"
#include "rank_fill_support.h"

using namespace testing_support;
using namespace testing_support::word_cases;
using ivorel::Outcome;

namespace {

// The median of each channel over the window cut to the picture; an even count averages the middle two.
Picture reference_median(const Picture& s, int n) {
  if (n < 3) n = 3;
  if (n % 2 == 0) ++n;
  const int r = n / 2;
  Picture d = s;
  std::vector<int> a;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      for (int c = 0; c < 3; ++c) {
        a.clear();
        for (int j = y - r; j <= y + r; ++j)
          for (int i = x - r; i <= x + r; ++i)
            if (i >= 0 && j >= 0 && i < s.width && j < s.height) a.push_back(s.at(i, j)[c]);
        std::sort(a.begin(), a.end());
        const std::size_t k = a.size();
        d.at(x, y)[c] = static_cast<unsigned char>(k % 2 ? a[k / 2] : (a[k / 2 - 1] + a[k / 2]) / 2);
      }
  return d;
}

// Every pixel at least r inside gets fold() over the window's values of each channel, from `start`.
template <typename Fold>
Picture reference_window(const Picture& s, int r, const std::vector<std::pair<int, int>>& cells, Fold fold) {
  Picture d = s;
  std::vector<int> a;
  for (int y = r; y < s.height - r; ++y)
    for (int x = r; x < s.width - r; ++x)
      for (int c = 0; c < 3; ++c) {
        a.clear();
        for (auto [i, j] : cells) a.push_back(s.at(x + i, y + j)[c]);
        d.at(x, y)[c] = static_cast<unsigned char>(fold(a));
      }
  return d;
}

std::vector<std::pair<int, int>> square(int r) {
  std::vector<std::pair<int, int>> cells;
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i) cells.emplace_back(i, j);
  return cells;
}

std::vector<std::pair<int, int>> diamond() {
  std::vector<std::pair<int, int>> cells;
  for (auto [i, j] : square(2))
    if (std::abs(i) + std::abs(j) <= 2) cells.emplace_back(i, j);
  return cells;
}

Picture reference_trimmed(const Picture& s, int n, int a) {
  if (n % 2 == 0) --n;
  n = std::clamp(n, 1, 11);
  const int t = std::max(0, (n * n - 1) * a / 2 / 10);
  std::vector<int> v;
  return reference_window(s, n / 2, square(n / 2), [&](const std::vector<int>& window) {
    v = window;
    for (std::size_t i = 1; i < v.size(); ++i)  // insertion sort, as the definition has it
      for (std::size_t j = i; j > 0 && v[j - 1] > v[j]; --j) std::swap(v[j - 1], v[j]);
    int sum = 0;
    for (int i = t; i <= n * n - t - 1; ++i) sum += v[i];
    const int count = std::max(n * n - 2 * t, 1);
    return static_cast<int>(static_cast<double>(sum) / count + 0.5);
  });
}

Picture reference_erode(const Picture& s, bool dilate) {
  return reference_window(s, 2, diamond(), [&](const std::vector<int>& v) {
    return dilate ? *std::max_element(v.begin(), v.end()) : *std::min_element(v.begin(), v.end());
  });
}

Picture reference_outline(const Picture& s, int mode) {
  Picture d = reference_erode(s, false);
  for (std::size_t i = 0; i < d.bytes.size(); ++i)
    d.bytes[i] =
        static_cast<unsigned char>(mode == 1 ? (2 * s.bytes[i] - d.bytes[i]) / 2 : s.bytes[i] - d.bytes[i]);
  return d;
}

Picture reference_points(const Picture& s, int mode) {
  Picture d = s;
  for (int y = 0; y + 2 < s.height; ++y)
    for (int x = 0; x + 2 < s.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int j = 0; j < 3; ++j)
          for (int i = 0; i < 3; ++i) sum += (i == 1 && j == 1 ? 8 : -1) * s.at(x + i, y + j)[c];
        const int v = std::clamp(sum, 0, 255);
        d.at(x, y)[c] = static_cast<unsigned char>(mode == 1 ? (v + s.at(x, y)[c]) / 2 : v);
      }
  return d;
}

// On the stored rows (bottom row first): the pixel of median key, equal keys in the window's order.
Picture reference_despeckle(const Picture& picture) {
  const Picture s = flipped(picture);
  Picture d{s.width, s.height, std::vector<unsigned char>(s.bytes.size(), 0)};
  for (int y = 1; y + 1 < s.height; ++y)
    for (int x = 1; x + 1 < s.width; ++x) {
      std::vector<std::pair<int, int>> keys;
      for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
          const unsigned char* p = s.at(x - 1 + i, y - 1 + j);
          keys.emplace_back(11 * p[0] + 59 * p[1] + 30 * p[2], 3 * j + i);
        }
      std::sort(keys.begin(), keys.end());
      const int k = keys[4].second;
      std::copy_n(s.at(x - 1 + k % 3, y - 1 + k / 3), 3, d.at(x, y));
    }
  return flipped(d);
}

Picture reference(const std::string& name, const Words& words, const Picture& s) {
  const int w1 = word(words, 1), w2 = word(words, 2);
  if (name == "MedianFilter") return reference_median(s, w1);
  if (name == "Maximum" || name == "Minimum") {
    const int r = (w1 & 0xFF) / 2;
    return reference_window(s, r, square(r), [&](const std::vector<int>& v) {
      return name == "Maximum" ? *std::max_element(v.begin(), v.end())
                               : *std::min_element(v.begin(), v.end());
    });
  }
  if (name == "AlphaTrimedMean") return reference_trimmed(s, w1, w2);
  if (name == "Erosion" || name == "Dilation") return reference_erode(s, name == "Dilation");
  if (name == "Outline") return reference_outline(s, w1);
  if (name == "PointDetector") return reference_points(s, w1);
  return reference_despeckle(s);
}

const Case kCases[] = {
    {"MedianFilter", {{1, 0}}},
    {"MedianFilter", {{1, 3}}},
    {"MedianFilter", {{1, 4}}},
    {"MedianFilter", {{1, 7}}},
    {"Maximum", {{1, 0}}},
    {"Maximum", {{1, 1}}},
    {"Maximum", {{1, 2}}},
    {"Maximum", {{1, 5}}},
    {"Maximum", {{1, 258}}},
    {"Minimum", {{1, 2}}},
    {"Minimum", {{1, 7}}},
    {"AlphaTrimedMean", {{1, 3}, {2, 0}}},
    {"AlphaTrimedMean", {{1, 3}, {2, 10}}},
    {"AlphaTrimedMean", {{1, 4}, {2, 5}}},
    {"AlphaTrimedMean", {{1, 5}, {2, 3}}},
    {"AlphaTrimedMean", {{1, 3}, {2, 12}}},
    {"AlphaTrimedMean", {{1, 11}, {2, 7}}},
    {"Erosion", {}},
    {"Dilation", {}},
    {"Outline", {{1, 0}}},
    {"Outline", {{1, 1}}},
    {"PointDetector", {{1, 0}}},
    {"PointDetector", {{1, 1}}},
    {"Despeckle", {}},
};

TEST(RankFilters, EveryFilterMatchesItsDefinitionAtEveryDepth) {
  for (const Case& c : kCases)
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {4, 3}, {6, 5}, {23, 17}})
      for (int bits : {1, 4, 8, 24}) {
        auto image = random_image(w, h, bits, static_cast<unsigned>(w * 31 + h + bits));
        const Picture before = expanded(*image);
        ASSERT_EQ(run_named(*image, c.name, block(c.words)), Outcome::Ran) << describe(c, w, h, bits);
        ASSERT_EQ(image->object.image.bitsPerPixel, bits) << describe(c, w, h, bits);
        const Picture want = reference(c.name, c.words, before);
        // Below 24 bits the result comes back through the palette: exact when its colours fit.
        if (bits == 24 || distinct_colours(want) <= (1u << bits)) {
          ASSERT_EQ(expanded(*image), want) << describe(c, w, h, bits);
        }
      }
}

TEST(RankFilters, PicturesSharedAmongTheCoresMatch) {
  const Picture picture = random_picture(640, 560, 5);
  for (const Case& c : std::initializer_list<Case>{{"MedianFilter", {{1, 3}}},
                                                   {"MedianFilter", {{1, 5}}},
                                                   {"Maximum", {{1, 5}}},
                                                   {"Minimum", {{1, 4}}},
                                                   {"AlphaTrimedMean", {{1, 5}, {2, 4}}},
                                                   {"Dilation", {}},
                                                   {"PointDetector", {{1, 1}}},
                                                   {"Despeckle", {}}}) {
    auto image = stored_24(picture);
    ASSERT_EQ(run_named(*image, c.name, block(c.words)), Outcome::Ran) << c.name;
    EXPECT_EQ(picture_of(*image), reference(c.name, c.words, picture)) << describe(c, 640, 560, 24);
  }
}

TEST(RankFilters, OneBrightPixelGrowsIntoTheDiamondAndEqualisationFollows) {
  Picture dark{9, 9, std::vector<unsigned char>(243, 0)};
  std::fill_n(dark.at(4, 4), 3, 200);
  auto image = stored_24(dark);
  ASSERT_EQ(run_named(*image, "Dilation", {}), Outcome::Ran);
  const Picture grown = picture_of(*image);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(grown.at(x, y)[1], std::abs(x - 4) + std::abs(y - 4) <= 2 ? 200 : 0) << x << "," << y;

  // Eroding the inverse digs the same diamond; with word 2 the result is then equalised at strength 3.
  Picture light = dark;
  for (auto& b : light.bytes) b = static_cast<unsigned char>(255 - b);
  auto eroded = stored_24(light);
  run_named(*eroded, "Erosion", {});
  auto equalised = stored_24(light);
  run_named(*equalised, "Erosion", block({{2, 1}}));
  run_with_block(*eroded, block({{1, 3}}), [](TProcessImageEx& p) { p.HistogramEq(); });
  EXPECT_EQ(picture_of(*equalised), picture_of(*eroded));
}

// Gradients with a grain of -8 ... 7 and flat patches: the coherent pictures on which the histogram median
// keeps reusing its partial sums, which random noise seldom lets it do.
Picture smooth_picture(int width, int height, unsigned seed) {
  Picture p = random_picture(width, height, seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        unsigned char& v = p.at(x, y)[c];
        const int base = (x * (c + 1) + y * (3 - c)) % 256;
        v = static_cast<unsigned char>((x / 7 + y / 5) % 4 == 0 ? 128
                                                                : std::clamp(base + v % 16 - 8, 0, 255));
      }
  return p;
}

// The median loops on their own, on a rectangle of a larger picture: rows top first or bottom first, into
// a second buffer or in place, and nothing outside the rectangle written.
TEST(RankFilters, MedianOfARectangleInAnyRowOrderMatches) {
  using ivorel::PixelRect;
  struct Shape {
    int width, height;
    PixelRect rect;
    int size;
  };
  const Shape shapes[] = {
      {1, 1, {0, 0, 1, 1}, 3},        {3, 1, {0, 0, 3, 1}, 3},       {1, 3, {0, 0, 1, 3}, 3},
      {2, 3, {0, 0, 2, 3}, 3},        {3, 2, {0, 0, 3, 2}, 5},       {2, 2, {0, 0, 2, 2}, 7},
      {7, 6, {1, 2, 5, 3}, 3},        {9, 8, {2, 1, 5, 6}, 5},       {23, 17, {3, 2, 17, 13}, 3},
      {23, 17, {0, 0, 23, 17}, 9},    {450, 30, {5, 3, 437, 24}, 9}, {450, 40, {0, 0, 450, 40}, 3},
      {401, 25, {0, 0, 401, 25}, 15}, {260, 3, {0, 0, 260, 3}, 255},
  };
  enum class Layout { TopFirst, BottomFirst, InPlace };
  for (const Shape& shape : shapes)
    for (bool smooth : {false, true})
      for (Layout layout : {Layout::TopFirst, Layout::BottomFirst, Layout::InPlace}) {
        const unsigned seed = static_cast<unsigned>(shape.width * 7 + shape.size);
        const Picture s = smooth ? smooth_picture(shape.width, shape.height, seed)
                                 : random_picture(shape.width, shape.height, seed);
        const PixelRect& r = shape.rect;
        Picture inside{r.width, r.height, {}};
        for (int y = 0; y < r.height; ++y)
          inside.bytes.insert(inside.bytes.end(), s.at(r.left, r.top + y), s.at(r.left + r.width, r.top + y));
        const Picture median = reference_median(inside, shape.size);
        Picture want = s;
        for (int y = 0; y < r.height; ++y)
          std::copy_n(median.at(0, y), 3 * r.width, want.at(r.left, r.top + y));

        Picture got = s, source = s;
        const std::ptrdiff_t stride = 3 * static_cast<std::ptrdiff_t>(s.width);
        const bool flip = layout == Layout::BottomFirst;
        // Bottom first: the last row of the buffer is the picture's top one.
        if (flip) got = flipped(got), source = flipped(source);
        const auto rows = [&](Picture& p) {
          return ivorel::PixelRows{p.at(0, flip ? s.height - 1 : 0), flip ? -stride : stride};
        };
        const ivorel::PixelRows out = rows(got), in = layout == Layout::InPlace ? out : rows(source);
        ASSERT_TRUE(ivorel::median_filter({in.top, in.stride}, out, r, shape.size, nullptr));
        EXPECT_EQ(flip ? flipped(got) : got, want)
            << shape.width << "x" << shape.height << " size " << shape.size
            << (smooth ? " smooth" : " random") << " layout " << static_cast<int>(layout);
      }
}

TEST(RankFilters, RegionsAreClampedToTheImage) {
  using ivorel::PixelRect;
  struct Case {
    PixelRect given, want;
    bool left;
  };
  const Case cases[] = {
      {{0, 0, 10, 8}, {0, 0, 10, 8}, true}, {{-3, -1, 20, 20}, {0, 0, 10, 8}, true},
      {{11, 9, 4, 4}, {9, 7, 1, 1}, true},  {{10, 8, 4, 4}, {10, 8, 0, 0}, false},
      {{4, 2, 10, 10}, {4, 2, 6, 6}, true}, {{2, 2, -5, 3}, {2, 2, 0, 3}, false},
  };
  for (const Case& c : cases) {
    PixelRect r = c.given;
    EXPECT_EQ(ivorel::clamp_region(10, 8, r), c.left) << c.given.left << "," << c.given.top;
    EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height),
              std::tie(c.want.left, c.want.top, c.want.width, c.want.height))
        << c.given.left << "," << c.given.top << " " << c.given.width << "x" << c.given.height;
  }
}

TEST(RankFilters, PromptPresetsAndCancel) {
  ScriptedDialogs dialogs;
  dialogs.answers = {{false, {}}, {true, {5}}};
  const Picture picture = random_picture(8, 7, 9);
  auto image = stored_24(picture);
  TProcessImageEx cancelled(&image->object);
  cancelled.MedianFilter();
  EXPECT_EQ(cancelled.LastOutcome(), Outcome::Declined);
  EXPECT_EQ(dialogs.requests.at(0).dialog, pcore::ParameterDialog::ImageProcTest);
  EXPECT_EQ(dialogs.requests.at(0).integers[0], 3);
  EXPECT_EQ(picture_of(*image), picture);
  TProcessImageEx asked(&image->object);
  asked.MedianFilter();
  EXPECT_EQ(picture_of(*image), reference_median(picture, 5));
}

}  // namespace
