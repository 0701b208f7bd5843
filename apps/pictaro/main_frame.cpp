#include "apps/pictaro/main_frame.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace {

// Memory that can still be had (RAM without swapping, plus free swap), in bytes.
long long available_memory() {
  QFile info("/proc/meminfo");
  if (!info.open(QIODevice::ReadOnly)) return -1;
  long long kb = 0;
  for (const QByteArray& line : info.readAll().split('\n')) {
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() >= 2 && (parts[0] == "MemAvailable:" || parts[0] == "SwapFree:"))
      kb += parts[1].toLongLong();
  }
  return kb * 1024;
}

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
}

void CMainFrame::OnFileOpen() {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.owner = this;
  request.title = "Open";
  request.filters = open_filters();
  request.allowMultiple = true;
  request.initialName = lastDirectory_.toStdString();
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return;
  lastDirectory_ = QFileInfo(QString::fromStdString(request.path)).absolutePath();
  QStringList paths;
  for (const std::string& p : request.paths) paths << QString::fromStdString(p);
  OpenFiles(paths);
}

void CMainFrame::OpenFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const long long memory = available_memory();
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
