#include "tests/gui/gui_support.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>

namespace gui_testing {

void init_library() {
  static bool done = false;
  if (done) return;
  done = true;
  InitImageProcDLL();
  // Settings of a process of its own: tests run side by side and must not read each other's frames.
  static QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
}

int ScriptedFileDialog::run(pcore::FileDialogRequest& request) {
  requests.push_back(request);
  if (answers.empty() || answers.front().empty()) {
    if (!answers.empty()) answers.pop_front();
    return pcore::kIdCancel;
  }
  request.paths = answers.front();
  request.path = request.paths.front();
  answers.pop_front();
  return pcore::kIdOk;
}

int ScriptedMessageBox::show(const void*, const std::string& text, const std::string& caption,
                             pcore::MessageIcon, pcore::MessageButtons buttons) {
  texts.push_back(text);
  captions.push_back(caption);
  if (answers.empty()) return pcore::default_button(buttons);
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

ScriptedNewImage::~ScriptedNewImage() {
  pcore::install_new_image_dialog(nullptr);
}

int ScriptedNewImage::run(pcore::NewImageRequest& request) {
  if (cancel) return pcore::kIdCancel;
  request = answer;
  return pcore::kIdOk;
}

FrameFixture::FrameFixture() {
  init_library();
  QCoreApplication::setOrganizationName("MyPixmoorCompany");
  QCoreApplication::setApplicationName("PictaroTests");
  frame_ = std::make_unique<CIMDIFrameWnd>();
  template_.reset(Create_CMDIChildImageWnd_CDrawDoc_CDrawView_DocTemp());
  frame_->SetDocTemplate(template_.get());
  frame_->resize(1000, 700);
  frame_->show();
  settle();
}

FrameFixture::~FrameFixture() {
  frame_.reset();
  settle();
}

CMDIChildImageWnd* FrameFixture::open(const std::string& path) {
  CMDIChildImageWnd* child = frame_->OpenImageFile(QString::fromStdString(path));
  settle();
  return child;
}

int FrameFixture::window_count() const {
  return static_cast<int>(frame_->MdiArea()->subWindowList().size());
}

void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
}

std::string sample(const std::string& name) {
  return std::string(SUITE_SOURCE_DIR) + "/samples/" + name;
}

}  // namespace gui_testing
