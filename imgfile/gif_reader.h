// GIF87a and GIF89a files: every image of the file becomes a frame of the codec's stack, with its position,
// and the delay, disposal and transparency of the graphic control extension before it.
//
// Comments belong to the frame they follow, as writers put a frame's comment after it: several after one
// frame are joined with newlines, and those before the first image go to the first frame. The closing
// comment by which this suite signs its files is no frame's and is dropped.
//
// Broken files are decoded as far as they go: an image whose data is short or stops at a bad code keeps the
// pixels decoded so far (the rest index 0), frames already read stay in the stack, and the read reports the
// failure. A file cut short still opens (returns 1 with the error recorded) when it gave at least one frame,
// so that a damaged animation shows what survived; a bad code fails the read (returns 0). A file that simply
// ends after its last image, without the trailer, is whole. An
// image is refused before anything is allocated when its size is out of proportion to the file that would
// have to hold its data.
#pragma once

#include "imgfile/image_codec.h"

class GifReader : public ImageCodec {
 public:
  explicit GifReader(const std::string& path);

  int Expand() override;

 private:
  struct Control {
    bool present = false;
    unsigned short delay = 0;
    unsigned char disposal = 0;
    bool transparent = false;
    unsigned char transparentIndex = 0;
  };
  // Truncated: the file ended inside an image, which has been reported.
  enum class Step { More, Done, Truncated, Failed };

  // Reads only what the file holds, so that its end is told apart from a failing read: false (nothing
  // reported) when fewer than `n` bytes are left.
  bool take(void* dest, std::size_t n);
  int take_byte();  // -1 at the end of the file
  bool skip_bytes(std::size_t n);

  bool read_screen();
  Step read_image();
  Step read_extension();
  bool read_application();
  bool read_comment();
  // Hands the comments gathered so far to the last frame read.
  void attach_comments();
  // Joins the data sub-blocks that follow into data_; false when the file ended inside them.
  bool read_sub_blocks();
  bool skip_sub_blocks();
  bool read_colour_table(int flags, RGBCOLOR* table);
  void store_rows(unsigned char* pixels, unsigned width, unsigned height, bool interlaced) const;
  bool deliver_last_frame();
  // Notes where the frame's data lies in the file, once it has been decoded whole and cleanly.
  void remember_coded_data(ImageFrame& frame, std::uint64_t offset, int minCodeSize, unsigned tableEntries,
                           bool interlaced);
  Step fail_step(int message, int error);
  Step truncated();

  RGBCOLOR globalTable_[256] = {};
  bool hasGlobalTable_ = false;
  unsigned globalEntries_ = 0;
  Control control_;
  std::uint64_t offset_ = 0;
  std::uint64_t pixelBudget_ = 0;
  int lastFrame_ = -1;
  std::string comments_;  // for lastFrame_, or the first frame while there is none
  // Scratch buffers that grow without being cleared first: every byte used is written before it is read,
  // and on large images clearing them would cost as much as decoding.
  struct Scratch {
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch();
    unsigned char* bytes = nullptr;
    std::size_t capacity = 0;
    bool reserve(std::size_t n);
  };
  Scratch data_;  // the current image's sub-blocks, joined
  std::size_t dataSize_ = 0;
  Scratch decoded_;  // the current image's pixels in stream order
};
