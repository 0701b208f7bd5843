// Fuzz targets feed the readers garbage on purpose: every report they make is expected, so none is shown.
#pragma once

#include <string>

#include "platform/core/message_box.h"

namespace fuzzing {

class SilentMessageBox : public pcore::MessageBoxService {
 public:
  int show(const void*, const std::string&, const std::string&, pcore::MessageIcon,
           pcore::MessageButtons buttons) override {
    return pcore::default_button(buttons);
  }
};

inline void install_silent_message_box() {
  static SilentMessageBox silent;
  pcore::install_message_box(&silent);
}

}  // namespace fuzzing
