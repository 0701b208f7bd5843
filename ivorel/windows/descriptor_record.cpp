#include "ivorel/windows/descriptor_record.h"

#include <cstring>

#include "imgfile/byte_order.h"

namespace ivorel {

namespace {
// Offsets of the stored record.
enum : std::size_t {
  kWidth = 0,
  kHeight = 2,
  kXResolution = 4,
  kYResolution = 6,
  kImageSize = 8,
  kBitsPerPixel = 12,
  kColors = 14,
  kHandle = 16,
  kPalette = 20,
  kAddress = 788,
};
static_assert(kPalette + kPaletteBytes == kAddress && kAddress + 4 == kDescriptorRecordBytes);
static_assert(sizeof(RGBCOLOR) * 256 == kPaletteBytes);
}  // namespace

void store_descriptor_record(const _IMAGEDESCRIPTOR& image, unsigned char* out) {
  using codaxe::store_u16;
  store_u16(out + kWidth, image.width);
  store_u16(out + kHeight, image.height);
  store_u16(out + kXResolution, image.xResolution);
  store_u16(out + kYResolution, image.yResolution);
  codaxe::store_u32(out + kImageSize, image.imageSize);
  store_u16(out + kBitsPerPixel, image.bitsPerPixel);
  store_u16(out + kColors, image.colors);
  codaxe::store_u32(out + kHandle, 0);
  std::memcpy(out + kPalette, image.palette, kPaletteBytes);
  codaxe::store_u32(out + kAddress, 0);
}

_IMAGEDESCRIPTOR load_descriptor_record(const unsigned char* in) {
  using codaxe::load_u16;
  _IMAGEDESCRIPTOR image;
  image.width = load_u16(in + kWidth);
  image.height = load_u16(in + kHeight);
  image.xResolution = load_u16(in + kXResolution);
  image.yResolution = load_u16(in + kYResolution);
  image.imageSize = codaxe::load_u32(in + kImageSize);
  image.bitsPerPixel = load_u16(in + kBitsPerPixel);
  image.colors = load_u16(in + kColors);
  std::memcpy(image.palette, in + kPalette, kPaletteBytes);
  return image;
}

void store_menu_record(const _MENUUPDATE& menu, unsigned char* out) {
  for (int i = 0; i < _MENUUPDATE::kCount; ++i)
    codaxe::store_u32(out + 4 * i, static_cast<std::uint32_t>(menu.item[i]));
}

_MENUUPDATE load_menu_record(const unsigned char* in) {
  _MENUUPDATE menu;
  for (int i = 0; i < _MENUUPDATE::kCount; ++i)
    menu.item[i] = static_cast<std::int32_t>(codaxe::load_u32(in + 4 * i));
  return menu;
}

}  // namespace ivorel
