#include "imgtools/registry/operation_registry.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace imgtools {

namespace {

constexpr WordType I = WordType::Integer;
constexpr WordType R = WordType::Real;

std::vector<Operation> declare() {
  return {
      // Neighbourhood filters. The fixed kernels are offered by the toolkit through the helpers' tabs.
      {"HighPassHelper",
       "High Pass",
       "Sharpening 3 x 3 kernel 1, 2 or 3 with a strength; the outermost pixels turn black",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}, {2, "kernel: 1, 2 or 3", I, 1, 3, 1}},
       [](TProcessImageEx& p) { p.HighPassHelper(); }},
      {"LowPassHelper",
       "Low Pass",
       "Softening 3 x 3 kernel 1, 2 or 3 with a strength; the outermost pixels turn black",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}, {2, "kernel: 1, 2 or 3", I, 1, 3, 1}},
       [](TProcessImageEx& p) { p.LowPassHelper(); }},
      {"EdgeEnhanceHelper",
       "Edge Enhance",
       "Compass edge kernel of a direction with a strength; (0, 0) only repaints",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5},
        {2, "horizontal direction: -1 west, 0, 1 east", I, -1, 1, 0},
        {3, "vertical direction: -1 south, 0, 1 north", I, -1, 1, 1}},
       [](TProcessImageEx& p) { p.EdgeEnhanceHelper(); }},
      {"HighPass1",
       "",
       "Sharpening kernel 1 (centre 9, all eight neighbours -1)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.HighPass1(); }},
      {"HighPass2",
       "",
       "Sharpening kernel 2 (centre 5, four side neighbours -1)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.HighPass2(); }},
      {"HighPass3",
       "",
       "Sharpening kernel 3 (centre 5, sides -2, corners 1)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.HighPass3(); }},
      {"LowPass1",
       "",
       "Softening kernel 1 (mean of the 3 x 3 neighbourhood)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.LowPass1(); }},
      {"LowPass2",
       "",
       "Softening kernel 2 (centre weighted 2 of 10)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.LowPass2(); }},
      {"LowPass3",
       "",
       "Softening kernel 3 (centre 4, sides 2, corners 1, of 16)",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 3}},
       [](TProcessImageEx& p) { p.LowPass3(); }},
      {"NorthEdges",
       "",
       "Compass edge kernel, north",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.NorthEdges(); }},
      {"NorthEastEdges",
       "",
       "Compass edge kernel, north-east",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.NorthEastEdges(); }},
      {"EastEdges",
       "",
       "Compass edge kernel, east",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.EastEdges(); }},
      {"SouthEastEdges",
       "",
       "Compass edge kernel, south-east",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.SouthEastEdges(); }},
      {"SouthEdges",
       "",
       "Compass edge kernel, south",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.SouthEdges(); }},
      {"SouthWestEdges",
       "",
       "Compass edge kernel, south-west",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.SouthWestEdges(); }},
      {"WestEdges",
       "",
       "Compass edge kernel, west",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.WestEdges(); }},
      {"NorthWestEdges",
       "",
       "Compass edge kernel, north-west",
       {{1, "strength (10 = full, 0 = none)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.NorthWestEdges(); }},
      {"Blur",
       "Blur",
       "Box blur: the mean of a square window, cut to the picture at its edges",
       {{1, "window size (an even size takes the next odd one)", I, 2, 1001, 3}},
       [](TProcessImageEx& p) { p.Blur(); }},
      {"Sharpen",
       "Sharpen",
       "Sharpens the brightness (hexcone value) against its 3 x 3 mean; hue and saturation stay",
       {{1, "strength 0 ... 10 (10 = black or white by the mean)", I, 0, 10, 5}},
       [](TProcessImageEx& p) { p.Sharpen(); }},
      {"EdgeDetect",
       "Edge Det",
       "Gradient edges stretched to white, optionally averaged with the picture and equalised",
       {{1, "mode: 1 average with the picture, 0 edges only", I, 0, 1, 0},
        {2, "equalise afterwards: 1 yes, 0 no", I, 0, 1, 0}},
       [](TProcessImageEx& p) { p.EdgeDetect(); }},
      {"MotionBlur",
       "Motion",
       "Streaks along a direction with falling weights",
       {{1, "row step: -1 up, 0, 1 down", I, -1, 1, 0},
        {2, "column step: -1 left, 0, 1 right", I, -1, 1, 1},
        {3, "length 0 ... 255 (right or down takes 4 times as many samples, diagonals 10 / 14)", I, 0, 255,
         32}},
       [](TProcessImageEx& p) { p.MotionBlur(); }},
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

void store(const ParameterWord& w, double value, _IMAGE_PROC_DATA& block) {
  if (w.type == WordType::Real) {
    block.SetFloat(w.index, static_cast<float>(value));
  } else {
    block.words[w.index] = static_cast<std::int32_t>(value);
  }
}

const ParameterWord* word_at(const Operation& op, int index) {
  for (const ParameterWord& w : op.words)
    if (w.index == index) return &w;
  return nullptr;
}

bool parse_number(std::string_view text, WordType type, double& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  if (type == WordType::Integer) {
    long long v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    value = static_cast<double>(v);
    return ec == std::errc() && ptr == end;
  }
  std::string copy(text);
  char* stop = nullptr;
  value = std::strtod(copy.c_str(), &stop);
  return stop == copy.c_str() + copy.size() && std::isfinite(value);
}

}  // namespace

const std::vector<Operation>& operations() {
  static const std::vector<Operation> table = declare();
  return table;
}

const Operation* find_operation(std::string_view name) {
  for (const Operation& op : operations())
    if (name == op.name) return &op;
  return nullptr;
}

bool fill_block(const Operation& op, std::string_view values, _IMAGE_PROC_DATA& block, std::string& error) {
  block = _IMAGE_PROC_DATA{};
  for (const ParameterWord& w : op.words) store(w, w.fallback, block);
  if (values.empty()) return true;
  int next = op.words.empty() ? 1 : op.words.front().index;
  while (true) {
    const std::size_t comma = values.find(',');
    std::string_view item = values.substr(0, comma);
    int index = next;
    if (item.size() > 1 && item[0] == 'w') {
      const std::size_t eq = item.find('=');
      int n = -1;
      if (eq == std::string_view::npos ||
          std::from_chars(item.data() + 1, item.data() + eq, n).ptr != item.data() + eq) {
        error = "bad item '" + std::string(item) + "' (expected [wN=]value)";
        return false;
      }
      index = n;
      item = item.substr(eq + 1);
    }
    const ParameterWord* w = word_at(op, index);
    if (!w) {
      error = "word " + std::to_string(index) + " is not a parameter of " + op.name;
      return false;
    }
    double v = 0;
    if (!parse_number(item, w->type, v)) {
      error = "word " + std::to_string(index) + " (" + w->meaning + "): '" + std::string(item) + "' is not " +
              (w->type == WordType::Integer ? "an integer" : "a number");
      return false;
    }
    if (v < w->low || v > w->high) {
      char range[64];
      std::snprintf(range, sizeof range, "%g ... %g", w->low, w->high);
      error = "word " + std::to_string(index) + " (" + w->meaning + ") must be in " + range;
      return false;
    }
    store(*w, v, block);
    next = index + 1;
    if (comma == std::string_view::npos) break;
    values.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace imgtools
