// The HTML manual: where it is installed, opening a page or a section of it in the desktop's browser, and
// F1 on any window that declares which section describes it.
#pragma once

#include <QString>

class QWidget;

namespace ivorel::help {

// Marks `window` as described by `section` of the manual: a page ("pictaro.html") or a page with a
// section id ("pictaro.html#scripting"). F1 anywhere in that window opens it.
void declare_section(QWidget* window, const char* section);
// The section declared by the top-level window of `widget`, or empty.
QString section_of(const QWidget* widget);

// The folder of the installed manual (the one holding index.html), or empty when none is found: beside
// the programs (bin/../share/doc/pictaro/manual), in the user's or the system's data folders, or, for a
// program run from its build folder, the source tree's manual/.
QString manual_folder();

// Opens `section` in the desktop's browser through the program-start service. Without a manual, or when
// no browser starts, says so in a box owned by `owner` and returns false.
bool open_manual(const QString& section, QWidget* owner);

// Makes F1 open the declared section of the window that has the focus (once per application).
void install_f1_handler();

}  // namespace ivorel::help
