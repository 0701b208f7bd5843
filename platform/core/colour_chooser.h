// The colour chooser as a service: library and window code that asks the user for one colour goes through
// this interface. The GUI installs the desktop's colour dialog; tests and scripts install scripted ones.
// Without an installed service every request is cancelled, so that headless programs never block.
#pragma once

#include <cstdint>
#include <string>

namespace pcore {

struct ColourRequest {
  const void* owner = nullptr;  // the owning window, or null
  std::string title;            // "Line Color"
  // In: the colour the chooser starts from; out, on OK: the chosen one. Red in the low byte (0x00BBGGRR).
  std::uint32_t colour = 0;
};

class ColourChooserService {
 public:
  virtual ~ColourChooserService() = default;
  // Shows the chooser; on OK writes the chosen colour. Returns kIdOk or kIdCancel (message_box.h).
  virtual int run(ColourRequest& request) = 0;
};

// The service stays owned by the caller; nullptr goes back to cancelling every request.
void install_colour_chooser(ColourChooserService* service);
int run_colour_chooser(ColourRequest& request);

}  // namespace pcore
