#include "apps/framora/browser_test.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

namespace framora {

QString browser_test_folder(const QString& savedAnimation) {
  if (!savedAnimation.isEmpty()) {
    const QFileInfo saved(savedAnimation);
    if (saved.isFile() && QFileInfo(saved.absolutePath()).isWritable()) return saved.absolutePath();
  }
  static std::unique_ptr<QTemporaryDir> folder;
  if (!folder || !folder->isValid())
    folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/framora-XXXXXX");
  return folder->isValid() ? folder->path() : QString();
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
