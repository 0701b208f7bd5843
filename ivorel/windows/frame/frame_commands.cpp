// Command routing of the editor frame: one entry (ExecuteCommand) for menus, toolbars, shortcuts and
// tests; the enabling rules of the command table; and the handlers of the frame's own commands.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/processing/packed_dib.h"
#include "ivorel/processing/processing.h"
#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/frame/qimage_bridge.h"
#include "ivorel/windows/frame/selection_commands.h"
#include "ivorel/windows/frame/undo_history.h"
#include "ivorel/windows/frame/window_placement.h"
#include "ivorel/windows/frame/x11_windows.h"
#include "platform/core/clipboard.h"
#include "platform/core/message_box.h"
#include "platform/core/program_start.h"

using ivorel::Act;
using ivorel::Enable;
using ivorel::FrameCommand;
namespace cmd = ivorel::cmd;

namespace {

// A top-level window of this application with the given title, or null.
QWidget* top_level_titled(const QString& title, bool visibleOnly) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == title && (!visibleOnly || w->isVisible())) return w;
  return nullptr;
}

// Whether the registry offers an operation on the given toolkit tab (before any "|preset").
bool tab_has_operation(const char* target) {
  const std::string_view tab = std::string_view(target).substr(0, std::string_view(target).find('|'));
  for (const registry::Operation& op : registry::operations())
    if (op.tab == tab) return true;
  return false;
}

bool clipboard_has_image() {
  return pcore::clipboard().has_image();
}

void wait_ms(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

// ---- Enabling

bool CIMDIFrameWnd::Enabled(const FrameCommand& c) const {
  // The preview hides the image windows; their commands (shortcuts too) wait until it ends, but Exit
  // still ends the preview.
  if (printPreview_ && c.id != cmd::kExit) return false;
  auto* self = const_cast<CIMDIFrameWnd*>(this);
  CMDIChildImageWnd* active = self->GetActiveMDIChild();
  const bool image = active && GetChildCount() >= 1 && active->HasImage();
  bool on = false;
  switch (c.enable) {
    case Enable::Always:
      on = true;
      break;
    case Enable::HasImage:
      on = image;
      break;
    case Enable::ViewEntry:
      on = image && menuUpdate_.item[c.enabledIndex] != 0;
      break;
    case Enable::CropFit:
      on = image && menuUpdate_.item[_MENUUPDATE::kFitChecked] != 0;
      break;
    case Enable::TrueColour:
      on = image && active->image.bitsPerPixel == 24;
      break;
    case Enable::BelowTrueColour:
      on = image && active->image.bitsPerPixel < 24;
      break;
    case Enable::ClipboardImage:
      on = clipboard_has_image();
      break;
    case Enable::Undo:
      on = image && active->ICanUndo();
      break;
    case Enable::Redo:
      on = image && active->ICanRedo();
      break;
    case Enable::Scanner:
      on = ScannerCommandsEnabled();
      break;
    case Enable::Printer:
      on = printerAvailable_ != 0;
      break;
    case Enable::PrinterImage:
      on = image && printerAvailable_ != 0;
      break;
    case Enable::Never:
      on = false;
      break;
  }
  if (!on) return false;
  // Commands whose service has not been installed, or whose operation has not landed, stay disabled.
  switch (c.act) {
    case Act::Toolkit:
      return pPopupImageProcessingParameterFrame && tab_has_operation(c.target);
    case Act::Processor:
      return registry::find_operation(c.target) != nullptr;
    default:
      break;
  }
  switch (c.id) {
    case cmd::kToolkit:
      return pPopupImageProcessingParameterFrame && !top_level_titled("Image Processing Preview", false) &&
             !top_level_titled("Image Processing", true);
    case cmd::kScripting:
      return lpfnPopupCScriptDefinitionDlg || top_level_titled("Pictaro Script Definition", false);
    default:
      return true;
  }
}

bool CIMDIFrameWnd::IsCommandEnabled(int id) const {
  if (ivorel::find_selection_command(id)) return SelectionCommandEnabled(id);
  const FrameCommand* c = ivorel::find_command(id);
  return c && Enabled(*c);
}

bool CIMDIFrameWnd::IsCommandChecked(int id) const {
  if (ivorel::find_selection_command(id)) return SelectionCommandChecked(id);
  const FrameCommand* c = ivorel::find_command(id);
  if (!c) return false;
  if (c->checkedIndex >= 0) {
    auto* self = const_cast<CIMDIFrameWnd*>(this);
    return self->GetActiveMDIChild() && menuUpdate_.item[c->checkedIndex] != 0;
  }
  auto visible = [this](int bar) { return toolbars_.value(bar) && toolbars_.value(bar)->isVisible(); };
  switch (id) {
    case cmd::kToggleToolbar:
      return visible(128);
    case cmd::kToggleStatusBar:
      return statusBar()->isVisible();
    case cmd::kToggleSelectionBar:
      return visible(32770);
    case cmd::kToggleCaptureBar:
      return visible(165);
    case cmd::kToggleMaskBar:
      return visible(185);
    case cmd::kToggleConfigBar:
    case cmd::kToggleStrengthBar:
      return visible(id);
    case cmd::kToggleMainMenu:
      return menuBar()->isVisible();
    case cmd::kTogglePalette:
      return PaletteWindowShown();
    default:
      return false;
  }
}

void CIMDIFrameWnd::UpdateCommandStates() {
  if (imagePane_) UpdateImagePane();
  ivorel::update_frame_title(this);
  for (auto it = actions_.begin(); it != actions_.end(); ++it) {
    QAction* action = it.value();
    action->setEnabled(IsCommandEnabled(it.key()));
    if (action->isCheckable()) action->setChecked(IsCommandChecked(it.key()));
  }
}

// ---- Routing

void CIMDIFrameWnd::ExecuteCommand(int id) {
  if (!IsCommandEnabled(id)) return;
  const ivorel::StepNameScope stepName(this, id);
  if (RunSelectionCommand(id)) {
    UpdateCommandStates();
    return;
  }
  if (id >= ivorel::kFirstImageCommand && id <= ivorel::kLastImageCommand) {
    OnImageFrameCmd(id);
  } else if (id >= cmd::kExit && id <= cmd::kCloseAll) {
    OnImageFrameMoreCmd(id);
  } else {
    CMDIChildImageWnd* active = GetActiveMDIChild();
    switch (id) {
      case cmd::kToolkit:
        OnIProcPreview();
        break;
      case cmd::kToggleToolbar:
        ToggleBar(toolbars_.value(128));
        break;
      case cmd::kToggleStatusBar:
        ToggleBar(statusBar());
        break;
      case cmd::kToggleSelectionBar: {
        QToolBar* bar = toolbars_.value(32770);
        ToggleBar(bar);
        if (bar && !bar->isVisible() && toolbars_.value(161)) toolbars_.value(161)->hide();
        break;
      }
      case cmd::kToggleCaptureBar:
        ToggleBar(toolbars_.value(165));
        break;
      case cmd::kToggleMaskBar:
        ToggleBar(toolbars_.value(185));
        break;
      case cmd::kToggleConfigBar:
      case cmd::kToggleStrengthBar:
        ToggleBar(toolbars_.value(id));
        break;
      case cmd::kEmptyClipboard:
        pcore::clipboard().clear();
        break;
      case cmd::kTogglePalette:
        TogglePaletteWindow();
        break;
      case cmd::kToggleMainMenu:
        ToggleMainMenu();
        break;
      case cmd::kDragDropOpen:
        OpenFileManager();
        break;
      case cmd::kImageLayout:
        CmImageLayout();
        break;
      case cmd::kScripting:
        if (QWidget* script = top_level_titled("Pictaro Script Definition", false)) {
          script->showNormal();
          script->raise();
          script->activateWindow();
        } else if (lpfnPopupCScriptDefinitionDlg) {
          lpfnPopupCScriptDefinitionDlg(0);
        }
        break;
      case cmd::kFileNew:
        OnFileNew();
        break;
      case cmd::kFileOpenMany:
        OnFileOpen();
        break;
      case cmd::kUndo:
        if (active) active->DoUndo();
        break;
      case cmd::kRedo:
        if (active) active->DoRedo();
        break;
      case cmd::kAppAbout:
        OnAppAbout();
        break;
      default:
        break;
    }
  }
  UpdateCommandStates();
}

void CIMDIFrameWnd::OnImageFrameCmd(int id) {
  const FrameCommand* c = ivorel::find_command(id);
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (c) {
    switch (c->act) {
      case Act::Message:
        SendMessageToActiveChild(static_cast<unsigned>(c->message));
        break;
      case Act::Toolkit:
        OpenToolkitOn(c->target);
        break;
      case Act::Processor:
        RunProcessor(*c);
        break;
      case Act::Frame:
        switch (id) {
          case cmd::kOpen:
            OnFileOpen();
            break;
          case cmd::kClose:
            if (active) active->close();
            break;
          case cmd::kSelectScanner:
            CmSelectScanner();
            break;
          case cmd::kAcquire:
            CmAcquire();
            break;
          case cmd::kPrintSetup:
            CmPrintSetup();
            break;
          case cmd::kPrintPreview:
            CmPrintPreview();
            break;
          case cmd::kPrint:
            CmFilePrint();
            break;
          case cmd::kCopy:
            if (active) ivorel::image_to_clipboard(active->image);
            break;
          case cmd::kPaste:
            PasteAsNewImage();
            break;
          case cmd::kFullScreen:
            if (active) active->HandleViewfullscreen();
            break;
          case cmd::kDuplicate:
            DuplicateActive();
            break;
          case cmd::kCrop:
            if (active) {
              TProcessImage(active).BeginCrop();
              active->View()->viewport()->setCursor(Qt::CrossCursor);
              ShowPrompt(tr("Drag a rectangle over the image to crop it"));
            }
            break;
          case cmd::kHelp:
            ShowManual();
            break;
          case cmd::kAbout:
            OnAppAbout();
            break;
          case cmd::kColorize:
            TogglePaletteWindow();
            break;
          default:
            break;
        }
        break;
    }
  }
  m_strTabSel = kWantTheFirstTab;
}

void CIMDIFrameWnd::OnImageFrameMoreCmd(int id) {
  if (id >= cmd::kCaptureScreen && id <= cmd::kCaptureSelf) {
    if (QToolBar* bar = toolbars_.value(165); bar && !bar->isVisible()) bar->show();
    CaptureCommand(id);
    return;
  }
  switch (id) {
    case cmd::kExit:
      if (CanClose()) {
        close();
      } else {
        QMainWindow::update();
      }
      break;
    case cmd::kCascade:
    case cmd::kTileVertical:
    case cmd::kTileHorizontal:
    case cmd::kArrangeIcons:
      TileOrCascade(id);
      break;
    case cmd::kCloseAll:
      CanClose();
      break;
    default:
      break;
  }
}

// ---- Processing

void CIMDIFrameWnd::RunProcessor(const FrameCommand& c) {
  const registry::Operation* op = registry::find_operation(c.target);
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (!op || !active) return;
  _IMAGE_PROC_DATA block;
  // Menu commands ask for their values; only the fixed choices of a command travel in a block.
  active->procData = nullptr;
  if (c.presetWord >= 0) {
    for (const registry::ParameterWord& w : op->words)
      block.words[w.index] = static_cast<std::int32_t>(w.fallback);
    block.words[1] = c.presetWord;
  }
  // Selections with pixels take an image command first; the image is left alone then.
  if (OfferToSelections(*op, c.presetWord >= 0 ? &block : nullptr)) {
    active->ImageChanged();
    return;
  }
  {
    TProcessImageEx processor(active);
    if (c.presetWord >= 0) processor.SetImageProcData(&block);
    op->run(processor);
  }
  active->ImageChanged();
}

void CIMDIFrameWnd::OpenToolkitOn(const char* tab) {
  m_strTabSel = tab;
  OnIProcPreview();
}

void CIMDIFrameWnd::OnIProcPreview() {
  const QByteArray tab = m_strTabSel.toUtf8();
  QWidget* parent = GetActiveMDIChild() ? static_cast<QWidget*>(GetActiveMDIChild()) : this;
  if (QWidget* preview = top_level_titled("Image Processing Preview", false)) {
    if (pPopupImageProcessingPreviewDialog) pPopupImageProcessingPreviewDialog(parent, tab.constData());
    preview->raise();
    return;
  }
  if (!pPopupImageProcessingParameterFrame) return;
  pPopupImageProcessingParameterFrame(parent, tab.constData());
  if (QWidget* toolkit = top_level_titled("Image Processing", false)) {
    toolkit->raise();
    toolkit->activateWindow();
  }
}

// ---- Windows and views

void CIMDIFrameWnd::ToggleBar(QWidget* bar) {
  if (bar) bar->setVisible(!bar->isVisible());
}

void CIMDIFrameWnd::ToggleMainMenu() {
  // The menu bar is hidden rather than destroyed, so that its shortcuts and the toolbar toggle stay.
  menuBar()->setVisible(!menuBar()->isVisible());
}

void CIMDIFrameWnd::TileOrCascade(int id) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
    if (sub->isVisible() && !sub->isMinimized()) windows << sub;
  const QRect area = mdiArea_->viewport()->rect();
  switch (id) {
    case cmd::kCascade:
      ivorel::cascade_windows(mdiArea_, windows);
      SendMessageToAllImageWindows(ivorel::kMsgViewToScale, 0, 0);
      break;
    case cmd::kTileVertical:
    case cmd::kTileHorizontal: {
      const int n = static_cast<int>(windows.size());
      for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized()) sub->showNormal();
        if (id == cmd::kTileVertical) {
          const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
          sub->setGeometry(left, 0, right - left, area.height());
        } else {
          const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
          sub->setGeometry(0, top, area.width(), bottom - top);
        }
      }
      SendMessageToAllImageWindows(ivorel::kMsgViewToFitAspect, 0, 0);
      break;
    }
    case cmd::kArrangeIcons: {
      int x = 0;
      for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized()) continue;
        if (x + sub->width() > area.width()) x = 0;
        sub->move(x, area.height() - sub->height());
        x += sub->width();
      }
      break;
    }
    default:
      break;
  }
  // The menus show the active window's state again after every window answered.
  if (CMDIChildImageWnd* active = GetActiveMDIChild()) active->SendMenuUpdateToClient();
}

void CIMDIFrameWnd::DuplicateActive() {
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (active && template_) template_->OpenDuplicate(*active, true);
}

void CIMDIFrameWnd::PasteAsNewImage() {
  if (!template_) return;
  _IMAGEDESCRIPTOR pasted;
  if (ivorel::image_from_clipboard(pasted)) {
    template_->OpenFromDescriptor(pasted, true);
  } else {
    pcore::message_box().show(this,
                              "The clipboard holds no image that can be pasted: it is damaged, of an "
                              "unknown kind or too large.",
                              "Pictaro", pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
  }
}

// ---- Screen capture

void CIMDIFrameWnd::SnapShotScreen(int x, int y, int width, int height) {
  QScreen* screen = QGuiApplication::screenAt(QPoint(x + width / 2, y + height / 2));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen || width <= 0 || height <= 0) return;
  const QRect g = screen->geometry();
  const QPixmap shot = screen->grabWindow(0, x - g.x(), y - g.y(), width, height);
  _IMAGEDESCRIPTOR captured;
  if (template_ && ivorel::descriptor_from_qimage(shot.toImage(), captured))
    template_->OpenFromDescriptor(captured, true);
}

void CIMDIFrameWnd::CaptureCommand(int id) {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect all = screen->geometry();
  const QRect self = frameGeometry() & all;
  switch (id) {
    case cmd::kCaptureScreen:
      SnapShotScreen(all.x(), all.y(), all.width(), all.height());
      break;
    case cmd::kCaptureExcludingSelf:
      hide();
      wait_ms(1000);
      SnapShotScreen(all.x(), all.y(), all.width(), all.height());
      show();
      break;
    case cmd::kCaptureWindowBehind: {
      // The window the user worked in before: once the frame has stepped aside, the one in front.
      hide();
      wait_ms(500);
      std::vector<ivorel::x11::WindowId> ours;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId()) ours.push_back(static_cast<ivorel::x11::WindowId>(w->internalWinId()));
      ivorel::x11::TopLevel behind;
      QRect shot = self;
      if (ivorel::x11::connected() && ivorel::x11::active_window(ours, behind)) {
        const ivorel::x11::Rect& r = behind.frameRect;
        shot = QRect(r.x, r.y, r.width, r.height) & all;
      }
      // It repaints what the frame covered before its pixels are taken.
      wait_ms(500);
      if (!shot.isEmpty()) SnapShotScreen(shot.x(), shot.y(), shot.width(), shot.height());
      show();
      break;
    }
    case cmd::kCaptureSelf:
      SnapShotScreen(self.x(), self.y(), self.width(), self.height());
      break;
    default:
      break;
  }
}

// ---- Help, files, about

void CIMDIFrameWnd::ShowManual() {
  const QString section = ivorel::help::section_of(this);
  ivorel::help::open_manual(section.isEmpty() ? QStringLiteral("index.html") : section, this);
}

void CIMDIFrameWnd::OpenFileManager() {
  // The desktop's file manager on the folder of the active image (or the home folder), from which files
  // can be dragged onto the frame.
  QString folder = QDir::homePath();
  if (CMDIChildImageWnd* active = GetActiveMDIChild(); active && active->named)
    folder = QFileInfo(QString::fromLocal8Bit(active->name)).absolutePath();
  else if (!openDirectory_.isEmpty())
    folder = openDirectory_;
  if (!pcore::start_program("xdg-open", {folder.toStdString()}))
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void CIMDIFrameWnd::OnAppAbout() {
  QMessageBox::about(this, tr("About Ivorel"),
                     tr("<b>Ivorel</b> image windows<br>The image editor's frame, image windows and "
                        "processing engine."));
}
