// Gradient fills, noise and textures against loops written from their definitions, at every depth; the
// noise with the generator seeded, draw for draw.
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/windows/texture_chooser.h"
#include "rank_fill_support.h"
#include "window_support.h"

using namespace testing_support;
using ivorel::Outcome;

namespace {

constexpr RGBCOLOR kFirst{200, 40, 7}, kSecond{12, 99, 250};

struct Colour {
  int red, green, blue;
};

// Writes a red, green, blue colour in the buffer's order: reversed for true colour.
void put(unsigned char* p, Colour c, bool rgbOrder) {
  p[0] = static_cast<unsigned char>(rgbOrder ? c.red : c.blue);
  p[1] = static_cast<unsigned char>(c.green);
  p[2] = static_cast<unsigned char>(rgbOrder ? c.blue : c.red);
}

Picture reference_gradient(const Picture& s, int shape, int scheme, int mix, bool rgbOrder) {
  Picture d = s;
  const int w = s.width, h = s.height;
  const int length = shape == 1 ? h : shape == 2 ? static_cast<int>(std::sqrt(double(w * w + h * h))) / 2 : w;
  if (length == 0) return d;
  Colour c1{255, 255, 255}, c2{0, 0, 0};
  if (scheme == 1) c1 = {255, 0, 0};
  if (scheme == 2) c1 = {0, 255, 0};
  if (scheme == 3) c1 = {0, 0, 255};
  if (scheme == 4)
    c1 = {kSecond.red, kSecond.green, kSecond.blue}, c2 = {kFirst.red, kFirst.green, kFirst.blue};
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) {
      const double p = shape == 1   ? y
                       : shape == 2 ? std::sqrt(double((y - h / 2) * (y - h / 2) + (x - w / 2) * (x - w / 2)))
                                    : x;
      Colour g;
      if (scheme >= 5) {
        const int v = static_cast<int>(p * 1530 / length), f = v % 256;
        const Colour table[6] = {{0, f, 255},       {0, 255, 255 - f}, {f, 255, 0},
                                 {255, 255 - f, 0}, {255, 0, f},       {255 - f, 0, 255}};
        g = table[((v / 256) % 6 + scheme - 4 - 1) % 6];
      } else {
        const auto channel = [&](int a, int b) {
          return ((static_cast<int>(p * (static_cast<double>(b - a) / length)) + a) % 256 + 256) % 256;
        };
        g = {channel(c1.red, c2.red), channel(c1.green, c2.green), channel(c1.blue, c2.blue)};
      }
      unsigned char gb[3];
      put(gb, g, rgbOrder);
      for (int c = 0; c < 3; ++c) {
        const int sv = s.at(x, y)[c], gv = gb[c];
        d.at(x, y)[c] = static_cast<unsigned char>(mix == 1   ? (sv + 3 * gv) / 4
                                                   : mix == 2 ? (sv + gv) / 2
                                                   : mix == 3 ? (3 * sv + gv) / 4
                                                              : gv);
      }
    }
  return d;
}

int draw() {
  return std::rand() >> 16;
}

int exponential() {
  const int u1 = draw();
  draw();
  return static_cast<int>(std::min(255.0, -std::sqrt(800.0) * std::log(1.0 - u1 / 32767.1)) + 0.5);
}

Picture reference_noise(const Picture& s, unsigned seed, int a, int kind, bool rgbOrder) {
  std::srand(seed);
  Picture d = s;
  const double density = a * 0.0025;
  const int t = static_cast<int>(density * 16384);
  const int k = density < 0.1 ? 8 : density < 0.15 ? 4 : density < 0.2 ? 2 : 1;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const int r = draw();
      const bool window = r >= 16384 - t && r < 16384 + t;
      unsigned char* o = d.at(x, y);
      const unsigned char* sv = s.at(x, y);
      if (kind <= 1) {
        const Colour pepper = kind ? Colour{kFirst.red, kFirst.green, kFirst.blue} : Colour{0, 0, 0};
        const Colour salt = kind ? Colour{kSecond.red, kSecond.green, kSecond.blue} : Colour{255, 255, 255};
        if (r >= 16384 && r < 16384 + t)
          put(o, pepper, rgbOrder);
        else if (r >= 16384 - t && r < 16384)
          put(o, salt, rgbOrder);
      } else if (kind == 2) {
        if (window)
          for (int c = 0; c < 3; ++c) {
            const double g = (draw() + draw() + draw() + draw()) * 5.28596089837e-5 - 3.46410161514;
            o[c] = clamp_to_byte(sv[c] + 127 * static_cast<int>(g));
          }
      } else if (kind == 3) {
        if (window)
          for (int c = 0; c < 3; ++c) o[c] = static_cast<unsigned char>(std::min(255, sv[c] + exponential()));
      } else {
        for (int c = 0; c < 3; ++c)
          o[c] = static_cast<unsigned char>(std::min(255, sv[c] + exponential() / k));
      }
    }
  return d;
}

Picture reference_tile(const Picture& s, const Picture& texture, bool rgbOrder) {
  Picture d = s;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const unsigned char* t = texture.at(x % texture.width, y % texture.height);
      put(d.at(x, y), {t[0], t[1], t[2]}, rgbOrder);
    }
  return d;
}

class Fills : public ::testing::Test {
 protected:
  void SetUp() override {
    ivorel::set_first_colour(kFirst.red | kFirst.green << 8 | kFirst.blue << 16);
    ivorel::set_second_colour(kSecond.red | kSecond.green << 8 | kSecond.blue << 16);
  }
  void TearDown() override {
    ivorel::set_random_seed(std::nullopt);
    ivorel::set_texture_source(nullptr);
    ivorel::set_first_colour(0);
    ivorel::set_second_colour(0);
  }
};

// Every fill at every depth: below 24 bits the picture comes back through a palette, exactly when its
// colours fit.
template <typename Reference>
void check_all_depths(const char* name, const _IMAGE_PROC_DATA& words, Reference reference,
                      std::string what) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {17, 11}, {90, 60}})
    for (int bits : {1, 4, 8, 24}) {
      auto image = random_image(w, h, bits, static_cast<unsigned>(w + h + bits));
      const Picture before = expanded(*image);
      const Picture want = reference(before, bits <= 8);
      const Outcome outcome = run_named(*image, name, words);
      const std::string where =
          what + " " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(bits);
      ASSERT_EQ(image->object.image.bitsPerPixel, bits) << where;
      if (outcome != Outcome::Ran) {
        ASSERT_EQ(expanded(*image), before) << where;
        ASSERT_EQ(want, before) << where;
      } else if (bits == 24 || distinct_colours(want) <= (1u << bits)) {
        ASSERT_EQ(expanded(*image), want) << where;
      }
    }
}

TEST_F(Fills, GradientsOfEveryShapeSchemeAndMix) {
  for (int shape : {0, 1, 2})
    for (int scheme : {0, 1, 3, 4, 5, 9})
      for (int mix : {0, 2, 3}) {
        check_all_depths(
            "GradientFill", block_of({{1, shape}, {2, scheme}, {3, mix}}),
            [&](const Picture& s, bool rgb) { return reference_gradient(s, shape, scheme, mix, rgb); },
            "shape " + std::to_string(shape) + " scheme " + std::to_string(scheme) + " mix " +
                std::to_string(mix));
      }
}

TEST_F(Fills, SeededNoiseIsTheSequentialWalk) {
  for (int kind : {0, 1, 2, 3, 4})
    for (int amount : {0, 10, 60, 399}) {
      // Seeds past 2^31 are negative to the library's seeding; 0 acts as 1.
      const unsigned seed = amount == 60 ? 4000000000u + kind : amount == 0 ? 0 : 1234 + kind * 7 + amount;
      ivorel::set_random_seed(seed);
      check_all_depths(
          "SaltPepperNoise", block_of({{1, amount}, {2, kind}}),
          [&](const Picture& s, bool rgb) { return reference_noise(s, seed, amount, kind, rgb); },
          "kind " + std::to_string(kind) + " amount " + std::to_string(amount));
    }
}

TEST_F(Fills, TexturesOfEveryDepthAndThoseThatCannotTile) {
  for (int textureBits : {1, 4, 8, 24}) {
    auto texture = random_image(5, 3, textureBits, 77);
    texture->object.image.palette[1] = RGBCOLOR{10, 200, 30};  // a colour, so that the order shows
    Picture pattern = expanded(*texture);
    if (textureBits == 24)  // stored blue, green, red
      for (std::size_t i = 0; i < pattern.bytes.size(); i += 3)
        std::swap(pattern.bytes[i], pattern.bytes[i + 2]);
    ivorel::set_texture_source([&](const ImageDescriptorAndDisplayObj*) { return &texture->object; });
    check_all_depths(
        "TextureTile", block_of({{1, 1}}),
        [&](const Picture& s, bool rgb) { return reference_tile(s, pattern, rgb); },
        "texture of " + std::to_string(textureBits) + " bits");
    check_all_depths(
        "TextureTile", block_of({{1, 0}}), [](const Picture& s, bool) { return s; }, "disabled");
    check_all_depths(
        "TextureMosaic", block_of({{1, 3}, {2, 4}}), [](const Picture& s, bool) { return s; }, "mosaic");
    if (textureBits == 24) continue;
    texture->object.image.colors = 0;  // a palette image without its palette
    check_all_depths(
        "TextureTile", block_of({{1, 1}}), [](const Picture& s, bool) { return s; }, "no palette");
  }
  ivorel::set_texture_source(nullptr);
  auto image = random_image(4, 4, 24, 3);
  EXPECT_EQ(run_named(*image, "TextureTile", block_of({{1, 1}})), Outcome::Declined);
  EXPECT_EQ(run_named(*image, "TextureMosaic", block_of({})), Outcome::Declined);
}

// In the editor the open dialog names the texture of an image in a window; a preview, in no window, takes
// the one chosen last.
TEST_F(Fills, TheEditorAsksForTheTextureOfAnImageInAWindow) {
  ScriptedFileDialogs chooser({{false, ""}, {true, SUITE_SOURCE_DIR "/samples/wheel-4bit.bmp"}});
  ivorel::install_texture_chooser();
  HWND handle = nullptr;
  ImageDescriptorAndDisplayObj shown, preview;
  shown.window = &handle;
  EXPECT_EQ(ivorel::operation_texture(&shown), nullptr) << "cancelled";
  ImageDescriptorAndDisplayObj* texture = ivorel::operation_texture(&shown);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->image.bitsPerPixel, 4);
  EXPECT_GT(texture->image.colors, 0);
  EXPECT_EQ(ivorel::operation_texture(&preview), texture);
  ASSERT_EQ(chooser.requests.size(), 2u);
  EXPECT_EQ(chooser.requests[0].kind, pcore::FileDialogKind::Open);
}

}  // namespace
