// TProcessImage::Dither and Dither14: error diffusion of a 24-bit image onto a fixed palette of 256, 16 or 2
// colours; TProcessImageEx::DitherHelper picks one of them by number for scripts and batch use.
//
// A quarter of each channel's error (arithmetic shift) goes to the pixel below and twice that to the right
// neighbour; rows are taken in stored order, bottom row first.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imgfile/fixed_palette.h"
#include "ivorel/processing/operation_support.h"
#include "platform/core/cursor.h"

namespace {

constexpr RGBCOLOR kSixteen[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// The 16-colour entry nearest to (red, green, blue) in summed squared differences, the lowest index
// winning ties (an exact match is at distance 0).
unsigned nearest_of_sixteen(int red, int green, int blue) {
  unsigned best = 0;
  int bestDistance = 1 << 30;
  for (unsigned i = 0; i < 16; ++i) {
    const int dr = kSixteen[i].red - red, dg = kSixteen[i].green - green, db = kSixteen[i].blue - blue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

// Diffuses stored 24-bit rows onto 2 (depth 1) or 16 (depth 4) colours, packing the indices most significant
// bits first into stored rows of `depth` bits. Every output byte is written, padding included.
void dither_packed(const unsigned char* in, unsigned width, unsigned height, int depth, unsigned char* out) {
  const std::size_t inStride = ivorel::row_bytes(width, 24);
  const std::size_t outStride = ivorel::row_bytes(width, depth);
  std::vector<unsigned char> current(inStride), next(inStride);
  std::memcpy(current.data(), in, inStride);
  for (unsigned y = 0; y < height; ++y) {
    std::memcpy(next.data(), in + (y + 1 < height ? y + 1 : y) * inStride, inStride);
    unsigned char* o = out + y * outStride;
    std::memset(o, 0, outStride);
    unsigned char* c = current.data();
    unsigned char* n = next.data();
    for (unsigned x = 0; x < width; ++x, c += 3, n += 3) {
      const int b0 = c[0], b1 = c[1], b2 = c[2];
      unsigned index;
      RGBCOLOR p;
      if (depth == 1) {
        index = 16 * b1 + 11 * b2 + 5 * b0 >= 4096 ? 1 : 0;
        p = kSixteen[index ? 15 : 0];
      } else {
        index = nearest_of_sixteen(b2, b1, b0);
        p = kSixteen[index];
      }
      codaxe::diffuse_error(c, n, p, x + 1 < width);
      const unsigned bit = x * depth;
      o[bit / 8] = static_cast<unsigned char>(o[bit / 8] | index << (8 - depth - bit % 8));
    }
    current.swap(next);
  }
}

}  // namespace

void TProcessImage::DitherTo(int depth) {
  SetOutcome(ivorel::Outcome::Declined);
  if (!image_ || !imageData_ || bitsPerPixel_ != 24 || width_ == 0 || height_ == 0) return;
  pcore::RestoringWaitCursor wait;
  const std::uint64_t size = std::uint64_t{ivorel::row_bytes(width_, depth)} * height_;
  unsigned char* out = nullptr;
  HGLOBAL block = ivorel::new_pixel_block(size, out);
  if (!block) {
    ReportNoMemory("Error quantizing image.");
    return SetOutcome(ivorel::Outcome::Failed);
  }
  RGBCOLOR palette[256] = {};
  unsigned short colours = 256;
  if (depth == 8) {
    codaxe::dither_to_fixed_palette(imageData_, width_, height_, out);
    std::copy(codaxe::fixed_palette().begin(), codaxe::fixed_palette().end(), palette);
  } else {
    dither_packed(imageData_, width_, height_, depth, out);
    if (depth == 4) {
      colours = 16;
      for (int i = 0; i < 256; ++i) palette[i] = kSixteen[i % 16];
    } else {
      colours = 2;
      palette[1] = kSixteen[15];
    }
  }
  InstallNewDepth(block, out, static_cast<std::uint32_t>(size), static_cast<unsigned short>(depth), colours,
                  palette);
}

void TProcessImage::Dither() {
  DitherTo(8);
}

void TProcessImage::Dither14() {
  const int depth = procData_ ? procData_->words[1] : 1;
  if (depth != 1 && depth != 4) return SetOutcome(ivorel::Outcome::Declined);
  DitherTo(depth);
}

void TProcessImageEx::DitherHelper() {
  SetOutcome(ivorel::Outcome::Declined);
  const unsigned mode = procData_ ? static_cast<std::uint16_t>(procData_->words[1]) : 0xFFFFu;
  // Only the three dithers; a mode that names none leaves a palette image unpromoted.
  if (mode > 2 || mode >= bitsPerPixel_) return;
  if (bitsPerPixel_ < 24) {
    PromoteTo24BPP(0);
    if (LastOutcome() != ivorel::Outcome::Ran) return;
  }
  _IMAGE_PROC_DATA own;
  own.words[1] = mode == 0 ? 1 : 4;
  _IMAGE_PROC_DATA* caller = SetImageProcData(&own);
  if (mode == 2) {
    Dither();
  } else {
    Dither14();
  }
  SetImageProcData(caller);
}
