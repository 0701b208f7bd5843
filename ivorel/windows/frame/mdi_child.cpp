#include "ivorel/windows/frame/mdi_child.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/full_screen_view.h"
#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"
#include "ivorel/windows/frame/undo_history.h"
#include "ivorel/windows/frame/window_placement.h"

CMDIChildImageWnd::CMDIChildImageWnd(CIMDIFrameWnd* frame, const char* fileName)
    : ImageWndFunctions(nullptr, fileName), frame_(frame) {
  Init();
}

CMDIChildImageWnd::CMDIChildImageWnd(CIMDIFrameWnd* frame, const _IMAGEDESCRIPTOR& descriptor)
    : ImageWndFunctions(nullptr, descriptor), frame_(frame) {
  Init();
}

CMDIChildImageWnd::CMDIChildImageWnd(CIMDIFrameWnd* frame, CMDIChildImageWnd& source)
    : ImageWndFunctions(nullptr, source), frame_(frame) {
  Init();
}

void CMDIChildImageWnd::Init() {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("ImageWindow");
  setWindowIcon(QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_FileIcon)
                                                    : QApplication::windowIcon());
  // Room for the caption's title and buttons; a narrower image shows the hatched background beside it.
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("M")) * 18);
  // The sub-window's own menu binds Close to Ctrl+W too, and two owners of one key make Qt run neither:
  // the frame's Close command keeps it.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) {
      QList<QKeySequence> keys = action->shortcuts();
      if (keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W)) > 0) action->setShortcuts(keys);
    }
  }
  view_ = new CDrawView(this);
  setWidget(view_);
  AttachHost(view_);
  imageUndo_ = std::make_unique<COperationUndoRedo>(*this, menuUpdate);
  maskUndo_ = std::make_unique<COperationUndoRedo>(*this, menuUpdate);
  SetUndoLevels(ivorel::undo_levels_setting());
  SetPropA(view_, ivorel::kUndoStoreProperty, imageUndo_.get());
}

CMDIChildImageWnd::~CMDIChildImageWnd() {
  destroying_ = true;
  if (view_) RemovePropA(view_, ivorel::kUndoStoreProperty);
  // The logic must not call a host that Qt is about to delete with this window.
  AttachHost(nullptr);
  // Leaving the MDI area now, while the window logic still exists, so that the activation signals this
  // sends reach a whole window and not one half destroyed.
  if (QMdiArea* area = mdiArea()) area->removeSubWindow(this);
  if (frame_)
    QMetaObject::invokeMethod(
        frame_, [f = frame_] { f->UpdateCommandStates(); }, Qt::QueuedConnection);
}

HWND CMDIChildImageWnd::Handle() const {
  return view_;
}

int CMDIChildImageWnd::MCreate() {
  if (QMdiArea* area = frame_ ? frame_->MdiArea() : nullptr) area->addSubWindow(this);
  // Qt lays a window out only once it is shown, and sizing to the image needs the real frame thickness:
  // a window with an image is shown first, one without never appears.
  if (hasImage) show();
  SettleScrollBars();
  SetupWindow();
  if (hasImage) {
    ivorel::place_in_workspace(this);
    raise();
    if (mdiArea()) mdiArea()->setActiveSubWindow(this);
    view_->setFocus();
  }
  if (frame_) frame_->IncChildCount();
  if (hasImage) ImageChanged();
  return hasImage;
}

void CMDIChildImageWnd::SettleScrollBars() {
  // The scroll area shows and hides its bars on a queued call after their ranges change: until that has
  // run, a bar counts as shown without taking room, and the window would be sized a bar too small.
  if (view_) QCoreApplication::sendPostedEvents(view_, QEvent::MetaCall);
}

void CMDIChildImageWnd::DestroyWindow() {
  destroying_ = true;
  close();
}

bool CMDIChildImageWnd::event(QEvent* e) {
  if (ivorel::ImageWindowEvent::is_image_window_message(e)) {
    auto* message = static_cast<ivorel::ImageWindowEvent*>(e);
    message->result = DispatchImageWindowMessage(static_cast<unsigned>(message->message()), message->wParam,
                                                 message->lParam, description.c_str());
    if (message->message() == ivorel::kMsgSave || message->message() == ivorel::kMsgSaveAs) {
      // A save may have given the image a name and a new title; a file written is one to come back to.
      if (message->result == 1 && named) ivorel::add_recent_file(QString::fromLocal8Bit(FullName().c_str()));
      if (frame_) frame_->UpdateCommandStates();
    }
    return true;
  }
  return QMdiSubWindow::event(e);
}

void CMDIChildImageWnd::closeEvent(QCloseEvent* event) {
  // A stroke in progress is finished first, so the close prompt sees the image whole.
  if (view_ && !destroying_) view_->EndPaintStroke();
  if (!destroying_ && !CanClose()) {
    event->ignore();
    return;
  }
  destroying_ = true;
  QMdiSubWindow::closeEvent(event);
}

COperationUndoRedo& CMDIChildImageWnd::Store() {
  return alphaShown ? *maskUndo_ : *imageUndo_;
}

void CMDIChildImageWnd::SaveUndoData() {
  Store().SaveUndoData();
}

void CMDIChildImageWnd::SaveRedoData() {
  Store().SaveRedoData();
}

int CMDIChildImageWnd::DoUndo(int steps) {
  int done = 0;
  while (done < steps && Store().DoUndo()) ++done;
  if (done) AfterUndoRedo();
  return done > 0;
}

int CMDIChildImageWnd::DoRedo(int steps) {
  int done = 0;
  while (done < steps && Store().DoRedo()) ++done;
  if (done) AfterUndoRedo();
  return done > 0;
}

void CMDIChildImageWnd::SetUndoLevels(int levels) {
  imageUndo_->SetLevels(levels);
  maskUndo_->SetLevels(levels);
}

void CMDIChildImageWnd::NameNextStep(const std::string& name) {
  Store().SetNextStepName(name);
}

int CMDIChildImageWnd::ICanUndo() {
  return Store().ICanUndo();
}

int CMDIChildImageWnd::ICanRedo() {
  return Store().ICanRedo();
}

void CMDIChildImageWnd::AfterUndoRedo() {
  RebuildDisplayObj(0);
  MakeImageDirty();
  InvalidateRect(Handle(), nullptr, 1);
  ImageChanged();
}

void CMDIChildImageWnd::ImageChanged() {
  menuUpdate.item[_MENUUPDATE::kBitsPerPixel] = image.bitsPerPixel;
  if (view.viewMode == 1) CalculateScrollRange(view.zoom, image.width, image.height);
  SendMenuUpdateToClient();
  if (frame_) frame_->UpdateCommandStates();
}

void CMDIChildImageWnd::SetImageCursor() {
  // Back from the mask, which may have been edited.
  RefreshTransparency();
  setWindowTitle(ivorel::image_window_title(FullName(), frameCount));
  if (view_) {
    view_->unsetCursor();
    SetPropA(view_, ivorel::kUndoStoreProperty, imageUndo_.get());
  }
}

void CMDIChildImageWnd::SetAlphaCursor() {
  setWindowTitle(ivorel::image_window_title(FullName(), frameCount) + " - ### Mask ###");
  if (view_) {
    view_->setCursor(Qt::CrossCursor);
    SetPropA(view_, ivorel::kUndoStoreProperty, maskUndo_.get());
  }
}

void CMDIChildImageWnd::HandleViewfullscreen() {
  ivorel::ShowFullScreenView(this);
}
