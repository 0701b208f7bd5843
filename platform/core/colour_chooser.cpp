#include "platform/core/colour_chooser.h"

#include <atomic>

#include "platform/core/message_box.h"

namespace pcore {

namespace {
std::atomic<ColourChooserService*> installed{nullptr};
}

void install_colour_chooser(ColourChooserService* service) {
  installed.store(service);
}

int run_colour_chooser(ColourRequest& request) {
  ColourChooserService* service = installed.load();
  return service && service->run(request) == kIdOk ? kIdOk : kIdCancel;
}

}  // namespace pcore
