#include "ivorel/windows/frame/image_template.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "imgfile/codaxe.h"
#include "ivorel/windows/frame/image_info_dialog.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "platform/core/message_box.h"
#include "platform/qt/file_dialogs_qt.h"
#include "platform/qt/qt_services.h"

CMDIChildImageWnd* CEditDrawImageTemplate::OpenDocumentFile(const char* path, bool makeVisible) {
  if (!path || !*path) return nullptr;
  if (Compand::FileTypeFromName(path) == CT_NONE) {
    pcore::message_box().show(nullptr, "Unsupported image file type. Please choose another.", path,
                              pcore::MessageIcon::Information, pcore::MessageButtons::Ok);
    return nullptr;
  }
  return Create(new CMDIChildImageWnd(frame_, path), QString::fromLocal8Bit(path), makeVisible);
}

CMDIChildImageWnd* CEditDrawImageTemplate::OpenFromDescriptor(const _IMAGEDESCRIPTOR& descriptor,
                                                              bool makeVisible) {
  return Create(new CMDIChildImageWnd(frame_, descriptor), QString(), makeVisible);
}

CMDIChildImageWnd* CEditDrawImageTemplate::OpenDuplicate(CMDIChildImageWnd& source, bool makeVisible) {
  return Create(new CMDIChildImageWnd(frame_, source), QString(), makeVisible);
}

CMDIChildImageWnd* CEditDrawImageTemplate::Create(CMDIChildImageWnd* window, const QString& path,
                                                  bool makeVisible) {
  if (!frame_) {
    pcore::message_box().show(nullptr, "Failed to create empty document.", "Pictaro", pcore::MessageIcon::Error,
                              pcore::MessageButtons::Ok);
    delete window;
    return nullptr;
  }
  window->setProperty("documentPath", path);
  if (!window->MCreate()) return nullptr;  // it closes itself
  if (!makeVisible) window->hide();
  return window;
}

void InitImageProcDLL() {
  static bool done = false;
  if (done) return;
  done = true;
  pqt::install_services();
  pqt::install_file_dialogs();
  ivorel::install_new_image_dialog_qt();
}

CEditDrawImageTemplate* Create_CMDIChildImageWnd_CDrawDoc_CDrawView_DocTemp() {
  return new CEditDrawImageTemplate(100);
}

int SmartWindowPosition(QWidget* window, QWidget* reference) {
  if (!window || !reference) return 0;
  const QRect ref = reference->frameGeometry();
  QRect win = window->frameGeometry();
  if (!win.intersects(ref.adjusted(-5, -5, 5, 5))) return 0;
  QScreen* screen = reference->screen() ? reference->screen() : QGuiApplication::primaryScreen();
  const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  const int w = win.width(), h = win.height();
  QPoint place;
  // Below, right, above, left of the reference, 1 pixel apart, centred on it; else the screen's corner.
  if (ref.bottom() + 1 + h <= s.bottom())
    place = QPoint(ref.center().x() - w / 2, ref.bottom() + 2);
  else if (ref.right() + 1 + w <= s.right())
    place = QPoint(ref.right() + 2, ref.center().y() - h / 2);
  else if (ref.top() - 1 - h >= s.top())
    place = QPoint(ref.center().x() - w / 2, ref.top() - 1 - h);
  else if (ref.left() - 1 - w >= s.left())
    place = QPoint(ref.left() - 1 - w, ref.center().y() - h / 2);
  else
    place = QPoint(s.right() + 1 - w, s.bottom() + 1 - h);
  place.setX(std::clamp(place.x(), s.left(), std::max(s.left(), s.right() + 1 - w)));
  place.setY(std::clamp(place.y(), s.top(), std::max(s.top(), s.bottom() + 1 - h)));
  window->move(place);
  return 1;
}
