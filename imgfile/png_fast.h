// PNG's common cases without libpng: files are written with our own filter choice, and the common files
// (8-bit grey, palette or RGB, not interlaced, without transparency) are read with libdeflate. The reader is
// only a short cut, and gives way to libpng on anything else, broken files included, so that what is read
// and what is reported stay libpng's.
//
// What we write is an ordinary PNG whose compressed data is cut into independent segments of whole rows:
// each IDAT chunk holds one segment, which refers to nothing before it (its first row is filtered with None
// or Sub, and the compressor's history starts afresh), and ends on a byte boundary. A private chunk, sgIX,
// says how many rows a segment holds. Segments are compressed and decompressed side by side on several
// threads; every other reader sees one zlib stream as usual, and an editor that changes the image drops the
// chunk, which is marked unsafe to copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "imgfile/codaxe.h"
#include "imgfile/scratch_buffer.h"

namespace codaxe::png {

// Takes each piece of the file in order; false stops the writing.
using Sink = std::function<bool(const unsigned char*, std::size_t)>;

enum class EncodeResult { Done, NoMemory, WriteFailed };

// A whole PNG file for an image in the raw layout: 24-bit as RGB, 1-, 4- and 8-bit as palette images with
// `entries` palette entries.
EncodeResult encode(const unsigned char* pixels, unsigned width, unsigned height, unsigned bits,
                    const RGBCOLOR* palette, unsigned entries, const Sink& sink);

// What the fast reader found in a file it can read.
struct Decoded {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bits = 0;    // 8 or 24 as delivered
  unsigned colors = 0;  // palette entries (grey: 256)
  RGBCOLOR palette[256] = {};
};

// How the fast reader pulls the file: `read` fills exactly n bytes or fails, `skip` passes over n bytes.
struct Source {
  std::function<bool(unsigned char*, std::size_t)> read;
  std::function<bool(std::uint64_t)> skip;
};

// The compressed image data of a file, all of its chunks in one piece.
struct ImageData {
  ScratchBuffer bytes;
  std::size_t size = 0;
  // Where each IDAT chunk's data ends in `bytes`, and the rows of a segment when the file says its chunks
  // are independent segments (0 when it does not).
  std::vector<std::size_t> chunkEnds;
  std::uint32_t segmentRows = 0;
};

// Reads the chunks after the signature up to the end chunk, checking the critical ones' checksums; false
// when the file is not one the fast reader takes.
bool read_image_data(const Source& source, std::uint64_t fileSize, Decoded& out, ImageData& data);
// Decodes into `pixels` (bottom-up rows of dib_stride(width, bits)); false on anything unexpected, when
// the pixels are left in an unspecified state and the caller reads the file the slow way.
bool decode(const ImageData& data, const Decoded& info, unsigned char* pixels);

}  // namespace codaxe::png
