#include "platform/core/dialogs.h"

#include <atomic>

#include "platform/core/message_box.h"

namespace pcore {

namespace {
std::atomic<ParameterDialogService*> installed{nullptr};
}

void install_parameter_dialogs(ParameterDialogService* service) {
  installed.store(service);
}

int run_parameter_dialog(ParameterRequest& request) {
  ParameterDialogService* service = installed.load();
  return service ? service->run(request) : kIdCancel;
}

}  // namespace pcore
