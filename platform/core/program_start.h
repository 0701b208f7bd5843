// Starting other programs as a service: the manual in the desktop's browser, the file manager, the other
// programs of the suite. The GUI installs one that starts them detached; tests install one that records
// what would have started. Without an installed service nothing starts and every request fails.
#pragma once

#include <string>
#include <vector>

namespace pcore {

class ProgramStartService {
 public:
  virtual ~ProgramStartService() = default;
  // Starts `program` (looked up on the path) with `arguments`, without waiting for it; false when it could
  // not be started.
  virtual bool start(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// The service stays owned by the caller; nullptr goes back to refusing every request.
void install_program_start(ProgramStartService* service);
bool start_program(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace pcore
