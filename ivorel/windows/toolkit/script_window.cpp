#include "ivorel/windows/toolkit/script_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>

#include "display/window.h"
#include "imgfile/codaxe.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/toolkit_operations.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace ivorel {

namespace {

QPointer<ScriptWindow>& the_window() {
  static QPointer<ScriptWindow> window;
  return window;
}

const std::vector<pcore::FileFilter> kScriptFilters = {{"Scripts", "*.txt;*.script"}, {"All Files", "*.*"}};

QString user_title(const registry::Operation& op) {
  return QString::fromUtf8(op.title ? op.title : op.name);
}

// Where a batch writes `in`: its own name in `folder`; types that nothing writes (video) become PNG.
QString batch_output(const QString& in, const QString& folder) {
  QFileInfo info(in);
  QString name = info.fileName();
  const CompandType type = Compand::FileTypeFromName(name.toLocal8Bit().constData());
  if (type == CT_NONE || type == CT_AVI) name = info.completeBaseName() + ".png";
  return QDir(folder).filePath(name);
}

}  // namespace

ScriptWindow::ScriptWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(kTitle);
  setObjectName("ScriptWindow");
  help::declare_section(this, "pictaro.html#scripting");
  BuildControls();
  resize(900, 540);
}

void ScriptWindow::BuildControls() {
  auto* top = new QHBoxLayout(this);

  // Left: an operation and its words.
  auto* pick = new QGroupBox(tr("Operation"), this);
  auto* pickLayout = new QVBoxLayout(pick);
  operations_ = new QComboBox(pick);
  operations_->setObjectName("Operations");
  for (const registry::Operation& op : registry::operations()) {
    const QString title = user_title(op);
    operations_->addItem(title == op.name ? title : title + "  (" + op.name + ")", QString(op.name));
  }
  operations_->model()->sort(0);
  pickLayout->addWidget(operations_);
  summary_ = new QLabel(pick);
  summary_->setWordWrap(true);
  pickLayout->addWidget(summary_);
  auto* scroll = new QScrollArea(pick);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setMinimumWidth(400);
  auto* formArea = new QWidget(scroll);
  formHolder_ = new QVBoxLayout(formArea);
  formHolder_->addStretch(1);
  scroll->setWidget(formArea);
  pickLayout->addWidget(scroll, 1);
  auto* stepButtons = new QHBoxLayout;
  auto* add = new QPushButton(tr("&Add Step"), pick);
  auto* replace = new QPushButton(tr("&Replace Step"), pick);
  add->setObjectName("AddStep");
  stepButtons->addWidget(add);
  stepButtons->addWidget(replace);
  pickLayout->addLayout(stepButtons);
  top->addWidget(pick, 1);

  // Right: the script and what to do with it.
  auto* script = new QGroupBox(tr("Script"), this);
  auto* scriptLayout = new QGridLayout(script);
  list_ = new QListWidget(script);
  list_->setObjectName("Steps");
  scriptLayout->addWidget(list_, 0, 0, 1, 4);
  const struct {
    const char* text;
    std::function<void()> act;
  } listButtons[] = {{"&Up", [this] { MoveSelected(-1); }},
                     {"&Down", [this] { MoveSelected(1); }},
                     {"Re&move", [this] { RemoveSelected(); }},
                     {"&Clear", [this] { SetScriptText({}); }},
                     {"&Open...", [this] { AskAndLoad(); }},
                     {"&Save...", [this] { AskAndSave(); }},
                     {"Run on &Image", [this] { RunOnActiveImage(); }},
                     {"Run on &Files...", [this] { AskAndRunOnFiles(); }}};
  int i = 0;
  for (const auto& b : listButtons) {
    auto* button = new QPushButton(tr(b.text), script);
    connect(button, &QPushButton::clicked, this, b.act);
    scriptLayout->addWidget(button, 1 + i / 4, i % 4);
    ++i;
  }
  status_ = new QLabel(script);
  status_->setWordWrap(true);
  scriptLayout->addWidget(status_, 3, 0, 1, 4);
  top->addWidget(script, 1);

  connect(operations_, &QComboBox::currentIndexChanged, this, [this](int index) {
    ShowOperation(registry::find_operation(operations_->itemData(index).toString().toStdString()));
  });
  connect(add, &QPushButton::clicked, this, &ScriptWindow::AddStep);
  connect(replace, &QPushButton::clicked, this, &ScriptWindow::ReplaceStep);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { LoadSelectedIntoForm(); });
  ShowOperation(registry::find_operation(operations_->currentData().toString().toStdString()));
}

void ScriptWindow::ShowOperation(const registry::Operation* op) {
  delete form_;
  form_ = nullptr;
  if (!op) return;
  // The form edits the words the toolkit keeps for the operation, so both start from the same values.
  form_ = new toolkit::ParameterForm(*op, formHolder_->parentWidget());
  formHolder_->insertWidget(0, form_);
  summary_->setText(QString::fromUtf8(op->summary));
}

bool ScriptWindow::SelectOperation(const QString& name) {
  const int index = operations_->findData(name);
  if (index < 0) return false;
  operations_->setCurrentIndex(index);
  return true;
}

void ScriptWindow::AddStep() {
  if (!form_) return;
  steps_.push_back({&form_->operation(), toolkit::words_of(form_->operation())});
  RefreshList(static_cast<int>(steps_.size()) - 1);
}

void ScriptWindow::ReplaceStep() {
  const int row = SelectedRow();
  if (!form_ || row < 0) return AddStep();
  steps_[row] = {&form_->operation(), toolkit::words_of(form_->operation())};
  RefreshList(row);
}

int ScriptWindow::SelectedRow() const {
  const int row = list_->currentRow();
  return row >= 0 && row < static_cast<int>(steps_.size()) ? row : -1;
}

void ScriptWindow::RefreshList(int select) {
  const QSignalBlocker quiet(list_);
  list_->clear();
  for (const registry::ScriptStep& step : steps_) {
    auto* item = new QListWidgetItem(QString::fromStdString(registry::format_step(step)), list_);
    item->setToolTip(user_title(*step.op) + ": " + QString::fromUtf8(step.op->summary));
  }
  if (select >= 0 && select < list_->count()) list_->setCurrentRow(select);
}

void ScriptWindow::MoveSelected(int by) {
  const int row = SelectedRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= static_cast<int>(steps_.size())) return;
  std::swap(steps_[row], steps_[to]);
  RefreshList(to);
}

void ScriptWindow::RemoveSelected() {
  const int row = SelectedRow();
  if (row < 0) return;
  steps_.erase(steps_.begin() + row);
  RefreshList(std::min(row, static_cast<int>(steps_.size()) - 1));
}

void ScriptWindow::LoadSelectedIntoForm() {
  const int row = SelectedRow();
  if (row < 0) return;
  const registry::ScriptStep& step = steps_[row];
  toolkit::words_of(*step.op) = step.block;
  const QSignalBlocker quiet(operations_);
  operations_->setCurrentIndex(operations_->findData(QString(step.op->name)));
  ShowOperation(step.op);
}

QString ScriptWindow::ScriptText() const {
  return QString::fromStdString(registry::format_script(steps_));
}

bool ScriptWindow::SetScriptText(const QString& text, QString* error) {
  std::vector<registry::ScriptStep> steps;
  std::string why;
  if (!registry::parse_script(text.toStdString(), steps, why)) {
    if (error) *error = QString::fromStdString(why);
    return false;
  }
  steps_ = std::move(steps);
  RefreshList(steps_.empty() ? -1 : 0);
  return true;
}

void ScriptWindow::Tell(const QString& text, bool problem) {
  status_->setText(text);
  if (problem)
    pcore::message_box().show(this, text.toStdString(), kTitle, pcore::MessageIcon::Warning,
                              pcore::MessageButtons::Ok);
}

bool ScriptWindow::LoadScript(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Tell(tr("%1 could not be opened: %2").arg(path, file.errorString()), true);
    return false;
  }
  QString error;
  if (!SetScriptText(QString::fromUtf8(file.readAll()), &error)) {
    Tell(tr("%1 is not a script this window can run: %2").arg(path, error), true);
    return false;
  }
  scriptPath_ = path;
  Tell(tr("%1: %n step(s)", nullptr, static_cast<int>(steps_.size())).arg(QFileInfo(path).fileName()), false);
  return true;
}

bool ScriptWindow::SaveScript(const QString& path) {
  QSaveFile file(path);
  const std::string text = registry::format_script(
      steps_, "# Pictaro script: one operation a line, as 'imgtools apply --script' reads it.");
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
      !file.commit()) {
    Tell(tr("%1 could not be written: %2").arg(path, file.errorString()), true);
    return false;
  }
  scriptPath_ = path;
  Tell(tr("Saved %1").arg(QFileInfo(path).fileName()), false);
  return true;
}

bool ScriptWindow::RunOnActiveImage() {
  ImageDescriptorAndDisplayObj* image = toolkit::toolkit_image();
  if (!image) {
    Tell(tr("Open an image to run the script on."), true);
    return false;
  }
  if (steps_.empty()) {
    Tell(tr("The script has no steps."), true);
    return false;
  }
  // The first processor takes the undo snapshot; the later ones run with the store out of reach, so the
  // whole script is one step back.
  HWND window = image->window ? *image->window : nullptr;
  void* store = window ? GetPropA(window, kUndoStoreProperty) : nullptr;
  if (store) static_cast<COperationUndoRedo*>(store)->SetNextStepName(tr("Script").toStdString());
  registry::ScriptResult result = registry::run_script({steps_.front()}, *image);
  if (result.ok() && steps_.size() > 1) {
    if (store) RemovePropA(window, kUndoStoreProperty);
    const std::vector<registry::ScriptStep> rest(steps_.begin() + 1, steps_.end());
    result = registry::run_script(rest, *image);
    if (!result.ok()) ++result.failedStep;
    if (store) SetPropA(window, kUndoStoreProperty, store);
  }
  if (window) {
    window->invalidate(nullptr, true);
    window->update();
  }
  if (!result.ok()) {
    const registry::ScriptStep& failed = steps_[result.failedStep];
    Tell(tr("Step %1 (%2) did not run: %3. The steps before it were applied; Edit > Undo takes them back.")
             .arg(result.failedStep + 1)
             .arg(user_title(*failed.op))
             .arg(result.outcome == Outcome::Declined ? tr("its words do not apply to this image")
                                                      : tr("it failed")),
         true);
    return false;
  }
  Tell(tr("Ran %n step(s) on the image.", nullptr, static_cast<int>(steps_.size())), false);
  return true;
}

ScriptWindow::BatchReport ScriptWindow::RunOnFiles(const QStringList& files, const QString& folder) {
  BatchReport report;
  QProgressDialog progress(tr("Running the script..."), tr("Cancel"), 0, static_cast<int>(files.size()),
                           this);
  progress.setWindowTitle(kTitle);
  progress.setMinimumDuration(400);
  progress.setWindowModality(Qt::WindowModal);
  const QString out = QFileInfo(folder).absoluteFilePath();
  for (int i = 0; i < files.size(); ++i) {
    progress.setValue(i);
    progress.setLabelText(
        tr("%1 (%2 of %3)").arg(QFileInfo(files[i]).fileName()).arg(i + 1).arg(files.size()));
    QApplication::processEvents();
    if (progress.wasCanceled()) {
      report.cancelled = true;
      break;
    }
    const QString target = batch_output(files[i], out);
    std::string error;
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(files[i]).absoluteFilePath()) {
      error = "the result would replace the file itself: choose another folder";
    } else if (registry::run_script_on_file(steps_, QFile::encodeName(files[i]).toStdString(),
                                            QFile::encodeName(target).toStdString(), error)) {
      ++report.written;
      continue;
    }
    report.failures << QFileInfo(files[i]).fileName() + ": " + QString::fromStdString(error);
  }
  progress.setValue(static_cast<int>(files.size()));
  QString summary = tr("%n file(s) written to %1.", nullptr, report.written).arg(out);
  if (report.cancelled) summary += " " + tr("Cancelled before the rest.");
  if (!report.failures.isEmpty())
    summary += "\n\n" + tr("%n file(s) failed:", nullptr, static_cast<int>(report.failures.size())) + "\n" +
               report.failures.join('\n');
  status_->setText(summary.section('\n', 0, 0));
  pcore::message_box().show(
      this, summary.toStdString(), kTitle,
      report.failures.isEmpty() ? pcore::MessageIcon::Information : pcore::MessageIcon::Warning,
      pcore::MessageButtons::Ok);
  return report;
}

void ScriptWindow::AskAndLoad() {
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.owner = this;
  request.title = "Open Script";
  request.filters = kScriptFilters;
  request.initialName = scriptPath_.toStdString();
  if (pcore::run_file_dialog(request) == pcore::kIdOk) LoadScript(QString::fromStdString(request.path));
}

void ScriptWindow::AskAndSave() {
  pcore::FileDialogRequest request;
  request.owner = this;
  request.title = "Save Script As";
  request.filters = kScriptFilters;
  request.initialName = scriptPath_.isEmpty() ? std::string("script.txt") : scriptPath_.toStdString();
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return;
  QString path = QString::fromStdString(request.path);
  if (QFileInfo(path).suffix().isEmpty()) path += ".txt";
  SaveScript(path);
}

void ScriptWindow::AskAndRunOnFiles() {
  if (steps_.empty()) return Tell(tr("The script has no steps."), true);
  pcore::FileDialogRequest files;
  files.kind = pcore::FileDialogKind::Open;
  files.owner = this;
  files.title = "Images to Run the Script On";
  files.filters = {{"Images", "*.bmp;*.dib;*.rle;*.gif;*.jpg;*.jpeg;*.pcx;*.tga;*.tif;*.tiff;*.png"},
                   {"All Files", "*.*"}};
  files.allowMultiple = true;
  if (pcore::run_file_dialog(files) != pcore::kIdOk) return;
  pcore::FileDialogRequest folder;
  folder.kind = pcore::FileDialogKind::Folder;
  folder.owner = this;
  folder.title = "Folder for the Results";
  folder.initialName = batchFolder_.toStdString();
  if (pcore::run_file_dialog(folder) != pcore::kIdOk) return;
  batchFolder_ = QString::fromStdString(folder.path);
  QStringList paths;
  for (const std::string& p : files.paths.empty() ? std::vector<std::string>{files.path} : files.paths)
    paths << QString::fromStdString(p);
  RunOnFiles(paths, batchFolder_);
}

void PopupCScriptDefinitionDlg(int) {
  QPointer<ScriptWindow>& window = the_window();
  if (!window) {
    window = new ScriptWindow(QApplication::activeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

ScriptWindow* script_window() {
  return the_window();
}

}  // namespace ivorel
