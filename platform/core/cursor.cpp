#include "platform/core/cursor.h"

#include <atomic>

namespace pcore {

namespace {
std::atomic<CursorService*> installed{nullptr};
}

void install_cursor_service(CursorService* service) {
  installed.store(service);
}

void set_cursor(CursorShape shape) {
  if (CursorService* service = installed.load()) service->set_cursor(shape);
}

}  // namespace pcore
