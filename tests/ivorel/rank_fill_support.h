// Helpers of the rank-filter and fill tests: running a registry operation on a picture stored at any
// depth, and reading the picture back.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "filter_support.h"
#include "ivorel/operations/operation_registry.h"

namespace testing_support {

// The picture of a stored image of any depth, through the palette below 24 bits (red, green, blue).
inline Picture expanded(const TestImage& image) {
  const _IMAGEDESCRIPTOR& d = image.object.image;
  if (d.bitsPerPixel == 24) return picture_of(image);
  Picture p{d.width, d.height, std::vector<unsigned char>(3 * static_cast<std::size_t>(d.width) * d.height)};
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = d.imageData + static_cast<std::size_t>(p.height - 1 - y) * image.stride();
    for (int x = 0; x < p.width; ++x) {
      const int bit = x * d.bitsPerPixel;
      const int index = (row[bit / 8] >> (8 - d.bitsPerPixel - bit % 8)) & ((1 << d.bitsPerPixel) - 1);
      const RGBCOLOR& c = d.palette[index];
      p.at(x, y)[0] = c.red, p.at(x, y)[1] = c.green, p.at(x, y)[2] = c.blue;
    }
  }
  return p;
}

// A random image of `bits` per pixel; below 24 bits with a palette of evenly spaced grays, so that what the
// gray filters make stays gray.
inline std::unique_ptr<TestImage> random_image(int w, int h, int bits, unsigned seed) {
  const int colours = bits == 24 ? 0 : 1 << bits;
  auto image =
      std::make_unique<TestImage>(w, h, bits, colours, random_bytes(ivorel::row_bytes(w, bits) * h, seed));
  for (int i = 0; i < colours; ++i) {
    const auto v = static_cast<unsigned char>(i * 255 / (colours - 1));
    image->object.image.palette[i] = RGBCOLOR{v, v, v};
  }
  return image;
}

inline std::size_t distinct_colours(const Picture& p) {
  std::set<int> seen;
  for (std::size_t i = 0; i < p.bytes.size(); i += 3)
    seen.insert(p.bytes[i] << 16 | p.bytes[i + 1] << 8 | p.bytes[i + 2]);
  return seen.size();
}

// Runs the registry's operation `name` with the words given.
inline ivorel::Outcome run_named(TestImage& image, const std::string& name, const _IMAGE_PROC_DATA& block) {
  const registry::Operation* op = registry::find_operation(name);
  EXPECT_NE(op, nullptr) << name;
  if (!op) return ivorel::Outcome::None;
  return run_with_block(image, block, [&](TProcessImageEx& p) { op->run(p); });
}

// Tables of cases that name an operation and its integer words by index (unlisted words are 0).
namespace word_cases {

using Words = std::vector<std::pair<int, int>>;

inline int word(const Words& words, int index) {
  for (auto [i, v] : words)
    if (i == index) return v;
  return 0;
}

struct Case {
  const char* name;
  Words words;
};

inline _IMAGE_PROC_DATA block(const Words& words) {
  _IMAGE_PROC_DATA b;
  for (auto [i, v] : words) b.words[i] = v;
  return b;
}

inline std::string describe(const Case& c, int w, int h, int bits) {
  std::string s = std::string(c.name) + " " + std::to_string(w) + "x" + std::to_string(h) + " at " +
                  std::to_string(bits) + " bits, words";
  for (auto [i, v] : c.words) s += " w" + std::to_string(i) + "=" + std::to_string(v);
  return s;
}

}  // namespace word_cases
}  // namespace testing_support
