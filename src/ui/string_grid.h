#pragma once
// A string grid: the view of an input table's model, whose fixed rows and columns are ordinary
// cells, painted yellow, that can be neither selected nor edited, with no Qt headers, exact pixel
// rows and columns and a cell editor that stays open on the current cell while the grid has the
// keyboard focus. Given less height than its rows need, the grid scrolls the rows below its fixed
// rows, which stay in place, and keeps its current cell in view; given less width than its
// columns need, it scrolls the columns right of its fixed columns likewise, by whole columns.
//
// The grid keeps the cell it tracks: the one committed (through the model's setData) when its
// current cell moves on. Text typed into the editor is handed to the model as the cell's typed
// text when the editor closes; it is stored only when the cell is committed.

#include <QPoint>
#include <QPointer>
#include <QTableView>
#include <vector>

class QKeyEvent;
class QScrollBar;

namespace pelvar {

class InputTableModel;

class StringGrid : public QTableView {
  Q_OBJECT
 public:
  StringGrid(InputTableModel* model, QWidget* parent);
  ~StringGrid() override;

  InputTableModel* tableModel() const { return model_; }
  int fixedRows() const;
  int fixedCols() const;
  int rowCount() const;
  int columnCount() const;
  int currentRow() const { return currentIndex().row(); }
  int currentColumn() const { return currentIndex().column(); }
  void setCurrentCell(int row, int col);

  // Width and height of the cell's inside; the grid line of 1 pixel comes on top.
  void setColumnWidthPixels(int col, int width);
  // Forgets the widths of the columns from col on, which the table no longer has.
  void dropColumnWidthsFrom(int col);
  void setRowHeightPixels(int height);

  // The first value row in view, counted from 0 for the first row below the fixed rows; rows
  // above it are scrolled out of view.
  int topValueRow() const { return topValueRow_; }
  // The scroll bar beside the value rows, shown while they do not all fit.
  QScrollBar* rowScrollBar() const { return rowBar_; }
  // The first value column in view, counted from 0 for the first column right of the fixed
  // columns, and the scroll bar below the value columns, shown while they do not all fit.
  int leftValueColumn() const { return leftValueColumn_; }
  QScrollBar* columnScrollBar() const { return columnBar_; }
  // The width the grid takes within room: its fixed columns and as many whole value columns as
  // fit (one at least), all of them where they fit; frame and grid lines included.
  int widthWithin(int room) const;
  // The height the column scroll bar takes in a grid of that width, 0 where every column fits.
  int columnBarHeightAt(int width) const;

  // Cells are addressed as (column, row).
  QString cellText(int col, int row) const;
  // What the cell shows of its text: all of it where it fits, else a mark (a number "#" across
  // the cell, a name cut with an ellipsis), with the whole text as the cell's tool tip.
  QString shownText(int col, int row) const;

  // The cell committed at the next move of the current cell, as (column, row).
  QPoint trackedCell() const { return tracked_; }
  void trackCell(int col, int row) { tracked_ = QPoint(col, row); }
  // Commits the text typed into the tracked cell through the model. A cell passed through
  // without typing keeps exactly what is stored.
  void commitTrackedCell();

  // True while the keyboard focus lies on the grid or its cell editor, in an active window.
  bool hasActiveFocus() const;
  // True while the grid is where the keyboard focus of its window lies, also while a dialog or
  // a menu of that window has it for a moment.
  bool holdsWindowFocus() const { return focusInside_; }
  // Opens the cell editor on the current cell when the grid has the active focus.
  void openEditor();
  // Closes an open cell editor and drops the text typed into it.
  void discardEditor();
  // Escape: the current cell shows its stored text again and drops what was typed into it; the
  // editor stays open with its whole text selected, so that the next key typed replaces it.
  void cancelEditing();
  // F2: edits the current cell's text from its end.
  void editAtEnd();
  // Hands the text typed into an open cell editor to its cell as typed text; the editor stays
  // open.
  void writeEditorText();
  // Tab and Shift+Tab: the next (previous) value cell along the rows; past the last (first)
  // one the grid reports tabbedPastEnd. With Ctrl it reports nextTableRequested instead.
  void moveByTab(bool backward);
  void tabKey(const QKeyEvent& event);
  // The first and the last value cell, as (column, row).
  QPoint firstEditableCell() const;
  QPoint lastEditableCell() const;
  bool isEditable(int col, int row) const;
  // Where the focus lands when it comes from another table: Tab past the other's end goes on
  // from this table's near end; Ctrl+Tab returns to the cell it tracks, or to its first value
  // cell while it tracks none.
  QPoint entryCell(bool backward, bool atEdge) const;
  // Makes the cell current as a move within the grid would, tracking it.
  void moveToCell(QPoint cell);
  // The open cell editor, or null.
  QWidget* cellEditor() const { return editor_.data(); }

 signals:
  // The current cell moved to (row, col) from (previousRow, previousCol); whatever the editor
  // held is the typed text of the cell left by then.
  void currentCellChanged(int row, int col, int previousRow, int previousCol);
  // The keyboard focus came to the grid from another control of its window by a click, before
  // the click selects its cell.
  void entered();
  // Tab went past the last value cell (Shift+Tab before the first).
  void tabbedPastEnd(bool backward);
  // Ctrl+Tab (Ctrl+Shift+Tab) asks for the next (previous) table.
  void nextTableRequested(bool backward);
  // The keyboard focus went from the grid to another control of its window. Whatever the cell
  // editor held is its cell's typed text by then, and this comes before the control taking the
  // focus hears of it.
  void left();
  // Enter or Return was pressed on the grid or in its cell editor.
  void enterKeyPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void updateGeometries() override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class GridDelegate;
  void onFocusChanged(QWidget* old, QWidget* now);
  void showSelection(bool shown);
  void applyColumnWidths();
  // How many value rows fit below the fixed rows.
  int valueRowsInView() const;
  // Shows the scroll bars while the rows or the columns do not fit, and keeps the current cell
  // in view.
  void updateScrolling();
  void updateRowScrolling();
  void updateColumnScrolling();
  void placeScrollBars();
  void showRowsFrom(int top);
  void keepCurrentInView();
  // A scroll bar moved: the current cell follows into view.
  void rowsScrolled(int top);
  void columnsScrolled(int left);
  // The columns: the width of the fixed ones, the room right of them, how many value columns
  // fit from the first in view on, and the first in view when the last value column is.
  int fixedColumnsWidth() const;
  int valueColumnRoom(int viewportWidth) const;
  int valueColumnsInView() const;
  int lastLeftValueColumn(int viewportWidth) const;
  void showColumnsFrom(int left);
  // Reports the focus as gone when it lies on another control of this window now.
  void noteFocusGone();

  InputTableModel* model_;
  QPoint tracked_{0, 0};
  bool focusInside_ = false;
  Qt::FocusReason focusReason_ = Qt::OtherFocusReason;  // of the last focus-in event
  QPointer<QWidget> editor_;
  QScrollBar* rowBar_ = nullptr;
  int topValueRow_ = 0;
  QScrollBar* columnBar_ = nullptr;
  int leftValueColumn_ = 0;
  int wheelTurn_ = 0;              // the wheel's turn not yet a whole notch
  int wheelTurnAcross_ = 0;        // likewise, of a wheel that turns sideways
  std::vector<int> columnWidths_;  // as set, with the grid line
  QMetaObject::Connection focusWatch_;
};

}  // namespace pelvar
