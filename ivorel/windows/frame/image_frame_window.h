// The frame logic of the image editor, held apart from the Qt main window: counting image windows, the
// menu state of the active image, messages to one or all image windows, and closing them.
#pragma once

#include "display/window.h"
#include "ivorel/windows/imagedescriptor.h"

class QMdiArea;
class QWidget;
class CMDIChildImageWnd;

class ImageFrameWindow {
 public:
  // The two references stay bound to the frame's MDI area and window, which are made after this part.
  ImageFrameWindow(QMdiArea*& client, QWidget*& frame);
  virtual ~ImageFrameWindow() = default;
  ImageFrameWindow(const ImageFrameWindow&) = delete;
  ImageFrameWindow& operator=(const ImageFrameWindow&) = delete;

  // Called at the end of frame creation. Printing has not landed yet: the printer stays unavailable
  // without the start-up message, so that nobody is warned about a printer they cannot use anyway.
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

 protected:
  // Called whenever the state behind the commands changed.
  virtual void MenuStateChanged() {}

  QMdiArea*& client_;
  QWidget*& frame_;
  int printerAvailable_ = 0;
  int printPreview_ = 0;
  int childCount_ = 0;
  _MENUUPDATE menuUpdate_;
};
