// Shared helpers of the library tests: scratch folders, captured messages, file access, the corpus.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/message_box.h"

#define IMAGEMAGICK_CONVERT "/usr/bin/convert-im6.q16"
#define DEBIAN_PYTHON "/usr/bin/python3"

namespace testing_support {

// A fresh folder removed at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Installs itself as the message-box service for its lifetime and records every box.
class RecordingMessageBox : public pcore::MessageBoxService {
 public:
  RecordingMessageBox();
  ~RecordingMessageBox() override;
  int show(const void* owner, const std::string& text, const std::string& caption, pcore::MessageIcon icon,
           pcore::MessageButtons buttons) override;
  std::vector<std::string> texts;
  std::vector<std::string> captions;
};

std::vector<unsigned char> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<unsigned char>& bytes);

// The shared conformance corpus, or an empty path when it is absent.
std::filesystem::path corpus_dir(const std::string& name);

// Runs a shell command and returns its exit status.
int run_command(const std::string& command);

// Runs `body` with every file write limited to `bytes`, as a full disk would cut it short, and returns what
// `body` returns.
int with_file_size_limit(unsigned long bytes, const std::function<int()>& body);

// An image as top-down RGB triples, the form in which readers are compared with one another.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// The raw image layout (bottom-up, padded rows, 1/4/8/24 bits with a palette) as top-down RGB.
RgbImage raw_to_rgb(const unsigned char* pixels, const void* palette, int width, int height, int bits);

// Largest difference of any channel, or -1 when the sizes differ.
int max_channel_difference(const RgbImage& a, const RgbImage& b);

// Reads the binary PPM (P6) or PGM (P5) a shell command prints; false when it fails.
bool command_decode(const std::string& command, RgbImage& out);
void write_ppm(const std::string& path, const RgbImage& image);

// How ImageMagick reads a file; false when it is not installed or fails.
bool imagemagick_available();
// `options` go between the input and the output, as in "-auto-orient".
bool imagemagick_decode(const std::string& path, RgbImage& out, const std::string& options = "");
// Frame `frame` of a multi-frame file, at the frame's own size.
bool imagemagick_decode_frame(const std::string& path, int frame, RgbImage& out,
                              const std::string& options = "");

// One file per option set, made from `source` by a single ImageMagick run (each run starts slowly), named
// variant-N.EXTENSION in `dir`; empty when ImageMagick is absent or fails.
std::vector<std::string> imagemagick_variants(const std::string& source, const ScratchDir& dir,
                                              const std::vector<std::string>& options,
                                              const std::string& extension);

// The same for Pillow (Debian's python3-pil).
bool pillow_available();
bool pillow_decode(const std::string& path, RgbImage& out);
// Pillow's reading of several files with one interpreter; false when any of them fails.
bool pillow_decode_all(const std::vector<std::string>& paths, std::vector<RgbImage>& out);
// Runs a short Pillow script with `path` as sys.argv[1]; true when it exits 0.
bool pillow_run(const std::string& script, const std::string& path);

}  // namespace testing_support
