#include "ivorel/operations/operation_registry.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "ivorel/operations/registry_families.h"

namespace registry {

namespace {

std::vector<Operation> declare() {
  std::vector<Operation> all;
  for (auto family : {filter_operations, colour_operations, geometry_operations, depth_operations, rank_operations,
                      fill_operations, distortion_operations, artistic_operations}) {
    std::vector<Operation> ops = family();
    all.insert(all.end(), std::make_move_iterator(ops.begin()), std::make_move_iterator(ops.end()));
  }
  return all;
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

}  // namespace registry
