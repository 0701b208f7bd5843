// Message boxes as a service: the GUI installs one that shows real boxes; the command-line tool and tests
// install their own. Without an installed service, messages go to standard error and the default button is
// taken, so that headless programs never block.
#pragma once

#include <string>

namespace pcore {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum MessageResult { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // `owner` identifies the owning window, or is null for a box without owner.
  virtual int show(const void* owner, const std::string& text, const std::string& caption, MessageIcon icon,
                   MessageButtons buttons) = 0;
};

// The service stays owned by the caller; pass nullptr to go back to the standard-error fallback.
void install_message_box(MessageBoxService* service);
MessageBoxService& message_box();

int default_button(MessageButtons buttons);

}  // namespace pcore
