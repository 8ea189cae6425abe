#pragma once
// The cells of the load cases window's tables and what stands behind each: where a value of
// ProblemData::loadCases (or of the first case's loads anywhere) is read and written, how a
// typed text is read and held within its limits, and how the cell shows it. Plain C++: the
// window's models and its undo go through these, so that a cell typed, pasted or put back by an
// undo lands in the same field.
//
// Every table has its captions in rows 0 and 1 and its numbers in column 0, and one row per
// entry from row 2 on; the moving load's settings are labelled rows 0 and 1 instead. The column
// kRowCountColumn stands for a table's number of rows.

#include <optional>
#include <string>
#include <string_view>

#include "model/problem_data.h"
#include "ui/edit_history.h"

namespace pelvar {

// The rows of the moving load's settings.
enum class MovingLoadRow { Step = 0, RidesOn = 1 };

// The most rows a table holds, and the columns with its numbers.
int MaxRowsOf(InputTable table);
// The number of entries of a table (of case page for the loads anywhere); for a case's section
// and point loads, the sections and points of the beam.
int EntryCountOf(const ProblemData& data, InputTable table, int page);

// Whether the cell holds a name (a case's or a combination's) rather than a number, and whether
// it is chosen from a list (what the moving load rides on).
bool HoldsName(InputTable table, int col);
bool IsChoice(InputTable table, int row, int col);
// Whether a value cell takes input: the first case's section and point loads are the main
// window's tables and are typed there, and the last axle has no spacing to a next one.
bool TakesInput(const ProblemData& data, InputTable table, int page, int row, int col);

// The value a cell stores, exactly; for kRowCountColumn the count.
StoredValue ReadCell(const ProblemData& data, InputTable table, int page, int row, int col);
// Stores a value as ReadCell gave it (an undo or a redo), held within the tables.
void WriteCell(ProblemData& data, InputTable table, int page, int row, int col,
               const StoredValue& value);
// Reads a typed text (Windows-1252) through the number reader, holds it within the cell's
// limits and stores it: a name keeps its first 59 bytes; x of a load lies on the beam; spacings,
// the step and the soil factors are at least 0; loads and factors of combinations take any
// value. What the moving load rides on is read as ReadRidesOn reads it. True when the stored
// value changed.
bool CommitCell(ProblemData& data, InputTable table, int page, int row, int col,
                std::string_view typed);
// What a value cell shows: a number as "%12.3f", a name as stored; blank where the cell takes no
// value.
std::string CellText(const ProblemData& data, InputTable table, int page, int row, int col);

// What the moving load rides on, as its list shows it: "alone", or a combination's number and
// name.
std::string RidesOnText(const ProblemData& data, int combination);
// The combination a text names: "alone" or 0 for none (-1), a combination's number (1 on), the
// list's text, a combination's name or its first letters; nothing where it names none of them.
std::optional<int> ReadRidesOn(const ProblemData& data, std::string_view text);

}  // namespace pelvar
