#pragma once
// A string grid: a QTableWidget whose fixed rows and columns are ordinary cells, painted yellow,
// that can be neither selected nor edited, with no Qt headers, exact pixel rows and columns and
// a cell editor that stays open on the current cell while the grid has the keyboard focus.

#include <QPointer>
#include <QTableWidget>

namespace pelvar {

class StringGrid : public QTableWidget {
  Q_OBJECT
 public:
  StringGrid(int fixedRows, int fixedCols, QWidget* parent);
  ~StringGrid() override;

  int fixedRows() const { return fixedRows_; }
  int fixedCols() const { return fixedCols_; }

  // Every cell of the grid holds an item, so a fixed cell is yellow even when nothing is
  // written into it. Items of rows and columns that remain keep their texts.
  void setGridSize(int rows, int cols);
  // Width and height of the cell's inside; the grid line of 1 pixel comes on top.
  void setColumnWidthPixels(int col, int width);
  void setRowHeightPixels(int height);

  // Cells are addressed as (column, row).
  QString cellText(int col, int row) const;
  void setCellText(int col, int row, const QString& text);

  // True while the keyboard focus lies on the grid or its cell editor, in an active window.
  bool hasActiveFocus() const;
  // True while the grid is where the keyboard focus of its window lies, also while a dialog or
  // a menu of that window has it for a moment.
  bool holdsWindowFocus() const { return focusInside_; }
  // Opens the cell editor on the current cell when the grid has the active focus.
  void openEditor();
  // Closes an open cell editor and drops the text typed into it.
  void discardEditor();
  // Writes the text of an open cell editor into its cell; the editor stays open.
  void writeEditorText();
  // True when text typed into the current cell's editor has not been replaced since, by a move
  // to another cell or by a text written into the cell.
  bool hasTypedText() const;
  // Tab and Shift+Tab: the next (previous) value cell along the rows, wrapping around from the
  // last cell to the first.
  void moveByTab(bool backward);
  // The open cell editor, or null.
  QWidget* cellEditor() const { return editor_.data(); }

 signals:
  // The keyboard focus came to the grid from another control of its window.
  void entered();
  // The keyboard focus went from the grid to another control of its window. Whatever the cell
  // editor held is in its cell by then, and this comes before the control taking the focus
  // hears of it.
  void left();
  // Enter or Return was pressed on the grid or in its cell editor.
  void enterKeyPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void updateGeometries() override;

 private:
  friend class GridDelegate;
  void onFocusChanged(QWidget* old, QWidget* now);
  // Reports the focus as gone when it lies on another control of this window now.
  void noteFocusGone();
  bool isFixed(int col, int row) const { return row < fixedRows_ || col < fixedCols_; }

  int fixedRows_;
  int fixedCols_;
  bool focusInside_ = false;
  bool typedText_ = false;  // typed text the closed editor left in the current cell
  QPointer<QWidget> editor_;
  QMetaObject::Connection focusWatch_;
};

}  // namespace pelvar
