#include "tests/support/test_support.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testing_support {

ScratchDir::ScratchDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("suite-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

RecordingMessageBox::RecordingMessageBox() {
  pcore::install_message_box(this);
}
RecordingMessageBox::~RecordingMessageBox() {
  pcore::install_message_box(nullptr);
}

int RecordingMessageBox::show(const void*, const std::string& text, const std::string& caption,
                              pcore::MessageIcon, pcore::MessageButtons buttons) {
  texts.push_back(text);
  captions.push_back(caption);
  return pcore::default_button(buttons);
}

std::vector<unsigned char> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::filesystem::path corpus_dir(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(SUITE_CORPUS_DIR) / name;
  return std::filesystem::is_directory(dir) ? dir : std::filesystem::path();
}

int with_file_size_limit(unsigned long bytes, const std::function<int()>& body) {
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limit = old;
  limit.rlim_cur = bytes;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const int result = body();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  return result;
}

int run_command(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RgbImage raw_to_rgb(const unsigned char* pixels, const void* palette, int width, int height, int bits) {
  RgbImage out{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3)};
  const auto* pal = static_cast<const unsigned char*>(palette);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = pixels + (height - 1 - y) * stride;
    unsigned char* o = &out.rgb[static_cast<std::size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x, o += 3) {
      if (bits == 24) {
        o[0] = row[3 * x + 2];
        o[1] = row[3 * x + 1];
        o[2] = row[3 * x];
        continue;
      }
      int per = 8 / bits;
      int index = (row[x / per] >> ((per - 1 - x % per) * bits)) & ((1 << bits) - 1);
      std::memcpy(o, pal + 3 * index, 3);
    }
  }
  return out;
}

int max_channel_difference(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(a.rgb[i] - b.rgb[i]));
  return worst;
}

bool imagemagick_available() {
  return ::access(IMAGEMAGICK_CONVERT, X_OK) == 0;
}

// Grey maps (P5) are widened to RGB so that they compare with the 8-bit images of greyscale readers.
bool command_decode(const std::string& command, RgbImage& out) {
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  int maxval = 0;
  char kind = 0;
  bool ok = std::fscanf(pipe, "P%c %d %d %d", &kind, &out.width, &out.height, &maxval) == 4 &&
            maxval == 255 && (kind == '5' || kind == '6') && std::fgetc(pipe) != EOF;
  if (ok) {
    const std::size_t pixels = static_cast<std::size_t>(out.width) * out.height;
    out.rgb.resize(pixels * 3);
    if (kind == '6') {
      ok = std::fread(out.rgb.data(), 1, out.rgb.size(), pipe) == out.rgb.size();
    } else {
      std::vector<unsigned char> grey(pixels);
      ok = std::fread(grey.data(), 1, pixels, pipe) == pixels;
      for (std::size_t i = 0; i < pixels; ++i) std::fill_n(&out.rgb[3 * i], 3, grey[i]);
    }
  }
  return ::pclose(pipe) == 0 && ok;
}

void write_ppm(const std::string& path, const RgbImage& image) {
  std::string head = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  std::vector<unsigned char> bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), image.rgb.begin(), image.rgb.end());
  write_file(path, bytes);
}

bool imagemagick_decode(const std::string& path, RgbImage& out, const std::string& options) {
  return imagemagick_decode_frame(path, 0, out, options);
}

bool imagemagick_decode_frame(const std::string& path, int frame, RgbImage& out, const std::string& options) {
  if (!imagemagick_available()) return false;
  return command_decode(std::string(IMAGEMAGICK_CONVERT) + " '" + path + "[" + std::to_string(frame) + "]' " +
                            options + " -alpha off -depth 8 ppm:- 2>/dev/null",
                        out);
}

std::vector<std::string> imagemagick_variants(const std::string& source, const ScratchDir& dir,
                                              const std::vector<std::string>& options,
                                              const std::string& extension) {
  if (!imagemagick_available()) return {};
  std::vector<std::string> paths;
  std::string command = std::string(IMAGEMAGICK_CONVERT) + " -respect-parentheses '" + source + "'";
  for (const std::string& o : options) {
    paths.push_back(dir.file("variant-" + std::to_string(paths.size()) + extension));
    command += " \\( +clone " + o + " -write '" + paths.back() + "' +delete \\)";
  }
  command += " null: 2>/dev/null";
  if (run_command(command) != 0) return {};
  return paths;
}

bool pillow_available() {
  return ::access(DEBIAN_PYTHON, X_OK) == 0 &&
         run_command(std::string(DEBIAN_PYTHON) + " -c 'import PIL' >/dev/null 2>&1") == 0;
}

bool pillow_decode(const std::string& path, RgbImage& out) {
  const char* script =
      "import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert(\"RGB\"); "
      "sys.stdout.buffer.write(b\"P6 %d %d 255\\n\" % im.size + im.tobytes())";
  return command_decode(std::string(DEBIAN_PYTHON) + " -c '" + script + "' '" + path + "' 2>/dev/null", out);
}

bool pillow_decode_all(const std::vector<std::string>& paths, std::vector<RgbImage>& out) {
  const char* script =
      "import sys; from PIL import Image\n"
      "for p in sys.argv[1:]:\n"
      "  im = Image.open(p).convert(\"RGB\"); open(p + \".ppm\", \"wb\").write(b\"P6 %d %d 255\\n\" % "
      "im.size + "
      "im.tobytes())\n";
  std::string command = std::string(DEBIAN_PYTHON) + " -c '" + script + "'";
  for (const std::string& p : paths) command += " '" + p + "'";
  if (run_command(command + " >/dev/null 2>&1") != 0) return false;
  out.assign(paths.size(), {});
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!command_decode("cat '" + paths[i] + ".ppm'", out[i])) return false;
  }
  return true;
}

bool pillow_run(const std::string& script, const std::string& path) {
  return run_command(std::string(DEBIAN_PYTHON) + " -c '" + script + "' '" + path + "' >/dev/null 2>&1") == 0;
}

}  // namespace testing_support
