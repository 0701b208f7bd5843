// Placeholder until the conversions land.
#include "imgfile/codaxe.h"

#include <cstring>

int DIBInfo(HGLOBAL dib, BITMAPINFOHEADER* info) {
  if (!dib || !info || GlobalSize(dib) < 40) return 0;
  pcore::BlockLock lock(dib);
  std::memcpy(info, lock.data(), 40);
  if (info->biSize == 12) return 1;
  if (info->biSizeImage == 0)
    info->biSizeImage = static_cast<std::uint32_t>(dib_stride(info->biWidth, info->biBitCount) * info->biHeight);
  if (info->biClrUsed == 0 && info->biBitCount <= 8) info->biClrUsed = 1u << info->biBitCount;
  return 1;
}
HPALETTE CreateDIBPalette(HGLOBAL) { return nullptr; }
HGLOBAL DIBFromBitmap(HBITMAP, std::uint32_t, unsigned short, HPALETTE) { return nullptr; }
HGLOBAL ChangeDIBFormat(HGLOBAL, unsigned short, std::uint32_t) { return nullptr; }
