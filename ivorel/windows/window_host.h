// What the window logic of an image window (ImageWndFunctions) needs of the window that shows it, of the
// MDI client around that window and of the frame: a small interface that the desktop layer implements with
// its widgets and the tests implement in memory.
//
// The host is a draw::Window, so that the display object paints into it exactly as into any other window:
// client_rect() is the area inside the scroll bars, device_context() draws onto what the window shows,
// invalidate() asks for a paint. The members below add what an MDI image window does beyond painting.
//
// How the desktop layer drives the logic (every call on the user-interface thread):
//   resize of the client area      -> ImageWndFunctions::EvSize(kind, client size)
//   a scroll bar moved             -> HandleWindowHScroll / HandleWindowVScroll(code, thumb position)
//   left button down / up, move    -> EvLButtonDown / EvLButtonUp / EvMouseMove (client coordinates)
//   activation inside the MDI area -> EvMDIActivate(activated window, deactivated window)
//   a paint                        -> EvEraseBkGnd(dc) for the background, then Paint(update box, 0), with
//                                     the update region in the window property "OnlyForPaintRegion"
//   a close request                -> CanClose(); close only when it returns 1
//   private messages 1124 ... 1138 -> DispatchImageWindowMessage(number, wParam, lParam, description)
//
// What the host must also be, as a draw::Window: class_name() "IMAGEWINDOW" (processors and the frame find
// image windows by it); the property ivorel::kUndoStoreProperty (processing.h) set to the window's undo
// store, so that every processor built on the image saves its undo snapshot; and device_context() drawing
// onto what the window shows, during a paint and outside one (the crop band draws between paints, and
// release_device_context() is where the host shows it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/window.h"
#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

struct Extent {
  int width = 0;
  int height = 0;
};

enum class ScrollBar { Horizontal, Vertical };

// A scroll bar's range and position. A bar whose range is empty (max <= min) is hidden, and the client
// area then has its room.
struct ScrollState {
  int min = 0;
  int max = 0;
  int position = 0;
  bool shown() const { return max > min; }
};

// Text as a one-bit picture: set pixels are the glyphs (white), clear ones the background (black).
struct MonoBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // one byte per pixel, rows top-down, 1 = set
  bool at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] != 0; }
};

// The label font of the crop rubber band when the host has none of its own: digits and 'x', 5 x 7 cells.
MonoBitmap render_builtin_label(const std::string& text);

class ImageWindowHost : public draw::Window {
 public:
  // ---- The window

  // The caption of the window (the MDI child's title).
  virtual void set_title(const std::string& title) = 0;
  // The window's outer size: frame, caption and shown scroll bars included.
  virtual Extent window_size() const = 0;
  // Gives the window this outer size, keeping its position and its place in the stacking order.
  virtual void resize_window(Extent size) = 0;
  virtual bool is_maximized() const = 0;
  // Asks the window to close once the current event has been handled (a posted close request); the close
  // then goes through CanClose like any other.
  virtual void post_close() = 0;

  // ---- Scroll bars

  virtual ScrollState scroll_state(ScrollBar bar) const = 0;
  // Sets the range (the position is clamped into it) and redraws the bar; an empty range hides the bar.
  virtual void set_scroll_range(ScrollBar bar, int min, int max) = 0;
  // Moves the bar's thumb (redrawn); the contents are moved separately with scroll_client.
  virtual void set_scroll_position(ScrollBar bar, int position) = 0;
  // How much room a shown bar takes: the vertical bar's width, the horizontal bar's height.
  virtual int scroll_bar_thickness(ScrollBar bar) const = 0;
  // Moves the client area's contents by (dx, dy) pixels; the uncovered parts are invalidated and erased.
  virtual void scroll_client(int dx, int dy) = 0;

  // ---- The mouse

  // While captured, every mouse event goes to this window, even outside it.
  virtual void capture_mouse(bool on) = 0;
  // Keeps the pointer inside the client area while on; a convenience a host may leave out.
  virtual void confine_cursor(bool on) { (void)on; }

  // ---- The MDI client and the frame

  // The size of the MDI client area that holds this window.
  virtual Extent mdi_client_size() const = 0;
  // True when another child of the MDI client is the active one: this window then paints as inactive.
  virtual bool another_child_active() const = 0;
  // Message 1125 to the frame: the view state that its menus and toolbars show.
  virtual void send_menu_update(const _MENUUPDATE& menu) = 0;
  // This window agreed to close: the frame counts one image window less.
  virtual void child_closing() = 0;
  // Shows the image information dialog for this window's image, modally (message 1135).
  virtual void show_image_information() = 0;
  // The crop rubber band's size label, white on black. The built-in font unless the host draws its own.
  virtual MonoBitmap render_label(const std::string& text) { return render_builtin_label(text); }
};

}  // namespace ivorel
