// AVI video through FFmpeg: the frames of each video stream (the first 25 streams) become frames of the
// codec's ImageStack, so that videos of any codec FFmpeg decodes can be imported.
//
// A stream of up to 100 frames gives all of them; a longer one every step-th frame from the first, with
// step = ceil(length / 100), so that about 100 frames are taken (250 frames: 0, 3, 6, ... 249, 84 frames).
// Paletted streams give 8-bit frames with their palette, all others 24-bit frames. The codec's own image is
// the last frame taken; each frame's delay is the time it stands for in the video. Frames that cannot be
// decoded are skipped; the read fails only when no frame at all could be had.
#pragma once

#include <cstdint>

#include "imgfile/image_codec.h"

struct AVFrame;
struct SwsContext;

class AviReader : public ImageCodec {
 public:
  explicit AviReader(const std::string& path);
  ~AviReader() override;

  int Expand() override;

 private:
  // Frames of one stream into the stack; false when the file itself could not be read.
  bool import_stream(int index);
  // One decoded frame into the codec's image and onto the stack; false when no more should be taken.
  bool take_frame(const AVFrame* frame);

  SwsContext* scaler_ = nullptr;
  // Of the stream being read, in hundredths of a second: the time between two frames taken.
  unsigned short delay_ = 0;
  int framesTaken_ = 0;
  std::uint64_t bytesTaken_ = 0;
};
