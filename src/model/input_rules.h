#pragma once
// How a typed cell of the input tables becomes data: the text (Windows-1252 bytes) is read,
// held within the limits of ProblemData, and shown again in the cell's own format. The window
// commits through these rules and fills its tables with the same formats.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/problem_data.h"

namespace pelvar {

// The rows of the general data table, by their row in the table.
enum class GeneralRow {
  LicensedUser = 0,
  FileName = 1,
  ProblemName = 2,
  SectionCount = 3,
  ElementCount = 4,
  StiffnessEI = 5,
  BeamWidth = 6,
};

// The value columns of the sections table. EI and width are the section's own where it has
// them, else the cells show the general data's.
enum class SectionColumn { Length = 1, Load = 2, Spring = 3, StiffnessEI = 4, Width = 5 };
// The columns of the forces table; x follows from the lengths and is never typed. After the
// loads, the point's support: its kind, its translational and rotational springs, and the
// displacement and rotation it prescribes.
enum class PointColumn {
  X = 1,
  Force = 2,
  Moment = 3,
  Support = 4,
  Spring = 5,
  RotationalSpring = 6,
  Displacement = 7,
  Rotation = 8,
};
inline constexpr int kPointColumns = 9;  // with the point's number

// A typed name (the user, the file, the problem) keeps at most its first 40 bytes, well within
// the 59 that ProblemData holds, and nothing from its first comma on, where the data file ends a
// text.
inline constexpr std::size_t kMaxTypedText = 40;

// The part of a name that a data file keeps: a text there ends at its first comma. For the
// names a Save gives the problem, which no table has cut.
std::string_view NameAsFileKeepsIt(std::string_view name);

// What a committed cell leaves behind.
struct CommittedCell {
  double value = 0.0;  // the number stored; a count is a whole number (unused for a name)
  std::string text;    // what the cell shows; for a name also the bytes stored
};

// stored is the text the row holds now: a name left as it stands keeps all it has, for one that
// came from a file or from Save may be longer than a typed one.
CommittedCell CommitGeneralCell(GeneralRow row, std::string_view typed,
                                std::string_view stored = {});
// A section's own EI or width typed as 0, left blank or without a number goes back to the
// general data's value: value is then 0 and text the general value as the cell shows it.
CommittedCell CommitSectionCell(const ProblemData& data, SectionColumn column,
                                std::string_view typed);
// A support's kind is its name, a name's first letters, or its code, in either case and with
// blanks around it; text that names no kind commits as none, as text without a number reads 0.
CommittedCell CommitPointCell(PointColumn column, std::string_view typed);

// The kind a text names, as CommitPointCell reads it; nothing where it names none of them.
std::optional<SupportKind> ReadSupportKind(std::string_view text);
// Whether a support uses the value of a column: the springs only an elastic one, the
// displacement where w is held, the rotation where the slope is held.
bool UsesPointColumn(SupportKind kind, PointColumn column);

// The texts the tables show for what ProblemData holds.
std::string GeneralCellText(const ProblemData& data, GeneralRow row);
std::string RowNumberText(int number);  // the numbers of the sections and the points
std::string SectionCellText(const ProblemData& data, int section, SectionColumn column);
// Whether the cell of a section stands for a value the section does not have of its own.
bool ShowsGeneralValue(const SectionRow& section, SectionColumn column);
// Blank where the point's support does not use the column.
std::string PointCellText(const PointLoadRow& point, PointColumn column);

}  // namespace pelvar
