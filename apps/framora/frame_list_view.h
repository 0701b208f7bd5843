// The frame list: one row a frame of the document's stack, in stack order, with the frame's source, size,
// depth, delay, disposal, transparency and comment. Rows are dragged to reorder the stack (after a
// confirmation), double-clicked to edit a frame, and image files dropped on the list are added.
#pragma once

#include <QStringList>
#include <QTreeWidget>

class QMimeData;

#include "imgfile/codaxe.h"

namespace framora {

enum Column { kPath = 0, kWidth, kHeight, kBpp, kDelay, kDispose, kTrans, kComment, kColumnCount };

// The texts of a frame's row, column by column.
QStringList row_texts(const ImageFrame& frame);
// "2-Bkgd": the disposal and its name.
QString disposal_text(int disposal);
// The local files of a drop, in the order dropped.
QStringList dropped_files(const QMimeData* data);

}  // namespace framora

class CFramoraView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CFramoraView(QWidget* parent = nullptr);

  // The stack shown; the view reads it, the document owns it.
  void SetStack(const ImageStack* stack) { stack_ = stack; }
  // The document's view hints: -1 the stack was replaced (every row goes), n > 0 n frames were appended
  // (rows added at the end), 0 refresh (every row's texts again).
  void OnUpdate(int hint);
  void RefreshRow(int row);

  // The selected row, -1 when none.
  int SelectedRow() const;
  void SelectRow(int row);
  // The texts shown in a cell, for callers that check what the user sees.
  QString CellText(int row, int column) const;

 signals:
  // The selection moved to another row (or to none): the previews follow.
  void SelectionMoved(int row);
  // The user dragged row `from` onto row `to` and agreed to the move.
  void MoveConfirmed(int from, int to);
  void PropertiesRequested(int row);
  void FilesDropped(const QStringList& paths);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FillRow(QTreeWidgetItem* item, const ImageFrame& frame);
  int RowAt(const QPoint& pos) const;

  const ImageStack* stack_ = nullptr;
  int dragFrom_ = -1;
};
