// Printing as a service: the printer list, the print and page set-up dialogs and the document a print job
// draws into. The Qt implementation drives CUPS printers and a PDF file printer that is always there; tests
// install a scripted one so that no dialog waits for a person. Pages are drawn by PainterPage, which the
// preview uses as well, so a previewed page is the printed page.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "ivorel/windows/page_image.h"

class QPainter;
class QWidget;

namespace ivorel {

inline constexpr const char* kPdfPrinter = "Print to File (PDF)";

// Draws onto a painter whose units are hundredths of an inch with the origin at the paper's top-left corner.
// Images go down in bands of rows; after each band `progress(rowsDone, rowsTotal)` may stop the drawing by
// returning false (the device then reports no rows).
class PainterPage : public PageDevice {
 public:
  using RowProgress = std::function<bool(int done, int total)>;
  explicit PainterPage(QPainter& painter, RowProgress progress = {});
  void SetClip(const RECT* clip) override;
  int StretchDIB(const RECT& dest, const BITMAPINFO* info, const void* bits) override;
  void Caption(const RECT& band, const std::string& text, int points) override;

 private:
  QPainter& painter_;
  RowProgress progress_;
};

// The page on white paper at `scale` pixels per hundredth of an inch; a null image with `problem` set when
// the page cannot be printed.
QImage render_page(const PageImage& page, const PageSetup& setup, double scale,
                   std::string* problem = nullptr);

struct PrinterChoice {
  QString printer = kPdfPrinter;  // a CUPS queue, or kPdfPrinter
  QString outputFile;             // for the PDF printer
  int copies = 1;
};

// One document being printed.
class PrintTarget {
 public:
  virtual ~PrintTarget() = default;
  // A painter in hundredths of an inch from the paper's corner, or null when the page cannot start.
  virtual QPainter* BeginPage() = 0;
  virtual bool EndPage() = 0;
  // Ends the document; false when the printer did not take it.
  virtual bool Finish() = 0;
  // Throws the document away (a PDF file being written is removed).
  virtual void Abort() = 0;
  virtual QString PrinterName() const = 0;
  virtual QString Port() const = 0;
};

class PrintService {
 public:
  virtual ~PrintService() = default;
  // The printers offered; the PDF file printer is always among them.
  virtual QStringList Printers() = 0;
  // The print dialog on `choice`; false when cancelled.
  virtual bool ChoosePrinter(QWidget* parent, PrinterChoice& choice) = 0;
  // The page set-up dialog on `setup`; false when cancelled.
  virtual bool PageSetupDialog(QWidget* parent, PageSetup& setup) = 0;
  // Starts a document named `name`; null with `error` set when the printer refuses.
  virtual std::unique_ptr<PrintTarget> StartDoc(const PrinterChoice& choice, const QString& name,
                                                const PageSetup& setup, QString* error) = 0;
};

// The installed service stays owned by the caller; null goes back to Qt's.
void install_print_service(PrintService* service);
PrintService& print_service();

}  // namespace ivorel
