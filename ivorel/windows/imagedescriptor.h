// Ivorel's image records: one image in memory (_IMAGEDESCRIPTOR), its view state for the menus
// (_MENUUPDATE), the image state of a window with its mask (_IMAGEDESCRIPTOREXT, Alpha3), the image holder on
// which processors and windows are built (ImageDescriptorAndDisplayObj), and the undo/redo store
// (COperationUndoRedo: one level by default, a bounded history when asked).
//
// Pixel blocks are movable blocks (HGLOBAL), zero-filled, locked once after allocation and kept locked for
// their life; imageData is that lock's address. Descriptors are plain records: a copy shares the block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/display.h"
#include "imgfile/codaxe.h"

struct _IMAGEDESCRIPTOR {
  unsigned short width = 0;
  unsigned short height = 0;
  unsigned short xResolution = 0;  // dots per inch
  unsigned short yResolution = 0;
  std::uint32_t imageSize = 0;  // row stride x height
  unsigned short bitsPerPixel = 0;
  unsigned short colors = 0;  // 0 for 24-bit images
  HGLOBAL hImageData = nullptr;
  RGBCOLOR palette[256] = {};
  unsigned char* imageData = nullptr;
};

// The view state of one image as the menus show it: pairs of (enabled, checked) and the bits per pixel.
struct _MENUUPDATE {
  enum Index : int {
    kScaleEnabled = 0,
    kScaleChecked = 1,
    kFitEnabled = 2,
    kFitChecked = 3,
    kAspectEnabled = 4,
    kAspectChecked = 5,
    kNormalEnabled = 6,
    kNormalChecked = 7,
    kZoom200Enabled = 8,
    kZoom400Enabled = 10,
    kZoom800Enabled = 12,
    kZoom50Enabled = 14,
    kZoom25Enabled = 16,
    kZoom12Enabled = 18,
    kBitsPerPixel = 20,
    kCount = 21,
  };
  std::int32_t item[kCount] = {};
};

struct _IMAGEDESCRIPTOREXT;
struct _IMAGE_PROC_DATA;

// The alpha mask of an image: a 24-bit image of the same size, owned here while the image is shown.
class Alpha3 {
 public:
  Alpha3() = default;
  virtual ~Alpha3();
  // A copy gets a mask block of its own (or none when memory is short).
  Alpha3(const Alpha3& other);
  Alpha3& operator=(const Alpha3& other);

  int HasAlpha() const { return descriptor.hImageData != nullptr; }
  // An all-white (fully opaque) 24-bit mask the size of the image's current descriptor; 1 also when a mask
  // exists, 0 when memory is short or the mask would not fit a descriptor's 32-bit size.
  int CreateDefaultAlpha(const _IMAGEDESCRIPTOREXT& image);
  void DestroyAlpha();

  _IMAGEDESCRIPTOR descriptor;
};

struct _IMAGEDESCRIPTOREXT {
  _IMAGEDESCRIPTOR image;       // on screen: the image, or the mask while the mask is shown
  _IMAGEDESCRIPTOR otherImage;  // the image while the mask is shown
  Alpha3 alpha;                 // the mask while the image is shown
  int alphaShown = 0;
  _MENUUPDATE menuUpdate;       // in force
  _MENUUPDATE menuUpdateImage;  // saved for the image
  _MENUUPDATE menuUpdateAlpha;  // saved for the mask
  HWND* window = nullptr;       // the handle of the window showing the object; null for a bare object
  char name[256] = {};
  _IMAGE_PROC_DATA* procData = nullptr;  // read by the next processing operation; not owned
};

namespace ivorel {

// The view state remembered separately for the image and for the mask.
struct ViewState {
  short zoom = 1;           // 1 = 100 %, 2, 4, 8 magnified, -2, -4, -8 reduced
  int viewMode = 1;         // 1 to scale, 2 fit to the window, 3 fit keeping the aspect
  int preZoomViewMode = 0;  // the mode a zoom returns to (0 = not zoomed)
  int preZoomClip = 1;      // whether the display clipped before the zoom
};

// The default menu record: every entry enabled, "to scale" and "normal size" checked.
_MENUUPDATE fresh_menu_update(unsigned short bitsPerPixel);

// Displayed width or height at a zoom, taken modulo 65536 as the scroll ranges have always been.
unsigned short displayed_extent(short zoom, unsigned short size);

// Unlocks and frees the descriptor's pixel block and forgets it.
void free_image_block(_IMAGEDESCRIPTOR& image);

class MemoryFile;

}  // namespace ivorel

// One image shown or processed: its descriptor, its mask and the Display that draws the current one. The
// object owns the other descriptor's block while the mask is shown, the mask's block while the image is
// shown, and its Display; the current descriptor's block belongs to whoever filled it in.
class ImageDescriptorAndDisplayObj : public _IMAGEDESCRIPTOREXT {
 public:
  ImageDescriptorAndDisplayObj();
  virtual ~ImageDescriptorAndDisplayObj();
  ImageDescriptorAndDisplayObj(const ImageDescriptorAndDisplayObj&) = delete;
  ImageDescriptorAndDisplayObj& operator=(const ImageDescriptorAndDisplayObj&) = delete;

  // Makes a new Display for the current descriptor; `switching` is set only by SwitchDisplayData, before the
  // mask-shown flag flips, and exchanges the remembered view states.
  virtual void RebuildDisplayObj(int switching);
  // Shows the mask instead of the image or back; 0 when the mask cannot be allocated (nothing changes).
  virtual int SwitchDisplayData();
  virtual void SetImageCursor() {}
  virtual void SetAlphaCursor() {}
  virtual void SendMenuUpdateToClient() {}
  virtual void CalculateScrollRange(short, unsigned short, unsigned short) {}
  virtual void MakeImageDirty() {}
  virtual void EnableCropping() {}

  Display* display = nullptr;
  ivorel::ViewState view;       // in force
  ivorel::ViewState viewImage;  // saved for the image
  ivorel::ViewState viewAlpha;  // saved for the mask
};

// Undo and redo snapshots of an image, kept in memory. With one level (the default) the store keeps one
// snapshot of each kind and undo and redo toggle between the two latest states. With more levels it keeps a
// history of at most that many steps each way, within a memory budget shared by every store of the process;
// a new change then forgets the steps that could have been redone. The store reads and replaces the leading
// descriptor of `image` and the bits per pixel of `menu`.
class COperationUndoRedo {
 public:
  COperationUndoRedo(_IMAGEDESCRIPTOREXT& image, _MENUUPDATE& menu);
  virtual ~COperationUndoRedo();
  COperationUndoRedo(const COperationUndoRedo&) = delete;
  COperationUndoRedo& operator=(const COperationUndoRedo&) = delete;

  virtual void SaveUndoData();
  // A failed restore (memory short, damaged snapshot) returns 0 and leaves the image, both snapshots and
  // the menu record as they were.
  virtual int DoUndo();
  virtual int ICanUndo();
  virtual int ICanRedo();
  virtual void SaveRedoData();
  virtual int DoRedo();

  // Promotes the object's 1-, 4- or 8-bit mask to 24 bits; 1 also when it is 24-bit already, 0 for no
  // object, another depth or a lack of memory.
  static int ConvertAlphaTo24Bits(ImageDescriptorAndDisplayObj* object);

  // The number of steps kept each way (at least 1); lowering it forgets the oldest steps.
  void SetLevels(int levels);
  int Levels() const { return levels_; }
  // Steps that can be undone and redone now.
  int UndoDepth() const { return static_cast<int>(undo_.size()); }
  int RedoDepth() const { return static_cast<int>(redo_.size()); }
  // What the next undo snapshot is taken for (a command's name); it names that step in menus.
  void SetNextStepName(std::string name) { nextName_ = std::move(name); }
  // The name of the step `index` places back (0: the next undo) or ahead (0: the next redo); empty when
  // unnamed or absent.
  std::string UndoStepName(int index) const;
  std::string RedoStepName(int index) const;

  // The bytes all histories of the process may hold together (0: a quarter of the physical memory); the
  // latest step of a store is kept whatever it costs.
  static void SetHistoryBudget(std::size_t bytes);
  static std::size_t HistoryBudget();
  static std::size_t HistoryBytes();

 private:
  struct Step {
    std::unique_ptr<ivorel::MemoryFile> file;
    std::string name;
  };
  using Steps = std::vector<Step>;  // oldest first

  std::unique_ptr<ivorel::MemoryFile> Snapshot();
  void Push(Steps& steps, std::unique_ptr<ivorel::MemoryFile> file, std::string name);
  void Clear(Steps& steps);
  void DropOldest(Steps& steps);
  void Trim();
  int Restore(Steps& from, bool fromUndo);

  Steps undo_;
  Steps redo_;
  _IMAGEDESCRIPTOREXT& image_;
  _MENUUPDATE& menu_;
  int imagePresent_ = 0;
  int levels_ = 1;
  std::string nextName_;
};
