// The distortion effects against plain loops written from their definitions: every effect with its telling
// words at every depth (the random ones seeded, draw for draw), and the words that used to divide by zero,
// overflow or write past the canvas.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/processing.h"
#include "rank_fill_support.h"

using namespace testing_support;
using ivorel::Outcome;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Words {
  int integers[9] = {};
  float reals[3] = {};  // words 11, 12, 13
};

_IMAGE_PROC_DATA block_from(const Words& w) {
  _IMAGE_PROC_DATA b;
  for (int i = 1; i < 9; ++i) b.words[i] = w.integers[i];
  for (int i = 0; i < 3; ++i) b.SetFloat(11 + i, w.reals[i]);
  return b;
}

int draw() {
  return std::rand() >> 16;
}

void put_black(unsigned char* d) {
  d[0] = d[1] = d[2] = 0;
}

// The effect buffers' sample: the rounded four-neighbour blend, black from two pixels short of the right
// and bottom edges on, and left of or above the picture.
void sample(const Picture& s, double x, double y, unsigned char* d) {
  put_black(d);
  if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9)) return;
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  if (ix < 0 || iy < 0 || ix > s.width - 3 || iy > s.height - 3) return;
  const double fx = x - ix, fy = y - iy;
  for (int k = 0; k < 3; ++k) {
    const double v = (1 - fx) * (1 - fy) * s.at(ix, iy)[k] + fx * (1 - fy) * s.at(ix + 1, iy)[k] +
                     (1 - fx) * fy * s.at(ix, iy + 1)[k] + fx * fy * s.at(ix + 1, iy + 1)[k] + 0.5;
    d[k] = clamp_to_byte(static_cast<long long>(v));
  }
}

Picture reference_fisheye(const Picture& s, const Words& words) {
  const int w = s.width, h = s.height, mode = words.integers[1];
  const double strength = words.reals[0];
  int cx = w / 2 + static_cast<int>(std::trunc(words.reals[1] * (w / 2)));
  int cy = h / 2 + static_cast<int>(std::trunc(words.reals[2] * (h / 2)));
  if (cx < 0 || cx > w || cy < 0 || cy > h) cx = w / 2, cy = h / 2;
  const int r = std::min({cx, w - cx, cy, h - cy});
  const float r2 = mode == 1   ? static_cast<float>(r * r)
                   : mode == 2 ? static_cast<float>((cx + 0.3) * (cx + 0.3))
                   : mode == 3 ? static_cast<float>((cy + 0.3) * (cy + 0.3))
                               : static_cast<float>((cx + 0.3) * (cx + 0.3) + (cy + 0.3) * (cy + 0.3));
  Picture d = s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - cx, dy = y - cy;
      const double t = ((dx + 0.3) * (dx + 0.3) + (dy + 0.3) * (dy + 0.3)) / r2;
      double sx = cx + std::pow(t, strength) * dx, sy = cy + std::pow(t, strength) * dy;
      if (mode == 2) sx = cx + std::pow((dx + 0.3) * (dx + 0.3) / r2, strength) * dx, sy = y;
      if (mode == 3) sx = x, sy = cy + std::pow((dy + 0.3) * (dy + 0.3) / r2, strength) * dy;
      if (mode == 4) sy = y;
      if (mode == 5) sx = x;
      // The lens of mode 1 has no area when its centre lies on an edge.
      if (mode == 1 && (r == 0 || (x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r)) sx = x, sy = y;
      sample(s, sx, sy, d.at(x, y));
    }
  return d;
}

Picture reference_ripples(const Picture& s, const Words& words) {
  const int w = s.width, h = s.height, mode = words.integers[1];
  const float amplitude = words.reals[0], frequency = words.reals[1];
  Picture d = s;
  if (mode < 2) {
    const double k = mode == 0 ? 2 * static_cast<double>(frequency) * 3.1416 * 10 / w
                               : 2 * static_cast<double>(frequency) * 31.416 / w;
    const double a64 = amplitude * static_cast<double>(h) * 0.45;
    const float a = std::fabs(a64) <= std::numeric_limits<float>::max() ? static_cast<float>(a64)
                                                                        : std::copysign(HUGE_VALF, a64);
    const double cy = h * 0.5;
    if (h - 2.0 * a + 0.5 == 0) return d;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double v = a * std::sin((mode == 0 ? x : x + y) * k) + y;
        sample(s, x, cy + (v - cy) * h / (h - 2.0 * a + 0.5), d.at(x, y));
      }
    return d;
  }
  const double cx = w / 2 + 0.5, cy = h / 2 + 0.5, l = frequency * 300.0;
  const double m = std::sqrt(cx * cx + cy * cy) * amplitude * 0.05;
  const double e = mode == 2 ? std::sqrt(double(w) * w + double(h) * h) : mode == 3 ? h : w;
  if (l == 0 || (mode == 2 ? (double(w) * w + double(h) * h) / (l * l) : e / l) < 1e-10) return d;
  const double q = e / l, p = q * kPi;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - cx, dy = y - cy;
      double sx = x, sy = y;
      if (mode == 2) {
        const double r = std::sqrt(dx * dx + dy * dy), rm = std::floor(r / p) * p;
        double ax = cx, ay = cy, g = m;
        if (dx * dx + dy * dy > 1e-10)
          ax = cx + rm * dx / r, ay = cy + rm * dy / r, g = (1 - std::fabs(std::cos(r / q))) * m;
        sx = ax + (x - ax) * g, sy = ay + (y - ay) * g;
      } else {
        const double delta = mode == 3 ? dy : dx, centre = mode == 3 ? cy : cx, at = mode == 3 ? y : x;
        const double r = std::fabs(std::trunc(delta)), rm = std::floor(r / p) * p;
        double anchor = centre, g = m;
        if (r > 1e-10) anchor = centre + rm * delta / r, g = (1 - std::fabs(std::cos(r / q))) * m;
        (mode == 3 ? sy : sx) = anchor + (at - anchor) * g;
      }
      sample(s, sx, sy, d.at(x, y));
    }
  return d;
}

// The row-pair walk as defined: two row buffers per pair, the second row mirrored, both copied after.
Picture reference_whirl(const Picture& s, const Words& words) {
  const int w = s.width, h = s.height;
  const double pinch = words.reals[0], radius = words.reals[1];
  Picture d{w, h, std::vector<unsigned char>(s.bytes.size(), 0)};
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0, hx = (w - 1) / 2.0, hy = (h - 1) / 2.0;
  double sx = 1, sy = 1;
  if (hx < hy && hx > 0) sx = hy / hx;
  if (hx > hy && hy > 0) sy = hx / hy;
  const double base = std::max(hx, hy), theta = words.integers[1] * 0.017453292519943295;
  const auto map = [&](int x, int y, double& ox, double& oy) {
    const double dx = (x - cx) * sx, dy = (y - cy) * sy, dd = dx * dx + dy * dy;
    if (!(dd < radius * base * base)) return false;
    const double dist = std::sqrt(dd / radius) / base;
    const double f = std::pow(std::sin(kPi / 2 * dist), -pinch), angle = theta * (1 - dist) * (1 - dist);
    ox = (std::cos(angle) * f * dx - std::sin(angle) * f * dy) / sx + cx;
    oy = (std::sin(angle) * f * dx + std::cos(angle) * f * dy) / sy + cy;
    return true;
  };
  const auto fetch = [&](double x, double y, unsigned char* out) {
    put_black(out);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return;
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    for (int k = 0; k < 3; ++k) {
      unsigned char four[4];
      for (int n = 0; n < 4; ++n) {
        const int px = ix + n % 2, py = iy + n / 2;
        four[n] = px >= 0 && py >= 0 && px < w && py < h ? s.at(px, py)[k] : 0;
      }
      out[k] = TProcessImage::bilinearcc(x, y, four);
    }
  };
  std::vector<unsigned char> first(3 * w), second(3 * w);
  for (int y = 0; y <= h / 2; ++y) {
    const int ym = h - 1 - y;
    for (int x = 0; x < w; ++x) {
      double ox, oy;
      if (map(x, y, ox, oy)) {
        fetch(ox, oy, &first[3 * x]);
        fetch(2 * cx - ox, 2 * cy - oy, &second[3 * (w - 1 - x)]);
      } else {
        std::copy_n(s.at(x, y), 3, &first[3 * x]);
        std::copy_n(s.at(w - 1 - x, ym), 3, &second[3 * (w - 1 - x)]);
      }
    }
    std::copy(first.begin(), first.end(), d.at(0, y));
    std::copy(second.begin(), second.end(), d.at(0, ym));
  }
  return d;
}

// The canvas the corners need (never smaller), black but for the picture mapped forward onto the corners.
Picture reference_warp(const Picture& s, const Words& words) {
  const int* x4 = &words.integers[1];
  const int* y4 = &words.integers[5];
  const auto extent = [](int size, const int* v) {
    const float f =
        static_cast<float>((double(*std::max_element(v, v + 4)) - *std::min_element(v, v + 4)) / size);
    return static_cast<long>(size * static_cast<double>(f));
  };
  long cw = extent(s.width, x4), ch = extent(s.height, y4);
  if (cw < s.width || ch < s.height || cw > 65535 || ch > 65535) cw = s.width, ch = s.height;
  Picture d{int(cw), int(ch), std::vector<unsigned char>(3 * cw * ch, 0)};
  const int w = s.width, h = s.height;
  double stretch = 0;
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    stretch = std::max(stretch, std::hypot(double(x4[j]) - x4[i], double(y4[j]) - y4[i]) / (i % 2 ? h : w));
  }
  const int n = static_cast<int>(std::clamp(std::ceil(2 * stretch), 2.0, 64.0));
  for (long long j = 0; j <= n * (h - 1LL); ++j)
    for (long long i = 0; i <= n * (w - 1LL); ++i) {
      const double u = w > 1 ? double(i) / (n * (w - 1LL)) : 0, v = h > 1 ? double(j) / (n * (h - 1LL)) : 0;
      const auto at = [&](const int* c) {
        return std::floor(c[0] + (double(c[1]) - c[0]) * u + (double(c[3]) - c[0]) * v +
                          (double(c[2]) - c[3] - c[1] + c[0]) * u * v + 0.5);
      };
      const double tx = at(x4), ty = at(y4);
      if (tx >= 0 && tx < cw && ty >= 0 && ty < ch)
        std::copy_n(s.at(int(i / n), int(j / n)), 3, d.at(int(tx), int(ty)));
    }
  return d;
}

Picture reference_twist(const Picture& s, const Words& words) {
  const int w = s.width, h = s.height;
  int mode = std::max(words.integers[2], 0);
  int divisor = static_cast<unsigned char>(100 - static_cast<unsigned char>(words.integers[1]));
  divisor = divisor ? divisor : 1;
  int t = static_cast<unsigned char>(std::min(w, h) / divisor);
  t = std::max(t, 4);
  Picture d = s;
  for (int ty = h % t / 2; ty <= h - t; ty += t)
    for (int tx = w % t / 2; tx <= w - t; tx += t) {
      int o = mode;
      if (mode == 3) o = draw() * 3 / 32768;
      for (int i = 1; i < t; ++i)
        for (int j = 1; j < t; ++j) {
          if (mode >= 4) o = draw() * 3 / 32768;
          const unsigned char* p = o == 0   ? s.at(tx + i, ty + t - j)
                                   : o == 1 ? s.at(tx + t - j, ty + t - i)
                                            : s.at(tx + t - i, ty + j);
          std::copy_n(p, 3, d.at(tx + j, ty + i));
        }
    }
  return d;
}

Picture reference_melting(const Picture& source, const Words& words) {
  Picture s = source;
  const int m = std::clamp(words.integers[1], -10, 10), w = s.width, h = s.height;
  if (h < 2) return s;
  const auto key = [&](int x, int y) {
    const unsigned char* p = s.at(x, y);
    return (11 * p[2] + 16 * p[1] + 5 * p[0]) & ~31;
  };
  for (long long n = 0; n < std::abs(m) * static_cast<long long>(w) * h; ++n) {
    const int x = draw() % w;
    for (int y = draw() % (h - 1); y + 1 < h; ++y) {
      if (m > 0 ? key(x, y) < key(x, y + 1) : key(x, y) > key(x, y + 1)) break;
      std::swap_ranges(s.at(x, y), s.at(x, y) + 3, s.at(x, y + 1));
    }
  }
  return s;
}

Picture reference_spread(const Picture& s, const Words& words) {
  Picture d = s;
  int a = words.integers[1];
  const int b = words.integers[2];
  if (b == 0) a = -a;
  const long long r = std::abs(static_cast<long long>(a));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const long long x0 = std::max(0LL, x - r), x1 = std::min(s.width - 1LL, x + r);
      const int px = static_cast<int>(draw() % (x1 - x0 + 1) + x0);
      const long long e = a < 0 ? r - std::abs(px - x) : b;
      const long long y0 = std::max(0LL, y - e), y1 = std::min(s.height - 1LL, y + e);
      const int py = static_cast<int>(draw() % (y1 - y0 + 1) + y0);
      std::swap_ranges(d.at(x, y), d.at(x, y) + 3, d.at(px, py));
    }
  return d;
}

struct Case {
  const char* name;
  Words words;
};

Words ints(std::initializer_list<int> values, std::initializer_list<float> reals = {}) {
  Words w;
  int i = 1;
  for (int v : values) w.integers[i++] = v;
  i = 0;
  for (float v : reals) w.reals[i++] = v;
  return w;
}

Picture reference(const Case& c, const Picture& s, unsigned seed) {
  std::srand(seed);
  const std::string name = c.name;
  if (name == "FishEye") return reference_fisheye(s, c.words);
  if (name == "Ripples") return reference_ripples(s, c.words);
  if (name == "WhirlPinch") return reference_whirl(s, c.words);
  if (name == "RectangleWarp") return reference_warp(s, c.words);
  if (name == "Twist") return reference_twist(s, c.words);
  if (name == "Melting") return reference_melting(s, c.words);
  return reference_spread(s, c.words);
}

const Case kCases[] = {
    {"FishEye", ints({0}, {0.2f})},
    {"FishEye", ints({0}, {0.0f})},
    {"FishEye", ints({0}, {-0.7f, 0.5f, -0.25f})},
    {"FishEye", ints({1}, {0.5f, 0.3f})},
    {"FishEye", ints({1}, {0.5f, -1.0f})},  // the centre on the left edge
    {"FishEye", ints({2}, {0.3f})},
    {"FishEye", ints({3}, {0.3f, 0, 1.0f})},
    {"FishEye", ints({4}, {-0.4f})},
    {"FishEye", ints({5}, {0.6f, 3.0f})},  // the centre falls outside and reverts
    {"FishEye", ints({7}, {2000.0f})},
    {"Ripples", ints({0}, {0.05f, 0.4f})},
    {"Ripples", ints({1}, {0.05f, 0.4f})},
    {"Ripples", ints({0}, {8.0f, 0.4f})},
    {"Ripples", ints({2}, {0.3f, 0.2f})},
    {"Ripples", ints({3}, {0.2f, 0.01f})},
    {"Ripples", ints({4}, {0.2f, 0.05f})},
    {"Ripples", ints({2}, {1.0f, 0.0f})},
    {"WhirlPinch", ints({90}, {0.0f, 1.0f})},
    {"WhirlPinch", ints({0}, {0.5f, 1.0f})},
    {"WhirlPinch", ints({-200}, {-0.6f, 0.7f})},
    {"WhirlPinch", ints({45}, {0.3f, 0.0f})},
    {"WhirlPinch", ints({30}, {20.0f, 3.0f})},
    {"RectangleWarp", ints({0, 30, 25, 5, 0, 3, 20, 18})},
    {"RectangleWarp", ints({2, 5, 4, 1, 0, 0, 4, 3})},
    {"RectangleWarp", ints({10, 0, 3, 7, 0, 2, 9, 6})},
    {"Twist", ints({2, 0})},
    {"Twist", ints({99, 1})},
    {"Twist", ints({97, 2})},
    {"Twist", ints({98, 3})},
    {"Twist", ints({96, 4})},
    {"Twist", ints({95, -3})},
    {"Melting", ints({1})},
    {"Melting", ints({-2})},
    {"Melting", ints({25})},
    {"Spread", ints({1, 5})},
    {"Spread", ints({3, 0})},
    {"Spread", ints({0, 2})},
    {"Spread", ints({2147483647, 1})},
};

std::string describe(const Case& c, int w, int h, int bits) {
  char text[200];
  std::snprintf(text, sizeof text, "%s %dx%d at %d bits, words %d %d %d %d %d %d %d %d, %g %g %g", c.name, w,
                h, bits, c.words.integers[1], c.words.integers[2], c.words.integers[3], c.words.integers[4],
                c.words.integers[5], c.words.integers[6], c.words.integers[7], c.words.integers[8],
                c.words.reals[0], c.words.reals[1], c.words.reals[2]);
  return text;
}

class Distortion : public ::testing::Test {
 protected:
  void TearDown() override { ivorel::set_random_seed(std::nullopt); }
};

TEST_F(Distortion, EveryEffectMatchesItsDefinitionAtEveryDepth) {
  unsigned seed = 7;
  for (const Case& c : kCases)
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 5}, {7, 1}, {6, 5}, {23, 17}, {40, 40}})
      for (int bits : {1, 4, 8, 24}) {
        auto image = random_image(w, h, bits, static_cast<unsigned>(w * 31 + h + bits));
        const Picture before = expanded(*image);
        ivorel::set_random_seed(++seed);
        const Outcome outcome = run_named(*image, c.name, block_from(c.words));
        const std::string where = describe(c, w, h, bits);
        ASSERT_EQ(outcome, Outcome::Ran) << where;
        ASSERT_EQ(image->object.image.bitsPerPixel, bits) << where;
        const Picture want = reference(c, before, seed);
        if (bits == 24 || distinct_colours(want) <= (1u << bits)) {
          ASSERT_EQ(expanded(*image), want) << where;
        }
      }
}

TEST_F(Distortion, PicturesSharedAmongTheCoresMatch) {
  const Picture picture = random_picture(700, 520, 3);
  for (const Case& c : std::initializer_list<Case>{{"FishEye", ints({0}, {0.4f, 0.1f})},
                                                   {"FishEye", ints({2}, {-0.3f})},
                                                   {"Ripples", ints({1}, {0.03f, 0.6f})},
                                                   {"Ripples", ints({2}, {0.4f, 0.3f})},
                                                   {"WhirlPinch", ints({120}, {0.4f, 1.0f})},
                                                   {"WhirlPinch", ints({-60}, {-0.5f, 2.0f})}}) {
    auto image = stored_24(picture);
    ASSERT_EQ(run_named(*image, c.name, block_from(c.words)), Outcome::Ran) << c.name;
    EXPECT_EQ(picture_of(*image), reference(c, picture, 0)) << describe(c, 700, 520, 24);
  }
}

// Words no arithmetic can take end the operation untouched; words that only overflow the arithmetic give
// black where no position is left, and nothing reads or writes outside a buffer.
TEST_F(Distortion, WordsThatOverflowOrDivideByZero) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const Picture picture = random_picture(9, 7, 11);
  const auto run = [&](const char* name, const Words& words) {
    auto image = stored_24(picture);
    const Outcome outcome = run_named(*image, name, block_from(words));
    return std::pair{outcome, picture_of(*image)};
  };
  for (const Case& c : std::initializer_list<Case>{{"FishEye", ints({0}, {nan})},
                                                   {"FishEye", ints({1}, {-inf})},
                                                   {"Ripples", ints({0}, {inf, 0.4f})},
                                                   {"Ripples", ints({2}, {1.0f, nan})},
                                                   {"WhirlPinch", ints({30}, {nan, 1.0f})},
                                                   {"WhirlPinch", ints({30}, {0.2f, inf})},
                                                   {"WhirlPinch", ints({0}, {0.0f, 1.0f})},
                                                   {"Spread", ints({0, 0})},
                                                   {"Spread", ints({-1, 4})}}) {
    const auto [outcome, result] = run(c.name, c.words);
    EXPECT_EQ(outcome, Outcome::Declined) << describe(c, 9, 7, 24);
    EXPECT_EQ(result, picture) << describe(c, 9, 7, 24);
  }
  // Huge but finite: the offsets revert to the middle, the rest resamples from nowhere into black.
  EXPECT_EQ(run("FishEye", ints({0}, {0.5f, nan, 3e38f})).second,
            reference_fisheye(picture, ints({0}, {0.5f, 0, 0})));
  for (const Case& c : std::initializer_list<Case>{
           {"FishEye", ints({0}, {3e38f})},
           {"Ripples", ints({0}, {3e38f, 3e38f})},
           {"Ripples", ints({2}, {3e38f, 1e-30f})},
           {"WhirlPinch", ints({2000000000}, {-3e38f, 3e38f})},
           {"RectangleWarp", ints({-2147483647, 2147483647, 5, 0, 2147483647, -2147483647, 0, 9})}}) {
    const auto [outcome, result] = run(c.name, c.words);
    EXPECT_EQ(outcome, Outcome::Ran) << describe(c, 9, 7, 24);
    if (std::string(c.name) != "RectangleWarp") {
      EXPECT_EQ(result, reference(c, picture, 0)) << c.name;
    }
  }
  // Positive pinch: the centre pixel has no source and comes out black, its neighbours do not.
  const Picture pinched = run("WhirlPinch", ints({0}, {0.5f, 1.0f})).second;
  EXPECT_EQ(pinched.at(4, 3)[0] | pinched.at(4, 3)[1] | pinched.at(4, 3)[2], 0);
  EXPECT_EQ(pinched, reference_whirl(picture, ints({0}, {0.5f, 1.0f})));
  // Mode 1 with the centre on the top edge: no lens, so the centre is sampled where it stands.
  const Picture edge = run("FishEye", ints({1}, {0.5f, 0, -1.0f})).second;
  EXPECT_EQ(std::vector<unsigned char>(edge.at(4, 0), edge.at(4, 0) + 3),
            std::vector<unsigned char>(picture.at(4, 0), picture.at(4, 0) + 3));
  // Ripples whose divisor height - 2A + 0.5 is exactly 0 leave the picture alone.
  float amplitude = static_cast<float>(3.75 / (0.45 * 7));
  while (7 - 2.0 * static_cast<float>(amplitude * 7.0 * 0.45) + 0.5 > 0)
    amplitude = std::nextafter(amplitude, 10.0f);
  while (7 - 2.0 * static_cast<float>(amplitude * 7.0 * 0.45) + 0.5 < 0)
    amplitude = std::nextafter(amplitude, 0.0f);
  ASSERT_EQ(7 - 2.0 * static_cast<float>(amplitude * 7.0 * 0.45) + 0.5, 0);
  EXPECT_EQ(run("Ripples", ints({0}, {amplitude, 0.4f})).second, picture);
  // Melting on one row has no pairs; the full strength runs its ten drops per pixel.
  Picture row = random_picture(12, 1, 4);
  auto one = stored_24(row);
  EXPECT_EQ(run_named(*one, "Melting", block_from(ints({10}))), Outcome::Ran);
  EXPECT_EQ(picture_of(*one), row);
}

TEST_F(Distortion, TheCornerWarpCutsWhatFallsPastTheCanvas) {
  // Corners spanning 0 ... 24 make a canvas 24 wide, whose right corner lies one past it.
  const Picture picture = random_picture(12, 10, 21);
  auto image = stored_24(picture);
  const Words corners = ints({0, 24, 24, 0, 0, 0, 20, 20});
  ASSERT_EQ(run_named(*image, "RectangleWarp", block_from(corners)), Outcome::Ran);
  EXPECT_EQ(image->object.image.width, 24);
  EXPECT_EQ(image->object.image.height, 20);
  const Picture warped = picture_of(*image);
  EXPECT_EQ(warped, reference_warp(picture, corners));
  EXPECT_TRUE(std::equal(warped.at(0, 0), warped.at(0, 0) + 3, picture.at(0, 0)));
  // Without a block there is nothing to warp to.
  auto untouched = stored_24(picture);
  TProcessImageEx processor(&untouched->object);
  processor.RectangleWarp();
  EXPECT_EQ(processor.LastOutcome(), Outcome::Declined);
}

TEST_F(Distortion, SeededRunsRepeatAndTheTwistTileWrapsInEightBits) {
  const Picture picture = random_picture(300, 300, 8);
  Picture first;
  for (int run = 0; run < 2; ++run) {
    ivorel::set_random_seed(99);
    auto image = stored_24(picture);
    run_named(*image, "Twist", block_from(ints({99, 4})));
    if (run == 0) first = picture_of(*image);
    EXPECT_EQ(picture_of(*image), first);
  }
  // Flat bands make long drops, in both directions.
  Picture bands = picture;
  for (int y = 0; y < bands.height; ++y)
    for (int x = 0; x < bands.width; ++x)
      for (int k = 0; k < 3; ++k)
        bands.at(x, y)[k] =
            static_cast<unsigned char>((y / 40) * 35 + (x % 7 == 0 ? picture.at(x, y)[k] % 40 : 0));
  for (int m : {1, -2}) {
    ivorel::set_random_seed(31);
    auto melted = stored_24(bands);
    run_named(*melted, "Melting", block_from(ints({m})));
    EXPECT_EQ(picture_of(*melted), reference({"Melting", ints({m})}, bands, 31)) << m;
  }
  // T = 300 mod 256 = 44: with the half turn the first tile starts at (300 mod 44) / 2 = 18.
  auto image = stored_24(picture);
  run_named(*image, "Twist", block_from(ints({99, 1})));
  const Picture turned = picture_of(*image);
  EXPECT_TRUE(std::equal(turned.at(19, 19), turned.at(19, 19) + 3, picture.at(18 + 43, 18 + 43)));
  EXPECT_TRUE(std::equal(turned.at(18, 18), turned.at(18, 18) + 3, picture.at(18, 18)));
}

TEST_F(Distortion, PromptsPresetTheirFieldsAndCancel) {
  ScriptedDialogs dialogs;
  dialogs.answers = {{false, {}}, {false, {}}, {true, {0, 5}}, {true, {2, 3}}};
  const Picture picture = random_picture(8, 7, 9);
  auto image = stored_24(picture);
  for (auto op : {&TProcessImageEx::Ripples, &TProcessImageEx::WhirlPinch, &TProcessImageEx::Spread}) {
    TProcessImageEx processor(&image->object);
    (processor.*op)();
    EXPECT_EQ(processor.LastOutcome(), Outcome::Declined);
  }
  EXPECT_EQ(dialogs.requests.at(0).integers[0], 0);
  EXPECT_EQ(dialogs.requests.at(0).reals[0], 8.0f);
  EXPECT_EQ(dialogs.requests.at(0).reals[1], 0.4f);
  EXPECT_EQ(dialogs.requests.at(1).reals[1], 0.0f);
  EXPECT_EQ(dialogs.requests.at(2).integers[0], 1);
  EXPECT_EQ(dialogs.requests.at(2).integers[1], 5);
  EXPECT_EQ(picture_of(*image), picture);
  ivorel::set_random_seed(5);
  TProcessImageEx asked(&image->object);
  asked.Spread();
  EXPECT_EQ(picture_of(*image), reference({"Spread", ints({2, 3})}, picture, 5));
}

}  // namespace
