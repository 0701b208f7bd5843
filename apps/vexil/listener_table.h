// The programs that asked to be told after each capture, keyed by their bus names: 256 slots, freed slots
// reused first, a full table overwriting its last slot, and a high-water mark bounding the notification.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vexil {

class ListenerTable {
 public:
  static constexpr int kSlots = 256;

  void Add(const std::string& name);
  // An empty name, or one not in the table, removes nothing.
  void Remove(const std::string& name);
  // Every listener to notify, in slot order.
  std::vector<std::string> Listeners() const;
  int HighWater() const { return highWater_; }
  const std::string& Slot(int index) const { return slots_[static_cast<std::size_t>(index)]; }

 private:
  std::array<std::string, kSlots> slots_;
  int highWater_ = 0;  // slots below it have been used
};

}  // namespace vexil
