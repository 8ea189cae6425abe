// TFormPelv's Edit menu: undo and redo of the changes the tables committed, and copy and paste
// of their cells in the form spreadsheets use.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <map>
#include <string>

#include "model/input_rules.h"
#include "qt_text/text_edge.h"
#include "text/number_format.h"
#include "text/number_reader.h"
#include "ui/form_pelv.h"
#include "ui/input_table_models.h"
#include "ui/string_grid.h"

namespace pelvar {
namespace {

// Rows end in a newline (a spreadsheet's CR LF too), and a newline after the last row starts no
// row of its own; cells are separated by tabs.
QList<QStringList> SplitBlock(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  QList<QStringList> block;
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    block.append(line.split(QLatin1Char('\t')));
  }
  return block;
}

// What a cell copies: a name's text, or the stored number in the shortest text that reads back
// to it exactly, so that a paste puts back the same value.
QString CopiedText(const InputTableModel& model, int row, int col) {
  const StoredValue value = model.storedValue(row, col);
  if (!model.holdsNumber(row, col)) return QStringFromCp1252(value.text);
  // No value of its own: a blank, as a spreadsheet leaves it and a paste takes it back.
  if (model.takesGeneralValue(row, col) && !(value.number > 0.0)) return {};
  return QString::fromStdString(ShortestRealText(value.number));
}

// A cell's text as a message quotes it: a long one cut, so that the message stays readable.
QString Quoted(const QString& text) {
  constexpr int kLongest = 40;
  const QString trimmed = text.trimmed();
  return trimmed.size() <= kLongest ? trimmed : trimmed.left(kLongest - 1) + QChar(0x2026);
}

// A column's heading as the table shows it.
QString Heading(const StringGrid& grid, int col) { return grid.cellText(col, 0).trimmed(); }

}  // namespace

void TFormPelv::buildEditMenu() {
  Edit1 = new QMenu(QStringLiteral("&Edit"), this);
  Undo1 = Edit1->addAction(QStringLiteral("&Undo"), this, &TFormPelv::Undo1Click);
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = Edit1->addAction(QStringLiteral("&Redo"), this, &TFormPelv::Redo1Click);
  Redo1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  N2 = Edit1->addSeparator();
  Copy1 = Edit1->addAction(QStringLiteral("&Copy"), this, &TFormPelv::Copy1Click);
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Paste1 = Edit1->addAction(QStringLiteral("&Paste"), this, &TFormPelv::Paste1Click);
  Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  // After File, as usual.
  const QList<QAction*> bar = menuBar()->actions();
  menuBar()->insertMenu(bar.size() > 1 ? bar[1] : nullptr, Edit1);
  editHistoryChanged();
}

void TFormPelv::connectEditHistory() {
  for (const InputTable table : {InputTable::General, InputTable::Sections, InputTable::Forces}) {
    connect(tableOf(table)->tableModel(), &InputTableModel::valueChanged, this,
            [this, table](int row, int col, const StoredValue& before, const StoredValue& after) {
              history_.record({table, row, col, before, after});
              editHistoryChanged();
            });
    // What one commit changes beyond its cell is undone with it.
    connect(tableOf(table)->tableModel(), &InputTableModel::commitStarted, this,
            [this] { history_.beginGroup(); });
    connect(tableOf(table)->tableModel(), &InputTableModel::commitFinished, this, [this] {
      history_.endGroup();
      editHistoryChanged();
    });
  }
}

void TFormPelv::editHistoryChanged() {
  Undo1->setEnabled(history_.canUndo());
  Redo1->setEnabled(history_.canRedo());
}

StringGrid* TFormPelv::focusedTable() const {
  for (StringGrid* grid : {MainGrid, SoilGrid, ForcesGrid}) {
    if (grid->holdsWindowFocus()) return grid;
  }
  return nullptr;
}

StringGrid* TFormPelv::tableOf(InputTable table) const {
  switch (table) {
    case InputTable::General:
      return MainGrid;
    case InputTable::Sections:
      return SoilGrid;
    case InputTable::Forces:
      return ForcesGrid;
  }
  return MainGrid;
}

void TFormPelv::Undo1Click() {
  commitFocusedTable();
  if (const std::optional<EditStep> step = history_.takeUndo()) applyStep(*step, true);
  editHistoryChanged();
}

void TFormPelv::Redo1Click() {
  commitFocusedTable();
  if (const std::optional<EditStep> step = history_.takeRedo()) applyStep(*step, false);
  editHistoryChanged();
}

void TFormPelv::applyStep(const EditStep& step, bool undo) {
  if (step.empty()) return;
  // A number of sections comes first in a step that grew the tables and goes last in its
  // undo, so that every cell put back has its row.
  const auto restore = [this, undo](const CellChange& change) {
    tableOf(change.table)
        ->tableModel()
        ->restoreValue(change.row, change.col, undo ? change.before : change.after);
  };
  if (undo) {
    std::for_each(step.rbegin(), step.rend(), restore);
  } else {
    std::for_each(step.begin(), step.end(), restore);
  }
  // The table with the focus goes to the first cell changed, where it is one of its own.
  const CellChange& first = step.front();
  StringGrid* grid = tableOf(first.table);
  if (grid == focusedTable() && first.row < grid->rowCount() &&
      QPoint(grid->currentColumn(), grid->currentRow()) != QPoint(first.col, first.row)) {
    grid->setCurrentCell(first.row, first.col);
  }
}

void TFormPelv::Copy1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  QModelIndexList cells = grid->selectionModel()->selectedIndexes();
  if (cells.isEmpty() && grid->currentIndex().isValid()) cells.append(grid->currentIndex());
  if (cells.isEmpty()) return;
  // The selection's bounding rectangle; cells outside the selection are left empty.
  int top = cells.front().row(), bottom = top;
  int left = cells.front().column(), right = left;
  std::map<std::pair<int, int>, bool> selected;
  for (const QModelIndex& cell : cells) {
    selected[{cell.row(), cell.column()}] = true;
    top = std::min(top, cell.row());
    bottom = std::max(bottom, cell.row());
    left = std::min(left, cell.column());
    right = std::max(right, cell.column());
  }
  const InputTableModel& model = *grid->tableModel();
  QString text;
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) {
      if (col > left) text += QLatin1Char('\t');
      if (selected.count({row, col}) != 0 && grid->isEditable(col, row)) {
        text += CopiedText(model, row, col);
      }
    }
    text += QLatin1Char('\n');
  }
  QGuiApplication::clipboard()->setText(text);
}

void TFormPelv::Paste1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  const QList<QStringList> block = SplitBlock(QGuiApplication::clipboard()->text());
  if (block.isEmpty()) return;
  if (const std::optional<QString> refused = pasteBlock(grid, block)) {
    dialogs_.message(this, *refused);
  }
  editHistoryChanged();
}

std::optional<QString> TFormPelv::pasteBlock(StringGrid* grid, const QList<QStringList>& block) {
  const QModelIndex at = grid->currentIndex();
  // Any value cell, also one that takes no input now: the block may give its row a kind that
  // uses it.
  if (!at.isValid() || !(at.flags() & Qt::ItemIsEnabled)) return std::nullopt;
  InputTableModel& model = *grid->tableModel();
  int width = 0;
  for (const QStringList& row : block) width = std::max(width, static_cast<int>(row.size()));
  const int height = static_cast<int>(block.size());

  // Everything is checked before anything is stored: a paste is applied whole or not at all.
  if (grid == MainGrid && (height != 1 || width != 1)) {
    return QStringLiteral(
               "Nothing pasted: the general data takes one value at a time, and the "
               "clipboard holds %1 rows of %2 values.")
        .arg(height)
        .arg(width);
  }
  const int columnsLeft = grid->columnCount() - at.column();
  if (width > columnsLeft) {
    return QStringLiteral(
               "Nothing pasted: the clipboard holds %1 columns, and from the column "
               "\"%2\" on the table has %3.")
        .arg(width)
        .arg(Heading(*grid, at.column()))
        .arg(columnsLeft);
  }
  // The sections a block needs: its last row's section, or its last point.
  const int lastRow = at.row() + height - 1;
  const int sectionsNeeded = grid == SoilGrid ? lastRow - 1 : lastRow - 2;
  if (grid != MainGrid && sectionsNeeded > kMaxSections) {
    return QStringLiteral(
               "Nothing pasted: the clipboard holds %1 rows, which from here would "
               "need %2 sections; the beam has at most %3.")
        .arg(height)
        .arg(sectionsNeeded)
        .arg(kMaxSections);
  }
  // Whether a cell takes input once the block's row has given its point the support it names:
  // a cell that does not is left as it is, its text unread, as typing into it does nothing.
  const auto takesInput = [&](int r, int c) {
    if (grid != ForcesGrid) return true;
    const std::size_t point = static_cast<std::size_t>(at.row() + r - 2);
    SupportKind kind = data_.points[point].support.kind;
    const int kindAt = static_cast<int>(PointColumn::Support) - at.column();
    if (kindAt >= 0 && kindAt < static_cast<int>(block[r].size())) {
      kind = ReadSupportKind(Cp1252FromQString(block[r][kindAt])).value_or(kind);
    }
    return UsesPointColumn(kind, static_cast<PointColumn>(at.column() + c));
  };
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < static_cast<int>(block[r].size()); ++c) {
      if (!takesInput(r, c)) continue;
      const QStringList choices = model.choices(at.row() + r, at.column() + c);
      if (!choices.isEmpty() && !model.namesChoice(at.row() + r, at.column() + c, block[r][c])) {
        return QStringLiteral(
                   "Nothing pasted: \"%1\" in row %2, column %3 of the clipboard is not one of "
                   "%4, nor their codes 0 to %5.")
            .arg(Quoted(block[r][c]))
            .arg(r + 1)
            .arg(c + 1)
            .arg(choices.join(QStringLiteral(", ")))
            .arg(choices.size() - 1);
      }
      if (!model.holdsNumber(at.row() + r, at.column() + c)) continue;
      // A blank gives a section the general data's EI or width back.
      if (model.takesGeneralValue(at.row() + r, at.column() + c) &&
          block[r][c].trimmed().isEmpty()) {
        continue;
      }
      if (!IsWholeReal(Cp1252FromQString(block[r][c]))) {
        return QStringLiteral(
                   "Nothing pasted: \"%1\" in row %2, column %3 of the clipboard is "
                   "not a number.")
            .arg(Quoted(block[r][c]))
            .arg(r + 1)
            .arg(c + 1);
      }
    }
  }

  // One step of the history, the number of sections first where the block needs more rows.
  history_.beginGroup();
  if (grid != MainGrid && sectionsNeeded > data_.sectionCount) {
    const QModelIndex count =
        MainGrid->model()->index(static_cast<int>(GeneralRow::SectionCount), 1);
    MainGrid->model()->setData(count, QString::fromStdString(FormatText("%d", sectionsNeeded)),
                               Qt::EditRole);
  }
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < static_cast<int>(block[r].size()); ++c) {
      model.setData(model.index(at.row() + r, at.column() + c), block[r][c], Qt::EditRole);
    }
  }
  history_.endGroup();
  return std::nullopt;
}

}  // namespace pelvar
