#include "load_cases_window/load_case_cells.h"

#include <algorithm>
#include <cctype>

#include "model/load_cases.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

std::size_t At(int index) { return static_cast<std::size_t>(index); }

// The case page stands for, held within the cases.
int PageOf(int page) { return std::clamp(page, 0, kMaxLoadCases - 1); }

// The count field of a table; null where the table has no count of its own.
int* CountField(ProblemData& data, InputTable table, int page) {
  LoadCases& cases = data.loadCases;
  switch (table) {
    case InputTable::Cases:
      return &cases.caseCount;
    case InputTable::LoadsAnywhere:
      page = PageOf(page);
      return page == 0 ? &data.loadsAnywhereCount : &cases.cases[At(page)].anywhereCount;
    case InputTable::Combinations:
      return &cases.combinationCount;
    case InputTable::Axles:
      return &cases.movingLoad.axleCount;
    case InputTable::SoilFactors:
      return &cases.soilFactorCount;
    default:
      return nullptr;
  }
}

// The number behind a value cell; null for a name or a choice, or a cell outside the table.
double* NumberField(ProblemData& data, InputTable table, int page, int row, int col) {
  LoadCases& cases = data.loadCases;
  const int i = row - 2;
  page = PageOf(page);
  switch (table) {
    case InputTable::CaseSectionLoads:
      if (i < 0 || i >= kMaxSections || col != 1) return nullptr;
      return page == 0 ? &data.sections[At(i)].load : &cases.cases[At(page)].sectionLoad[At(i)];
    case InputTable::CasePointLoads:
      if (i < 0 || i >= kMaxPoints || col < 2 || col > 3) return nullptr;
      if (page == 0) return col == 2 ? &data.points[At(i)].force : &data.points[At(i)].moment;
      return col == 2 ? &cases.cases[At(page)].pointForce[At(i)]
                      : &cases.cases[At(page)].pointMoment[At(i)];
    case InputTable::LoadsAnywhere: {
      if (i < 0 || i >= kMaxLoadsAnywhere || col < 1 || col > 3) return nullptr;
      LoadAnywhere& load =
          page == 0 ? data.loadsAnywhere[At(i)] : cases.cases[At(page)].anywhere[At(i)];
      return col == 1 ? &load.x : col == 2 ? &load.force : &load.moment;
    }
    case InputTable::Combinations:
      if (i < 0 || i >= kMaxCombinations || col < 2 || col - 2 >= kMaxLoadCases) return nullptr;
      return &cases.combinations[At(i)].factor[At(col - 2)];
    case InputTable::MovingLoad:
      return row == static_cast<int>(MovingLoadRow::Step) && col == 1 ? &cases.movingLoad.step
                                                                      : nullptr;
    case InputTable::Axles:
      if (i < 0 || i >= kMaxAxles || col < 1 || col > 2) return nullptr;
      return col == 1 ? &cases.movingLoad.axleLoad[At(i)] : &cases.movingLoad.spacing[At(i)];
    case InputTable::SoilFactors:
      if (i < 0 || i >= kMaxSoilFactors || col != 1) return nullptr;
      return &cases.soilFactors[At(i)];
    default:
      return nullptr;
  }
}

ShortText* NameField(ProblemData& data, InputTable table, int row, int col) {
  const int i = row - 2;
  if (col != 1 || i < 0) return nullptr;
  if (table == InputTable::Cases && i < kMaxLoadCases) return &data.loadCases.cases[At(i)].name;
  if (table == InputTable::Combinations && i < kMaxCombinations) {
    return &data.loadCases.combinations[At(i)].name;
  }
  return nullptr;
}

bool IsRidesOn(InputTable table, int row, int col) {
  return table == InputTable::MovingLoad && row == static_cast<int>(MovingLoadRow::RidesOn) &&
         col == 1;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The value a typed number becomes in its cell.
double Limited(const ProblemData& data, InputTable table, int col, double value) {
  switch (table) {
    case InputTable::LoadsAnywhere:
      // On the beam: a load beyond its ends would act on nothing.
      if (col == 1) return std::min(AtLeast(value, 0.0), BeamLength(data));
      return value;
    case InputTable::Axles:
      return col == 2 ? AtLeast(value, 0.0) : value;
    case InputTable::MovingLoad:
    case InputTable::SoilFactors:
      return AtLeast(value, 0.0);
    default:
      return value;
  }
}

}  // namespace

int MaxRowsOf(InputTable table) {
  switch (table) {
    case InputTable::Cases:
      return kMaxLoadCases;
    case InputTable::CaseSectionLoads:
      return kMaxSections;
    case InputTable::CasePointLoads:
      return kMaxPoints;
    case InputTable::LoadsAnywhere:
      return kMaxLoadsAnywhere;
    case InputTable::Combinations:
      return kMaxCombinations;
    case InputTable::MovingLoad:
      return 2;
    case InputTable::Axles:
      return kMaxAxles;
    case InputTable::SoilFactors:
      return kMaxSoilFactors;
    default:
      return 0;
  }
}

int EntryCountOf(const ProblemData& data, InputTable table, int page) {
  switch (table) {
    case InputTable::CaseSectionLoads:
      return data.sectionCount;
    case InputTable::CasePointLoads:
      return data.sectionCount + 1;
    case InputTable::MovingLoad:
      return 2;
    default:
      break;
  }
  int* count = CountField(const_cast<ProblemData&>(data), table, page);
  return count != nullptr ? std::clamp(*count, 0, MaxRowsOf(table)) : 0;
}

bool HoldsName(InputTable table, int col) {
  return (table == InputTable::Cases || table == InputTable::Combinations) && col == 1;
}

bool IsChoice(InputTable table, int row, int col) { return IsRidesOn(table, row, col); }

bool TakesInput(const ProblemData& data, InputTable table, int page, int row, int col) {
  if (table == InputTable::CaseSectionLoads || table == InputTable::CasePointLoads) {
    return PageOf(page) != 0;
  }
  if (table == InputTable::Axles && col == 2) {
    return row - 2 != data.loadCases.movingLoad.axleCount - 1;
  }
  return true;
}

StoredValue ReadCell(const ProblemData& data, InputTable table, int page, int row, int col) {
  auto& mutableData = const_cast<ProblemData&>(data);
  if (col == kRowCountColumn) {
    const int* count = CountField(mutableData, table, page);
    return {count != nullptr ? static_cast<double>(*count) : 0.0, {}};
  }
  if (IsRidesOn(table, row, col)) {
    const int ride = data.loadCases.movingLoad.combination;
    return {static_cast<double>(ride), RidesOnText(data, ride)};
  }
  if (const ShortText* name = NameField(mutableData, table, row, col)) {
    return {0.0, std::string(name->View())};
  }
  if (const double* number = NumberField(mutableData, table, page, row, col)) {
    return {*number, {}};
  }
  return {};
}

void WriteCell(ProblemData& data, InputTable table, int page, int row, int col,
               const StoredValue& value) {
  if (col == kRowCountColumn) {
    // Only ever a count stored before; held within the table all the same.
    if (int* count = CountField(data, table, page)) {
      const int least = table == InputTable::Cases ? 1 : 0;
      *count = std::clamp(static_cast<int>(value.number), least, MaxRowsOf(table));
    }
    return;
  }
  if (IsRidesOn(table, row, col)) {
    const int ride = static_cast<int>(value.number);
    data.loadCases.movingLoad.combination = ride >= 0 && ride < kMaxCombinations ? ride : -1;
    return;
  }
  if (ShortText* name = NameField(data, table, row, col)) {
    name->Set(value.text);
    return;
  }
  if (double* number = NumberField(data, table, page, row, col)) *number = value.number;
}

bool CommitCell(ProblemData& data, InputTable table, int page, int row, int col,
                std::string_view typed) {
  const StoredValue before = ReadCell(data, table, page, row, col);
  if (IsRidesOn(table, row, col)) {
    data.loadCases.movingLoad.combination = ReadRidesOn(data, typed).value_or(-1);
  } else if (ShortText* name = NameField(data, table, row, col)) {
    name->Set(typed);
  } else if (double* number = NumberField(data, table, page, row, col)) {
    *number = Limited(data, table, col, ReadReal(typed));
  }
  return !(ReadCell(data, table, page, row, col) == before);
}

std::string CellText(const ProblemData& data, InputTable table, int page, int row, int col) {
  if (!TakesInput(data, table, page, row, col) && table == InputTable::Axles) return {};
  const StoredValue value = ReadCell(data, table, page, row, col);
  if (HoldsName(table, col) || IsRidesOn(table, row, col)) return value.text;
  return FormatText("%12.3f", value.number);
}

std::string RidesOnText(const ProblemData& data, int combination) {
  const LoadCases& cases = data.loadCases;
  if (combination < 0 || combination >= cases.combinationCount) return "alone";
  return FormatText("%d %s", combination + 1, cases.combinations[At(combination)].name.View());
}

std::optional<int> ReadRidesOn(const ProblemData& data, std::string_view text) {
  const LoadCases& cases = data.loadCases;
  const std::string_view trimmed = Trimmed(text);
  if (trimmed.empty()) return std::nullopt;
  if (std::isdigit(static_cast<unsigned char>(trimmed.front()))) {
    const int number = ReadInteger(trimmed);
    if (number == 0) return -1;
    if (number <= cases.combinationCount) return number - 1;
    return std::nullopt;
  }
  const std::string lower = Lower(trimmed);
  if (std::string_view("alone").starts_with(lower)) return -1;
  for (int c = 0; c < cases.combinationCount; ++c) {
    if (Lower(cases.combinations[At(c)].name.View()) == lower) return c;
  }
  // The first letters of a name, as a list is chosen from by typing.
  for (int c = 0; c < cases.combinationCount; ++c) {
    if (Lower(cases.combinations[At(c)].name.View()).starts_with(lower)) return c;
  }
  return std::nullopt;
}

}  // namespace pelvar
