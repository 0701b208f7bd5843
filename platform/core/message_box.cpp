#include "platform/core/message_box.h"

#include <atomic>
#include <cstdio>

namespace pcore {

namespace {

class StderrMessageBox : public MessageBoxService {
 public:
  int show(const void*, const std::string& text, const std::string& caption, MessageIcon,
           MessageButtons buttons) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return default_button(buttons);
  }
};

StderrMessageBox fallback;
std::atomic<MessageBoxService*> installed{nullptr};

}  // namespace

int default_button(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
      return kIdYes;
    default:
      return kIdOk;
  }
}

void install_message_box(MessageBoxService* service) {
  installed.store(service);
}

MessageBoxService& message_box() {
  MessageBoxService* service = installed.load();
  return service ? *service : fallback;
}

}  // namespace pcore
