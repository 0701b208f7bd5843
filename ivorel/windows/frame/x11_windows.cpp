// Xlib lives in this file alone: its `Display` type and its macros (None, Status, Bool) would collide with
// the display library and with Qt.
#include "ivorel/windows/frame/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <sstream>

namespace ivorel::x11 {
namespace {

int g_lastError = 0;

int record_error(::Display*, XErrorEvent* event) {
  g_lastError = event->error_code;
  return 0;
}

// Windows come and go while we look at them: a request about a vanished window must fail quietly instead
// of ending the program through the default handler.
class ErrorTrap {
 public:
  explicit ErrorTrap(::Display* display) : display_(display) {
    XSync(display_, False);
    g_lastError = 0;
    previous_ = XSetErrorHandler(record_error);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  bool failed() {
    XSync(display_, False);
    return g_lastError != 0;
  }

 private:
  ::Display* display_;
  int (*previous_)(::Display*, XErrorEvent*) = nullptr;
};

::Display* connection() {
  static ::Display* display = XOpenDisplay(nullptr);
  return display;
}

Atom atom(const char* name) {
  return XInternAtom(connection(), name, False);
}

// The 32-bit items of a property (windows, atoms, cardinals); empty when it is missing.
std::vector<unsigned long> long_property(Window window, Atom property, Atom type) {
  std::vector<unsigned long> values;
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(connection(), window, property, 0, 4096, False, type, &actualType, &format, &count,
                         &after, &data) == Success &&
      data) {
    if (format == 32) {
      const auto* items = reinterpret_cast<unsigned long*>(data);
      values.assign(items, items + count);
    }
    XFree(data);
  }
  return values;
}

bool has_property(Window window, Atom property) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool ok = XGetWindowProperty(connection(), window, property, 0, 0, False, AnyPropertyType,
                                     &actualType, &format, &count, &after, &data) == Success;
  if (data) XFree(data);
  return ok && actualType != 0;
}

std::vector<Window> children_of(Window window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  std::vector<Window> result;
  if (XQueryTree(connection(), window, &root, &parent, &children, &count) && children) {
    result.assign(children, children + count);
    XFree(children);
  }
  return result;
}

Window parent_of(Window window) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(connection(), window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return parent;
}

// The application window inside a manager's frame: the first window, breadth first, that has WM_STATE.
Window client_inside(Window frame) {
  const Atom wmState = atom("WM_STATE");
  std::deque<Window> queue{frame};
  while (!queue.empty()) {
    const Window window = queue.front();
    queue.pop_front();
    if (has_property(window, wmState)) return window;
    for (Window child : children_of(window)) queue.push_back(child);
  }
  return 0;
}

std::string title_of(Window window) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(connection(), window, atom("_NET_WM_NAME"), 0, 1024, False, atom("UTF8_STRING"),
                         &actualType, &format, &count, &after, &data) == Success &&
      data) {
    if (format == 8) title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(connection(), window, &name) && name) {
      title = name;
      XFree(name);
    }
  }
  return title;
}

bool skipped(const std::vector<WindowId>& skip, Window a, Window b) {
  return std::find(skip.begin(), skip.end(), a) != skip.end() ||
         std::find(skip.begin(), skip.end(), b) != skip.end();
}

// Docks, panels and the desktop's own window are not what anyone means by "the active window".
bool ordinary_window(Window client) {
  const auto types = long_property(client, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM);
  for (unsigned long type : types) {
    if (type == atom("_NET_WM_WINDOW_TYPE_DOCK") || type == atom("_NET_WM_WINDOW_TYPE_DESKTOP")) return false;
  }
  return true;
}

bool describe_window(Window client, TopLevel& out) {
  ::Display* display = connection();
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, client, &attributes)) return false;
  out = {};
  out.client = client;
  out.viewable = attributes.map_state == IsViewable;
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, client, root, 0, 0, &x, &y, &child);
  out.clientRect = {x, y, attributes.width, attributes.height};
  Window frame = client;
  for (Window parent = parent_of(frame); parent && parent != root; parent = parent_of(frame)) frame = parent;
  out.frame = frame;
  XWindowAttributes frameAttributes;
  if (frame != client && XGetWindowAttributes(display, frame, &frameAttributes)) {
    const int border = frameAttributes.border_width;
    out.frameRect = {frameAttributes.x, frameAttributes.y, frameAttributes.width + 2 * border,
                     frameAttributes.height + 2 * border};
  } else {
    out.frameRect = out.clientRect;
  }
  out.title = title_of(client);
  return true;
}

}  // namespace

bool connected() {
  return connection() != nullptr;
}

Rect screen_rect() {
  ::Display* display = connection();
  if (!display) return {};
  const int screen = DefaultScreen(display);
  return {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

bool describe(WindowId client, TopLevel& out) {
  if (!connected() || client == 0) return false;
  ErrorTrap trap(connection());
  const bool ok = describe_window(client, out);
  return ok && !trap.failed();
}

bool top_level_at(int x, int y, const std::vector<WindowId>& skip, TopLevel& out) {
  ::Display* display = connection();
  if (!display) return false;
  ErrorTrap trap(display);
  const std::vector<Window> stack = children_of(DefaultRootWindow(display));
  // The query lists the root's children bottom first.
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, *it, &attributes) || attributes.map_state != IsViewable ||
        attributes.c_class != InputOutput) {
      continue;
    }
    const int border = attributes.border_width;
    if (x < attributes.x || y < attributes.y || x >= attributes.x + attributes.width + 2 * border ||
        y >= attributes.y + attributes.height + 2 * border) {
      continue;
    }
    Window client = client_inside(*it);
    if (skipped(skip, *it, client)) continue;
    // Unmanaged windows (menus, tooltips) have no WM_STATE and stand for themselves.
    if (!client) {
      if (!attributes.override_redirect) continue;
      client = *it;
    }
    if (!ordinary_window(client)) return false;
    if (describe_window(client, out)) return !trap.failed();
  }
  return false;
}

bool active_window(const std::vector<WindowId>& skip, TopLevel& out) {
  ::Display* display = connection();
  if (!display) return false;
  ErrorTrap trap(display);
  const Window root = DefaultRootWindow(display);
  const auto active = long_property(root, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  if (!active.empty() && active[0] && !skipped(skip, active[0], active[0]) && ordinary_window(active[0]) &&
      describe_window(active[0], out) && out.viewable && !skipped(skip, out.frame, out.client)) {
    return true;
  }
  // The program's own window was active (its button was just pressed): the window the user worked in
  // before is the topmost other one.
  std::vector<unsigned long> stacking = long_property(root, atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (stacking.empty()) {
    for (Window top : children_of(root)) {
      if (Window client = client_inside(top)) stacking.push_back(client);
    }
  }
  for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
    if (skipped(skip, *it, *it) || !ordinary_window(*it)) continue;
    if (describe_window(*it, out) && out.viewable && !skipped(skip, out.frame, out.client)) return true;
  }
  (void)trap.failed();
  return false;
}

void raise(WindowId client) {
  ::Display* display = connection();
  if (!display || !client) return;
  ErrorTrap trap(display);
  const Window root = DefaultRootWindow(display);
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = client;
  event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // a request from a pager: managers honour it without focus-stealing rules
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XRaiseWindow(display, client);
  XSync(display, False);
}

// ---- Capture keys ----

KeyGrabber::KeyGrabber() : display_(XOpenDisplay(nullptr)) {}

KeyGrabber::~KeyGrabber() {
  release_all();
  if (display_) XCloseDisplay(static_cast<::Display*>(display_));
}

int KeyGrabber::fd() const {
  return display_ ? ConnectionNumber(static_cast<::Display*>(display_)) : -1;
}

namespace {

// The lock modifiers a grab must not depend on: Caps Lock and Num Lock (Mod2 on every usual layout).
constexpr unsigned kLockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

bool parse_sequence(::Display* display, const std::string& sequence, unsigned& keycode, unsigned& modifiers) {
  modifiers = 0;
  std::string key;
  std::stringstream parts(sequence);
  std::string part;
  while (std::getline(parts, part, '+')) {
    if (part == "Ctrl") {
      modifiers |= ControlMask;
    } else if (part == "Shift") {
      modifiers |= ShiftMask;
    } else if (part == "Alt") {
      modifiers |= Mod1Mask;
    } else if (part == "Meta") {
      modifiers |= Mod4Mask;
    } else {
      key = part;
    }
  }
  if (key.empty()) return false;
  KeySym symbol = XStringToKeysym(key.c_str());
  if (symbol == NoSymbol && key.size() == 1)
    symbol = XStringToKeysym(std::string(1, char(std::tolower(key[0]))).c_str());
  if (symbol == NoSymbol) return false;
  keycode = XKeysymToKeycode(display, symbol);
  return keycode != 0;
}

}  // namespace

bool KeyGrabber::grab(int id, const std::string& sequence) {
  auto* display = static_cast<::Display*>(display_);
  if (!display) return false;
  unsigned keycode = 0, modifiers = 0;
  if (!parse_sequence(display, sequence, keycode, modifiers)) return false;
  const Window root = DefaultRootWindow(display);
  ErrorTrap trap(display);
  for (unsigned lock : kLockVariants) {
    XGrabKey(display, int(keycode), modifiers | lock, root, False, GrabModeAsync, GrabModeAsync);
  }
  // The server answers a key held by another client with BadAccess, and only when asked to sync.
  if (trap.failed()) {
    for (unsigned lock : kLockVariants) XUngrabKey(display, int(keycode), modifiers | lock, root);
    return false;
  }
  grabs_.push_back({id, keycode, modifiers});
  return true;
}

void KeyGrabber::release_all() {
  auto* display = static_cast<::Display*>(display_);
  if (!display) return;
  const Window root = DefaultRootWindow(display);
  for (const Grab& grab : grabs_) {
    for (unsigned lock : kLockVariants) XUngrabKey(display, int(grab.keycode), grab.modifiers | lock, root);
  }
  grabs_.clear();
  XSync(display, False);
}

std::vector<int> KeyGrabber::take_presses() {
  std::vector<int> pressed;
  auto* display = static_cast<::Display*>(display_);
  if (!display) return pressed;
  while (XPending(display)) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != KeyPress) continue;
    const unsigned state = event.xkey.state & ~(LockMask | Mod2Mask);
    for (const Grab& grab : grabs_) {
      if (grab.keycode == event.xkey.keycode && grab.modifiers == state) pressed.push_back(grab.id);
    }
  }
  return pressed;
}

}  // namespace ivorel::x11
