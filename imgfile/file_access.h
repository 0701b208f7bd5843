// How the codecs reach the file system: reading opens only regular files, and saving never harms the file it
// replaces. A save is written aside and then put in place of the real file behind any symbolic link, with the
// replaced file's mode, owner and group; a file with other hard links keeps its identity by being overwritten
// in place, but only once the whole new file exists in memory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace codaxe {

enum class OpenFailure { None, Missing, NotRegular };

// A descriptor of `path` opened for reading when it is a regular file, -1 otherwise with the reason. Never
// blocks on a pipe or device.
int open_regular_file(const std::string& path, OpenFailure* why);

// The file a name really stands for: symbolic links followed, relative ones from their own folder. A link
// to nothing gives the name the link points at, so that a save creates the file there.
std::string follow_links(const std::string& path);

// One save in progress.
class SaveAside {
 public:
  SaveAside() = default;
  ~SaveAside();
  SaveAside(const SaveAside&) = delete;
  SaveAside& operator=(const SaveAside&) = delete;

  // Prepares the save of `name` and returns a descriptor to write the new file to, or -1 when the target may
  // not be written (read-only file or folder, or something that is not a regular file) or nothing could be
  // made to write into.
  int begin(const std::string& name);
  // Puts what was written in place of the target; the descriptor from `begin` may already be closed.
  // `ok` false (or a failing commit) leaves the target as it was and removes every trace of the attempt.
  bool commit(bool ok);
  bool active() const { return active_; }

 private:
  void discard();

  std::string target_;
  std::string temporary_;
  int memory_ = -1;  // the in-memory copy of a save made in place
  bool active_ = false;
};

}  // namespace codaxe
