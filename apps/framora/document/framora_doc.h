// Framora's document: the animation being put together, as one stack of frames with one level of undo.
//
// The document is Qt-free so that the program and `imgtools frames` run the same edits. Views learn of
// changes through one callback with the hints the frame list understands: kHintReset (the stack was
// replaced or emptied: drop every row and the previews), n > 0 (n frames were appended at the end) and
// kHintRefresh (redraw; rebuild the previews around the selection).
//
// Frames are counted from 0. Every call that names a frame checks the index; a bad one changes nothing and
// says so (Status::BadFrame). Every edit can be undone once, the last edit only; CanUndo() tells whether
// there is something to undo, Undo() puts it back. Scripts that never undo switch undo off, so that an edit
// of a long animation needs no copy of it.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "imgfile/codaxe.h"

class Display;
struct _IMAGEDESCRIPTOR;

namespace framora {

inline constexpr int kHintReset = -1;
inline constexpr int kHintRefresh = 0;

// What an edit came to. Every failure leaves the document as it was.
enum class Status {
  Ok,
  BadFrame,         // no frame with that index (or no frame at all)
  BadValue,         // a value outside what the file format can hold
  Unreadable,       // a file could not be read (the library has said why)
  TrueColourFrame,  // the frame chosen as palette has none
  TrueColourFile,   // the palette file has none
  OutOfMemory,
  WriteFailed,     // the library has said why
  NothingToWrite,  // the document has no frame
};

// The message a person is shown for a failure of a palette choice; empty for the others.
const char* status_message(Status status);

// The colour-table policies of the logical-screen settings, by their place in the dialog.
enum class ColourPolicy : int {
  KeepPalettes = 0,  // frames keep their palettes; those equal to the first frame's share the global table
  FixedPalette = 1,  // every frame is mapped to the fixed 256-colour palette
  FramePalette = 2,  // every frame is mapped to the palette of one frame
  FilePalette = 3,   // every frame is mapped to the palette of an image file
  LocalTables = 4,   // every frame is saved with a colour table of its own
};

// How a frame's colours are brought onto a palette it does not have.
enum class PaletteMapping : int {
  Dither = 0,   // error diffusion, as the fixed-palette dither does
  Nearest = 1,  // each colour to the nearest entry
};

// The disposal names of the frame list: "No op", "Keep", "Bkgd", "Prev." (values 0 to 3).
const char* disposal_name(int disposal);

inline constexpr int kMaxDelay = 2000;  // hundredths of a second, as the frame dialog allows
inline constexpr int kMaxDisposal = 7;  // three bits in the file
inline constexpr int kMaxCoordinate = 65535;

// One frame's settings as the frame dialog edits them.
struct FrameProperties {
  int delay = 0;
  int disposal = 0;
  bool transparent = false;
  int transparentIndex = 0;
  int left = 0;
  int top = 0;
};

// The logical-screen settings as the stack dialog edits them.
struct ScreenProperties {
  int width = 0;
  int height = 0;
  int background = 0;
  ColourPolicy policy = ColourPolicy::KeepPalettes;
  int paletteFrame = 0;     // for FramePalette
  std::string paletteFile;  // for FilePalette
  PaletteMapping mapping = PaletteMapping::Dither;
};

class CFramoraDoc {
 public:
  CFramoraDoc();
  ~CFramoraDoc();
  CFramoraDoc(const CFramoraDoc&) = delete;
  CFramoraDoc& operator=(const CFramoraDoc&) = delete;

  // Views: called after every change with its hint.
  void SetViewUpdater(std::function<void(int hint)> update);
  // Off: no edit keeps an undo copy and CanUndo() stays false (for scripts). On by default.
  void SetUndoEnabled(bool enabled);

  // The stack as it is now. Frame pointers stay valid until the next edit that removes or replaces frames.
  const ImageStack& GetStack() const { return stack_; }
  int GetFrameCount() const;
  const ImageFrame* GetFrame(int i) const;
  std::string GetFramePath(int i) const;
  std::string GetFrameComment(int i) const;
  FrameProperties GetFrameProperties(int i) const;
  // Whether anything changed since the last save or New.
  bool IsModified() const { return modified_; }

  // Empties the document (hint kHintReset); undoable.
  void New();

  // Appends the frames of an image file of any readable type: one for single images, every frame of a GIF,
  // the frames of an AVI ("PATH Slide i" from 1 when the file holds several). Returns the number of frames
  // added (also the hint), 0 when the file could not be read (nothing added; the library has said why).
  int AddFile(const std::string& path);
  // Appends one image (a clipboard image, say) with the given path; the image's block stays the caller's.
  // Returns 1, or 0 when the image is empty or memory is short.
  int AddImage(const _IMAGEDESCRIPTOR& image, const std::string& path = "Untitled");
  // The same from raw pixels in the library's layout.
  int AddRawImage(const unsigned char* pixels, const RGBCOLOR* palette, unsigned short width,
                  unsigned short height, unsigned short bitsPerPixel, unsigned short colors,
                  const std::string& path = "Untitled");
  // Edit Paste and Edit Copy through the suite's clipboard service: 1 when an image was appended or put.
  int AddFromClipboard();
  int CopyFrameToClipboard(int i) const;

  // Ordering: the frame at `from` is taken out and put in at `to`, the frames between shift by one.
  Status MoveFrame(int from, int to);
  // Removes frame i (Edit Cut after the clipboard copy, and Delete).
  Status DeleteFrame(int i);
  // Inserts a copy of frame i, with all its settings, right after it.
  Status DuplicateFrame(int i);

  // A frame's settings. Delays are clamped to 0 ... kMaxDelay, coordinates to 0 ... kMaxCoordinate; a
  // disposal above kMaxDisposal or a transparent index above 255 is refused. Each setter changes only what
  // it names.
  Status SetFrameProperties(int i, const FrameProperties& properties);
  Status SetDelay(int i, int delay);
  Status SetDisposal(int i, int disposal);
  // `index` < 0 clears the transparency.
  Status SetTransparency(int i, int index);
  Status SetPosition(int i, int left, int top);
  // The text saved in the comment after the frame; empty removes it.
  Status SetComment(int i, const std::string& text);
  // The frame dialog's OK: settings and comment together, undone together.
  Status SetFrameSettings(int i, const FrameProperties& properties, const std::string& comment);

  // The logical screen: at least as large as every frame at its position (the dialog starts from this).
  void CoverFramesWithScreen();
  // The smallest screen that holds every frame at its position.
  void CoveringScreen(int& width, int& height) const;
  ScreenProperties GetScreenProperties() const;
  // Applies the stack dialog: background, screen (grown to cover the frames) and colour-table policy. A
  // palette failure changes nothing and returns its status (status_message gives the text to show).
  Status SetScreenProperties(const ScreenProperties& properties);
  // The parts of it that scripts set on their own.
  Status SetScreenSize(int width, int height);
  Status SetColourPolicy(ColourPolicy policy, int paletteFrame = 0, const std::string& paletteFile = {},
                         PaletteMapping mapping = PaletteMapping::Dither);
  // How often the animation repeats; 0 forever.
  Status SetLoopCount(int count);
  int GetLoopCount() const;

  bool CanUndo() const;
  // Puts back the state before the last edit (hints kHintReset, the frame count, kHintRefresh).
  void Undo();

  // Saving: to a GIF name the whole stack, every frame with its settings and comment (also a stack of one
  // frame); to a name of another type frame 0 as a single image. A name without a known extension gets
  // ".gif". `written` receives the name actually written. The existing file is only replaced once the new one
  // is complete.
  Status Save(const std::string& path, std::string* written = nullptr);
  // Frame i alone in the format of the name's extension (any writable type).
  Status SaveFrame(int i, const std::string& path, std::string* written = nullptr);
  // The browser test: writes the animation as `folder`/Framora_Test.gif and the page Framora_Test.htm that
  // shows it; `page` receives the page's path.
  Status WriteBrowserTest(const std::string& folder, std::string* page = nullptr);
  // The page's text for a GIF of the given bare name.
  static std::string BrowserTestPage(const std::string& gifName);

  // Previews: the frames before, at and after `selected`, each prepared for drawing (stretched, dithered
  // in advance) or null where there is no such frame. Edits that change pixels drop them.
  void RebuildPreviews(int selected);
  void DropPreviews();
  Display* GetPreview(int row) const;  // row 0 previous, 1 current, 2 next

 private:
  void update(int hint);
  // Takes the undo action for the edit about to be made (nothing when undo is off).
  void remember(std::function<void(CFramoraDoc&)> undo);
  void remember_snapshot();
  // Takes the frames from `before` on off again and puts back the stack's settings.
  std::function<void(CFramoraDoc&)> append_undo(int before) const;
  ImageFrame* frame(int i) const;
  const char* keep_comment(const std::string& text);
  Status give_palette(const RGBCOLOR* palette, int count, PaletteMapping mapping);
  Status write(const std::string& path, int frameIndex, std::string* written);

  ImageStack stack_;
  std::function<void(CFramoraDoc&)> undo_;
  bool undoEnabled_ = true;
  bool modified_ = false;
  std::function<void(int)> update_;
  std::unique_ptr<Display> previews_[3];
  // Comments the frames point at (ImageFrame::comment is not owned); kept for the document's life, since
  // the undo copy may point at them too.
  std::deque<std::string> comments_;
};

}  // namespace framora

// The specified name for the program's document.
using framora::CFramoraDoc;
