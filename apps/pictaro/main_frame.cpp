#include "apps/pictaro/main_frame.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "ivorel/windows/frame/manual_help.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/core/system_memory.h"

namespace {

std::vector<pcore::FileFilter> open_filters() {
  return {{"All Supported Formats", "*.bmp;*.dib;*.rle;*.gif;*.jpg;*.jpeg;*.pcx;*.tga;*.tif;*.tiff;*.png"},
          {"BMP Files (*.bmp)", "*.bmp"},
          {"DIB Files (*.dib)", "*.dib"},
          {"RLE Files (*.rle)", "*.rle"},
          {"GIF Files (*.gif)", "*.gif"},
          {"JPG Files (*.jpg)", "*.jpg;*.jpeg"},
          {"PCX Files (*.pcx)", "*.pcx"},
          {"TGA Files (*.tga)", "*.tga"},
          {"TIFF Files (*.tif)", "*.tif;*.tiff"},
          {"PNG Files (*.png)", "*.png"},
          {"All Files (*.*)", "*.*"}};
}

}  // namespace

CMainFrame::CMainFrame() {
  setWindowTitle("Pictaro");
  ivorel::help::declare_section(this, "pictaro.html");
}

void CMainFrame::OnFileOpen() {
  int filterIndex = 1;
  OpenFiles(AskForImageFiles("Open", open_filters(), true, filterIndex, lastDirectory_));
}

void CMainFrame::OpenFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const std::int64_t memory = pcore::available_memory_bytes();
    if (memory >= 0 && memory < 1000000) {
      pcore::message_box().show(this, "Short of virtual memory, please increase the size of virtual memory.",
                                "Can't open the image file(s)", pcore::MessageIcon::Error,
                                pcore::MessageButtons::Ok);
      return;
    }
    OpenImageFile(path);
  }
}

void CMainFrame::OnAppAbout() {
  QMessageBox box(this);
  box.setWindowTitle(tr("About Pictaro"));
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText(tr("<h3>Pictaro %1</h3><p>An image editor for the Linux desktop.</p>")
                  .arg(QApplication::applicationVersion()));
  box.setInformativeText(
      tr("Opens, views, processes and saves BMP, DIB, RLE, GIF, JPEG, PCX, Targa, TIFF and PNG images.<br>"
         "Free software of the image suite."));
  box.exec();
}
