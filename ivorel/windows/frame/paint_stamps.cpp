#include "ivorel/windows/frame/paint_stamps.h"

#include <algorithm>
#include <map>

#include "ivorel/processing/drawing_colours.h"

namespace ivorel {

namespace {

struct StampState {
  StampSettings settings;
  int counter = 0;
};

StampState& state(StampKind kind) {
  static StampState pen{default_stamp(StampKind::Pen)};
  static StampState brush{default_stamp(StampKind::Brush)};
  return kind == StampKind::Pen ? pen : brush;
}

std::map<int, std::function<void(StampKind)>>& listeners() {
  static std::map<int, std::function<void(StampKind)>> all;
  return all;
}

void notify(StampKind kind) {
  // A listener may remove itself while being told.
  const auto copy = listeners();
  for (const auto& [key, listener] : copy) listener(kind);
}

}  // namespace

StampSettings default_stamp(StampKind kind) {
  if (kind == StampKind::Pen) return StampSettings{1, 0x000000, kStampRound, 100};
  return StampSettings{32, 0xC0C0C0, kStampRound, 80};
}

StampSettings stamp_settings(StampKind kind) {
  return state(kind).settings;
}

void set_stamp_settings(StampKind kind, const StampSettings& settings) {
  StampSettings& s = state(kind).settings;
  s.size = std::clamp(settings.size, 1, 100);
  s.opacity = std::clamp(settings.opacity, 1, 100);
  s.shape = settings.shape == kStampRound ? kStampRound : kStampSquare;
  s.colour = settings.colour & 0xFFFFFF;
  if (kind == StampKind::Pen)
    set_first_colour(s.colour);
  else
    set_second_colour(s.colour);
  notify(kind);
}

std::uint32_t pen_colour() {
  return state(StampKind::Pen).settings.colour;
}

std::uint32_t brush_colour() {
  return state(StampKind::Brush).settings.colour;
}

void set_pen_colour(std::uint32_t colour) {
  StampSettings s = pen_stamp();
  s.colour = colour;
  set_stamp_settings(StampKind::Pen, s);
}

void set_brush_colour(std::uint32_t colour) {
  StampSettings s = brush_stamp();
  s.colour = colour;
  set_stamp_settings(StampKind::Brush, s);
}

void set_stamp_size(StampKind kind, int size) {
  StampSettings s = stamp_settings(kind);
  s.size = size;
  set_stamp_settings(kind, s);
}

void set_stamp_shape(StampKind kind, int shape) {
  StampSettings s = stamp_settings(kind);
  s.shape = shape;
  set_stamp_settings(kind, s);
}

void set_stamp_opacity(StampKind kind, int opacity) {
  StampSettings s = stamp_settings(kind);
  s.opacity = opacity;
  set_stamp_settings(kind, s);
}

int& stamp_counter(StampKind kind) {
  return state(kind).counter;
}

int add_stamp_listener(std::function<void(StampKind)> listener) {
  static int next = 1;
  listeners()[next] = std::move(listener);
  return next++;
}

void remove_stamp_listener(int key) {
  listeners().erase(key);
}

void reset_stamps() {
  for (StampKind kind : {StampKind::Pen, StampKind::Brush}) {
    state(kind).counter = 0;
    set_stamp_settings(kind, default_stamp(kind));
  }
}

}  // namespace ivorel
