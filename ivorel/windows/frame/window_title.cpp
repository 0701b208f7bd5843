#include "ivorel/windows/frame/native_look.h"

namespace ivorel {

QString image_window_title(const std::string& fullName, int frameCount) {
  if (frameCount > 1) return image_window_title(fullName) + QStringLiteral(" (%1 frames)").arg(frameCount);
  const QString name = QString::fromLocal8Bit(fullName.c_str());
  const int firstSlash = static_cast<int>(name.indexOf('/'));
  const int lastSlash = static_cast<int>(name.lastIndexOf('/'));
  if (firstSlash < 0 || lastSlash == name.size() - 1) return name;
  // "Duplicate of /a/b.bmp" keeps its words before the path.
  const QString lead = name.left(firstSlash);
  QString folder = name.mid(firstSlash, lastSlash - firstSlash);
  if (folder.isEmpty()) folder = "/";
  return lead + name.mid(lastSlash + 1) + " (" + shown_path(folder) + ")";
}

}  // namespace ivorel
