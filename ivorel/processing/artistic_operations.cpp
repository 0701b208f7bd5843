// The artistic effects as processor operations: parameters from the block or the prompt, the checks that
// cancel, the working copy, the worker on the whole picture and what follows the write-back.
#include <algorithm>
#include <vector>

#include "ivorel/processing/artistic_effects.h"
#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/operation_support.h"

using ivorel::Outcome;

namespace {

// The largest gain a line may use: beyond it the 64-bit position could overflow on the longest lines.
constexpr std::int64_t kMostGain = std::int64_t{1} << 31;

}  // namespace

void TProcessImageEx::OilPaint() {
  int size = 3;
  if (!ivorel::integer_parameters(procData_, window_, 1, &size)) return SetOutcome(Outcome::Declined);
  if (size < 1) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    if (!ivorel::oil_paint(source_, destination_, width_, height_, size,
                           [this](int row) { ProgressCursor(0, height_ - 1, row, "OilPaint"); }))
      SetOutcome(Outcome::Failed);
  });
}

void TProcessImageEx::Crystallize() {
  int values[2] = {4, 6};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  // A window of no columns or rows would have nothing to pick from; one above 100 pixels is cut down.
  std::int64_t a = values[0], b = values[1];
  ivorel::crystallize_window(a, b);
  RunEffect([&] {
    ivorel::crystallize(source_, destination_, width_, height_, static_cast<int>(a), static_cast<int>(b),
                        [this](int row) { ProgressCursor(0, height_ - 1, row, "Crystallize"); });
  });
}

void TProcessImageEx::Pixelize() {
  int values[2] = {5, 8};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  if (values[0] < 1 || values[1] < 1) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    const int cellRows = static_cast<int>((height_ + std::int64_t{values[1]} - 1) / values[1]);
    ivorel::pixelize(source_, destination_, width_, height_, values[0], values[1],
                     [&](int row) { ProgressCursor(0, cellRows - 1, row, "Pixelize"); });
  });
}

void TProcessImageEx::LineArt() {
  ivorel::LineArtSpec spec{};
  if (procData_) {
    // The block holds the gain in hundreds and the vertical flag as an integer.
    spec = {procData_->words[1], std::int64_t{procData_->words[2]} * 100, procData_->words[3],
            procData_->words[4] != 0};
  } else {
    ivorel::EffectWords words;
    words.integers[0] = 3, words.integers[1] = 600, words.integers[2] = 9;
    words.reals[0] = 1.0f;
    if (!ivorel::effect_parameters(nullptr, window_, words)) return SetOutcome(Outcome::Declined);
    spec = {*words.integers[0], *words.integers[1], *words.integers[2], *words.reals[0] != 0.0f};
  }
  // A step of 0 cancels; a negative one would never reach the end of its line.
  if (spec.step < 1) return SetOutcome(Outcome::Declined);
  spec.gain = std::clamp(spec.gain, -kMostGain, kMostGain);
  RunEffect([&] {
    if (!ivorel::line_art(source_, destination_, width_, height_, spec,
                          [this](int row) { ProgressCursor(0, height_ - 1, row, "LineArt"); }))
      SetOutcome(Outcome::Failed);
  });
}

void TProcessImageEx::Matte() {
  int exponents[3] = {0, 0, 0};
  if (procData_) {
    std::copy_n(&procData_->words[1], 3, exponents);
  } else if (!ivorel::integer_parameters(nullptr, window_, 1, exponents)) {
    return SetOutcome(Outcome::Declined);
  }
  for (int& e : exponents) e = std::clamp(e, 0, 10);
  if (exponents[0] == 0 && exponents[1] == 0 && exponents[2] == 0) return SetOutcome(Outcome::Declined);
  // Word 1 drives the third byte of a pixel, word 3 the first.
  unsigned char tables[3][256];
  for (int c = 0; c < 3; ++c) ivorel::matte_table(exponents[2 - c], tables[c]);
  const unsigned char* const lookup[3] = {tables[0], tables[1], tables[2]};
  RunEffect(
      [&] { ivorel::matte(source_, destination_, static_cast<std::size_t>(width_) * height_, lookup); });
}

void TProcessImageEx::Slicer() {
  int amount = 0;  // read and bounded, but the slicing does not depend on it
  if (!ivorel::integer_parameters(procData_, window_, 1, &amount)) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    std::vector<signed char> columns(width_), rows(height_);
    ivorel::RandomRun random = ivorel::random_run();
    ivorel::slice_offsets(random, width_, columns.data());
    ivorel::slice_offsets(random, height_, rows.data());
    ivorel::slice(source_, destination_, width_, height_, columns.data(), rows.data(),
                  [this](int row) { ProgressCursor(0, height_ - 1, row, "Slicer"); });
  });
}

void TProcessImageEx::TinFoil() {
  int words[3] = {0, 0, 0};  // direction, base mode, invert
  if (procData_) {
    std::copy_n(&procData_->words[1], 3, words);
  } else if (!ivorel::integer_parameters(nullptr, window_, 2, words)) {
    return SetOutcome(Outcome::Declined);
  }
  const int direction = words[0], mode = words[1], invert = words[2];
  const bool onBase = mode >= 0 && mode <= 2;
  const bool rgbOrder = bitsPerPixel_ <= 8;
  RunEffect([&] {
    if (onBase) {
      const RGBCOLOR c = ivorel::colour_triple(mode == 0   ? 0x808080u
                                               : mode == 1 ? ivorel::first_colour()
                                                           : ivorel::second_colour());
      unsigned char base[3] = {rgbOrder ? c.red : c.blue, c.green, rgbOrder ? c.blue : c.red};
      if (invert != 0)
        for (unsigned char& b : base) b = static_cast<unsigned char>(~b);
      ivorel::fill_pixels(destination_, static_cast<std::size_t>(width_) * height_, base);
    }
    doAngleConvolv(0, 0, width_, height_, direction);
    if (mode == 0) ivorel::tin_foil_gray(destination_, static_cast<std::size_t>(width_) * height_);
  });
  if (LastOutcome() != Outcome::Ran || (invert == 0 && onBase)) return;
  if (invert != 0 && onBase) {
    _IMAGE_PROC_DATA own;
    own.words[4] = 2;
    _IMAGE_PROC_DATA* caller = SetImageProcData(&own);
    InvertPicHelper();
    SetImageProcData(caller);
  }
  EqualiseAfterEffect(1);
}

void TProcessImageEx::Blend() {
  int strength = 5;
  if (!ivorel::integer_parameters(procData_, window_, 1, &strength)) return SetOutcome(Outcome::Declined);
  strength = std::clamp(strength, 0, 10);
  // At strength 0 the picture stays as it is, its centre pixel included.
  if (strength == 0) return SetOutcome(Outcome::Ran);
  RunEffect([&] {
    ivorel::blend_explosion(source_, destination_, width_, height_, strength,
                            [this](int row) { ProgressCursor(0, height_ - 1, row, "Blend"); });
  });
}
