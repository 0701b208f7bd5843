#include "ivorel/windows/frame/draw_tools.h"

#include "ivorel/windows/frame/draw_view.h"

namespace ivorel {

namespace {

constexpr int kHandleReach = 4;

// Tool 0: a drag over empty ground selects every object it touches.
class SelectTool : public DrawTool {
 protected:
  std::unique_ptr<CDrawObj> BeginCreate(POINT) override { return nullptr; }
};

class RectSelectionTool : public DrawTool {
 public:
  explicit RectSelectionTool(ShapeKind kind) : kind_(kind) {}

 protected:
  std::unique_ptr<CDrawObj> BeginCreate(POINT doc) override {
    return std::make_unique<CDrawRectWithImage>(RECT{doc.x, doc.y, doc.x, doc.y}, kind_);
  }

 private:
  ShapeKind kind_;
};

}  // namespace

DrawTool& DrawTool::Find(int id) {
  static SelectTool select;
  static RectSelectionTool rect(ShapeKind::Rectangle), ellipse(ShapeKind::Ellipse),
      round(ShapeKind::RoundRect), line(ShapeKind::Line);
  switch (id) {
    case kToolLineSelection:
      return line;
    case kToolRectSelection:
      return rect;
    case kToolEllipseSelection:
      return ellipse;
    case kToolRoundRectSelection:
      return round;
    default:
      return select;
  }
}

void DrawTool::TrackCreate(CDrawObj& object, POINT start, POINT doc) {
  object.m_position = RECT{start.x, start.y, doc.x, doc.y};
}

bool DrawTool::EndCreate(CDrawObj& object) {
  const RECT b = object.Bounds();
  // A line may be flat in one direction; every other shape needs room in both.
  const auto* rect = dynamic_cast<const CDrawRect*>(&object);
  if (rect && rect->m_nShape == ShapeKind::Line) {
    if (b.right - b.left < 4 && b.bottom - b.top < 4) return false;
  } else if (b.right - b.left < 4 || b.bottom - b.top < 4) {
    return false;
  }
  object.m_position = b;
  return true;
}

void DrawTool::OnLButtonDown(CDrawView& view, unsigned keys, POINT point) {
  const POINT doc = view.ClientToDoc(point);
  start_ = last_ = doc;
  // A handle of a selected object first, then any object under the pointer.
  for (CDrawObj* o : view.Selection()) {
    const int h = o->HitTest(doc, true, kHandleReach);
    if (h >= 1 && h <= 8) {
      mode_ = Mode::Resize;
      handle_ = h;
      view.Select(o, false);
      return;
    }
  }
  if (CDrawObj* hit = view.GetDocument().ObjectAt(doc)) {
    if (!view.IsSelected(hit)) view.Select(hit, (keys & 4) != 0);
    if (keys & 8) view.CloneSelection();  // Ctrl-drag leaves the originals and moves the copies
    mode_ = Mode::Move;
    return;
  }
  if (!(keys & 4)) view.Select(nullptr, false);
  // New selections start on the picture only.
  const RECT R = view.Placement().imageRect;
  const bool onImage = point.x >= R.left && point.x < R.right && point.y >= R.top && point.y < R.bottom;
  std::unique_ptr<CDrawObj> made = onImage ? BeginCreate(doc) : nullptr;
  if (!made) {
    mode_ = Mode::Net;
    return;
  }
  creating_ = made.get();
  view.GetDocument().Add(std::move(made));
  view.Select(creating_, false);
  mode_ = Mode::Create;
}

void DrawTool::OnMouseMove(CDrawView& view, unsigned, POINT point) {
  const POINT doc = view.ClientToDoc(point);
  switch (mode_) {
    case Mode::Move:
      if (doc.x == last_.x && doc.y == last_.y) return;
      for (CDrawObj* o : view.Selection()) {
        view.InvalObj(o);
        o->MoveBy(doc.x - last_.x, doc.y - last_.y);
        view.InvalObj(o);
      }
      break;
    case Mode::Resize:
      if (!view.Selection().empty()) {
        CDrawObj* o = view.Selection().front();
        view.InvalObj(o);
        o->MoveHandleTo(handle_, doc);
        view.InvalObj(o);
      }
      break;
    case Mode::Create:
      view.InvalObj(creating_);
      TrackCreate(*creating_, start_, doc);
      view.InvalObj(creating_);
      break;
    case Mode::Net:
    case Mode::None:
      break;
  }
  last_ = doc;
}

void DrawTool::OnLButtonUp(CDrawView& view, unsigned, POINT point) {
  const POINT doc = view.ClientToDoc(point);
  const Mode mode = mode_;
  mode_ = Mode::None;
  switch (mode) {
    case Mode::Create:
      view.InvalObj(creating_);
      TrackCreate(*creating_, start_, doc);
      if (!EndCreate(*creating_)) {
        view.Select(nullptr, false);
        view.GetDocument().Remove(creating_);
      } else {
        view.InvalObj(creating_);
      }
      creating_ = nullptr;
      break;
    case Mode::Resize:
      for (CDrawObj* o : view.Selection()) {
        view.InvalObj(o);
        const RECT before = o->m_position;
        o->m_position = o->Bounds();
        if (auto* poly = dynamic_cast<CDrawPoly*>(o)) poly->FitPointsTo(before, o->m_position);
        view.InvalObj(o);
      }
      break;
    case Mode::Net: {
      const RECT net = NormalizedRect(RECT{start_.x, start_.y, doc.x, doc.y});
      for (const auto& o : view.GetDocument().Objects()) {
        const RECT b = o->Bounds();
        if (b.left < net.right && net.left < b.right && b.top < net.bottom && net.top < b.bottom) {
          view.Select(o.get(), true);
        }
      }
      break;
    }
    default:
      break;
  }
  view.SelectionChanged();
}

}  // namespace ivorel
