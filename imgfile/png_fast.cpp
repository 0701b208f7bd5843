#include "imgfile/png_fast.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imgfile/byte_order.h"

namespace codaxe::png {

namespace {

constexpr unsigned char kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
// libdeflate's level 5 compresses photographs as small as zlib's level 7 at several times its speed.
constexpr int kLevel = 5;
constexpr std::size_t kMostIdat = std::size_t{1} << 20;

enum Filter : unsigned char { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

std::uint32_t load_be32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
void store_be32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

void put_chunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, std::size_t n) {
  unsigned char head[8];
  store_be32(head, static_cast<std::uint32_t>(n));
  std::memcpy(head + 4, type, 4);
  out.insert(out.end(), head, head + 8);
  out.insert(out.end(), data, data + n);
  std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
  if (n > 0) crc = libdeflate_crc32(crc, data, n);  // a null buffer would restart the checksum
  unsigned char tail[4];
  store_be32(tail, crc);
  out.insert(out.end(), tail, tail + 4);
}

// How far a filtered row is from all zeros, its bytes read as signed.
unsigned long weight(const unsigned char* __restrict v, std::size_t n) {
  unsigned long sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += v[i] < 128 ? v[i] : 256 - v[i];
  return sum;
}

// The row filtered with each filter; the one that weighs least is kept (the heuristic the PNG
// format's authors recommend, and libpng's). Each filter is a loop of its own, which the compiler vectorises.
void filter_row(const unsigned char* __restrict row, const unsigned char* __restrict prior, std::size_t n,
                unsigned bpp, unsigned char* __restrict out, unsigned char* __restrict scratch) {
  unsigned char* __restrict sub = scratch;
  unsigned char* __restrict up = scratch + n;
  unsigned char* __restrict average = scratch + 2 * n;
  unsigned char* __restrict paeths = scratch + 3 * n;
  const std::size_t edge = std::min<std::size_t>(bpp, n);
  for (std::size_t i = 0; i < edge; ++i) {
    const unsigned b = prior ? prior[i] : 0;
    sub[i] = row[i];
    up[i] = static_cast<unsigned char>(row[i] - b);
    average[i] = static_cast<unsigned char>(row[i] - b / 2);
    paeths[i] = static_cast<unsigned char>(row[i] - b);  // a = c = 0: the predictor is b
  }
  for (std::size_t i = bpp; i < n; ++i) sub[i] = static_cast<unsigned char>(row[i] - row[i - bpp]);
  if (prior) {
    for (std::size_t i = bpp; i < n; ++i) up[i] = static_cast<unsigned char>(row[i] - prior[i]);
    for (std::size_t i = bpp; i < n; ++i) {
      average[i] = static_cast<unsigned char>(row[i] - ((row[i - bpp] + prior[i]) >> 1));
    }
    for (std::size_t i = bpp; i < n; ++i) {
      const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
      const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      paeths[i] = static_cast<unsigned char>(row[i] - predictor);
    }
  } else {
    // The first row: Up is None, and Average and Paeth see only the left neighbour.
    for (std::size_t i = bpp; i < n; ++i) up[i] = row[i];
    for (std::size_t i = bpp; i < n; ++i)
      average[i] = static_cast<unsigned char>(row[i] - (row[i - bpp] >> 1));
    for (std::size_t i = bpp; i < n; ++i) paeths[i] = sub[i];
  }
  const unsigned char* candidates[5] = {row, sub, up, average, paeths};
  int best = 0;
  unsigned long least = weight(row, n);
  for (int f = 1; f < 5; ++f) {
    const unsigned long w = weight(candidates[f], n);
    if (w < least) {
      least = w;
      best = f;
    }
  }
  out[0] = static_cast<unsigned char>(best);
  std::memcpy(out + 1, candidates[best], n);
}

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

std::vector<unsigned char> encode(const unsigned char* pixels, unsigned width, unsigned height, unsigned bits,
                                  const RGBCOLOR* palette, unsigned entries) {
  std::vector<unsigned char> out;
  const std::size_t stride = dib_stride(width, bits);
  const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
  const unsigned bpp = bits == 24 ? 3 : 1;
  std::vector<unsigned char> filtered;
  std::vector<unsigned char> rgb[2];
  std::vector<unsigned char> scratch;
  try {
    filtered.resize((rowBytes + 1) * height);
    if (bits == 24) {
      rgb[0].resize(rowBytes);
      rgb[1].resize(rowBytes);
      scratch.resize(4 * rowBytes);
    }
  } catch (const std::bad_alloc&) {
    return out;
  }
  for (unsigned y = 0; y < height; ++y) {
    const unsigned char* row = pixels + (height - 1 - y) * stride;
    unsigned char* to = filtered.data() + y * (rowBytes + 1);
    if (bits != 24) {
      // Palette images compress best unfiltered, as libpng leaves them.
      to[0] = kNone;
      std::memcpy(to + 1, row, rowBytes);
      continue;
    }
    unsigned char* current = rgb[y & 1].data();
    for (std::size_t x = 0; x < width; ++x) {
      current[3 * x] = row[3 * x + 2];
      current[3 * x + 1] = row[3 * x + 1];
      current[3 * x + 2] = row[3 * x];
    }
    filter_row(current, y ? rgb[(y - 1) & 1].data() : nullptr, rowBytes, bpp, to, scratch.data());
  }

  std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(libdeflate_alloc_compressor(kLevel));
  if (!compressor) return out;
  std::vector<unsigned char> zlib;
  try {
    zlib.resize(libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
  } catch (const std::bad_alloc&) {
    return out;
  }
  const std::size_t packed =
      libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(), zlib.data(), zlib.size());
  if (packed == 0) return out;
  filtered = {};

  try {
    out.reserve(packed + packed / kMostIdat * 12 + 1024);
    out.insert(out.end(), kSignature, kSignature + 8);
    unsigned char header[13] = {};
    store_be32(header, width);
    store_be32(header + 4, height);
    header[8] = static_cast<unsigned char>(bits == 24 ? 8 : bits);
    header[9] = bits == 24 ? 2 : 3;
    put_chunk(out, "IHDR", header, sizeof header);
    if (bits != 24) {
      unsigned char plte[3 * 256];
      for (unsigned i = 0; i < entries; ++i) {
        plte[3 * i] = palette[i].red;
        plte[3 * i + 1] = palette[i].green;
        plte[3 * i + 2] = palette[i].blue;
      }
      put_chunk(out, "PLTE", plte, 3 * std::size_t{entries});
    }
    for (std::size_t at = 0; at < packed; at += kMostIdat) {
      put_chunk(out, "IDAT", zlib.data() + at, std::min(kMostIdat, packed - at));
    }
    put_chunk(out, "IEND", nullptr, 0);
  } catch (const std::bad_alloc&) {
    out.clear();
  }
  return out;
}

bool read_image_data(const Source& source, std::uint64_t fileSize, Decoded& out, ImageData& data) {
  // After the signature, which the caller has checked: the header first, then chunk after chunk.
  unsigned char head[8];
  unsigned char header[13 + 4];
  if (!source.read(head, 8) || load_be32(head) != 13 || std::memcmp(head + 4, "IHDR", 4) != 0 ||
      !source.read(header, sizeof header) ||
      libdeflate_crc32(libdeflate_crc32(0, head + 4, 4), header, 13) != load_be32(header + 13)) {
    return false;
  }
  const std::uint32_t width = load_be32(header);
  const std::uint32_t height = load_be32(header + 4);
  const unsigned depth = header[8];
  const unsigned type = header[9];
  if (width == 0 || height == 0 || width > 65535 || height > 65535 || depth != 8 ||
      (type != 0 && type != 2 && type != 3) || header[10] != 0 || header[11] != 0 || header[12] != 0) {
    return false;
  }
  out.width = width;
  out.height = height;
  out.bits = type == 2 ? 24 : 8;
  out.colors = type == 2 ? 0 : 256;
  if (type == 0) {
    for (unsigned i = 0; i < 256; ++i) {
      const auto v = static_cast<unsigned char>(i);
      out.palette[i] = RGBCOLOR{v, v, v};
    }
  }

  // The image data cannot be longer than the file: room for it is taken at once, and the pages the data
  // does not reach are never touched.
  data.bytes.reset(new (std::nothrow) unsigned char[fileSize]);
  if (!data.bytes) return false;
  data.size = 0;
  bool palette = false;
  for (;;) {
    if (!source.read(head, 8)) return false;
    const std::uint32_t length = load_be32(head);
    const unsigned char* t = head + 4;
    if (length > fileSize) return false;
    if (std::memcmp(t, "IEND", 4) == 0) return data.size > 0 && (type != 3 || palette);
    if (std::memcmp(t, "IDAT", 4) == 0) {
      if (length > fileSize - data.size) return false;
      unsigned char* at = data.bytes.get() + data.size;
      unsigned char crc[4];
      if (!source.read(at, length) || !source.read(crc, 4) ||
          libdeflate_crc32(libdeflate_crc32(0, t, 4), at, length) != load_be32(crc)) {
        return false;
      }
      data.size += length;
    } else if (std::memcmp(t, "PLTE", 4) == 0) {
      // One palette, before the image data, of whole entries; grey images have none.
      unsigned char entries[768 + 4];
      if (palette || data.size > 0 || type == 0 || length % 3 != 0 || length == 0 || length > 768 ||
          !source.read(entries, length + 4) ||
          libdeflate_crc32(libdeflate_crc32(0, t, 4), entries, length) != load_be32(entries + length)) {
        return false;
      }
      palette = true;
      if (type == 3) {
        out.colors = length / 3;
        for (unsigned i = 0; i < out.colors; ++i) {
          out.palette[i] = RGBCOLOR{entries[3 * i], entries[3 * i + 1], entries[3 * i + 2]};
        }
      }
    } else if ((t[0] & 0x20) == 0 || std::memcmp(t, "tRNS", 4) == 0) {
      // Another header, an unknown critical chunk, or transparency: libpng's to judge.
      return false;
    } else if (!source.skip(std::uint64_t{length} + 4)) {
      return false;
    }
  }
}

bool decode(const ImageData& data, const Decoded& info, unsigned char* pixels) {
  const unsigned bpp = info.bits / 8;
  const std::size_t rowBytes = std::size_t{info.width} * bpp;
  // Not zero-filled: the decompressor writes every byte or fails.
  const std::size_t rawSize = (rowBytes + 1) * info.height;
  std::unique_ptr<unsigned char[]> raw(new (std::nothrow) unsigned char[rawSize]);
  std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(libdeflate_alloc_decompressor());
  if (!raw || !inflater ||
      libdeflate_zlib_decompress(inflater.get(), data.bytes.get(), data.size, raw.get(), rawSize, nullptr) !=
          LIBDEFLATE_SUCCESS) {
    return false;
  }

  const std::size_t stride = dib_stride(info.width, info.bits);
  const unsigned char* prior = nullptr;
  for (unsigned y = 0; y < info.height; ++y) {
    unsigned char* row = raw.get() + y * (rowBytes + 1) + 1;
    const unsigned filter = row[-1];
    switch (filter) {
      case kNone:
        break;
      case kSub:
        for (std::size_t i = bpp; i < rowBytes; ++i)
          row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
        break;
      case kUp:
        if (prior) {
          for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
        }
        break;
      case kAverage:
        for (std::size_t i = 0; i < bpp; ++i)
          row[i] = static_cast<unsigned char>(row[i] + (prior ? prior[i] / 2 : 0));
        if (prior) {
          for (std::size_t i = bpp; i < rowBytes; ++i) {
            row[i] = static_cast<unsigned char>(row[i] + ((row[i - bpp] + prior[i]) >> 1));
          }
        } else {
          for (std::size_t i = bpp; i < rowBytes; ++i)
            row[i] = static_cast<unsigned char>(row[i] + (row[i - bpp] >> 1));
        }
        break;
      case kPaeth:
        if (!prior) {
          // Above the first row everything is 0: the predictor is the left neighbour, as for Sub.
          for (std::size_t i = bpp; i < rowBytes; ++i)
            row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
          break;
        }
        for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
        for (std::size_t i = bpp; i < rowBytes; ++i) {
          const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
          const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
          row[i] = static_cast<unsigned char>(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
        }
        break;
      default:
        return false;
    }
    unsigned char* to = pixels + (info.height - 1 - y) * stride;
    if (bpp == 1) {
      std::memcpy(to, row, rowBytes);
    } else {
      for (std::size_t x = 0; x < info.width; ++x) {
        to[3 * x] = row[3 * x + 2];
        to[3 * x + 1] = row[3 * x + 1];
        to[3 * x + 2] = row[3 * x];
      }
    }
    prior = row;
  }
  return true;
}

}  // namespace codaxe::png
