#include "imgfile/png_fast.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "imgfile/byte_order.h"
#include "imgfile/raw_rows.h"
#include "imgfile/strip_workers.h"

namespace codaxe::png {

namespace {

constexpr unsigned char kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
// ISA-L's level 1 packs filtered photographs about as small as zlib's level 7 does, ten times as fast.
constexpr int kLevel = 1;
constexpr std::size_t kLevelBufferBytes = ISAL_DEF_LVL1_DEFAULT;
// Segments that ISA-L packs to less than a fraction 1 / kThoroughBelow are packed again by zlib.
constexpr std::size_t kThoroughBelow = 4;
constexpr int kThoroughLevel = 6;
// Rows of about this many bytes make a segment: enough segments to share among threads, each long enough
// that starting afresh costs next to nothing in size.
constexpr std::size_t kSegmentBytes = std::size_t{1} << 20;
constexpr const char* kSegmentChunk = "sgIX";

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

// A chunk whose data comes in one or more pieces; false when the sink fails.
bool put_chunk(const Sink& sink, const char* type,
               std::initializer_list<std::pair<const unsigned char*, std::size_t>> pieces) {
  std::size_t n = 0;
  for (const auto& piece : pieces) n += piece.second;
  unsigned char head[8];
  store_be32(head, static_cast<std::uint32_t>(n));
  std::memcpy(head + 4, type, 4);
  std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
  if (!sink(head, 8)) return false;
  for (const auto& [data, size] : pieces) {
    if (size == 0) continue;  // a null buffer would restart the checksum
    crc = libdeflate_crc32(crc, data, size);
    if (!sink(data, size)) return false;
  }
  unsigned char tail[4];
  store_be32(tail, crc);
  return sink(tail, 4);
}

// How far a filtered row is from all zeros, its bytes read as signed: |v| is the smaller of v and -v.
unsigned long weight(const unsigned char* __restrict v, std::size_t n) {
  unsigned long sum = 0;
  std::size_t i = 0;
#ifdef __SSE2__
  __m128i sums = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i));
    const __m128i magnitude = _mm_min_epu8(x, _mm_sub_epi8(_mm_setzero_si128(), x));
    sums = _mm_add_epi64(sums, _mm_sad_epu8(magnitude, _mm_setzero_si128()));
  }
  sum = static_cast<unsigned long>(_mm_cvtsi128_si64(sums)) +
        static_cast<unsigned long>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
  for (; i < n; ++i) sum += std::min<unsigned>(v[i], (256 - v[i]) & 255);
  return sum;
}

// Paeth's predictor of every byte of a row but the first pixel's, subtracted from the byte.
void paeth_filter(const unsigned char* __restrict row, const unsigned char* __restrict prior, std::size_t n,
                  unsigned bpp, unsigned char* __restrict out) {
  std::size_t i = bpp;
#ifdef __SSE2__
  // Eight bytes at a time in 16-bit lanes, where a + b - 2c cannot overflow.
  const __m128i zero = _mm_setzero_si128();
  const auto load8 = [&](const unsigned char* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  const auto magnitude = [](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); };
  for (; i + 8 <= n; i += 8) {
    const __m128i a = load8(row + i - bpp), b = load8(prior + i), c = load8(prior + i - bpp);
    const __m128i towardsA = _mm_sub_epi16(b, c), towardsB = _mm_sub_epi16(a, c);
    const __m128i pa = magnitude(towardsA), pb = magnitude(towardsB);
    const __m128i pc = magnitude(_mm_add_epi16(towardsA, towardsB));
    // a where pa <= pb and pa <= pc, else b where pb <= pc, else c.
    const __m128i takeA =
        _mm_andnot_si128(_mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)), _mm_set1_epi16(-1));
    const __m128i takeB = _mm_andnot_si128(_mm_cmpgt_epi16(pb, pc), _mm_set1_epi16(-1));
    const __m128i bOrC = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
    const __m128i predictor = _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bOrC));
    const __m128i x = load8(row + i);
    const __m128i difference = _mm_and_si128(_mm_sub_epi16(x, predictor), _mm_set1_epi16(0xFF));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(difference, zero));
  }
#endif
  for (; i < n; ++i) {
    const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    out[i] = static_cast<unsigned char>(row[i] - predictor);
  }
}

// The row filtered with each filter; the one that weighs least is kept (the heuristic the PNG format's
// authors recommend, and libpng's). Each filter is a loop of its own, which the compiler vectorises. The
// first row of a segment (`alone`) may only use None and Sub, which do not look at the row above.
void filter_row(const unsigned char* __restrict row, const unsigned char* __restrict prior, std::size_t n,
                unsigned bpp, bool alone, unsigned char* __restrict out, unsigned char* __restrict scratch) {
  unsigned char* __restrict sub = scratch;
  unsigned char* __restrict up = scratch + n;
  unsigned char* __restrict average = scratch + 2 * n;
  unsigned char* __restrict paeths = scratch + 3 * n;
  const std::size_t edge = std::min<std::size_t>(bpp, n);
  for (std::size_t i = 0; i < edge; ++i) sub[i] = row[i];
  for (std::size_t i = bpp; i < n; ++i) sub[i] = static_cast<unsigned char>(row[i] - row[i - bpp]);
  int filters = 2;
  if (!alone) {
    filters = 5;
    for (std::size_t i = 0; i < edge; ++i) {
      const unsigned b = prior ? prior[i] : 0;
      up[i] = static_cast<unsigned char>(row[i] - b);
      average[i] = static_cast<unsigned char>(row[i] - b / 2);
      paeths[i] = static_cast<unsigned char>(row[i] - b);  // a = c = 0: the predictor is b
    }
    if (prior) {
      for (std::size_t i = bpp; i < n; ++i) up[i] = static_cast<unsigned char>(row[i] - prior[i]);
      for (std::size_t i = bpp; i < n; ++i) {
        average[i] = static_cast<unsigned char>(row[i] - ((row[i - bpp] + prior[i]) >> 1));
      }
      paeth_filter(row, prior, n, bpp, paeths);
    } else {
      // The first row: Up is None, and Average and Paeth see only the left neighbour.
      for (std::size_t i = bpp; i < n; ++i) up[i] = row[i];
      for (std::size_t i = bpp; i < n; ++i)
        average[i] = static_cast<unsigned char>(row[i] - (row[i - bpp] >> 1));
      for (std::size_t i = bpp; i < n; ++i) paeths[i] = sub[i];
    }
  }
  const unsigned char* candidates[5] = {row, sub, up, average, paeths};
  int best = 0;
  unsigned long least = weight(row, n);
  for (int f = 1; f < filters; ++f) {
    const unsigned long w = weight(candidates[f], n);
    if (w < least) {
      least = w;
      best = f;
    }
  }
  out[0] = static_cast<unsigned char>(best);
  std::memcpy(out + 1, candidates[best], n);
}

// Undoes a row's filter in place; false for a filter PNG does not have. `prior` is null above the first
// row, where everything counts as 0.
bool unfilter_row(unsigned filter, unsigned char* row, const unsigned char* prior, std::size_t rowBytes,
                  unsigned bpp) {
  switch (filter) {
    case kNone:
      return true;
    case kSub:
      for (std::size_t i = bpp; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
      return true;
    case kUp:
      if (prior) {
        for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
      }
      return true;
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
      return true;
    case kPaeth:
      if (!prior) {
        // Above the first row everything is 0: the predictor is the left neighbour, as for Sub.
        for (std::size_t i = bpp; i < rowBytes; ++i)
          row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
        return true;
      }
      for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
      for (std::size_t i = bpp; i < rowBytes; ++i) {
        const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        row[i] = static_cast<unsigned char>(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
      }
      return true;
    default:
      return false;
  }
}

// An unfiltered row into its place in the bottom-up raw layout, red and blue exchanged.
void deliver_row(const unsigned char* row, const Decoded& info, unsigned y, unsigned char* pixels) {
  unsigned char* to = pixels + std::size_t{info.height - 1 - y} * dib_stride(info.width, info.bits);
  if (info.bits == 8) {
    std::memcpy(to, row, info.width);
  } else {
    swap_red_blue(row, to, info.width);
  }
}

struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

EncodeResult encode(const unsigned char* pixels, unsigned width, unsigned height, unsigned bits,
                    const RGBCOLOR* palette, unsigned entries, const Sink& sink) {
  const std::size_t stride = dib_stride(width, bits);
  const std::size_t rowBytes = (std::size_t{width} * bits + 7) / 8;
  const unsigned bpp = bits == 24 ? 3 : 1;
  const std::uint32_t segmentRows =
      static_cast<std::uint32_t>(std::clamp<std::size_t>(kSegmentBytes / (rowBytes + 1), 1, height));
  const std::uint32_t segments = (height + segmentRows - 1) / segmentRows;
  const std::size_t segmentBytes = std::size_t{segmentRows} * (rowBytes + 1);
  // Stored blocks at worst, and the flush marker.
  const std::size_t packedBound = segmentBytes + segmentBytes / 1024 * 8 + 1024;
  const unsigned workers = std::min<unsigned>(strip_workers(), segments);
  const std::uint32_t batch = workers * 4;

  struct Worker {
    ScratchBuffer filtered, rgb, scratch, levelBuffer, thorough;
    std::unique_ptr<isal_zstream> stream;
  };
  std::vector<Worker> crew;
  struct Packed {
    ScratchBuffer bytes;
    std::size_t size = 0;
    std::uint32_t adler = 1;
    bool ok = false;
  };
  std::vector<Packed> packed;
  try {
    crew.resize(workers);
    packed.resize(std::min(batch, segments));
    for (Worker& w : crew) {
      w.stream = std::make_unique<isal_zstream>();
      if (!w.filtered.allocate(segmentBytes) || !w.rgb.allocate(2 * rowBytes) ||
          !w.scratch.allocate(4 * rowBytes) || !w.levelBuffer.allocate(kLevelBufferBytes) ||
          !w.thorough.allocate(packedBound)) {
        return EncodeResult::NoMemory;
      }
    }
    for (Packed& p : packed) {
      if (!p.bytes.allocate(packedBound)) return EncodeResult::NoMemory;
    }
  } catch (const std::bad_alloc&) {
    return EncodeResult::NoMemory;
  }

  // Rows first..first+count of one segment, filtered and compressed into `out`.
  const auto pack = [&](std::uint32_t segment, Worker& w, Packed& out) {
    const unsigned first = segment * segmentRows;
    const unsigned rows = std::min<unsigned>(segmentRows, height - first);
    unsigned char* filtered = w.filtered.data();
    for (unsigned r = 0; r < rows; ++r) {
      const unsigned y = first + r;
      const unsigned char* row = pixels + std::size_t{height - 1 - y} * stride;
      unsigned char* to = filtered + std::size_t{r} * (rowBytes + 1);
      if (bits != 24) {
        // Palette images compress best unfiltered, as libpng leaves them.
        to[0] = kNone;
        std::memcpy(to + 1, row, rowBytes);
        continue;
      }
      unsigned char* current = w.rgb.data() + (r & 1) * rowBytes;
      swap_red_blue(row, current, width);
      const unsigned char* prior = r ? w.rgb.data() + ((r - 1) & 1) * rowBytes : nullptr;
      filter_row(current, prior, rowBytes, bpp, y > 0 && r == 0, to, w.scratch.data());
    }
    const std::size_t size = std::size_t{rows} * (rowBytes + 1);
    out.adler = libdeflate_adler32(1, filtered, size);
    isal_zstream& z = *w.stream;
    isal_deflate_init(&z);
    z.level = kLevel;
    z.level_buf = w.levelBuffer.data();
    z.level_buf_size = kLevelBufferBytes;
    z.gzip_flag = IGZIP_DEFLATE;
    z.flush = FULL_FLUSH;
    z.end_of_stream = segment + 1 == segments;
    z.next_in = filtered;
    z.avail_in = static_cast<std::uint32_t>(size);
    z.next_out = out.bytes.data();
    z.avail_out = static_cast<std::uint32_t>(packedBound);
    out.ok = isal_deflate(&z) == COMP_OK && z.avail_in == 0 && z.avail_out > 0;
    out.size = z.total_out;
    // Drawings and screenshots pack to a small part of their size, and there zlib's thorough search finds
    // far more than ISA-L's quick one, quickly, since their matches are long.
    if (out.ok && out.size * kThoroughBelow < size) {
      z_stream thorough{};
      if (deflateInit2(&thorough, kThoroughLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
      thorough.next_in = filtered;
      thorough.avail_in = static_cast<uInt>(size);
      thorough.next_out = w.thorough.data();
      thorough.avail_out = static_cast<uInt>(out.size);
      const int status = deflate(&thorough, segment + 1 == segments ? Z_FINISH : Z_FULL_FLUSH);
      // Kept only when it is complete and smaller, which it cannot be when it ran out of room.
      if ((status == Z_OK || status == Z_STREAM_END) && thorough.avail_in == 0 && thorough.avail_out > 0) {
        out.size = thorough.total_out;
        std::memcpy(out.bytes.data(), w.thorough.data(), out.size);
      }
      deflateEnd(&thorough);
    }
  };

  unsigned char header[13] = {};
  store_be32(header, width);
  store_be32(header + 4, height);
  header[8] = static_cast<unsigned char>(bits == 24 ? 8 : bits);
  header[9] = bits == 24 ? 2 : 3;
  if (!sink(kSignature, 8) || !put_chunk(sink, "IHDR", {{header, sizeof header}})) {
    return EncodeResult::WriteFailed;
  }
  if (bits != 24) {
    unsigned char plte[3 * 256];
    for (unsigned i = 0; i < entries; ++i) {
      plte[3 * i] = palette[i].red;
      plte[3 * i + 1] = palette[i].green;
      plte[3 * i + 2] = palette[i].blue;
    }
    if (!put_chunk(sink, "PLTE", {{plte, 3 * std::size_t{entries}}})) return EncodeResult::WriteFailed;
  }
  if (segments > 1) {
    unsigned char rowsField[4];
    store_be32(rowsField, segmentRows);
    if (!put_chunk(sink, kSegmentChunk, {{rowsField, 4}})) return EncodeResult::WriteFailed;
  }
  // The zlib header of the fastest level; the Adler-32 of all the data goes after the last segment.
  static constexpr unsigned char kZlibHeader[2] = {0x78, 0x01};
  std::uint32_t adler = 1;
  for (std::uint32_t s0 = 0; s0 < segments; s0 += batch) {
    const std::uint32_t count = std::min(batch, segments - s0);
    for_each_strip(count, workers, [&](std::size_t i, unsigned worker) {
      pack(s0 + static_cast<std::uint32_t>(i), crew[worker], packed[i]);
    });
    for (std::uint32_t i = 0; i < count; ++i) {
      const Packed& p = packed[i];
      if (!p.ok) return EncodeResult::NoMemory;
      const std::uint32_t segment = s0 + i;
      const unsigned rows = std::min<unsigned>(segmentRows, height - segment * segmentRows);
      adler = static_cast<std::uint32_t>(
          adler32_combine(adler, p.adler, static_cast<z_off_t>(rows * (rowBytes + 1))));
      unsigned char trailer[4];
      store_be32(trailer, adler);
      const bool first = segment == 0, last = segment + 1 == segments;
      if (!put_chunk(sink, "IDAT",
                     {{kZlibHeader, first ? 2u : 0u}, {p.bytes.data(), p.size}, {trailer, last ? 4u : 0u}})) {
        return EncodeResult::WriteFailed;
      }
    }
  }
  return put_chunk(sink, "IEND", {}) ? EncodeResult::Done : EncodeResult::WriteFailed;
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
  if (!data.bytes.allocate(fileSize)) return false;
  data.size = 0;
  data.chunkEnds.clear();
  data.segmentRows = 0;
  bool palette = false;
  for (;;) {
    if (!source.read(head, 8)) return false;
    const std::uint32_t length = load_be32(head);
    const unsigned char* t = head + 4;
    if (length > fileSize) return false;
    if (std::memcmp(t, "IEND", 4) == 0) return data.size > 0 && (type != 3 || palette);
    if (std::memcmp(t, "IDAT", 4) == 0) {
      if (length > fileSize - data.size) return false;
      unsigned char* at = data.bytes.data() + data.size;
      unsigned char crc[4];
      if (!source.read(at, length) || !source.read(crc, 4) ||
          libdeflate_crc32(libdeflate_crc32(0, t, 4), at, length) != load_be32(crc)) {
        return false;
      }
      data.size += length;
      data.chunkEnds.push_back(data.size);
    } else if (std::memcmp(t, kSegmentChunk, 4) == 0 && length == 4 && data.size == 0) {
      unsigned char field[8];
      if (!source.read(field, 8) ||
          libdeflate_crc32(libdeflate_crc32(0, t, 4), field, 4) != load_be32(field + 4)) {
        return false;
      }
      data.segmentRows = load_be32(field);
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

namespace {

// A file whose IDAT chunks are independent segments (see png_fast.h): each decompressed, checked and
// unfiltered on its own by one of the workers. False when the file does not keep the promise, and the caller
// then decodes it as one stream.
bool decode_segments(const ImageData& data, const Decoded& info, unsigned char* pixels) {
  const unsigned bpp = info.bits / 8;
  const std::size_t rowBytes = std::size_t{info.width} * bpp;
  const std::uint32_t segmentRows = data.segmentRows;
  const std::size_t segments = data.chunkEnds.size();
  if (segmentRows == 0 || segments < 2 ||
      (info.height + std::uint64_t{segmentRows} - 1) / segmentRows != segments) {
    return false;
  }
  // The zlib header: deflate, no preset dictionary. The checksum follows the last segment.
  const unsigned char* bytes = data.bytes.data();
  if (data.size < 6 || (bytes[0] & 0x0F) != 8 || (bytes[0] >> 4) > 7 || (bytes[1] & 0x20) ||
      (bytes[0] * 256u + bytes[1]) % 31 != 0 || data.chunkEnds.front() < 2 ||
      data.chunkEnds.back() < data.chunkEnds.front() + 4) {
    return false;
  }
  const std::size_t segmentBytes = std::size_t{segmentRows} * (rowBytes + 1);
  std::size_t mostPacked = 0;
  for (std::size_t i = 0, begin = 0; i < segments; begin = data.chunkEnds[i++]) {
    mostPacked = std::max(mostPacked, data.chunkEnds[i] - begin);
  }
  const unsigned workers = std::min<unsigned>(strip_workers(), static_cast<unsigned>(segments));
  struct Worker {
    ScratchBuffer raw, packed;
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater;
  };
  std::vector<Worker> crew;
  std::vector<std::uint32_t> adlers;
  try {
    crew.resize(workers);
    adlers.resize(segments);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (Worker& w : crew) {
    w.inflater.reset(libdeflate_alloc_decompressor());
    if (!w.inflater || !w.raw.allocate(segmentBytes) || !w.packed.allocate(mostPacked + 2)) return false;
  }
  std::atomic<bool> ok{true};
  for_each_strip(segments, workers, [&](std::size_t segment, unsigned worker) {
    if (!ok) return;
    Worker& w = crew[worker];
    const bool last = segment + 1 == segments;
    const std::size_t begin = segment ? data.chunkEnds[segment - 1] : 2;
    const std::size_t end = last ? data.chunkEnds.back() - 4 : data.chunkEnds[segment];
    const unsigned first = static_cast<unsigned>(segment) * segmentRows;
    const unsigned rows = std::min<unsigned>(segmentRows, info.height - first);
    const std::size_t size = std::size_t{rows} * (rowBytes + 1);
    // A segment before the last ends with an empty stored block, where the stream goes on in the next
    // chunk; an empty final block after it makes it a stream of its own for the decompressor. Exactly its
    // bytes must be consumed, so that it decodes as it does within the whole stream.
    if (end <= begin) {
      ok = false;
      return;
    }
    const unsigned char* in = bytes + begin;
    std::size_t inBytes = end - begin;
    if (!last) {
      static constexpr unsigned char kFlush[4] = {0x00, 0x00, 0xFF, 0xFF};
      if (inBytes < 4 || std::memcmp(in + inBytes - 4, kFlush, 4) != 0) {
        ok = false;
        return;
      }
      std::memcpy(w.packed.data(), in, inBytes);
      w.packed.data()[inBytes] = 0x03;
      w.packed.data()[inBytes + 1] = 0x00;
      in = w.packed.data();
      inBytes += 2;
    }
    std::size_t consumed = 0;
    unsigned char* raw = w.raw.data();
    if (libdeflate_deflate_decompress_ex(w.inflater.get(), in, inBytes, raw, size, &consumed, nullptr) !=
            LIBDEFLATE_SUCCESS ||
        consumed != inBytes) {
      ok = false;
      return;
    }
    adlers[segment] = libdeflate_adler32(1, raw, size);
    const unsigned char* prior = nullptr;
    for (unsigned r = 0; r < rows; ++r) {
      unsigned char* row = raw + std::size_t{r} * (rowBytes + 1) + 1;
      const unsigned filter = row[-1];
      // Only the image's first row may look above itself to nothing.
      if ((r == 0 && first > 0 && filter != kNone && filter != kSub) ||
          !unfilter_row(filter, row, prior, rowBytes, bpp)) {
        ok = false;
        return;
      }
      deliver_row(row, info, first + r, pixels);
      prior = row;
    }
  });
  if (!ok) return false;
  std::uint32_t adler = 1;
  for (std::size_t i = 0; i < segments; ++i) {
    const std::size_t rows = std::min<std::size_t>(segmentRows, info.height - i * segmentRows);
    adler = static_cast<std::uint32_t>(
        adler32_combine(adler, adlers[i], static_cast<z_off_t>(rows * (rowBytes + 1))));
  }
  return adler == load_be32(bytes + data.size - 4);
}

}  // namespace

bool decode(const ImageData& data, const Decoded& info, unsigned char* pixels) {
  if (data.segmentRows && decode_segments(data, info, pixels)) return true;
  const unsigned bpp = info.bits / 8;
  const std::size_t rowBytes = std::size_t{info.width} * bpp;
  // Not zero-filled: the decompressor writes every byte or fails.
  const std::size_t rawSize = (rowBytes + 1) * info.height;
  ScratchBuffer raw;
  std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(libdeflate_alloc_decompressor());
  if (!raw.allocate(rawSize) || !inflater ||
      libdeflate_zlib_decompress(inflater.get(), data.bytes.data(), data.size, raw.data(), rawSize,
                                 nullptr) != LIBDEFLATE_SUCCESS) {
    return false;
  }
  const unsigned char* prior = nullptr;
  for (unsigned y = 0; y < info.height; ++y) {
    unsigned char* row = raw.data() + y * (rowBytes + 1) + 1;
    if (!unfilter_row(row[-1], row, prior, rowBytes, bpp)) return false;
    deliver_row(row, info, y, pixels);
    prior = row;
  }
  return true;
}

}  // namespace codaxe::png
