#include "ivorel/windows/frame/program_identity.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "ivorel/windows/frame/image_template.h"

namespace ivorel {

void BeginProgram(const ProgramIdentity& program, QCommandLineParser& parser) {
  QApplication::setOrganizationName("MyPixmoorCompany");
  QApplication::setApplicationName(program.name);
  QApplication::setApplicationVersion("1.0");
  QApplication::setDesktopFileName(program.id);
  parser.setApplicationDescription(program.description);
  parser.addHelpOption();
  parser.addVersionOption();
}

QStringList AbsolutePaths(const QStringList& files) {
  QStringList paths;
  for (const QString& f : files) paths << QFileInfo(f).absoluteFilePath();
  return paths;
}

void PrepareProgramWindows(const ProgramIdentity& program) {
  const QString id = QString::fromUtf8(program.id);
  const QString icon = QCoreApplication::applicationDirPath() + "/../../apps/" + id + "/" + id + ".svg";
  QApplication::setWindowIcon(QIcon::fromTheme(id, QIcon(icon)));
  InitImageProcDLL();
}

}  // namespace ivorel
