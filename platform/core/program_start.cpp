#include "platform/core/program_start.h"

#include <atomic>

namespace pcore {

namespace {
std::atomic<ProgramStartService*> installed{nullptr};
}

void install_program_start(ProgramStartService* service) {
  installed.store(service);
}

bool start_program(const std::string& program, const std::vector<std::string>& arguments) {
  ProgramStartService* service = installed.load();
  return service && service->start(program, arguments);
}

}  // namespace pcore
