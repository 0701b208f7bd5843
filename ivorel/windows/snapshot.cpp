#include "ivorel/windows/snapshot.h"

#include "ivorel/windows/descriptor_record.h"

namespace ivorel {

bool write_snapshot(const _IMAGEDESCRIPTOR& image, const _MENUUPDATE& menu, MemoryFile& file) {
  // A descriptor claiming more bytes than its block holds cannot be saved without reading past the block.
  if (image.imageSize > GlobalSize(image.hImageData)) return false;
  unsigned char record[kDescriptorRecordBytes];
  unsigned char menuRecord[kMenuRecordBytes];
  store_descriptor_record(image, record);
  store_menu_record(menu, menuRecord);
  return file.write(record, sizeof record) && file.write(image.imageData, image.imageSize) &&
         file.write(image.palette, kPaletteBytes) && file.write(menuRecord, sizeof menuRecord);
}

bool read_snapshot(MemoryFile& file, _IMAGEDESCRIPTOR& image, _MENUUPDATE& menu) {
  file.rewind();
  unsigned char record[kDescriptorRecordBytes];
  unsigned char menuRecord[kMenuRecordBytes];
  if (!file.read(record, sizeof record)) return false;
  _IMAGEDESCRIPTOR saved = load_descriptor_record(record);
  // The stored size must account for exactly the rest of the file, so it can never ask for more memory
  // than the snapshot itself holds.
  if (file.remaining() != std::size_t{saved.imageSize} + kPaletteBytes + sizeof menuRecord) {
    file.rewind();
    return false;
  }
  HGLOBAL block = GlobalAlloc(saved.imageSize);
  if (!block) {
    file.rewind();
    return false;
  }
  saved.hImageData = block;
  saved.imageData = static_cast<unsigned char*>(GlobalLock(block));
  file.read(saved.imageData, saved.imageSize);
  file.read(saved.palette, kPaletteBytes);
  file.read(menuRecord, sizeof menuRecord);
  file.rewind();
  image = saved;
  menu = load_menu_record(menuRecord);
  return true;
}

}  // namespace ivorel
