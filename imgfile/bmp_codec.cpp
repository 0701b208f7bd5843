#include "imgfile/bmp_codec.h"

#include <algorithm>
#include <cstring>

#include "imgfile/byte_order.h"
#include "imgfile/standard_tables.h"

BmpCodec::BmpCodec(const std::string& path) : ImageCodec(path) {}

BmpCodec::BmpCodec(const std::string& path, unsigned short width, unsigned short height,
                   unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                   RGBCOLOR* palette)
    : ImageCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
  // Rows are padded to 4 bytes, so the image is a whole number of padded rows.
  imageSize_ = static_cast<std::uint32_t>(dib_stride(width, bitsPerPixel ? bitsPerPixel : 8) * height);
}

int BmpCodec::Expand() {
  FileLayout layout;
  if (!read_layout(layout)) return 0;
  const BITMAPINFOHEADER& h = layout.header;
  // Uncompressed rows of a deliverable depth already are the raw image layout: read them in place.
  if (h.biCompression == BI_RGB && h.biBitCount != 2 && h.biBitCount <= 24 && h.biBitCount != 16) {
    bool ok = AllocateImage(layout.stride, h.biHeight) && read_rows(layout, image_);
    close_file();
    if (!ok) return 0;
    take_description(h, reinterpret_cast<const RGBQUAD*>(layout.table));
    return 1;
  }
  pcore::OwnedBlock dib(read_packed_dib(layout));
  close_file();
  if (!dib.get()) return 0;
  BITMAPINFOHEADER header;
  DIBInfo(dib.get(), &header);
  dib.reset(to_deliverable_depth(dib.release(), header));
  if (!dib.get()) return 0;
  return deliver(dib.get()) ? 1 : 0;
}

// Run-length data is expanded, 2-bit pixels widened to 4 bits and 16- and 32-bit pixels to 24 bits, so that
// what is delivered is always 1, 4, 8 or 24 bits uncompressed.
HGLOBAL BmpCodec::to_deliverable_depth(HGLOBAL dib, const BITMAPINFOHEADER& header) {
  unsigned short bits = 0;
  if (header.biBitCount == 2) bits = 4;
  if (header.biBitCount == 16 || header.biBitCount == 32) bits = 24;
  if (header.biCompression == BI_RGB && bits == 0) return dib;
  HGLOBAL converted = ChangeDIBFormat(dib, bits, BI_RGB);
  if (!converted) {
    GlobalFree(dib);
    // Conversions of data already checked can only fail for want of memory; run-length data can also break
    // its own rules (runs past a row, deltas past the image).
    if (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) {
      fail(codaxe::MSG_READ_DATA, CE_DATA);
    } else {
      fail(codaxe::MSG_MEMORY, CE_MEMORY);
    }
  }
  return converted;
}

bool BmpCodec::deliver(HGLOBAL dib) {
  BITMAPINFOHEADER h;
  DIBInfo(dib, &h);
  pcore::BlockLock lock(dib);
  const unsigned char* p = lock.data();
  const auto* table =
      reinterpret_cast<const RGBQUAD*>(p + h.biSize + (h.biCompression == BI_BITFIELDS ? 12 : 0));
  std::uint64_t stride = dib_stride(h.biWidth, h.biBitCount);
  std::uint64_t rows = static_cast<std::uint64_t>(h.biHeight);
  std::uint64_t tableBytes = 4u * (h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0));
  const unsigned char* bits = reinterpret_cast<const unsigned char*>(table) + tableBytes;
  if (!AllocateImage(stride, rows)) return false;
  std::memcpy(image_, bits, stride * rows);
  take_description(h, table);
  return true;
}

void BmpCodec::take_description(const BITMAPINFOHEADER& h, const RGBQUAD* table) {
  unsigned colors = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) : 0;
  if (h.biBitCount <= 8 && colors > (1u << h.biBitCount)) colors = 1u << h.biBitCount;
  imageSize_ = static_cast<std::uint32_t>(dib_stride(h.biWidth, h.biBitCount) * h.biHeight);
  set_description(static_cast<unsigned short>(h.biWidth), static_cast<unsigned short>(h.biHeight),
                  h.biBitCount, static_cast<unsigned short>(colors));
  if (colors == 0) {
    fill_default_palette();
  } else {
    for (unsigned i = 0; i < colors; ++i)
      palette_[i] = RGBCOLOR{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
  }
}

int BmpCodec::Compress(unsigned short, ImgType) {
  unsigned short bits = bitsPerPixel_ ? bitsPerPixel_ : 8;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || width_ == 0 || height_ == 0 || !sourcePixels_) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  unsigned entries = bits <= 8 ? 1u << bits : 0;
  RGBQUAD table[256];
  for (unsigned j = 0; j < entries; ++j) table[j] = codaxe::kSixteenColours[j % 16];
  if (bits == 1) table[1] = codaxe::kSixteenColours[15];
  unsigned fromPalette = sourcePalette_ ? std::min<unsigned>(colors_, entries) : 0;
  for (unsigned j = 0; j < fromPalette; ++j) {
    table[j] = RGBQUAD{sourcePalette_[j].blue, sourcePalette_[j].green, sourcePalette_[j].red, 0};
  }

  const std::uint32_t offset = 14 + 40 + 4 * entries;
  unsigned char head[54] = {'B', 'M'};
  codaxe::store_u32(head + 2, offset + imageSize_);
  codaxe::store_u32(head + 10, offset);
  codaxe::store_u32(head + 14, 40);
  codaxe::store_u32(head + 18, width_);
  codaxe::store_u32(head + 22, height_);
  codaxe::store_u16(head + 26, 1);
  codaxe::store_u16(head + 28, bits);
  codaxe::store_u32(head + 34, imageSize_);
  codaxe::store_u32(head + 46, entries);

  if (!open_write(codaxe::MSG_WRITE_DATA)) return 0;
  bool ok = write_bytes(head, sizeof head) && write_bytes(table, 4 * entries) &&
            write_bytes(sourcePixels_, imageSize_);
  ok = close_file() && ok;
  return ok ? 1 : 0;
}
