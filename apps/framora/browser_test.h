// Where the browser test writes its page and animation, and whether there is a browser to show them.
#pragma once

#include <QString>

namespace framora {

// The folder for the test's files: beside the saved animation when there is one and its folder may be
// written, else a private folder of the process (mode 0700, removed at exit), so that no other user can
// read or replace what the browser loads. Empty when neither can be had.
QString browser_test_folder(const QString& savedAnimation);

// Whether the desktop can open a web page: xdg-open is there and a browser is known to it (or $BROWSER).
bool browser_available();

}  // namespace framora
