// The image editor's main window: a Qt main window with an MDI area that owns the toolbars, the status bar
// and the menus, and turns every image command into an action on the active image window. Applications
// derive their main frame from it.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/core/file_dialogs.h"

#include "ivorel/acquire/ctwain.h"
#include "ivorel/windows/frame/image_frame_window.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class CEditDrawImageTemplate;
class ImageDescriptorAndDisplayObj;

struct _IMAGE_PROC_DATA;

namespace ivorel {
struct FrameCommand;
// The zoom one step in `direction` (+1 in, -1 out) along 12.5 % ... 800 % from `zoom`; `zoom` at either end.
short next_zoom(short zoom, int direction);
// "200 %", "12.5 %".
QString zoom_text(short zoom);
}  // namespace ivorel
namespace registry {
struct Operation;
}

class CIMDIFrameWnd : public QMainWindow, public ImageFrameWindow, public CTwain {
  Q_OBJECT

 public:
  explicit CIMDIFrameWnd(QWidget* parent = nullptr);
  ~CIMDIFrameWnd() override;

  // The toolkit tab that the next toolkit popup opens on.
  static QString m_strTabSel;
  static constexpr const char* kWantTheFirstTab = "Want The First Tab";
  static QWidget* m_pPaletteDialog;
  // Filled by the processing toolkit and the script window; null until then (their commands are disabled).
  static void (*pPopupImageProcessingParameterFrame)(QWidget* parent, const char* tab);
  static void (*pPopupImageProcessingPreviewDialog)(QWidget* parent, const char* tab);
  static void (*pApplyImageProcessingFromUI)(ImageDescriptorAndDisplayObj* image, QWidget* parent);
  static void (*lpfnPopupCScriptDefinitionDlg)(int);

  // Builds menus, toolbars, the status bar and restores the saved placement and bar state.
  bool OnCreate();

  // The one entry of every command: menus, toolbars, shortcuts and tests come here.
  void ExecuteCommand(int id);
  // The image commands 100 ... 500 and the frame commands 24310 ... 24365.
  void OnImageFrameCmd(int id);
  void OnImageFrameMoreCmd(int id);
  // Re-evaluates every command's enabled and checked state.
  void UpdateCommandStates();
  bool IsCommandEnabled(int id) const;
  bool IsCommandChecked(int id) const;
  QAction* CommandAction(int id) const { return actions_.value(id); }
  QToolBar* ToolBar(int barId) const { return toolbars_.value(barId); }
  QMdiArea* MdiArea() const { return mdiArea_; }

  // The template that makes every image window of this frame (New, Open, Paste, captures).
  void SetDocTemplate(CEditDrawImageTemplate* docTemplate);
  CEditDrawImageTemplate* DocTemplate() const { return template_; }

  // A new blank image from the new-image dialog.
  void MyOnFileNew();
  // The open dialog of the frame (one file, the filter remembered).
  void CmFileOpen();
  // Asks for existing files through the file-dialog service, starting in `directory` (which then becomes the
  // chosen files' folder) with filter `filterIndex` (1-based; updated). Empty when cancelled.
  QStringList AskForImageFiles(const char* title, std::vector<pcore::FileFilter> filters, bool multiple,
                               int& filterIndex, QString& directory);
  // Opens one image file in a new window; null when it was not opened (the user was told why).
  CMDIChildImageWnd* OpenImageFile(const QString& path);
  void OpenImageFiles(const QStringList& paths);
  // Opens the processing toolkit on m_strTabSel.
  void OnIProcPreview();
  // Captures a screen rectangle (global coordinates) into a new untitled image.
  void SnapShotScreen(int x, int y, int width, int height);

  // Select Scanner (104) and Acquire Image (105); enabled until first used, then while the source manager
  // is open and no source is.
  void CmSelectScanner();
  void CmAcquire();
  bool ScannerCommandsEnabled() const;
  // Printing: the layout and the print settings object the frame keeps (both stay the frame's).
  void GetPrintParameters(_PrintImageLayout_STRUCT*& layout, PrintOp*& op);
  void CmPrintSetup();
  void CmImageLayout();
  void CmPrintPreview();
  void CmFilePrint();

  // The palette window (commands 32867 and 434): shown when it is not, closed when it is.
  void TogglePaletteWindow();
  bool PaletteWindowShown() const;

  // Status bar panes.
  void SetPositionText(const QString& text);
  void ShowPrompt(const QString& text);

 protected:
  // The application's own commands; the base versions are the library's.
  virtual void OnFileNew() { MyOnFileNew(); }
  virtual void OnFileOpen() { CmFileOpen(); }
  virtual void OnAppAbout();

  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;
  void MenuStateChanged() override { UpdateCommandStates(); }
  // Each scanned page opens in a new image window.
  void DibReceived(HGLOBAL bitmap) override;
  void XferReady(TW_APPMESSAGE* message) override;
  void TwainError(TW_ERR error) override;
  void StateChange(int) override { UpdateCommandStates(); }
  void EndPrintPreview() override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreateStatusBar();
  // The drawing view's commands (frame_selection.cpp).
  void CreateSelectionActions();
  void CreateSelectionMenu();
  void CreateSelectionBars();
  bool SelectionCommandEnabled(int id) const;
  bool SelectionCommandChecked(int id) const;
  bool RunSelectionCommand(int id);
  // The painting bars: tools, configuration (pen and brush pages) and strength (frame_paint.cpp).
  void CreatePaintBars();
  void AfterPaintToolCommand(int id);
  // Runs an image operation on the active window's selections that have pixels; false when none took it.
  bool OfferToSelections(const registry::Operation& op, _IMAGE_PROC_DATA* block);
  QToolBar* AddToolBar(int barId, const char* title, std::initializer_list<int> ids);
  QMenu* AddMenu(QMenu* parent, const char* title, std::initializer_list<int> ids);
  bool Enabled(const ivorel::FrameCommand& command) const;
  void RunProcessor(const ivorel::FrameCommand& command);
  void OpenToolkitOn(const char* tab);
  void ToggleBar(QWidget* bar);
  void ToggleMainMenu();
  void CreateZoomShortcuts();

 public:
  // Ctrl++ / Ctrl+= / Ctrl+- and the wheel: one step along the zoom list; false when there is none.
  bool StepZoom(int direction);
  // The frame's context menu (toolbars, the workspace): the bar toggles and Show/hide main menu, which
  // brings back a hidden menu.
  QMenu* createPopupMenu() override;

 private:
  void TileOrCascade(int id);
  void DuplicateActive();
  void PasteAsNewImage();
  void ShowFullScreen();
  void CaptureCommand(int id);
  void ShowManual();
  void OpenFileManager();
  void UpdateMemoryPane();
  void UpdateImagePane();
  bool PrepareScanner();
  void LoadSettings();
  void SaveSettings();

  QWidget* self_ = this;
  QMdiArea* mdiArea_ = nullptr;
  CEditDrawImageTemplate* template_ = nullptr;
  QMap<int, QAction*> actions_;
  QMap<int, QToolBar*> toolbars_;
  QMenu* windowMenu_ = nullptr;
  QLabel* positionPane_ = nullptr;
  QLabel* imagePane_ = nullptr;
  QLabel* colourPane_ = nullptr;
  QLabel* memoryPane_ = nullptr;
  QLabel* timerPane_ = nullptr;
  QTimer* paneTimer_ = nullptr;
  QElapsedTimer started_;
  int openFilterIndex_ = 1;
  QString openDirectory_;
  bool scannerUsed_ = false;
  int pagesReceived_ = 0;
  bool menuShownBeforePreview_ = true;
};

namespace ivorel {
// A scanner source's request waiting in the frame's queue goes to the frame's engine; true when `event` was
// one.
bool deliver_source_event(CIMDIFrameWnd& frame, QEvent* event);
}  // namespace ivorel
