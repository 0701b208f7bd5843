// The script window ("Pictaro Script Definition"): the user composes a list of registry operations with
// their words, keeps it as a script file, and runs it on the active image (one undo step) or on a set of
// files into a folder.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "ivorel/operations/operation_script.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace ivorel {

namespace toolkit {
class ParameterForm;
}

class ScriptWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Pictaro Script Definition";
  explicit ScriptWindow(QWidget* parent = nullptr);

  // The steps as script text, and replacing them from one (false with the reason when it does not parse;
  // the steps then stay as they were).
  QString ScriptText() const;
  bool SetScriptText(const QString& text, QString* error = nullptr);
  const std::vector<registry::ScriptStep>& Steps() const { return steps_; }

  // The operation the word form shows; AddStep appends it with the form's words, ReplaceStep puts it in
  // place of the selected step.
  bool SelectOperation(const QString& name);
  void AddStep();
  void ReplaceStep();

  // Script files; a failure is told in a box and returns false.
  bool LoadScript(const QString& path);
  bool SaveScript(const QString& path);

  // Runs the steps on the toolkit's image as one undo step. A step that does not run stops the script and
  // is told; the steps before it stay applied, and one Undo takes them all back.
  bool RunOnActiveImage();

  struct BatchReport {
    int written = 0;
    QStringList failures;  // "name: why", one per file that failed
    bool cancelled = false;
  };
  // Each file is read, run and written into `folder` under its own name; a file that fails is reported
  // and the batch goes on. Shows progress with a Cancel button, and a summary at the end.
  BatchReport RunOnFiles(const QStringList& files, const QString& folder);

 private:
  void BuildControls();
  void ShowOperation(const registry::Operation* op);
  void RefreshList(int select);
  void MoveSelected(int by);
  void RemoveSelected();
  void LoadSelectedIntoForm();
  void AskAndLoad();
  void AskAndSave();
  void AskAndRunOnFiles();
  void Tell(const QString& text, bool problem);
  int SelectedRow() const;

  std::vector<registry::ScriptStep> steps_;
  QString scriptPath_;
  QString batchFolder_;
  QComboBox* operations_ = nullptr;
  QLabel* summary_ = nullptr;
  QVBoxLayout* formHolder_ = nullptr;
  toolkit::ParameterForm* form_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
};

// Opens (or raises) the one script window; the frame's script reference points here.
void PopupCScriptDefinitionDlg(int);
// The open script window, or null.
ScriptWindow* script_window();

}  // namespace ivorel
