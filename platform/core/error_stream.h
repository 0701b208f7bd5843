// The per-thread error stream: where library errors go as text instead of a message box.
#pragma once

#include <cstdio>
#include <string>

namespace pcore {

std::FILE* thread_error_stream();
void set_thread_error_stream(std::FILE* stream);

// Collects what the libraries write to the thread's error stream while it lives, and puts the previous
// stream back, so that a caller can report a failure once, in its own words (naming the file, say), instead
// of a box per error. Every new Compand resets the stream: attach after making one.
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  void attach();
  // Everything written so far, without surrounding white space.
  std::string text();

 private:
  std::FILE* previous_;
  std::FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace pcore
