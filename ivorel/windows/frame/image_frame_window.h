// The frame logic of the image editor, held apart from the Qt main window: counting image windows, the
// menu state of the active image, messages to one or all image windows, and closing them.
#pragma once

#include <memory>

#include "display/window.h"
#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/page_image.h"

class QMdiArea;
class QWidget;
class CMDIChildImageWnd;
class PrintOp;

class ImageFrameWindow {
 public:
  // The two references stay bound to the frame's MDI area and window, which are made after this part.
  ImageFrameWindow(QMdiArea*& client, QWidget*& frame);
  virtual ~ImageFrameWindow();
  ImageFrameWindow(const ImageFrameWindow&) = delete;
  ImageFrameWindow& operator=(const ImageFrameWindow&) = delete;

  // Called at the end of frame creation: finds out whether any printer can be used (the PDF file printer
  // always can), and warns when none can.
  virtual void SetupWindow();
  // Asks every image window whether it may close (print preview: ends the preview instead).
  virtual int CanClose();
  virtual CMDIChildImageWnd* GetActiveMDIChild();
  // Sends the message (both parameters 0) to the active image window, if any; its result, or 0.
  virtual long SendMessageToActiveChild(unsigned message);
  // Sends the message to every image window of the MDI area, first to last.
  virtual void SendMessageToAllImageWindows(unsigned message, unsigned wParam, long lParam);

  void IncChildCount() { ++childCount_; }
  void DecChildCount() {
    if (childCount_ > 0) --childCount_;
  }
  short GetChildCount() const { return static_cast<short>(childCount_); }
  // 1 when every image window agreed to close (each agreeing window is destroyed), 0 at the first refusal.
  int CloseChildren();
  void ChangeChildWindowsVisibility(int show);
  // Message 1124 with `window` to every image window.
  void MyEvPaletteChanged(HWND window);
  // Message 1125: the active image's view state.
  void MyEvUpdateMenu(const _MENUUPDATE* menu);
  const _MENUUPDATE& MenuState() const { return menuUpdate_; }
  int PrinterAvailable() const { return printerAvailable_; }
  int InPrintPreview() const { return printPreview_; }

 protected:
  // Called whenever the state behind the commands changed.
  virtual void MenuStateChanged() {}
  // Ends the print preview: closes its window, brings the image windows and the menu back.
  virtual void EndPrintPreview() {}

  QMdiArea*& client_;
  QWidget*& frame_;
  std::unique_ptr<PrintOp> printOp_;
  _PrintImageLayout_STRUCT printLayout_{0, 1, 0};
  int printerAvailable_ = 0;
  int printPreview_ = 0;
  int childCount_ = 0;
  _MENUUPDATE menuUpdate_;
};
