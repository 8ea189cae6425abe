// TFormPelv's Edit menu: undo and redo of the changes the tables committed, and copy and paste
// of their cells in the form spreadsheets use.

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <string>

#include "load_cases_window/load_cases_window.h"
#include "model/input_rules.h"
#include "qt_text/text_edge.h"
#include "text/number_format.h"
#include "ui/form_pelv.h"
#include "ui/input_table_models.h"
#include "ui/string_grid.h"
#include "ui/table_clipboard.h"

namespace pelvar {
namespace {

bool IsLoadCaseTable(InputTable table) {
  return table != InputTable::General && table != InputTable::Sections &&
         table != InputTable::Forces;
}

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
  if (loadCasesWindow_ != nullptr) {
    loadCasesWindow_->setUndoEnabled(history_.canUndo(), history_.canRedo());
  }
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
    default:
      break;  // the load cases window's
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
  // A change of the load cases window's tables goes there; that window exists once it made one.
  const CellChange* loadCase = nullptr;
  const auto restore = [this, undo, &loadCase](const CellChange& change) {
    const StoredValue& value = undo ? change.before : change.after;
    if (IsLoadCaseTable(change.table)) {
      if (loadCasesWindow_ == nullptr) return;
      loadCasesWindow_->restore(change, value);
      if (loadCase == nullptr) loadCase = &change;
      return;
    }
    tableOf(change.table)->tableModel()->restoreValue(change.row, change.col, value);
  };
  if (undo) {
    std::for_each(step.rbegin(), step.rend(), restore);
  } else {
    std::for_each(step.begin(), step.end(), restore);
  }
  if (loadCase != nullptr) {
    // The window shows the tables anew at the step's first change of its own.
    loadCasesWindow_->showChange(*std::find_if(
        step.begin(), step.end(), [](const CellChange& c) { return IsLoadCaseTable(c.table); }));
    return;
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
  CopySelectedCells(*grid);
}

void TFormPelv::Paste1Click() {
  StringGrid* grid = focusedTable();
  if (grid == nullptr) return;
  commitFocusedTable();
  const QList<QStringList> block = ClipboardBlock();
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
  const int width = BlockWidth(block);
  const int height = static_cast<int>(block.size());

  // Everything is checked before anything is stored: a paste is applied whole or not at all.
  if (grid == MainGrid && (height != 1 || width != 1)) {
    return QStringLiteral(
               "Nothing pasted: the general data takes one value at a time, and the "
               "clipboard holds %1 rows of %2 values.")
        .arg(height)
        .arg(width);
  }
  if (std::optional<QString> refused = RefusedWidth(*grid, at.column(), width)) return refused;
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
      if (std::optional<QString> refused =
              RefusedCell(model, at.row() + r, at.column() + c, block[r][c], r, c)) {
        return refused;
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
