#pragma once
// The undo and redo history of the input tables: each step is the committed changes of one
// edit (a cell typed, or a whole paste), with the stored values before and after, so that an
// undo puts back exactly what was stored, not what a cell showed of it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace pelvar {

// The main window's three tables, and the tables of the load cases window.
enum class InputTable {
  General,
  Sections,
  Forces,
  Cases,
  CaseSectionLoads,
  CasePointLoads,
  LoadsAnywhere,
  Combinations,
  MovingLoad,
  Axles,
  SoilFactors,
};

// The column of a change to a table's number of rows (a case, a combination, an axle added or
// removed), whose values are the counts before and after.
inline constexpr int kRowCountColumn = -1;

// A value as ProblemData stores it: a number (a count is a whole number) or a name's bytes.
struct StoredValue {
  double number = 0.0;
  std::string text;
  bool operator==(const StoredValue&) const = default;
};

struct CellChange {
  InputTable table = InputTable::General;
  int row = 0;
  int col = 0;
  StoredValue before;
  StoredValue after;
  // The case whose loads a change of a case's tables is, counted from 0; 0 for other tables.
  int page = 0;
};

using EditStep = std::vector<CellChange>;

class EditHistory {
 public:
  // A committed change: a step of its own, or part of the group open. A new change ends what
  // could be redone.
  void record(const CellChange& change);
  // The changes recorded until endGroup make one step, as the cells of one paste. Groups may
  // stand within each other (a cell of a paste that changes others of its row): the outermost
  // makes the step.
  void beginGroup();
  void endGroup();

  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  // The step to undo (its changes are put back last first) or to redo (first first); it moves
  // to the other list.
  std::optional<EditStep> takeUndo();
  std::optional<EditStep> takeRedo();
  // A new or opened problem has no history.
  void clear();

  // The oldest steps go beyond this many.
  static constexpr std::size_t kMaxSteps = 1000;

 private:
  // A new step: what was undone can no longer be redone.
  void push(EditStep step);
  // The last step of from, moved onto to.
  static std::optional<EditStep> move(std::vector<EditStep>& from, std::vector<EditStep>& to);

  std::vector<EditStep> undo_;
  std::vector<EditStep> redo_;
  std::optional<EditStep> group_;
  int groupDepth_ = 0;
};

}  // namespace pelvar
