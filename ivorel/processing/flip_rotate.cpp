// Mirrors and quarter turns of the stored image. 8- and 24-bit images are worked on in place (mirrors) or
// into one new block (turns); 1- and 4-bit images go through the promoted working copy, whose rows are in
// reverse order: a mirror does not care, a turn swaps its sense to compensate.
//
// The display is rebuilt and the image marked modified once, by exit24BitAlg, after the pixels are final.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "ivorel/processing/row_bands.h"
#include "platform/core/cursor.h"

using ivorel::Outcome;

namespace {

template <int Bytes>
void mirror_rows(unsigned char* data, std::uint32_t stride, int width, int first, int end) {
  for (int y = first; y < end; ++y) {
    unsigned char* l = data + static_cast<std::size_t>(y) * stride;
    unsigned char* r = l + static_cast<std::size_t>(width - 1) * Bytes;
    for (; l < r; l += Bytes, r -= Bytes) {
      unsigned char t[Bytes];
      std::memcpy(t, l, Bytes);
      std::memcpy(l, r, Bytes);
      std::memcpy(r, t, Bytes);
    }
  }
}

// new(c, r) = old(column of new row r, row of new column c), in square tiles so that the rows of the old
// picture that one tile reads stay in the cache while its new rows are written.
template <int Bytes, typename Progress>
void turn_rows(const unsigned char* old, std::uint32_t oldStride, int oldWidth, int oldHeight,
               unsigned char* out, std::uint32_t outStride, int direction, int first, int end,
               Progress progress) {
  constexpr int kTile = 64;
  const unsigned char* rows[kTile];
  for (int r0 = first; r0 < end; r0 += kTile) {
    const int r1 = std::min(end, r0 + kTile);
    progress(r0);
    for (int c0 = 0; c0 < oldHeight; c0 += kTile) {
      const int c1 = std::min(oldHeight, c0 + kTile);
      for (int c = c0; c < c1; ++c) {
        const int sy = direction ? oldHeight - 1 - c : c;
        rows[c - c0] = old + static_cast<std::size_t>(sy) * oldStride;
      }
      for (int r = r0; r < r1; ++r) {
        const std::size_t sx = static_cast<std::size_t>(direction ? r : oldWidth - 1 - r) * Bytes;
        unsigned char* d =
            out + static_cast<std::size_t>(r) * outStride + static_cast<std::size_t>(c0) * Bytes;
        int k = 0;
        if (Bytes == 3 && sx + 4 <= oldStride) {
          // Whole words: each store's fourth byte is the next pixel's first, which the next store writes.
          for (; k < c1 - c0 - 1; ++k, d += 3) std::memcpy(d, rows[k] + sx, 4);
        }
        for (; k < c1 - c0; ++k, d += Bytes) std::memcpy(d, rows[k] + sx, Bytes);
      }
    }
  }
}

}  // namespace

void TProcessImage::FlipHorz() {
  FlipImage(1);
}

void TProcessImage::FlipVert() {
  FlipImage(0);
}

void TProcessImage::RotateCW() {
  RotateImage(0);
}

void TProcessImage::RotateCCW() {
  RotateImage(1);
}

int TProcessImage::FlipImage(int horizontal) {
  return AtStoredOrWorkingDepth([&] { return doFlipImage(horizontal); });
}

// Palette images of 1 and 4 bits are worked on as their promoted copy; 8- and 24-bit images as they are.
int TProcessImage::AtStoredOrWorkingDepth(const std::function<int()>& work) {
  if ((bitsPerPixel_ == 1 || bitsPerPixel_ == 4) && !init24BitAlg()) {
    SetOutcome(Outcome::Failed);
    return 0;
  }
  if (!work()) {
    ReleaseWorkingCopy();
    SetOutcome(Outcome::Failed);
    return 0;
  }
  SetOutcome(Outcome::Ran);
  if (savedDepth_ < 8) exit24BitAlg();
  return 1;
}

int TProcessImage::doFlipImage(int horizontal) {
  pcore::WaitCursor wait;
  if (!imageData_ || width_ == 0 || height_ == 0 || (bitsPerPixel_ != 8 && bitsPerPixel_ != 24)) return 0;
  const std::uint32_t stride = bitsPerPixel_ == 24 ? rowBytes24_ : rowBytes8_;
  unsigned char* scratch = new (std::nothrow) unsigned char[stride];
  if (!scratch) {
    ReportNoMemory("No memory available for image flipping");
    return 0;
  }
  const int w = width_, h = height_;
  if (horizontal) {
    ivorel::for_row_bands(h, static_cast<std::size_t>(stride) * h, [&](int first, int end) {
      for (int y = first; y < end; ++y) {
        if (first == 0) ProgressCursor(0, h - 1, y, "FlipImage");
        if (bitsPerPixel_ == 24) {
          mirror_rows<3>(imageData_, stride, w, y, y + 1);
        } else {
          mirror_rows<1>(imageData_, stride, w, y, y + 1);
        }
      }
    });
  } else {
    for (int r = 0; r < h / 2; ++r) {
      ProgressCursor(0, h / 2 - 1, r, "FlipImage");
      unsigned char* a = imageData_ + static_cast<std::size_t>(r) * stride;
      unsigned char* b = imageData_ + static_cast<std::size_t>(h - 1 - r) * stride;
      std::memcpy(scratch, a, stride);
      std::memcpy(a, b, stride);
      std::memcpy(b, scratch, stride);
    }
  }
  delete[] scratch;
  return 1;
}

int TProcessImage::RotateImage(int direction) {
  // The promoted copy is upside down: the sense of the turn swaps with it.
  return AtStoredOrWorkingDepth([&] { return doRotateImage(savedDepth_ != 0 ? !direction : direction); });
}

int TProcessImage::doRotateImage(int direction) {
  pcore::WaitCursor wait;
  if (!imageData_ || (bitsPerPixel_ != 8 && bitsPerPixel_ != 24)) return 0;
  const int w = width_, h = height_;
  const std::uint32_t oldStride = ivorel::row_bytes(w, bitsPerPixel_);
  const std::uint32_t newStride = ivorel::row_bytes(h, bitsPerPixel_);
  // The padding differs between the two shapes: the turned picture may not fit a 32-bit size.
  const std::uint64_t size = static_cast<std::uint64_t>(w) * newStride;
  HGLOBAL block = size <= UINT32_MAX ? GlobalAlloc(static_cast<std::size_t>(size)) : nullptr;
  auto* out = static_cast<unsigned char*>(GlobalLock(block));
  if (!out) {
    GlobalFree(block);
    ReportNoMemory("No memory available for image rotation");
    return 0;
  }
  ivorel::for_row_bands(w, static_cast<std::size_t>(size) * 2, [&](int first, int end) {
    const auto step = [&](int row) {
      if (first == 0) ProgressCursor(0, w - 1, row, "RotateImage");
    };
    if (bitsPerPixel_ == 24) {
      turn_rows<3>(imageData_, oldStride, w, h, out, newStride, direction, first, end, step);
    } else {
      turn_rows<1>(imageData_, oldStride, w, h, out, newStride, direction, first, end, step);
    }
  });
  ReplacePixels(block, out, static_cast<std::uint32_t>(size), static_cast<unsigned short>(h),
                static_cast<unsigned short>(w));
  if (image_) image_->CalculateScrollRange(image_->view.zoom, width_, height_);
  return 1;
}
