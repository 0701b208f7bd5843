// Framora's window: the frame list on the left, the previews of the frames before, at and after the
// selection on the right (or the current one alone), the status bar with the frame count, free memory and
// the time; every command goes through RunCommand by its number.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <QTime>
#include <functional>
#include <vector>

#include "apps/framora/animation_player.h"
#include "apps/framora/document/framora_doc.h"
#include "apps/framora/frame_print.h"

class CFramoraView;
class CImageFrameView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;

namespace framora {

enum Command : int {
  kCmNew = 57600,
  kCmOpen = 57601,
  kCmSave = 57603,
  kCmSaveAs = 57604,
  kCmPageSetup = 57605,
  kCmPrintSetup = 57606,
  kCmPrint = 57607,
  kCmPrintPreview = 57609,
  kCmRecentFirst = 57616,  // ten entries
  kCmCopy = 57634,
  kCmCut = 57635,
  kCmPaste = 57637,
  kCmUndo = 57643,
  kCmAbout = 57664,
  kCmExit = 57665,
  kCmNewWindow = 57648,
  kCmHelp = 57670,
  kCmFrameProperties = 32771,
  kCmScreen = 32772,
  kCmOneFrameView = 32773,
  kCmBrowserTest = 32774,
  kCmRunPictaro = 32775,
  kCmRunVexil = 32776,
  kCmFileManager = 32777,
  kCmPlay = 32780,
  kCmDelete = 32781,
  kCmDuplicate = 32782,
  kCmMoveUp = 32783,
  kCmMoveDown = 32784,
  kCmSaveFrameAs = 32785,
};

// The status bar's clock: "h:MM:SS AM" on the twelve-hour dial (12 for noon and midnight).
QString clock_text(const QTime& time);
// "Memory:%4dMb" of the bytes the system can still give (-1: unknown).
QString memory_text(qint64 bytes);

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame();
  ~CMainFrame() override;

  void RunCommand(int id);
  QAction* Action(int id) const { return actions_.value(id); }
  void UpdateCommands();

  // Adds the frames of each file in turn (files of several frames add all of them); returns the frames
  // added. Long reads run with a progress box while the window stays responsive.
  int AddFiles(const QStringList& paths);
  // Saves the stack under `path` (a GIF animation, or one frame in the type of the extension); false when
  // nothing was written.
  bool SaveStack(const QString& path);

  CFramoraDoc& Document() { return doc_; }
  CFramoraView* List() const { return list_; }
  CImageFrameView* Preview(int row) const { return previews_[row]; }
  AnimationPlayer& Player() { return player_; }
  QString SavedPath() const { return savedPath_; }
  QLabel* StatusPane(int pane) const { return panes_[pane]; }
  // The page layout the print commands use (the page set-up dialog's choice).
  PrintLayout& Layout() { return printLayout_; }
  // The browser test's last page, empty before the first test.
  QString LastTestPage() const { return lastTestPage_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildStatusBar();
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& prompt,
                      const QKeySequence& key = {});
  void OnDocumentUpdate(int hint);
  // Hands the hints held back during work on another thread to the views, as one change: appends counted
  // from the rows the list has, not from the stack's end when each came.
  void FlushPendingHints();
  // Runs file work on another thread with the window's input held (background_task.h).
  void RunWork(const QString& label, const std::function<bool()>& work);
  void RebuildPreviews();
  void UpdateStatusBar();
  void ShowFrameCount();
  int Selected() const;

  // Commands.
  void OnNew();
  void OnOpen();
  bool OnSave();
  bool OnSaveAs();
  void OnSaveFrameAs();
  void OnUndo();
  void OnCut();
  void OnPaste();
  void OnDelete();
  void OnDuplicate();
  void OnMove(int step);
  void OnFrameProperties(int row);
  void OnScreen();
  void OnOneFrameView();
  void OnPlay();
  void OnBrowserTest();
  void OnPageSetup();
  void StartProgram(const QString& name, const QStringList& arguments);
  void OnFileManager();
  void OnAbout();
  // Asks "Do you want to save the current image stack?" when there are frames; false when the user
  // cancelled (or the save failed).
  bool SaveIfWanted();
  void Report(Status status, const char* caption = "Error");

  void AddRecentFile(const QString& path);
  void FillRecentMenu();

  CFramoraDoc doc_;
  CFramoraView* list_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QSplitter* previewColumn_ = nullptr;
  CImageFrameView* previews_[3] = {};
  QLabel* panes_[3] = {};
  QMenu* recentMenu_ = nullptr;
  QHash<int, QAction*> actions_;
  AnimationPlayer player_;
  PrintLayout printLayout_;
  QString savedPath_;
  QString lastDirectory_;
  QString lastTestPage_;
  QStringList recentFiles_;
  bool oneFrameView_ = false;
  // Hints that arrive while the document works on another thread, handed to the views afterwards.
  std::vector<int> pendingHints_;
  bool working_ = false;
};

}  // namespace framora

using framora::CMainFrame;
