// Pictaro, the image editor: one frame per desktop with the library's image windows. Image files named on
// the command line are opened (so that the desktop's "Open With" works); a second start hands them to the
// running one.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include "apps/pictaro/main_frame.h"
#include "apps/pictaro/single_instance.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/program_identity.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/script_window.h"
#include "platform/core/program_start.h"

namespace {

// The image tools' part of start-up: the processing toolkit and the script window behind the frame's
// function references, working on the frame's active image.
void InitImageToolsDLL(CIMDIFrameWnd* frame) {
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = ivorel::PopupImageProcessingParameterFrame;
  CIMDIFrameWnd::pPopupImageProcessingPreviewDialog = ivorel::PopupImageProcessingPreviewDialog;
  CIMDIFrameWnd::pApplyImageProcessingFromUI = ivorel::ApplyImageProcessingFromUI;
  CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg = ivorel::PopupCScriptDefinitionDlg;
  ivorel::SetToolkitImageSource([frame]() -> ImageDescriptorAndDisplayObj* {
    CMDIChildImageWnd* active = frame->GetActiveMDIChild();
    return active && active->HasImage() ? active : nullptr;
  });
}

// A save that would drop an animation's frames offers Framora instead: the one beside Pictaro, else the
// one on the path.
bool OpenInFramora(const std::string& path) {
  QString framora = QCoreApplication::applicationDirPath() + "/framora";
  if (!QFileInfo(framora).isExecutable()) framora = QStandardPaths::findExecutable("framora");
  return !framora.isEmpty() && pcore::start_program(framora.toStdString(), {path});
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const ivorel::ProgramIdentity program{"Pictaro", "pictaro", "Pictaro image editor"};
  QCommandLineParser parser;
  ivorel::BeginProgram(program, parser);
  QCommandLineOption newInstance("new-instance", "Start a frame of its own even when one is running.");
  parser.addOption(newInstance);
  parser.addPositionalArgument("files", "Image files to open.", "[files...]");
  parser.process(app);
  const QStringList files = ivorel::AbsolutePaths(parser.positionalArguments());

  const QString name = pictaro::instance_name();
  if (!parser.isSet(newInstance) && pictaro::hand_over_to_running_instance(name, files)) return 0;

  ivorel::PrepareProgramWindows(program);
  ImageWndFunctions::OpenInAnimationEditor = OpenInFramora;
  CMainFrame frame;
  InitImageToolsDLL(&frame);
  CEditDrawImageTemplate* docTemplate = Create_CMDIChildImageWnd_CDrawDoc_CDrawView_DocTemp();
  frame.SetDocTemplate(docTemplate);

  pictaro::InstanceServer server(name, [&frame](const QStringList& handed) {
    frame.showNormal();
    frame.raise();
    frame.activateWindow();
    frame.OpenFiles(handed);
  });

  frame.show();
  // The files open once the frame is on screen, so that each window is sized to the real MDI area.
  QTimer::singleShot(0, &frame, [&frame, files] { frame.OpenFiles(files); });
  const int result = app.exec();
  delete docTemplate;
  return result;
}
