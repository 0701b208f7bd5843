// Despeckle: each interior pixel becomes the whole pixel of its 3 x 3 window whose luminance key is the
// median. The keys carry the window position in their low four bits, so that equal keys resolve in the
// window's reading order and the median of nine distinct numbers names the pixel to take; the 19-step
// exchange network then runs on whole rows of keys at once.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "ivorel/processing/exchange_network.h"
#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/rank_filters.h"
#include "ivorel/processing/row_bands.h"
#include "platform/core/cursor.h"

using ivorel::Outcome;

namespace {

using Key = std::int32_t;

void keys_of(const unsigned char* row, Key* keys, int width) {
  for (int x = 0; x < width; ++x, row += 3) keys[x] = (11 * row[0] + 59 * row[1] + 30 * row[2]) << 4;
}

// The window position (0 ... 8) of the median key for centres 1 ... count.
__attribute__((target_clones("avx2", "default"))) void median_positions(const Key* a, const Key* b,
                                                                        const Key* c, Key* out, int count) {
  for (int x = 1; x <= count; ++x) {
    out[x] = ivorel::median_of_9(a[x - 1], a[x] + 1, a[x + 1] + 2, b[x - 1] + 3, b[x] + 4, b[x + 1] + 5,
                                 c[x - 1] + 6, c[x] + 7, c[x + 1] + 8) &
             15;
  }
}

}  // namespace

namespace ivorel {

void despeckle(const unsigned char* image, unsigned char* out, std::size_t stride, int width, int height,
               const RowProgress& progress) {
  if (width < 3 || height < 3) return;
  run_row_bands(1, height - 1, band_count(height - 2, stride), [&](int band, int from, int to) {
    // Keys of three rolling rows and the chosen positions.
    std::vector<Key> keys(4 * static_cast<std::size_t>(width));
    const auto slot = [&](int y) { return keys.data() + static_cast<std::size_t>(y % 3) * width; };
    Key* chosen = keys.data() + 3 * static_cast<std::size_t>(width);
    keys_of(image + (from - 1) * stride, slot(from - 1), width);
    keys_of(image + from * stride, slot(from), width);
    for (int y = from; y < to; ++y) {
      if (band == 0 && progress) progress(band_progress_row(y, from, to, height));
      keys_of(image + (y + 1) * stride, slot(y + 1), width);
      median_positions(slot(y - 1), slot(y), slot(y + 1), chosen, width - 2);
      unsigned char* o = out + y * stride;
      for (int x = 1; x < width - 1; ++x) {
        const int p = chosen[x];
        std::memcpy(o + 3 * x, image + (y - 1 + p / 3) * stride + 3 * (x - 1 + p % 3), 3);
      }
    }
  });
}

}  // namespace ivorel

void TProcessImage::Despeckle() {
  if (!init24BitAlg()) return SetOutcome(Outcome::Failed);
  doDespeckle();
  if (LastOutcome() != Outcome::Ran) {
    // Short of memory: the image goes back to its own pixels untouched.
    ReleaseWorkingCopy();
    return;
  }
  exit24BitAlg();
}

void TProcessImage::doDespeckle() {
  pcore::WaitCursor wait;
  const std::size_t size = static_cast<std::size_t>(rowBytes24_) * height_;
  HGLOBAL block = GlobalAlloc(static_cast<std::uint32_t>(size));
  auto* data = block ? static_cast<unsigned char*>(GlobalLock(block)) : nullptr;
  if (!data || !imageData_) {
    if (block) GlobalFree(block);
    ReportNoMemory("No memory available for image despeckling");
    return SetOutcome(Outcome::Failed);
  }
  std::memset(data, 0, size);
  ivorel::despeckle(imageData_, data, rowBytes24_, width_, height_,
                    [this](int row) { ProgressCursor(0, height_ - 1, row, "Despeckle"); });
  ReplacePixels(block, data, static_cast<std::uint32_t>(size), width_, height_);
  SetOutcome(Outcome::Ran);
}
