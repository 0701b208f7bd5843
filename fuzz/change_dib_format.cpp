// Feeds arbitrary packed-DIB blocks to the DIB helpers. Byte 0 picks the target depth, byte 1 the target
// compression, byte 2 holds flags; the rest is the block. The helpers take blocks from the clipboard and
// from other programs, so nothing in the header may be trusted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/silent_message_box.h"
#include "imgfile/codaxe.h"

namespace {

constexpr unsigned short kTargetBits[] = {0, 1, 4, 8, 16, 24, 32};
// Flag: make the header plausible (sizes that fit the block), so that most inputs reach the converters
// instead of stopping at the header checks.
constexpr std::uint8_t kPlausibleHeader = 1;
// Flag: convert the result back to the source's depth and compression.
constexpr std::uint8_t kRoundTrip = 2;

void make_plausible(unsigned char* block, std::size_t size) {
  if (size < sizeof(BITMAPINFOHEADER)) return;
  BITMAPINFOHEADER h;
  std::memcpy(&h, block, sizeof h);
  h.biSize = sizeof h;
  h.biPlanes = 1;
  h.biWidth = 1 + static_cast<std::int32_t>(static_cast<std::uint32_t>(h.biWidth) % 64);
  h.biHeight = 1 + static_cast<std::int32_t>(static_cast<std::uint32_t>(h.biHeight) % 64);
  h.biSizeImage = 0;
  if (h.biClrUsed > 256) h.biClrUsed %= 257;
  std::memcpy(block, &h, sizeof h);
}

std::uint64_t table_bytes(const BITMAPINFOHEADER& h) {
  std::uint64_t count = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
  return 4 * count + (h.biCompression == BI_BITFIELDS ? 12 : 0);
}

// A converted block is handed straight to painting and saving code, which trusts its header.
void check_result(HGLOBAL out, unsigned short bits, std::uint32_t compression, unsigned short sourceBits) {
  BITMAPINFOHEADER h;
  if (!DIBInfo(out, &h) || h.biSize != sizeof h) __builtin_trap();
  if (h.biBitCount != (bits ? bits : sourceBits) || h.biCompression != compression) __builtin_trap();
  if (h.biWidth <= 0 || h.biHeight == 0) __builtin_trap();
  const std::uint64_t rows = h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
  std::uint64_t need = h.biSize + table_bytes(h);
  if (compression == BI_RGB || compression == BI_BITFIELDS) {
    need += dib_stride(h.biWidth, h.biBitCount) * rows;
  } else {
    need += h.biSizeImage;
  }
  if (GlobalSize(out) < need) __builtin_trap();
}

void exercise_palette(HGLOBAL dib) {
  BITMAPINFOHEADER info;
  DIBInfo(dib, &info);
  if (HPALETTE palette = CreateDIBPalette(dib)) {
    // The table may hold more than 256 colours (colours used is taken as stored), but a palette is never
    // empty.
    if (palette->entries.empty()) __builtin_trap();
    pcore::delete_palette(palette);
  }
}

// Returns the block that is now the caller's to free.
HGLOBAL convert(HGLOBAL dib, unsigned short bits, std::uint32_t compression) {
  BITMAPINFOHEADER before{};
  // A core header's fields sit elsewhere, so its depth cannot be read through the 40-byte layout.
  const bool known = DIBInfo(dib, &before) != 0 && before.biSize >= sizeof before;
  HGLOBAL out = ChangeDIBFormat(dib, bits, compression);
  if (!out) return dib;
  if (known) check_result(out, bits, compression, before.biBitCount);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::install_silent_message_box();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const unsigned short bits = kTargetBits[data[0] % std::size(kTargetBits)];
  const std::uint32_t compression = data[1] % 4;
  const std::uint8_t flags = data[2];
  const std::size_t blockSize = size - 3;

  HGLOBAL dib = GlobalAlloc(blockSize);
  if (!dib) return 0;
  {
    pcore::BlockLock lock(dib);
    if (blockSize) std::memcpy(lock.data(), data + 3, blockSize);
    if (flags & kPlausibleHeader) make_plausible(lock.data(), blockSize);
  }
  exercise_palette(dib);

  BITMAPINFOHEADER source{};
  const bool known = DIBInfo(dib, &source) != 0 && source.biSize >= sizeof source;
  dib = convert(dib, bits, compression);
  if ((flags & kRoundTrip) && known) {
    exercise_palette(dib);
    dib = convert(dib, source.biBitCount, source.biCompression);
  }
  GlobalFree(dib);
  return 0;
}
