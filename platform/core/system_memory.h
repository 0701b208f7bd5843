// How much memory the system has and can still give, for the status bar, the image information and the
// open command's low-memory check.
#pragma once

#include <cstdint>

namespace pcore {

// Memory that can still be had without swapping, plus free swap, in bytes; -1 when the system does not say.
std::int64_t available_memory_bytes();
// Physical memory in bytes; -1 when the system does not say.
std::int64_t total_memory_bytes();

}  // namespace pcore
