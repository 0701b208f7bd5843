// The drawing view's mouse tools. One base class runs the steps every tool shares (picking a handle or
// an object of the selection, moving, resizing, cloning with Ctrl) and leaves to each tool only what it
// makes on empty ground: the template the painting tools build on.
#pragma once

#include <memory>
#include <vector>

#include "ivorel/windows/draw_objects.h"

class CDrawView;

namespace ivorel {

// The tools by number: 0 picks and moves objects, the shape tools draw a new selection (the numbers leave
// room for the painting tools).
enum DrawToolId : int {
  kToolSelect = 0,
  kToolLineSelection = 1,
  kToolRectSelection = 2,
  kToolRoundRectSelection = 3,
  kToolEllipseSelection = 4,
  // The painting tools (draw_view_paint.cpp): 5 makes a polygon selection vertex by vertex.
  kToolPolygon = 5,
  kToolPen = 6,
  kToolBrush = 7,
  kToolPick = 8,
  kToolFill = 9,
  kToolLine = 10,
};

class DrawTool {
 public:
  virtual ~DrawTool() = default;
  // Points are client coordinates of the view; `keys` the window-style flags (shift 4, control 8).
  void OnLButtonDown(CDrawView& view, unsigned keys, POINT point);
  void OnMouseMove(CDrawView& view, unsigned keys, POINT point);
  void OnLButtonUp(CDrawView& view, unsigned keys, POINT point);
  bool Dragging() const { return mode_ != Mode::None; }
  bool Moving() const { return mode_ == Mode::Move; }
  // The drag goes on elsewhere (a drag and drop between windows): this tool lets go of it.
  void Abandon() { mode_ = Mode::None; }

  static DrawTool& Find(int id);

 protected:
  // On empty ground: starts a new object at `doc` (document coordinates) or does nothing (null).
  virtual std::unique_ptr<CDrawObj> BeginCreate(POINT doc) = 0;
  // The object being made follows the pointer.
  virtual void TrackCreate(CDrawObj& object, POINT start, POINT doc);
  // The new object is done; false drops it (too small to hold a selection).
  virtual bool EndCreate(CDrawObj& object);

 private:
  enum class Mode { None, Move, Resize, Create, Net };
  Mode mode_ = Mode::None;
  int handle_ = 0;
  POINT start_ = {0, 0};
  POINT last_ = {0, 0};
  CDrawObj* creating_ = nullptr;
};

}  // namespace ivorel
