// Canvas enlargement: the stored picture, at any of the four depths, placed at one of nine anchors on a
// larger canvas filled with white, black, a drawing colour or the palette entry nearest to one.
#include "ivorel/processing/canvas.h"

#include <cmath>
#include <cstring>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_support.h"
#include "platform/core/cursor.h"

using ivorel::Outcome;

namespace ivorel {

long canvas_extent(unsigned short size, float factor) {
  const double v = size * static_cast<double>(factor);
  if (!(v >= 0)) return 0;
  return v > 1e9 ? 1000000000L : static_cast<long>(v);
}

bool enlarge_canvas_with(TProcessImageEx& processor, int anchor, int fill, float widthFactor,
                         float heightFactor) {
  const long width = canvas_extent(processor.Width(), widthFactor);
  const long height = canvas_extent(processor.Height(), heightFactor);
  _IMAGE_PROC_DATA block;
  block.words[1] = anchor;
  block.words[2] = fill;
  block.SetFloat(11, widthFactor);
  block.SetFloat(12, heightFactor);
  _IMAGE_PROC_DATA* caller = processor.SetImageProcData(&block);
  processor.EnlargeCanvas();
  processor.SetImageProcData(caller);
  return processor.Width() == width && processor.Height() == height;
}

}  // namespace ivorel

namespace {

// Index of the palette entry a fill code asks for: 1 the brightest, 2 and 3 the entry nearest the first or
// second colour, anything else the darkest (first entry wins each tie).
int fill_index(const RGBCOLOR* palette, int entries, int fill) {
  int darkest = 0, brightest = 0, nearest = 0;
  int low = 1 << 30, high = -1, best = 1 << 30;
  const RGBCOLOR want = ivorel::colour_triple(fill == 2 ? ivorel::first_colour() : ivorel::second_colour());
  for (int i = 0; i < entries; ++i) {
    const int l = ivorel::l100_entry(palette[i]);
    if (l < low) low = l, darkest = i;
    if (l > high) high = l, brightest = i;
    const int dr = palette[i].red - want.red, dg = palette[i].green - want.green,
              db = palette[i].blue - want.blue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best) best = d, nearest = i;
  }
  return fill == 1 ? brightest : fill == 2 || fill == 3 ? nearest : darkest;
}

// The byte that holds `index` in every pixel position.
unsigned char repeated(int index, int depth) {
  if (depth == 1) return index ? 0xFF : 0x00;
  if (depth == 4) return static_cast<unsigned char>(index << 4 | index);
  return static_cast<unsigned char>(index);
}

}  // namespace

void TProcessImageEx::EnlargeCanvas() {
  if (!image_) return SetOutcome(Outcome::Declined);
  int anchor = 4, fill = 0;
  long newWidth = 0, newHeight = 0;
  if (procData_) {
    anchor = procData_->words[1];
    fill = procData_->words[2];
    newWidth = ivorel::canvas_extent(width_, procData_->GetFloat(11));
    newHeight = ivorel::canvas_extent(height_, procData_->GetFloat(12));
  } else {
    pcore::ParameterRequest request;
    request.integers[0] = width_;
    request.integers[1] = height_;
    request.integers[2] = anchor;
    if (!ivorel::ask_parameters(request, window_)) return SetOutcome(Outcome::Declined);
    newWidth = request.integers[0].value_or(width_);
    newHeight = request.integers[1].value_or(height_);
    anchor = request.integers[2].value_or(anchor);
    UpdateAfterDialog();
  }
  const int depth = bitsPerPixel_;
  const long w = width_, h = height_;
  if (newWidth < w || newHeight < h || (newWidth == w && newHeight == h))
    return SetOutcome(Outcome::Declined);
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return SetOutcome(Outcome::Declined);
  // Extents are 16-bit and sizes 32-bit wherever an image is described.
  const std::uint32_t stride = ivorel::row_bytes(static_cast<std::uint32_t>(newWidth), depth);
  const std::uint64_t size = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(newHeight);
  if (newWidth > 65535 || newHeight > 65535 || size > UINT32_MAX || !imageData_ || w == 0 || h == 0) {
    return SetOutcome(Outcome::Declined);
  }
  pcore::WaitCursor wait;
  HGLOBAL block = GlobalAlloc(static_cast<std::size_t>(size));
  auto* out = static_cast<unsigned char*>(GlobalLock(block));
  if (!out) {
    GlobalFree(block);
    return SetOutcome(Outcome::Failed);
  }

  if (depth == 24) {
    if (fill == 1) {
      std::memset(out, 255, size);
    } else if (fill == 2 || fill == 3) {
      const RGBCOLOR c = ivorel::colour_triple(fill == 2 ? ivorel::first_colour() : ivorel::second_colour());
      for (long y = 0; y < newHeight; ++y) {
        unsigned char* p = out + static_cast<std::size_t>(y) * stride;
        for (long x = 0; x < newWidth; ++x, p += 3) {
          p[0] = c.blue;
          p[1] = c.green;
          p[2] = c.red;
        }
      }
    }
  } else {
    const int entries = std::min<int>(colors_, 1 << depth);
    std::memset(out, repeated(fill_index(palette_, entries, fill), depth), size);
  }

  long ox = (newWidth - w) / 2, oy = (newHeight - h) / 2;
  switch (anchor) {
    case 0:
      ox = 0, oy = newHeight - h;
      break;
    case 1:
      oy = newHeight - h;
      break;
    case 2:
      ox = newWidth - w, oy = newHeight - h;
      break;
    case 3:
      ox = 0;
      break;
    case 5:
      ox = newWidth - w;
      break;
    case 6:
      ox = 0, oy = 0;
      break;
    case 7:
      oy = 0;
      break;
    case 8:
      ox = newWidth - w, oy = 0;
      break;
    default:
      break;
  }
  const std::uint32_t oldStride = ivorel::row_bytes(width_, depth);
  if (depth < 8 && ox * depth % 8 != 0) {
    // The picture starts inside a byte: pixel by pixel, so that it lands at column ox and not at the
    // byte before it.
    const int mask = (1 << depth) - 1;
    for (long r = 0; r < h; ++r) {
      unsigned char* d = out + static_cast<std::size_t>(oy + r) * stride;
      const unsigned char* s = imageData_ + static_cast<std::size_t>(r) * oldStride;
      for (long x = 0; x < w; ++x) {
        const long from = x * depth, to = (ox + x) * depth;
        const int index = (s[from / 8] >> (8 - depth - from % 8)) & mask;
        const int shift = static_cast<int>(8 - depth - to % 8);
        unsigned char& byte = d[to / 8];
        byte = static_cast<unsigned char>((byte & ~(mask << shift)) | index << shift);
      }
    }
  } else {
    const std::size_t start = static_cast<std::size_t>(ox) * depth / 8;
    const std::size_t bytes = (static_cast<std::size_t>(w) * depth + 7) / 8;
    // The last byte of a 1- or 4-bit row also holds bits beyond the picture: those keep the fill.
    const int tailBits = static_cast<int>(w * depth % 8);
    const auto keep = static_cast<unsigned char>(tailBits ? 0xFF00 >> tailBits : 0xFF);
    for (long r = 0; r < h; ++r) {
      unsigned char* d = out + static_cast<std::size_t>(oy + r) * stride + start;
      const unsigned char* s = imageData_ + static_cast<std::size_t>(r) * oldStride;
      const unsigned char last = d[bytes - 1];
      std::memcpy(d, s, bytes);
      d[bytes - 1] = static_cast<unsigned char>((d[bytes - 1] & keep) | (last & ~keep));
    }
  }

  ReplacePixels(block, out, static_cast<std::uint32_t>(size), static_cast<unsigned short>(newWidth),
                static_cast<unsigned short>(newHeight));
  SetOutcome(Outcome::Ran);
  BuildNewDisplayObject();
  MarkDirty();
  if (window_) {
    // The window learns its image's new extent, as a size message would tell it.
    InvalidateRect(window_, nullptr, 1);
    image_->CalculateScrollRange(image_->view.zoom, width_, height_);
    UpdateWindow(window_);
  }
}
