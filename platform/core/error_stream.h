// The per-thread error stream: where library errors go as text instead of a message box.
#pragma once

#include <cstdio>

namespace pcore {

std::FILE* thread_error_stream();
void set_thread_error_stream(std::FILE* stream);

}  // namespace pcore
