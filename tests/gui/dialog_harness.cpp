#include "tests/gui/dialog_harness.h"

#include <QApplication>
#include <QTimer>

namespace testing_support {

void answer_next_modal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) answer(modal);
  });
}

}  // namespace testing_support
