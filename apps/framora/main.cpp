// Framora, the animated-GIF editor. `framora [FILE...]` starts it with the frames of the files named (images,
// GIF animations, AVI videos) in the list, in order.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "apps/framora/main_frame.h"
#include "ivorel/windows/frame/program_identity.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const ivorel::ProgramIdentity program{"Framora", "framora", "Framora animated-GIF editor"};
  QCommandLineParser parser;
  ivorel::BeginProgram(program, parser);
  parser.addPositionalArgument("files", "Images, GIF animations or AVI videos whose frames are added.",
                               "[files...]");
  parser.process(app);
  const QStringList files = ivorel::AbsolutePaths(parser.positionalArguments());
  ivorel::PrepareProgramWindows(program);

  CMainFrame frame;
  frame.show();
  // The files are read once the window is on screen, so that a long one shows its progress there.
  QTimer::singleShot(0, &frame, [&frame, files] { frame.AddFiles(files); });
  return app.exec();
}
