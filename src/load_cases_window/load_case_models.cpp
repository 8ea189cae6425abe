#include "load_cases_window/load_case_models.h"

#include <array>

#include "qt_text/text_edge.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

struct TableShape {
  int fixedRows;
  int fixedCols;
  int columns;
};

TableShape ShapeOf(InputTable table) {
  switch (table) {
    case InputTable::CasePointLoads:
    case InputTable::LoadsAnywhere:
      return {2, table == InputTable::CasePointLoads ? 2 : 1, 4};
    case InputTable::Combinations:
      return {2, 1, 2 + 1};
    case InputTable::MovingLoad:
      return {0, 1, 2};
    case InputTable::Axles:
      return {2, 1, 3};
    default:
      return {2, 1, 2};
  }
}

// The two caption rows: the quantities and their units, with the leading blanks of the main
// window's tables, which place them over the right-aligned numbers.
using Captions = std::array<std::array<const char*, 4>, 2>;

Captions CaptionsOf(InputTable table) {
  switch (table) {
    case InputTable::Cases:
      return {{{"  Case", "Name"}, {"", ""}}};
    case InputTable::CaseSectionLoads:
      return {{{" Section", "        Load"}, {"", "       kN/m\u00b2"}}};
    case InputTable::CasePointLoads:
      return {{{"  Point", "         x", "      Force", "     Moment"},
               {"", "         m", "        kN", "        kNm"}}};
    case InputTable::LoadsAnywhere:
      return {{{"  Load", "         x", "      Force", "     Moment"},
               {"", "         m", "        kN", "        kNm"}}};
    case InputTable::Combinations:
      return {{{"  Comb.", "Name"}, {"", ""}}};
    case InputTable::Axles:
      return {{{"  Axle", "        Load", "     Spacing"}, {"", "          kN", "           m"}}};
    case InputTable::SoilFactors:
      return {{{"  No.", "      Factor"}, {"", ""}}};
    default:
      return {};
  }
}

constexpr std::array<const char*, 2> kMovingLoadLabels{
    "Step (m; 0: an element's length)",
    "Rides on combination",
};

}  // namespace

LoadCaseTableModel::LoadCaseTableModel(ProblemData& data, InputTable table, QObject* parent)
    : InputTableModel(data, ShapeOf(table).fixedRows, ShapeOf(table).fixedCols,
                      ShapeOf(table).columns, parent),
      table_(table) {}

int LoadCaseTableModel::wantedRows() const {
  return fixedRows() + EntryCountOf(data_, table_, page_);
}

int LoadCaseTableModel::wantedColumns() const {
  // A combination has a factor for each case.
  if (table_ == InputTable::Combinations) return 2 + data_.loadCases.caseCount;
  return ShapeOf(table_).columns;
}

QString LoadCaseTableModel::cellText(int row, int col) const {
  if (table_ == InputTable::MovingLoad) {
    if (col == 0) return QString::fromUtf8(kMovingLoadLabels[static_cast<std::size_t>(row)]);
  } else if (row < 2) {
    if (table_ == InputTable::Combinations && col >= 2) {
      // Each factor's case: its number, and its name below.
      if (row == 0) return QStringLiteral("Case %1").arg(col - 1);
      return QStringFromCp1252(
          data_.loadCases.cases[static_cast<std::size_t>(col - 2)].name.View());
    }
    return QString::fromUtf8(
        CaptionsOf(table_)[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]);
  } else if (col == 0) {
    // Points are numbered from 0, as in the forces table; every other row from 1.
    const int number = table_ == InputTable::CasePointLoads ? row - 2 : row - 1;
    return QString::fromStdString(FormatText("%6d", number));
  } else if (table_ == InputTable::CasePointLoads && col == 1) {
    return QString::fromStdString(
        FormatText("%12.3f", data_.points[static_cast<std::size_t>(row - 2)].x));
  }
  return QStringFromCp1252(CellText(data_, table_, page_, row, col));
}

bool LoadCaseTableModel::isNumber(int row, int col) const {
  if (table_ == InputTable::MovingLoad) return col == 1 && !IsChoice(table_, row, col);
  return row >= 2 && !HoldsName(table_, col);
}

QString LoadCaseTableModel::cellToolTip(int row, int col) const {
  if (takesInput(row, col) || table_ == InputTable::Axles) return {};
  return QStringLiteral(
      "The first case is the main window's tables: type its loads there, in the sections and "
      "forces tables.");
}

QStringList LoadCaseTableModel::choices(int row, int col) const {
  if (!IsChoice(table_, row, col)) return {};
  QStringList names;
  for (int c = -1; c < data_.loadCases.combinationCount; ++c) {
    names << QStringFromCp1252(RidesOnText(data_, c));
  }
  return names;
}

bool LoadCaseTableModel::namesChoice(int row, int col, const QString& text) const {
  return IsChoice(table_, row, col) && ReadRidesOn(data_, Cp1252FromQString(text)).has_value();
}

bool LoadCaseTableModel::takesInput(int row, int col) const {
  if (row < fixedRows() || col < fixedCols()) return true;
  return TakesInput(data_, table_, page_, row, col);
}

StoredValue LoadCaseTableModel::storedValue(int row, int col) const {
  return ReadCell(data_, table_, page_, row, col);
}

bool LoadCaseTableModel::commitCell(int row, int col, const std::string& typed) {
  return CommitCell(data_, table_, page_, row, col, typed);
}

void LoadCaseTableModel::storeValue(int row, int col, const StoredValue& value) {
  WriteCell(data_, table_, page_, row, col, value);
}

}  // namespace pelvar
