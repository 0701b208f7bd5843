#include <algorithm>
#include <cstring>
#include <vector>

#include "imgfile/byte_order.h"
#include "imgfile/byte_source.h"
#include "imgfile/plausible_size.h"
#include "imgfile/tga_codec.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr unsigned kTopRowFirst = 0x20;
constexpr unsigned kInterleaving = 0xC0;
constexpr unsigned kLongestPacket = 128;

enum Kind : unsigned { kMapped = 1, kTrueColour = 2, kGrey = 3 };
constexpr unsigned kRunLength = 8;

// Pixel depths each kind of image may have.
bool known_depth(unsigned kind, unsigned depth) {
  switch (kind) {
    case kMapped:
      return depth == 8;
    case kTrueColour:
      return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case kGrey:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

RGBCOLOR colour_from_555(unsigned v) {
  return RGBCOLOR{static_cast<unsigned char>(((v >> 10) & 31) << 3),
                  static_cast<unsigned char>(((v >> 5) & 31) << 3),
                  static_cast<unsigned char>((v & 31) << 3)};
}

}  // namespace

struct TgaReader::Header {
  unsigned idLength;
  unsigned mapType;
  unsigned kind;
  unsigned mapFirst;
  unsigned mapLength;
  unsigned mapEntryBits;
  unsigned width;
  unsigned height;
  unsigned depth;
  unsigned descriptor;

  unsigned map_entry_bytes() const { return mapType ? (mapEntryBits + 1) / 8 : 0; }
  unsigned pixel_bytes() const { return (depth + 1) / 8; }
  unsigned delivered_bytes() const { return kind == kTrueColour ? 3 : 1; }
};

TgaReader::TgaReader(const std::string& path) : ImageCodec(path) {}

int TgaReader::Expand() {
  if (!open_read()) return 0;
  const int result = decode();
  const bool shortRows = result && error_ == CE_DATA;
  close_file();
  // The rows that were there are delivered all the same.
  if (shortRows) ReportError(codaxe::MSG_READ_DATA);
  return result;
}

int TgaReader::decode() {
  unsigned char raw[kHeaderBytes];
  if (file_size() < kHeaderBytes) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  if (!read_bytes(raw, sizeof raw)) return 0;
  Header h{raw[0],
           raw[1],
           raw[2],
           codaxe::load_u16(raw + 3),
           codaxe::load_u16(raw + 5),
           raw[7],
           codaxe::load_u16(raw + 12),
           codaxe::load_u16(raw + 14),
           raw[16],
           raw[17]};
  runLength_ = (h.kind & kRunLength) != 0;
  h.kind &= ~kRunLength;
  if ((h.descriptor & kInterleaving) || !known_depth(h.kind, h.depth)) {
    return fail(codaxe::MSG_UNSUPPORTED, CE_DATA);
  }
  if (h.width == 0 || h.height == 0) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  const bool knownEntry =
      h.mapEntryBits == 15 || h.mapEntryBits == 16 || h.mapEntryBits == 24 || h.mapEntryBits == 32;
  // An empty map says nothing about its entries: writers leave the entry size 0 then.
  if (h.mapType && (h.mapLength > 256 || (h.mapLength > 0 && !knownEntry))) {
    return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }
  const std::uint64_t stride = dib_stride(h.width, 8 * h.delivered_bytes());
  const std::uint64_t before = kHeaderBytes + h.idLength + std::uint64_t{h.mapLength} * h.map_entry_bytes();
  const std::uint64_t data = file_size() > before ? file_size() - before : 0;
  if (!codaxe::plausible_image_size(stride * h.height, data, 1 + h.pixel_bytes(),
                                    kLongestPacket * h.delivered_bytes())) {
    return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }
  if (!AllocateImage(stride, h.height)) return 0;
  imageSize_ = static_cast<std::uint32_t>(stride * h.height);
  set_description(static_cast<unsigned short>(h.width), static_cast<unsigned short>(h.height),
                  static_cast<unsigned short>(8 * h.delivered_bytes()), h.kind == kTrueColour ? 0 : 256);
  if (h.kind == kGrey) {
    for (unsigned i = 0; i < 256; ++i) {
      const auto v = static_cast<unsigned char>(i);
      palette_[i] = RGBCOLOR{v, v, v};
    }
  }
  pixelBytes_ = h.pixel_bytes();
  codaxe::ByteSource source([this](unsigned char* p, std::size_t n) { return read_some(p, n); });
  const bool complete =
      source.skip(h.idLength) == h.idLength && read_colour_map(h, source) && read_rows(h, source);
  if (!complete) error_ = CE_DATA;
  keep_alpha_if_used();
  return 1;
}

// Entries go to the palette from index mapFirst on; those that would land beyond 256 are passed over.
bool TgaReader::read_colour_map(const Header& h, codaxe::ByteSource& source) {
  const unsigned size = h.map_entry_bytes();
  for (unsigned i = 0; i < h.mapLength; ++i) {
    unsigned char e[4];
    if (source.read(e, size) < size) return false;
    const unsigned index = h.mapFirst + i;
    if (index >= 256) continue;
    palette_[index] = size == 2 ? colour_from_555(codaxe::load_u16(e)) : RGBCOLOR{e[2], e[1], e[0]};
  }
  return true;
}

bool TgaReader::read_rows(const Header& h, codaxe::ByteSource& source) {
  const std::size_t stride = dib_stride(h.width, 8 * h.delivered_bytes());
  const bool direct = pixelBytes_ == h.delivered_bytes();
  std::vector<unsigned char> scratch(direct ? 0 : std::size_t{h.width} * pixelBytes_);
  // The descriptor's low bits count the attribute (alpha) bits of a pixel; without them a fourth byte is
  // padding, whatever it holds.
  const bool alpha =
      (h.descriptor & 0x0F) >= 8 && (pixelBytes_ == 4 || (h.kind == kGrey && pixelBytes_ == 2));
  if (alpha) alpha_.assign(std::size_t{h.width} * h.height, 255);
  for (unsigned j = 0; j < h.height; ++j) {
    const std::size_t stored = h.descriptor & kTopRowFirst ? h.height - 1 - j : j;
    unsigned char* row = image_ + stored * stride;
    const std::size_t got = read_pixels(source, direct ? row : scratch.data(), h.width);
    if (direct) {
      // A pixel cut in half is not delivered.
      std::memset(row + got * pixelBytes_, 0, std::size_t{h.width} * pixelBytes_ - got * pixelBytes_);
    } else {
      const unsigned char* in = scratch.data();
      for (std::size_t x = 0; x < got; ++x, in += pixelBytes_) {
        if (h.kind == kGrey) {
          row[x] = in[0];  // grey, then alpha
        } else if (pixelBytes_ == 2) {
          const RGBCOLOR c = colour_from_555(codaxe::load_u16(in));
          row[3 * x] = c.blue;
          row[3 * x + 1] = c.green;
          row[3 * x + 2] = c.red;
        } else {
          std::memcpy(row + 3 * x, in, 3);
        }
        if (alpha) alpha_[stored * h.width + x] = in[pixelBytes_ - 1];
      }
    }
    if (got < h.width) return false;
  }
  return true;
}

std::size_t TgaReader::read_pixels(codaxe::ByteSource& source, unsigned char* out, std::size_t count) {
  const unsigned b = pixelBytes_;
  if (!runLength_) return source.read(out, count * b) / b;
  std::size_t done = 0;
  while (done < count) {
    if (packetLeft_ == 0) {
      const int head = source.next();
      if (head < 0) break;
      packetLeft_ = (static_cast<unsigned>(head) & 0x7F) + 1;
      repeat_ = (head & 0x80) != 0;
      if (repeat_ && source.read(repeated_, b) < b) {
        packetLeft_ = 0;
        break;
      }
    }
    const std::size_t take = std::min<std::size_t>(packetLeft_, count - done);
    unsigned char* at = out + done * b;
    if (repeat_) {
      for (std::size_t i = 0; i < take; ++i) std::memcpy(at + i * b, repeated_, b);
    } else {
      const std::size_t got = source.read(at, take * b);
      if (got < take * b) {
        packetLeft_ = 0;
        return done + got / b;
      }
    }
    done += take;
    packetLeft_ -= static_cast<unsigned>(take);
  }
  return done;
}
