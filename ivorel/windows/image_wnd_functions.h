// ImageWndFunctions: the window logic of one image window, kept apart from the window class that hosts it.
// It loads or adopts the image, names and sizes the window, runs the view modes and zoom steps with their
// scroll ranges, paints the image and the uncovered background, runs the crop rubber band, saves the image
// and asks before closing. The MDI child window derives from it and forwards its events and the private
// messages 1124 ... 1138 to it; everything it needs of the desktop goes through ivorel::ImageWindowHost
// (window_host.h), the file-dialog, message-box and cursor services of platform/core.
//
// Without a host the object is a window-less image: view commands change the view state and the display
// object, and every window call is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ivorel/windows/imagedescriptor.h"
#include "ivorel/windows/window_host.h"
#include "platform/core/geometry.h"

namespace ivorel {

// The private messages of image windows: the platform's first user message (1024) plus an offset.
enum ImageWindowMessage : unsigned {
  kMsgPaletteChanged = 1124,  // lParam: the draw::Window that realised a palette
  kMsgMenuUpdate = 1125,      // to the frame; lParam: the address of a _MENUUPDATE
  kMsgSave = 1126,
  kMsgSaveAs = 1127,
  kMsgViewToScale = 1128,
  kMsgViewToFit = 1129,
  kMsgViewToFitAspect = 1130,
  kMsgViewNormal = 1131,
  kMsgViewZoom2X = 1132,
  kMsgViewZoom4X = 1133,
  kMsgViewZoom8X = 1134,
  kMsgViewInformation = 1135,
  kMsgViewZoomIn2X = 1136,  // 50 %
  kMsgViewZoomIn4X = 1137,  // 25 %
  kMsgViewZoomIn8X = 1138,  // 12.5 %
};

// Scroll-bar requests, numbered as the platform numbers them.
enum ScrollCode : int {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
  kScrollTop = 6,
  kScrollBottom = 7,
  kScrollEnd = 8,
};

// Kinds of size events.
enum SizeKind : int { kSizeRestored = 0, kSizeMinimized = 1, kSizeMaximized = 2 };

// What SetWindowAttribs asks of the window about to be created.
struct WindowAttribs {
  std::string className;  // "IMAGEWINDOW"
  bool visible = true;    // created hidden: SetupWindow decides whether it shows at all
  bool horizontalScrollBar = false;
  bool verticalScrollBar = false;
  bool doubleClicks = false;
  bool redrawOnResize = false;  // the whole window repaints when either size changes
  bool eraseBackground = true;  // false: the background is EvEraseBkGnd's hatch only
  int iconResource = 0;         // 137
};

// The save dialog's type list, in the order of its filter indices (1-based): the eight types of the suite,
// then PNG.
struct SaveType {
  const char* label;    // "BMP Files"
  const char* pattern;  // "*.bmp"
  CompandType type;
};
inline constexpr int kSaveTypeCount = 9;
extern const SaveType kSaveTypes[kSaveTypeCount];

// The path a save goes to when the user chose `path` with filter `filterIndex` (1-based; 0 = none said):
// a name whose extension names a type the suite writes is kept as typed (its case too); any other name
// gets the chosen type's lower-case extension added (BMP when no filter is known).
std::string save_path_for_choice(const std::string& path, int filterIndex);

// The window title for an image name: names of 20 characters or more with a folder separator read as
// their first three characters, "..." and the name from the last separator on; others stand as they are.
std::string title_from_name(const char* name);

}  // namespace ivorel

class ImageWndFunctions : public ImageDescriptorAndDisplayObj {
 public:
  // Each constructor may be given its host now or later with AttachHost (a window that is itself the host
  // attaches once it is built). They never call the host.
  //
  // From a file: reads it with Compand; HasImage() is 0 when it could not be read (Compand reported why).
  ImageWndFunctions(ivorel::ImageWindowHost* host, const char* fileName);
  // Adopts the caller's image (the window now owns its block) as "Untitled Image #n", modified.
  ImageWndFunctions(ivorel::ImageWindowHost* host, const _IMAGEDESCRIPTOR& descriptor);
  // A copy of another window's current image, named "Duplicate of " and the other's name; neither
  // modified nor named.
  ImageWndFunctions(ivorel::ImageWindowHost* host, const ImageWndFunctions& source);
  ~ImageWndFunctions() override;
  ImageWndFunctions(const ImageWndFunctions&) = delete;
  ImageWndFunctions& operator=(const ImageWndFunctions&) = delete;

  // Connects the logic to its window (null disconnects it). The inherited window reference then
  // names it.
  void AttachHost(ivorel::ImageWindowHost* host);
  ivorel::ImageWindowHost* Host() const { return host_; }

  int HasImage() const { return hasImage; }
  // The image name in full. `name` holds it cut to 255 characters for readers of the record; saving and
  // every text shown use this one, so that a long path is never written to a shortened one.
  const std::string& FullName() const { return fullName_; }
  // The window's caption: the name as title_from_name shows it, with the frame count of an animation.
  std::string WindowTitle() const;
  // The window's image description text (written into TIFF files), saved with the image when closing asks
  // to save. The child window that holds the text overrides this; here it is empty.
  virtual std::string DescriptionText() const { return {}; }

  // ---- Overrides of ImageDescriptorAndDisplayObj

  // Message 1125 with the current _MENUUPDATE to the frame.
  void SendMenuUpdateToClient() override;
  // Scroll ranges for the image displayed at `zoom` (16-bit displayed sizes, as the ranges always were).
  void CalculateScrollRange(short zoom, unsigned short width, unsigned short height) override;
  void MakeImageDirty() override { dirty = 1; }
  // Arms the crop rubber band for one drag.
  void EnableCropping() override { cropArmed = 1; }

  // ---- Window life

  // Before the window exists: the class and styles it is created with. Returns 0 only when the class
  // cannot be had.
  virtual int SetWindowAttribs(ivorel::WindowAttribs& attribs);
  // Right after the window exists: the title, the menu state to the frame, and the window sized to the
  // image, or, without an image, a posted close request (the window of a failed load closes itself).
  virtual void SetupWindow();
  virtual void SizeWindowAccordingToImage();
  // Asked before the window closes: 1 = close, 0 = stay. A modified image asks "Save ... before closing?"
  // (Yes saves first, and a save that fails or is cancelled keeps the window open).
  virtual int CanClose();

  // ---- Window events

  // The client area changed size (kind: ivorel::SizeKind).
  virtual void EvSize(int kind, ivorel::Extent clientSize);
  virtual void EvMDIActivate(HWND activated, HWND deactivated);
  // Message 1124: another window realised a palette; this one repaints. Returns 0.
  virtual long EvPaletteChanged(std::uintptr_t wParam, HWND realised);
  virtual void EvLButtonDown(unsigned keys, POINT point);
  virtual void EvLButtonUp(unsigned keys, POINT point);
  virtual void EvMouseMove(unsigned keys, POINT point);
  // Paints the image into the update box (client coordinates) through the display object.
  virtual void Paint(RECT& update, int erase);
  // Fills the client parts that the image does not cover with the hatched light grey background; 1.
  virtual int EvEraseBkGnd(HDC dc);
  virtual void HandleWindowHScroll(int code, int thumbPosition);
  virtual void HandleWindowVScroll(int code, int thumbPosition);

  // ---- View commands (messages 1128 ... 1138): each rewrites the menu state, tells the frame, changes
  // the view and repaints. Each returns 0.

  virtual long EvViewToScale();
  virtual long EvViewToFit();
  virtual long EvViewToFitAspect();
  virtual long EvViewNormal();
  virtual long EvViewZoom2X();
  virtual long EvViewZoom4X();
  virtual long EvViewZoom8X();
  virtual long EvViewZoomIn2X();  // 50 %
  virtual long EvViewZoomIn4X();  // 25 %
  virtual long EvViewZoomIn8X();  // 12.5 %
  // Message 1135: the image information dialog, through the host. Returns 0.
  virtual long EvViewInformation();

  // ---- Saving (messages 1126, 1127); `description` is the window's image description text (TIFF), or null

  // 1 when the image is saved or had nothing to save; 0 when the dialog was cancelled or the write failed
  // (the image then stays modified, and a name chosen for the failed write is given up).
  virtual int EvSave(const char* description);
  // Asks for a new name and type, then saves. 1 when saved; 0 when cancelled or failed (name and flags as
  // they were).
  virtual int EvSaveAs(const char* description);

  // Runs a private message 1124 ... 1138 as its handler; the result is the handler's. Other numbers do
  // nothing and return 0 (IsImageWindowMessage tells them apart).
  long DispatchImageWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                  const char* description);
  static bool IsImageWindowMessage(unsigned message);

  // ---- Geometry

  // Where the image lies, in client coordinates, in the current view mode.
  void GetImageRect(RECT& rect) const;
  // Both scroll bars hidden, then the ranges recomputed by a size event of the present client size.
  void TurnOffScrollBars();
  // Scroll ranges for a displayed size of w x h (guarded against re-entry, process-wide).
  void SetScrollRanges(unsigned short w, unsigned short h);

  // ---- Fields (in addition to those of ImageDescriptorAndDisplayObj)

  int dirty = 0;  // changed since loaded or saved
  int named = 0;  // the name is the file the image was read from or saved to
  int hasImage = 0;
  int cropArmed = 0;
  int cropDragging = 0;
  POINT cropStart{0, 0};
  POINT cropEnd{0, 0};
  POINT cropCurrent{0, 0};

  // The quality this image is written with as JPEG: the one its file was made with, or the one chosen in
  // Save As; 0 while neither is known (LastJpegQuality then serves).
  int jpegQuality = 0;
  // Frames of the file read: an animated GIF has more than one, and the window holds only the first.
  int frameCount = 1;

  // The number of the last untitled image of the process (the first is 1).
  static int UntitledImageNumber;
  // The quality Save As proposes for JPEG when the image brings none: the last one chosen.
  static int LastJpegQuality;
  // Opens a file in the animation editor; null while the suite has none, and then a save that would drop
  // frames offers only to go on or to cancel.
  static bool (*OpenInAnimationEditor)(const std::string& path);

  // The transparency of the image from its mask: one byte a pixel (255 opaque), rows bottom-up; empty when
  // there is no mask or it is opaque everywhere.
  std::vector<unsigned char> AlphaPlane() const;
  // Takes a file's transparency (same layout) into the mask.
  void LoadAlphaPlane(const unsigned char* alpha);
  // Whether the picture is drawn over a checkerboard where its mask makes it transparent: looked at again
  // after the mask may have changed.
  void RefreshTransparency();

 protected:
  // Tells the user that `fileName` could not be opened and why (missing, a folder, no permission, or the
  // reader's reasons).
  void ReportUnreadable(const char* fileName, const std::string& reasons);

  void CommonConstructorCode();
  // The background brush: light grey (192, 192, 192) backward diagonals on white, aligned to the client
  // area's origin.
  static void PaintBkGnd(HDC dc, const RECT& rect);

 private:
  // View command steps shared by the table rows.
  long ApplyViewMode(int mode);
  long ApplyZoom(short zoom);
  void HandleWindowScroll(ivorel::ScrollBar bar, int code, int thumbPosition);
  // Draws (or, drawn again, removes) the crop rectangle from cropStart to `corner` with its size label.
  void DrawCropBand(POINT corner);
  // The chosen save path, or empty when the dialog was cancelled.
  std::string AskSavePath();
  int WriteImage(const char* path, const char* description);
  // Asks the quality for a JPEG about to be written by Save As; false when the user cancelled.
  bool AskJpegQuality();
  // Before a save that keeps only the first of several frames: true to go on.
  bool AgreeToDropFrames();
  void InvalidateAll(bool erase);
  void SetName(const std::string& name);
  // Copies `source` into a new block of this object's current descriptor and shows it; 0 when memory is
  // short or the source has no pixels.
  int AdoptCopyOf(const _IMAGEDESCRIPTOR& source);
  // The display object for the current descriptor, in clip mode; has image = 1 and the menu's depth set.
  void ShowLoadedImage();

  ivorel::ImageWindowHost* host_ = nullptr;
  HWND windowHandle_ = nullptr;  // the handle that the inherited window reference points at
  std::string fullName_;
  bool proposeOwnFile_ = false;  // save as: the chooser starts at the image's own file
  bool showTransparency_ = false;
  bool transparencyKnown_ = false;  // showTransparency_ holds for the mask as it is
  // Blends the painted picture over a checkerboard by its mask.
  void DrawOverCheckerboard(const RECT& update, POINT origin);
};
