// The point and colour operations.
#include "ivorel/operations/registry_families.h"

namespace registry {

std::vector<Operation> colour_operations() {
  constexpr WordType I = WordType::Integer;
  constexpr WordType R = WordType::Real;
  (void)I;
  (void)R;
  return {
      {"AdjustBrightnessContrast",
       "Brit",
       "Brightness offset and sine-curve contrast, on all channels or one",
       {{1, "brightness offset", I, -255, 255, 0},
        {2, "contrast amount", I, -255, 255, 0},
        {3, "channel: 1 red, 2 green, 3 blue, 0 all", I, 0, 3, 0}},
       [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); }},
      {"ConvertToGray",
       "Gray",
       "Gray levels; true colour becomes an 8-bit gray image",
       {},
       [](TProcessImageEx& p) { p.ConvertToGray(); }},
      {"HistogramEq",
       "Contrast Bal",
       "Histogram equalisation of the green level",
       {{1, "strength (10 = full)", I, 0, 10, 10}},
       [](TProcessImageEx& p) { p.HistogramEq(); }},
      {"InvertPicHelper",
       "Invert",
       "Inversion above thresholds, or black/white by brightness",
       {{1, "threshold (modes 1, 3) or red threshold (mode 2)", I, 0, 256, 128},
        {2, "green threshold (mode 2)", I, 0, 256, 128},
        {3, "blue threshold (mode 2)", I, 0, 256, 128},
        {4, "mode: 0 invert all, 1 one threshold, 2 three thresholds, 3 black/white", I, 0, 3, 0}},
       [](TProcessImageEx& p) { p.InvertPicHelper(); }},
      {"GammaCorrection",
       "Gamma",
       "Gamma curve on each channel or on the value",
       {{1, "gamma x 10 (0 = no change)", I, 0, 1000, 10}, {2, "mode: 0 per channel, 1 value", I, 0, 1, 0}},
       [](TProcessImageEx& p) { p.GammaCorrection(); }},
      {"SaturationHue",
       "Saturation",
       "Saturation change, hue rotation and luminance offset",
       {{1, "saturation change in percent (-100 = gray)", I, -100, 900, 0},
        {2, "hue rotation in degrees", I, -360, 360, 0},
        {3, "luminance offset", I, -255, 255, 0}},
       [](TProcessImageEx& p) { p.SaturationHue(); }},
      {"PseudoColor",
       "",
       "Colours a palette image from the built-in table",
       {{1, "mode: 1 match by brightness, 0 replace the palette", I, 0, 1, 1}},
       [](TProcessImageEx& p) { p.PseudoColor(); }},
      {"HighLight",
       "High Light",
       "Spotlight: fades towards the border's mean colour",
       {{11, "horizontal centre offset, of half the width", R, -1, 1, 0},
        {12, "vertical centre offset, of half the height", R, -1, 1, 0}},
       [](TProcessImageEx& p) { p.HighLight(); }},
  };
}

}  // namespace registry
