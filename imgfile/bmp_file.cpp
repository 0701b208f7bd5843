// Reading a bitmap file into a packed DIB, trusting nothing the file says until it is checked against the
// file itself.
#include <algorithm>
#include <cstring>

#include "imgfile/bmp_codec.h"
#include "imgfile/byte_order.h"
#include "imgfile/dib/dib_layout.h"

namespace {

enum class HeaderKind { Core, Os2v2, Windows };

// BI_ALPHABITFIELDS: bit fields with an alpha mask, which we ignore.
constexpr std::uint32_t kAlphaBitFields = 6;

bool valid_compression(HeaderKind kind, unsigned bits, std::uint32_t compression) {
  // OS/2 uses 3 for its one-dimensional Huffman coding and 4 for 24-bit run-length data, which nothing
  // writes today.
  if (compression == BI_BITFIELDS || compression == kAlphaBitFields) {
    return kind == HeaderKind::Windows && codaxe::dib::compression_fits(bits, BI_BITFIELDS);
  }
  return codaxe::dib::compression_fits(bits, compression);
}

}  // namespace

bool BmpCodec::read_layout(FileLayout& out) {
  if (!open_read()) return false;
  auto header_error = [this]() {
    close_file();
    fail(codaxe::MSG_READ_HEADER, CE_HEADER);
    return false;
  };
  const std::uint64_t fileSize = file_size();

  // The file header is optional: a bare packed DIB starts with its information header.
  std::uint64_t start = 0;
  std::uint64_t pixelOffset = 0;
  unsigned char fileHeader[14];
  if (fileSize >= 14 + 12) {
    if (!read_bytes(fileHeader, 14)) return header_error();
    if (fileHeader[0] == 'B' && fileHeader[1] == 'M') {
      start = 14;
      pixelOffset = codaxe::load_u32(fileHeader + 10);
    } else if (!seek(0)) {
      return header_error();
    }
  }

  unsigned char raw[124] = {};
  if (fileSize < start + 12 || !read_bytes(raw, 4)) return header_error();
  const std::uint32_t headerSize = codaxe::load_u32(raw);
  HeaderKind kind;
  if (headerSize == 12) {
    kind = HeaderKind::Core;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    kind = HeaderKind::Windows;
  } else if (headerSize >= 16 && headerSize <= 64) {
    kind = HeaderKind::Os2v2;
  } else {
    return header_error();
  }
  if (start + headerSize > fileSize || !read_bytes(raw + 4, headerSize - 4)) return header_error();

  BITMAPINFOHEADER h{};
  h.biSize = 40;
  std::int64_t height;
  if (kind == HeaderKind::Core) {
    h.biWidth = codaxe::load_u16(raw + 4);
    height = static_cast<std::int16_t>(codaxe::load_u16(raw + 6));
    h.biPlanes = codaxe::load_u16(raw + 8);
    h.biBitCount = codaxe::load_u16(raw + 10);
  } else {
    // OS/2 2.x headers share the 40-byte layout for the fields they have; missing fields stay zero.
    h.biWidth = static_cast<std::int32_t>(codaxe::load_u32(raw + 4));
    height = static_cast<std::int32_t>(codaxe::load_u32(raw + 8));
    h.biPlanes = codaxe::load_u16(raw + 12);
    h.biBitCount = codaxe::load_u16(raw + 14);
    h.biCompression = codaxe::load_u32(raw + 16);
    h.biSizeImage = codaxe::load_u32(raw + 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(codaxe::load_u32(raw + 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(codaxe::load_u32(raw + 28));
    h.biClrUsed = codaxe::load_u32(raw + 32);
    h.biClrImportant = codaxe::load_u32(raw + 36);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (h.biWidth < 1 || h.biWidth > 65535 || height < 1 || height > 65535 || h.biPlanes != 1)
    return header_error();
  const unsigned bits = h.biBitCount;
  if (!codaxe::dib::known_depth(bits) || !valid_compression(kind, bits, h.biCompression)) {
    close_file();
    fail(codaxe::MSG_UNSUPPORTED, CE_DATA);
    return false;
  }
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  // Run-length rows run bottom-up by definition; a top-down run-length file contradicts itself.
  if (rle && topDown) return header_error();
  h.biHeight = static_cast<std::int32_t>(height);

  // Masks: inside the longer headers, or after a 40-byte one.
  std::uint32_t masks[3] = {};
  const bool bitFields = h.biCompression == BI_BITFIELDS || h.biCompression == kAlphaBitFields;
  std::uint64_t tableStart = start + headerSize;
  if (bitFields) {
    if (headerSize >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = codaxe::load_u32(raw + 40 + 4 * i);
    } else {
      unsigned maskBytes = h.biCompression == kAlphaBitFields ? 16 : 12;
      unsigned char m[16];
      if (tableStart + maskBytes > fileSize || !read_bytes(m, maskBytes)) return header_error();
      for (int i = 0; i < 3; ++i) masks[i] = codaxe::load_u32(m + 4 * i);
      tableStart += maskBytes;
    }
    h.biCompression = BI_BITFIELDS;
  }

  // Colour table: palette images only; the optional tables of true-colour files are display hints.
  const unsigned entrySize = kind == HeaderKind::Core ? 3 : 4;
  const std::uint64_t maxColors = bits <= 8 ? 1u << bits : 0;
  std::uint64_t fileColors = bits <= 8 ? (h.biClrUsed ? h.biClrUsed : maxColors) : 0;
  if (bits > 8 && h.biClrUsed != 0 && tableStart + std::uint64_t{h.biClrUsed} * entrySize > fileSize) {
    return header_error();
  }
  const std::uint64_t colors = std::min(fileColors, maxColors);
  if (tableStart + fileColors * entrySize > fileSize) {
    // Some writers claim the full table but store fewer entries before the pixels; take what is there.
    if (pixelOffset > tableStart && pixelOffset <= fileSize && h.biClrUsed == 0) {
      fileColors = (pixelOffset - tableStart) / entrySize;
    } else {
      return header_error();
    }
  }
  unsigned char table[256 * 4] = {};
  const std::uint64_t readColors = std::min(fileColors, colors);
  if (!read_bytes(table, readColors * entrySize)) return header_error();
  if (kind == HeaderKind::Core) {
    for (std::uint64_t i = readColors; i-- > 0;) {
      std::memmove(table + 4 * i, table + 3 * i, 3);
      table[4 * i + 3] = 0;
    }
  }
  const std::uint64_t tableEnd = tableStart + fileColors * entrySize;
  h.biClrUsed = static_cast<std::uint32_t>(colors);
  h.biClrImportant = 0;

  // Pixel data: at the file header's offset when it points past the header, else right after the table.
  std::uint64_t dataStart = start != 0 && pixelOffset >= start + headerSize ? pixelOffset : tableEnd;
  if (dataStart > fileSize) return header_error();

  const std::uint64_t stride = dib_stride(h.biWidth, bits);
  const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);
  const std::uint64_t available = fileSize - dataStart;
  std::uint64_t dataBytes = imageBytes;
  if (rle) {
    dataBytes = available;
    if (!codaxe::dib::run_length_size_acceptable(imageBytes, available)) {
      close_file();
      fail(codaxe::MSG_MEMORY, CE_MEMORY);
      return false;
    }
  } else if (available < imageBytes) {
    close_file();
    fail(codaxe::MSG_READ_DATA, CE_DATA);
    return false;
  }
  h.biSizeImage = static_cast<std::uint32_t>(rle ? dataBytes : imageBytes);

  out.header = h;
  std::memcpy(out.masks, masks, sizeof masks);
  std::memcpy(out.table, table, sizeof table);
  out.topDown = topDown;
  out.dataStart = dataStart;
  out.dataBytes = dataBytes;
  out.stride = stride;
  return true;
}

bool BmpCodec::read_rows(const FileLayout& l, unsigned char* dest) {
  if (!seek(l.dataStart)) return false;
  if (!l.topDown) return read_bytes(dest, l.dataBytes);
  const std::uint64_t height = static_cast<std::uint64_t>(l.header.biHeight);
  for (std::uint64_t y = 0; y < height; ++y) {
    if (!read_bytes(dest + (height - 1 - y) * l.stride, l.stride)) return false;
  }
  return true;
}

HGLOBAL BmpCodec::read_packed_dib(const FileLayout& l) {
  const bool bitFields = l.header.biCompression == BI_BITFIELDS;
  const std::uint64_t maskBytes = bitFields ? 12 : 0;
  const std::uint64_t colors = l.header.biClrUsed;
  const std::uint64_t headBytes = 40 + maskBytes + 4 * colors;
  pcore::OwnedBlock dib(GlobalAlloc(headBytes + l.dataBytes));
  if (!dib.get()) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    return nullptr;
  }
  pcore::BlockLock lock(dib.get());
  unsigned char* p = lock.data();
  std::memcpy(p, &l.header, 40);
  std::memcpy(p + 40, l.masks, maskBytes);
  std::memcpy(p + 40 + maskBytes, l.table, 4 * colors);
  if (!read_rows(l, p + headBytes)) return nullptr;
  return dib.release();
}
