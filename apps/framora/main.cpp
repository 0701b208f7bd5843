// Framora, the animated-GIF editor. `framora [FILE...]` starts it with the frames of the files named (images,
// GIF animations, AVI videos) in the list, in order.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include "apps/framora/main_frame.h"
#include "ivorel/windows/frame/image_template.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("MyPixmoorCompany");
  QApplication::setApplicationName("Framora");
  QApplication::setApplicationVersion("1.0");
  QApplication::setDesktopFileName("framora");

  QCommandLineParser parser;
  parser.setApplicationDescription("Framora animated-GIF editor");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("files", "Images, GIF animations or AVI videos whose frames are added.",
                               "[files...]");
  parser.process(app);
  QStringList files;
  for (const QString& f : parser.positionalArguments()) files << QFileInfo(f).absoluteFilePath();

  const QString icon = QCoreApplication::applicationDirPath() + "/../../apps/framora/framora.svg";
  QApplication::setWindowIcon(QIcon::fromTheme("framora", QIcon(icon)));
  InitImageProcDLL();

  CMainFrame frame;
  frame.show();
  // The files are read once the window is on screen, so that a long one shows its progress there.
  QTimer::singleShot(0, &frame, [&frame, files] { frame.AddFiles(files); });
  return app.exec();
}
