// The fixed 3 x 3 kernels against a plain loop written from their definition (neighbour n at column
// n / 3 - 1 and row n % 3 - 1 in buffer row order, divisor, strength mix, black frame), on true-colour
// and palette images, and the helpers that pick them from a block.
#include <gtest/gtest.h>

#include <climits>

#include "filter_support.h"
#include "ivorel/processing/neighbourhood_filters.h"

using namespace testing_support;
using Outcome = ivorel::Outcome;

namespace {

struct Fixed {
  const char* name;
  void (TProcessImage::*op)();
  KERNEL kernel;
  int strength;
};

const Fixed kFixed[] = {
    {"HighPass1", &TProcessImage::HighPass1, {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1}, 3},
    {"HighPass2", &TProcessImage::HighPass2, {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1}, 3},
    {"HighPass3", &TProcessImage::HighPass3, {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1}, 3},
    {"LowPass1", &TProcessImage::LowPass1, {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}, 3},
    {"LowPass2", &TProcessImage::LowPass2, {{1, 1, 1, 1, 2, 1, 1, 1, 1}, 10}, 3},
    {"LowPass3", &TProcessImage::LowPass3, {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}, 3},
    {"NorthEdges", &TProcessImage::NorthEdges, {{1, 1, 1, 1, -2, 1, -1, -1, -1}, 1}, 5},
    {"NorthEastEdges", &TProcessImage::NorthEastEdges, {{1, 1, 1, -1, -2, 1, -1, -1, 1}, 1}, 5},
    {"EastEdges", &TProcessImage::EastEdges, {{-1, 1, 1, -1, -2, 1, -1, 1, 1}, 1}, 5},
    {"SouthEastEdges", &TProcessImage::SouthEastEdges, {{-1, -1, 1, -1, -2, 1, 1, 1, 1}, 1}, 5},
    {"SouthEdges", &TProcessImage::SouthEdges, {{-1, -1, -1, 1, -2, 1, 1, 1, 1}, 1}, 5},
    {"SouthWestEdges", &TProcessImage::SouthWestEdges, {{1, -1, -1, 1, -2, -1, 1, 1, 1}, 1}, 5},
    {"WestEdges", &TProcessImage::WestEdges, {{1, 1, -1, 1, -2, -1, 1, 1, -1}, 1}, 5},
    {"NorthWestEdges", &TProcessImage::NorthWestEdges, {{1, 1, 1, 1, -2, -1, 1, -1, -1}, 1}, 5},
};

// The kernel filter on rows in buffer order.
Picture reference_kernel(const Picture& in, const KERNEL& k, long long strength) {
  Picture out{in.width, in.height, std::vector<unsigned char>(in.bytes.size(), 0)};
  for (int y = 1; y < in.height - 1; ++y)
    for (int x = 1; x < in.width - 1; ++x)
      for (int c = 0; c < 3; ++c) {
        long long s = 0;
        for (int n = 0; n < 9; ++n)
          s += static_cast<long long>(k.element[n]) * in.at(x + n / 3 - 1, y + n % 3 - 1)[c];
        if (k.divisor != 1) s /= k.divisor;
        const long long p = in.at(x, y)[c];
        if (strength != 10) s = p + (s - p) * strength / 10;
        out.at(x, y)[c] = clamp_to_byte(s);
      }
  return out;
}

Outcome run(TestImage& image, const Fixed& f, int strength) {
  return run_with_block(image, block_of({{1, strength}}), [&](TProcessImageEx& p) { (p.*f.op)(); });
}

TEST(FixedKernels, EveryKernelAndStrengthMatchesTheReference) {
  // 37 pixels make 111 bytes a row: one padding byte, which must come out 0 as well.
  const Picture picture = random_picture(37, 23, 5);
  for (const Fixed& f : kFixed) {
    for (int strength : {0, 3, 7, 10, 25, -4, INT_MAX, INT_MIN}) {
      auto image = stored_24(picture);
      for (int y = 0; y < 23; ++y) image->object.image.imageData[y * image->stride() + 111] = 0xEE;
      ASSERT_EQ(run(*image, f, strength), Outcome::Ran);
      // A true-colour image's working rows are its stored rows, bottom first.
      EXPECT_EQ(picture_of(*image), flipped(reference_kernel(flipped(picture), f.kernel, strength)))
          << f.name << " strength " << strength;
      for (int y = 0; y < 23; ++y) ASSERT_EQ(image->object.image.imageData[y * image->stride() + 111], 0);
    }
  }
}

TEST(FixedKernels, StrengthZeroOnlyBlackensTheFrameAndLowPassKeepsAFlatPicture) {
  const Picture picture = random_picture(9, 7, 6);
  auto image = stored_24(picture);
  run(*image, kFixed[0], 0);
  const Picture out = picture_of(*image);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      for (int c = 0; c < 3; ++c) {
        const bool frame = x == 0 || y == 0 || x == 8 || y == 6;
        ASSERT_EQ(out.at(x, y)[c], frame ? 0 : picture.at(x, y)[c]) << x << "," << y;
      }
  Picture flat{6, 5, std::vector<unsigned char>(90)};
  for (std::size_t i = 0; i < flat.bytes.size(); ++i)
    flat.bytes[i] = static_cast<unsigned char>(100 + i % 3 * 50);
  for (const Fixed& f : {kFixed[3], kFixed[4], kFixed[5]}) {
    auto img = stored_24(flat);
    run(*img, f, 10);
    EXPECT_EQ(picture_of(*img).at(2, 2)[0], 100);
    EXPECT_EQ(picture_of(*img).at(4, 3)[2], 200);
    EXPECT_EQ(picture_of(*img).at(0, 2)[1], 0);
  }
}

TEST(FixedKernels, PaletteImagesRunOnTheirUpsideDownWorkingCopy) {
  // Gray pictures keep at most 256 colours, so the way back to 8 bits is exact and the result can be
  // compared byte for byte: the working copy's rows run top first, so the compass answers the mirrored
  // direction of the true-colour run.
  const Picture picture = random_gray_picture(21, 13, 7);
  for (const Fixed& f : {kFixed[7], kFixed[8], kFixed[10], kFixed[0]}) {
    auto gray = stored_gray_8(picture);
    ASSERT_EQ(run(*gray, f, 5), Outcome::Ran);
    EXPECT_EQ(gray->object.image.bitsPerPixel, 8);
    EXPECT_EQ(picture_of(*gray), reference_kernel(picture, f.kernel, 5)) << f.name;
    auto rgb = stored_24(picture);
    run(*rgb, f, 5);
    const int* e = f.kernel.element;
    if (e[0] != e[2] || e[3] != e[5] || e[6] != e[8]) {
      EXPECT_NE(picture_of(*rgb), picture_of(*gray)) << f.name;
    }
  }
  // A 4-bit image comes back as a 4-bit image of at most 16 colours.
  TestImage four(19, 8, 4, 16, random_bytes(ivorel::row_bytes(19, 4) * 8, 8));
  for (int i = 0; i < 16; ++i)
    four.object.image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i * 16), 40, 200};
  ASSERT_EQ(run(four, kFixed[3], 10), Outcome::Ran);
  EXPECT_EQ(four.object.image.bitsPerPixel, 4);
  EXPECT_EQ(four.object.image.imageSize, ivorel::row_bytes(19, 4) * 8);
  EXPECT_LE(four.colours_used().size(), 16u);
}

TEST(FixedKernels, DialogCancelTouchesNothingAndTinyImagesTurnBlack) {
  const Picture picture = random_gray_picture(8, 6, 9);
  auto gray = stored_gray_8(picture);
  const auto before = gray->pixels();
  const HGLOBAL block = gray->object.image.hImageData;
  ScriptedDialogs dialogs;
  dialogs.answers.push_back({false, {}});
  TProcessImageEx p(&gray->object);
  p.NorthEastEdges();
  EXPECT_EQ(p.LastOutcome(), Outcome::Declined);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].dialog, pcore::ParameterDialog::FilterControl);
  EXPECT_EQ(dialogs.requests[0].description, "This operation enhances north easterly image edges.");
  EXPECT_EQ(dialogs.requests[0].integers[0], 5);
  EXPECT_EQ(gray->pixels(), before);
  EXPECT_EQ(gray->object.image.hImageData, block);
  EXPECT_EQ(gray->object.image.bitsPerPixel, 8);
  dialogs.answers.push_back({true, {10}});
  p.LowPass2();
  EXPECT_EQ(dialogs.requests[1].integers[0], 3);
  EXPECT_EQ(p.LastOutcome(), Outcome::Ran);
  EXPECT_EQ(picture_of(*gray), reference_kernel(picture, kFixed[4].kernel, 10));

  for (auto [w, h] : {std::pair{1, 1}, {2, 5}, {5, 2}}) {
    TestImage tiny(w, h, 24, 0, random_bytes(ivorel::row_bytes(w, 24) * h, 10));
    EXPECT_EQ(run(tiny, kFixed[0], 10), Outcome::Ran);
    for (unsigned char b : tiny.pixels()) ASSERT_EQ(b, 0) << w << "x" << h;
  }
}

TEST(FixedKernels, BandsOfALargeImageMeetExactly) {
  // Large enough to be shared among the cores: the rows on either side of each band boundary.
  const Picture picture = random_picture(640, 560, 11);
  for (const Fixed& f : {kFixed[0], kFixed[5], kFixed[9]}) {
    auto image = stored_24(picture);
    run(*image, f, 7);
    EXPECT_EQ(picture_of(*image), flipped(reference_kernel(flipped(picture), f.kernel, 7))) << f.name;
  }
}

TEST(FixedKernels, UnusualKernelsAreExactAndADivisorOfZeroDividesByOne) {
  std::vector<unsigned char> padded(ivorel::row_bytes(15, 24) * 9);
  const Picture picture = random_picture(15, 9, 12);
  const std::size_t stride = ivorel::row_bytes(15, 24);
  for (int y = 0; y < 9; ++y) std::memcpy(&padded[y * stride], picture.at(0, y), 45);
  for (const KERNEL& k :
       {KERNEL{{3, 0, -7, 1, 2, 1, 0, 0, 5}, 7}, KERNEL{{INT_MAX, 1, 1, 1, 1, 1, 1, 1, INT_MIN}, 3},
        KERNEL{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 0}, KERNEL{{0, 0, 0, 0, 1, 0, 0, 0, 0}, -2}}) {
    for (int strength : {10, 4, 1000000}) {
      std::vector<unsigned char> buffer = padded;
      ASSERT_TRUE(ivorel::convolve_kernel(buffer.data(), stride, 15, 9, k, strength, nullptr));
      KERNEL r = k;
      if (r.divisor == 0) r.divisor = 1;
      Picture got{15, 9, std::vector<unsigned char>(405)};
      for (int y = 0; y < 9; ++y) std::memcpy(got.at(0, y), &buffer[y * stride], 45);
      // INT_MAX * 255 leaves 32 bits; the reference sums in 64.
      EXPECT_EQ(got, reference_kernel(picture, r, strength)) << k.element[0] << " " << strength;
    }
  }
}

TEST(FilterHelpers, PickTheirKernelFromTheBlock) {
  const Picture picture = random_picture(12, 10, 13);
  const auto direct = [&](const Fixed& f) {
    auto image = stored_24(picture);
    run(*image, f, 6);
    return picture_of(*image);
  };
  for (int n = 1; n <= 3; ++n) {
    auto high = stored_24(picture), low = stored_24(picture);
    run_with_block(*high, block_of({{1, 6}, {2, n}}), [](TProcessImageEx& p) { p.HighPassHelper(); });
    run_with_block(*low, block_of({{1, 6}, {2, n}}), [](TProcessImageEx& p) { p.LowPassHelper(); });
    EXPECT_EQ(picture_of(*high), direct(kFixed[n - 1]));
    EXPECT_EQ(picture_of(*low), direct(kFixed[n + 2]));
  }
  struct Pair {
    int h, v, index;
  };
  for (Pair d : {Pair{-1, -1, 11},
                 {-1, 0, 12},
                 {-1, 1, 13},
                 {0, 1, 6},
                 {0, -1, 10},
                 {1, -1, 9},
                 {1, 0, 8},
                 {1, 1, 7}}) {
    auto image = stored_24(picture);
    run_with_block(*image, block_of({{1, 6}, {2, d.h}, {3, d.v}}),
                   [](TProcessImageEx& p) { p.EdgeEnhanceHelper(); });
    EXPECT_EQ(picture_of(*image), direct(kFixed[d.index])) << d.h << "," << d.v;
  }
  auto image = stored_24(picture);
  EXPECT_EQ(run_with_block(*image, block_of({{1, 6}}), [](TProcessImageEx& p) { p.EdgeEnhanceHelper(); }),
            Outcome::Ran);
  EXPECT_EQ(picture_of(*image), picture) << "(0, 0) only repaints";
  for (auto words : {block_of({{2, 4}}), block_of({{2, 0}})}) {
    EXPECT_EQ(run_with_block(*image, words, [](TProcessImageEx& p) { p.HighPassHelper(); }),
              Outcome::Declined);
  }
  EXPECT_EQ(
      run_with_block(*image, block_of({{2, 2}, {3, 1}}), [](TProcessImageEx& p) { p.EdgeEnhanceHelper(); }),
      Outcome::Declined);
  TProcessImageEx noBlock(&image->object);
  noBlock.LowPassHelper();
  EXPECT_EQ(noBlock.LastOutcome(), Outcome::Declined);
  EXPECT_EQ(picture_of(*image), picture);
}

}  // namespace
