// TProcessImage: the interactive crop. The window arms its rubber band; the two corners it hands back are
// client coordinates of a window that shows the whole image stretched to its client area.
#include <algorithm>
#include <cstring>

#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"

namespace {

constexpr int kSmallestCrop = 10;

}  // namespace

void TProcessImage::BeginCrop() {
  if (image_) image_->EnableCropping();
}

void TProcessImage::EndCrop(POINT& corner1, POINT& corner2) {
  pcore::RestoringWaitCursor wait;
  SetOutcome(ivorel::Outcome::Declined);
  RECT client{0, 0, 0, 0};
  if (!image_ || !imageData_ || width_ == 0 || height_ == 0 || !GetClientRect(window_, &client) ||
      client.right <= 0 || client.bottom <= 0) {
    return;
  }
  const std::int64_t cw = client.right, ch = client.bottom;
  // The mouse is captured during the drag, so a corner may lie outside the window; inside it every
  // corner maps to a pixel of the image.
  const auto clampX = [&](std::int64_t x) { return std::clamp<std::int64_t>(x, 0, cw - 1); };
  const auto clampY = [&](std::int64_t y) { return std::clamp<std::int64_t>(y, 0, ch - 1); };
  const std::int64_t ax = clampX(std::min(corner1.x, corner2.x)), bx = clampX(std::max(corner1.x, corner2.x));
  const std::int64_t ay = clampY(std::min(corner1.y, corner2.y)), by = clampY(std::max(corner1.y, corner2.y));

  // Whole bytes at every depth: the left edge goes down to a multiple of 8 pixels.
  const std::int64_t left = width_ * ax / cw / 8 * 8;
  const std::int64_t top = height_ * ay / ch;
  const std::int64_t bottom = height_ * by / ch;
  const std::int64_t cropWidth = width_ * bx / cw - left + 1;
  const std::int64_t cropHeight = bottom - top + 1;
  if (cropWidth < kSmallestCrop || cropHeight < kSmallestCrop) {
    InvalidateRect(window_, nullptr, 0);
    return;
  }

  const std::uint32_t cropRow = ivorel::row_bytes(static_cast<std::uint32_t>(cropWidth), bitsPerPixel_);
  const std::uint32_t sourceRow = ivorel::row_bytes(width_, bitsPerPixel_);
  const std::uint32_t size = cropRow * static_cast<std::uint32_t>(cropHeight);
  HGLOBAL block = GlobalAlloc(size);
  auto* out = static_cast<unsigned char*>(GlobalLock(block));
  if (!out) {
    GlobalFree(block);
    ReportNoMemory("No memory available for image cropping");
    SetOutcome(ivorel::Outcome::Failed);
    return;
  }
  const std::uint32_t offset = bitsPerPixel_ == 24 ? static_cast<std::uint32_t>(3 * left)
                                                   : static_cast<std::uint32_t>(bitsPerPixel_ * left / 8);
  // 24-bit rows take their pixels only; packed rows take whole padded bytes, but never beyond the
  // source row (a 1-bit crop's padding may reach past it).
  const std::uint32_t bytes =
      bitsPerPixel_ == 24 ? static_cast<std::uint32_t>(3 * cropWidth) : std::min(cropRow, sourceRow - offset);
  const std::int64_t firstRow = height_ - 1 - bottom;
  for (std::int64_t r = 0; r < cropHeight; ++r) {
    std::memcpy(out + r * cropRow, imageData_ + (firstRow + r) * sourceRow + offset, bytes);
  }

  ivorel::free_image_block(image_->image);
  width_ = static_cast<unsigned short>(cropWidth);
  height_ = static_cast<unsigned short>(cropHeight);
  image_->image.width = width_;
  image_->image.height = height_;
  InstallBlock(block, out, bitsPerPixel_, size);
  BuildNewDisplayObject();
  MarkDirty();
  SetOutcome(ivorel::Outcome::Ran);
}
