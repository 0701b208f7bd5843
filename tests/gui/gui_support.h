// What the window tests share: a frame with its template, scripted answers for file choosers and
// message boxes, and a way to let queued window events run.
#pragma once

#include <QEvent>
#include <QPoint>
#include <QSize>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/image_info_dialog.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/core/new_image_dialog.h"
#include "tests/support/test_support.h"

class CDrawView;
class QWidget;

namespace gui_testing {

// The library installs its Qt services once, when the first frame is made; a scripted service installed
// before that must not be replaced by them, so each one sets the library up first.
void init_library();

// Answers each file chooser with the next scripted path (cancels when none is left) and keeps the
// requests it saw.
class ScriptedFileDialog : public pcore::FileDialogService {
 public:
  ScriptedFileDialog() {
    init_library();
    pcore::install_file_dialogs(this);
  }
  ~ScriptedFileDialog() override { pcore::install_file_dialogs(nullptr); }
  int run(pcore::FileDialogRequest& request) override;

  std::deque<std::vector<std::string>> answers;  // each: the chosen paths (empty: cancel)
  std::vector<pcore::FileDialogRequest> requests;
};

// Message boxes answered from a script (the default button when it runs out), every box recorded.
class ScriptedMessageBox : public pcore::MessageBoxService {
 public:
  ScriptedMessageBox() {
    init_library();
    pcore::install_message_box(this);
  }
  ~ScriptedMessageBox() override { pcore::install_message_box(nullptr); }
  int show(const void* owner, const std::string& text, const std::string& caption, pcore::MessageIcon icon,
           pcore::MessageButtons buttons) override;

  std::deque<int> answers;
  std::vector<std::string> texts;
  std::vector<std::string> captions;
};

// The new-image dialog answered with a fixed request (or cancelled).
class ScriptedNewImage : public pcore::NewImageDialogService {
 public:
  ScriptedNewImage() {
    init_library();
    pcore::install_new_image_dialog(this);
  }
  ~ScriptedNewImage() override;
  int run(pcore::NewImageRequest& request) override;

  bool cancel = false;
  pcore::NewImageRequest answer;
};

// An image window opened from a file, its drawing view and where the picture stands in the view's
// client area (all null or empty when the file did not open).
struct OpenedImage {
  CMDIChildImageWnd* child = nullptr;
  CDrawView* view = nullptr;
  RECT R{};
  QPoint origin() const { return QPoint(R.left, R.top); }
};

// A shown frame of a known size with its template; the services above are the test's to install.
class FrameFixture {
 public:
  FrameFixture();
  ~FrameFixture();
  CIMDIFrameWnd& frame() { return *frame_; }
  CMDIChildImageWnd* open(const std::string& path);
  // Opens one of the samples (see sample()).
  OpenedImage open_sample(const std::string& name);
  CMDIChildImageWnd* active() { return frame_->GetActiveMDIChild(); }
  int window_count() const;

 private:
  std::unique_ptr<CEditDrawImageTemplate> template_;
  std::unique_ptr<CIMDIFrameWnd> frame_;
};

// Runs the events waiting now (posted closes, deferred deletes, paints).
void settle();

// A mouse event of `button` at client point `at`, with `held` the buttons down after it.
void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held,
           Qt::MouseButton button = Qt::LeftButton);
// A left-button drag across the view's client area, through the midpoint, as a person would make it.
void drag(CDrawView* view, QPoint from, QPoint to);
// A press and release of `button` at one point of the view's client area.
void click(CDrawView* view, QPoint at, Qt::MouseButton button = Qt::LeftButton);

// A selection drawn with the rectangle tool from client point `from`, `size` across, holding the image
// under it; null when no single selection came of it.
CDrawObj* draw_selection(CIMDIFrameWnd& frame, CDrawView* view, QPoint from, QSize size);

// The image's pixel bytes, to compare before and after.
std::vector<unsigned char> pixels(const _IMAGEDESCRIPTOR& d);

std::string sample(const std::string& name);

}  // namespace gui_testing
