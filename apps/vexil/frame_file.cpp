// The frame's file commands: open, save as, clear, the recent files and the start-up picture.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "apps/vexil/image_view.h"
#include "apps/vexil/main_frame.h"
#include "ivorel/windows/image_wnd_functions.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

namespace vexil {
namespace {

constexpr int kRecentFiles = 4;

QStringList recent_files() {
  auto settings = pqt::profile();
  QStringList files;
  for (int i = 1; i <= kRecentFiles; ++i) {
    const QString file = settings->value(QString("Recent File List/File%1").arg(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  return files;
}

// The chooser's type list in the order the save path rules number it, all readable types at once first
// when opening, and all files last.
std::vector<pcore::FileFilter> type_filters(bool opening) {
  std::vector<pcore::FileFilter> filters;
  if (opening) {
    std::string all = "*.jpeg;*.tiff";
    for (const ivorel::SaveType& type : ivorel::kSaveTypes) all += std::string(";") + type.pattern;
    filters.push_back({"All Supported Formats", all});
  }
  for (const ivorel::SaveType& type : ivorel::kSaveTypes) {
    filters.push_back({std::string(type.label) + " (" + type.pattern + ")", type.pattern});
  }
  filters.push_back({"All Files (*.*)", "*.*"});
  return filters;
}

}  // namespace

void CMainFrame::LoadStartupPicture() {
  CapturedImage picture;
  if (QFileInfo::exists("startup.bmp") && picture.Open("startup.bmp")) startupPicture_ = picture.ToQImage();
  imageView_->SetStartupPicture(startupPicture_);
  if (HasStartupPicture()) SizeToImage();
  UpdateCommands();
}

void CMainFrame::OpenFromDialog() {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.owner = this;
  request.title = "Open File";
  request.filters = type_filters(true);
  if (pcore::run_file_dialog(request) != pcore::kIdOk || request.path.empty()) return;
  OpenFile(QString::fromStdString(request.path));
}

bool CMainFrame::OpenFile(const QString& path) {
  // The reader explains what is wrong inside a file; a name that leads to no image file is ours to explain.
  const QByteArray name = QFile::encodeName(path);
  QString problem;
  if (!QFileInfo(path).isFile()) {
    problem = tr("The file %1 does not exist.");
  } else if (Compand::FileTypeFromName(name.constData()) == CT_NONE) {
    problem = tr("%1 is not an image file Vexil reads.");
  }
  if (!problem.isEmpty()) {
    pcore::message_box().show(this, problem.arg(path).toStdString(), "Vexil", pcore::MessageIcon::Warning,
                              pcore::MessageButtons::Ok);
    return false;
  }
  // An unreadable file leaves the image as it was.
  if (!image_.Open(path)) return false;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  AddRecentFile(absolute);
  SetTitleText(QFileInfo(path).fileName());
  RefreshImage();
  ShowImageView();
  return true;
}

bool CMainFrame::SaveImageTo(const QString& path) {
  if (image_.Save(path, saveQuality_)) {
    image_.SetModified(false);
    SetTitleText(QFileInfo(path).fileName());
    AddRecentFile(QFileInfo(path).absoluteFilePath());
    return true;
  }
  pcore::message_box().show(this, "Could not save bitmap", "SaveDIB error", pcore::MessageIcon::Warning,
                            pcore::MessageButtons::Ok);
  return false;
}

void CMainFrame::SaveAs() {
  if (!image_.HasImage()) return;
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Save;
  request.owner = this;
  request.title = "Save As";
  request.filters = type_filters(false);
  request.filterIndex = 1;
  if (pcore::run_file_dialog(request) != pcore::kIdOk || request.path.empty()) return;
  const int filter = request.filterIndex <= ivorel::kSaveTypeCount ? request.filterIndex : 0;
  SaveImageTo(QString::fromStdString(ivorel::save_path_for_choice(request.path, filter)));
}

bool CMainFrame::AskToSave() {
  const int answer =
      pcore::message_box().show(this, "Do you want to save the bitmap?", "Vexil",
                                pcore::MessageIcon::Question, pcore::MessageButtons::YesNoCancel);
  if (answer == pcore::kIdCancel) return false;
  if (answer == pcore::kIdYes) {
    SaveAs();
    // A save that was cancelled or failed keeps the image.
    return !image_.Modified();
  }
  return true;
}

bool CMainFrame::ClearImage() {
  if (image_.Modified() && !AskToSave()) return false;
  image_.Clear();
  startup_ = false;
  SetTitleText({});
  RefreshImage();
  return true;
}

void CMainFrame::AddRecentFile(const QString& path) {
  QStringList files = recent_files();
  files.removeAll(path);
  files.prepend(path);
  auto settings = pqt::profile();
  for (int i = 0; i < kRecentFiles; ++i) {
    const QString key = QString("Recent File List/File%1").arg(i + 1);
    if (i < files.size()) {
      settings->setValue(key, files[i]);
    } else {
      settings->remove(key);
    }
  }
  settings->sync();
  UpdateRecentFiles();
}

void CMainFrame::UpdateRecentFiles() {
  const QStringList files = recent_files();
  for (int i = 0; i < kRecentFiles; ++i) {
    QAction* action = Action(kCmRecentFirst + i);
    action->setVisible(i < files.size());
    if (i < files.size()) {
      action->setText(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
      action->setProperty("path", files[i]);
    }
  }
}

}  // namespace vexil
