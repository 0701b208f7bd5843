// TProcessImage: promotion of palette images to 24 bits (also of masks), and the general depth change
// through the image file library's packed-DIB conversion.
#include <algorithm>
#include <cstring>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/packed_dib.h"
#include "platform/core/cursor.h"

namespace {

int target_depth(std::int32_t word) {
  switch (word) {
    case 0:
      return 1;
    case 1:
      return 4;
    case 2:
      return 8;
    default:
      return 24;
  }
}

}  // namespace

void TProcessImage::InstallNewDepth(HGLOBAL block, unsigned char* data, std::uint32_t size,
                                    unsigned short bitsPerPixel, unsigned short colours,
                                    const RGBCOLOR* palette) {
  HGLOBAL old = hImageData_;
  InstallBlock(block, data, bitsPerPixel, size);
  if (old) {
    GlobalUnlock(old);
    GlobalFree(old);
  }
  colors_ = colours;
  std::copy(palette, palette + 256, palette_);
  if (image_) {
    image_->image.colors = colours;
    CopyPaletteToImage(256);
    image_->menuUpdate.item[_MENUUPDATE::kBitsPerPixel] = bitsPerPixel;
  }
  BuildNewDisplayObject();
  MarkDirty();
  if (image_) image_->SendMenuUpdateToClient();
  SetOutcome(ivorel::Outcome::Ran);
}

void TProcessImage::PromoteTo24BPP(int quiet) {
  pcore::RestoringWaitCursor wait;
  SetOutcome(ivorel::Outcome::Declined);
  const int depth = bitsPerPixel_;
  if ((depth != 1 && depth != 2 && depth != 4 && depth != 8) || !imageData_ || !image_) return;
  const std::uint32_t inStride = ivorel::row_bytes(width_, depth);
  const std::uint64_t size = std::uint64_t{rowBytes24_} * height_;
  unsigned char* out = nullptr;
  HGLOBAL block =
      imageSize_ >= std::uint64_t{inStride} * height_ ? ivorel::new_pixel_block(size, out) : nullptr;
  if (!block) {
    ReportNoMemory("No memory available for promotion of image to 24 BPP.");
    return SetOutcome(ivorel::Outcome::Failed);
  }
  const int perByte = 8 / depth;
  const unsigned mask = (1u << depth) - 1;
  for (unsigned y = 0; y < height_; ++y) {
    ProgressCursor(0, height_ - 1, static_cast<int>(y), "Promoting");
    const unsigned char* in = imageData_ + static_cast<std::size_t>(y) * inStride;
    unsigned char* o = out + static_cast<std::size_t>(y) * rowBytes24_;
    for (unsigned x = 0; x < width_; ++x, o += 3) {
      const unsigned byte = in[x / perByte];
      const unsigned shift = (perByte - x % perByte - 1) * depth;
      const RGBCOLOR& c = palette_[(byte >> shift) & mask];
      o[0] = c.blue;
      o[1] = c.green;
      o[2] = c.red;
    }
  }
  if (quiet) {
    HGLOBAL old = hImageData_;
    InstallBlock(block, out, 24, static_cast<std::uint32_t>(size));
    GlobalUnlock(old);
    GlobalFree(old);
    colors_ = 0;
    image_->image.colors = 0;
    image_->menuUpdateAlpha.item[_MENUUPDATE::kBitsPerPixel] = 24;
    return SetOutcome(ivorel::Outcome::Ran);
  }
  InstallNewDepth(block, out, static_cast<std::uint32_t>(size), 24, 0, palette_);
}

int COperationUndoRedo::ConvertAlphaTo24Bits(ImageDescriptorAndDisplayObj* object) {
  if (!object) return 0;
  _IMAGEDESCRIPTOR& mask = object->alpha.descriptor;
  if (mask.bitsPerPixel == 24) return 1;
  if (mask.bitsPerPixel != 1 && mask.bitsPerPixel != 4 && mask.bitsPerPixel != 8) return 0;
  const _IMAGEDESCRIPTOR saved = object->image;
  // Without its window the processor takes no undo snapshot: one taken now would record the mask as the
  // image, and an undo would then put the mask in the image's place.
  HWND* window = object->window;
  object->window = nullptr;
  object->image = mask;
  int promoted = 0;
  {
    TProcessImage processor(object);
    processor.PromoteTo24BPP(1);
    promoted = processor.LastOutcome() == ivorel::Outcome::Ran;
  }
  mask = object->image;
  object->image = saved;
  object->window = window;
  return promoted;
}

void TProcessImage::SetBPP() {
  SetOutcome(ivorel::Outcome::Declined);
  if (!image_ || !imageData_) return;
  int target = 0;
  if (procData_) {
    target = target_depth(procData_->words[1]);
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::BitsPerPixel;
    request.description = image_->name;
    request.integers[0] = bitsPerPixel_;
    request.integers[1] = width_;
    request.integers[2] = height_;
    request.imageBytes = imageSize_;
    if (!ivorel::ask_parameters(request, window_)) return;
    UpdateAfterDialog();
    target = request.integers[0].value_or(bitsPerPixel_);
    if (target != 1 && target != 4 && target != 8 && target != 24) return;
  }
  if (target == bitsPerPixel_) return;

  pcore::RestoringWaitCursor wait;
  pcore::set_progress_cursor(0);
  pcore::OwnedBlock dib(ivorel::packed_dib_from_image(image_->image));
  if (!dib.get()) return SetOutcome(ivorel::Outcome::Failed);
  pcore::set_progress_cursor(1);
  HGLOBAL converted = ChangeDIBFormat(dib.get(), static_cast<unsigned short>(target), BI_RGB);
  if (!converted) return SetOutcome(ivorel::Outcome::Failed);
  dib.release();  // freed by the conversion
  dib.reset(converted);
  pcore::set_progress_cursor(2);

  // The image keeps its pixels until the new ones are in place.
  _IMAGEDESCRIPTOR result;
  if (!ivorel::image_from_packed_dib(dib.get(), {}, result) || result.bitsPerPixel != target) {
    if (result.hImageData) ivorel::free_image_block(result);
    ReportNoMemory("No memory available for changing the bits per pixel.");
    return SetOutcome(ivorel::Outcome::Failed);
  }
  pcore::set_progress_cursor(3);
  InstallNewDepth(result.hImageData, result.imageData, result.imageSize, result.bitsPerPixel, result.colors,
                  result.palette);
  pcore::set_progress_cursor(4);
}
