// Helpers of the image-window tests: an image window kept in memory (the host of the window logic) and
// scripted message boxes and file choosers.
#pragma once

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "ivorel/windows/image_wnd_functions.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace testing_support {

// An MDI image window in memory. The client area is the window's inner area less the room of the shown
// scroll bars; the surface always has the client area's size, as a real window's paint surface does.
class MemoryHost : public ivorel::ImageWindowHost {
 public:
  static constexpr int kFrameX = 8;   // left and right borders
  static constexpr int kFrameY = 30;  // caption and borders
  static constexpr int kBar = 16;

  MemoryHost(int innerWidth, int innerHeight) : innerW(innerWidth), innerH(innerHeight) { fit_surface(); }

  RECT client_rect() const override {
    return RECT{0, 0, std::max(0, innerW - (bars[1].shown() ? kBar : 0)),
                std::max(0, innerH - (bars[0].shown() ? kBar : 0))};
  }
  std::unique_ptr<draw::DeviceContext> device_context() override {
    return std::make_unique<draw::DeviceContext>(surface, 32);
  }
  void release_device_context(std::unique_ptr<draw::DeviceContext> dc) override {
    dc.reset();
    ++shown;
  }
  void invalidate(const RECT*, bool erase) override {
    ++invalidations;
    lastErase = erase;
  }
  void update() override { ++updates; }
  std::string class_name() const override { return "IMAGEWINDOW"; }

  void set_title(const std::string& text) override { title = text; }
  ivorel::Extent window_size() const override { return {innerW + kFrameX, innerH + kFrameY}; }
  void resize_window(ivorel::Extent size) override {
    resized = size;
    innerW = size.width - kFrameX;
    innerH = size.height - kFrameY;
    fit_surface();
  }
  bool is_maximized() const override { return maximized; }
  void post_close() override { ++closeRequests; }

  ivorel::ScrollState scroll_state(ivorel::ScrollBar bar) const override { return bars[index(bar)]; }
  void set_scroll_range(ivorel::ScrollBar bar, int min, int max) override {
    ivorel::ScrollState& s = bars[index(bar)];
    s.min = min;
    s.max = max;
    s.position = std::clamp(s.position, min, std::max(min, max));
    fit_surface();
  }
  void set_scroll_position(ivorel::ScrollBar bar, int position) override {
    bars[index(bar)].position = position;
  }
  int scroll_bar_thickness(ivorel::ScrollBar) const override { return kBar; }
  void scroll_client(int dx, int dy) override { scrolls.push_back({dx, dy}); }

  void capture_mouse(bool on) override { captured = on; }
  void confine_cursor(bool on) override { confined = on; }

  ivorel::Extent mdi_client_size() const override { return mdiClient; }
  bool another_child_active() const override { return otherActive; }
  void send_menu_update(const _MENUUPDATE& menu) override {
    lastMenu = menu;
    ++menuUpdates;
  }
  void child_closing() override { ++childrenClosed; }
  void show_image_information() override { ++informationShown; }

  int innerW, innerH;
  ivorel::ScrollState bars[2];  // [0] horizontal, [1] vertical
  DeviceBitmap surface;
  std::string title;
  ivorel::Extent resized{-1, -1};
  ivorel::Extent mdiClient{800, 600};
  bool maximized = false, otherActive = false, captured = false, confined = false, lastErase = false;
  int invalidations = 0, updates = 0, shown = 0, closeRequests = 0, menuUpdates = 0, childrenClosed = 0,
      informationShown = 0;
  _MENUUPDATE lastMenu;
  std::vector<POINT> scrolls;

 private:
  static int index(ivorel::ScrollBar bar) { return bar == ivorel::ScrollBar::Horizontal ? 0 : 1; }
  void fit_surface() {
    const RECT c = client_rect();
    if (surface.width == c.right && surface.height == c.bottom) return;
    surface.width = c.right;
    surface.height = c.bottom;
    surface.pixels.assign(static_cast<std::size_t>(c.right) * c.bottom, 0);
  }
};

// Installs itself as the message-box service and answers each box with the next scripted answer (the
// default button once the script runs out), recording every box.
class ScriptedMessageBox : public pcore::MessageBoxService {
 public:
  explicit ScriptedMessageBox(std::deque<int> script = {}) : answers(std::move(script)) {
    pcore::install_message_box(this);
  }
  ~ScriptedMessageBox() override { pcore::install_message_box(nullptr); }
  int show(const void*, const std::string& text, const std::string& caption, pcore::MessageIcon icon,
           pcore::MessageButtons buttons) override {
    texts.push_back(text);
    captions.push_back(caption);
    icons.push_back(icon);
    if (answers.empty()) return pcore::default_button(buttons);
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  std::vector<std::string> texts, captions;
  std::vector<pcore::MessageIcon> icons;
};

// One answer of the scripted file chooser: OK with a path and the filter left selected, or cancel.
struct ChooserAnswer {
  bool ok = false;
  std::string path;
  int filterIndex = 1;
};

class ScriptedFileDialogs : public pcore::FileDialogService {
 public:
  explicit ScriptedFileDialogs(std::deque<ChooserAnswer> script = {}) : answers(std::move(script)) {
    pcore::install_file_dialogs(this);
  }
  ~ScriptedFileDialogs() override { pcore::install_file_dialogs(nullptr); }
  int run(pcore::FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty() || !answers.front().ok) {
      if (!answers.empty()) answers.pop_front();
      return pcore::kIdCancel;
    }
    request.path = answers.front().path;
    request.filterIndex = answers.front().filterIndex;
    answers.pop_front();
    return pcore::kIdOk;
  }
  std::deque<ChooserAnswer> answers;
  std::vector<pcore::FileDialogRequest> requests;
};

// A descriptor with a new block of deterministic pixels (every byte from `seed`), as a new or pasted
// image arrives; the block is unlocked, for a window to adopt.
inline _IMAGEDESCRIPTOR make_descriptor(unsigned short width, unsigned short height, unsigned short bits,
                                        unsigned short colors, unsigned seed = 1) {
  _IMAGEDESCRIPTOR d;
  d.width = width;
  d.height = height;
  d.xResolution = d.yResolution = 100;
  d.bitsPerPixel = bits;
  d.colors = colors;
  d.imageSize = static_cast<std::uint32_t>(dib_stride(width, bits) * height);
  d.hImageData = GlobalAlloc(d.imageSize);
  auto* p = static_cast<unsigned char*>(GlobalLock(d.hImageData));
  for (std::uint32_t i = 0; i < d.imageSize; ++i)
    p[i] = static_cast<unsigned char>(i * 7 + seed * 13 + i / 97);
  GlobalUnlock(d.hImageData);
  for (int i = 0; i < 256; ++i)
    d.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                            static_cast<unsigned char>(i * 3)};
  return d;
}

}  // namespace testing_support
