// How image windows are made: the document template of the editor (document CDrawDoc, frame
// CMDIChildImageWnd, view CDrawView), and the library's entry points that applications call at start-up.
#pragma once

#include <QString>

#include "ivorel/windows/draw_objects.h"
#include "ivorel/windows/imagedescriptor.h"

class CIMDIFrameWnd;
class CMDIChildImageWnd;
class QWidget;

class CEditDrawImageTemplate {
 public:
  explicit CEditDrawImageTemplate(int resourceId = 100) : resourceId_(resourceId) {}

  void SetFrame(CIMDIFrameWnd* frame) { frame_ = frame; }
  CIMDIFrameWnd* Frame() const { return frame_; }
  int ResourceId() const { return resourceId_; }

  // Opens an image file; a name of no known image type is refused with a message. Null when no window was
  // made or the image could not be read (the reader has reported why and the window closes itself).
  CMDIChildImageWnd* OpenDocumentFile(const char* path, bool makeVisible = true);
  // A window adopting the descriptor's block (an untitled image).
  CMDIChildImageWnd* OpenFromDescriptor(const _IMAGEDESCRIPTOR& descriptor, bool makeVisible = true);
  // A window with a copy of another window's image.
  CMDIChildImageWnd* OpenDuplicate(CMDIChildImageWnd& source, bool makeVisible = true);

 private:
  CMDIChildImageWnd* Create(CMDIChildImageWnd* window, const QString& path, bool makeVisible);

  int resourceId_;
  CIMDIFrameWnd* frame_ = nullptr;
};

// Registers the library's resources and installs the Qt platform services; called once before any window.
void InitImageProcDLL();
// A new template for the application to keep; its frame is set by CIMDIFrameWnd::SetDocTemplate.
CEditDrawImageTemplate* Create_CMDIChildImageWnd_CDrawDoc_CDrawView_DocTemp();
