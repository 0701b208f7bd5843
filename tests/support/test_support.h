// Shared helpers of the library tests: scratch folders, captured messages, file access, the corpus.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/message_box.h"

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

}  // namespace testing_support
