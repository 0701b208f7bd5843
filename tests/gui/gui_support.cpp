#include "tests/gui/gui_support.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>

#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/selection_commands.h"

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

OpenedImage FrameFixture::open_sample(const std::string& name) {
  OpenedImage opened;
  opened.child = open(sample(name));
  if (opened.child) {
    opened.view = opened.child->View();
    opened.child->GetImageRect(opened.R);
  }
  return opened;
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

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::MouseButton button) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

void drag(CDrawView* view, QPoint from, QPoint to) {
  QWidget* viewport = view->viewport();
  mouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton);
  mouse(viewport, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
  mouse(viewport, QEvent::MouseMove, to, Qt::LeftButton);
  mouse(viewport, QEvent::MouseButtonRelease, to, Qt::NoButton);
  settle();
}

void click(CDrawView* view, QPoint at, Qt::MouseButton button) {
  mouse(view->viewport(), QEvent::MouseButtonPress, at, button, button);
  mouse(view->viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton, button);
  settle();
}

CDrawObj* draw_selection(CIMDIFrameWnd& frame, CDrawView* view, QPoint from, QSize size) {
  frame.ExecuteCommand(ivorel::sel::kToolRect);
  drag(view, from, from + QPoint(size.width(), size.height()));
  if (view->Selection().size() != 1) return nullptr;
  frame.ExecuteCommand(ivorel::sel::kCopyInto);
  return view->Selection().front();
}

std::vector<unsigned char> pixels(const _IMAGEDESCRIPTOR& d) {
  return {d.imageData, d.imageData + d.imageSize};
}

std::string sample(const std::string& name) {
  return std::string(SUITE_SOURCE_DIR) + "/samples/" + name;
}

}  // namespace gui_testing
