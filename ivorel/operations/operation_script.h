// Scripts: lists of registry operations with their words, written one a line in the same "Name:VALUES"
// form that `imgtools apply` takes on its command line. The script window and `imgtools apply --script`
// both read and write them through these functions, so a script saved by one runs unchanged in the other.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ivorel/operations/operation_registry.h"

namespace registry {

struct ScriptStep {
  const Operation* op = nullptr;
  _IMAGE_PROC_DATA block;  // every declared word filled: the given values, the defaults for the rest
};

// One "Name[:VALUES]" item. On failure returns false with `error` naming the operation and the bad item.
bool parse_step(std::string_view text, ScriptStep& step, std::string& error);

// A whole script: one step a line; blank lines and lines starting with '#' are skipped, and spaces around
// a step are ignored. The whole text is checked before anything runs: on the first bad line returns false
// with `error` as "line N: ...", and `steps` is left empty.
bool parse_script(std::string_view text, std::vector<ScriptStep>& steps, std::string& error);

// The step as a script line: its name and, when it has words, every declared word in order ("Blur:7",
// "EnlargeCanvas:4,0,w11=1.5,w12=1.5"); parse_step of the result gives the same block back.
std::string format_step(const ScriptStep& step);
// Every step on its own line, after `header` (comment lines, each starting with "# ", may be empty).
std::string format_script(const std::vector<ScriptStep>& steps, const std::string& header = {});

// The value of one declared word as the block holds it (integers as they are, reals as floats).
double word_value(const ParameterWord& word, const _IMAGE_PROC_DATA& block);
void set_word_value(const ParameterWord& word, double value, _IMAGE_PROC_DATA& block);

// What running a script did: every step ran, or `failedStep` (0-based) did not, with its outcome.
struct ScriptResult {
  int failedStep = -1;
  ivorel::Outcome outcome = ivorel::Outcome::None;
  bool ok() const { return failedStep < 0; }
};

// Runs the steps in order on `image`, each with its block attached (so no dialog opens), and stops at the
// first that does not run. The image's own block is restored afterwards. Each processor takes its undo
// snapshot as usual; callers that want one step for the whole script take it themselves and run on an
// image that is not in a window.
ScriptResult run_script(const std::vector<ScriptStep>& steps, ImageDescriptorAndDisplayObj& image);

// Reads `in`, runs the steps and writes `out` in the type its extension names (JPEG at quality 90). A file
// of several frames (an animation) is refused rather than cut to one. On failure returns false with
// `error` saying what went wrong; `out` is then not written.
bool run_script_on_file(const std::vector<ScriptStep>& steps, const std::string& in, const std::string& out,
                        std::string& error);

}  // namespace registry
