#include "platform/core/clipboard.h"

#include <cstring>

namespace pcore {

namespace {

MemoryClipboard process_clipboard;
ClipboardService* installed = nullptr;

}  // namespace

bool MemoryClipboard::put_image(const unsigned char* data, std::size_t bytes,
                                const std::vector<PALETTEENTRY>& entries) {
  if (refuse) return false;
  dib.assign(data, data + bytes);
  paletteEntries = entries;
  return true;
}

HGLOBAL MemoryClipboard::get_image() {
  if (dib.empty()) return nullptr;
  HGLOBAL block = GlobalAlloc(dib.size());
  BlockLock lock(block);
  if (!lock.data()) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(lock.data(), dib.data(), dib.size());
  return block;
}

void MemoryClipboard::clear() {
  dib.clear();
  paletteEntries.clear();
}

ClipboardService& clipboard() {
  return installed ? *installed : process_clipboard;
}

void install_clipboard(ClipboardService* service) {
  installed = service;
}

bool clipboard_image_size_acceptable(std::int64_t width, std::int64_t height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
  const std::int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  return rowBytes * height <= std::int64_t{0xFFFFFFFF};
}

}  // namespace pcore
