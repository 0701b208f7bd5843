#include "apps/vexil/listener_table.h"

#include <algorithm>

namespace vexil {

void ListenerTable::Add(const std::string& name) {
  if (name.empty()) return;
  const auto used = slots_.begin() + highWater_;
  if (std::find(slots_.begin(), used, name) != used) return;
  const auto free = std::find(slots_.begin(), slots_.end(), std::string());
  if (free == slots_.end()) {
    slots_[kSlots - 1] = name;
    return;
  }
  *free = name;
  highWater_ = std::max(highWater_, static_cast<int>(free - slots_.begin()) + 1);
}

void ListenerTable::Remove(const std::string& name) {
  if (name.empty()) return;
  const auto used = slots_.begin() + highWater_;
  const auto found = std::find(slots_.begin(), used, name);
  if (found != used) found->clear();
}

std::vector<std::string> ListenerTable::Listeners() const {
  std::vector<std::string> names;
  for (int i = 0; i < highWater_; ++i) {
    if (!slots_[static_cast<std::size_t>(i)].empty()) names.push_back(slots_[static_cast<std::size_t>(i)]);
  }
  return names;
}

}  // namespace vexil
