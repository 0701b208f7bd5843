#include "imgfile/gif_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imgfile/byte_order.h"
#include "imgfile/fixed_palette.h"
#include "imgfile/gif_coded.h"
#include "imgfile/gif_format.h"

namespace {

constexpr unsigned kMaxCoordinate = 65535;

std::uint32_t colour_key(const RGBCOLOR& c) {
  return std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue;
}

unsigned short clamp_coordinate(std::int64_t v) {
  return static_cast<unsigned short>(std::clamp<std::int64_t>(v, 0, kMaxCoordinate));
}

}  // namespace

GifWriter::GifWriter(const std::string& path, unsigned short width, unsigned short height,
                     unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                     RGBCOLOR* palette)
    : ImageCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
  imageSize_ = static_cast<std::uint32_t>(std::uint64_t{width} * height);
}

bool GifWriter::supported(const Source& s) {
  return (s.bits == 1 || s.bits == 4 || s.bits == 8 || s.bits == 24) && s.width > 0 && s.height > 0 &&
         s.pixels != nullptr;
}

GifWriter::Colours GifWriter::colours_of(const Source& s) {
  Colours c{};
  if (s.bits == 24) {
    const auto& fixed = codaxe::fixed_palette();
    std::copy(fixed.begin(), fixed.end(), c.entries);
    c.count = 256;
    return c;
  }
  c.count = s.bits == 8 ? 256 : 1u << s.bits;
  if (s.palette) std::copy(s.palette, s.palette + c.count, c.entries);
  return c;
}

GifWriter::ColourMap GifWriter::compact(const Colours& colours, const bool keep[256]) {
  ColourMap map{};
  map.entries = colours.count;
  // Open addressing over the colours seen so far; 512 slots never fill with at most 256 colours.
  constexpr unsigned kSlots = 512;
  std::uint32_t keys[kSlots];
  unsigned char values[kSlots];
  std::fill(std::begin(keys), std::end(keys), ~std::uint32_t{0});
  for (unsigned e = 0; e < colours.count; ++e) {
    const RGBCOLOR& c = colours.entries[e];
    if (!keep[e]) {
      const std::uint32_t key = colour_key(c);
      unsigned slot = (key * 2654435761u) >> 23;
      while (keys[slot] != key && keys[slot] != ~std::uint32_t{0}) slot = (slot + 1) % kSlots;
      if (keys[slot] == key) {
        map.index[e] = values[slot];
        continue;
      }
      keys[slot] = key;
      values[slot] = static_cast<unsigned char>(map.distinct);
    }
    map.index[e] = static_cast<unsigned char>(map.distinct);
    map.table[map.distinct++] = c;
  }
  map.bits = 1;
  while ((1u << map.bits) < map.distinct) ++map.bits;
  return map;
}

void GifWriter::prepare_pixels(const Source& s, const ColourMap& map) {
  const std::size_t width = s.width;
  pixels_.resize(width * s.height);
  const unsigned char* rows = s.pixels;
  std::size_t stride = dib_stride(width, s.bits);
  unsigned bits = s.bits;
  if (bits == 24) {
    dithered_.resize(dib_stride(width, 8) * s.height);
    codaxe::dither_to_fixed_palette(s.pixels, s.width, s.height, dithered_.data());
    rows = dithered_.data();
    stride = dib_stride(width, 8);
    bits = 8;
  }
  for (unsigned y = 0; y < s.height; ++y) {
    const unsigned char* row = rows + (s.height - 1 - y) * stride;
    unsigned char* out = pixels_.data() + y * width;
    if (bits == 8) {
      for (std::size_t x = 0; x < width; ++x) out[x] = map.index[row[x]];
    } else {
      const unsigned perByte = 8 / bits;
      const unsigned mask = (1u << bits) - 1;
      for (std::size_t x = 0; x < width; ++x) {
        const unsigned shift = 8 - bits * (1 + x % perByte);
        out[x] = map.index[(row[x / perByte] >> shift) & mask];
      }
    }
  }
}

bool GifWriter::write_screen(unsigned short width, unsigned short height, const ColourMap& map,
                             unsigned char background) {
  unsigned char head[13] = {'G', 'I', 'F', '8', '9', 'a'};
  codaxe::store_u16(head + 6, width);
  codaxe::store_u16(head + 8, height);
  head[10] = static_cast<unsigned char>(0xF0 | (map.bits - 1));
  head[11] = background;
  return write_bytes(head, sizeof head) && write_table(map);
}

bool GifWriter::write_table(const ColourMap& map) {
  RGBCOLOR table[256] = {};
  std::copy(map.table, map.table + map.distinct, table);
  return write_bytes(table, (std::size_t{1} << map.bits) * sizeof(RGBCOLOR));
}

bool GifWriter::write_control(const ImageFrame& frame, const ColourMap& map) {
  unsigned char block[8] = {codaxe::gif::kExtensionIntroducer, codaxe::gif::kGraphicControlLabel, 4};
  block[3] = static_cast<unsigned char>((frame.transparent ? 1 : 0) | (frame.disposal & 7) << 2);
  codaxe::store_u16(block + 4, frame.delay);
  // The transparent entry was kept apart when the table was compacted; name it by its new place.
  const unsigned t = frame.transparentIndex;
  block[6] = t < map.entries ? map.index[t] : static_cast<unsigned char>(t);
  return write_bytes(block, sizeof block);
}

bool GifWriter::write_descriptor(int left, int top, unsigned short width, unsigned short height, int flags) {
  unsigned char block[10] = {codaxe::gif::kImageSeparator};
  codaxe::store_u16(block + 1, clamp_coordinate(left));
  codaxe::store_u16(block + 3, clamp_coordinate(top));
  codaxe::store_u16(block + 5, width);
  codaxe::store_u16(block + 7, height);
  block[9] = static_cast<unsigned char>(flags);
  return write_bytes(block, sizeof block);
}

bool GifWriter::write_pixels(int minCodeSize) {
  encoded_.clear();
  encoded_.push_back(static_cast<unsigned char>(minCodeSize));
  encoder_.encode(pixels_.data(), pixels_.size(), minCodeSize, encoded_);
  encoded_.push_back(0);
  return write_bytes(encoded_.data(), encoded_.size());
}

bool GifWriter::write_comment(const std::string& text) {
  if (text.empty()) return true;
  const unsigned char head[2] = {codaxe::gif::kExtensionIntroducer, codaxe::gif::kCommentLabel};
  bool ok = write_bytes(head, sizeof head);
  for (std::size_t at = 0; ok && at < text.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, text.size() - at);
    ok = write_byte(static_cast<unsigned char>(n)) && write_bytes(text.data() + at, n);
  }
  return ok && write_byte(0);
}

// The application extension by which readers know to loop; count 0 is forever.
bool GifWriter::write_loop_extension(unsigned short count) {
  unsigned char block[19] = {codaxe::gif::kExtensionIntroducer,
                             codaxe::gif::kApplicationLabel,
                             11,
                             'N',
                             'E',
                             'T',
                             'S',
                             'C',
                             'A',
                             'P',
                             'E',
                             '2',
                             '.',
                             '0',
                             3,
                             1,
                             0,
                             0,
                             0};
  codaxe::store_u16(block + 16, count);
  return write_bytes(block, sizeof block);
}

int GifWriter::Compress(unsigned short, ImgType) {
  const Source source{sourcePixels_, sourcePalette_, width_, height_, bitsPerPixel_};
  if (!supported(source)) return fail(codaxe::MSG_UNSUPPORTED, CE_WRITE);
  if (!open_write(codaxe::MSG_WRITE_HEADER)) return 0;
  const bool keep[256] = {};
  const ColourMap map = compact(colours_of(source), keep);
  prepare_pixels(source, map);
  bool ok = write_screen(width_, height_, map, 0) && write_descriptor(0, 0, width_, height_, 0) &&
            write_pixels(std::max(map.bits, 2)) && write_comment(kMakerText) &&
            write_byte(codaxe::gif::kTrailer);
  ok = close_file() && ok;
  return ok ? 1 : 0;
}

// A frame's own comment is what the user wrote for it; without one, where the frame came from.
std::string GifWriter::frame_comment(const ImageFrame& f, std::size_t i) const {
  if (f.comment && *f.comment) return f.comment;
  return fileName_ + " frame " + std::to_string(i) + ", from " +
         std::string(f.path, strnlen(f.path, sizeof f.path));
}

// The frame's colour table as its file had it, entry for entry: the one its coded data indexes.
GifWriter::ColourMap GifWriter::table_as_read(const ImageFrame& f) {
  ColourMap map{};
  map.entries = f.coded->tableEntries;
  map.distinct = map.entries;
  map.bits = std::countr_zero(map.entries);
  for (unsigned e = 0; e < 256; ++e) map.index[e] = static_cast<unsigned char>(e);
  std::copy(f.palette, f.palette + map.entries, map.table);
  return map;
}

// Whether a frame copied as coded reads the same colours from the global table: every index its pixels
// use must name the same colour there.
bool GifWriter::reads_same_colours(const ImageFrame& f, const ColourMap& global) {
  const unsigned used = f.coded->maxIndex + 1;
  return used <= (1u << global.bits) && std::memcmp(global.table, f.palette, used * sizeof(RGBCOLOR)) == 0;
}

int GifWriter::SaveStack(unsigned short, ImgType) {
  std::vector<const ImageFrame*> frames;
  for (int i = 0; const ImageFrame* f = stack_.GetFrameData(i); ++i) {
    if (!f->removed) frames.push_back(f);
  }
  if (frames.empty()) return 0;
  auto source_of = [](const ImageFrame& f) {
    return Source{f.pixels, f.palette, f.width, f.height, f.bitsPerPixel};
  };
  unsigned screenWidth = stack_.GetScreenWidth();
  unsigned screenHeight = stack_.GetScreenHeight();
  for (const ImageFrame* f : frames) {
    if (!supported(source_of(*f))) return fail(codaxe::MSG_UNSUPPORTED, CE_WRITE);
    // A frame placed beyond the screen would be cut off by readers; the screen grows to hold it.
    screenWidth = std::max<unsigned>(screenWidth, clamp_coordinate(std::int64_t{f->left} + f->width));
    screenHeight = std::max<unsigned>(screenHeight, clamp_coordinate(std::int64_t{f->top} + f->height));
  }

  // A first frame copied as coded brings its table as the global one; otherwise the global table is frame
  // 0's compacted. With bGCT every frame whose palette it is shares it, so the transparent entries of all
  // of those stay apart in it.
  codaxe::CodedDataReader coded;
  const std::vector<unsigned char>* firstData =
      codaxe::frame_matches_code(*frames[0]) ? coded.fetch(*frames[0]->coded) : nullptr;
  const bool shareGlobal = stack_.GetbGCT() != 0;
  const Colours global = colours_of(source_of(*frames[0]));
  std::vector<bool> shares(frames.size(), false);
  bool keepGlobal[256] = {};
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Colours own = colours_of(source_of(*frames[i]));
    shares[i] = i == 0 || (shareGlobal && own.count <= global.count &&
                           std::memcmp(own.entries, global.entries, own.count * sizeof(RGBCOLOR)) == 0);
    if (shares[i] && frames[i]->transparent) keepGlobal[frames[i]->transparentIndex] = true;
  }
  const ColourMap globalMap = firstData ? table_as_read(*frames[0]) : compact(global, keepGlobal);
  // A table as read is not compacted: a frame coded afresh may use it only when it holds every entry.
  const bool globalTakesAll = !firstData || globalMap.entries == 256;

  if (!open_write(codaxe::MSG_WRITE_HEADER)) return 0;
  bool ok = write_screen(static_cast<unsigned short>(screenWidth), static_cast<unsigned short>(screenHeight),
                         globalMap, stack_.GetbkColorIndex()) &&
            (frames.size() < 2 || write_loop_extension(stack_.GetLoopCount()));
  for (std::size_t i = 0; ok && i < frames.size(); ++i) {
    const ImageFrame& f = *frames[i];
    const std::vector<unsigned char>* data = i == 0                          ? firstData
                                             : codaxe::frame_matches_code(f) ? coded.fetch(*f.coded)
                                                                             : nullptr;
    if (data) {
      const bool local = i > 0 && !(shareGlobal && reads_same_colours(f, globalMap));
      const ColourMap map = table_as_read(f);
      const int flags = (f.coded->interlaced ? codaxe::gif::kInterlaceFlag : 0) |
                        (local ? codaxe::gif::kTableFlag | (map.bits - 1) : 0);
      ok = write_control(f, map) && write_descriptor(f.left, f.top, f.width, f.height, flags) &&
           (!local || write_table(map)) && write_bytes(data->data(), data->size()) &&
           write_comment(frame_comment(f, i));
      continue;
    }
    const Source source = source_of(f);
    const bool shared = shares[i] && globalTakesAll;
    ColourMap localMap;
    if (!shared) {
      bool keep[256] = {};
      if (f.transparent) keep[f.transparentIndex] = true;
      localMap = compact(colours_of(source), keep);
    }
    const ColourMap& map = shared ? globalMap : localMap;
    prepare_pixels(source, map);
    // Frame 0 always codes with 8-bit literals, whatever its table's size.
    const int minCodeSize = i == 0 ? 8 : std::max(map.bits, 2);
    const int flags = i == 0 ? 0 : (shared ? 0 : codaxe::gif::kTableFlag) | (map.bits - 1);
    ok = write_control(f, map) && write_descriptor(f.left, f.top, f.width, f.height, flags) &&
         (shared || write_table(map)) && write_pixels(minCodeSize) && write_comment(frame_comment(f, i));
  }
  ok = ok && write_comment(kMakerText) && write_byte(codaxe::gif::kTrailer);
  ok = close_file() && ok;
  return ok ? 1 : 0;
}
