#include "platform/core/system_memory.h"

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

namespace pcore {

namespace {

// The sum of the named /proc/meminfo fields (in kB there), in bytes; -1 when none is found.
std::int64_t meminfo_bytes(std::initializer_list<const char*> keys) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  std::int64_t total = 0;
  bool found = false;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    std::int64_t kb = 0;
    if (!(fields >> key >> kb)) continue;
    for (const char* wanted : keys) {
      if (key == wanted) {
        total += kb * 1024;
        found = true;
      }
    }
  }
  return found ? total : -1;
}

}  // namespace

std::int64_t available_memory_bytes() {
  return meminfo_bytes({"MemAvailable:", "SwapFree:"});
}

std::int64_t total_memory_bytes() {
  return meminfo_bytes({"MemTotal:"});
}

}  // namespace pcore
