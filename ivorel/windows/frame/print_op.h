// The frame's print settings object: the chosen printer, the page set-up, the preview window, and print
// jobs with their progress dialog. Any Qt program that links the library prints through it (see
// install_print_host), so a capture or an animation prints exactly as the editor does.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "ivorel/windows/frame/print_preview.h"
#include "ivorel/windows/frame/print_service.h"

class QWidget;

class PrintOp {
 public:
  PrintOp();
  ~PrintOp();
  PrintOp(const PrintOp&) = delete;
  PrintOp& operator=(const PrintOp&) = delete;

  // 1 when a printer can be used; the PDF file printer makes this so on every machine.
  int PrinterConfigured() const;
  const ivorel::PrinterChoice& Choice() const { return choice_; }
  // Picks the printer without the dialog (scripts, and programs that remember a printer), for PrintJob.
  void SetChoice(const ivorel::PrinterChoice& choice) { choice_ = choice; }
  // The page set-up dialog on the process-wide page geometry; 1 when changed.
  int PrinterSetup(QWidget* parent);
  // The print dialog: 1 when a printer was chosen.
  int ChoosePrinter(QWidget* parent);
  // The print dialog, then the job. 1 when the page was printed.
  int Print(const PageImage& page, QWidget* frame);
  // The job on the current printer: a progress dialog showing page and rows, Cancel stops it at the next
  // band of rows. 1 when printed, 0 when refused, failed or cancelled (a message says which but a cancel).
  int PrintJob(const PageImage& page, QWidget* frame);
  // The page being printed (1 ...), 0 between jobs.
  int Page() const { return page_; }
  bool Printing() const { return printing_; }

  // Shows the page in the preview window; `ended` runs once when the preview closes.
  void Preview(std::unique_ptr<PageImage> page, QWidget* frame, std::function<void()> ended);
  void ClosePreview();
  CPreviewImageWindow* PreviewWindow() const { return preview_; }

  // The settings object of programs without an editor frame.
  static PrintOp& Shared();

 private:
  ivorel::PrinterChoice choice_;
  QPointer<CPreviewImageWindow> preview_;
  int page_ = 0;
  bool printing_ = false;
};
