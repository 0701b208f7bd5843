// The toolkit window: a list of the registry's toolkit tabs (there are too many for a tab bar to scan), the
// chosen tab's page with its operations and the controls of the selected one's words; beside them the active
// image before and after the operation, re-run whenever a value or the image changes: a region at the
// image's own scale (dragged to move) for the neighbourhood filters, a reduced copy of it all for the
// rest; and Apply.
#pragma once

#include <QPoint>
#include <QWidget>
#include <memory>
#include <vector>

#include "ivorel/windows/toolkit/toolkit_operations.h"

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace ivorel::toolkit {

class OwnedImage;
class ParameterForm;

class ToolkitWindow : public QWidget {
  Q_OBJECT
 public:
  // `title` is "Image Processing" or "Image Processing Preview".
  ToolkitWindow(const QString& title, QWidget* parent);
  ~ToolkitWindow() override;

  // Shows the tab named `tab`; an unknown name (or "Want The First Tab") shows the first.
  void select_tab(const char* tab);
  // The form of the operation shown on the current tab, or null when the registry offers none.
  ParameterForm* current_form() const;
  void select_operation_row(int row);
  // Runs the preview now (it otherwise follows changes on the next turn of the event loop).
  void refresh_preview();
  const QImage& preview_result() const { return result_; }

  static constexpr int kPreviewLimit = 256;
  // The pixels around the preview region a neighbourhood filter sees too (a kernel of up to 129 pixels).
  static constexpr int kRegionMargin = 64;
  // Whether `op` is previewed on a region at the image's own scale (else on a reduced copy of it all).
  static bool previews_region(const registry::Operation& op);
  // Moves the preview region by `by` screen pixels (a drag to the right shows what lies to the left).
  void move_region(QPoint by);
  QPoint region_centre() const { return regionCentre_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct Page {
    QListWidget* list = nullptr;
    QStackedWidget* forms = nullptr;
    std::vector<ParameterForm*> formOf;
  };
  QWidget* build_page(const Tab& tab, Page& page);
  QListWidget* build_tab_list();
  void selection_changed();
  void schedule_preview();
  void watch_image();
  void apply();

  std::vector<Tab> tabs_;
  std::vector<Page> pages_;
  QListWidget* tabList_ = nullptr;  // the picker: one row per tab
  QStackedWidget* tabPages_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* before_ = nullptr;
  QLabel* after_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* apply_ = nullptr;
  QTimer* previewTimer_ = nullptr;
  QTimer* watchTimer_ = nullptr;
  std::unique_ptr<OwnedImage> source_;  // the reduced copy of the image last previewed
  QImage result_;
  QPoint regionCentre_{-1, -1};  // image coordinates, top-down
  QPoint dragFrom_;
  bool dragging_ = false;
};

// The image the toolkit works on (the installed source's answer), or null.
ImageDescriptorAndDisplayObj* toolkit_image();

}  // namespace ivorel::toolkit
