// The window face of the drawing layer: what the display code needs of a window (its client rectangle, a
// device context onto the client area, named properties, invalidation). The Qt image windows implement it;
// MemoryWindow keeps the client area in memory for tests and command-line rendering.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "display/device_context.h"

namespace draw {

class Window {
 public:
  virtual ~Window() = default;
  // Left and top are 0.
  virtual RECT client_rect() const = 0;
  virtual std::unique_ptr<DeviceContext> device_context() = 0;
  // Called when a device context from device_context() is given back, so that the window can show what was
  // drawn.
  virtual void release_device_context(std::unique_ptr<DeviceContext> dc) { dc.reset(); }
  // `rect` null means the whole client area.
  virtual void invalidate(const RECT* rect, bool erase) = 0;

  // Properties hold handles that the window does not own.
  void set_property(const std::string& name, void* value) { properties_[name] = value; }
  void* property(const std::string& name) const;
  void* remove_property(const std::string& name);

 private:
  std::map<std::string, void*> properties_;
};

class MemoryWindow : public Window {
 public:
  // A black client area of the given size on a screen of `bitsPerPixel` (the screen setting by default).
  MemoryWindow(int width, int height, int bitsPerPixel = screen_bits_per_pixel());
  RECT client_rect() const override { return RECT{0, 0, surface_.width, surface_.height}; }
  std::unique_ptr<DeviceContext> device_context() override;
  void invalidate(const RECT* rect, bool erase) override;

  DeviceBitmap& surface() { return surface_; }
  int invalidations() const { return invalidations_; }
  bool last_erase() const { return lastErase_; }

 private:
  DeviceBitmap surface_;
  int bitsPerPixel_;
  int invalidations_ = 0;
  bool lastErase_ = false;
};

}  // namespace draw

using HWND = draw::Window*;

int GetClientRect(HWND window, RECT* rect);
// A device context onto the client area, to be given back with ReleaseDC; null without a window.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
void* GetPropA(HWND window, const char* name);
int SetPropA(HWND window, const char* name, void* value);
void* RemovePropA(HWND window, const char* name);
int InvalidateRect(HWND window, const RECT* rect, int erase);

namespace draw {

// A window's device context for one scope.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() { ReleaseDC(window_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace draw
