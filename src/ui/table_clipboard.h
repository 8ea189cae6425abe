#pragma once
// Copy and paste of the input tables' cells in the form spreadsheets use: rows of tab-separated
// values, each row ending in a newline. Both windows with tables copy and check a pasted block
// through these, so that a block reads and is refused alike wherever it is pasted.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pelvar {

class InputTableModel;
class StringGrid;

// Rows end in a newline (a spreadsheet's CR LF too), and a newline after the last row starts no
// row of its own; cells are separated by tabs.
QList<QStringList> SplitBlock(const QString& text);
// The widest row of a block.
int BlockWidth(const QList<QStringList>& block);

// The selected cells of a grid (its current cell where none is selected) as rows of
// tab-separated values: a name's text, a number as stored, in full; cells outside the selection
// within its bounding rectangle are left empty.
QString SelectedCellsText(const StringGrid& grid);

// The Copy and Paste of every table: the grid's selected cells onto the clipboard (nothing where
// they hold no text), and the clipboard's text as a block of cells (empty for none).
void CopySelectedCells(const StringGrid& grid);
QList<QStringList> ClipboardBlock();

// A column's heading as the table shows it.
QString Heading(const StringGrid& grid, int col);

// Why a block of width columns cannot be pasted from column col on; nothing where it fits.
std::optional<QString> RefusedWidth(const StringGrid& grid, int col, int width);
// Why a cell of a block cannot go into the cell (row, col) of a table: a choice it does not
// name, or a number cell given no number; r and c count from 0 in the block. A name takes any
// text.
std::optional<QString> RefusedCell(const InputTableModel& model, int row, int col,
                                   const QString& text, int r, int c);

}  // namespace pelvar
