#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/native_look.h"

namespace cmd = ivorel::cmd;

namespace ivorel {

const char* command_icon_name(int id) {
  switch (id) {
    case cmd::kFileNew:
      return "document-new";
    case cmd::kOpen:
    case cmd::kFileOpenMany:
      return "document-open";
    case cmd::kSave:
      return "document-save";
    case cmd::kSaveAs:
      return "document-save-as";
    case cmd::kClose:
      return "window-close";
    case cmd::kPrint:
      return "document-print";
    case cmd::kPrintPreview:
      return "document-print-preview";
    case cmd::kImageLayout:
      return "document-page-setup";
    case cmd::kUndo:
      return "edit-undo";
    case cmd::kRedo:
      return "edit-redo";
    case cmd::kCopy:
      return "edit-copy";
    case cmd::kPaste:
      return "edit-paste";
    case cmd::kViewNormal:
      return "zoom-original";
    case cmd::kViewZoom2X:
      return "zoom-in";
    case cmd::kViewZoomIn2X:
      return "zoom-out";
    case cmd::kViewToFitAspect:
      return "zoom-fit-best";
    case cmd::kFullScreen:
      return "view-fullscreen";
    case cmd::kViewInformation:
      return "document-properties";
    case cmd::kDuplicate:
      return "window-new";
    case cmd::kRotateCW:
      return "object-rotate-right";
    case cmd::kRotateCCW:
      return "object-rotate-left";
    case cmd::kMirrorVert:  // the left-right mirror
      return "object-flip-horizontal";
    case cmd::kMirrorHorz:  // the top-bottom mirror
      return "object-flip-vertical";
    case cmd::kCaptureScreen:
      return "camera-photo";
    case cmd::kDragDropOpen:
      return "system-file-manager";
    case cmd::kScripting:
      return "system-run";
    case cmd::kHelp:
      return "help-contents";
    case cmd::kAbout:
    case cmd::kAppAbout:
      return "help-about";
    case cmd::kExit:
      return "application-exit";
    default:
      return nullptr;
  }
}

QIcon themed_command_icon(int id, const QIcon& drawn) {
  const char* name = command_icon_name(id);
  return name ? QIcon::fromTheme(QString::fromLatin1(name), drawn) : drawn;
}

void ensure_icon_theme() {
  static bool done = false;
  if (done) return;
  done = true;
  if (QIcon::hasThemeIcon("document-open")) return;
  // Without a desktop session Qt may not even search the standard icon folders.
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    if (!paths.contains(data + "/icons")) paths << data + "/icons";
  QIcon::setThemeSearchPaths(paths);
  const bool named = !QIcon::themeName().isEmpty() && QIcon::themeName() != "hicolor";
  for (const char* theme : {"Adwaita", "breeze", "gnome", "Tango", "oxygen"}) {
    for (const QString& base : paths) {
      if (!QFileInfo::exists(base + "/" + theme + "/index.theme")) continue;
      // A theme the user chose stays in front; ours only fills its gaps.
      if (named)
        QIcon::setFallbackThemeName(theme);
      else
        QIcon::setThemeName(theme);
      if (QIcon::hasThemeIcon("document-open")) return;
    }
  }
}

}  // namespace ivorel
