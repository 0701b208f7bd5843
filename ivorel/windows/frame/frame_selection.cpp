// The frame's side of the drawing view's commands: their actions, the Selection menu, the "Selection
// Operations" and "Mask Operation" bars, and the routing of every image command to the selections first.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/windows/frame/command_table.h"
#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/selection_commands.h"

using namespace ivorel;

void CIMDIFrameWnd::CreateSelectionActions() {
  for (const SelectionCommand& c : selection_commands()) {
    auto* action = new QAction(QString::fromUtf8(c.text), this);
    action->setData(c.id);
    action->setObjectName(QString("command%1").arg(c.id));
    const char* end = prompt_line_end(c.prompt);
    const QString status = QString::fromUtf8(c.prompt, static_cast<int>(end - c.prompt));
    action->setStatusTip(status);
    action->setToolTip(*end ? QString::fromUtf8(end + 1) : status);
    action->setCheckable(tool_of_command(c.id) >= 0 || c.id == sel::kShowObjects || c.id == sel::kGrid);
    const int id = c.id;
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    actions_.insert(c.id, action);
  }
  if (QAction* del = actions_.value(sel::kClear)) del->setShortcut(QKeySequence::Delete);
  if (QAction* all = actions_.value(sel::kSelectAll)) all->setShortcut(QKeySequence::SelectAll);
  if (QAction* cut = actions_.value(sel::kCut)) cut->setShortcut(QKeySequence::Cut);
}

void CIMDIFrameWnd::CreateSelectionMenu() {
  QMenu* menu = menuBar()->addMenu(tr("&Selection"));
  const auto fill = [this](QMenu* m, const std::vector<int>& ids) {
    for (int id : ids) {
      if (id == 0)
        m->addSeparator();
      else if (QAction* a = actions_.value(id))
        m->addAction(a);
    }
    connect(m, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
  };
  fill(menu, selection_menu());
  fill(menu->addMenu(tr("&Combine")), selection_operations_bar());
  fill(menu->addMenu(tr("&Masks")), mask_operations_bar());
}

void CIMDIFrameWnd::CreateSelectionBars() {
  const auto fill = [this](QToolBar* bar, const std::vector<int>& ids) {
    if (!bar) return;
    for (int id : ids) {
      if (id == 0)
        bar->addSeparator();
      else if (QAction* a = actions_.value(id))
        bar->addAction(a);
    }
  };
  if (QToolBar* tools = toolbars_.value(32770)) {
    tools->addSeparator();
    fill(tools, {sel::kToolSelect, sel::kToolRect, sel::kToolRoundRect, sel::kToolEllipse, sel::kToolPolygon,
                 0, sel::kCut, sel::kCopyInto, sel::kStoreToPaste, sel::kPasteStored, sel::kCropSelection,
                 sel::kMoreCombinations});
  }
  fill(toolbars_.value(161), selection_operations_bar());
  fill(toolbars_.value(185), mask_operations_bar());
}

bool CIMDIFrameWnd::SelectionCommandEnabled(int id) const {
  auto* self = const_cast<CIMDIFrameWnd*>(this);
  CMDIChildImageWnd* active = self->GetActiveMDIChild();
  if (id == sel::kMoreCombinations) {
    QToolBar* bar = toolbars_.value(161);
    return bar && !bar->isVisible();
  }
  // A window on its way out (or not yet shown) has no drawing to ask.
  return active && GetChildCount() >= 1 && !active->Destroying() && active->HasImage() && active->View() &&
         active->View()->SelectionCommandEnabled(id);
}

bool CIMDIFrameWnd::SelectionCommandChecked(int id) const {
  const int tool = tool_of_command(id);
  if (tool >= 0) return CDrawView::CurrentTool() == tool;
  if (id == sel::kShowObjects) return CDrawView::ShowObjects();
  if (id == sel::kGrid) {
    CMDIChildImageWnd* active = const_cast<CIMDIFrameWnd*>(this)->GetActiveMDIChild();
    return active && active->View() && active->View()->GridShown();
  }
  return false;
}

bool CIMDIFrameWnd::RunSelectionCommand(int id) {
  if (!find_selection_command(id)) return false;
  if (id == sel::kMoreCombinations) {
    if (QToolBar* bar = toolbars_.value(161)) bar->show();
    return true;
  }
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (active && active->View()) active->View()->OnSelectionCommand(id);
  AfterPaintToolCommand(id);
  return true;
}

bool CIMDIFrameWnd::OfferToSelections(const registry::Operation& op, _IMAGE_PROC_DATA* block) {
  CMDIChildImageWnd* active = GetActiveMDIChild();
  if (!active || !active->View()) return false;
  return active->View()->ProcessSelectionImages(0, [&](SelectionImagePart& part) {
    part.procData = nullptr;
    TProcessImageEx processor(&part);
    if (block) processor.SetImageProcData(block);
    op.run(processor);
    return processor.LastOutcome() == Outcome::Ran;
  }) != 0;
}
