// Keeping the application responsive during long operations: the GUI installs a pump that handles the
// events waiting in the user-interface thread's queue. Without one, pumping does nothing.
#pragma once

namespace pcore {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles every event already waiting, then returns.
  virtual void pump() = 0;
};

void install_event_pump(EventPump* pump);
void pump_events();

}  // namespace pcore
