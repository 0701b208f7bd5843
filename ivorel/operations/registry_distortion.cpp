// The distortion effects: lens, ripples, tile turns, whirl and pinch, corner warp, melting and spreading.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> distortion_operations() {
  constexpr WordType I = WordType::Integer;
  constexpr WordType R = WordType::Real;
  std::vector<ParameterWord> corners;
  static const char* const kCorner[8] = {"x of the top-left corner",     "x of the top-right corner",
                                         "x of the bottom-right corner", "x of the bottom-left corner",
                                         "y of the top-left corner",     "y of the top-right corner",
                                         "y of the bottom-right corner", "y of the bottom-left corner"};
  static const int kCornerFallback[8] = {0, 400, 320, 80, 0, 0, 300, 300};
  for (int i = 0; i < 8; ++i) corners.push_back({i + 1, kCorner[i], I, 0, 65535, double(kCornerFallback[i])});
  return {
      {"FishEye",
       "Fish",
       "Lens distortion: a positive strength bulges the middle, a negative one pinches it",
       {{1, "lens", I, 0, 5, 0,
         "Round|Round, inside the largest circle|Horizontal cylinder|Vertical cylinder|Round, across only|"
         "Round, up and down only"},
        {11, "strength", R, -10, 10, 0.2},
        {12, "horizontal centre offset, of half the width", R, -1, 1, 0},
        {13, "vertical centre offset, of half the height", R, -1, 1, 0}},
       [](TProcessImageEx& p) { p.FishEye(); },
       "Fish Eye"},
      {"Ripples",
       "Ripples",
       "Waves across the picture, diagonal waves, or rings and bands round its middle",
       {{1, "mode", I, 0, 4, 0, "Waves|Diagonal waves|Rings|Horizontal bands|Vertical bands"},
        {11, "amplitude", R, -10, 10, 8.0},
        {12, "frequency", R, -10, 10, 0.4}},
       [](TProcessImageEx& p) { p.Ripples(); },
       "Ripples"},
      {"Twist",
       "Twist",
       "Turns square tiles of the picture (tiles 2: about 98 across the shorter side; 99: one tile)",
       {{1, "tiles", I, 0, 255, 2},
        {2, "turn", I, 0, 4, 0,
         "Quarter turn clockwise|Half turn|Quarter turn anticlockwise|A turn drawn per tile|"
         "A turn drawn per pixel"}},
       [](TProcessImageEx& p) { p.Twist(); },
       "Twist",
       kRandom},
      {"WhirlPinch",
       "Whirl",
       "Whirls the middle of the picture round and pinches (positive) or bulges (negative) it",
       {{1, "whirl in degrees", I, -3600, 3600, 90},
        {11, "pinch", R, -5, 5, 0.5},
        {12, "radius, of the picture's half extent squared", R, 0, 4, 1}},
       [](TProcessImageEx& p) { p.WhirlPinch(); },
       "Whirl and Pinch"},
      {"RectangleWarp", "Warp",
       "Stretches the picture onto the four corners given, on a canvas enlarged to hold them", corners,
       [](TProcessImageEx& p) { p.RectangleWarp(); }, "Rectangle Warp"},
      {"Melting",
       "Melting",
       "Drops of colour run down (positive strength: bright pixels sink) or up (negative: they rise)",
       {{1, "strength: drops per pixel", I, -10, 10, 1}},
       [](TProcessImageEx& p) { p.Melting(); },
       "Melting",
       kRandom},
      {"Spread",
       "Spread",
       "Swaps every pixel with one drawn from a rectangle round it (b 0: a diamond of radius a)",
       {{1, "a: horizontal reach", I, 0, 1000, 1},
        {2, "b: vertical reach (0: diamond of radius a)", I, 0, 1000, 5}},
       [](TProcessImageEx& p) { p.Spread(); },
       "Spread",
       kRandom},
  };
}

}  // namespace registry
