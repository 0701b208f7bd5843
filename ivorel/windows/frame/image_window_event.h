// The private messages between Ivorel's windows (1124 ... 1138) as Qt events of the same numbers, always
// sent synchronously (QCoreApplication::sendEvent), so that a sender sees their effect at once.
#pragma once

#include <QEvent>
#include <cstdint>

#include "ivorel/windows/image_wnd_functions.h"

namespace ivorel {

class ImageWindowEvent : public QEvent {
 public:
  ImageWindowEvent(int message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
      : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam) {}
  int message() const { return static_cast<int>(type()); }
  static bool is_image_window_message(const QEvent* e) {
    return ImageWndFunctions::IsImageWindowMessage(static_cast<unsigned>(e->type())) ||
           e->type() == static_cast<QEvent::Type>(kMsgMenuUpdate);
  }

  std::uintptr_t wParam;
  std::intptr_t lParam;
  long result = 0;  // what the receiver returned
};

// Sends one message to a window and returns its result (0 when nobody handled it).
long send_image_message(QObject* receiver, int message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

}  // namespace ivorel
