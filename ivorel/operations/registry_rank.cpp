// The rank and morphology filters: median, maximum, minimum, alpha-trimmed mean, erosion, dilation,
// outline, point detection and despeckling.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> rank_operations() {
  constexpr WordType I = WordType::Integer;
  const ParameterWord equalise{2, "equalise afterwards", I, 0, 1, 0, "No|Yes"};
  return {
      {"Despeckle",
       "Despeckle",
       "Each pixel becomes the one of median brightness in its 3 x 3 window; a black frame stays round the "
       "picture",
       {},
       [](TProcessImageEx& p) { p.Despeckle(); },
       "Despeckle"},
      {"AlphaTrimedMean",
       "Smooth",
       "Mean of a square window without its lowest and highest values (strength 0 plain mean, 10 median)",
       {{1, "window size 1 ... 11 (an even size takes the next smaller one)", I, 1, 11, 3},
        {2, "trimming strength in tenths", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.AlphaTrimedMean(); },
       "Noise Trimmer"},
      {"MedianFilter",
       "Smooth",
       "Per-channel median of a square window, cut to the picture at its edges",
       {{1, "window size (below 3 takes 3, an even size the next odd one)", I, 0, 255, 3}},
       [](TProcessImageEx& p) { p.MedianFilter(); },
       "Median Filter"},
      {"Maximum",
       "Rank",
       "Per-channel maximum of a square window (sizes 0 and 1 change nothing, an even size acts as the next "
       "odd one)",
       {{1, "window size", I, 0, 255, 3}},
       [](TProcessImageEx& p) { p.Maximum(); },
       "Maximum"},
      {"Minimum",
       "Rank",
       "Per-channel minimum of a square window (sizes 0 and 1 change nothing, an even size acts as the next "
       "odd one)",
       {{1, "window size", I, 0, 255, 3}},
       [](TProcessImageEx& p) { p.Minimum(); },
       "Minimum"},
      {"Erosion",
       "Morphology",
       "Per-channel minimum over a diamond of radius 2: dark areas grow",
       {equalise},
       [](TProcessImageEx& p) { p.Erosion(); },
       "Erosion"},
      {"Dilation",
       "Morphology",
       "Per-channel maximum over a diamond of radius 2: bright areas grow",
       {equalise},
       [](TProcessImageEx& p) { p.Dilation(); },
       "Dilation"},
      {"Outline",
       "Outline",
       "The picture less its erosion: the inner edges of bright objects",
       {{1, "mode", I, 0, 1, 0, "Edges on black|Edges over the half-bright picture"}, equalise},
       [](TProcessImageEx& p) { p.Outline(); },
       "Outline"},
      {"PointDetector",
       "Points",
       "Isolated points: 8 times a pixel less its eight neighbours",
       {{1, "mode", I, 0, 1, 0, "Points alone|Averaged with the picture"}, equalise},
       [](TProcessImageEx& p) { p.PointDetector(); },
       "Detect Edge Points"},
  };
}

}  // namespace registry
