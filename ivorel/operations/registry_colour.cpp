// The point and colour operations.
#include "ivorel/operations/registry_families.h"
#include "ivorel/processing/palette_apply.h"

namespace registry {

namespace {

// Solarize and Threshold are inversions of one mode each, with that mode's words only.
void run_invert_mode(TProcessImageEx& p, int mode) {
  _IMAGE_PROC_DATA* given = p.SetImageProcData(nullptr);
  _IMAGE_PROC_DATA block = given ? *given : _IMAGE_PROC_DATA{};
  block.words[4] = mode;
  p.SetImageProcData(&block);
  p.InvertPicHelper();
  p.SetImageProcData(given);
}

}  // namespace

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
        {3, "channel", I, 0, 3, 0, "All|Red|Green|Blue"}},
       [](TProcessImageEx& p) { p.AdjustBrightnessContrast(); },
       "Brightness and Contrast"},
      {"ConvertToGray",
       "Gray",
       "Gray levels; true colour becomes an 8-bit gray image",
       {},
       [](TProcessImageEx& p) { p.ConvertToGray(); },
       "Gray Image"},
      {"HistogramEq",
       "Contrast Bal",
       "Histogram equalisation of the green level",
       {{1, "strength (10 = full)", I, 0, 10, 10}},
       [](TProcessImageEx& p) { p.HistogramEq(); },
       "Contrast Balance"},
      {"InvertPicHelper",
       "Invert",
       "Inversion above thresholds, or black/white by brightness",
       {{1, "threshold (modes 1, 3) or red threshold (mode 2)", I, 0, 256, 128},
        {2, "green threshold (mode 2)", I, 0, 256, 128},
        {3, "blue threshold (mode 2)", I, 0, 256, 128},
        {4, "mode", I, 0, 3, 0,
         "Invert all|Invert above one threshold|Invert above three thresholds|Black and white"}},
       [](TProcessImageEx& p) { p.InvertPicHelper(); },
       "Invert Colours"},
      {"Solarize",
       "Solar",
       "Inverts every colour value above the threshold",
       {{1, "threshold", I, 0, 256, 128}},
       [](TProcessImageEx& p) { run_invert_mode(p, 1); },
       "Solarize"},
      {"Threshold",
       "Threshold",
       "Black and white: pixels brighter than the threshold white, the others black",
       {{1, "threshold", I, 0, 256, 128}},
       [](TProcessImageEx& p) { run_invert_mode(p, 3); },
       "Threshold"},
      {"GammaCorrection",
       "Gamma",
       "Gamma curve on each channel or on the value",
       {{1, "gamma x 10 (0 = no change)", I, 0, 1000, 10},
        {2, "apply to", I, 0, 1, 0, "Each channel|The value"}},
       [](TProcessImageEx& p) { p.GammaCorrection(); },
       "Gamma Correction"},
      {"SaturationHue",
       "Saturation",
       "Saturation change, hue rotation and luminance offset",
       {{1, "saturation change in percent (-100 = gray)", I, -100, 900, 0},
        {2, "hue rotation in degrees", I, -360, 360, 0},
        {3, "luminance offset", I, -255, 255, 0}},
       [](TProcessImageEx& p) { p.SaturationHue(); },
       "Saturation and Hue"},
      {"PseudoColor",
       "",
       "Colours a palette image from the built-in table or a given palette (--palette)",
       {{1, "mode", I, 0, 1, 1, "Replace the palette|Match by brightness"}},
       [](TProcessImageEx& p) {
         // A table set by the caller wins over one given to the whole run (imgtools apply --palette).
         if (!TProcessImageEx::pPseudoColorPalette)
           TProcessImageEx::pPseudoColorPalette = ivorel::operation_palette();
         p.PseudoColor();
       },
       "Pseudo Colour",
       kPalette},
      {"HighLight",
       "High Light",
       "Spotlight: fades towards the border's mean colour",
       {{11, "horizontal centre offset, of half the width", R, -1, 1, 0},
        {12, "vertical centre offset, of half the height", R, -1, 1, 0}},
       [](TProcessImageEx& p) { p.HighLight(); },
       "Highlight"},
  };
}

}  // namespace registry
