// Resizing the stored image: nearest samples when the picture shrinks (and always for 8-bit images),
// interpolate() when a true-colour picture grows in either direction. interpolate() is virtual: resizing
// runs on a plain TProcessImage, whose samples come from the stored image.
#include <cmath>
#include <new>
#include <vector>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "ivorel/processing/row_bands.h"
#include "platform/core/cursor.h"

using ivorel::Outcome;

namespace {

// trunc(size x scale), at least one pixel; scale factors run down to 1/20, and a picture a few pixels
// across must not vanish.
long scaled_extent(unsigned short size, float scale) {
  const double v = size * static_cast<double>(scale);
  if (!(v >= 1)) return 1;
  return v > 1e9 ? 1000000000L : static_cast<long>(v);
}

// The scale position a block's word 11 gives: its value x 100, truncated, within the positions that exist.
int block_position(float word) {
  const double v = word * 100.0;
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, -1000.0, 1000.0));
}

}  // namespace

void TProcessImage::Resize() {
  if ((bitsPerPixel_ == 1 || bitsPerPixel_ == 4) && !init24BitAlg()) return SetOutcome(Outcome::Failed);
  if (!doResize()) {
    // Nothing to resize (cancelled, refused, the same size) or no memory: the working copy goes unused.
    ReleaseWorkingCopy();
    return;
  }
  if (savedDepth_ < 8) exit24BitAlg();
}

int TProcessImage::doResize() {
  _RESIZE_PARAM param;
  param.scaleMode = 1;
  param.width = width_;
  param.height = height_;
  param.xResolution = xResolution_;
  param.yResolution = yResolution_;
  param.scale = 1.0f;
  long newWidth = width_, newHeight = height_;
  if (procData_) {
    if (procData_->words[1] >= 1 && procData_->words[2] > 0) {
      newWidth = procData_->words[1];
      newHeight = procData_->words[2];
    } else {
      const float scale = ScaleFromPosition(block_position(procData_->GetFloat(11)));
      newWidth = scaled_extent(width_, scale);
      newHeight = scaled_extent(height_, scale);
    }
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::ResizeControl;
    request.resize = &param;
    if (!ivorel::ask_parameters(request, window_)) {
      SetOutcome(Outcome::Declined);
      return 0;
    }
    UpdateAfterDialog();
    newWidth = param.width;
    newHeight = param.height;
    if (newWidth < 1 || newHeight < 1) {
      SetOutcome(Outcome::Declined);
      return 0;
    }
  }
  xResolution_ = param.xResolution;
  yResolution_ = param.yResolution;
  if (image_) {
    image_->image.xResolution = param.xResolution;
    image_->image.yResolution = param.yResolution;
  }
  SetOutcome(Outcome::Ran);
  if (newWidth == width_ && newHeight == height_) return 0;
  if (!imageData_ || width_ == 0 || height_ == 0 || (bitsPerPixel_ != 8 && bitsPerPixel_ != 24)) {
    SetOutcome(Outcome::Failed);
    return 0;
  }

  pcore::WaitCursor wait;
  const int bytes = bitsPerPixel_ / 8;
  const std::uint32_t stride = ivorel::row_bytes(static_cast<std::uint32_t>(newWidth), bitsPerPixel_);
  const std::uint64_t size = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(newHeight);
  // A size no image descriptor can hold is as unreachable as one the memory cannot.
  HGLOBAL block = newWidth <= 65535 && newHeight <= 65535 && size <= UINT32_MAX
                      ? GlobalAlloc(static_cast<std::size_t>(size))
                      : nullptr;
  auto* out = static_cast<unsigned char*>(GlobalLock(block));
  std::vector<std::size_t> columns;
  try {
    if (out) columns.resize(static_cast<std::size_t>(newWidth));
  } catch (const std::bad_alloc&) {
    GlobalUnlock(block);
    out = nullptr;
  }
  if (!out) {
    GlobalFree(block);
    ReportNoMemory("No memory available for resizing image");
    SetOutcome(Outcome::Failed);
    return 0;
  }

  const long w = width_, h = height_;
  const std::uint32_t oldStride = ivorel::row_bytes(width_, bitsPerPixel_);
  for (long x = 0; x < newWidth; ++x) columns[x] = static_cast<std::size_t>(x * w / newWidth) * bytes;
  const bool grows = newWidth > w || newHeight > h;
  ivorel::for_row_bands(
      static_cast<int>(newHeight), static_cast<std::size_t>(size) * (grows && bytes == 3 ? 16 : 1),
      [&](int first, int end) {
        for (long y = first; y < end; ++y) {
          if (first == 0) ProgressCursor(0, static_cast<int>(newHeight - 1), static_cast<int>(y), "Resize");
          unsigned char* d = out + static_cast<std::size_t>(y) * stride;
          const unsigned char* s = imageData_ + static_cast<std::size_t>(y * h / newHeight) * oldStride;
          if (bytes == 1) {
            for (long x = 0; x < newWidth; ++x) d[x] = s[columns[x]];
          } else if (!grows) {
            for (long x = 0; x < newWidth; ++x, d += 3) {
              const unsigned char* p = s + columns[x];
              d[0] = p[0];
              d[1] = p[1];
              d[2] = p[2];
            }
          } else {
            const double sy = static_cast<double>(h) * y / newHeight;
            for (long x = 0; x < newWidth; ++x, d += 3) {
              RGBCOLOR c;
              interpolate(static_cast<double>(w) * x / newWidth, sy, c);
              d[0] = c.blue;
              d[1] = c.green;
              d[2] = c.red;
            }
          }
        }
      });
  ReplacePixels(block, out, static_cast<std::uint32_t>(size), static_cast<unsigned short>(newWidth),
                static_cast<unsigned short>(newHeight));
  return 1;
}
