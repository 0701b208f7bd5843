// Where image windows go in the frame's workspace: every new window inside the visible workspace with its
// title bar showing, and a cascade that keeps each window at its image's size as far as the workspace
// allows (instead of one small size for all).
#pragma once

#include <QList>
#include <QRect>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace ivorel {

// `window` moved (and, when larger than `area`, shrunk) so that it lies inside `area`, its top-left corner
// kept where possible.
QRect fit_inside(const QRect& window, const QRect& area);
// The place of the `index`th window of a cascade in `area`: `step` further right and down than the one
// before, starting again at the top-left corner where a window of `wanted` size would no longer fit; the
// size is `wanted`, cut to what the workspace holds from there.
QRect cascade_rect(int index, const QSize& wanted, const QRect& area, int step);

// Where a `size` window goes on `screen` to cover as little of `avoid` as it can: right of it, left of it,
// below or above, else in a corner of the screen (the first of the least covering), kept on the screen.
QPoint beside(const QSize& size, const QRect& avoid, const QRect& screen);
// Moves the top-level `window` beside the part of `image` (an image window) that shows in its workspace.
void place_beside_image(QWidget* window, QWidget* image);

// Keeps a window just added to `area` inside the visible workspace.
void place_in_workspace(QMdiSubWindow* window);
// Cascades `windows` (in that order, the last on top), each sized to its image where it fits.
void cascade_windows(QMdiArea* area, const QList<QMdiSubWindow*>& windows);

}  // namespace ivorel
