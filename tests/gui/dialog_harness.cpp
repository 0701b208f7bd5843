#include "tests/gui/dialog_harness.h"

#include <QApplication>
#include <QTimer>

namespace testing_support {

void answer_next_modal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) answer(modal);
  });
}

QList<QWidget*> top_level_windows(const QString& title) {
  QList<QWidget*> found;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == title) found.append(w);
  return found;
}

}  // namespace testing_support
