// Parameter dialogs as requests: an image operation that has no parameter block asks for its values through
// this service. The GUI installs one that shows the real dialogs; tests and scripts install scripted ones.
// Without an installed service every request is cancelled, so that headless programs never block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/resize_param.h"

namespace pcore {

enum class ParameterDialog {
  ImageProcTest,        // up to three integers and two reals; an absent field is disabled
  FilterControl,        // integers[0]: the application strength, 1 ... 10
  BriteContrastAdjust,  // integers[0]: brightness, integers[1]: contrast, each -48 ... 48
  QuantizeControl,      // integers[0]: the colour count, 18 ... 256 (set to 256 before the dialog shows)
  ResizeControl,        // resize: the record behind `resize`, read and written by the dialog
  SaveQuality,          // integers[0]: the quality a JPEG is written with, 1 ... 100
  BitsPerPixel,         // integers[0]: the depth, 1, 4, 8 or 24 (the current one when the dialog shows);
                        // integers[1], [2]: width and height, `imageBytes`, `description`: the image's name
};

struct ParameterRequest {
  ParameterDialog dialog = ParameterDialog::ImageProcTest;
  const void* owner = nullptr;  // the owning window, or null
  std::string description;      // the explanatory text of FilterControl
  std::optional<std::int32_t> integers[3];
  std::optional<float> reals[2];
  _RESIZE_PARAM* resize = nullptr;  // ResizeControl only
  std::uint64_t imageBytes = 0;     // BitsPerPixel only
};

class ParameterDialogService {
 public:
  virtual ~ParameterDialogService() = default;
  // Shows the dialog with the request's values; on OK writes the values back. Returns kIdOk or kIdCancel
  // (message_box.h).
  virtual int run(ParameterRequest& request) = 0;
};

// The service stays owned by the caller; nullptr goes back to cancelling every request.
void install_parameter_dialogs(ParameterDialogService* service);
int run_parameter_dialog(ParameterRequest& request);

}  // namespace pcore
