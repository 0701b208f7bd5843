// The two working-buffer schemes. init24BitAlg/exit24BitAlg promote the image in place to a padded 24-bit
// copy whose rows are in reverse of the stored order and whose pixels are red first (palette order);
// start24bitAlg/end24bitAlg leave the stored image alone and give effects a source and a destination copy,
// top row first. Palette images come back through the working-copy colour reduction.
//
// The former pixel block of a promoted image is kept until the way back has succeeded: it is the target of
// the reduction (the stored size never changes), and if memory runs short on the way back the image simply
// keeps its former pixels instead of pointing at freed memory.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "ivorel/processing/colour_reduction.h"
#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"

namespace {

// The one working copy of the module.
struct WorkingCopy {
  const TProcessImage* owner = nullptr;
  HGLOBAL working = nullptr;
  unsigned char* workingData = nullptr;
  HGLOBAL former = nullptr;
  unsigned char* formerData = nullptr;
  std::uint32_t formerSize = 0;
  unsigned short formerWidth = 0, formerHeight = 0;
};
WorkingCopy held;

pcore::CursorShape savedCursor = pcore::CursorShape::Arrow;

// An effect buffer, left uninitialised: every byte is written before it is read. Image-sized buffers are
// offered huge pages, so that filling one costs a few page faults instead of one per 4 KiB, which
// otherwise dominates the quicker effects.
unsigned char* effect_buffer(std::size_t bytes) {
  auto* p = new (std::nothrow) unsigned char[bytes];
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (p && bytes >= 2 * kHuge) {
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  return p;
}

bool supported_depth(int depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 24;
}

// Index of pixel x in a stored row of 1, 4 or 8 bits, most significant bits first.
inline unsigned pixel_index(const unsigned char* row, unsigned x, int depth) {
  if (depth == 8) return row[x];
  const unsigned bit = x * depth;
  const unsigned offset = bit % 8;
  const unsigned mask = ((1u << depth) - 1) << (8 - depth - offset);
  return (row[bit / 8] & mask) >> (8 - depth - offset);
}

// Stored palette rows to top-first red-first rows: row `y` of `out` is stored row height - 1 - y.
void expand_rows(const unsigned char* stored, std::uint32_t storedStride, int depth, const RGBCOLOR* palette,
                 unsigned width, unsigned height, unsigned char* out, std::size_t outStride) {
  for (unsigned y = 0; y < height; ++y) {
    const unsigned char* row = stored + static_cast<std::size_t>(height - 1 - y) * storedStride;
    unsigned char* o = out + y * outStride;
    for (unsigned x = 0; x < width; ++x, o += 3) {
      const RGBCOLOR& c = palette[pixel_index(row, x, depth)];
      o[0] = c.red;
      o[1] = c.green;
      o[2] = c.blue;
    }
  }
}

// Packs rows of one index per byte (top first) into stored rows of `depth` bits (bottom first).
void pack_rows(const unsigned char* indices, unsigned width, unsigned height, int depth,
               unsigned char* stored, std::uint32_t storedStride) {
  const unsigned mask = (1u << depth) - 1;
  for (unsigned y = 0; y < height; ++y) {
    const unsigned char* in = indices + static_cast<std::size_t>(y) * width;
    unsigned char* row = stored + static_cast<std::size_t>(height - 1 - y) * storedStride;
    std::memset(row, 0, storedStride);
    for (unsigned x = 0; x < width; ++x) {
      const unsigned bit = x * depth;
      const unsigned shift = 8 - depth - bit % 8;
      row[bit / 8] = static_cast<unsigned char>(row[bit / 8] | (in[x] & mask) << shift);
    }
  }
}

}  // namespace

bool TProcessImage::ClaimWorkingCopy() {
  if (held.owner) {
    char text[] = "Another image operation is still working on its image; try again when it has finished.";
    char caption[] = "User Advisory";
    ErrorMessage(text, caption);
    return false;
  }
  held = WorkingCopy{};
  held.owner = this;
  return true;
}

void TProcessImage::ReleaseWorkingCopy() {
  if (held.owner != this) return;
  if (held.working) {
    // Abandoned: the image goes back to its former pixels.
    GlobalUnlock(held.working);
    GlobalFree(held.working);
    InstallBlock(held.former, held.formerData, static_cast<unsigned short>(savedDepth_), held.formerSize);
    SetDimensions(held.formerWidth, held.formerHeight);
    savedDepth_ = 0;
  }
  held = WorkingCopy{};
}

void TProcessImage::SetDimensions(unsigned short width, unsigned short height) {
  width_ = width;
  height_ = height;
  rowBytes8_ = ivorel::row_bytes(width, 8);
  rowBytes24_ = ivorel::row_bytes(width, 24);
  if (!image_) return;
  image_->image.width = width;
  image_->image.height = height;
}

void TProcessImage::ReplacePixels(HGLOBAL block, unsigned char* data, std::uint32_t size,
                                  unsigned short width, unsigned short height) {
  HGLOBAL old = hImageData_;
  if (held.owner == this && held.working && held.working == old) {
    // The working copy changes shape; the image object keeps its former pixels until the way back.
    held.working = block;
    held.workingData = data;
    hImageData_ = block;
    imageData_ = data;
    imageSize_ = size;
    width_ = width;
    height_ = height;
    rowBytes8_ = ivorel::row_bytes(width, 8);
    rowBytes24_ = ivorel::row_bytes(width, 24);
  } else {
    InstallBlock(block, data, bitsPerPixel_, size);
    SetDimensions(width, height);
  }
  if (old) {
    GlobalUnlock(old);
    GlobalFree(old);
  }
}

int TProcessImage::ReduceIntoStored(const unsigned char* pixels, std::size_t stride, unsigned char* out,
                                    int depth) {
  const std::uint32_t storedStride = ivorel::row_bytes(width_, depth);
  const int colours = std::min<int>(colors_, 1 << depth);
  RGBCOLOR palette[256];
  std::copy(palette_, palette_ + 256, palette);
  if (depth == 8) {
    // Straight into the stored rows, bottom row last; padding bytes are cleared first.
    unsigned char* last = out + static_cast<std::size_t>(height_ - 1) * storedStride;
    if (!ivorel::reduce_working_copy(pixels, static_cast<std::ptrdiff_t>(stride), width_, height_, colours,
                                     last, -static_cast<std::ptrdiff_t>(storedStride), palette)) {
      return 0;
    }
    for (unsigned y = 0; y < height_; ++y) {
      std::memset(out + y * storedStride + width_, 0, storedStride - width_);
    }
  } else {
    std::vector<unsigned char> indices;
    try {
      indices.resize(static_cast<std::size_t>(width_) * height_);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    if (!ivorel::reduce_working_copy(pixels, static_cast<std::ptrdiff_t>(stride), width_, height_, colours,
                                     indices.data(), width_, palette)) {
      return 0;
    }
    pack_rows(indices.data(), width_, height_, depth, out, storedStride);
  }
  std::copy(palette, palette + 256, palette_);
  return 1;
}

int TProcessImage::init24BitAlg() {
  pcore::WaitCursor wait;
  if (!supported_depth(bitsPerPixel_)) return 0;
  if (bitsPerPixel_ == 24) return 1;
  if (!imageData_ || width_ == 0 || height_ == 0) return 0;
  const std::uint32_t size = rowBytes24_ * height_;
  HGLOBAL block = GlobalAlloc(size);
  if (!block) return 0;
  if (!ClaimWorkingCopy()) {
    GlobalFree(block);
    return 0;
  }
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  const int depth = bitsPerPixel_;
  const std::uint32_t storedStride = ivorel::row_bytes(width_, depth);
  for (unsigned y = 0; y < height_; ++y) {
    ProgressCursor(0, height_ - 1, static_cast<int>(y), "init24BitAlg");
    expand_rows(imageData_ + static_cast<std::size_t>(height_ - 1 - y) * storedStride, storedStride, depth,
                palette_, width_, 1, data + static_cast<std::size_t>(y) * rowBytes24_, rowBytes24_);
  }
  held.working = block;
  held.workingData = data;
  held.former = hImageData_;
  held.formerData = imageData_;
  held.formerSize = imageSize_;
  held.formerWidth = width_;
  held.formerHeight = height_;
  savedDepth_ = static_cast<std::uint32_t>(depth);
  // The image object keeps describing the former pixels until the way back; only the processor sees the
  // working copy.
  hImageData_ = block;
  imageData_ = data;
  bitsPerPixel_ = 24;
  imageSize_ = size;
  return 1;
}

void TProcessImage::exit24BitAlg() {
  if (savedDepth_ == 0) {
    BuildNewDisplayObject();
    MarkDirty();
    return;
  }
  if (held.owner != this) return;
  const int depth = static_cast<int>(savedDepth_);
  const std::uint32_t storedSize = ivorel::row_bytes(width_, depth) * height_;
  // An operation that changed the picture's shape needs stored rows of the new shape.
  HGLOBAL target = held.former;
  unsigned char* targetData = held.formerData;
  if (width_ != held.formerWidth || height_ != held.formerHeight) {
    target = GlobalAlloc(storedSize);
    targetData = static_cast<unsigned char*>(GlobalLock(target));
  }
  if (!targetData || !ReduceIntoStored(held.workingData, rowBytes24_, targetData, depth)) {
    if (target && target != held.former) {
      GlobalUnlock(target);
      GlobalFree(target);
    }
    ReleaseWorkingCopy();
    ReportNoMemory("No memory available to return the image to its colour depth. The image is unchanged.");
    BuildNewDisplayObject();
    return;
  }
  GlobalUnlock(held.working);
  GlobalFree(held.working);
  if (target != held.former) {
    GlobalUnlock(held.former);
    GlobalFree(held.former);
  }
  InstallBlock(target, targetData, static_cast<unsigned short>(depth), storedSize);
  SetDimensions(width_, height_);
  held = WorkingCopy{};
  savedDepth_ = 0;
  CopyPaletteToImage(colors_);
  BuildNewDisplayObject();
  MarkDirty();
}

TProcessImageEx::TProcessImageEx(ImageDescriptorAndDisplayObj* image) : TProcessImage(image) {}

TProcessImageEx::TProcessImageEx(const TProcessImageEx& other) : TProcessImage(other) {
  CopyBuffersFrom(other);
}

TProcessImageEx& TProcessImageEx::operator=(const TProcessImageEx& other) {
  if (this == &other) return *this;
  FreeBuffers();
  TProcessImage::operator=(other);
  CopyBuffersFrom(other);
  return *this;
}

TProcessImageEx::~TProcessImageEx() {
  FreeBuffers();
}

void TProcessImageEx::CopyBuffersFrom(const TProcessImageEx& other) {
  source_ = destination_ = nullptr;
  if (!other.source_ || !other.destination_) return;
  const std::size_t bytes = static_cast<std::size_t>(width_) * height_ * 3;
  source_ = effect_buffer(bytes);
  destination_ = effect_buffer(bytes);
  if (!source_ || !destination_) {
    FreeBuffers();
    return;
  }
  std::memcpy(source_, other.source_, bytes);
  std::memcpy(destination_, other.destination_, bytes);
}

void TProcessImageEx::FreeBuffers() {
  delete[] source_;
  delete[] destination_;
  source_ = destination_ = nullptr;
  // The effect buffers' claim on the module's working copy ends with them.
  if (held.owner == this && !held.working) held = WorkingCopy{};
}

int TProcessImageEx::start24bitAlg() {
  savedCursor = pcore::current_cursor();
  pcore::set_cursor(pcore::CursorShape::Wait);
  savedDepth_ = 0;
  // Every way out that does not start the operation puts the cursor back, as end24bitAlg would.
  auto refuse = [] {
    pcore::set_cursor(savedCursor);
    return 1;
  };
  if (!supported_depth(bitsPerPixel_) || !imageData_ || width_ == 0 || height_ == 0) return refuse();
  if (!ClaimWorkingCopy()) return refuse();
  const std::size_t stride = static_cast<std::size_t>(width_) * 3;
  const std::size_t bytes = stride * height_;
  source_ = effect_buffer(bytes);
  destination_ = source_ ? effect_buffer(bytes) : nullptr;
  if (!destination_) {
    delete[] source_;
    source_ = nullptr;
    ReleaseWorkingCopy();
    return refuse();
  }
  const int depth = bitsPerPixel_;
  const std::uint32_t storedStride = ivorel::row_bytes(width_, depth);
  if (depth == 24) {
    for (unsigned y = 0; y < height_; ++y) {
      std::memcpy(source_ + y * stride, imageData_ + static_cast<std::size_t>(height_ - 1 - y) * storedStride,
                  stride);
    }
  } else {
    expand_rows(imageData_, storedStride, depth, palette_, width_, height_, source_, stride);
    savedDepth_ = static_cast<std::uint32_t>(depth);
    bitsPerPixel_ = 24;
  }
  std::memcpy(destination_, source_, bytes);
  return 0;
}

void TProcessImageEx::end24bitAlg() {
  if (!source_ || !destination_) return;
  const std::size_t stride = static_cast<std::size_t>(width_) * 3;
  bool changed = true;
  if (savedDepth_ == 0) {
    const std::uint32_t storedStride = rowBytes24_;
    for (unsigned y = 0; y < height_; ++y) {
      std::memcpy(imageData_ + static_cast<std::size_t>(height_ - 1 - y) * storedStride,
                  destination_ + y * stride, stride);
    }
  } else {
    const int depth = static_cast<int>(savedDepth_);
    bitsPerPixel_ = static_cast<unsigned short>(depth);
    savedDepth_ = 0;
    if (ReduceIntoStored(destination_, stride, imageData_, depth)) {
      CopyPaletteToImage(colors_);
    } else {
      ReportNoMemory("No memory available to return the image to its colour depth. The image is unchanged.");
      changed = false;
    }
  }
  FreeBuffers();
  BuildNewDisplayObject();
  if (changed) MarkDirty();
  pcore::set_cursor(savedCursor);
}

void TProcessImageEx::EndEffect() {
  if (LastOutcome() != ivorel::Outcome::Failed) return end24bitAlg();
  if (savedDepth_ != 0) bitsPerPixel_ = static_cast<unsigned short>(savedDepth_);
  savedDepth_ = 0;
  FreeBuffers();
  pcore::set_cursor(savedCursor);
}
