#include "ivorel/windows/frame/manual_help.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include "platform/core/message_box.h"
#include "platform/core/program_start.h"

namespace ivorel::help {

namespace {

constexpr const char kSectionProperty[] = "manualSection";
constexpr const char kInstalledPath[] = "doc/pictaro/manual";

class F1Filter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Key presses reach here only when no shortcut took F1 (the frame has its own): dialogs and tool
    // windows.
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    const QString section = widget ? section_of(widget) : QString();
    if (section.isEmpty()) return false;
    open_manual(section, widget->window());
    return true;
  }
};

}  // namespace

void declare_section(QWidget* window, const char* section) {
  if (window) window->setProperty(kSectionProperty, QString::fromUtf8(section));
}

QString section_of(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    const QString section = w->property(kSectionProperty).toString();
    if (!section.isEmpty()) return section;
    if (w->isWindow() && !w->parentWidget()) break;
  }
  return {};
}

QString manual_folder() {
  const QString bin = QCoreApplication::applicationDirPath();
  QStringList candidates = {bin + "/../share/" + kInstalledPath};
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    candidates << data + "/" + kInstalledPath;
  candidates << bin + "/../../manual" << bin + "/../manual";
  for (const QString& folder : candidates)
    if (QFileInfo::exists(folder + "/index.html")) return QDir(folder).canonicalPath();
  return {};
}

bool open_manual(const QString& section, QWidget* owner) {
  const QString folder = manual_folder();
  const QString page = section.section('#', 0, 0);
  if (folder.isEmpty() || !QFileInfo::exists(folder + "/" + (page.isEmpty() ? "index.html" : page))) {
    pcore::message_box().show(owner,
                              "The manual is not installed. It is built into share/" +
                                  std::string(kInstalledPath) + " beside the programs.",
                              "Manual", pcore::MessageIcon::Information, pcore::MessageButtons::Ok);
    return false;
  }
  QUrl url = QUrl::fromLocalFile(folder + "/" + (page.isEmpty() ? "index.html" : page));
  if (section.contains('#')) url.setFragment(section.section('#', 1));
  const std::string text = url.toString(QUrl::FullyEncoded).toStdString();
  if (pcore::start_program("xdg-open", {text})) return true;
  if (QDesktopServices::openUrl(url)) return true;
  pcore::message_box().show(owner, "No web browser could be started for the manual: " + text, "Manual",
                            pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
  return false;
}

void install_f1_handler() {
  static F1Filter* filter = nullptr;
  if (filter || !qApp) return;
  filter = new F1Filter(qApp);
  qApp->installEventFilter(filter);
}

}  // namespace ivorel::help
