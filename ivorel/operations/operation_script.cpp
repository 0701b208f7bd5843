#include "ivorel/operations/operation_script.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imgfile/codaxe.h"
#include "ivorel/processing/packed_dib.h"
#include "platform/core/error_stream.h"

namespace registry {

namespace {

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string number_text(const ParameterWord& w, double value) {
  char text[32];
  if (w.type == WordType::Integer)
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  else
    std::snprintf(text, sizeof text, "%.7g", value);  // a float's digits: the same float reads back
  return text;
}

using pcore::ErrorCapture;

const char* outcome_text(ivorel::Outcome outcome) {
  return outcome == ivorel::Outcome::Declined ? "its words do not apply to this image" : "it failed";
}

}  // namespace

double word_value(const ParameterWord& w, const _IMAGE_PROC_DATA& block) {
  return w.type == WordType::Real ? static_cast<double>(block.GetFloat(w.index)) : block.words[w.index];
}

void set_word_value(const ParameterWord& w, double value, _IMAGE_PROC_DATA& block) {
  if (w.type == WordType::Real)
    block.SetFloat(w.index, static_cast<float>(value));
  else
    block.words[w.index] = static_cast<std::int32_t>(value);
}

bool parse_step(std::string_view text, ScriptStep& step, std::string& error) {
  text = trimmed(text);
  const std::size_t colon = text.find(':');
  const std::string name(trimmed(text.substr(0, colon)));
  step.op = find_operation(name);
  if (!step.op) {
    error = name.empty() ? "no operation named" : "unknown operation " + name;
    return false;
  }
  const std::string_view values = colon == std::string_view::npos ? "" : trimmed(text.substr(colon + 1));
  if (!fill_block(*step.op, values, step.block, error)) {
    error = name + ": " + error;
    return false;
  }
  return true;
}

bool parse_script(std::string_view text, std::vector<ScriptStep>& steps, std::string& error) {
  steps.clear();
  std::vector<ScriptStep> parsed;
  int line = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view item = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line;
    if (item.empty() || item.front() == '#') continue;
    ScriptStep step;
    if (!parse_step(item, step, error)) {
      error = "line " + std::to_string(line) + ": " + error;
      return false;
    }
    parsed.push_back(step);
  }
  steps = std::move(parsed);
  return true;
}

std::string format_step(const ScriptStep& step) {
  if (!step.op) return {};
  std::string text = step.op->name;
  int next = -1;
  for (const ParameterWord& w : step.op->words) {
    text += next < 0 ? ":" : ",";
    // A bare value fills the word after the previous one (the first declared word to start with).
    if (next >= 0 && w.index != next) {
      text += 'w';
      text += std::to_string(w.index);
      text += '=';
    }
    text += number_text(w, word_value(w, step.block));
    next = w.index + 1;
  }
  return text;
}

std::string format_script(const std::vector<ScriptStep>& steps, const std::string& header) {
  std::string text = header;
  if (!text.empty() && text.back() != '\n') text += '\n';
  for (const ScriptStep& step : steps) text += format_step(step) + "\n";
  return text;
}

ScriptResult run_script(const std::vector<ScriptStep>& steps, ImageDescriptorAndDisplayObj& image) {
  ScriptResult result;
  _IMAGE_PROC_DATA* own = image.procData;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    _IMAGE_PROC_DATA block = steps[i].block;
    image.procData = &block;
    ivorel::Outcome outcome;
    {
      TProcessImageEx processor(&image);
      steps[i].op->run(processor);
      outcome = processor.LastOutcome();
    }
    result.outcome = outcome;
    if (outcome != ivorel::Outcome::Ran) {
      result.failedStep = static_cast<int>(i);
      break;
    }
  }
  image.procData = own;
  return result;
}

bool run_script_on_file(const std::vector<ScriptStep>& steps, const std::string& in, const std::string& out,
                        std::string& error) {
  ErrorCapture capture;
  auto fail = [&](const std::string& why) {
    const std::string said = capture.text();
    error = said.empty() ? why : why + " (" + said + ")";
    return false;
  };
  const CompandType outType = Compand::FileTypeFromName(out.c_str());
  if (outType == CT_NONE || outType == CT_AVI) return fail("no writer for " + out);
  Compand reader;
  capture.attach();
  if (Compand::FileTypeFromName(in.c_str()) == CT_NONE) return fail("not an image file type");
  if (!reader.InitExpander(in.c_str()) || !reader.DoExpansion()) return fail("could not be read");
  // Writing the first frame alone would quietly drop the rest of an animation.
  if (const ImageStack* frames = reader.GetImageStack(); frames && frames->GetFrameNumber() > 1)
    return fail("has " + std::to_string(frames->GetFrameNumber()) +
                " frames; scripts run on single images (take one out with imgtools convert --frame)");

  ImageDescriptorAndDisplayObj image;
  _IMAGEDESCRIPTOR& d = image.image;
  if (!reader.GetDataPtr() || reader.GetWidth() == 0 || reader.GetHeight() == 0)
    return fail("holds no image");
  if (!ivorel::descriptor_from_raw(reader.GetWidth(), reader.GetHeight(), reader.GetBitsPerPixel(),
                                   reader.GetColors(), reader.GetDataPtr(), reader.GetPalettePtr(), 72, d))
    return fail("no memory for the image");
  reader.DisposeOfImage();

  const ScriptResult result = run_script(steps, image);
  if (!result.ok()) {
    ivorel::free_image_block(d);
    return fail(std::string(steps[result.failedStep].op->name) +
                " did not run: " + outcome_text(result.outcome));
  }
  std::vector<char> name(out.begin(), out.end());
  name.resize(name.size() + 5, '\0');
  Compand writer;
  capture.attach();
  bool written = writer.InitCompressor(outType, name.data(), d.width, d.height, d.bitsPerPixel, d.colors,
                                       d.imageData, d.palette) != 0;
  if (written) {
    writer.SetImageType(d.colors == 0 ? IT_TRUECOLOR : d.colors <= 2 ? IT_BILEVEL : IT_PALETTE);
    writer.SetCompressionQuality(90);
    written = writer.DoCompression() != 0;
  }
  ivorel::free_image_block(d);
  return written ? true : fail("could not be written to " + out);
}

}  // namespace registry
