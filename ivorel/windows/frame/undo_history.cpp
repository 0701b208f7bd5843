#include "ivorel/windows/frame/undo_history.h"

#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <algorithm>

#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "platform/qt/qt_services.h"

namespace ivorel {

namespace {

constexpr const char kUndoLevelsKey[] = "Settings/UndoLevels";

QString step_text(const std::string& name, int index) {
  return name.empty() ? QObject::tr("Change %1").arg(index + 1) : QString::fromStdString(name);
}

// Goes `steps` back (negative) or ahead in the active window's history.
void step(CIMDIFrameWnd* frame, int steps) {
  if (CMDIChildImageWnd* active = frame->GetActiveMDIChild()) {
    if (steps < 0)
      active->DoUndo(-steps);
    else
      active->DoRedo(steps);
  }
  frame->UpdateCommandStates();
}

// The history as menu entries: choosing entry i goes i + 1 steps.
void fill_history(CIMDIFrameWnd* frame, QMenu* menu) {
  menu->clear();
  CMDIChildImageWnd* active = frame->GetActiveMDIChild();
  if (!active || !active->HasImage()) {
    menu->addAction(QObject::tr("(no image)"))->setEnabled(false);
    return;
  }
  const COperationUndoRedo& store = active->UndoStore();
  for (int i = 0; i < store.UndoDepth(); ++i) {
    QAction* a = menu->addAction(QObject::tr("Undo %1").arg(step_text(store.UndoStepName(i), i)));
    a->setObjectName(QString("UndoStep%1").arg(i + 1));
    QObject::connect(a, &QAction::triggered, frame, [frame, i] { step(frame, -(i + 1)); });
  }
  if (store.UndoDepth() > 0 && store.RedoDepth() > 0) menu->addSeparator();
  for (int i = 0; i < store.RedoDepth(); ++i) {
    QAction* a = menu->addAction(QObject::tr("Redo %1").arg(step_text(store.RedoStepName(i), i)));
    a->setObjectName(QString("RedoStep%1").arg(i + 1));
    QObject::connect(a, &QAction::triggered, frame, [frame, i] { step(frame, i + 1); });
  }
  if (menu->isEmpty()) menu->addAction(QObject::tr("(nothing to undo)"))->setEnabled(false);
}

}  // namespace

int undo_levels_setting() {
  const int levels = pqt::profile()->value(kUndoLevelsKey, kDefaultUndoLevels).toInt();
  return std::clamp(levels, 1, kMaxUndoLevels);
}

void set_undo_levels_setting(CIMDIFrameWnd* frame, int levels) {
  levels = std::clamp(levels, 1, kMaxUndoLevels);
  pqt::profile()->setValue(kUndoLevelsKey, levels);
  if (!frame || !frame->MdiArea()) return;
  for (QMdiSubWindow* sub : frame->MdiArea()->subWindowList())
    if (auto* child = qobject_cast<CMDIChildImageWnd*>(sub)) child->SetUndoLevels(levels);
  frame->UpdateCommandStates();
}

StepNameScope::StepNameScope(CIMDIFrameWnd* frame, int commandId) {
  QAction* action = frame ? frame->CommandAction(commandId) : nullptr;
  window_ = frame ? frame->GetActiveMDIChild() : nullptr;
  if (!action || !window_) return;
  QString name = action->text().remove('&');
  if (name.endsWith("...")) name.chop(3);
  window_->NameNextStep(name.toStdString());
}

StepNameScope::~StepNameScope() {
  if (window_ && !window_->Destroying()) window_->NameNextStep({});
}

void add_undo_history_menu(CIMDIFrameWnd* frame, QMenu* edit) {
  QAction* before = nullptr;
  const QList<QAction*> entries = edit->actions();
  // Right after Redo, so that the history sits with the commands it extends.
  for (int i = 0; i + 1 < entries.size(); ++i)
    if (entries[i] == frame->CommandAction(cmd::kRedo)) before = entries[i + 1];
  auto* history = new QMenu(QObject::tr("Undo &History"), edit);
  history->setObjectName("UndoHistory");
  QObject::connect(history, &QMenu::aboutToShow, frame, [frame, history] { fill_history(frame, history); });
  edit->insertMenu(before, history);
  auto* levels = new QAction(QObject::tr("Undo &Levels..."), edit);
  levels->setObjectName("UndoLevels");
  levels->setStatusTip(QObject::tr("How many changes each image window can undo"));
  QObject::connect(levels, &QAction::triggered, frame, [frame] {
    bool ok = false;
    const int chosen =
        QInputDialog::getInt(frame, QObject::tr("Undo Levels"),
                             QObject::tr("Changes each image window can undo (1 keeps only the last one):"),
                             undo_levels_setting(), 1, kMaxUndoLevels, 1, &ok);
    if (ok) set_undo_levels_setting(frame, chosen);
  });
  edit->insertAction(before, levels);
  // Undo and Redo also from the toolkit and the other windows of the program, which have no menu of their
  // own; a field being edited still takes the keys for its own text, and a modal dialog blocks them.
  for (int id : {cmd::kUndo, cmd::kRedo})
    if (QAction* action = frame->CommandAction(id)) action->setShortcutContext(Qt::ApplicationShortcut);
}

}  // namespace ivorel
