// Vexil's window: one captured image in the image view, the capture panel as the second view, each with
// its own menu; every command goes through RunCommand by its number.
#pragma once

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QPointer>

#include "apps/vexil/capture_runner.h"
#include "apps/vexil/captured_image.h"

class QAction;
class QMenu;
class QStackedWidget;

namespace vexil {

class CaptureKeys;
class FindToolView;
class ImageView;
class PickOverlay;

// Command numbers of the two menus.
enum Command : int {
  kCmSaveAs = 110,
  kCmPrint = 120,
  kCmCopy = 180,
  kCmFullScreen = 310,
  kCmClearImage = 330,
  kCmSnapshot = 32771,
  kCmViewCaptured = 32772,
  kCmOpenFile = 32774,
  kCmUndo = 32798,
  kCmRedo = 32799,
  kCmRepeatCapture = 32800,
  kCmExit = 57665,
  kCmRecentFirst = 57616,  // four entries
  kCmCaptureKeys = 32900,
  kCmManual = 32901,
  kCmAbout = 57664,
};

// Post-capture settings: bit, command, menu text and the tool it runs (Copy To Clipboard runs none).
struct PostCaptureSetting {
  unsigned bit;
  int command;
  const char* text;
  ImageTool tool;
};
extern const PostCaptureSetting kPostCaptureSettings[9];

struct QuickTool {
  int command;
  const char* text;
  ImageTool tool;
};
extern const QuickTool kQuickTools[9];

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  enum View { kImageView = 0, kCapturePanel = 1 };

  CMainFrame();
  ~CMainFrame() override;

  void RunCommand(int id);
  QAction* Action(int id) const { return actions_.value(id); }
  void UpdateCommands();

  void ShowImageView();
  void ShowCapturePanel();
  int ActiveView() const { return activeView_; }
  FindToolView* Panel() const { return panel_; }
  ImageView* Viewer() const { return imageView_; }

  // Loads "startup.bmp" from the current folder, when there is one; shown while no image is held.
  void LoadStartupPicture();
  bool HasStartupPicture() const { return !startupPicture_.isNull(); }

  // ---- Captures ----
  // A capture by its command: Active Window and Desktop start at once, the others arm the pick.
  void StartCapture(int mode);
  // The pick is over: the window (or, with `desktop`, the bare desktop) or the rectangle to capture.
  void WindowPicked(x11::WindowId client, bool desktop);
  void RectanglePicked(const QRect& rectangle, const QImage& frozen);
  void PickCancelled();
  void RepeatCapture();
  // A capture asked for by a script: the same path as the menu's, finishing with CaptureCompleted and
  // putting back the windows as they were instead of showing Vexil.
  void ScriptedCapture(int mode, int delaySeconds);
  bool CaptureRunning() const { return runner_.Busy() || picking_; }

  // ---- The image ----
  CapturedImage& Image() { return image_; }
  bool OpenFile(const QString& path);
  // Writes the image to `path` in the type of its extension; false (with the box shown) on failure.
  bool SaveImageTo(const QString& path);
  void RefreshImage();
  void SetTitleText(const QString& text);

  unsigned PostCaptureBits() const { return postCapture_; }
  void SetPostCaptureBits(unsigned bits);
  int SaveQuality() const { return saveQuality_; }
  // The inter-process settings change: a quality below 0x10000 replaces the save quality; the bits are
  // cleared when any of them is set, otherwise set.
  void ChangeCaptureFlags(unsigned quality, unsigned toggleBits);

  // Takes the capture keys; keys another program holds are reported once, with the way to choose others.
  void GrabCaptureKeys();

  // Shows and raises the window, or hides it.
  void Activate(bool show);

 signals:
  // After every capture, once the post-capture settings have run.
  void AfterCapture();
  void CaptureCompleted(bool captured, const QString& error);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildActions();
  void BuildMenus();
  QAction* AddAction(int id, const QString& text, const QKeySequence& key = {});
  void SetMenus(const QList<QMenu*>& menus);
  void SelectPage(QWidget* page);
  void BeginPick(int mode);
  void RunCapture(const CaptureRequest& request);
  void CaptureFinished(const CaptureResult& result);
  void ApplyPostCaptureSettings();
  bool ApplyTool(const ImageTool& tool);
  void SaveAs();
  bool ClearImage();
  bool AskToSave();
  void OpenFromDialog();
  void AddRecentFile(const QString& path);
  void UpdateRecentFiles();
  void ShowFullScreen();
  void ChooseCaptureKeys();
  // The manual's Vexil page, at a section when one is named.
  void ShowManual(const QString& section = {});
  void ShowAbout();
  void SizeToImage();

  CapturedImage image_;
  CaptureRunner runner_;
  QStackedWidget* stack_ = nullptr;
  ImageView* imageView_ = nullptr;
  FindToolView* panel_ = nullptr;
  CaptureKeys* keys_ = nullptr;
  QHash<int, QAction*> actions_;
  QList<QMenu*> imageMenus_, panelMenus_;
  QMenu* recentMenu_ = nullptr;
  int activeView_ = kImageView;

  QImage startupPicture_;
  bool startup_ = true;  // set until the first capture or Clear Image
  unsigned postCapture_ = 0;
  int saveQuality_ = 50;
  int mode_ = -1;
  bool armed_ = false;
  bool picking_ = false;
  bool scripted_ = false;
  QList<QPointer<QWidget>> hiddenForScript_;
  CaptureRequest last_;
  bool hasLast_ = false;
  QPointer<PickOverlay> overlay_;
};

}  // namespace vexil
