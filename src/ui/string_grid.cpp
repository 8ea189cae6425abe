#include "ui/string_grid.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "ui/input_table_models.h"

namespace pelvar {
namespace {

// The keys with which a closed list moves through its entries; in the grid they move between
// cells, as in every other cell.
bool MovesBetweenCells(const QKeyEvent& event) {
  if (event.modifiers() & Qt::AltModifier) return false;
  switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
      return true;
    default:
      return false;
  }
}

// The menu bar takes the keyboard focus while it is worked from the keys and gives it back to
// where it was; a table keeps the focus in the sense of its window meanwhile, as it does while a
// menu or a dialog of its window has it.
bool IsMenuBar(const QWidget* widget) { return qobject_cast<const QMenuBar*>(widget) != nullptr; }

// A cell's text where it fits between the cell's margins. A number (standing at the right) that
// does not fit shows "#" across its cell, as spreadsheets do: cut at either end it would read as
// another number. A name that does not fit ends in an ellipsis.
QString Fitted(const QStyleOptionViewItem& option) {
  const QWidget* widget = option.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const int room =
      style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget).width() - 2 * margin;
  const bool number = (option.displayAlignment & Qt::AlignRight) != 0;
  const QString text = number ? option.text.trimmed() : option.text;
  if (option.fontMetrics.horizontalAdvance(text) <= room) return option.text;
  if (!number) return option.fontMetrics.elidedText(text, Qt::ElideRight, room);
  const int hash = std::max(1, option.fontMetrics.horizontalAdvance(QLatin1Char('#')));
  return QString(std::max(1, room / hash), QLatin1Char('#'));
}

}  // namespace

// Creates the cell editors and sees their keys first: Enter moves to the next row (the grid's
// owner decides how) instead of closing the editor, Escape puts the stored text back and F2
// edits at its end, both without closing the editor, so that it stays shown.
class GridDelegate : public QStyledItemDelegate {
 public:
  explicit GridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  // The grid is being torn down: an editor that goes with it reports to nobody.
  void forgetGrid() { grid_ = nullptr; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    const QStringList choices =
        grid_ != nullptr ? grid_->model_->choices(index.row(), index.column()) : QStringList();
    if (!choices.isEmpty()) {
      // A cell chosen from a list: a choice is committed at once, as a list's choice is,
      // and decides at once which cells of its row take input.
      auto* list = new QComboBox(parent);
      list->setFrame(false);
      list->addItems(choices);
      const QPersistentModelIndex cell(index);
      InputTableModel* model = grid_->model_;
      connect(list, &QComboBox::activated, list, [list, cell, model](int chosen) {
        if (cell.isValid()) model->setData(cell, list->itemText(chosen), Qt::EditRole);
      });
      grid_->editor_ = list;
      return list;
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    // The text being typed stands where the cell shows it.
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
    }
    if (grid_ != nullptr) grid_->editor_ = editor;
    return editor;
  }

  // The editor's text becomes the cell's typed text, stored only when the cell is committed;
  // text the editor shows unchanged is not typed text.
  // What the cell shows: its text where that fits, else a mark, never a cut number that reads
  // as another.
  QString shownText(QStyleOptionViewItem option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(&option, index);
    return Fitted(option);
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
      const QSignalBlocker quiet(list);
      list->setCurrentIndex(list->findText(index.data(Qt::EditRole).toString()));
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line != nullptr && line->isModified()) model->setData(index, line->text(), kTypedTextRole);
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = Fitted(*option);
  }

  // A text that does not fit its cell has its whole self as the tool tip, above what the cell
  // tells of itself.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip) {
      return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    QStyleOptionViewItem full = option;
    QStyledItemDelegate::initStyleOption(&full, index);
    QStringList tip;
    if (Fitted(full) != full.text) tip << full.text.trimmed();
    const QString own = index.data(Qt::ToolTipRole).toString();
    if (!own.isEmpty()) tip << own;
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(event->globalPos(), tip.join(QLatin1Char('\n')), view);
    }
    return true;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (grid_ == nullptr) return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
      // Undo, redo, copy and paste are the window's commands on the tables' cells, not the
      // editor's on its text.
      const auto* keys = static_cast<QKeyEvent*>(event);
      if (keys->matches(QKeySequence::Undo) || keys->matches(QKeySequence::Redo) ||
          keys->matches(QKeySequence::Copy) || keys->matches(QKeySequence::Paste) ||
          keys->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y)) {
        event->ignore();
        return true;
      }
    }
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit grid_->enterKeyPressed();
        return true;
      }
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        grid_->tabKey(*static_cast<QKeyEvent*>(event));
        return true;
      }
      if (key == Qt::Key_Escape) {
        grid_->cancelEditing();
        return true;
      }
      if (key == Qt::Key_F2) {
        grid_->editAtEnd();
        return true;
      }
      if (qobject_cast<QComboBox*>(watched) != nullptr) {
        return listKey(static_cast<QKeyEvent*>(event));
      }
    }
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox*>(watched) != nullptr) {
      // The wheel scrolls the table, never a kind into a cell unseen.
      QApplication::sendEvent(grid_->viewport(), event);
      return true;
    }
    if (event->type() == QEvent::FocusOut && IsMenuBar(QApplication::focusWidget())) {
      // The menu bar has the keys for a moment (Alt and an access key) and hands the focus
      // back to the editor: it stays open with what was typed into it.
      return false;
    }
    if (event->type() == QEvent::FocusOut) {
      // The base closes the editor and writes its text into the cell when the focus goes
      // elsewhere; then the grid may tell that it was left.
      const bool handled = QStyledItemDelegate::eventFilter(watched, event);
      grid_->noteFocusGone();
      return handled;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
  }

 private:
  // A key on a cell chosen from a list: a text that names an entry (its first letter, its
  // code) chooses it, the arrows move between cells, F4 and Alt+Down (and Space) open the
  // list. Other text is not taken.
  bool listKey(QKeyEvent* event) {
    if (MovesBetweenCells(*event)) {
      QApplication::sendEvent(grid_, event);
      return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || text == QStringLiteral(" ") || !text.at(0).isPrint()) return false;
    const QModelIndex cell = grid_->currentIndex();
    if (grid_->model_->namesChoice(cell.row(), cell.column(), text)) {
      grid_->model_->setData(cell, text, Qt::EditRole);
    }
    return true;
  }

  StringGrid* grid_;
};

StringGrid::StringGrid(InputTableModel* model, QWidget* parent)
    : QTableView(parent), model_(model) {
  setModel(model);
  setItemDelegate(new GridDelegate(this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setCornerButtonEnabled(false);
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  setShowGrid(true);
  setWordWrap(false);
  // The delegate marks a text wider than its cell itself.
  setTextElideMode(Qt::ElideNone);
  // Qt's own scrolling never moves the cells, also not to bring the last row's grid line (hidden
  // under the frame) into view; rows that do not fit scroll by hiding those above (below).
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setAutoScroll(false);
  // A range of cells is selected with Shift and the arrow keys or by dragging, for Copy.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(true);
  // The owner opens the editor whenever the current cell changes; a key typed while no editor
  // is open (after Escape or a lost activation) opens one as well.
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  showSelection(false);
  // Rows that do not fit the height the table is given scroll below its fixed rows, which stay
  // in place: the rows scrolled out above are hidden.
  rowBar_ = new QScrollBar(Qt::Vertical, this);
  rowBar_->setFocusPolicy(Qt::NoFocus);
  rowBar_->hide();
  connect(rowBar_, &QScrollBar::valueChanged, this, &StringGrid::rowsScrolled);
  // Columns that do not fit the width scroll right of the fixed columns in the same way.
  columnBar_ = new QScrollBar(Qt::Horizontal, this);
  columnBar_->setFocusPolicy(Qt::NoFocus);
  columnBar_->hide();
  connect(columnBar_, &QScrollBar::valueChanged, this, &StringGrid::columnsScrolled);
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(model, signal, this, &StringGrid::updateScrolling);
  }
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &StringGrid::onFocusChanged);
}

StringGrid::~StringGrid() {
  // The focus moves while the window's widgets are torn down; by then this is no grid anymore.
  disconnect(focusWatch_);
  static_cast<GridDelegate*>(itemDelegate())->forgetGrid();
}

int StringGrid::fixedRows() const { return model_->fixedRows(); }
int StringGrid::fixedCols() const { return model_->fixedCols(); }
int StringGrid::rowCount() const { return model_->rowCount(); }
int StringGrid::columnCount() const { return model_->columnCount(); }

void StringGrid::setCurrentCell(int row, int col) { setCurrentIndex(model_->index(row, col)); }

bool StringGrid::isEditable(int col, int row) const {
  return (model_->flags(model_->index(row, col)) & Qt::ItemIsEditable) != 0;
}

void StringGrid::setColumnWidthPixels(int col, int width) {
  if (col >= static_cast<int>(columnWidths_.size())) columnWidths_.resize(col + 1, 0);
  columnWidths_[static_cast<std::size_t>(col)] = width + 1;
  updateScrolling();
}

void StringGrid::dropColumnWidthsFrom(int col) {
  if (col < 0 || col >= static_cast<int>(columnWidths_.size())) return;
  columnWidths_.resize(static_cast<std::size_t>(col));
  updateScrolling();
}

void StringGrid::applyColumnWidths() {
  // The row scroll bar stands inside the table's width, beside the rows, which the last column
  // in view gives up.
  const int columns = static_cast<int>(columnWidths_.size());
  const int last =
      columnBar_->isVisibleTo(this)
          ? std::min(columns - 1, fixedCols() + leftValueColumn_ + valueColumnsInView() - 1)
          : columns - 1;
  for (int col = 0; col < columns; ++col) {
    const int width = columnWidths_[static_cast<std::size_t>(col)];
    setColumnWidth(col, col == last && rowBar_->isVisibleTo(this)
                            ? std::max(0, width - rowBar_->width())
                            : width);
  }
}

void StringGrid::setRowHeightPixels(int height) {
  verticalHeader()->setDefaultSectionSize(height + 1);
  for (int row = 0; row < rowCount(); ++row) setRowHeight(row, height + 1);
  updateScrolling();
}

int StringGrid::valueRowsInView() const {
  int fixedHeight = 0;
  for (int row = 0; row < std::min(fixedRows(), rowCount()); ++row) fixedHeight += rowHeight(row);
  // The last row's grid line may lie under the frame, or under the column scroll bar.
  int room = viewport()->height() + 1 - fixedHeight;
  if (columnBar_->isVisibleTo(this)) room -= columnBar_->height();
  return std::max(1, room / std::max(1, verticalHeader()->defaultSectionSize()));
}

void StringGrid::updateScrolling() {
  // Whether the columns scroll tells the room the rows have; whether the rows scroll, which
  // column gives the row scroll bar its room.
  updateColumnScrolling();
  updateRowScrolling();
  applyColumnWidths();
  placeScrollBars();
}

void StringGrid::updateRowScrolling() {
  const int valueRows = std::max(0, rowCount() - fixedRows());
  const int inView = valueRowsInView();
  const int lastTop = std::max(0, valueRows - inView);
  const bool scrolls = lastTop > 0;
  if (scrolls != rowBar_->isVisibleTo(this)) {
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    rowBar_->resize(barWidth, rowBar_->height());
    rowBar_->setVisible(scrolls);
  }
  {
    const QSignalBlocker quiet(rowBar_);
    rowBar_->setRange(0, lastTop);
    rowBar_->setPageStep(inView);
  }
  showRowsFrom(std::min(topValueRow_, lastTop));
  keepCurrentInView();
}

void StringGrid::updateColumnScrolling() {
  const int lastLeft = lastLeftValueColumn(viewport()->width());
  const bool scrolls = lastLeft > 0;
  if (scrolls != columnBar_->isVisibleTo(this)) {
    const int barHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    columnBar_->resize(columnBar_->width(), barHeight);
    columnBar_->setVisible(scrolls);
  }
  {
    const QSignalBlocker quiet(columnBar_);
    columnBar_->setRange(0, lastLeft);
  }
  showColumnsFrom(std::min(leftValueColumn_, lastLeft));
  const QSignalBlocker quiet(columnBar_);
  columnBar_->setPageStep(valueColumnsInView());
}

void StringGrid::placeScrollBars() {
  const QRect view = viewport()->geometry();
  const int rowBarWidth = rowBar_->isVisibleTo(this) ? rowBar_->width() : 0;
  const int columnBarHeight = columnBar_->isVisibleTo(this) ? columnBar_->height() : 0;
  if (rowBarWidth > 0) {
    // Beside the value rows, below the fixed rows, which stay in place.
    int fixedHeight = 0;
    for (int row = 0; row < std::min(fixedRows(), rowCount()); ++row) {
      fixedHeight += rowHeight(row);
    }
    rowBar_->setGeometry(view.right() + 1 - rowBarWidth, view.top() + fixedHeight, rowBarWidth,
                         std::max(0, view.height() - fixedHeight - columnBarHeight));
  }
  if (columnBarHeight > 0) {
    // Below the value columns, right of the fixed columns, which stay in place.
    const int fixedWidth = fixedColumnsWidth();
    columnBar_->setGeometry(view.left() + fixedWidth, view.bottom() + 1 - columnBarHeight,
                            std::max(0, view.width() - fixedWidth - rowBarWidth), columnBarHeight);
  }
}

int StringGrid::fixedColumnsWidth() const {
  int width = 0;
  const int fixed = std::min(fixedCols(), static_cast<int>(columnWidths_.size()));
  for (int col = 0; col < fixed; ++col) width += columnWidths_[static_cast<std::size_t>(col)];
  return width;
}

int StringGrid::valueColumnRoom(int viewportWidth) const {
  // The last column's grid line may lie under the frame.
  return viewportWidth + 1 - fixedColumnsWidth();
}

int StringGrid::valueColumnsInView() const {
  const int room = valueColumnRoom(viewport()->width());
  const int columns = static_cast<int>(columnWidths_.size());
  int used = 0;
  int count = 0;
  for (int col = fixedCols() + leftValueColumn_; col < columns; ++col) {
    used += columnWidths_[static_cast<std::size_t>(col)];
    if (used > room) break;
    ++count;
  }
  return std::max(1, count);
}

int StringGrid::lastLeftValueColumn(int viewportWidth) const {
  const int room = valueColumnRoom(viewportWidth);
  const int columns = static_cast<int>(columnWidths_.size());
  int used = 0;
  int col = columns - 1;
  for (; col >= fixedCols(); --col) {
    used += columnWidths_[static_cast<std::size_t>(col)];
    if (used > room) break;
  }
  // At least the last column is in view, even where it does not fit whole.
  return std::clamp(col + 1 - fixedCols(), 0, std::max(0, columns - 1 - fixedCols()));
}

int StringGrid::widthWithin(int room) const {
  const int frames = 2 * frameWidth() - 1;
  const int columns = static_cast<int>(columnWidths_.size());
  int width = fixedColumnsWidth() + frames;
  for (int col = fixedCols(); col < columns; ++col) {
    const int next = width + columnWidths_[static_cast<std::size_t>(col)];
    if (next > room && col > fixedCols()) break;
    width = next;
  }
  return width;
}

int StringGrid::columnBarHeightAt(int width) const {
  if (lastLeftValueColumn(width - 2 * frameWidth()) == 0) return 0;
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void StringGrid::showRowsFrom(int top) {
  topValueRow_ = std::max(0, top);
  for (int row = fixedRows(); row < rowCount(); ++row) {
    const bool hidden = row - fixedRows() < topValueRow_;
    if (isRowHidden(row) != hidden) setRowHidden(row, hidden);
  }
  const QSignalBlocker quiet(rowBar_);
  rowBar_->setValue(topValueRow_);
}

void StringGrid::showColumnsFrom(int left) {
  leftValueColumn_ = std::max(0, left);
  for (int col = fixedCols(); col < columnCount(); ++col) {
    const bool hidden = col - fixedCols() < leftValueColumn_;
    if (isColumnHidden(col) != hidden) setColumnHidden(col, hidden);
  }
  {
    const QSignalBlocker quiet(columnBar_);
    columnBar_->setValue(leftValueColumn_);
  }
  // Another column is the last in view: it gives the row scroll bar its room.
  applyColumnWidths();
}

void StringGrid::keepCurrentInView() {
  const int row = currentRow() - fixedRows();
  if (currentRow() >= 0 && row >= 0) {
    const int inView = valueRowsInView();
    if (row < topValueRow_) {
      showRowsFrom(row);
    } else if (row >= topValueRow_ + inView) {
      showRowsFrom(row - inView + 1);
    }
  }
  const int col = currentColumn() - fixedCols();
  if (currentColumn() >= 0 && col >= 0) {
    const int inView = valueColumnsInView();
    if (col < leftValueColumn_) {
      showColumnsFrom(col);
    } else if (col >= leftValueColumn_ + inView) {
      showColumnsFrom(col - inView + 1);
    }
  }
}

void StringGrid::rowsScrolled(int top) {
  showRowsFrom(top);
  // The current cell stays in view: scrolled out, it moves to the nearest row shown, which
  // commits the cell left like any other move.
  const int row = currentRow() - fixedRows();
  if (currentRow() < 0 || row < 0) return;
  const int inView = valueRowsInView();
  const int wanted = std::clamp(row, topValueRow_, topValueRow_ + inView - 1);
  if (wanted != row) setCurrentCell(wanted + fixedRows(), currentColumn());
}

void StringGrid::columnsScrolled(int left) {
  showColumnsFrom(left);
  // As for the rows: the current cell moves into view, which commits the cell left.
  const int col = currentColumn() - fixedCols();
  if (currentColumn() < 0 || col < 0) return;
  const int inView = valueColumnsInView();
  const int wanted = std::clamp(col, leftValueColumn_, leftValueColumn_ + inView - 1);
  if (wanted != col) setCurrentCell(currentRow(), wanted + fixedCols());
}

QModelIndex StringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Up and down go row by row, also into rows scrolled out of view, which the base skips as
  // hidden; a page is the rows in view. Left and right likewise column by column. The fixed
  // rows and columns are never reached.
  const QModelIndex current = currentIndex();
  if ((action == MoveLeft || action == MoveRight) && current.isValid()) {
    const int col = std::clamp(current.column() + (action == MoveLeft ? -1 : 1), fixedCols(),
                               columnCount() - 1);
    return model_->index(current.row(), col);
  }
  int step = 0;
  if (action == MoveUp) step = -1;
  if (action == MoveDown) step = 1;
  if (action == MovePageUp) step = -valueRowsInView();
  if (action == MovePageDown) step = valueRowsInView();
  if (step == 0 || !current.isValid()) return QTableView::moveCursor(action, modifiers);
  const int row = std::clamp(current.row() + step, fixedRows(), rowCount() - 1);
  return model_->index(row, current.column());
}

void StringGrid::wheelEvent(QWheelEvent* event) {
  if (!rowBar_->isVisibleTo(this) && !columnBar_->isVisibleTo(this)) {
    return QTableView::wheelEvent(event);
  }
  // Whole notches only: the rows by the wheel's lines, the columns one by one.
  const auto scroll = [this](QScrollBar* bar, int& turn, int delta, int perNotch) {
    if (!bar->isVisibleTo(this)) return;
    turn += delta;
    const int notches = turn / QWheelEvent::DefaultDeltasPerStep;
    turn -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0) bar->setValue(bar->value() - notches * perNotch);
  };
  scroll(rowBar_, wheelTurn_, event->angleDelta().y(), QApplication::wheelScrollLines());
  scroll(columnBar_, wheelTurnAcross_, event->angleDelta().x(), 1);
  event->accept();
}

void StringGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  updateScrolling();
}

QString StringGrid::cellText(int col, int row) const {
  return model_->index(row, col).data(Qt::DisplayRole).toString();
}

QString StringGrid::shownText(int col, int row) const {
  const QModelIndex cell = model_->index(row, col);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(cell);
  return static_cast<const GridDelegate*>(itemDelegate())->shownText(option, cell);
}

void StringGrid::commitTrackedCell() {
  const QModelIndex cell = model_->index(tracked_.y(), tracked_.x());
  if (model_->hasTypedText(cell)) model_->setData(cell, cell.data(kTypedTextRole), Qt::EditRole);
}

bool StringGrid::hasActiveFocus() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && (focus == this || isAncestorOf(focus)) && isActiveWindow();
}

void StringGrid::openEditor() {
  if (editor_ != nullptr || !hasActiveFocus()) return;
  const QModelIndex cell = currentIndex();
  if (!cell.isValid() || !isEditable(cell.column(), cell.row())) return;
  edit(cell);
}

void StringGrid::discardEditor() {
  if (editor_ == nullptr) return;
  closeEditor(editor_.data(), QAbstractItemDelegate::RevertModelCache);
}

void StringGrid::cancelEditing() {
  const QModelIndex cell = currentIndex();
  if (!cell.isValid() || !isEditable(cell.column(), cell.row())) return;
  // The editor open on the cell shows the stored text with the cell.
  model_->showStoredValue(cell.row(), cell.column());
  if (auto* line = qobject_cast<QLineEdit*>(editor_.data())) {
    line->setText(cell.data(Qt::EditRole).toString());
    line->selectAll();
  }
}

void StringGrid::editAtEnd() {
  openEditor();
  if (auto* line = qobject_cast<QLineEdit*>(editor_.data())) {
    line->deselect();
    line->end(false);
  }
}

void StringGrid::writeEditorText() {
  if (editor_ != nullptr) commitData(editor_.data());
}

void StringGrid::moveByTab(bool backward) {
  const int cols = columnCount();
  const int cells = rowCount() * cols;
  if (cells == 0 || currentRow() < 0 || currentColumn() < 0) return;
  const int start = currentRow() * cols + currentColumn();
  for (int cell = backward ? start - 1 : start + 1; cell >= 0 && cell < cells;
       cell += backward ? -1 : 1) {
    if (isEditable(cell % cols, cell / cols)) {
      setCurrentCell(cell / cols, cell % cols);
      return;
    }
  }
  emit tabbedPastEnd(backward);
}

void StringGrid::tabKey(const QKeyEvent& event) {
  const bool backward =
      event.key() == Qt::Key_Backtab || (event.modifiers() & Qt::ShiftModifier) != 0;
  if (event.modifiers() & Qt::ControlModifier) {
    emit nextTableRequested(backward);
  } else {
    moveByTab(backward);
  }
}

QPoint StringGrid::firstEditableCell() const { return {fixedCols(), fixedRows()}; }
QPoint StringGrid::lastEditableCell() const {
  // Cells that take no input now are passed over, as Tab passes them.
  const int cols = columnCount();
  for (int cell = rowCount() * cols - 1; cell >= 0; --cell) {
    if (isEditable(cell % cols, cell / cols)) return {cell % cols, cell / cols};
  }
  return {cols - 1, rowCount() - 1};
}

QPoint StringGrid::entryCell(bool backward, bool atEdge) const {
  if (atEdge) return backward ? lastEditableCell() : firstEditableCell();
  const QPoint cell = trackedCell();
  return isEditable(cell.x(), cell.y()) ? cell : firstEditableCell();
}

void StringGrid::moveToCell(QPoint cell) {
  if (QPoint(currentColumn(), currentRow()) != cell) {
    setCurrentCell(cell.y(), cell.x());
  } else {
    trackCell(cell.x(), cell.y());
  }
}

bool StringGrid::focusNextPrevChild(bool next) {
  // Inside the grid Tab moves between cells; past its last cell it goes on in the next table.
  moveByTab(!next);
  return true;
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit enterKeyPressed();
    return;
  }
  if (event->key() == Qt::Key_F2) {
    editAtEnd();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    cancelEditing();
    return;
  }
  // Tab with Ctrl comes here; without it, by focusNextPrevChild.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
    tabKey(*event);
    return;
  }
  QTableView::keyPressEvent(event);
}

void StringGrid::focusInEvent(QFocusEvent* event) {
  focusReason_ = event->reason();
  QTableView::focusInEvent(event);
}

void StringGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  noteFocusGone();
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // The editor is deleted later; from now on it no longer counts as open.
  if (editor == editor_) editor_ = nullptr;
  QTableView::closeEditor(editor, hint);
}

void StringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // The base hands an open editor's text to the cell left and closes the editor first.
  QTableView::currentChanged(current, previous);
  keepCurrentInView();
  emit currentCellChanged(current.row(), current.column(), previous.row(), previous.column());
}

void StringGrid::updateGeometries() {
  QTableView::updateGeometries();
  // The last grid line lies under the frame, one pixel beyond the viewport; without a range
  // the wheel cannot shift the rows by that pixel either.
  verticalScrollBar()->setRange(0, 0);
  horizontalScrollBar()->setRange(0, 0);
}

void StringGrid::showSelection(bool shown) {
  // Only the table holding its window's focus shows its selected cells, so that one current
  // cell of the window is highlighted; the others keep their selection unseen.
  QPalette colours = palette();
  const QPalette usual = QApplication::palette(this);
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Highlight,
                     usual.color(group, shown ? QPalette::Highlight : QPalette::Base));
    colours.setColor(group, QPalette::HighlightedText,
                     usual.color(group, shown ? QPalette::HighlightedText : QPalette::Text));
  }
  setPalette(colours);
}

void StringGrid::noteFocusGone() {
  // The toolkit names the new focus before it tells the old one that it lost it.
  QWidget* now = QApplication::focusWidget();
  if (!focusInside_ || now == nullptr || now->window() != window() || IsMenuBar(now)) return;
  if (now == this || isAncestorOf(now)) return;
  focusInside_ = false;
  showSelection(false);
  // An editor left open while the menu bar had the keys hands its text to its cell now.
  if (editor_ != nullptr) {
    commitData(editor_.data());
    closeEditor(editor_.data(), QAbstractItemDelegate::NoHint);
  }
  emit left();
}

void StringGrid::onFocusChanged(QWidget* old, QWidget* now) {
  // A window losing its activation, or a dialog of its own taking the focus for a while, does
  // not take the focus away from the grid in the sense of its window.
  if (now == nullptr || now->window() != window() || IsMenuBar(now)) return;
  const bool inside = now == this || isAncestorOf(now);
  // Mostly the grid heard of its loss already; not when the focus went to another window first
  // and comes back to another control of this one.
  if (!inside) noteFocusGone();
  const bool cameFromOutside = inside && !focusInside_;
  focusInside_ = inside;
  showSelection(inside);
  if (cameFromOutside && now == this && focusReason_ == Qt::MouseFocusReason) {
    // The click that gave the focus selects the cell under the mouse as the table showed it:
    // the owner's moves on entering scroll nothing away beneath it.
    const int top = topValueRow_;
    const int left = leftValueColumn_;
    emit entered();
    showRowsFrom(top);
    showColumnsFrom(left);
  }
  // The grid itself got the focus back from outside or on the window's activation: the editor
  // belongs on the current cell. (An editor that just closed hands the focus back too; then the
  // change of the current cell opens the next one.)
  if (now == this && (cameFromOutside || old == nullptr)) openEditor();
}

}  // namespace pelvar
