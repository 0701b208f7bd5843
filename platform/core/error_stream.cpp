#include "platform/core/error_stream.h"

#include <cstdlib>

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

ErrorCapture::ErrorCapture() : previous_(thread_error_stream()) {
  stream_ = open_memstream(&buffer_, &size_);
}

void ErrorCapture::attach() {
  if (stream_) set_thread_error_stream(stream_);
}

ErrorCapture::~ErrorCapture() {
  set_thread_error_stream(previous_);
  if (stream_) std::fclose(stream_);
  std::free(buffer_);
}

std::string ErrorCapture::text() {
  if (!stream_) return {};
  std::fflush(stream_);
  std::string text(buffer_, size_);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace pcore
