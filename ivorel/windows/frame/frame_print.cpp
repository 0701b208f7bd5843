// The frame's printer commands: page set-up, the layout dialog, print preview and print.
#include <QApplication>
#include <QMenuBar>
#include <QToolBar>

#include "ivorel/windows/dialogs/print_layout_dialog.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/print_op.h"
#include "ivorel/windows/frame/print_preview.h"

namespace {

std::unique_ptr<PageImage> page_for(CMDIChildImageWnd* child, const _PrintImageLayout_STRUCT& layout) {
  if (!child || !child->HasImage()) return nullptr;
  return std::make_unique<PageImage>("Pictaro Layout Page", child->image,
                                     ivorel::printed_name(child->FullName().c_str()).c_str(), layout);
}

}  // namespace

void CIMDIFrameWnd::GetPrintParameters(_PrintImageLayout_STRUCT*& layout, PrintOp*& op) {
  layout = &printLayout_;
  op = printOp_.get();
}

void CIMDIFrameWnd::CmPrintSetup() {
  printOp_->PrinterSetup(this);
}

void CIMDIFrameWnd::CmImageLayout() {
  CPrintLayoutDialog dialog(this, printLayout_);
  if (dialog.exec() == QDialog::Accepted) printLayout_ = dialog.Result();
}

void CIMDIFrameWnd::CmPrintPreview() {
  std::unique_ptr<PageImage> page = page_for(GetActiveMDIChild(), printLayout_);
  if (!page) return;
  printPreview_ = 1;
  ChangeChildWindowsVisibility(0);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "Image Processing" || w->windowTitle() == "Image Processing Preview") w->close();
  // The frame's commands would act on hidden images; the preview window has its own.
  menuShownBeforePreview_ = menuBar()->isVisible();
  menuBar()->hide();
  for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(false);
  printOp_->Preview(std::move(page), this, [this] {
    if (printPreview_) EndPrintPreview();
  });
}

void CIMDIFrameWnd::EndPrintPreview() {
  if (!printPreview_) return;
  printPreview_ = 0;
  printOp_->ClosePreview();
  menuBar()->setVisible(menuShownBeforePreview_);
  for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(true);
  ChangeChildWindowsVisibility(1);
  UpdateCommandStates();
}

void CIMDIFrameWnd::CmFilePrint() {
  std::unique_ptr<PageImage> page = page_for(GetActiveMDIChild(), printLayout_);
  if (!page) return;
  printOp_->Print(*page, this);
  if (CPreviewImageWindow* preview = printOp_->PreviewWindow()) preview->raise();
}
