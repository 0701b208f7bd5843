#include "apps/framora/browser_test.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace framora {

QString browser_test_page(const QString& gifName) {
  // The name goes into an attribute twice: as a link it is percent-encoded (a '#' or '%' in a file name
  // must not change which file loads), as text it is escaped, so no name can break out of the tag.
  const QString source = QString::fromLatin1(QUrl::toPercentEncoding(gifName, "!$&'()*+,;=@~"));
  const QString alt = gifName.toHtmlEscaped();
  QString page;
  page += "<HTML>\n<HEAD><TITLE>Framora Test</TITLE></HEAD>\n<BODY>\n<H1 align=center>Framora Testing</H1>\n";
  page += QStringLiteral("<hr size=2 width=\"80%\">\n<IMG SRC=\"%1\" ALT=\"%2\">\n")
              .arg(source.toHtmlEscaped(), alt);
  page +=
      "<hr size=2 width=\"80%\">\n<P align=center><A HREF=\"https://www.pixmoor.org/\">Pixmoor</A></P>\n"
      "</BODY>\n</HTML>\n";
  return page;
}

BrowserTestFiles browser_test_files(const QString& savedGif, bool savedIsCurrent) {
  BrowserTestFiles files;
  if (savedIsCurrent && !savedGif.isEmpty() && QFileInfo(savedGif).isFile() &&
      QFileInfo(QFileInfo(savedGif).absolutePath()).isWritable()) {
    const QFileInfo gif(savedGif);
    files.gif = gif.absoluteFilePath();
    files.page = gif.absoluteDir().filePath(gif.completeBaseName() + "_test.htm");
    files.writeGif = false;
    return files;
  }
  // One private folder for the process: other users cannot read or replace what the browser loads.
  static std::unique_ptr<QTemporaryDir> folder;
  if (!folder || !folder->isValid())
    folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/framora-XXXXXX");
  if (!folder->isValid()) return files;
  files.gif = folder->filePath("Framora_Test.gif");
  files.page = folder->filePath("Framora_Test.htm");
  return files;
}

bool write_browser_test_page(const QString& page, const QString& gifName) {
  QSaveFile file(page);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  file.write(browser_test_page(gifName).toUtf8());
  return file.commit();
}

bool browser_available() {
  if (!qEnvironmentVariableIsEmpty("BROWSER")) return true;
  if (QStandardPaths::findExecutable("xdg-open").isEmpty()) return false;
  QProcess query;
  query.start("xdg-mime", {"query", "default", "text/html"});
  if (query.waitForFinished(3000) && !query.readAllStandardOutput().trimmed().isEmpty()) return true;
  // Without a registered handler xdg-open still tries the browsers it knows by name.
  for (const char* known : {"x-www-browser", "firefox", "firefox-esr", "chromium", "google-chrome",
                            "epiphany", "konqueror", "falkon"})
    if (!QStandardPaths::findExecutable(known).isEmpty()) return true;
  return false;
}

}  // namespace framora
