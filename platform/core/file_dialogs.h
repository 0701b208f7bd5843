// File choosers as a service: library code that needs a path from the user (save as, open) asks through
// this interface. The GUI installs one that shows the desktop's file dialog; tests and scripts install
// scripted ones. Without an installed service every request is cancelled, so that headless programs never
// block.
#pragma once

#include <string>
#include <vector>

namespace pcore {

// One entry of a chooser's type list: the label shown ("BMP Files") and its patterns ("*.bmp"; several are
// separated by ';').
struct FileFilter {
  std::string label;
  std::string pattern;
};

enum class FileDialogKind {
  Save,    // one path; the file need not exist (the chooser confirms replacing one that does)
  Open,    // existing files only
  Folder,  // one existing folder (filters are not used)
};

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Save;
  const void* owner = nullptr;  // the owning window, or null
  std::string title;            // "Save Image As"
  std::vector<FileFilter> filters;
  // The name proposed: a bare file name, or a path whose folder the chooser opens in. May be empty.
  std::string initialName;
  // In: the filter selected when the chooser opens; out: the one selected when it closed. 1-based, as the
  // filter lists of the suite are numbered; 0 when the chooser did not say.
  int filterIndex = 1;
  bool allowMultiple = false;  // Open only: several files may be chosen

  // Out, on OK: the chosen path (the first when several were chosen), exactly as the user gave it; the
  // caller applies the type's extension rules.
  std::string path;
  std::vector<std::string> paths;  // Open with allowMultiple: every chosen path
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  // Shows the chooser; on OK fills the request's path(s) and filter index. Returns kIdOk or kIdCancel
  // (message_box.h).
  virtual int run(FileDialogRequest& request) = 0;
};

// The service stays owned by the caller; nullptr goes back to cancelling every request.
void install_file_dialogs(FileDialogService* service);
// kIdOk with a non-empty path, else kIdCancel (an OK without a path counts as a cancel).
int run_file_dialog(FileDialogRequest& request);

}  // namespace pcore
