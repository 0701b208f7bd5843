#include "apps/vexil/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFormLayout>
#include <QKeySequenceEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QUrl>

#include "apps/vexil/capture_keys.h"
#include "apps/vexil/capture_modes.h"
#include "apps/vexil/copy_image.h"
#include "apps/vexil/find_tool_view.h"
#include "apps/vexil/image_view.h"
#include "apps/vexil/pick_overlay.h"
#include "apps/vexil/print_image.h"
#include "apps/vexil/screen_grab.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

namespace vexil {

const PostCaptureSetting kPostCaptureSettings[9] = {
    {0x001, 32778, "Gray Scale", {"ConvertToGray", -1, 0}},
    {0x002, 32780, "Invert Color", {"InvertPicHelper", 4, 2}},
    {0x004, 32787, "Flip Horizontally", {"FlipHorz", -1, 0}},
    {0x008, 32788, "Flip Vertically", {"FlipVert", -1, 0}},
    {0x010, 32791, "Sharpen", {"Sharpen", 1, 3}},
    {0x020, 32792, "Blur", {"Blur", 1, 3}},
    {0x040, 32795, "Brighten", {"AdjustBrightnessContrast", 1, 80}},
    {0x080, 32796, "Darken", {"AdjustBrightnessContrast", 1, -80}},
    {0x100, 32797, "Copy To Clipboard", {nullptr, -1, 0}},
};

const QuickTool kQuickTools[9] = {
    {32777, "Convert to Gray", {"ConvertToGray", -1, 0}},
    {32779, "Invert Color", {"InvertPicHelper", 4, 2}},
    {32783, "Contrast Balance", {"HistogramEq", 1, 8}},
    {32785, "Flip Horizontally", {"FlipHorz", -1, 0}},
    {32786, "Flip Vertically", {"FlipVert", -1, 0}},
    {32789, "Sharpen", {"Sharpen", 1, 3}},
    {32790, "Blur", {"Blur", 1, 3}},
    {32793, "Brighter", {"AdjustBrightnessContrast", 1, 80}},
    {32794, "Darker", {"AdjustBrightnessContrast", 1, -80}},
};

CMainFrame::CMainFrame() {
  setObjectName("VexilMainFrame");
  setAcceptDrops(true);
  stack_ = new QStackedWidget;
  imageView_ = new ImageView;
  panel_ = new FindToolView;
  stack_->addWidget(imageView_);
  stack_->addWidget(panel_);
  setCentralWidget(stack_);
  BuildActions();
  BuildMenus();
  connect(panel_, &FindToolView::TypeChosen, this, [this](int mode) {
    mode_ = mode;
    armed_ = true;
    panel_->SetMode(mode);
  });
  connect(panel_, &FindToolView::FindToolPressed, this, [this] { BeginPick(panel_->TypeMode()); });
  connect(panel_, &FindToolView::DirectCapture, this, &CMainFrame::StartCapture);
  connect(&runner_, &CaptureRunner::Finished, this, &CMainFrame::CaptureFinished);
  keys_ = new CaptureKeys(this);
  connect(keys_, &CaptureKeys::CaptureRequested, this, [this](int mode) {
    // A capture hides every window of Vexil, and an open dialog hidden that way could not be answered.
    if (!CaptureRunning() && !QApplication::activeModalWidget()) StartCapture(mode);
  });
  SetTitleText({});
  ShowImageView();
}

CMainFrame::~CMainFrame() {
  delete overlay_;
}

QAction* CMainFrame::AddAction(int id, const QString& text, const QKeySequence& key) {
  auto* action = new QAction(text, this);
  action->setData(id);
  if (!key.isEmpty()) action->setShortcut(key);
  connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  actions_.insert(id, action);
  return action;
}

void CMainFrame::BuildActions() {
  AddAction(kCmOpenFile, tr("&Open File..."), QKeySequence("Ctrl+O"));
  AddAction(kCmCopy, tr("&Copy To Clipboard"), QKeySequence("Ctrl+C"));
  AddAction(kCmSaveAs, tr("&Save As ..."), QKeySequence("Ctrl+S"));
  AddAction(kCmPrint, tr("&Print..."), QKeySequence("Ctrl+P"));
  AddAction(kCmClearImage, tr("&Clear Image"), QKeySequence("Ctrl+X"));
  AddAction(kCmExit, tr("E&xit"));
  for (int i = 0; i < 4; ++i) AddAction(kCmRecentFirst + i, QString());
  AddAction(kCmSnapshot, tr("&Snapshot"), QKeySequence("Ctrl+A"));
  AddAction(kCmViewCaptured, tr("&View Captured"), QKeySequence("Ctrl+V"));
  AddAction(kCmFullScreen, tr("&Full Screen"), QKeySequence("Ctrl+F"));
  AddAction(kCmUndo, tr("&Undo Last Change"), QKeySequence("Ctrl+Z"));
  AddAction(kCmRedo, tr("&Redo Last Change"), QKeySequence("Ctrl+Y"));
  AddAction(kCmRepeatCapture, tr("Repeat &Capture"), QKeySequence("F5"));
  AddAction(kCaptureWindow, tr("&Window"));
  AddAction(kCaptureClientArea, tr("&Client Area"));
  AddAction(kCaptureRectangle, tr("&Rectangle"));
  // The capture keys work from anywhere through the grab; the menu only names them.
  AddAction(kCaptureActiveWindow, tr("&Active Window\tAlt+PrintScreen"));
  AddAction(kCaptureDesktop, tr("&Desktop\tPrintScreen"));
  AddAction(kCmCaptureKeys, tr("Capture &Keys..."));
  for (const PostCaptureSetting& setting : kPostCaptureSettings) {
    AddAction(setting.command, tr(setting.text))->setCheckable(true);
  }
  for (const QuickTool& tool : kQuickTools) AddAction(tool.command, tr(tool.text));
  AddAction(kCmManual, tr("Vexil &Manual"), QKeySequence("F1"));
  AddAction(kCmAbout, tr("&About Vexil..."));
  if (!printing_available()) Action(kCmPrint)->setToolTip(printing_unavailable_text());
}

void CMainFrame::BuildMenus() {
  menuBar()->setNativeMenuBar(false);
  auto menu = [this](const QString& title, std::initializer_list<int> ids) {
    auto* m = new QMenu(title, this);
    for (int id : ids) {
      if (id) {
        m->addAction(Action(id));
      } else {
        m->addSeparator();
      }
    }
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
    m->setToolTipsVisible(true);
    return m;
  };
  QMenu* file = menu(tr("&File"), {kCmOpenFile, kCmCopy, kCmSaveAs, kCmPrint, kCmClearImage, 0});
  recentMenu_ = file;
  for (int i = 0; i < 4; ++i) file->addAction(Action(kCmRecentFirst + i));
  file->addSeparator();
  file->addAction(Action(kCmExit));
  QMenu* edit = menu(tr("&Edit"), {kCmUndo, kCmRedo});
  QMenu* view = menu(tr("&View"), {kCmSnapshot, kCmFullScreen, 0, kCmRepeatCapture});
  QMenu* tools = new QMenu(tr("&Tools"), this);
  connect(tools, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
  for (const QuickTool& tool : kQuickTools) tools->addAction(Action(tool.command));
  QMenu* help = menu(tr("&Help"), {kCmManual, kCmAbout});
  imageMenus_ = {file, edit, view, tools, help};

  QMenu* panelFile = menu(tr("&File"), {kCmViewCaptured, kCmFullScreen, 0, kCmExit});
  QMenu* capture =
      menu(tr("&Capture"), {kCaptureWindow, kCaptureClientArea, kCaptureRectangle, kCaptureActiveWindow,
                            kCaptureDesktop, 0, kCmRepeatCapture, 0, kCmCaptureKeys});
  QMenu* settings = new QMenu(tr("&Post Capture Settings"), this);
  connect(settings, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
  for (const PostCaptureSetting& setting : kPostCaptureSettings) settings->addAction(Action(setting.command));
  panelMenus_ = {panelFile, capture, settings, help};
  UpdateRecentFiles();
}

void CMainFrame::SetMenus(const QList<QMenu*>& menus) {
  menuBar()->clear();
  for (QMenu* m : menus) menuBar()->addMenu(m);
  UpdateCommands();
}

void CMainFrame::UpdateCommands() {
  const bool image = image_.HasImage();
  for (int id : {kCmCopy, kCmSaveAs}) Action(id)->setEnabled(image);
  for (const QuickTool& tool : kQuickTools) Action(tool.command)->setEnabled(image);
  Action(kCmPrint)->setEnabled(image && printing_available());
  Action(kCmClearImage)->setEnabled(image || startup_);
  Action(kCmFullScreen)->setEnabled(image || (startup_ && HasStartupPicture()));
  Action(kCmUndo)->setEnabled(image_.CanUndo());
  Action(kCmRedo)->setEnabled(image_.CanRedo() && !image_.CanUndo());
  Action(kCmRepeatCapture)->setEnabled(hasLast_ && !CaptureRunning());
  for (const PostCaptureSetting& setting : kPostCaptureSettings) {
    Action(setting.command)->setChecked((postCapture_ & setting.bit) != 0);
  }
}

void CMainFrame::RunCommand(int id) {
  for (const PostCaptureSetting& setting : kPostCaptureSettings) {
    if (id == setting.command) return SetPostCaptureBits(postCapture_ ^ setting.bit);
  }
  for (const QuickTool& tool : kQuickTools) {
    if (id == tool.command) {
      ApplyTool(tool.tool);
      RefreshImage();
      return;
    }
  }
  if (id >= kCmRecentFirst && id < kCmRecentFirst + 4) {
    OpenFile(Action(id)->property("path").toString());
    return;
  }
  switch (id) {
    case kCmOpenFile:
      return OpenFromDialog();
    case kCmCopy:
      return copy_to_clipboard(image_.ToQImage());
    case kCmSaveAs:
      return SaveAs();
    case kCmPrint:
      if (image_.HasImage() && printing_available()) print_image(this, image_.ToQImage());
      return;
    case kCmClearImage:
      ClearImage();
      return;
    case kCmExit:
      close();
      return;
    case kCmSnapshot:
      return ShowCapturePanel();
    case kCmViewCaptured:
      return ShowImageView();
    case kCmFullScreen:
      return ShowFullScreen();
    case kCmUndo:
    case kCmRedo:
      if (id == kCmUndo ? image_.Undo() : image_.Redo()) {
        image_.SetModified(true);
        RefreshImage();
      }
      return;
    case kCmRepeatCapture:
      return RepeatCapture();
    case kCaptureWindow:
    case kCaptureClientArea:
    case kCaptureRectangle:
    case kCaptureActiveWindow:
    case kCaptureDesktop:
      return StartCapture(id);
    case kCmCaptureKeys:
      return ChooseCaptureKeys();
    case kCmManual:
      return ShowManual();
    case kCmAbout:
      return ShowAbout();
  }
}

// Only the shown view counts toward the window's minimum size: the panel must not hold a small image's
// window open, nor the image view the panel's.
void CMainFrame::SelectPage(QWidget* page) {
  for (QWidget* each : {static_cast<QWidget*>(imageView_), static_cast<QWidget*>(panel_)}) {
    const auto policy = each == page ? QSizePolicy::Preferred : QSizePolicy::Ignored;
    each->setSizePolicy(policy, policy);
  }
  stack_->setCurrentWidget(page);
  stack_->adjustSize();
}

void CMainFrame::ShowImageView() {
  activeView_ = kImageView;
  SelectPage(imageView_);
  SetMenus(imageMenus_);
  SizeToImage();
}

void CMainFrame::ShowCapturePanel() {
  activeView_ = kCapturePanel;
  SelectPage(panel_);
  SetMenus(panelMenus_);
  const QSize wanted = panel_->sizeHint().expandedTo(panel_->minimumSizeHint());
  resize(wanted.width(), wanted.height() + menuBar()->sizeHint().height());
}

void CMainFrame::SizeToImage() {
  QImage shown = image_.HasImage() ? imageView_->Image() : (startup_ ? startupPicture_ : QImage());
  if (shown.isNull() || !screen()) return;
  const QRect available = screen()->availableGeometry();
  // At most eight tenths of the screen, scroll bars and menu included.
  const int scrollExtra = 2 * imageView_->frameWidth() + 2;
  const int width = std::min(shown.width() + scrollExtra, available.width() * 8 / 10);
  const int height =
      std::min(shown.height() + scrollExtra + menuBar()->sizeHint().height(), available.height() * 8 / 10);
  resize(std::max(width, 320), std::max(height, 120));
  move(available.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void CMainFrame::RefreshImage() {
  imageView_->SetImage(image_.ToQImage());
  UpdateCommands();
}

void CMainFrame::SetTitleText(const QString& text) {
  if (text.isEmpty()) return setWindowTitle("Vexil");
  setWindowTitle(text.contains("Vexil") ? text : text + " - Vexil");
}

void CMainFrame::SetPostCaptureBits(unsigned bits) {
  postCapture_ = bits & 0x1FF;
  UpdateCommands();
}

void CMainFrame::ChangeCaptureFlags(unsigned quality, unsigned toggleBits) {
  if (quality < 0x10000) saveQuality_ = static_cast<int>(quality);
  SetPostCaptureBits((postCapture_ & toggleBits) ? postCapture_ & ~toggleBits : postCapture_ | toggleBits);
}

void CMainFrame::Activate(bool show) {
  if (!show) return hide();
  if (isMinimized()) showNormal();
  this->show();
  raise();
  activateWindow();
}

bool CMainFrame::ApplyTool(const ImageTool& tool) {
  if (!tool.operation) {
    copy_to_clipboard(image_.ToQImage());
    return true;
  }
  return image_.Apply(tool);
}

void CMainFrame::ShowFullScreen() {
  const QImage picture = image_.HasImage() ? image_.ToQImage() : startupPicture_;
  if (picture.isNull()) return;
  auto* view = new FullScreenView(picture);
  view->setObjectName("FullScreenView");
  view->showFullScreen();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile() && OpenFile(url.toLocalFile())) break;
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (image_.Modified() && !AskToSave()) return event->ignore();
  event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
  // A minimised Vexil comes back ready to capture.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && activeView_ == kImageView)
    ShowCapturePanel();
  QMainWindow::changeEvent(event);
}

void CMainFrame::GrabCaptureKeys() {
  const QStringList taken = keys_->Grab(desktop_key(), active_window_key());
  // Said once: a desktop that keeps PrintScreen for itself would otherwise hear of it at every start.
  auto settings = pqt::profile();
  const QString reported = taken.join(", ");
  if (taken.isEmpty() || settings->value("Keys/ReportedTaken").toString() == reported) {
    settings->setValue("Keys/ReportedTaken", reported);
    return;
  }
  settings->setValue("Keys/ReportedTaken", reported);
  pcore::message_box().show(
      this,
      tr("Another program already uses %1, so Vexil cannot capture with it. Choose other keys with "
         "Capture > Capture Keys... on the capture panel.")
          .arg(taken.join(tr(" and ")))
          .toStdString(),
      "Vexil", pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
}

void CMainFrame::ChooseCaptureKeys() {
  QDialog dialog(this);
  dialog.setWindowTitle(tr("Capture Keys"));
  auto* form = new QFormLayout(&dialog);
  auto* desktop = new QKeySequenceEdit(desktop_key());
  auto* active = new QKeySequenceEdit(active_window_key());
  form->addRow(tr("&Desktop:"), desktop);
  form->addRow(tr("&Active Window:"), active);
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowManual("keys"); });
  connect(new QShortcut(QKeySequence::HelpContents, &dialog), &QShortcut::activated, this,
          [this] { ShowManual("keys"); });
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return;
  // One chord each: the grab takes a single key with its modifiers.
  auto first = [](const QKeySequence& keys) {
    return keys.isEmpty() ? QKeySequence() : QKeySequence(keys[0]);
  };
  store_capture_keys(first(desktop->keySequence()), first(active->keySequence()));
  // A key chosen now and found taken is news, even if it was reported before.
  pqt::profile()->remove("Keys/ReportedTaken");
  GrabCaptureKeys();
}

void CMainFrame::ShowManual(const QString& section) {
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {here + "/../../manual/vexil.html", here + "/../share/doc/vexil/manual/vexil.html"}) {
    if (QFile::exists(candidate)) {
      QUrl page = QUrl::fromLocalFile(candidate);
      page.setFragment(section);
      QDesktopServices::openUrl(page);
      return;
    }
  }
}

void CMainFrame::ShowAbout() {
  QMessageBox box(this);
  box.setWindowTitle(tr("About Vexil"));
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText(tr("<h3>Vexil %1</h3><p>Screen capture for the Linux desktop.</p>")
                  .arg(QApplication::applicationVersion()));
  box.exec();
}

}  // namespace vexil
