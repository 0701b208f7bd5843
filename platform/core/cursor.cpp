#include "platform/core/cursor.h"

#include <atomic>

namespace pcore {

namespace {
std::atomic<CursorService*> installed{nullptr};
std::atomic<CursorShape> current{CursorShape::Arrow};
std::atomic<int> waits{0};
}  // namespace

void begin_wait() {
  if (waits.fetch_add(1) == 0 || current.load() != CursorShape::Wait) set_cursor(CursorShape::Wait);
}

void end_wait() {
  if (waits.fetch_sub(1) == 1) set_cursor(CursorShape::Arrow);
}

void install_cursor_service(CursorService* service) {
  installed.store(service);
}

void set_cursor(CursorShape shape) {
  current.store(shape);
  if (CursorService* service = installed.load()) service->set_cursor(shape);
}

void set_progress_cursor(int frame) {
  current.store(CursorShape::Wait);
  if (CursorService* service = installed.load()) service->set_progress_cursor(frame);
}

CursorShape current_cursor() {
  return current.load();
}

}  // namespace pcore
