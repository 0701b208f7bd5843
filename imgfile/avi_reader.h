// AVI video: the frames of each video stream (the first 25 streams) become frames of the codec's
// ImageStack, so that videos of any codec FFmpeg decodes can be imported. The decoding lives in a module
// loaded on the first AVI file (imgfile/avi/avi_module.h); without it, or without FFmpeg, AVI files are
// refused with a message saying so and nothing else is affected.
//
// A stream of up to 100 frames gives all of them; a longer one every step-th frame from the first, with
// step = ceil(length / 100), so that about 100 frames are taken (250 frames: 0, 3, 6, ... 249, 84 frames).
// Paletted streams give 8-bit frames with their palette, all others 24-bit frames. The codec's own image is
// the last frame taken; each frame's delay is the time it stands for in the video. Frames that cannot be
// decoded are skipped; the read fails only when no frame at all could be had.
#pragma once

#include <cstdint>
#include <string>

#include "imgfile/avi/avi_module.h"
#include "imgfile/image_codec.h"

class AviReader : public ImageCodec, private codaxe::avi::Sink {
 public:
  explicit AviReader(const std::string& path);

  int Expand() override;

  // Where the video module is looked for; by default beside the library itself, then on the loader's path.
  // Tests point it elsewhere to stand for a machine without the module.
  static void set_module_path(const std::string& path);

 private:
  void begin_stream(unsigned short delay) override;
  bool take(const codaxe::avi::Frame& frame) override;

  // Of the stream being read, in hundredths of a second: the time between two frames taken.
  unsigned short delay_ = 0;
  int framesTaken_ = 0;
  std::uint64_t bytesTaken_ = 0;
};
