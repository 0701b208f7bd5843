// The geometry: mirrors, quarter and free turns, resize, shear, canvas.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> geometry_operations() {
  constexpr WordType I = WordType::Integer;
  constexpr WordType R = WordType::Real;
  (void)I;
  (void)R;
  return {
      {"FlipHorz", "", "Left-right mirror", {}, [](TProcessImageEx& p) { p.FlipHorz(); }},
      {"FlipVert", "", "Top-bottom mirror", {}, [](TProcessImageEx& p) { p.FlipVert(); }},
      {"RotateCW", "", "Quarter turn clockwise", {}, [](TProcessImageEx& p) { p.RotateCW(); }},
      {"RotateCCW", "", "Quarter turn counter-clockwise", {}, [](TProcessImageEx& p) { p.RotateCCW(); }},
      {"Resize",
       "",
       "New size in pixels, or a scale position",
       {{1, "new width (with word 2; 0 = use the scale position)", I, 0, 65535, 0},
        {2, "new height", I, 0, 65535, 0},
        {11, "scale position / 100: 1 doubles, -1 halves, 0.5 is x1.5, 10 is x20", R, -10, 10, 0}},
       // The effects' processor samples its effect buffers; resizing samples the stored image, so it runs on
       // a plain processor over the same image, whose state then becomes the caller's.
       [](TProcessImageEx& p) {
         TProcessImage plain(p);
         plain.Resize();
         static_cast<TProcessImage&>(p) = plain;
       }},
      {"FineRotate",
       "Rotate",
       "Rotation by whole degrees about the centre, counter-clockwise for positive angles",
       {{1, "angle in degrees (0 = none)", I, -360, 360, 0},
        {2, "enlarge the canvas first so that the corners stay: 1 yes, 0 no", I, 0, 1, 0},
        {3, "keep the picture around the rotated area: 1 yes, 0 fill it black", I, 0, 1, 0}},
       [](TProcessImageEx& p) { p.FineRotate(); }},
      {"Shear",
       "Shear",
       "Slants rows (or columns) on a canvas widened to hold them",
       {{1, "angle in degrees (not 0)", I, -89, 89, 20},
        {2, "direction: 0 horizontal, 1 vertical", I, 0, 1, 0},
        {3, "fill: 0 black, 1 white, 2 the second colour", I, 0, 2, 0}},
       [](TProcessImageEx& p) { p.Shear(); }},
      {"EnlargeCanvas",
       "Enlarge",
       "Places the picture on a larger canvas",
       {{1,
         "anchor: 0 top left, 1 top, 2 top right, 3 left, 4 centre, 5 right, 6 bottom left, 7 bottom, "
         "8 bottom right",
         I, 0, 8, 4},
        {2, "fill: 0 black, 1 white, 2 the first colour, 3 the second colour", I, 0, 3, 0},
        {11, "width factor", R, 1, 20, 1.5},
        {12, "height factor", R, 1, 20, 1.5}},
       [](TProcessImageEx& p) { p.EnlargeCanvas(); }},
  };
}

}  // namespace registry
