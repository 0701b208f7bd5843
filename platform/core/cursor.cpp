#include "platform/core/cursor.h"

#include <atomic>

namespace pcore {

namespace {
std::atomic<CursorService*> installed{nullptr};
std::atomic<CursorShape> current{CursorShape::Arrow};
}  // namespace

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
