// The browser test: a small web page showing the animation, written beside the GIF it shows, and opened in
// the desktop's browser.
#pragma once

#include <QString>

namespace framora {

// The page showing `gifName` (a bare file name, in the page's folder).
QString browser_test_page(const QString& gifName);

// Where a test's files go: beside the saved animation when the stack is what was saved there, else in a
// private folder of the process (made once, mode 0700, removed at exit).
struct BrowserTestFiles {
  QString gif;   // the animation the page shows (written by the caller unless it is the saved file)
  QString page;  // the page
  bool writeGif = true;
};
BrowserTestFiles browser_test_files(const QString& savedGif, bool savedIsCurrent);

// Writes the page (UTF-8) through the suite's safe save; false when it could not be written.
bool write_browser_test_page(const QString& page, const QString& gifName);

// Whether the desktop can open a web page: xdg-open is there and a browser is known to it (or $BROWSER).
bool browser_available();

}  // namespace framora
