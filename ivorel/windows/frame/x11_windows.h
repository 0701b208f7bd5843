// The X server's side of capturing, shared by the editor frame and the capture program: which top-level
// window is under a point, which one is active, where a window's frame and client area are, and the grabbed
// capture keys. Plain types only, so that no Qt or display-library header ever meets Xlib's macros and its
// `Display`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ivorel::x11 {

using WindowId = std::uint64_t;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

// A top-level window as the user sees it: the window manager's frame around the application's client
// window (the one carrying WM_STATE). Without a manager, frame and client are the same window.
struct TopLevel {
  WindowId frame = 0;
  WindowId client = 0;
  Rect frameRect;   // screen coordinates, decorations included
  Rect clientRect;  // screen coordinates of the client window
  std::string title;
  bool viewable = false;
};

// One connection to the X server named by DISPLAY, opened on first use; false when there is none.
bool connected();

// The top-level window under the screen point, skipping any window whose client or frame is in `skip`
// (the program's own windows). False when the point is over the bare root window or off the screen.
bool top_level_at(int x, int y, const std::vector<WindowId>& skip, TopLevel& out);

// The window the manager calls active (_NET_ACTIVE_WINDOW); when that is one of `skip` or there is none,
// the topmost other managed window of the stacking list. False when no window qualifies.
bool active_window(const std::vector<WindowId>& skip, TopLevel& out);

// Fresh geometry, title and visibility of a client window; false when it no longer exists.
bool describe(WindowId client, TopLevel& out);

// Asks the manager to raise and focus the window, and waits until the server has done what it can.
void raise(WindowId client);

// The size of the root window.
Rect screen_rect();

// Capture keys grabbed on the root window of a connection of their own, so their presses arrive even
// while another program has the focus.
class KeyGrabber {
 public:
  KeyGrabber();
  ~KeyGrabber();
  KeyGrabber(const KeyGrabber&) = delete;
  KeyGrabber& operator=(const KeyGrabber&) = delete;

  // Grabs the key (an X key name such as "Print" or "F10", with modifier names Ctrl, Shift, Alt, Meta
  // joined by '+') under `id`, whatever the state of Caps Lock and Num Lock. False when the name is unknown
  // or another program holds the key; nothing stays grabbed then.
  bool grab(int id, const std::string& sequence);
  void release_all();
  // The descriptor to watch for presses, or -1 without a connection.
  int fd() const;
  // The ids of the grabbed keys pressed since the last call.
  std::vector<int> take_presses();

 private:
  struct Grab {
    int id;
    unsigned keycode;
    unsigned modifiers;
  };
  void* display_ = nullptr;
  std::vector<Grab> grabs_;
};

}  // namespace ivorel::x11
