// The window's commands on the document: editing the stack, the frame and screen dialogs, the previews and
// playback, printing, and the other programs of the suite.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>

#include "apps/framora/frame_dialogs.h"
#include "apps/framora/frame_list_view.h"
#include "apps/framora/main_frame.h"
#include "apps/framora/preview_pane.h"
#include "apps/framora/screen_dialog.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/print_op.h"
#include "platform/core/message_box.h"
#include "platform/core/program_start.h"

namespace framora {

namespace {

bool confirm(QWidget* owner, const char* text) {
  return pcore::message_box().show(owner, text, "Please confirm...", pcore::MessageIcon::Question,
                                   pcore::MessageButtons::YesNo) == pcore::kIdYes;
}

}  // namespace

void CMainFrame::RunCommand(int id) {
  if (working_) return;
  if (id >= kCmRecentFirst && id < kCmRecentFirst + 10) {
    const int entry = id - kCmRecentFirst;
    if (entry < recentFiles_.size()) AddFiles({recentFiles_[entry]});
    return;
  }
  switch (id) {
    case kCmNew:
      OnNew();
      break;
    case kCmOpen:
      OnOpen();
      break;
    case kCmSave:
      OnSave();
      break;
    case kCmSaveAs:
      OnSaveAs();
      break;
    case kCmSaveFrameAs:
      OnSaveFrameAs();
      break;
    case kCmPageSetup:
      OnPageSetup();
      break;
    case kCmPrintSetup:
      PrintOp::Shared().PrinterSetup(this);
      break;
    case kCmPrintPreview:
      preview_frames(doc_.GetStack(), printLayout_, this);
      break;
    case kCmPrint:
      print_frames(doc_.GetStack(), printLayout_, this);
      break;
    case kCmExit:
      close();
      break;
    case kCmUndo:
      OnUndo();
      break;
    case kCmCut:
      OnCut();
      break;
    case kCmCopy:
      if (Selected() >= 0) doc_.CopyFrameToClipboard(Selected());
      UpdateCommands();
      break;
    case kCmPaste:
      OnPaste();
      break;
    case kCmDelete:
      OnDelete();
      break;
    case kCmDuplicate:
      OnDuplicate();
      break;
    case kCmMoveUp:
      OnMove(-1);
      break;
    case kCmMoveDown:
      OnMove(1);
      break;
    case kCmFrameProperties:
      OnFrameProperties(Selected());
      break;
    case kCmScreen:
      OnScreen();
      break;
    case kCmOneFrameView:
      OnOneFrameView();
      break;
    case kCmPlay:
      OnPlay();
      break;
    case kCmBrowserTest:
      OnBrowserTest();
      break;
    case kCmRunPictaro:
      StartProgram("pictaro", {});
      break;
    case kCmRunVexil:
      StartProgram("vexil", {});
      break;
    case kCmNewWindow:
      StartProgram(QCoreApplication::applicationFilePath(), {});
      break;
    case kCmFileManager:
      OnFileManager();
      break;
    case kCmHelp:
      ivorel::help::open_manual("framora.html", this);
      break;
    case kCmAbout:
      OnAbout();
      break;
    default:
      break;
  }
}

void CMainFrame::Report(Status status, const char* caption) {
  const char* text = status_message(status);
  if (!text || !*text) return;
  pcore::message_box().show(this, text, caption, pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
}

void CMainFrame::OnNew() {
  if (!SaveIfWanted()) return;
  doc_.New();
  savedPath_.clear();
  UpdateCommands();
}

bool CMainFrame::SaveIfWanted() {
  if (doc_.GetFrameCount() == 0) return true;
  const int answer =
      pcore::message_box().show(this, "Do you want to save the current image stack?", "Save images...",
                                pcore::MessageIcon::Question, pcore::MessageButtons::YesNoCancel);
  if (answer == pcore::kIdCancel) return false;
  if (answer == pcore::kIdYes) return OnSave();
  return true;
}

void CMainFrame::OnUndo() {
  if (!doc_.CanUndo()) return;
  const int row = Selected();
  doc_.Undo();
  if (row >= 0 && row < doc_.GetFrameCount()) list_->SelectRow(row);
  UpdateCommands();
}

void CMainFrame::OnCut() {
  const int row = Selected();
  if (row < 0 || !confirm(this, "Do you want to cut the frame?")) return;
  // A cut frame can be pasted back: it goes to the clipboard before it leaves the stack.
  doc_.CopyFrameToClipboard(row);
  if (doc_.DeleteFrame(row) == Status::Ok) list_->SelectRow(std::min(row, doc_.GetFrameCount() - 1));
}

void CMainFrame::OnPaste() {
  const int before = doc_.GetFrameCount();
  if (doc_.AddFromClipboard()) list_->SelectRow(before);
}

void CMainFrame::OnDelete() {
  const int row = Selected();
  if (row >= 0 && doc_.DeleteFrame(row) == Status::Ok)
    list_->SelectRow(std::min(row, doc_.GetFrameCount() - 1));
}

void CMainFrame::OnDuplicate() {
  const int row = Selected();
  if (row >= 0 && doc_.DuplicateFrame(row) == Status::Ok) list_->SelectRow(row + 1);
}

void CMainFrame::OnMove(int step) {
  const int row = Selected();
  if (row >= 0 && doc_.MoveFrame(row, row + step) == Status::Ok) list_->SelectRow(row + step);
}

void CMainFrame::OnFrameProperties(int row) {
  if (row < 0 || row >= doc_.GetFrameCount()) return;
  FramePropertiesDialog dialog(doc_, row, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const FrameSettings before = settings_of(doc_, row), after = dialog.Settings();
  const FrameProperties& a = before.properties;
  const FrameProperties& b = after.properties;
  const bool propertiesChanged = a.delay != b.delay || a.disposal != b.disposal ||
                                 a.transparent != b.transparent || a.left != b.left || a.top != b.top ||
                                 (b.transparent && a.transparentIndex != b.transparentIndex);
  // One edit, so that one Undo takes back everything the dialog changed.
  if (propertiesChanged || before.comment != after.comment)
    Report(doc_.SetFrameSettings(row, propertiesChanged ? b : a, after.comment.toStdString()));
  list_->RefreshRow(row);
  UpdateCommands();
}

void CMainFrame::OnScreen() {
  if (doc_.GetFrameCount() == 0) return;
  doc_.CoverFramesWithScreen();
  ScreenSettings settings;
  settings.properties = doc_.GetScreenProperties();
  settings.properties.paletteFrame = std::max(0, Selected());
  settings.loops = doc_.GetLoopCount();
  const QSize display = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
  ScreenDialog dialog(settings, display, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const ScreenSettings chosen = dialog.Settings();
  const Status status = doc_.SetScreenProperties(chosen.properties);
  if (status != Status::Ok) {
    Report(status);
    return;
  }
  if (chosen.loops != doc_.GetLoopCount()) Report(doc_.SetLoopCount(chosen.loops));
  UpdateCommands();
}

void CMainFrame::OnOneFrameView() {
  oneFrameView_ = !oneFrameView_;
  previews_[0]->setVisible(!oneFrameView_);
  previews_[2]->setVisible(!oneFrameView_);
  UpdateCommands();
}

void CMainFrame::OnPlay() {
  if (player_.Playing())
    player_.Stop();
  else
    player_.Start(&doc_.GetStack());
  UpdateCommands();
}

void CMainFrame::OnPageSetup() {
  PrintLayoutDialog dialog(printLayout_, this);
  if (dialog.exec() == QDialog::Accepted) printLayout_ = dialog.Layout();
}

void CMainFrame::StartProgram(const QString& name, const QStringList& arguments) {
  // The suite's programs are looked for beside this one first, so that a build runs its own.
  QString program = name;
  const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
  if (!name.contains('/') && QFileInfo(beside).isExecutable()) program = beside;
  std::vector<std::string> args;
  for (const QString& a : arguments) args.push_back(a.toStdString());
  if (!pcore::start_program(program.toStdString(), args))
    pcore::message_box().show(this, QStringLiteral("%1 could not be started.").arg(name).toStdString(),
                              "Framora", pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
}

void CMainFrame::OnFileManager() {
  const QString folder = !lastDirectory_.isEmpty() ? lastDirectory_ : QDir::homePath();
  StartProgram("xdg-open", {folder});
}

void CMainFrame::OnAbout() {
  QMessageBox box(this);
  box.setWindowTitle(tr("About Framora"));
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText(tr("<h3>Framora %1</h3><p>The animated-GIF editor of the image suite.</p>")
                  .arg(QApplication::applicationVersion()));
  box.setInformativeText(
      tr("Puts frames from images, GIF animations, AVI videos and the clipboard together, "
         "times them, previews and plays them, and saves animated GIFs."));
  box.exec();
}

}  // namespace framora
