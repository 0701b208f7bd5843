#include "platform/qt/file_dialogs_qt.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"
#include "platform/qt/qt_services.h"

namespace pqt {

QString qt_name_filter(const pcore::FileFilter& filter) {
  QStringList patterns;
  for (const QString& p : QString::fromStdString(filter.pattern).split(';', Qt::SkipEmptyParts)) {
    patterns << p.trimmed();
    if (p.trimmed() != "*.*" && p.toUpper() != p) patterns << p.trimmed().toUpper();
  }
  if (patterns.isEmpty() || patterns == QStringList{"*.*"}) patterns = QStringList{"*"};
  return QString::fromStdString(filter.label) + " (" + patterns.join(' ') + ")";
}

namespace {

// The extension of a filter's first pattern ("*.bmp" gives "bmp"), or empty for "All Files".
QString suffix_of(const pcore::FileFilter& filter) {
  const QString first = QString::fromStdString(filter.pattern).section(';', 0, 0).trimmed();
  return first.startsWith("*.") && first != "*.*" ? first.mid(2) : QString();
}

class QtFileDialogs : public pcore::FileDialogService {
 public:
  int run(pcore::FileDialogRequest& request) override {
    QFileDialog dialog(dialog_parent(), QString::fromStdString(request.title));
    if (request.kind == pcore::FileDialogKind::Folder) {
      dialog.setFileMode(QFileDialog::Directory);
      dialog.setOption(QFileDialog::ShowDirsOnly);
      if (!request.initialName.empty()) dialog.setDirectory(QString::fromStdString(request.initialName));
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return pcore::kIdCancel;
      request.path = dialog.selectedFiles().front().toStdString();
      request.paths = {request.path};
      return pcore::kIdOk;
    }
    const bool save = request.kind == pcore::FileDialogKind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                    ? QFileDialog::AnyFile
                       : request.allowMultiple ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    QStringList filters;
    for (const pcore::FileFilter& f : request.filters) filters << qt_name_filter(f);
    dialog.setNameFilters(filters);
    const int index = request.filterIndex - 1;
    if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
    if (save && index >= 0 && index < filters.size())
      dialog.setDefaultSuffix(suffix_of(request.filters[index]));
    // Picking another type makes its extension the one a bare name gets.
    if (save)
      QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const int i = filters.indexOf(chosen);
        if (i >= 0) dialog.setDefaultSuffix(suffix_of(request.filters[i]));
      });
    const QString initial = QString::fromStdString(request.initialName);
    if (!initial.isEmpty()) {
      const QFileInfo info(initial);
      if (info.isDir())
        dialog.setDirectory(initial);
      else if (!initial.contains('*'))
        dialog.selectFile(initial);
      else if (initial.contains('/'))
        dialog.setDirectory(info.absolutePath());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return pcore::kIdCancel;
    request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    request.paths.clear();
    for (const QString& f : dialog.selectedFiles()) request.paths.push_back(f.toStdString());
    request.path = request.paths.front();
    return pcore::kIdOk;
  }
};

}  // namespace

void install_file_dialogs() {
  static QtFileDialogs dialogs;
  pcore::install_file_dialogs(&dialogs);
}

}  // namespace pqt
