#include "ivorel/windows/frame/image_frame_window.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "ivorel/windows/frame/image_window_event.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/print_op.h"
#include "platform/core/message_box.h"

namespace ivorel {

long send_image_message(QObject* receiver, int message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (!receiver) return 0;
  ImageWindowEvent event(message, wParam, lParam);
  QCoreApplication::sendEvent(receiver, &event);
  return event.result;
}

}  // namespace ivorel

namespace {

// The image windows of the MDI area, first to last; guarded, since a message may close one of them.
QList<QPointer<CMDIChildImageWnd>> image_windows(QMdiArea* client) {
  QList<QPointer<CMDIChildImageWnd>> windows;
  if (!client) return windows;
  for (QMdiSubWindow* sub : client->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = qobject_cast<CMDIChildImageWnd*>(sub)) windows.append(child);
  return windows;
}

}  // namespace

ImageFrameWindow::ImageFrameWindow(QMdiArea*& client, QWidget*& frame)
    : client_(client), frame_(frame), printOp_(std::make_unique<PrintOp>()) {}

ImageFrameWindow::~ImageFrameWindow() = default;

void ImageFrameWindow::SetupWindow() {
  printerAvailable_ = printOp_->PrinterConfigured();
  if (!printerAvailable_)
    pcore::message_box().show(frame_, "No Windows printer configured. All print functions will be disabled.",
                              "User Advisory", pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
}

int ImageFrameWindow::CanClose() {
  if (printPreview_) {
    EndPrintPreview();
    return 0;
  }
  return CloseChildren();
}

CMDIChildImageWnd* ImageFrameWindow::GetActiveMDIChild() {
  if (!client_) return nullptr;
  QMdiSubWindow* active = client_->activeSubWindow();
  if (!active) active = client_->currentSubWindow();
  return qobject_cast<CMDIChildImageWnd*>(active);
}

long ImageFrameWindow::SendMessageToActiveChild(unsigned message) {
  return ivorel::send_image_message(GetActiveMDIChild(), static_cast<int>(message));
}

void ImageFrameWindow::SendMessageToAllImageWindows(unsigned message, unsigned wParam, long lParam) {
  for (const QPointer<CMDIChildImageWnd>& child : image_windows(client_))
    if (child) ivorel::send_image_message(child, static_cast<int>(message), wParam, lParam);
}

int ImageFrameWindow::CloseChildren() {
  for (const QPointer<CMDIChildImageWnd>& child : image_windows(client_)) {
    if (!child) continue;
    if (!child->CanClose()) return 0;
    child->DestroyWindow();
  }
  MenuStateChanged();
  return 1;
}

void ImageFrameWindow::ChangeChildWindowsVisibility(int show) {
  for (const QPointer<CMDIChildImageWnd>& child : image_windows(client_))
    if (child) child->setVisible(show != 0);
}

void ImageFrameWindow::MyEvPaletteChanged(HWND window) {
  SendMessageToAllImageWindows(ivorel::kMsgPaletteChanged, 0, reinterpret_cast<long>(window));
}

void ImageFrameWindow::MyEvUpdateMenu(const _MENUUPDATE* menu) {
  if (menu) menuUpdate_ = *menu;
  MenuStateChanged();
}
