// Moving a window clear of another one (a dialog clear of the dialog that opened it, a tool window clear of
// the frame).
#pragma once

#include <QRect>

class QWidget;

namespace ivorel {

// Where `window` goes so that it does not cover `reference` on `screen`: below the reference, right of it,
// above it, left of it (each centred on it, 1 pixel apart, when it fits between the reference and that screen
// edge), else the screen's bottom-right corner; clamped to the screen. Empty when `window` is already clear
// of the reference grown by 5 pixels.
QRect smart_position(const QRect& window, const QRect& reference, const QRect& screen);

}  // namespace ivorel

// Moves `window` (size, stacking and activation kept) clear of `reference`; 1 when it moved, 0 when it was
// already clear or either is missing.
int SmartWindowPosition(QWidget* window, QWidget* reference);
