// The scanner's side of the acquisition, on screen: choosing a source, the source's option dialog with a
// preview of the page, and progress with Cancel while a page is read.
#pragma once

#include <QDialog>
#include <memory>

#include "ivorel/acquire/source_manager.h"

class QFormLayout;
class QLabel;
class QProgressDialog;
class QVBoxLayout;

namespace ivorel::dialogs {

// The options of an open scanner, each shown by its kind: flags as check boxes, lists as lists, ranges as
// number fields with their unit; a preview scan of the whole area on which a dragged rectangle sets the
// scan area. Every change goes to the device at once, and the form follows what the device then offers.
class ScanOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  ScanOptionsDialog(scan::ScanSession& session, QWidget* parent);
  ~ScanOptionsDialog() override;
  // The preview's rectangle in the area options' units (tl-x, tl-y, br-x, br-y), for tests.
  void SetAreaFromPreview(double left, double top, double right, double bottom);
  void Preview();

 private:
  void Rebuild();
  void Apply(int option, const QString& text);

  scan::ScanSession& session_;
  QWidget* form_ = nullptr;
  QVBoxLayout* formHolder_ = nullptr;
  QLabel* preview_ = nullptr;
  QLabel* status_ = nullptr;
  class PreviewArea;
  PreviewArea* area_ = nullptr;
};

// The Qt face of the scanner service; the frame installs it unless a test installed its own.
class QtScanInterface : public scan::ScanInterface {
 public:
  QtScanInterface();
  ~QtScanInterface() override;
  int choose_source(const std::vector<scan::SourceInfo>& sources, int current, void* parent) override;
  bool configure(scan::ScanSession& session, void* parent) override;
  bool progress(int done, int expected) override;
  void page_ended() override;

 private:
  std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace ivorel::dialogs
