// A frame's image data as the GIF file it came from codes it, so that saving a frame that nobody changed
// copies those bytes rather than coding its pixels again (LZW coding is most of the cost of re-timing or
// reordering an animation).
//
// Only where the data lies is kept, never the data itself, so an opened animation costs no more memory than
// its pixels: the bytes are read again from the file when the frame is written. They are used only when
// they are provably what was decoded (same bytes by fingerprint) and the frame is provably what they decode
// to (same size, palette and pixels by fingerprint); anything else, a file changed or gone included, is
// coded afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imgfile/codaxe.h"

namespace codaxe {

struct CodedImage {
  std::string path;
  std::uint64_t fileSize = 0;
  std::uint64_t offset = 0;     // of the LZW minimum code size
  std::uint64_t length = 0;     // that byte, the data sub-blocks and the empty block that ends them
  std::uint64_t dataHash = 0;   // of the code size and the sub-blocks' contents, joined
  std::uint64_t frameHash = 0;  // frame_hash of the frame as decoded
  unsigned tableEntries = 0;    // of the colour table the pixels were read with
  unsigned maxIndex = 0;        // the largest index any pixel has
  bool interlaced = false;
};

std::uint64_t frame_hash(const ImageFrame& f);
std::uint64_t coded_data_hash(int minCodeSize, const unsigned char* joined, std::size_t size);

// Whether the frame is still the picture its coded data decodes to, in the colours it was read with.
bool frame_matches_code(const ImageFrame& f);

// Reads coded data back from its files for a writer, keeping the last file open.
class CodedDataReader {
 public:
  CodedDataReader() = default;
  ~CodedDataReader();
  CodedDataReader(const CodedDataReader&) = delete;
  CodedDataReader& operator=(const CodedDataReader&) = delete;

  // The image's bytes from its minimum code size to its closing empty block, checked against what was
  // read; null when they cannot be had or are no longer the same. Valid until the next call.
  const std::vector<unsigned char>* fetch(const CodedImage& image);

 private:
  bool open(const CodedImage& image);

  int fd_ = -1;
  std::string path_;
  std::uint64_t size_ = 0;
  std::vector<unsigned char> raw_;
  std::vector<unsigned char> joined_;
};

}  // namespace codaxe
