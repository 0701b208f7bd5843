// The two process-wide painting stamps: the pen stamp (pen and line tools) and the brush stamp (brush tool
// and flood fill). Size, colour, shape and opacity are what the configuration bar, the colour picker and the
// palette window read and set; the pen colour is also the first drawing colour and the brush colour the
// second, so the fills and the painting tools agree. Qt-free: any part of the frame may include it.
#pragma once

#include <cstdint>
#include <functional>

namespace ivorel {

enum StampShape : int { kStampRound = 0, kStampSquare = 1 };

enum class StampKind : int { Pen = 0, Brush = 1 };

// One stamp's settings. Colours are 0x00BBGGRR (red in the low byte).
struct StampSettings {
  int size = 1;              // 1 to 100 pixels
  std::uint32_t colour = 0;  // 0x00BBGGRR
  int shape = kStampRound;   // kStampRound or kStampSquare
  int opacity = 100;         // 1 to 100; below 100 the stamp sprays
};

// Defaults: pen 1 pixel, black, round, opacity 100; brush 32 pixels, 0xC0C0C0, round, opacity 80.
StampSettings default_stamp(StampKind kind);

StampSettings stamp_settings(StampKind kind);
// Sets every value at once; sizes and opacities are clamped into 1 to 100, unknown shapes become square.
void set_stamp_settings(StampKind kind, const StampSettings& settings);

inline StampSettings pen_stamp() {
  return stamp_settings(StampKind::Pen);
}
inline StampSettings brush_stamp() {
  return stamp_settings(StampKind::Brush);
}

std::uint32_t pen_colour();
std::uint32_t brush_colour();
void set_pen_colour(std::uint32_t colour);
void set_brush_colour(std::uint32_t colour);

void set_stamp_size(StampKind kind, int size);
void set_stamp_shape(StampKind kind, int shape);
void set_stamp_opacity(StampKind kind, int opacity);

// The counter of sprayed stamps, kept by each stamp across strokes.
int& stamp_counter(StampKind kind);

// Called after every change of either stamp (the configuration bar and the palette window follow it).
// Returns a key for remove_stamp_listener.
int add_stamp_listener(std::function<void(StampKind)> listener);
void remove_stamp_listener(int key);

// Back to the defaults (tests).
void reset_stamps();

}  // namespace ivorel
