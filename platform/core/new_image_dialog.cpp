#include "platform/core/new_image_dialog.h"

#include <atomic>

#include "platform/core/message_box.h"

namespace pcore {

namespace {
std::atomic<NewImageDialogService*> installed{nullptr};
}

void install_new_image_dialog(NewImageDialogService* service) {
  installed.store(service);
}

int run_new_image_dialog(NewImageRequest& request) {
  NewImageDialogService* service = installed.load();
  return service ? service->run(request) : kIdCancel;
}

}  // namespace pcore
