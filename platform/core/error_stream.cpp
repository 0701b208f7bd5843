#include "platform/core/error_stream.h"

namespace pcore {

namespace {
thread_local std::FILE* error_stream = nullptr;
}

std::FILE* thread_error_stream() {
  return error_stream;
}
void set_thread_error_stream(std::FILE* stream) {
  error_stream = stream;
}

}  // namespace pcore
