// The frame's commands: every id with its menu text, its prompt (status line, and after a line break the
// tool tip), what it does and when it is enabled. The menus, toolbars and the routing function all read
// this one table.
#pragma once

#include <vector>

namespace ivorel {

// When a command is enabled.
enum class Enable {
  Always,
  HasImage,         // an image window exists
  ViewEntry,        // an image window exists and the menu state enables the entry
  CropFit,          // an image window exists and its view is to fit
  TrueColour,       // an image window with a 24-bit image
  BelowTrueColour,  // an image window with fewer than 24 bits per pixel
  ClipboardImage,   // the clipboard holds an image
  Undo,             // the active window's store can undo
  Redo,             // ... can redo
  Scanner,          // the scanner commands' own rule (the frame's ScannerCommandsEnabled)
  Printer,          // a printer can be used
  PrinterImage,     // an image window exists and a printer can be used
  Never,            // the service behind it has not landed
};

// What a command does.
enum class Act {
  Frame,      // a handler of the frame's own
  Message,    // a private message to the active image window
  Toolkit,    // opens the processing toolkit on a tab
  Processor,  // a processor runs an operation of the registry on the active image
};

struct FrameCommand {
  int id;
  const char* text;    // menu text, with & before the mnemonic
  const char* prompt;  // status-line prompt; after "\n" the tool tip; may be empty
  Act act;
  Enable enable;
  const char* target = nullptr;  // toolkit tab or operation name
  int message = 0;               // Message: the private message number
  int enabledIndex = -1;         // ViewEntry: menu-state entry that enables it
  int checkedIndex = -1;         // menu-state entry that checks it
  int presetWord = -1;           // Processor: word 1 of the parameter block, or -1 for no block
};

const std::vector<FrameCommand>& frame_commands();
const FrameCommand* find_command(int id);

// The status-line part of a prompt (before the line break) and the tool tip (after it, or the whole
// prompt when there is none).
const char* prompt_line_end(const char* prompt);

namespace cmd {
// Ids of the commands the frame, the applications and the tests name directly.
enum : int {
  kOpen = 100,
  kClose = 101,
  kSave = 102,
  kSaveAs = 103,
  kSelectScanner = 104,
  kAcquire = 105,
  kPrintSetup = 106,
  kPrintPreview = 107,
  kPrint = 108,
  kCopy = 200,
  kPaste = 201,
  kViewToScale = 300,
  kViewToFit = 301,
  kViewToFitAspect = 302,
  kViewNormal = 303,
  kViewZoom2X = 304,
  kViewZoom4X = 305,
  kViewZoom8X = 306,
  kViewInformation = 307,
  kViewZoomIn2X = 308,
  kViewZoomIn4X = 309,
  kViewZoomIn8X = 310,
  kFullScreen = 311,
  kDuplicate = 400,
  kBrightness = 401,
  kRotateCW = 402,
  kRotateCCW = 403,
  kMirrorVert = 404,
  kMirrorHorz = 405,
  kCrop = 406,
  kResize = 407,
  kGray = 426,
  kPromote = 427,
  kInvert = 431,
  kColorize = 434,
  kHelp = 499,
  kAbout = 500,
  kExit = 24310,
  kCaptureScreen = 24320,
  kCaptureExcludingSelf = 24321,
  kCaptureWindowBehind = 24322,
  kCaptureSelf = 24323,
  kCascade = 24361,
  kTileVertical = 24362,
  kTileHorizontal = 24363,
  kArrangeIcons = 24364,
  kCloseAll = 24365,
  kToolkit = 32786,
  kToggleToolbar = 32787,
  kToggleStatusBar = 32788,
  kToggleConfigBar = 32840,
  kToggleSelectionBar = 32841,
  kToggleCaptureBar = 32857,
  kEmptyClipboard = 32866,
  kTogglePalette = 32867,
  kToggleMainMenu = 32877,
  kDragDropOpen = 32878,
  kImageLayout = 32879,
  kScripting = 32885,
  kToggleMaskBar = 32917,
  kToggleStrengthBar = 59398,
  kFileNew = 57600,
  kFileOpenMany = 57601,
  kUndo = 57643,
  kRedo = 57644,
  kAppAbout = 57664,
};
}  // namespace cmd

// The first and last ids that the image-command router handles; the rest have handlers of their own.
inline constexpr int kFirstImageCommand = 100;
inline constexpr int kLastImageCommand = 500;

}  // namespace ivorel
