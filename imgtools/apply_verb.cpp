// apply: runs registered operations in order on an image through the processors, each with a parameter
// block filled from the command line, and writes the result; list: prints the registry.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imgtools/apply_inputs.h"
#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/operations/operation_registry.h"
#include "ivorel/operations/operation_script.h"
#include "ivorel/processing/packed_dib.h"

namespace imgtools {
using namespace registry;

namespace {

// The first frame of IN in a pixel block of its own, as an image window holds it.
class WorkImage {
 public:
  explicit WorkImage(const RawImage& img) {
    ivorel::descriptor_from_raw(img.width, img.height, img.bits, img.colors, img.pixels, img.palette, 72,
                                object.image);
  }
  ~WorkImage() { ivorel::free_image_block(object.image); }
  bool ok() const { return object.image.imageData != nullptr; }
  ImageDescriptorAndDisplayObj object;
};

// The steps of a script file, or null with the reason on standard error.
bool read_script(const std::string& path, std::vector<ScriptStep>& steps) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    std::fprintf(stderr, "imgtools: apply: %s: cannot open the script\n", path.c_str());
    return false;
  }
  std::string text;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
  std::fclose(file);
  std::string error;
  if (!parse_script(text, steps, error)) {
    std::fprintf(stderr, "imgtools: apply: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int list_verb(const Args& args) {
  if (!args.empty()) return usage_error("list: takes no arguments");
  for (const Operation& op : operations()) {
    std::printf("%s%s%s%s\n  %s\n", op.name, *op.tab ? " [tab \"" : "", op.tab, *op.tab ? "\"]" : "",
                op.summary);
    if (op.inputs) std::printf("  reads %s\n", input_options(op.inputs).c_str());
    for (const ParameterWord& w : op.words) {
      std::printf("  w%-2d %-7s %g ... %g, default %g: %s\n", w.index,
                  w.type == WordType::Integer ? "integer" : "real", w.low, w.high, w.fallback, w.meaning);
    }
  }
  return 0;
}

int apply_verb(const Args& given) {
  Args args = given;
  OperationInputs inputs;
  if (const int status = inputs.take(args)) return status;
  const bool scripted = !args.empty() && args[0] == "--script";
  if (scripted ? args.size() != 4 : args.size() < 3)
    return usage_error("apply: needs IN OUT OPERATION[:VALUES] ... or --script FILE IN OUT");
  const std::string& in = args[scripted ? 2 : 0];
  const std::string& out = args[scripted ? 3 : 1];
  const CompandType outType = writable_type(out);
  if (outType == CT_NONE) {
    return usage_error("apply: " + out + " does not name a file type this tool writes");
  }
  // Every step is checked before the image is read, so a bad one never leaves a half-made OUT.
  std::vector<ScriptStep> steps;
  if (scripted) {
    if (!read_script(args[1], steps)) return 1;
  }
  for (std::size_t i = scripted ? args.size() : 2; i < args.size(); ++i) {
    ScriptStep step;
    std::string error;
    if (!parse_step(args[i], step, error)) {
      if (!step.op) return usage_error("apply: " + error + " (see 'imgtools list')");
      // Parameters an operation would refuse: it does not run, as when its block is out of range.
      std::fprintf(stderr, "imgtools: apply: %s\n", error.c_str());
      return 1;
    }
    steps.push_back(step);
  }

  ImageSource source(in);
  if (!source.ok()) return 1;
  WorkImage image(source.frame(0));
  if (!image.ok()) {
    std::fprintf(stderr, "%s: no memory for the image\n", in.c_str());
    return 1;
  }
  const ScriptResult ran = run_script(steps, image.object);
  if (!ran.ok()) {
    std::fprintf(
        stderr, "%s: %s did not run (%s)\n", in.c_str(), steps[ran.failedStep].op->name,
        ran.outcome == ivorel::Outcome::Declined ? "its parameters do not apply to this image" : "it failed");
    return 1;
  }
  const _IMAGEDESCRIPTOR& d = image.object.image;
  RawImage result{d.width, d.height, d.bitsPerPixel, d.colors, d.imageData, const_cast<RGBCOLOR*>(d.palette)};
  return save_image(out, outType, result);
}

}  // namespace imgtools
