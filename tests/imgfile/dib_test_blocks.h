// Builds packed DIB blocks for the DIB helper tests, takes results apart, and holds the reference loops.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imgfile/codaxe.h"

namespace dibtest {

struct DibBuilder {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bits = 8;
  std::uint32_t compression = BI_RGB;
  std::uint32_t clrUsed = 0;
  std::vector<std::uint32_t> masks;  // written straight after the header
  std::vector<RGBQUAD> table;
  std::vector<std::uint8_t> pixels;

  DibBuilder& size(std::int32_t w, std::int32_t h) { return width = w, height = h, *this; }
  DibBuilder& depth(std::uint16_t b, std::uint32_t c = BI_RGB) { return bits = b, compression = c, *this; }
  DibBuilder& header(std::uint32_t bytes) { return headerSize = bytes, *this; }
  DibBuilder& colours(std::vector<RGBQUAD> t, std::uint32_t used = 0) {
    return table = std::move(t), clrUsed = used, *this;
  }
  DibBuilder& with_masks(std::vector<std::uint32_t> m) { return masks = std::move(m), *this; }
  DibBuilder& data(std::vector<std::uint8_t> p) { return pixels = std::move(p), *this; }
};

inline HGLOBAL to_block(const std::vector<std::uint8_t>& bytes) {
  HGLOBAL block = GlobalAlloc(bytes.size());
  if (!bytes.empty()) std::memcpy(pcore::BlockLock(block).data(), bytes.data(), bytes.size());
  return block;
}

inline HGLOBAL make_dib(const DibBuilder& s) {
  std::vector<std::uint8_t> bytes(s.headerSize);
  const bool core = s.headerSize == 12;
  if (core) {
    const std::uint16_t fields[4] = {static_cast<std::uint16_t>(s.width),
                                     static_cast<std::uint16_t>(s.height), 1, s.bits};
    std::memcpy(bytes.data(), &s.headerSize, 4);
    std::memcpy(bytes.data() + 4, fields, sizeof fields);
  } else {
    BITMAPINFOHEADER h{s.headerSize, s.width, s.height, 1, s.bits, s.compression, 0, 0, 0, s.clrUsed, 0};
    std::memcpy(bytes.data(), &h, sizeof h);
  }
  const auto* masks = reinterpret_cast<const std::uint8_t*>(s.masks.data());
  bytes.insert(bytes.end(), masks, masks + 4 * s.masks.size());
  for (const RGBQUAD& q : s.table) bytes.insert(bytes.end(), &q.rgbBlue, &q.rgbBlue + (core ? 3 : 4));
  bytes.insert(bytes.end(), s.pixels.begin(), s.pixels.end());
  return to_block(bytes);
}

inline std::vector<std::uint8_t> block_bytes(HGLOBAL block) {
  pcore::BlockLock lock(block);
  return std::vector<std::uint8_t>(lock.data(), lock.data() + lock.size());
}

// A result block taken apart: header, masks, colour table, everything after it.
struct Parts {
  BITMAPINFOHEADER header;
  std::vector<std::uint32_t> masks;
  std::vector<RGBQUAD> table;
  std::vector<std::uint8_t> pixels;
};

inline Parts split(HGLOBAL block) {
  std::vector<std::uint8_t> b = block_bytes(block);
  Parts p;
  std::memcpy(&p.header, b.data(), 40);
  std::size_t at = 40;
  p.masks.resize(p.header.biCompression == BI_BITFIELDS ? 3 : 0);
  p.table.resize(p.header.biClrUsed);
  if (!p.masks.empty()) std::memcpy(p.masks.data(), &b[at], 12);
  at += 4 * p.masks.size();
  if (!p.table.empty()) std::memcpy(p.table.data(), &b[at], 4 * p.table.size());
  p.pixels.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 4 * p.table.size()), b.end());
  return p;
}

// Indices (rows bottom-up) to padded rows of `bits` per pixel, and back.
inline std::vector<std::uint8_t> pack_rows(const std::vector<std::uint8_t>& indices, int width,
                                           unsigned bits) {
  const std::size_t stride = dib_stride(width, bits);
  std::vector<std::uint8_t> out(stride * (indices.size() / width));
  for (std::size_t i = 0; i < indices.size(); ++i) {
    std::size_t bit = (i % width) * bits;
    out[i / width * stride + bit / 8] |= static_cast<std::uint8_t>(indices[i] << (8 - bits - bit % 8));
  }
  return out;
}

inline std::vector<std::uint8_t> unpack_rows(const std::vector<std::uint8_t>& rows, int width, int height,
                                             unsigned bits) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < out.size(); ++i) {
    std::size_t bit = (i % width) * bits;
    out[i] =
        (rows[i / width * dib_stride(width, bits) + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  }
  return out;
}

inline std::vector<std::uint8_t> random_bytes(std::size_t n, unsigned seed, unsigned limit = 256) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out(n);
  for (auto& v : out) v = static_cast<std::uint8_t>(rng() % limit);
  return out;
}

inline std::vector<RGBQUAD> random_table(std::size_t n, unsigned seed) {
  std::vector<std::uint8_t> b = random_bytes(3 * n, seed);
  std::vector<RGBQUAD> t(n);
  for (std::size_t i = 0; i < n; ++i) t[i] = RGBQUAD{b[3 * i], b[3 * i + 1], b[3 * i + 2], 0};
  return t;
}

// The plain search the converters must agree with.
inline unsigned nearest_reference(const std::vector<RGBQUAD>& table, const std::uint8_t* bgr) {
  unsigned best = ~0u, index = 0;
  for (unsigned i = 0; i < table.size(); ++i) {
    int db = table[i].rgbBlue - bgr[0], dg = table[i].rgbGreen - bgr[1], dr = table[i].rgbRed - bgr[2];
    unsigned d = static_cast<unsigned>(db * db + dg * dg + dr * dr);
    if (d < best) best = d, index = i;
  }
  return index;
}

// Every pixel of an uncompressed palette result is the table entry nearest its source colour.
inline void expect_nearest(const Parts& out, const std::vector<std::uint8_t>& bgr, int width, int height) {
  std::vector<std::uint8_t> got = unpack_rows(out.pixels, width, height, out.header.biBitCount);
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], nearest_reference(out.table, &bgr[3 * i])) << "pixel " << i;
  }
}

}  // namespace dibtest
