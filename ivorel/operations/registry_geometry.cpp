// The geometry: mirrors, quarter and free turns, resize, shear, canvas.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> geometry_operations() {
  constexpr WordType I = WordType::Integer;
  constexpr WordType R = WordType::Real;
  (void)I;
  (void)R;
  return {
      {"FlipHorz",
       "",
       "Left-right mirror",
       {},
       [](TProcessImageEx& p) { p.FlipHorz(); },
       "Vertical Mirror"},
      {"FlipVert", "", "Top-bottom mirror", {}, [](TProcessImageEx& p) { p.FlipVert(); }, "Horizontal Mirror"},
      {"RotateCW",
       "",
       "Quarter turn clockwise",
       {},
       [](TProcessImageEx& p) { p.RotateCW(); },
       "Rotate 90° Clockwise"},
      {"RotateCCW",
       "",
       "Quarter turn counter-clockwise",
       {},
       [](TProcessImageEx& p) { p.RotateCCW(); },
       "Rotate 90° Counter-Clockwise"},
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
       },
       "Resize"},
      {"FineRotate",
       "Rotate",
       "Rotation by whole degrees about the centre, counter-clockwise for positive angles",
       {{1, "angle in degrees (0 = none)", I, -360, 360, 0},
        {2, "enlarge the canvas first so that the corners stay", I, 0, 1, 0, "No|Yes"},
        {3, "keep the picture around the rotated area (else black)", I, 0, 1, 0, "No|Yes"}},
       [](TProcessImageEx& p) { p.FineRotate(); },
       "Rotate by an Angle"},
      {"Shear",
       "Shear",
       "Slants rows (or columns) on a canvas widened to hold them",
       {{1, "angle in degrees (not 0)", I, -89, 89, 20},
        {2, "direction", I, 0, 1, 0, "Horizontal|Vertical"},
        {3, "fill", I, 0, 2, 0, "Black|White|The second colour"}},
       [](TProcessImageEx& p) { p.Shear(); },
       "Shear"},
      {"EnlargeCanvas",
       "Enlarge",
       "Places the picture on a larger canvas",
       {{1, "where the picture goes", I, 0, 8, 4,
         "Top left|Top|Top right|Left|Centre|Right|Bottom left|Bottom|Bottom right"},
        {2, "fill", I, 0, 3, 0, "Black|White|The first colour|The second colour"},
        {11, "width factor", R, 1, 20, 1.5},
        {12, "height factor", R, 1, 20, 1.5}},
       [](TProcessImageEx& p) { p.EnlargeCanvas(); },
       "Enlarge Canvas"},
  };
}

}  // namespace registry
