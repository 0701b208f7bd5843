// Small builders shared by the parameter dialogs: controls named by their resource ids (tests and the dialog
// logic find them by that name), the step bars, and the numeric validation a dialog framework does on OK.
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <functional>
#include <optional>

namespace ivorel::dialogs {

// A bar with the given range, line and page steps and start position (clamped to the range).
QScrollBar* step_bar(QWidget* parent, int id, Qt::Orientation orientation, int low, int high, int line,
                     int page, int start);

// A text control; `id` 0 leaves it unnamed (a plain label).
QLabel* static_text(QWidget* parent, int id, const QString& text, Qt::Alignment align = Qt::AlignLeft);

// The layout of a value bar: `title` with the value text on the right above the bar, which lies between
// the words for its two ends. Row 2 is left for the derived dialog.
QGridLayout* value_bar_grid(QWidget* parent, const QString& title, QLabel* value, const QString& low,
                            QScrollBar* bar, const QString& high);

// Plain OK (id 1, the default) and Cancel (id 2) push buttons for a dialog without bitmap buttons; OK calls
// `onOk`, which accepts or keeps the dialog open.
QWidget* ok_cancel_buttons(QDialog* dialog, std::function<void()> onOk);

QLineEdit* edit_field(QWidget* parent, int id, const QString& text);

// The control named `id` inside `dialog`, or null.
template <typename T>
T* control(const QWidget* dialog, int id) {
  return dialog->findChild<T*>(QString::number(id));
}

// The integer in `edit`, when it is one within low ... high; otherwise the framework's message goes through
// the message-box service (owned by `owner`), the edit takes the focus and the result is empty.
std::optional<int> read_integer(QLineEdit* edit, int low, int high, QWidget* owner);
// The same for a real number of at most `limit` in magnitude.
std::optional<double> read_real(QLineEdit* edit, double limit, QWidget* owner);

// "%.*g" at 15 significant digits: how reals are shown in edit fields.
QString real_text(double value);

}  // namespace ivorel::dialogs
