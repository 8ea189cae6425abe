#include "ui/table_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <algorithm>
#include <map>
#include <utility>

#include "qt_text/text_edge.h"
#include "text/number_format.h"
#include "text/number_reader.h"
#include "ui/input_table_models.h"
#include "ui/string_grid.h"

namespace pelvar {
namespace {

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

}  // namespace

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

int BlockWidth(const QList<QStringList>& block) {
  int width = 0;
  for (const QStringList& row : block) width = std::max(width, static_cast<int>(row.size()));
  return width;
}

QString SelectedCellsText(const StringGrid& grid) {
  QModelIndexList cells = grid.selectionModel()->selectedIndexes();
  if (cells.isEmpty() && grid.currentIndex().isValid()) cells.append(grid.currentIndex());
  if (cells.isEmpty()) return {};
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
  const InputTableModel& model = *grid.tableModel();
  QString text;
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) {
      if (col > left) text += QLatin1Char('\t');
      if (selected.count({row, col}) != 0 && grid.isEditable(col, row)) {
        text += CopiedText(model, row, col);
      }
    }
    text += QLatin1Char('\n');
  }
  return text;
}

QString Heading(const StringGrid& grid, int col) { return grid.cellText(col, 0).trimmed(); }

std::optional<QString> RefusedWidth(const StringGrid& grid, int col, int width) {
  const int columnsLeft = grid.columnCount() - col;
  if (width <= columnsLeft) return std::nullopt;
  return QStringLiteral(
             "Nothing pasted: the clipboard holds %1 columns, and from the column "
             "\"%2\" on the table has %3.")
      .arg(width)
      .arg(Heading(grid, col))
      .arg(columnsLeft);
}

std::optional<QString> RefusedCell(const InputTableModel& model, int row, int col,
                                   const QString& text, int r, int c) {
  const QStringList choices = model.choices(row, col);
  if (!choices.isEmpty() && !model.namesChoice(row, col, text)) {
    return QStringLiteral(
               "Nothing pasted: \"%1\" in row %2, column %3 of the clipboard is not one of "
               "%4, nor their codes 0 to %5.")
        .arg(Quoted(text))
        .arg(r + 1)
        .arg(c + 1)
        .arg(choices.join(QStringLiteral(", ")))
        .arg(choices.size() - 1);
  }
  if (!model.holdsNumber(row, col)) return std::nullopt;
  // A blank gives a section the general data's EI or width back.
  if (model.takesGeneralValue(row, col) && text.trimmed().isEmpty()) return std::nullopt;
  if (IsWholeReal(Cp1252FromQString(text))) return std::nullopt;
  return QStringLiteral(
             "Nothing pasted: \"%1\" in row %2, column %3 of the clipboard is "
             "not a number.")
      .arg(Quoted(text))
      .arg(r + 1)
      .arg(c + 1);
}

void CopySelectedCells(const StringGrid& grid) {
  const QString text = SelectedCellsText(grid);
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

QList<QStringList> ClipboardBlock() { return SplitBlock(QGuiApplication::clipboard()->text()); }

}  // namespace pelvar
