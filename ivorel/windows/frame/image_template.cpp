#include "ivorel/windows/frame/image_template.h"

#include <QApplication>
#include <QWidget>

#include "imgfile/codaxe.h"
#include "ivorel/windows/dialogs/parameter_dialogs.h"
#include "ivorel/windows/frame/image_info_dialog.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/texture_chooser.h"
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
    pcore::message_box().show(nullptr, "Failed to create empty document.", "Pictaro",
                              pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
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
  ivorel::InstallQtParameterDialogs();
  ivorel::install_texture_chooser();
}

CEditDrawImageTemplate* Create_CMDIChildImageWnd_CDrawDoc_CDrawView_DocTemp() {
  return new CEditDrawImageTemplate(100);
}
