// The toolkit window: a list of the registry's toolkit tabs (there are too many for a tab bar to scan), the
// chosen tab's page with its operations and the controls of the selected one's words; beside them the active
// image before and after the operation, on a reduced copy, re-run whenever a value or the image changes; and
// Apply.
#pragma once

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

 protected:
  void showEvent(QShowEvent* event) override;
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
};

// The image the toolkit works on (the installed source's answer), or null.
ImageDescriptorAndDisplayObj* toolkit_image();

}  // namespace ivorel::toolkit
