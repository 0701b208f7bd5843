#include "ivorel/windows/frame/mdi_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "imgfile/codaxe.h"
#include "ivorel/acquire/source_manager.h"
#include "ivorel/processing/processing.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/native_look.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

QString CIMDIFrameWnd::m_strTabSel = CIMDIFrameWnd::kWantTheFirstTab;
QWidget* CIMDIFrameWnd::m_pPaletteDialog = nullptr;
void (*CIMDIFrameWnd::pPopupImageProcessingParameterFrame)(QWidget*, const char*) = nullptr;
void (*CIMDIFrameWnd::pPopupImageProcessingPreviewDialog)(QWidget*, const char*) = nullptr;
void (*CIMDIFrameWnd::pApplyImageProcessingFromUI)(ImageDescriptorAndDisplayObj*, QWidget*) = nullptr;
void (*CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg)(int) = nullptr;

namespace {

// The frame's open dialog: the suite's types in their historical order (the remembered index depends on
// it), PNG, then every file.
std::vector<pcore::FileFilter> open_filters() {
  return {{"BMP Files", "*.bmp"}, {"GIF Files", "*.gif"},        {"DIB Files", "*.dib"},
          {"RLE Files", "*.rle"}, {"TIF Files", "*.tif;*.tiff"}, {"JPG Files", "*.jpg;*.jpeg;*.jpe"},
          {"TGA Files", "*.tga"}, {"PCX Files", "*.pcx"},        {"PNG Files", "*.png"},
          {"All Files", "*.*"}};
}

}  // namespace

CIMDIFrameWnd::CIMDIFrameWnd(QWidget* parent) : QMainWindow(parent), ImageFrameWindow(mdiArea_, self_) {
  InitImageProcDLL();
  setObjectName("ImageFrameWindow");
  started_.start();
  OnCreate();
}

CIMDIFrameWnd::~CIMDIFrameWnd() {
  // The engine winds the scanner down as the frame goes; no source request may reach a frame that is gone.
  scan::set_message_notifier(nullptr);
  // Children talk to the frame while they go; let them go first.
  if (mdiArea_) {
    for (QMdiSubWindow* sub : mdiArea_->subWindowList()) {
      if (auto* child = qobject_cast<CMDIChildImageWnd*>(sub)) child->AttachHost(nullptr);
      delete sub;
    }
  }
}

bool CIMDIFrameWnd::OnCreate() {
  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName("MdiClient");
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this,
          [this, previous = QPointer<CMDIChildImageWnd>()](QMdiSubWindow* sub) mutable {
            auto* child = qobject_cast<CMDIChildImageWnd*>(sub);
            if (child && child->Destroying()) child = nullptr;
            if (previous && previous->Destroying()) previous = nullptr;
            if (previous && previous != child)
              previous->EvMDIActivate(child ? child->Handle() : nullptr, previous->Handle());
            if (child) child->EvMDIActivate(child->Handle(), previous ? previous->Handle() : nullptr);
            previous = child;
            UpdateCommandStates();
          });

  resize(1000, 720);
  CreateActions();
  CreateZoomShortcuts();
  CreateMenus();
  CreateToolBars();
  CreateStatusBar();
  LoadSettings();
  SetupWindow();
  ivorel::help::install_f1_handler();
  setAcceptDrops(true);
  UpdateCommandStates();
  return true;
}

// ---- Settings

void CIMDIFrameWnd::LoadSettings() {
  auto settings = pqt::profile();
  const QString pos = settings->value("Settings/WindowPos").toString();
  const QStringList parts = pos.split(',');
  bool placed = false;
  if (parts.size() == 10) {
    int v[10];
    bool ok = true;
    for (int i = 0; i < 10 && ok; ++i) v[i] = parts[i].toInt(&ok);
    const QRect normal(QPoint(v[6], v[7]), QPoint(v[8] - 1, v[9] - 1));
    QScreen* screen = QGuiApplication::screenAt(normal.center());
    if (ok && normal.width() > 100 && normal.height() > 100 && screen) {
      setGeometry(normal);
      if (v[0] & 2) setWindowState(windowState() | Qt::WindowMaximized);
      placed = true;
    }
  }
  if (!placed) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect s = screen->availableGeometry();
      resize(std::min(width(), s.width() - 40), std::min(height(), s.height() - 60));
      move(s.center() - rect().center());
    }
  }
  restoreState(settings->value("General/BarState").toByteArray());
  openFilterIndex_ = std::max(1, settings->value("General/SFDFilter", 1).toInt());
}

void CIMDIFrameWnd::SaveSettings() {
  auto settings = pqt::profile();
  settings->setValue("General/BarState", saveState());
  settings->setValue("General/SFDFilter", openFilterIndex_);
  const QRect n = normalGeometry().isValid() ? normalGeometry() : geometry();
  const unsigned flags = isMaximized() ? 2 : 0;
  // A frame closed while minimised starts normal next time.
  const unsigned show = isMaximized() ? 3 : 1;
  settings->setValue("Settings/WindowPos",
                     QString::asprintf("%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", flags, show, -1, -1, -1, -1, n.left(),
                                       n.top(), n.right() + 1, n.bottom() + 1));
}

// ---- Events

void CIMDIFrameWnd::closeEvent(QCloseEvent* event) {
  if (!CanClose()) {
    event->ignore();
    return;
  }
  SaveSettings();
  event->accept();
}

void CIMDIFrameWnd::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CIMDIFrameWnd::dropEvent(QDropEvent* event) {
  activateWindow();
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  OpenImageFiles(paths);
}

bool CIMDIFrameWnd::event(QEvent* e) {
  if (ivorel::deliver_source_event(*this, e)) return true;
  if (e->type() == static_cast<QEvent::Type>(ivorel::kMsgMenuUpdate)) {
    auto* message = static_cast<ivorel::ImageWindowEvent*>(e);
    MyEvUpdateMenu(reinterpret_cast<const _MENUUPDATE*>(message->lParam));
    return true;
  }
  return QMainWindow::event(e);
}

// ---- Opening and new images

void CIMDIFrameWnd::SetDocTemplate(CEditDrawImageTemplate* docTemplate) {
  template_ = docTemplate;
  if (template_) template_->SetFrame(this);
}

CMDIChildImageWnd* CIMDIFrameWnd::OpenImageFile(const QString& path) {
  if (!template_) return nullptr;
  const QByteArray local = path.toLocal8Bit();
  if (Compand::FileTypeFromName(local.constData()) == CT_NONE) {
    // The file is named too: files from the command line or another start arrive without a dialog.
    pcore::message_box().show(
        this,
        "Unsupported image file type. Please choose another.\n\n" + ivorel::shown_path(path).toStdString(),
        "User Advisory", pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
    return nullptr;
  }
  CMDIChildImageWnd* opened = template_->OpenDocumentFile(local.constData(), true);
  if (opened) ivorel::add_recent_file(path);
  return opened;
}

void CIMDIFrameWnd::OpenImageFiles(const QStringList& paths) {
  for (const QString& path : paths) OpenImageFile(path);
}

QStringList CIMDIFrameWnd::AskForImageFiles(const char* title, std::vector<pcore::FileFilter> filters,
                                            bool multiple, int& filterIndex, QString& directory) {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.owner = this;
  request.title = title;
  request.filters = std::move(filters);
  request.filterIndex = filterIndex;
  request.allowMultiple = multiple;
  if (directory.isEmpty()) directory = ivorel::last_open_folder();
  request.initialName = directory.toStdString();
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return {};
  if (request.filterIndex > 0) filterIndex = request.filterIndex;
  directory = QFileInfo(QString::fromStdString(request.path)).absolutePath();
  ivorel::set_last_open_folder(directory);
  QStringList paths;
  for (const std::string& p : multiple ? request.paths : std::vector<std::string>{request.path})
    paths << QString::fromStdString(p);
  return paths;
}

void CIMDIFrameWnd::CmFileOpen() {
  const QStringList paths =
      AskForImageFiles("Select an Image File", open_filters(), false, openFilterIndex_, openDirectory_);
  if (!paths.isEmpty()) OpenImageFile(paths.front());
}

void CIMDIFrameWnd::MyOnFileNew() {
  if (!template_) return;
  ImageDescriptorAndDisplayObj bare;
  _IMAGEDESCRIPTOR made;
  {
    TProcessImageEx processor(&bare);
    if (!processor.CreateEmptyImage(made)) return;
  }
  template_->OpenFromDescriptor(made, true);
}

// ---- Status bar

void CIMDIFrameWnd::SetPositionText(const QString& text) {
  if (positionPane_) positionPane_->setText(text);
}

void CIMDIFrameWnd::ShowPrompt(const QString& text) {
  statusBar()->showMessage(text);
}
