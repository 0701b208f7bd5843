// The operation registry: every image operation declared once, with the name of its public member, the
// toolkit tab that offers it, and the parameter words it reads (index, meaning, type, range, default). The
// processing toolkit, scripts and `imgtools apply` all read this table; nobody writes a parser or a dialog
// per operation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ivorel/processing/processing.h"

namespace registry {

enum class WordType { Integer, Real };

struct ParameterWord {
  int index;            // word of _IMAGE_PROC_DATA, 0 ... 20
  const char* meaning;  // shown by `imgtools list` and the toolkit
  WordType type;
  double low, high, fallback;  // accepted range and the value used when none is given
  // For a word that names a choice rather than a quantity: one label per value from `low` to `high`,
  // separated by '|' ("No|Yes", "Black|White|First colour"). The toolkit then shows a check box (two
  // labels "No|Yes") or a list instead of a slider; scripts still give the number.
  const char* choices = nullptr;
};

// What an operation takes from outside its words (imgtools apply: --seed, --colours, --texture).
enum Input : unsigned {
  kRandom = 1,   // the random generator's seed
  kColours = 2,  // the first and second drawing colours
  kTexture = 4,  // a texture image
  kPalette = 8,  // the colour table of PseudoColor
};

struct Operation {
  const char* name;     // the processor's public member
  const char* tab;      // the toolkit tab, or "" when the toolkit has none
  const char* summary;  // one line
  std::vector<ParameterWord> words;
  void (*run)(TProcessImageEx& processor);
  const char* title = nullptr;  // the user's name of the operation ("Median Filter"); `name` when absent
  unsigned inputs = 0;          // Input flags
};

const std::vector<Operation>& operations();
// Exact name, or nullptr.
const Operation* find_operation(std::string_view name);

// Fills `block` from "[wN=]value,..." (an item without wN= fills the word after the previous one, starting
// at the first declared word); declared words not given take their defaults. Every value is checked
// against its word's range. On failure returns false with `error` saying which item and why.
bool fill_block(const Operation& op, std::string_view values, _IMAGE_PROC_DATA& block, std::string& error);

}  // namespace registry
