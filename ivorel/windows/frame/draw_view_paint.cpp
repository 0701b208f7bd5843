// The drawing view's painting tools: the line shape and polygon selections, the pen, brush and line tools
// that stamp into the image, the colour picker and the tolerant flood fill, with the pixel access they
// share and each tool's cursor. Strokes paint straight into the image's own pixels (any depth) after an
// undo snapshot, so the window shows them as they are made and the image is never left between states.
#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <algorithm>

#include "ivorel/processing/combine.h"
#include "ivorel/processing/drawing_colours.h"
#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/paint_bars.h"
#include "ivorel/windows/frame/paint_stamps.h"
#include "ivorel/windows/paint_engine.h"
#include "platform/core/message_box.h"

using namespace ivorel;

namespace {

// A stroke in progress: the tool, its points (image pixels) and what it paints with. One at a time: the
// mouse belongs to one view while a button is held.
struct Stroke {
  QPointer<CDrawView> view;
  int tool = 0;
  StampKind kind = StampKind::Pen;
  paint::StampMask stamp;
  std::uint32_t value = 0;
  bool spray = false;
  std::vector<POINT> points;  // the stroke's record (image pixels)
  POINT lineEnd = {0, 0};     // the line tool's rubber band end (client)
  POINT lineStart = {0, 0};   // ... and start (client)
  bool rubber = false;
};

Stroke g_stroke;
// The polygon being made (tool 5): it follows the pointer until closed.
QPointer<CDrawView> g_polygonView;
CDrawPolyWithImage* g_polygon = nullptr;

std::uint32_t rgb_of(RGBCOLOR c) {
  return static_cast<std::uint32_t>(c.red) | c.green << 8 | static_cast<std::uint32_t>(c.blue) << 16;
}

void fit_bounds(CDrawPoly& poly) {
  RECT r{poly.m_points.front().x, poly.m_points.front().y, poly.m_points.front().x + 1,
         poly.m_points.front().y + 1};
  for (const POINT& p : poly.m_points) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x + 1);
    r.bottom = std::max(r.bottom, p.y + 1);
  }
  poly.m_position = r;
}

// A cursor drawn as a glyph in a 32 x 32 pixmap, with its hot spot.
QCursor glyph_cursor(const QString& glyph, int hotX, int hotY) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  QFont font = QApplication::font();
  font.setPixelSize(18);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) p.drawText(QRect(8 + dx, 8 + dy, 24, 24), Qt::AlignCenter, glyph);
  p.setPen(Qt::black);
  p.drawText(QRect(8, 8, 24, 24), Qt::AlignCenter, glyph);
  p.drawLine(0, hotY, 6, hotY);
  p.drawLine(hotX, 0, hotX, 6);
  return QCursor(pixmap, hotX, hotY);
}

// The brush cursor: a circle or square the size of the stamp on the screen.
QCursor stamp_cursor(const StampSettings& s, double scale) {
  const int d = std::clamp(static_cast<int>(s.size * scale), 3, 120);
  QPixmap pixmap(d + 2, d + 2);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(Qt::white, 1));
  const QRect box(1, 1, d - 1, d - 1);
  const bool round = s.shape == kStampRound && s.size >= 5;
  round ? p.drawEllipse(box) : p.drawRect(box);
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  round ? p.drawEllipse(box) : p.drawRect(box);
  return QCursor(pixmap, (d + 2) / 2, (d + 2) / 2);
}

}  // namespace

// ---- Pixel access

RGBCOLOR CDrawView::GetColorAtImageDisplayPosition(POINT display, int& index) const {
  index = 0;
  const POINT p = ImageDisplayToImageData(display);
  if (!child_->HasImage() || !paint::inside(child_->image, p.x, p.y)) return RGBCOLOR{0, 0, 0};
  return paint::get_pixel(child_->image, p.x, p.y, index);
}

RGBCOLOR CDrawView::GetColorAtLogicalPosition(POINT doc, int& index) const {
  return GetColorAtImageDisplayPosition(DocToImageDisplay(doc), index);
}

bool CDrawView::SetColorAtImageDisplayPosition(POINT display, RGBCOLOR colour) {
  const POINT p = ImageDisplayToImageData(display);
  if (!child_->HasImage() || !paint::inside(child_->image, p.x, p.y)) return false;
  paint::set_value(child_->image, p.x, p.y, paint::pixel_value(child_->image, colour));
  RECT r = ivorel::ImageDataToImageDisplay(Placement(), RECT{p.x, p.y, p.x + 1, p.y + 1});
  r.right = std::max(r.right, r.left + 1);
  r.bottom = std::max(r.bottom, r.top + 1);
  invalidate(&r, false);
  return true;
}

bool CDrawView::SetColorAtLogicalPosition(POINT doc, RGBCOLOR colour) {
  return SetColorAtImageDisplayPosition(DocToImageDisplay(doc), colour);
}

bool CDrawView::SetPatternAtImageDisplayPosition(POINT display, const paint::StampMask& pattern,
                                                 RGBCOLOR colour) {
  const POINT p = ImageDisplayToImageData(display);
  if (!child_->HasImage() || !paint::inside(child_->image, p.x, p.y)) return false;
  paint::Touched touched;
  paint::place_stamp(child_->image, pattern, p.x, p.y, paint::pixel_value(child_->image, colour), touched);
  InvalidateImagePixels(touched.left, touched.top, touched.right, touched.bottom);
  return !touched.Empty();
}

long long CDrawView::SetImageMemoryDCToImageBuffer(const DeviceBitmap& surface) {
  if (!child_->HasImage()) return -1;
  const long long written = paint::surface_to_image(surface, child_->image);
  if (written > 0) FinishImagePainting();
  return written;
}

void CDrawView::InvalidateImagePixels(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  RECT r = ivorel::ImageDataToImageDisplay(Placement(), RECT{left, top, right, bottom});
  // A reduced view may round a pixel away: one more on each side covers it.
  r.left -= 1;
  r.top -= 1;
  r.right += 2;
  r.bottom += 2;
  invalidate(&r, false);
}

void CDrawView::FinishImagePainting() {
  child_->RebuildDisplayObj(0);
  child_->MakeImageDirty();
  invalidate(nullptr, false);
  child_->ImageChanged();
}

// ---- The tools

bool CDrawView::IsPaintTool(int tool) {
  return tool == kToolPolygon || (tool >= kToolPen && tool <= kToolLine);
}

bool CDrawView::PaintStrokeActive() const {
  return g_stroke.view == this;
}

bool CDrawView::PaintPress(Qt::MouseButton button, unsigned, POINT point) {
  const int tool = CurrentTool();
  if (!IsPaintTool(tool)) return false;
  if (!child_->HasImage() || child_->cropArmed) return true;
  const RECT R = Placement().imageRect;
  const bool onImage = point.x >= R.left && point.x < R.right && point.y >= R.top && point.y < R.bottom;
  if (tool == kToolPolygon) {
    if (button == Qt::LeftButton) PolygonPress(point, onImage);
    return true;
  }
  if (!onImage) return true;
  const POINT pixel = ImageDisplayToImageData(point);
  if (tool == kToolPick) {
    if (button == Qt::LeftButton || button == Qt::RightButton) PickColour(point, button == Qt::RightButton);
    return true;
  }
  if (button != Qt::LeftButton || PaintStrokeActive()) return true;
  if (tool == kToolFill) {
    FloodFillAt(pixel);
    return true;
  }
  // Pen, brush and line: one undo step for the whole stroke.
  _IMAGEDESCRIPTOR& image = child_->image;
  if (!image.imageData) return true;
  child_->SaveUndoData();
  const StampKind kind = tool == kToolBrush ? StampKind::Brush : StampKind::Pen;
  const StampSettings s = stamp_settings(kind);
  g_stroke = Stroke{};
  g_stroke.view = this;
  g_stroke.tool = tool;
  g_stroke.kind = kind;
  g_stroke.value = paint::pixel_value(image, colour_triple(s.colour));
  g_stroke.stamp = paint::build_stamp(s.size, s.shape, s.opacity);
  g_stroke.spray = s.opacity < 100;
  g_stroke.points.push_back(pixel);
  if (tool == kToolLine) {
    g_stroke.lineStart = g_stroke.lineEnd = point;
    g_stroke.rubber = true;
  }
  return true;
}

bool CDrawView::PaintMove(unsigned, POINT point) {
  if (g_polygonView == this && g_polygon) {
    InvalObj(g_polygon);
    g_polygon->m_points.back() = ClientToDoc(point);
    fit_bounds(*g_polygon);
    InvalObj(g_polygon);
    return true;
  }
  if (!PaintStrokeActive()) return false;
  if (g_stroke.tool == kToolLine) {
    const QRect before = QRect(QPoint(g_stroke.lineStart.x, g_stroke.lineStart.y),
                               QPoint(g_stroke.lineEnd.x, g_stroke.lineEnd.y))
                             .normalized()
                             .adjusted(-1, -1, 1, 1);
    g_stroke.lineEnd = point;
    const QRect after = QRect(QPoint(g_stroke.lineStart.x, g_stroke.lineStart.y), QPoint(point.x, point.y))
                            .normalized()
                            .adjusted(-1, -1, 1, 1);
    viewport()->update(before | after);
    return true;
  }
  StrokeTo(ImageDisplayToImageData(point));
  return true;
}

void CDrawView::StrokeTo(POINT pixel) {
  const POINT last = g_stroke.points.back();
  paint::StampStroke stroke(child_->image, g_stroke.stamp, g_stroke.value, g_stroke.spray,
                            stamp_counter(g_stroke.kind));
  stroke.Segment(last, pixel);
  if (last.x != pixel.x || last.y != pixel.y || g_stroke.points.size() == 1) g_stroke.points.push_back(pixel);
  InvalidateImagePixels(stroke.touched.left, stroke.touched.top, stroke.touched.right, stroke.touched.bottom);
}

bool CDrawView::PaintRelease(Qt::MouseButton button, POINT point) {
  if (!PaintStrokeActive()) return IsPaintTool(CurrentTool());
  if (button != Qt::LeftButton) return true;
  EndPaintStroke(&point);
  return true;
}

void CDrawView::EndPaintStroke(const POINT* at) {
  if (g_polygonView == this && g_polygon && !at) ClosePolygon(true);
  if (!PaintStrokeActive()) return;
  if (g_stroke.tool == kToolLine) {
    const POINT end = at ? *at : g_stroke.lineEnd;
    g_stroke.rubber = false;
    paint::StampStroke stroke(child_->image, g_stroke.stamp, g_stroke.value, g_stroke.spray,
                              stamp_counter(g_stroke.kind));
    stroke.Line(g_stroke.points.front(), ImageDisplayToImageData(end));
  } else {
    // The last segment; a click without a move places its one stamp here.
    StrokeTo(at ? ImageDisplayToImageData(*at) : g_stroke.points.back());
  }
  g_stroke = Stroke{};
  FinishImagePainting();
}

void CDrawView::PaintRubberBand(QPainter& painter) {
  if (!PaintStrokeActive() || !g_stroke.rubber) return;
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, 1));
  painter.drawLine(g_stroke.lineStart.x, g_stroke.lineStart.y, g_stroke.lineEnd.x, g_stroke.lineEnd.y);
  painter.restore();
}

// ---- Polygon selections

void CDrawView::PolygonPress(POINT point, bool onImage) {
  const POINT doc = ClientToDoc(point);
  if (g_polygonView && g_polygonView != this && g_polygon) {
    // One polygon at a time: the one left open in another window ends there.
    g_polygonView->ClosePolygon(true);
    SetCurrentTool(kToolPolygon);
  }
  if (g_polygonView != this || !g_polygon) {
    if (!onImage) return;
    Select(nullptr, false);
    auto poly = std::make_unique<CDrawPolyWithImage>(std::vector<POINT>{doc, doc});
    g_polygon = poly.get();
    g_polygonView = this;
    fit_bounds(*g_polygon);
    m_document.Add(std::move(poly));
    Select(g_polygon, false);
    InvalObj(g_polygon);
    return;
  }
  const POINT first = g_polygon->m_points.front();
  // On the first vertex (within a handle's reach, as a pointer can be placed) the polygon closes.
  if (std::abs(doc.x - first.x) <= 3 && std::abs(doc.y - first.y) <= 3) {
    ClosePolygon(true);
    return;
  }
  InvalObj(g_polygon);
  g_polygon->m_points.back() = doc;
  g_polygon->m_points.push_back(doc);
  fit_bounds(*g_polygon);
  InvalObj(g_polygon);
}

void CDrawView::ClosePolygon(bool dropTrailing) {
  if (g_polygonView != this || !g_polygon) return;
  CDrawPolyWithImage* poly = g_polygon;
  g_polygon = nullptr;
  g_polygonView = nullptr;
  InvalObj(poly);
  auto& pts = poly->m_points;
  if (dropTrailing && !pts.empty()) pts.pop_back();
  // Repeated points (a double click's second press lands on the vertex the first one made) say nothing.
  pts.erase(std::unique(pts.begin(), pts.end(), [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; }),
            pts.end());
  if (pts.size() < 2) {
    Select(nullptr, false);
    m_document.Remove(poly);
  } else {
    fit_bounds(*poly);
    InvalObj(poly);
  }
  SetCurrentTool(kToolSelect);
  UpdateToolCursor();
  SelectionChanged();
}

bool CDrawView::PaintDoubleClick(POINT) {
  if (CurrentTool() == kToolPolygon) {
    if (g_polygonView == this && g_polygon) ClosePolygon(true);
    return true;
  }
  return IsPaintTool(CurrentTool());
}

// ---- Colour picker and flood fill

void CDrawView::PickColour(POINT point, bool brush) {
  const POINT doc = ClientToDoc(point);
  RGBCOLOR colour{0, 0, 0};
  bool found = false;
  // The frontmost selection whose shape holds the point gives its own pixel there.
  const auto& objects = m_document.Objects();
  for (auto it = objects.rbegin(); it != objects.rend() && !found; ++it) {
    CDrawObj* o = it->get();
    const SelectionImagePart* part = o->ImagePart();
    if (!part || !part->HasPixels()) continue;
    const RECT b = o->Bounds();
    const int bw = b.right - b.left, bh = b.bottom - b.top;
    if (bw <= 0 || bh <= 0 || doc.x < b.left || doc.y < b.top || doc.x >= b.right || doc.y >= b.bottom)
      continue;
    const int rx = doc.x - b.left, ry = doc.y - b.top;
    const std::vector<unsigned char> raster = shape_raster(o->Shape(), bw, bh);
    if (raster.empty() || !raster[static_cast<std::size_t>(ry) * bw + rx]) continue;
    const _IMAGEDESCRIPTOR& pixels = part->Pixels();
    const int px = static_cast<int>(static_cast<long long>(rx) * pixels.width / bw);
    const int py = static_cast<int>(static_cast<long long>(ry) * pixels.height / bh);
    if (!paint::inside(pixels, px, py)) continue;
    int index = 0;
    colour = paint::get_pixel(pixels, px, py, index);
    Select(o, false);
    found = true;
  }
  if (!found) {
    int index = 0;
    colour = GetColorAtImageDisplayPosition(point, index);
  }
  if (brush)
    set_brush_colour(rgb_of(colour));
  else
    set_pen_colour(rgb_of(colour));
  SelectionChanged();
}

void CDrawView::FloodFillAt(POINT pixel) {
  _IMAGEDESCRIPTOR& image = child_->image;
  if (!paint::inside(image, pixel.x, pixel.y)) return;
  const RGBCOLOR fill = colour_triple(brush_colour());
  int index = 0;
  const RGBCOLOR seed = paint::get_pixel(image, pixel.x, pixel.y, index);
  const RGBCOLOR painted = paint::value_colour(image, paint::pixel_value(image, fill));
  auto same = [](RGBCOLOR a, RGBCOLOR b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; };
  if (same(fill, seed) || same(painted, seed)) return;
  child_->SaveUndoData();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QElapsedTimer timer;
  timer.start();
  // The question comes only when the fill has really been running for a while.
  auto ask = [&timer, this]() {
    if (timer.elapsed() < 2000) return true;
    QApplication::restoreOverrideCursor();
    const int answer = pcore::message_box().show(
        child_->Handle(),
        "This may take some time. You may lower the tolerance level and floodfill "
        "again. Continue?",
        "Floodfill has not finished...", pcore::MessageIcon::Question, pcore::MessageButtons::YesNo);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    timer.restart();
    return answer == pcore::kIdYes;
  };
  paint::flood_fill(image, pixel.x, pixel.y, fill, flood_tolerance(), ask);
  QApplication::restoreOverrideCursor();
  FinishImagePainting();
}

// ---- Cursors

void CDrawView::UpdateToolCursor() {
  if (child_->cropArmed) return;
  const double scale =
      child_->image.width
          ? double(Placement().imageRect.right - Placement().imageRect.left) / child_->image.width
          : 1.0;
  switch (CurrentTool()) {
    case kToolSelect:
      viewport()->unsetCursor();
      break;
    case kToolLineSelection:
    case kToolRectSelection:
    case kToolRoundRectSelection:
    case kToolEllipseSelection:
    case kToolPolygon:
    case kToolLine:
      viewport()->setCursor(Qt::CrossCursor);
      break;
    case kToolPen:
      viewport()->setCursor(pen_stamp().size * scale > 4 ? stamp_cursor(pen_stamp(), scale)
                                                         : glyph_cursor(QStringLiteral("\u270e"), 0, 31));
      break;
    case kToolBrush:
      viewport()->setCursor(stamp_cursor(brush_stamp(), scale));
      break;
    case kToolPick:
      viewport()->setCursor(glyph_cursor(QStringLiteral("\u2316"), 0, 31));
      break;
    case kToolFill:
      viewport()->setCursor(glyph_cursor(QStringLiteral("\u25a7"), 0, 31));
      break;
    default:
      viewport()->unsetCursor();
      break;
  }
}
