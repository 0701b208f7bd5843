#include "display/window.h"

namespace draw {

void* Window::property(const std::string& name) const {
  auto it = properties_.find(name);
  return it == properties_.end() ? nullptr : it->second;
}

void* Window::remove_property(const std::string& name) {
  auto it = properties_.find(name);
  if (it == properties_.end()) return nullptr;
  void* value = it->second;
  properties_.erase(it);
  return value;
}

MemoryWindow::MemoryWindow(int width, int height, int bitsPerPixel) : bitsPerPixel_(bitsPerPixel) {
  surface_.width = width > 0 ? width : 0;
  surface_.height = height > 0 ? height : 0;
  surface_.pixels.assign(static_cast<std::size_t>(surface_.width) * surface_.height, 0);
}

std::unique_ptr<DeviceContext> MemoryWindow::device_context() {
  return std::make_unique<DeviceContext>(surface_, bitsPerPixel_);
}

void MemoryWindow::invalidate(const RECT*, bool erase) {
  ++invalidations_;
  lastErase_ = erase;
}

}  // namespace draw

int GetClientRect(HWND window, RECT* rect) {
  if (!window || !rect) return 0;
  *rect = window->client_rect();
  return 1;
}

HDC GetDC(HWND window) {
  return window ? window->device_context().release() : nullptr;
}

int ReleaseDC(HWND window, HDC dc) {
  if (!dc) return 0;
  std::unique_ptr<draw::DeviceContext> owned(dc);
  if (window) window->release_device_context(std::move(owned));
  return 1;
}

void* GetPropA(HWND window, const char* name) {
  return window && name ? window->property(name) : nullptr;
}

int SetPropA(HWND window, const char* name, void* value) {
  if (!window || !name) return 0;
  window->set_property(name, value);
  return 1;
}

void* RemovePropA(HWND window, const char* name) {
  return window && name ? window->remove_property(name) : nullptr;
}

int InvalidateRect(HWND window, const RECT* rect, int erase) {
  if (!window) return 0;
  window->invalidate(rect, erase != 0);
  return 1;
}
