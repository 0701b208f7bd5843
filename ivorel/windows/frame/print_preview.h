// The print preview window: the page drawn by the same painter as the printer's, on a grey desk, with
// zoom and a Print command of its own.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "ivorel/windows/page_image.h"

class QLabel;
class QScrollArea;
class QAction;
class PrintOp;

class CPreviewImageWindow : public QWidget {
  Q_OBJECT
 public:
  CPreviewImageWindow(std::unique_ptr<PageImage> page, PrintOp& op, QWidget* frame);
  ~CPreviewImageWindow() override;

  // Scale steps: 0 shows the whole page in the window, then 50 % ... 400 % of the page's true size.
  static constexpr int kWholePage = 0;
  void SetZoomStep(int step);
  int ZoomStep() const { return step_; }
  // The page as shown now (null when the page cannot be printed; ProblemText() says why).
  const QImage& Shown() const { return shown_; }
  QString ProblemText() const;
  const PageImage& Page() const { return *page_; }
  // Renders the page at `scale` pixels per hundredth of an inch, as the printer would draw it.
  QImage RenderAt(double scale) const;
  void PrintFromPreview();
  void SetEnded(std::function<void()> ended) { ended_ = std::move(ended); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Redraw();
  double Scale() const;

  std::unique_ptr<PageImage> page_;
  PrintOp& op_;
  QWidget* frame_;
  QScrollArea* scroll_ = nullptr;
  QLabel* sheet_ = nullptr;
  QAction* zoomIn_ = nullptr;
  QAction* zoomOut_ = nullptr;
  QAction* print_ = nullptr;
  QImage shown_;
  std::string problem_;
  int step_ = kWholePage;
  std::function<void()> ended_;
};
