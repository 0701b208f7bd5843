// The client area of an image window: a scroll area that is the window of the drawing layer. The display
// code paints into an off-screen surface of the view's size (exact, as on every platform of the suite), and
// the view shows that surface; scroll bars, mouse, keys and size changes go to the window logic.
#pragma once

#include <QAbstractScrollArea>
#include <QRegion>

#include <functional>
#include <vector>

#include "ivorel/windows/draw_objects.h"
#include "ivorel/windows/window_host.h"
#include "platform/core/device_bitmap.h"

class CMDIChildImageWnd;
class QMimeData;
class QPainter;
class QTextEdit;
class QScrollBar;
namespace ivorel::paint {
struct StampMask;
}

class CDrawView : public QAbstractScrollArea, public ivorel::ImageWindowHost {
  Q_OBJECT

 public:
  explicit CDrawView(CMDIChildImageWnd* child);
  ~CDrawView() override;

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

  // ---- The drawing and its selection (draw_view_selection.cpp)
  CDrawDoc& GetDocument() { return m_document; }
  const std::vector<CDrawObj*>& Selection() const { return m_selection; }
  bool IsSelected(const CDrawObj* object) const;
  // Selects `object` (null: none), added to the selection or in its place.
  void Select(CDrawObj* object, bool add);
  void InvalObj(const CDrawObj* object);
  // The frame's command states follow the selection.
  void SelectionChanged();
  void CloneSelection();

  POINT ClientToDoc(POINT p) const;
  RECT ClientToDoc(const RECT& r) const;
  POINT DocToClient(POINT p) const;
  RECT DocToClient(const RECT& r) const;
  // The view's client area is the image window's: image display coordinates are client coordinates.
  POINT ClientToImageDisplay(POINT p) const { return p; }
  POINT ImageDisplayToClient(POINT p) const { return p; }
  POINT DocToImageDisplay(POINT p) const { return DocToClient(p); }
  POINT ImageDisplayToDoc(POINT p) const { return ClientToDoc(p); }
  POINT ImageDisplayToImageData(POINT p) const;
  POINT ImageDataToImageDisplay(POINT p) const;
  ivorel::ImagePlacement Placement() const;

  bool SelectionHasImage() const;
  bool SelectionHasImageAndAlpha() const;
  bool SelectionIsShowingAlpha() const;
  int GetSelectionImageDataArray(std::vector<_IMAGEDESCRIPTOR*>& list) const;
  RECT GetSelectionBoundingBox() const;
  // Runs an image command on every selected object with pixels, each with its own undo snapshot; 1 when
  // at least one took it (the image itself is then left alone).
  int ProcessSelectionImages(int commandId, const std::function<bool(SelectionImagePart&)>& run);
  // Combines every selected object with pixels into the image (one undo snapshot of the image first).
  bool CombineSelections(int code, bool transparent);

  bool SelectionCommandEnabled(int id) const;
  void OnSelectionCommand(int id);

  // The in-place text of the one selected object: opens a rich-text editor over it, or closes the one open
  // (the text and its formats stay with the selection).
  void ToggleTextEditor();
  void CloseTextEditor();
  QTextEdit* TextEditor() const { return m_textEditor; }

  // ---- Dragging selections between image windows (draw_view_drag.cpp)
  // The selected objects as the clipboard and drags carry them: the stored objects, a plain image of the
  // first one with pixels for other programs, and where in them the pointer holds them.
  QMimeData* SelectionMimeData(QPoint grabClient) const;
  // Runs a drag of `data` (taking it) and answers what the drop did; tests install one that drops where they
  // want, null puts back the desktop's drag.
  using DragRunner = std::function<Qt::DropAction(QWidget* source, QMimeData* data)>;
  static void SetDragRunner(DragRunner runner);

  static int CurrentTool();
  static void SetCurrentTool(int tool);
  // Whether the outlines of objects that are not selected are drawn (all image windows alike).
  static bool ShowObjects();
  bool GridShown() const { return m_bGrid; }

  // ---- Painting (draw_view_paint.cpp): pixel access for the tools, in image display (client) or logical
  // (document) coordinates; colours become the nearest palette entry in palette images.
  RGBCOLOR GetColorAtImageDisplayPosition(POINT display, int& index) const;
  RGBCOLOR GetColorAtLogicalPosition(POINT doc, int& index) const;
  bool SetColorAtImageDisplayPosition(POINT display, RGBCOLOR colour);
  bool SetColorAtLogicalPosition(POINT doc, RGBCOLOR colour);
  // The pattern's cells centred on the pixel under `display`.
  bool SetPatternAtImageDisplayPosition(POINT display, const ivorel::paint::StampMask& pattern, RGBCOLOR colour);
  // Writes every pixel where a 32-bit drawing surface of the image's size differs from the image; the
  // number written, or -1 when the sizes disagree.
  long long SetImageMemoryDCToImageBuffer(const DeviceBitmap& surface);
  static bool IsPaintTool(int tool);
  bool PaintStrokeActive() const;
  // Ends a stroke or polygon in progress as its release would (the mouse lost, the window closing, the tool
  // changed); `at` is the release point, null for where the stroke stands.
  void EndPaintStroke(const POINT* at = nullptr);
  void UpdateToolCursor();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int, int) override {}
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Ctrl+wheel zooms toward the pointer; the plain wheel scrolls.
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QScrollBar* Bar(ivorel::ScrollBar bar) const;
  void OnScrollAction(ivorel::ScrollBar bar, int action);
  void EnsureSurface();
  void PaintPending();
  void ReportPosition(QPoint client);

  static void LoadPasteStore();
  // The painting tools' events: true when the current tool took it.
  bool PaintPress(Qt::MouseButton button, unsigned keys, POINT point);
  bool PaintMove(unsigned keys, POINT point);
  bool PaintRelease(Qt::MouseButton button, POINT point);
  bool PaintDoubleClick(POINT point);
  void PaintRubberBand(QPainter& painter);
  void StrokeTo(POINT pixel);
  void PolygonPress(POINT point, bool onImage);
  void ClosePolygon(bool dropTrailing);
  void PickColour(POINT point, bool brush);
  void FloodFillAt(POINT pixel);
  void InvalidateImagePixels(int left, int top, int right, int bottom);
  void FinishImagePainting();
  void PaintObjects(QPainter& painter, const QRect& area);
  void PaintText(QPainter& painter, const CDrawObj& object);
  bool FillEmptySelections();
  void WriteStore(std::vector<unsigned char>& store);
  void PasteFrom(const std::vector<unsigned char>& store);
  void CropSelectionToWindow();
  // The selection leaves the window under the pointer: it goes on as a drag that other image windows take.
  void StartSelectionDrag(QPoint client);
  // Places the objects of a store with their bounding box's top-left corner at `topLeft` (document
  // coordinates), fitted into the image, and selects them.
  void PlaceObjects(std::vector<std::unique_ptr<CDrawObj>> objects, POINT topLeft);
  void PutSelectionOnClipboard();
  void DeleteSelection();
  void FrameSelection();
  // The whole image replaced by the one selected object's pixels repeated from the top-left corner.
  void TileSelection();
  // Asks for the selected objects' line (and text) colour or their fill colour.
  void ChooseObjectColour(bool fill);
  void ToggleShowObjects();
  bool SelectionPenFrame(CDrawObj& object);

  CMDIChildImageWnd* child_;
  CDrawDoc m_document;
  std::vector<CDrawObj*> m_selection;
  bool m_bGrid = false;
  QTextEdit* m_textEditor = nullptr;
  CDrawObj* m_textObject = nullptr;
  DeviceBitmap surface_;
  QRegion pending_;       // invalid, waiting for the next paint
  QRegion pendingErase_;  // the part of it whose background is erased first
  QPoint lastDragPoint_;  // where the pointer last moved the objects it drags
  bool painting_ = false;
  bool settingBars_ = false;
};
