#include "platform/core/responsive.h"

#include <atomic>

namespace pcore {

namespace {
std::atomic<EventPump*> installed{nullptr};
}

void install_event_pump(EventPump* pump) {
  installed.store(pump);
}

void pump_events() {
  if (EventPump* pump = installed.load()) pump->pump();
}

}  // namespace pcore
