// The stored form of an image descriptor and a menu record, as undo snapshots have always held them: the
// 32-bit layout, little-endian, with the block handle and pixel address as zero 32-bit slots. Written field
// by field, since the record in memory is laid out differently on 64-bit systems.
#pragma once

#include <cstddef>

#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

constexpr std::size_t kDescriptorRecordBytes = 792;
constexpr std::size_t kMenuRecordBytes = 84;
constexpr std::size_t kPaletteBytes = 768;

void store_descriptor_record(const _IMAGEDESCRIPTOR& image, unsigned char* out);
// The handle and address come back null.
_IMAGEDESCRIPTOR load_descriptor_record(const unsigned char* in);

void store_menu_record(const _MENUUPDATE& menu, unsigned char* out);
_MENUUPDATE load_menu_record(const unsigned char* in);

}  // namespace ivorel
