// Shearing on the effect buffers: the canvas first grows by the shear's reach (anchored top left), the
// destination is filled, and each row (horizontal shear) or column (vertical shear) of the source is copied
// shifted by an amount that grows linearly across the picture.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ivorel/processing/canvas.h"
#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "ivorel/processing/row_bands.h"

using ivorel::Outcome;

namespace {

// Columns (horizontal) or rows (vertical) by which the far edge moves: trunc(extent x tan + 1).
long shear_reach(int extent, int angle) {
  return static_cast<long>(extent * std::tan(angle * 0.01745329252) + 1);
}

}  // namespace

void TProcessImageEx::Shear() {
  int angle = 0, vertical = 0, fill = 0;
  if (procData_) {
    angle = procData_->words[1];
    vertical = procData_->words[2];
    fill = procData_->words[3];
  } else {
    pcore::ParameterRequest request;
    request.integers[0] = angle;
    request.integers[1] = vertical;
    if (!ivorel::ask_parameters(request, window_)) return SetOutcome(Outcome::Declined);
    angle = request.integers[0].value_or(angle);
    vertical = request.integers[1].value_or(vertical);
    UpdateAfterDialog();
  }
  if (angle < -89 || angle > 89 || angle == 0) return SetOutcome(Outcome::Declined);
  if (!imageData_ || width_ == 0 || height_ == 0) return SetOutcome(Outcome::Failed);
  const long k = std::labs(shear_reach(vertical ? width_ : height_, angle));
  const float widthFactor = vertical ? 1.0f : static_cast<float>(static_cast<double>(k) / width_ + 1);
  const float heightFactor = vertical ? static_cast<float>(static_cast<double>(k) / height_ + 1) : 1.0f;
  // The fill codes of the canvas: 1 white, 3 the second colour, 0 black.
  const int canvasFill = fill == 1 ? 1 : fill >= 2 ? 3 : 0;
  if (!ivorel::enlarge_canvas_with(*this, 0, canvasFill, widthFactor, heightFactor)) {
    return SetOutcome(Outcome::Failed);
  }
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  RGBCOLOR c{};
  if (fill == 1) c = RGBCOLOR{255, 255, 255};
  if (fill >= 2) c = ivorel::colour_triple(ivorel::second_colour());
  // The buffers hold a true-colour image blue first, a promoted palette image red first.
  const unsigned char order[3] = {savedDepth_ ? c.red : c.blue, c.green, savedDepth_ ? c.blue : c.red};
  const std::size_t stride = static_cast<std::size_t>(width_) * 3;
  for (std::size_t i = 0; i < stride; i += 3) std::memcpy(destination_ + i, order, 3);
  for (int y = 1; y < height_; ++y) std::memcpy(destination_ + y * stride, destination_, stride);
  doShear(0, 0, width_, height_, angle, vertical);
  SetOutcome(Outcome::Ran);
  end24bitAlg();
}

void TProcessImageEx::doShear(int left, int top, int width, int height, int angle, int vertical) {
  if (!source_ || !destination_ || !ivorel::clamp_rect(width_, height_, left, top, width, height)) return;
  const long k = shear_reach(vertical ? width : height, angle);
  const long reach = std::labs(k);
  const std::size_t stride = static_cast<std::size_t>(width_) * 3;
  const auto at = [&](unsigned char* buffer, long x, long y) { return buffer + y * stride + x * 3; };
  if (!vertical) {
    for (long y = top; y < top + height; ++y) {
      ProgressCursor(0, height_ - 1, static_cast<int>(y), "Shear");
      const long s = k >= 0 ? (y - top) * k / height : (top + height - y) * reach / height;
      const long count = width - s - 1;
      if (count > 0) std::memcpy(at(destination_, left + s, y), at(source_, left, y), count * 3);
    }
    return;
  }
  for (long y = top; y <= top + height - reach - 1; ++y) {
    ProgressCursor(0, height_ - 1, static_cast<int>(y), "Shear");
    for (long x = left; x < left + width; ++x) {
      const long down = k >= 0 ? (x - left) * k / width : (width - (x - left)) * reach / width;
      if (y + down < top + height) std::memcpy(at(destination_, x, y + down), at(source_, x, y), 3);
    }
  }
}
