// What each program of the suite does first, the same way: tells Qt who it is (its settings live under
// the company's and its own name, its windows belong to its desktop entry), gives its command line the
// options every program has, and, once it is going to show windows, takes its icon and starts the library.
#pragma once

#include <QCommandLineParser>
#include <QStringList>

namespace ivorel {

struct ProgramIdentity {
  const char* name;         // "Pictaro": the application's name
  const char* id;           // "pictaro": its desktop entry, icon and folder under apps/
  const char* description;  // the line --help starts with
};

// Names the application and readies `parser` with the description, --help and --version; the program adds
// its own options and arguments and then processes the command line.
void BeginProgram(const ProgramIdentity& program, QCommandLineParser& parser);

// The files named on the command line, made absolute (a running instance they are handed to has a
// folder of its own).
QStringList AbsolutePaths(const QStringList& files);

// The window icon from the desktop's theme, else the one in the source tree beside a build; then the
// image library's start-up.
void PrepareProgramWindows(const ProgramIdentity& program);

}  // namespace ivorel
