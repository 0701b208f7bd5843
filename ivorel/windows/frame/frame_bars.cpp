// The frame's menus, five toolbars and status bar, all made from the command table.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/frame/undo_history.h"
#include "platform/core/system_memory.h"

namespace cmd = ivorel::cmd;

namespace {

// Icons of the commands that have no standard one: a short glyph drawn on a rounded tile.
QIcon glyph_icon(const QString& glyph, QColor tile) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(tile);
  p.setPen(tile.darker(140));
  p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPixelSize(glyph.size() <= 1 ? 20 : glyph.size() == 2 ? 15 : 11);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
  return QIcon(pixmap);
}

QIcon command_icon(int id, const QStyle* style) {
  const QColor view(52, 101, 164), image(78, 154, 6), capture(204, 0, 0), window(117, 80, 123);
  switch (id) {
    case cmd::kFileNew:
      return style->standardIcon(QStyle::SP_FileIcon);
    case cmd::kOpen:
    case cmd::kFileOpenMany:
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case cmd::kSave:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case cmd::kClose:
      return style->standardIcon(QStyle::SP_DialogCloseButton);
    case cmd::kViewInformation:
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case cmd::kHelp:
      return style->standardIcon(QStyle::SP_DialogHelpButton);
    case cmd::kUndo:
      return style->standardIcon(QStyle::SP_ArrowBack);
    case cmd::kRedo:
      return style->standardIcon(QStyle::SP_ArrowForward);
    case cmd::kCopy:
      return glyph_icon("C", QColor(136, 138, 133));
    case cmd::kPaste:
      return glyph_icon("P", QColor(136, 138, 133));
    case cmd::kPrint:
      return glyph_icon("Pr", QColor(136, 138, 133));
    case cmd::kViewToScale:
      return glyph_icon("1:1", view);
    case cmd::kViewToFit:
      return glyph_icon("\u2922", view);
    case cmd::kViewToFitAspect:
      return glyph_icon("\u25a3", view);
    case cmd::kViewNormal:
      return glyph_icon("100", view);
    case cmd::kViewZoom2X:
      return glyph_icon("2\u00d7", view);
    case cmd::kViewZoom4X:
      return glyph_icon("4\u00d7", view);
    case cmd::kViewZoom8X:
      return glyph_icon("8\u00d7", view);
    case cmd::kViewZoomIn2X:
      return glyph_icon("\u00bd", view);
    case cmd::kViewZoomIn4X:
      return glyph_icon("\u00bc", view);
    case cmd::kViewZoomIn8X:
      return glyph_icon("\u215b", view);
    case cmd::kFullScreen:
      return glyph_icon("\u26f6", view);
    case cmd::kDuplicate:
      return glyph_icon("D", image);
    case cmd::kRotateCW:
      return glyph_icon("\u21bb", image);
    case cmd::kRotateCCW:
      return glyph_icon("\u21ba", image);
    case cmd::kMirrorVert:
      return glyph_icon("\u21c4", image);
    case cmd::kMirrorHorz:
      return glyph_icon("\u21c5", image);
    case cmd::kCrop:
      return glyph_icon("\u2702", image);
    case cmd::kResize:
      return glyph_icon("\u2921", image);
    case cmd::kGray:
      return glyph_icon("G", image);
    case cmd::kPromote:
      return glyph_icon("24", image);
    case cmd::kBrightness:
      return glyph_icon("\u263c", image);
    case cmd::kToolkit:
      return glyph_icon("T", QColor(196, 160, 0));
    case cmd::kCaptureScreen:
      return glyph_icon("S", capture);
    case cmd::kCaptureExcludingSelf:
      return glyph_icon("S\u2013", capture);
    case cmd::kCaptureWindowBehind:
      return glyph_icon("W", capture);
    case cmd::kCaptureSelf:
      return glyph_icon("F", capture);
    case cmd::kCascade:
      return glyph_icon("\u29c9", window);
    case cmd::kTileVertical:
      return glyph_icon("\u25eb", window);
    case cmd::kTileHorizontal:
      return glyph_icon("\u229f", window);
    case cmd::kAbout:
    case cmd::kAppAbout:
      return glyph_icon("?", QColor(136, 138, 133));
    default:
      return {};
  }
}

QKeySequence command_shortcut(int id) {
  switch (id) {
    case cmd::kFileNew:
      return QKeySequence::New;
    case cmd::kFileOpenMany:
      return QKeySequence::Open;
    case cmd::kSave:
      return QKeySequence::Save;
    case cmd::kSaveAs:
      // Not every desktop's key theme binds SaveAs.
      return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    case cmd::kClose:
      return QKeySequence(Qt::CTRL | Qt::Key_W);
    case cmd::kToggleMainMenu:
      return QKeySequence(Qt::CTRL | Qt::Key_M);
    case cmd::kUndo:
      return QKeySequence::Undo;
    case cmd::kRedo:
      return QKeySequence::Redo;
    case cmd::kCopy:
      return QKeySequence::Copy;
    case cmd::kPaste:
      return QKeySequence::Paste;
    case cmd::kDuplicate:
      return QKeySequence(Qt::CTRL | Qt::Key_D);
    case cmd::kViewNormal:
      return QKeySequence(Qt::CTRL | Qt::Key_0);
    case cmd::kFullScreen:
      return QKeySequence(Qt::Key_F11);
    case cmd::kViewInformation:
      return QKeySequence(Qt::CTRL | Qt::Key_I);
    case cmd::kHelp:
      return QKeySequence::HelpContents;
    case cmd::kExit:
      return QKeySequence::Quit;
    default:
      return {};
  }
}

bool checkable(const ivorel::FrameCommand& c) {
  if (c.checkedIndex >= 0) return true;
  switch (c.id) {
    case cmd::kToggleToolbar:
    case cmd::kToggleStatusBar:
    case cmd::kToggleSelectionBar:
    case cmd::kToggleCaptureBar:
    case cmd::kToggleMaskBar:
    case cmd::kToggleMainMenu:
    case cmd::kToggleConfigBar:
    case cmd::kToggleStrengthBar:
    case cmd::kTogglePalette:
      return true;
    default:
      return false;
  }
}

}  // namespace

void CIMDIFrameWnd::CreateActions() {
  ivorel::ensure_icon_theme();
  for (const ivorel::FrameCommand& c : ivorel::frame_commands()) {
    auto* action = new QAction(QString::fromUtf8(c.text), this);
    action->setData(c.id);
    action->setObjectName(QString("command%1").arg(c.id));
    const char* end = ivorel::prompt_line_end(c.prompt);
    const QString status = QString::fromUtf8(c.prompt, static_cast<int>(end - c.prompt));
    action->setStatusTip(status);
    action->setToolTip(*end               ? QString::fromUtf8(end + 1)
                       : status.isEmpty() ? action->text().remove('&')
                                          : status);
    action->setIcon(ivorel::themed_command_icon(c.id, command_icon(c.id, style())));
    action->setShortcut(command_shortcut(c.id));
    action->setCheckable(checkable(c));
    // A checked entry shows its check mark in menus; the icon is for the toolbars.
    if (action->isCheckable()) action->setIconVisibleInMenu(false);
    const int id = c.id;
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    actions_.insert(c.id, action);
  }
  CreateSelectionActions();
}

QMenu* CIMDIFrameWnd::AddMenu(QMenu* parent, const char* title, std::initializer_list<int> ids) {
  QMenu* menu = parent ? parent->addMenu(tr(title)) : menuBar()->addMenu(tr(title));
  for (int id : ids) {
    if (id == 0)
      menu->addSeparator();
    else if (QAction* action = actions_.value(id))
      menu->addAction(action);
  }
  // Enabling follows the image and the clipboard; refresh it whenever a menu opens.
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
  return menu;
}

void CIMDIFrameWnd::CreateMenus() {
  QMenu* file = AddMenu(nullptr, "&File",
                        {cmd::kFileNew, cmd::kFileOpenMany, cmd::kOpen, cmd::kClose, 0, cmd::kSave,
                         cmd::kSaveAs, 0, cmd::kSelectScanner, cmd::kAcquire, 0, cmd::kPrintSetup,
                         cmd::kImageLayout, cmd::kPrintPreview, cmd::kPrint, 0});
  AddMenu(file, "&Capture",
          {cmd::kCaptureScreen, cmd::kCaptureExcludingSelf, cmd::kCaptureWindowBehind, cmd::kCaptureSelf});
  ivorel::add_recent_files_menu(this, file);
  file->addSeparator();
  file->addAction(actions_.value(cmd::kExit));

  QMenu* edit = AddMenu(nullptr, "&Edit",
                        {cmd::kUndo, cmd::kRedo, 0, cmd::kCopy, cmd::kPaste, cmd::kEmptyClipboard, 0,
                         cmd::kDuplicate, cmd::kCrop});
  ivorel::add_undo_history_menu(this, edit);

  QMenu* view =
      AddMenu(nullptr, "&View",
              {cmd::kViewToScale, cmd::kViewToFit, cmd::kViewToFitAspect, 0, cmd::kViewNormal,
               cmd::kViewZoom2X, cmd::kViewZoom4X, cmd::kViewZoom8X, cmd::kViewZoomIn2X, cmd::kViewZoomIn4X,
               cmd::kViewZoomIn8X, 0, cmd::kFullScreen, cmd::kViewInformation, 0});
  AddMenu(view, "&Bars",
          {cmd::kToggleToolbar, cmd::kToggleStatusBar, cmd::kToggleSelectionBar, cmd::kToggleCaptureBar,
           cmd::kToggleMaskBar, cmd::kToggleConfigBar, cmd::kToggleStrengthBar, 0, cmd::kTogglePalette,
           cmd::kToggleMainMenu});

  QMenu* image = AddMenu(nullptr, "&Image",
                         {cmd::kRotateCW, cmd::kRotateCCW, 474, cmd::kMirrorVert, cmd::kMirrorHorz, 483, 0,
                          cmd::kResize, 475, cmd::kCrop, 0});
  AddMenu(image, "&Colours",
          {cmd::kBrightness, 476, 479, 423, 0, cmd::kGray, cmd::kInvert, 432, 433, 0, cmd::kColorize});
  AddMenu(image, "&Depth", {424, 425, 488, 489, 0, cmd::kPromote, 428});

  QMenu* filters = AddMenu(nullptr, "F&ilters", {451, 452, 459, 0, 408, 409, 410, 0, 411, 412, 413, 0});
  AddMenu(filters, "&Edge Enhance", {414, 415, 416, 417, 418, 419, 420, 421});
  filters->addSeparator();
  for (int id : {453, 490, 422, 491}) filters->addAction(actions_.value(id));

  AddMenu(nullptr, "E&ffects", {454, 455, 478, 473, 477, 0,   456, 457, 458, 460, 0,
                                471, 472, 482, 484, 486, 496, 487, 485, 0,   480, 481});

  CreateSelectionMenu();
  AddMenu(nullptr, "&Tools", {cmd::kToolkit, cmd::kScripting, 0, cmd::kDragDropOpen});

  windowMenu_ = AddMenu(
      nullptr, "&Window",
      {cmd::kCascade, cmd::kTileVertical, cmd::kTileHorizontal, cmd::kArrangeIcons, 0, cmd::kCloseAll});
  // The window list below the window commands, rebuilt each time the menu opens.
  connect(windowMenu_, &QMenu::aboutToShow, this, [this] {
    for (QAction* a : windowMenu_->actions())
      if (a->property("windowEntry").toBool()) windowMenu_->removeAction(a), a->deleteLater();
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (!windows.isEmpty()) windowMenu_->addSeparator()->setProperty("windowEntry", true);
    int n = 1;
    for (QMdiSubWindow* sub : windows) {
      QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(n++).arg(sub->windowTitle()));
      a->setProperty("windowEntry", true);
      a->setCheckable(true);
      a->setChecked(sub == mdiArea_->activeSubWindow());
      connect(a, &QAction::triggered, this, [this, sub] { mdiArea_->setActiveSubWindow(sub); });
    }
  });

  AddMenu(nullptr, "&Help", {cmd::kHelp, 0, cmd::kAppAbout, cmd::kAbout});
}

QToolBar* CIMDIFrameWnd::AddToolBar(int barId, const char* title, std::initializer_list<int> ids) {
  QToolBar* bar = new QToolBar(tr(title), this);
  bar->setObjectName(QString("ToolBar%1").arg(barId));
  bar->setIconSize(QSize(22, 22));
  for (int id : ids) {
    if (id == 0)
      bar->addSeparator();
    else if (QAction* action = actions_.value(id))
      bar->addAction(action);
  }
  toolbars_.insert(barId, bar);
  return bar;
}

void CIMDIFrameWnd::CreateToolBars() {
  QToolBar* main = AddToolBar(128, "Main",
                              {cmd::kFileNew,
                               cmd::kFileOpenMany,
                               cmd::kSave,
                               0,
                               cmd::kUndo,
                               cmd::kRedo,
                               cmd::kCopy,
                               cmd::kPaste,
                               0,
                               cmd::kViewToScale,
                               cmd::kViewToFitAspect,
                               cmd::kViewNormal,
                               cmd::kViewZoom2X,
                               cmd::kViewZoomIn2X,
                               cmd::kFullScreen,
                               0,
                               cmd::kRotateCCW,
                               cmd::kRotateCW,
                               cmd::kMirrorVert,
                               cmd::kMirrorHorz,
                               0,
                               cmd::kBrightness,
                               cmd::kGray,
                               cmd::kToolkit,
                               0,
                               cmd::kViewInformation,
                               cmd::kAppAbout});
  QToolBar* capture = AddToolBar(
      165, "Screen Capture",
      {cmd::kCaptureScreen, cmd::kCaptureExcludingSelf, cmd::kCaptureWindowBehind, cmd::kCaptureSelf});
  QToolBar* selection = AddToolBar(32770, "Selection", {cmd::kCrop, cmd::kDuplicate});
  QToolBar* selectionOps = AddToolBar(161, "Selection Operations", {});
  QToolBar* mask = AddToolBar(185, "Mask Operation", {});
  addToolBar(Qt::TopToolBarArea, capture);
  addToolBar(Qt::TopToolBarArea, main);
  addToolBar(Qt::TopToolBarArea, selection);
  addToolBar(Qt::TopToolBarArea, selectionOps);
  addToolBar(Qt::TopToolBarArea, mask);
  CreateSelectionBars();
  CreatePaintBars();
  // The combine bar comes up with "More Image Combinations", the mask bar from the Bars menu.
  selectionOps->hide();
  mask->hide();
}

void CIMDIFrameWnd::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  auto pane = [bar](const QString& name, int minimum) {
    auto* label = new QLabel(bar);
    label->setObjectName(name);
    label->setMinimumWidth(minimum);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    bar->addPermanentWidget(label);
    return label;
  };
  positionPane_ = pane("PositionPane", 260);
  imagePane_ = pane("ImagePane", 200);
  colourPane_ = pane("ColourPane", 40);
  memoryPane_ = pane("MemoryPane", 110);
  timerPane_ = pane("TimerPane", 50);
  positionPane_->setText(tr("Click right mouse button to access menu"));
  // The pen and brush colours (black until the painting tools set them).
  QPixmap stamps(28, 14);
  stamps.fill(Qt::transparent);
  {
    QPainter p(&stamps);
    p.setPen(Qt::gray);
    p.setBrush(Qt::black);
    p.drawRect(0, 0, 12, 12);
    p.drawRect(15, 0, 12, 12);
  }
  colourPane_->setPixmap(stamps);
  colourPane_->setToolTip(tr("Pen and brush colours"));
  paneTimer_ = new QTimer(this);
  connect(paneTimer_, &QTimer::timeout, this, [this] {
    UpdateMemoryPane();
    const qint64 seconds = started_.elapsed() / 1000;
    timerPane_->setText(QString::asprintf("%02lld:%02lld", (seconds / 60) % 100, seconds % 60));
  });
  paneTimer_->start(1000);
  // Command states are refreshed while the application idles, as the platform's command updates were, so
  // that changes made by other windows (the toolkit's Apply, the clipboard) show on the toolbars too.
  auto* idle = new QTimer(this);
  connect(idle, &QTimer::timeout, this, [this] {
    if (isVisible() && !isMinimized()) UpdateCommandStates();
  });
  idle->start(300);
  UpdateMemoryPane();
  timerPane_->setText("00:00");
  bar->showMessage(tr("Ready"));
}

void CIMDIFrameWnd::UpdateImagePane() {
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (!active || !active->HasImage()) {
    imagePane_->clear();
    return;
  }
  const _IMAGEDESCRIPTOR& im = active->image;
  QString text = QString::asprintf("Image is %dx%d, %dbits, %dKb", im.width, im.height, im.bitsPerPixel,
                                   static_cast<int>(im.imageSize / 1024));
  text += active->view.viewMode == 1 ? ", " + ivorel::zoom_text(active->view.zoom) : QString(", fitted");
  imagePane_->setText(text);
}

void CIMDIFrameWnd::UpdateMemoryPane() {
  const long long available = std::max<long long>(0, pcore::available_memory_bytes());
  memoryPane_->setText(QString::asprintf("Memory:%4lldMb", available / 1000000));
}
