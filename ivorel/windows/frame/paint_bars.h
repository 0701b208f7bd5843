// The painting bars' shared values: the strength bar's setting, which the flood fill reads as its
// tolerance (0 to 10). The bars themselves belong to the frame (frame_paint.cpp).
#pragma once

namespace ivorel {

int flood_tolerance();
void set_flood_tolerance(int tolerance);

// The bar ids (the ids of the commands that show them) and the painting tools bar.
enum : int { kConfigBarId = 32840, kStrengthBarId = 59398, kPaintToolsBarId = 32821 };

}  // namespace ivorel
