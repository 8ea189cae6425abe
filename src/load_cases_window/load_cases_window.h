#pragma once
// The load cases window: the cases with their loads, the combinations of the cases with their
// factors, the moving load and the soil factors, each in a table of the kind the main window
// has, on four pages. It edits the ProblemData the main window owns and records its changes in
// the main window's edit history, so that one Undo takes back the last change wherever it was
// made.
//
// The first case is the main window's tables: its section and point loads show here, grey, and
// are typed there, so that no value of the problem has two places to type it; its loads at any
// x, which no table of the main window holds, are typed here.
//
// The tables keep their names and are public, as on a form: the tests reach them directly.

#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <optional>
#include <vector>

#include "model/problem_data.h"
#include "ui/edit_history.h"

class QAction;
class QFrame;
class QLabel;
class QTabWidget;
class QToolButton;

namespace pelvar {

class Dialogs;
class LoadCaseTableModel;
class StringGrid;

class LoadCasesWindow : public QMainWindow {
  Q_OBJECT
 public:
  LoadCasesWindow(ProblemData& data, EditHistory& history, Dialogs& dialogs,
                  QWidget* parent = nullptr);
  ~LoadCasesWindow() override;

  // The case whose loads the case tables show, counted from 0.
  int currentCase() const { return page_; }
  // Shows what ProblemData holds after the main window changed it (a cell, the number of
  // sections); text typed here and not committed stays.
  void showProblem();
  // Shows ProblemData anew after it was replaced as a whole (New, Open), from the first case.
  void reload();
  // Commits text typed into the table that holds the window's focus, before a command of
  // either window uses ProblemData.
  void commitFocusedTable();
  // Undo and redo: puts back a value a change stored before or after; showChange then shows
  // the tables anew at the first change of the step.
  void restore(const CellChange& change, const StoredValue& value);
  void showChange(const CellChange& change);
  void setUndoEnabled(bool undo, bool redo);
  // Fits the window to the room on its screen, over its owner's window.
  void placeOver(const QWidget* owner);

  StringGrid* tableOf(InputTable table) const;
  // The table of a page that holds the window's focus, or null.
  StringGrid* focusedTable() const;

  QTabWidget* Pages = nullptr;
  StringGrid* CasesGrid = nullptr;
  StringGrid* SectionLoadsGrid = nullptr;
  StringGrid* PointLoadsGrid = nullptr;
  StringGrid* AnywhereGrid = nullptr;
  StringGrid* CombinationsGrid = nullptr;
  StringGrid* MovingLoadGrid = nullptr;
  StringGrid* AxlesGrid = nullptr;
  StringGrid* SoilFactorsGrid = nullptr;
  // Names the case whose loads stand below it.
  QLabel* CaseLoadsLabel = nullptr;
  // Edit: undo and redo (the main window's history), copy and paste of cells, and rows added to
  // or removed from the table with the focus.
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* AddRow1 = nullptr;
  QAction* RemoveRow1 = nullptr;
  QAction* Help1 = nullptr;
  QAction* Close1 = nullptr;

 signals:
  void undoRequested();
  void redoRequested();
  // A value of the problem changed here: results calculated before no longer hold.
  void problemChanged();
  // A step was recorded in the history.
  void historyChanged();

 public slots:
  void Copy1Click();
  void Paste1Click();
  // A row at the end of the table with the focus (a case, a load, a combination, an axle, a soil
  // factor), within the table's limit; Remove takes the current row out, and the rows below
  // move up with what belongs to them: a case's factors in every combination go with it.
  void AddRow1Click();
  void RemoveRow1Click();
  void Help1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct TablePanel {
    QFrame* caption = nullptr;
    StringGrid* grid = nullptr;
  };
  TablePanel makeTable(InputTable table, const QString& caption, const QString& help, bool rows);
  void buildMenu();
  void buildPages();
  void connectGrid(StringGrid* grid);
  LoadCaseTableModel* modelOf(StringGrid* grid) const;
  std::vector<StringGrid*> grids() const;
  // The tables of the page a table stands on, in their order for Tab and Ctrl+Tab.
  std::vector<StringGrid*> pageGrids(StringGrid* grid) const;
  void moveToTable(StringGrid* from, bool backward, bool atEdge);
  // The case tables show case page.
  void showCase(int page);
  void showCaseLabel();
  // Every table follows ProblemData.
  void followAll();
  // Stores a value as one change of the step being recorded.
  void change(InputTable table, int page, int row, int col, const StoredValue& value);
  // The entries of a list table from index `from` on move up by one.
  void shiftUp(InputTable table, int page, int from, int count);
  void copyCase(int from, int to);
  // One more entry at the end of a list table, empty, with what belongs to it.
  void addEntry(InputTable table, int page);
  // Pastes rows of tab-separated cells at the current cell of a table; the reason when nothing
  // is pasted.
  std::optional<QString> pasteBlock(StringGrid* grid, const QList<QStringList>& block);

  ProblemData& data_;
  EditHistory& history_;
  Dialogs& dialogs_;
  int page_ = 0;
};

}  // namespace pelvar
