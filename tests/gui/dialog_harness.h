// Driving the parameter dialogs in tests: controls by their ids, OK and Cancel, scroll-bar actions as a
// user would cause them, typing into an edit, and answering the next modal dialog from a timer.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <functional>

#include "ivorel/windows/dialogs/dialog_controls.h"

namespace testing_support {

using ivorel::dialogs::control;

inline QString text_of(const QWidget* dialog, int id) {
  if (auto* label = control<QLabel>(dialog, id)) return label->text();
  if (auto* edit = control<QLineEdit>(dialog, id)) return edit->text();
  return QStringLiteral("<missing %1>").arg(id);
}

inline void press(QWidget* dialog, int id) {
  control<QAbstractButton>(dialog, id)->click();
}

inline void bar_action(QWidget* dialog, int id, QAbstractSlider::SliderAction action) {
  control<QScrollBar>(dialog, id)->triggerAction(action);
}

// Replaces an edit's text as typing does (textEdited fires, unlike setText alone).
inline void type_into(QWidget* dialog, int id, const QString& text) {
  QLineEdit* edit = control<QLineEdit>(dialog, id);
  edit->setText(text);
  emit edit->textEdited(text);
}

// Runs `answer` on the modal dialog that opens next (after the current event-loop turn). Kept out of line:
// the application header clashes with the display library's class name.
void answer_next_modal(std::function<void(QWidget*)> answer);

// The visible top-level windows titled `title`.
QList<QWidget*> top_level_windows(const QString& title);

}  // namespace testing_support
