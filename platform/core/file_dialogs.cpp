#include "platform/core/file_dialogs.h"

#include <atomic>

#include "platform/core/message_box.h"

namespace pcore {

namespace {
std::atomic<FileDialogService*> installed{nullptr};
}

void install_file_dialogs(FileDialogService* service) {
  installed.store(service);
}

int run_file_dialog(FileDialogRequest& request) {
  FileDialogService* service = installed.load();
  if (!service || service->run(request) != kIdOk) return kIdCancel;
  if (request.path.empty() && !request.paths.empty()) request.path = request.paths.front();
  return request.path.empty() ? kIdCancel : kIdOk;
}

}  // namespace pcore
