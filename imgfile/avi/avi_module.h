// What the AVI reader and its video module share. The module holds everything that needs FFmpeg, so that
// programs start without loading it: the reader loads the module with dlopen on the first AVI file.
//
// Changing anything here changes the interface: raise kInterfaceVersion, whose value is in the entry
// point's name, so that a stale module is refused rather than misread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace codaxe::avi {

constexpr int kInterfaceVersion = 1;
#define CODAXE_AVI_ENTRY "codaxe_avi_read_v1"

// One decoded frame, rows top first: 24-bit blue-green-red, or 8-bit indices with 256 palette entries
// 0xAARRGGBB.
struct Frame {
  int width;
  int height;
  int bits;
  const unsigned char* pixels;
  std::ptrdiff_t stride;
  const std::uint32_t* palette;
};

class Sink {
 public:
  // A video stream begins whose frames taken each stand for `delay` hundredths of a second.
  virtual void begin_stream(unsigned short delay) = 0;
  // False when no more frames should be taken.
  virtual bool take(const Frame& frame) = 0;

 protected:
  ~Sink() = default;
};

enum Result : int { kRead = 0, kCannotOpen = 1, kNoVideo = 2, kNoMemory = 3 };

// The frames of the first 25 streams' video streams: all of a stream of up to 100 frames, of a longer one
// every step-th frame, step = ceil(length / 100).
using ReadFunction = int (*)(const char* path, Sink* sink);

}  // namespace codaxe::avi
