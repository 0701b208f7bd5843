// One image window of the editor: a Qt MDI sub-window whose logic is ImageWndFunctions and whose client
// area is the drawing view (CDrawView). Window events and the private messages 1124 ... 1138 go to the
// logic; undo and redo go to the window's two stores (image and mask).
#pragma once

#include <QMdiSubWindow>
#include <memory>
#include <string>

#include "ivorel/windows/image_wnd_functions.h"

class CDrawView;
class CIMDIFrameWnd;

class CMDIChildImageWnd : public QMdiSubWindow, public ImageWndFunctions {
  Q_OBJECT

 public:
  // From a file; from a descriptor whose block the window adopts (an untitled image); a duplicate.
  CMDIChildImageWnd(CIMDIFrameWnd* frame, const char* fileName);
  CMDIChildImageWnd(CIMDIFrameWnd* frame, const _IMAGEDESCRIPTOR& descriptor);
  CMDIChildImageWnd(CIMDIFrameWnd* frame, CMDIChildImageWnd& source);
  ~CMDIChildImageWnd() override;

  // Adds the window to the frame's MDI area, sets it up and shows it. Returns the has-image flag (0: the
  // window is closing itself).
  int MCreate();
  // Lets the view's scroll bars take (or give back) their room now, before the window is measured.
  void SettleScrollBars();
  // Closes without asking (the caller has asked CanClose already).
  void DestroyWindow();

  CIMDIFrameWnd* Frame() const { return frame_; }
  CDrawView* View() const { return view_; }
  HWND Handle() const;
  // True from the start of the window's destruction: the frame then leaves it alone.
  bool Destroying() const { return destroying_; }

  // Undo and redo act on the mask's store while the mask is shown, on the image's otherwise; each goes up
  // to `steps` steps (as far as the history reaches) and repaints once. 1 when at least one step was made.
  void SaveUndoData();
  void SaveRedoData();
  int DoUndo(int steps = 1);
  int DoRedo(int steps = 1);
  int ICanUndo();
  int ICanRedo();
  // The store undo and redo act on now.
  COperationUndoRedo& UndoStore() { return Store(); }
  // How many steps each of the two stores keeps (the editor's "Undo levels").
  void SetUndoLevels(int levels);
  // Names the next change in the undo history ("Blur"); forgotten when no snapshot follows.
  void NameNextStep(const std::string& name);

  // After an operation changed the image: scroll ranges, the menu state and the status panes follow.
  void ImageChanged();
  // Brings the window's mask to 24 bits per pixel; 1 also when it has 24 already.
  int ConvertAlphaTo24Bits() { return COperationUndoRedo::ConvertAlphaTo24Bits(this); }
  // Full-screen view of this image.
  void HandleViewfullscreen();

  // The image description (TIFF), written with the next save.
  std::string description;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Init();
  COperationUndoRedo& Store();
  void AfterUndoRedo();
  // The close prompt's save keeps the description, as the save commands do.
  std::string DescriptionText() const override { return description; }
  void SetImageCursor() override;
  void SetAlphaCursor() override;

  CIMDIFrameWnd* frame_;
  CDrawView* view_ = nullptr;
  std::unique_ptr<COperationUndoRedo> imageUndo_;
  std::unique_ptr<COperationUndoRedo> maskUndo_;
  bool destroying_ = false;
  bool closeAgreed_ = false;
};
