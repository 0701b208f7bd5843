#include "tests/support/test_support.h"

#include <unistd.h>

#include <cstdlib>
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

RecordingMessageBox::RecordingMessageBox() { pcore::install_message_box(this); }
RecordingMessageBox::~RecordingMessageBox() { pcore::install_message_box(nullptr); }

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

int run_command(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
