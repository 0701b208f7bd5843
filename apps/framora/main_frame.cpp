// The window's construction: splitters, list, previews, menus, status bar, and how document changes reach
// the views.
#include "apps/framora/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "apps/framora/frame_list_view.h"
#include "apps/framora/preview_pane.h"
#include "ivorel/windows/frame/manual_help.h"
#include "platform/core/clipboard.h"
#include "platform/core/system_memory.h"
#include "platform/qt/qt_services.h"

namespace framora {

QString clock_text(const QTime& time) {
  // Noon and midnight are 12, not 0 or "12 AM" at noon: the twelve-hour dial people read.
  const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
  return QStringLiteral("%1:%2%3")
      .arg(hour)
      .arg(time.toString(QStringLiteral("mm:ss")))
      .arg(time.hour() >= 12 ? QStringLiteral(" PM") : QStringLiteral(" AM"));
}

QString memory_text(qint64 bytes) {
  return QString::asprintf("Memory:%4dMb", bytes < 0 ? 0 : int(bytes / 1000000));
}

CMainFrame::CMainFrame() {
  setObjectName("FramoraFrame");
  setWindowTitle("Framora");
  setAcceptDrops(true);
  ivorel::help::declare_section(this, "framora.html");

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("MainSplitter");
  list_ = new CFramoraView(splitter_);
  list_->SetStack(&doc_.GetStack());
  previewColumn_ = new QSplitter(Qt::Vertical, splitter_);
  previewColumn_->setObjectName("PreviewColumn");
  for (int row = 0; row < 3; ++row) {
    previews_[row] = new CImageFrameView(row == 1, previewColumn_);
    previews_[row]->setObjectName(QStringLiteral("Preview%1").arg(row));
    previews_[row]->SetSource([this, row] { return doc_.GetPreview(row); });
  }
  // The three rows share the height equally, also as the window is resized.
  for (int row = 0; row < 3; ++row) previewColumn_->setStretchFactor(row, 1);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);
  splitter_->setSizes({500, 300});

  doc_.SetViewUpdater([this](int hint) { OnDocumentUpdate(hint); });
  connect(list_, &CFramoraView::SelectionMoved, this, [this](int) {
    RebuildPreviews();
    UpdateCommands();
  });
  connect(list_, &CFramoraView::MoveConfirmed, this, [this](int from, int to) {
    if (doc_.MoveFrame(from, to) == Status::Ok) list_->SelectRow(to);
  });
  connect(list_, &CFramoraView::PropertiesRequested, this, &CMainFrame::OnFrameProperties);
  // Queued: the files are read after the drop has finished, not inside the drag.
  connect(
      list_, &CFramoraView::FilesDropped, this, [this](const QStringList& paths) { AddFiles(paths); },
      Qt::QueuedConnection);
  connect(&player_, &AnimationPlayer::FrameShown, this, [this](int frame, const QImage& canvas) {
    previews_[1]->ShowPicture(canvas);
    statusBar()->showMessage(tr("Playing frame %1 of %2").arg(frame + 1).arg(doc_.GetFrameCount()));
  });
  connect(&player_, &AnimationPlayer::Stopped, this, [this] {
    previews_[1]->ShowPicture(QImage());
    statusBar()->clearMessage();
    UpdateCommands();
  });

  BuildMenus();
  BuildStatusBar();
  const std::unique_ptr<QSettings> profile = pqt::profile();
  recentFiles_ = profile->value("Recent File List").toStringList().mid(0, 10);
  lastDirectory_ = profile->value("Directory").toString();
  restoreGeometry(profile->value("Geometry").toByteArray());
  if (!profile->contains("Geometry")) resize(900, 600);
  FillRecentMenu();
  UpdateCommands();
}

CMainFrame::~CMainFrame() {
  player_.Stop();
  doc_.SetViewUpdater(nullptr);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QString& prompt,
                                const QKeySequence& key) {
  auto* action = new QAction(text, this);
  action->setObjectName(QStringLiteral("command%1").arg(id));
  action->setStatusTip(prompt);
  action->setToolTip(prompt);
  if (!key.isEmpty()) action->setShortcut(key);
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  menu->addAction(action);
  actions_.insert(id, action);
  return action;
}

void CMainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  AddCommand(file, kCmNew, tr("&New"), tr("Create a new document"), QKeySequence::New);
  AddCommand(file, kCmOpen, tr("&Add Frames..."), tr("Open an existing document"), QKeySequence::Open);
  recentMenu_ = file->addMenu(tr("Recent &Files"));
  recentMenu_->setObjectName("RecentFiles");
  file->addSeparator();
  AddCommand(file, kCmSave, tr("&Save"), tr("Save the active document"), QKeySequence::Save);
  AddCommand(file, kCmSaveAs, tr("Save &As..."), tr("Save the active document with a new name"),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  AddCommand(file, kCmSaveFrameAs, tr("Save Fra&me As..."), tr("Save the selected frame alone, in any type"));
  file->addSeparator();
  AddCommand(file, kCmBrowserTest, tr("&Test in Web Browser"), tr("Test the animation in web browser"),
             QKeySequence(Qt::Key_F5));
  file->addSeparator();
  AddCommand(file, kCmPageSetup, tr("Pa&ge Setup..."), tr("Choose how each frame is placed on its page"));
  AddCommand(file, kCmPrintSetup, tr("P&rint Setup..."), tr("Change the paper and margins"));
  AddCommand(file, kCmPrintPreview, tr("Print Pre&view"), tr("Display full pages"));
  AddCommand(file, kCmPrint, tr("&Print..."), tr("Print every frame, one a page"), QKeySequence::Print);
  file->addSeparator();
  AddCommand(file, kCmExit, tr("E&xit"), tr("Quit the application; prompts to save documents"),
             QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  AddCommand(edit, kCmUndo, tr("&Undo"), tr("Undo the last action"), QKeySequence::Undo);
  edit->addSeparator();
  AddCommand(edit, kCmCut, tr("Cu&t"), tr("Cut the selection and put it on the Clipboard"),
             QKeySequence::Cut);
  AddCommand(edit, kCmCopy, tr("&Copy"), tr("Copy the selection and put it on the Clipboard"),
             QKeySequence::Copy);
  AddCommand(edit, kCmPaste, tr("&Paste"), tr("Insert Clipboard contents"), QKeySequence::Paste);
  AddCommand(edit, kCmDelete, tr("&Delete"), tr("Remove the selected frame"), QKeySequence::Delete);
  AddCommand(edit, kCmDuplicate, tr("D&uplicate"), tr("Insert a copy of the selected frame after it"),
             QKeySequence(Qt::CTRL | Qt::Key_D));
  edit->addSeparator();
  AddCommand(edit, kCmMoveUp, tr("Move &Up"), tr("Move the selected frame one place earlier"),
             QKeySequence(Qt::CTRL | Qt::Key_Up));
  AddCommand(edit, kCmMoveDown, tr("Move Do&wn"), tr("Move the selected frame one place later"),
             QKeySequence(Qt::CTRL | Qt::Key_Down));

  QMenu* frame = menuBar()->addMenu(tr("F&rames"));
  AddCommand(frame, kCmFrameProperties, tr("&Frame Properties..."), tr("GIF image frame control"),
             QKeySequence(Qt::ALT | Qt::Key_Return));
  AddCommand(frame, kCmScreen, tr("&Logical Screen..."), tr("GIF logical screen descriptor"));

  QMenu* view = menuBar()->addMenu(tr("&View"));
  AddCommand(view, kCmPlay, tr("&Play"), tr("Play the animation in the preview at its own delays"),
             QKeySequence(Qt::Key_F6));
  AddCommand(view, kCmOneFrameView, tr("&One Frame View"), tr("One Frame View"))->setCheckable(true);

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  AddCommand(tools, kCmRunPictaro, tr("Run &Pictaro"), tr("Run Pictaro"));
  AddCommand(tools, kCmRunVexil, tr("Run &Vexil"), tr("Run Vexil"));
  AddCommand(tools, kCmNewWindow, tr("&New Window"), tr("Create separate application window"));
  AddCommand(tools, kCmFileManager, tr("&File Manager"), tr("Drag and drop files from the file manager"));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  AddCommand(help, kCmHelp, tr("&Manual"), tr("Help content"), QKeySequence::HelpContents);
  AddCommand(help, kCmAbout, tr("&About Framora"), tr("Display program information"));
  ivorel::help::install_f1_handler();
}

void CMainFrame::BuildStatusBar() {
  const char* const kNames[3] = {"Total Frame", "Memory resource", "Timer"};
  for (int i = 0; i < 3; ++i) {
    panes_[i] = new QLabel(this);
    panes_[i]->setObjectName(kNames[i]);
    panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addPermanentWidget(panes_[i]);
  }
  auto* clock = new QTimer(this);
  connect(clock, &QTimer::timeout, this, &CMainFrame::UpdateStatusBar);
  clock->start(1000);
  UpdateStatusBar();
}

void CMainFrame::UpdateStatusBar() {
  ShowFrameCount();
  panes_[1]->setText(memory_text(pcore::available_memory_bytes()));
  panes_[2]->setText(clock_text(QTime::currentTime()));
}

void CMainFrame::ShowFrameCount() {
  if (working_) return;  // the other thread is changing the stack
  panes_[0]->setText(QStringLiteral("Total: %1").arg(doc_.GetFrameCount()));
}

int CMainFrame::Selected() const {
  return list_->SelectedRow();
}

void CMainFrame::OnDocumentUpdate(int hint) {
  if (QThread::currentThread() != thread() || working_) {
    pendingHints_.push_back(hint);
    return;
  }
  const int before = list_->topLevelItemCount();
  list_->OnUpdate(hint);
  if (hint == kHintReset) {
    player_.Stop();
    doc_.DropPreviews();
    for (CImageFrameView* pane : previews_) pane->update();
  } else if (hint > 0 && Selected() < 0) {
    // The first frames of an empty document show at once.
    list_->SelectRow(before);
  } else {
    RebuildPreviews();
  }
  ShowFrameCount();
  UpdateCommands();
}

void CMainFrame::FlushPendingHints() {
  std::vector<int> hints;
  hints.swap(pendingHints_);
  if (hints.empty()) return;
  const bool reset = std::find(hints.begin(), hints.end(), kHintReset) != hints.end();
  if (reset) {
    OnDocumentUpdate(kHintReset);
    if (doc_.GetFrameCount() > 0) OnDocumentUpdate(doc_.GetFrameCount());
  } else if (const int appended = doc_.GetFrameCount() - list_->topLevelItemCount(); appended > 0) {
    OnDocumentUpdate(appended);
  }
  OnDocumentUpdate(kHintRefresh);
}

void CMainFrame::RebuildPreviews() {
  const int row = Selected();
  if (row < 0)
    doc_.DropPreviews();
  else
    doc_.RebuildPreviews(row);
  for (CImageFrameView* pane : previews_) pane->update();
}

void CMainFrame::UpdateCommands() {
  const bool frames = doc_.GetFrameCount() > 0;
  const int row = Selected();
  const bool selected = row >= 0;
  const bool busy = working_;
  for (int id : {kCmSave, kCmSaveAs, kCmBrowserTest, kCmPrint, kCmPrintPreview, kCmScreen, kCmPlay})
    if (QAction* a = Action(id)) a->setEnabled(frames && !busy);
  for (int id : {kCmCut, kCmCopy, kCmDelete, kCmDuplicate, kCmFrameProperties, kCmSaveFrameAs})
    if (QAction* a = Action(id)) a->setEnabled(selected && !busy);
  Action(kCmMoveUp)->setEnabled(row > 0 && !busy);
  Action(kCmMoveDown)->setEnabled(selected && row + 1 < doc_.GetFrameCount() && !busy);
  Action(kCmUndo)->setEnabled(doc_.CanUndo() && !busy);
  Action(kCmPaste)->setEnabled(pcore::clipboard().has_image() && !busy);
  Action(kCmPlay)->setText(player_.Playing() ? tr("&Stop") : tr("&Play"));
  Action(kCmOneFrameView)->setChecked(oneFrameView_);
  QString title = QStringLiteral("Framora");
  if (!savedPath_.isEmpty())
    title = QFileInfo(savedPath_).fileName() + (doc_.IsModified() ? "*" : "") + " - Framora";
  setWindowTitle(title);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (working_ || (doc_.IsModified() && !SaveIfWanted())) {
    event->ignore();
    return;
  }
  player_.Stop();
  const std::unique_ptr<QSettings> profile = pqt::profile();
  profile->setValue("Geometry", saveGeometry());
  event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QStringList paths = dropped_files(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  // After the drop has finished: reading may show boxes, which must not run inside the drag.
  QTimer::singleShot(0, this, [this, paths] { AddFiles(paths); });
}

}  // namespace framora
