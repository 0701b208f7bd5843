#include <QMdiArea>

#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/native_look.h"

namespace ivorel {

QString frame_title(const QString& program, const QString& image, bool unsaved) {
  if (image.isEmpty()) return program;
  const QString shown = (unsaved ? QStringLiteral("*") : QString()) + image;
  return program.isEmpty() ? shown : shown + QStringLiteral(" - ") + program;
}

void update_frame_title(CIMDIFrameWnd* frame) {
  // The program's own title: whatever the application set last (a title other than the one set here).
  QVariant program = frame->property("programTitle");
  if (!program.isValid() || frame->windowTitle() != frame->property("frameTitle").toString()) {
    program = frame->windowTitle();
    frame->setProperty("programTitle", program);
  }
  CMDIChildImageWnd* active = frame->GetActiveMDIChild();
  const bool image = active && !active->Destroying() && active->HasImage();
  const QString title = frame_title(program.toString(), image ? active->windowTitle() : QString(),
                                    image && (active->dirty || !active->named));
  frame->setProperty("frameTitle", title);
  if (frame->windowTitle() != title) frame->setWindowTitle(title);
}

}  // namespace ivorel
