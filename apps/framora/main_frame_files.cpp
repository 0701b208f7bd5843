// The window's file commands: adding frames from files, saving the animation or one frame, the browser
// test, and the recent-file list.
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include "apps/framora/background_task.h"
#include "apps/framora/browser_test.h"
#include "apps/framora/frame_list_view.h"
#include "apps/framora/main_frame.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/core/program_start.h"
#include "platform/qt/qt_services.h"

namespace framora {

namespace {

std::vector<pcore::FileFilter> add_filters() {
  return {
      {"All Supported Formats", "*.bmp;*.dib;*.rle;*.gif;*.jpg;*.jpeg;*.pcx;*.tga;*.tif;*.tiff;*.png;*.avi"},
      {"GIF Files (*.gif)", "*.gif"},
      {"JPG Files (*.jpg)", "*.jpg;*.jpeg"},
      {"TIFF Files (*.tif)", "*.tif;*.tiff"},
      {"BMP Files (*.bmp)", "*.bmp"},
      {"PCX Files (*.pcx)", "*.pcx"},
      {"TGA Files (*.tga)", "*.tga"},
      {"PNG Files (*.png)", "*.png"},
      {"AVI Files (*.avi)", "*.avi"},
      {"All Files (*.*)", "*.*"}};
}

// The save types with the extension a name without one gets.
struct SaveType {
  pcore::FileFilter filter;
  const char* extension;
};
const std::vector<SaveType>& save_types() {
  static const std::vector<SaveType> types = {
      {{"GIF Files (*.gif)", "*.gif"}, "gif"},  {{"JPG Files (*.jpg)", "*.jpg"}, "jpg"},
      {{"TIFF Files (*.tif)", "*.tif"}, "tif"}, {{"BMP Files (*.bmp)", "*.bmp"}, "bmp"},
      {{"PCX Files (*.pcx)", "*.pcx"}, "pcx"},  {{"TGA Files (*.tga)", "*.tga"}, "tga"},
      {{"PNG Files (*.png)", "*.png"}, "png"}};
  return types;
}

// Asks for a name to save under; empty when cancelled. A name without extension takes the chosen type's.
QString ask_save_name(QWidget* owner, const char* title, const QString& proposed) {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Save;
  request.owner = owner;
  request.title = title;
  for (const SaveType& t : save_types()) request.filters.push_back(t.filter);
  request.initialName = proposed.toStdString();
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return {};
  QString name = QString::fromStdString(request.path);
  const int type = std::clamp(request.filterIndex, 1, int(save_types().size())) - 1;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".") + save_types()[type].extension;
  return name;
}

bool is_gif(const QString& name) {
  return QFileInfo(name).suffix().compare("gif", Qt::CaseInsensitive) == 0;
}

}  // namespace

void CMainFrame::RunWork(const QString& label, const std::function<bool()>& work) {
  working_ = true;
  player_.Stop();
  // Nothing may reach the document while the other thread has it, also before the progress box shows.
  centralWidget()->setEnabled(false);
  menuBar()->setEnabled(false);
  UpdateCommands();
  run_in_background(this, label, work);
  working_ = false;
  centralWidget()->setEnabled(true);
  menuBar()->setEnabled(true);
  FlushPendingHints();
  UpdateCommands();
}

void CMainFrame::OnOpen() {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.owner = this;
  request.title = "Add Frames";
  request.filters = add_filters();
  request.allowMultiple = true;
  request.initialName = lastDirectory_.toStdString();
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return;
  QStringList paths;
  for (const std::string& p : request.paths.empty() ? std::vector<std::string>{request.path} : request.paths)
    paths << QString::fromStdString(p);
  AddFiles(paths);
}

int CMainFrame::AddFiles(const QStringList& paths) {
  if (paths.isEmpty() || working_) return 0;
  player_.Stop();
  int added = 0;
  QStringList read;
  // Reading runs beside the window: a long video or animation keeps it painting, with a progress box.
  const QString label = paths.size() == 1
                            ? tr("Adding the frames of %1...").arg(QFileInfo(paths[0]).fileName())
                            : tr("Adding the frames of %1 files...").arg(paths.size());
  RunWork(label, [&] {
    for (const QString& path : paths) {
      const int n = doc_.AddFile(QFileInfo(path).absoluteFilePath().toStdString());
      if (n > 0) read << path;
      added += n;
    }
    return added > 0;
  });
  for (const QString& path : read) AddRecentFile(QFileInfo(path).absoluteFilePath());
  if (!read.isEmpty()) lastDirectory_ = QFileInfo(read.last()).absolutePath();
  UpdateCommands();
  return added;
}

bool CMainFrame::OnSave() {
  if (savedPath_.isEmpty()) return OnSaveAs();
  return SaveStack(savedPath_);
}

bool CMainFrame::OnSaveAs() {
  if (doc_.GetFrameCount() == 0) return false;
  const QString proposed =
      !savedPath_.isEmpty()
          ? savedPath_
          : QDir(lastDirectory_.isEmpty() ? QDir::homePath() : lastDirectory_).filePath("animation.gif");
  const QString name = ask_save_name(this, "Save Animation As", proposed);
  if (name.isEmpty()) return false;
  if (!is_gif(name) && doc_.GetFrameCount() > 1) {
    const std::string text = "Only GIF files hold several frames: \"" +
                             QFileInfo(name).fileName().toStdString() +
                             "\" gets the first frame alone. Save it anyway?";
    if (pcore::message_box().show(this, text, "Save images...", pcore::MessageIcon::Warning,
                                  pcore::MessageButtons::OkCancel) != pcore::kIdOk)
      return false;
  }
  return SaveStack(name);
}

bool CMainFrame::SaveStack(const QString& path) {
  if (working_) return false;
  player_.Stop();
  std::string written;
  Status status = Status::Ok;
  RunWork(tr("Saving %1...").arg(QFileInfo(path).fileName()), [&] {
    status = doc_.Save(path.toStdString(), &written);
    return status == Status::Ok;
  });
  if (status != Status::Ok) {
    // Write failures were reported by the library; the others say so here.
    if (status != Status::WriteFailed) Report(status);
    UpdateCommands();
    return false;
  }
  // Only an animation (or a one-frame stack) is what the document is: a frame saved alone is not.
  if (is_gif(QString::fromStdString(written)) || doc_.GetFrameCount() == 1)
    savedPath_ = QString::fromStdString(written);
  AddRecentFile(QString::fromStdString(written));
  UpdateCommands();
  return true;
}

void CMainFrame::OnSaveFrameAs() {
  const int row = Selected();
  if (row < 0) return;
  QString proposed = QFileInfo(QString::fromStdString(doc_.GetFramePath(row))).completeBaseName();
  proposed = QDir(lastDirectory_.isEmpty() ? QDir::homePath() : lastDirectory_)
                 .filePath(proposed.section(' ', 0, 0) + QStringLiteral("-%1.png").arg(row + 1));
  const QString name = ask_save_name(this, "Save Frame As", proposed);
  if (name.isEmpty()) return;
  std::string written;
  const Status status = doc_.SaveFrame(row, name.toStdString(), &written);
  if (status != Status::Ok && status != Status::WriteFailed) Report(status);
}

void CMainFrame::OnBrowserTest() {
  if (doc_.GetFrameCount() == 0 || working_) return;
  player_.Stop();
  const QString folder = browser_test_folder(savedPath_);
  if (folder.isEmpty()) {
    pcore::message_box().show(this, "No folder could be made for the test page.", "Framora",
                              pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
    return;
  }
  std::string page;
  Status status = Status::Ok;
  RunWork(tr("Writing the test page..."), [&] {
    status = doc_.WriteBrowserTest(folder.toStdString(), &page);
    return status == Status::Ok;
  });
  if (status != Status::Ok) {
    if (status == Status::WriteFailed)
      pcore::message_box().show(this, "The test page could not be written in " + folder.toStdString() + ".",
                                "Framora", pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
    else
      Report(status);
    return;
  }
  lastTestPage_ = QString::fromStdString(page);
  if (!browser_available() || !pcore::start_program("xdg-open", {page})) {
    pcore::message_box().show(this,
                              "No web browser was found to show the test. The page is " + page +
                                  "; open it in a browser to see the animation.",
                              "Framora", pcore::MessageIcon::Information, pcore::MessageButtons::Ok);
  }
}

void CMainFrame::AddRecentFile(const QString& path) {
  recentFiles_.removeAll(path);
  recentFiles_.prepend(path);
  while (recentFiles_.size() > 10) recentFiles_.removeLast();
  pqt::profile()->setValue("Recent File List", recentFiles_);
  pqt::profile()->setValue("Directory", lastDirectory_);
  FillRecentMenu();
}

void CMainFrame::FillRecentMenu() {
  recentMenu_->clear();
  for (int i = 0; i < recentFiles_.size(); ++i) {
    QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(recentFiles_[i]));
    const int id = kCmRecentFirst + i;
    connect(entry, &QAction::triggered, this, [this, id] { RunCommand(id); });
  }
  recentMenu_->setEnabled(!recentFiles_.isEmpty());
}

}  // namespace framora
