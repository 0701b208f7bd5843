#include <cstring>

#include "imgfile/codaxe.h"
#include "imgfile/dib/dib_layout.h"

using namespace codaxe::dib;

int DIBInfo(HGLOBAL dib, BITMAPINFOHEADER* info) {
  if (!dib || !info) return 0;
  pcore::BlockLock lock(dib);
  const std::size_t size = lock.size();
  if (!lock.data() || size < 4) return 0;
  const bool core = codaxe::load_u32(lock.data()) == kCoreHeaderSize;
  if (size < (core ? kCoreHeaderSize : kInfoHeaderSize)) return 0;
  // A core block can be shorter than the record it is copied into; the part it lacks reads as zero.
  std::memset(info, 0, sizeof *info);
  std::memcpy(info, lock.data(), size < sizeof *info ? size : sizeof *info);
  if (core) return 1;
  if (info->biSizeImage == 0) {
    // Unsigned 64-bit arithmetic: hostile widths wrap instead of overflowing; top-down heights count rows.
    std::uint64_t rows = info->biHeight < 0 ? 0 - static_cast<std::uint64_t>(info->biHeight)
                                            : static_cast<std::uint64_t>(info->biHeight);
    std::uint64_t stride =
        dib_stride(static_cast<std::uint64_t>(static_cast<std::int64_t>(info->biWidth)), info->biBitCount);
    info->biSizeImage = static_cast<std::uint32_t>(stride * rows);
  }
  if (info->biClrUsed == 0) info->biClrUsed = static_cast<std::uint32_t>(colour_count(info->biBitCount, 0));
  return 1;
}
