#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

namespace ivorel {

namespace {

// The profile keeps the list as "Recent File List/File1" ... "File8", newest first.
constexpr const char kRecentSection[] = "Recent File List";

void store(const QStringList& files) {
  auto settings = pqt::profile();
  settings->remove(kRecentSection);
  settings->beginGroup(kRecentSection);
  for (int i = 0; i < files.size() && i < kRecentFileCount; ++i)
    settings->setValue(QString("File%1").arg(i + 1), files[i]);
  settings->endGroup();
}

}  // namespace

QString shown_path(const QString& path) {
  const QString home = QDir::homePath();
  return path.startsWith(home + "/") ? "~" + path.mid(home.size()) : path;
}

QStringList recent_files() {
  auto settings = pqt::profile();
  settings->beginGroup(kRecentSection);
  QStringList files;
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString path = settings->value(QString("File%1").arg(i)).toString();
    if (!path.isEmpty() && !files.contains(path)) files << path;
  }
  return files;
}

void add_recent_file(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  QStringList files = recent_files();
  files.removeAll(full);
  files.prepend(full);
  store(files);
}

void remove_recent_file(const QString& path) {
  QStringList files = recent_files();
  files.removeAll(path);
  store(files);
}

QString last_open_folder() {
  return pqt::profile()->value("Settings/LastOpenFolder").toString();
}

void set_last_open_folder(const QString& folder) {
  if (!folder.isEmpty()) pqt::profile()->setValue("Settings/LastOpenFolder", folder);
}

QMenu* add_recent_files_menu(CIMDIFrameWnd* frame, QMenu* parent) {
  QMenu* menu = parent->addMenu(QObject::tr("Recent &Files"));
  menu->setObjectName("RecentFiles");
  QObject::connect(menu, &QMenu::aboutToShow, frame, [frame, menu] {
    menu->clear();
    const QStringList files = recent_files();
    if (files.isEmpty()) menu->addAction(QObject::tr("(none)"))->setEnabled(false);
    int n = 1;
    for (const QString& path : files) {
      QAction* entry = menu->addAction(QString("&%1 %2").arg(n++).arg(shown_path(path)));
      entry->setData(path);
      QObject::connect(entry, &QAction::triggered, frame, [frame, path] {
        if (!QFileInfo::exists(path)) {
          remove_recent_file(path);
          pcore::message_box().show(frame, (path + " no longer exists.").toStdString(), "Recent Files",
                                    pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
          return;
        }
        frame->OpenImageFile(path);
      });
    }
    if (!files.isEmpty()) {
      menu->addSeparator();
      QObject::connect(menu->addAction(QObject::tr("&Clear List")), &QAction::triggered, frame,
                       [] { store({}); });
    }
  });
  return menu;
}

}  // namespace ivorel
