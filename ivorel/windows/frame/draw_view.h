// The client area of an image window: a scroll area that is the window of the drawing layer. The display
// code paints into an off-screen surface of the view's size (exact, as on every platform of the suite), and
// the view shows that surface; scroll bars, mouse, keys and size changes go to the window logic.
#pragma once

#include <QAbstractScrollArea>
#include <QRegion>

#include "ivorel/windows/window_host.h"
#include "platform/core/device_bitmap.h"

class CMDIChildImageWnd;
class QScrollBar;

class CDrawView : public QAbstractScrollArea, public ivorel::ImageWindowHost {
  Q_OBJECT

 public:
  explicit CDrawView(CMDIChildImageWnd* child);

  // ---- draw::Window
  RECT client_rect() const override;
  std::unique_ptr<draw::DeviceContext> device_context() override;
  void release_device_context(std::unique_ptr<draw::DeviceContext> dc) override;
  void invalidate(const RECT* rect, bool erase) override;
  void update() override;
  std::string class_name() const override { return "IMAGEWINDOW"; }

  // ---- ImageWindowHost
  void set_title(const std::string& title) override;
  ivorel::Extent window_size() const override;
  void resize_window(ivorel::Extent size) override;
  bool is_maximized() const override;
  void post_close() override;
  ivorel::ScrollState scroll_state(ivorel::ScrollBar bar) const override;
  void set_scroll_range(ivorel::ScrollBar bar, int min, int max) override;
  void set_scroll_position(ivorel::ScrollBar bar, int position) override;
  int scroll_bar_thickness(ivorel::ScrollBar bar) const override;
  void scroll_client(int dx, int dy) override;
  void capture_mouse(bool on) override;
  ivorel::Extent mdi_client_size() const override;
  bool another_child_active() const override;
  void send_menu_update(const _MENUUPDATE& menu) override;
  void child_closing() override;
  void show_image_information() override;
  ivorel::MonoBitmap render_label(const std::string& text) override;

  // The surface as the view shows it (tests look at the pixels).
  const DeviceBitmap& Surface() const { return surface_; }
  // The image pixel under a client point, or false when the point is not over the image.
  bool ImagePixelAt(QPoint client, int& x, int& y) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int, int) override {}
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Ctrl+wheel zooms toward the pointer; the plain wheel scrolls.
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QScrollBar* Bar(ivorel::ScrollBar bar) const;
  void OnScrollAction(ivorel::ScrollBar bar, int action);
  void EnsureSurface();
  void PaintPending();
  void ReportPosition(QPoint client);

  CMDIChildImageWnd* child_;
  DeviceBitmap surface_;
  QRegion pending_;       // invalid, waiting for the next paint
  QRegion pendingErase_;  // the part of it whose background is erased first
  bool painting_ = false;
  bool settingBars_ = false;
};
