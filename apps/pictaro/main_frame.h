// Pictaro's main window: the library's editor frame with the application's own New, multi-file Open and
// About.
#pragma once

#include <QString>
#include <QStringList>

#include "ivorel/windows/frame/mdi_frame.h"

class CMainFrame : public CIMDIFrameWnd {
  Q_OBJECT

 public:
  CMainFrame();

  // Opens the image files; the first of a low-memory run is refused with one message and the rest skipped.
  void OpenFiles(const QStringList& paths);

 protected:
  void OnFileOpen() override;
  void OnAppAbout() override;

 private:
  QString lastDirectory_;
};
