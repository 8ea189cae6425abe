#pragma once
// TFormPelv, the main window: tool bar, menu, caption panels, the three input tables that commit
// cell by cell into the one ProblemData, the help texts, and the commands: Calculate with its
// results picture, Open, Save, New and Print.
//
// form_layout.cpp builds the window (menu, tool bar, panels, tables) and places its controls at
// each size; form_pelv.cpp holds its events and commands. Each table is a StringGrid over a
// model of its own (input_table_models.h) that commits a cell into ProblemData; the window says
// when a cell is committed and what else a commit changes.
//
// The controls keep their component names and are public, as on a form: the tests reach them
// directly. Event handlers are public slots with their given names.

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "analysis/calculation.h"
#include "desktop/dialogs.h"
#include "model/problem_data.h"
#include "ui/edit_history.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QModelIndex;
class QToolButton;

namespace pelvar {

class ClientArea;
class LoadCasesWindow;
class ResultsWindow;
class StringGrid;

class TFormPelv : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFormPelv(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TFormPelv() override;

  ProblemData& problemData() { return data_; }
  // The results window, once the Results command has opened it.
  ResultsWindow* resultsWindow() const { return resultsWindow_; }
  // The load cases window, once the Load cases command has opened it.
  LoadCasesWindow* loadCasesWindow() const { return loadCasesWindow_; }

  // The client area: the central widget, below the menu bar.
  ClientArea* clientArea() const { return clientArea_; }
  QSize clientSize() const;
  void setClientSize(int width, int height);

  // The cells committed at the next change of each table's current cell, as (col, row).
  int mainGridTrackedRow() const;
  QPoint soilGridTrackedCell() const;
  QPoint forcesGridTrackedCell() const;

  // The six controls of the input, in the order the results picture hides them.
  QList<QWidget*> inputControls() const;

  // Tool bar.
  QFrame* PanelMain = nullptr;
  QToolButton* SpeedButtonOpen = nullptr;
  QToolButton* SpeedButtonNew = nullptr;
  QToolButton* SpeedButtonSave = nullptr;
  QToolButton* SpeedButtonPrint = nullptr;
  QToolButton* SpeedButtonCalc = nullptr;
  // Soil that takes no tension: pressed while the option is on. NoTension1 is its action.
  QToolButton* SpeedButtonNoTension = nullptr;
  QToolButton* SpeedButtonHelp = nullptr;
  // After a calculation whose answer is far from the exact continuous beam: the warning.
  QLabel* LabelAccuracy = nullptr;
  // General data.
  QFrame* PanelGeneral = nullptr;
  QLabel* LabelGeneral = nullptr;
  QToolButton* GeneralHelp = nullptr;
  StringGrid* MainGrid = nullptr;
  // Sections.
  QFrame* PanelSections = nullptr;
  QLabel* Label1 = nullptr;
  QToolButton* SectionsHelp = nullptr;
  StringGrid* SoilGrid = nullptr;
  // Forces.
  QFrame* PanelForces = nullptr;
  QLabel* LabelSteps = nullptr;
  QToolButton* StepsHelp = nullptr;
  StringGrid* ForcesGrid = nullptr;
  // The off-screen drawing surface of the results picture, as large as the screen.
  QImage ImageResults;
  // Menu.
  QMenu* File1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* New1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* Print1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Quit1 = nullptr;
  // Edit: undo and redo of what the tables committed, copy and paste of their cells.
  QMenu* Edit1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* N2 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  // Options: the problem's options beside the tables, each checked while it is on.
  QMenu* Options1 = nullptr;
  QAction* NoTension1 = nullptr;  // soil takes no tension; the tool button's action as well
  QAction* Help1 = nullptr;
  QAction* Results1 = nullptr;  // opens the results window; enabled while results are available
  // Opens the load cases window: cases, combinations, the moving load and the soil factors.
  QAction* LoadCases1 = nullptr;
  // F9 runs Calculate: an action of the window itself, in no menu.
  QAction* Calculate1 = nullptr;
  // What the file dialogs start with: initial folder and proposed name change at run time.
  FileDialogSettings OpenDialog1;
  FileDialogSettings SaveDialog1;
  // The printed report's fonts: bold 13 px and regular 11 px.
  QFont FontDialog1;
  QFont FontDialog2;

 public slots:
  void FormCreate();
  void FormActivate();
  void FormResize();
  void FormMouseMove();
  // A key pressed on the window's own surface (not a modifier alone) acts as a mouse movement.
  void FormKeyPress(int key);

  void SpeedButtonOpenClick();
  void SpeedButtonNewClick();
  void SpeedButtonSaveClick();
  void SpeedButtonPrintClick();
  void SpeedButtonCalcClick();
  // Sets ProblemData::noTension as the button now shows it.
  void SpeedButtonNoTensionClick();
  void SpeedButtonHelpClick();
  void GeneralHelpClick();
  void SectionsHelpClick();
  void StepsHelpClick();

  void Open1Click();
  void New1Click();
  void Save1Click();
  void Print1Click();
  void Quit1Click();
  void Help1Click();
  void Results1Click();
  void LoadCases1Click();
  // Like every command, each commits the text being typed into the table with the focus first.
  void Undo1Click();
  void Redo1Click();
  // The selected cells of the table with the focus as rows of tab-separated values, each row
  // ending in a newline, as a spreadsheet copies them; the values as stored, in full.
  void Copy1Click();
  // Such a block from the clipboard into the table with the focus, from its current cell on:
  // all of it through the input rules, or nothing and one message saying why.
  void Paste1Click();

  // Select-cell handlers: commit the tracked cell and track the new one (col, row).
  void MainGridSelectCell(int col, int row);
  void SoilGridSelectCell(int col, int row);
  void ForcesGridSelectCell(int col, int row);
  void SoilGridEnter();
  void ForcesGridEnter();
  // The focus went from a table to another control of the window: text typed into the tracked
  // cell is committed as a move within the table would commit it.
  void MainGridExit();
  void SoilGridExit();
  void ForcesGridExit();
  // Only the Enter key (character 13) does anything.
  void MainGridKeyPress(int key);
  void SoilGridKeyPress(int key);
  void ForcesGridKeyPress(int key);

  void FillGeneralGrid();
  void BuildSectionsGrid();
  void BuildForcesGrid();
  // Shows ProblemData anew in all three tables after it was replaced as a whole (Open): text
  // typed but never committed is dropped, and no cell left behind by the rebuild is committed
  // over the new data.
  void ReloadGrids();
  // Open after its dialog: reads the data file at path into the window, or shows why the file
  // is refused and changes nothing. The command line's file takes the same road. The path is
  // the system's bytes, as a file's name may be in any encoding.
  void OpenProblemFile(const std::string& path);

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The Edit menu and the history of the tables' changes (form_edit.cpp).
  void buildEditMenu();
  void connectEditHistory();
  void editHistoryChanged();
  // The table that holds the window's focus, or null.
  StringGrid* focusedTable() const;
  StringGrid* tableOf(InputTable table) const;
  // Puts the values of a step back: before it (undo, last change first) or after it (redo).
  void applyStep(const EditStep& step, bool undo);
  // Pastes rows of tab-separated cells at the current cell of a table; the reason when nothing
  // is pasted.
  std::optional<QString> pasteBlock(StringGrid* grid, const QList<QStringList>& block);

  // Building and geometry (form_layout.cpp).
  void buildMenu();
  void buildControls();
  void centreOnScreen();
  // The largest client area whose window, frame and menu bar included, stays within the room
  // the screen has for windows; and the least one FormResize keeps, 600 x 400 as far as that
  // room holds it.
  QSize clientRoom() const;
  QSize leastClientSize() const;
  // 750 x 550, or less where the screen has no room for that (start-up and New).
  void resetClientSize();
  // Shrinks a window larger than the room on its screen to that room.
  void keepOnScreen();
  void placeToolBarItems();
  // The tables' sizes and places; what they show is their models' part.
  void layOutGeneralGrid();
  void layOutSectionsGrid();
  void layOutForcesGrid();
  // The results picture's surface as large as the screen in its device pixels.
  void fitResultsImageToScreen();

  // What a committed cell changes beyond itself: the dialogs' proposed name, the sections and
  // forces tables for a new number of sections, the points' positions, the results.
  void generalDataCommitted(const QModelIndex& cell, bool changed);
  void sectionCommitted(const QModelIndex& cell, bool changed);
  void forceCommitted(const QModelIndex& cell, bool changed);
  // Commits text typed into the tracked cell of the table holding the focus, as a move within
  // that table would, before a command uses ProblemData.
  void commitFocusedTable();
  // Closes the tables' editors and drops every text typed and not committed, before ProblemData
  // is replaced as a whole.
  void dropTypedText();
  // resultsAvailable is cleared, and the picture of those results goes with it; the results
  // window is told. A commit does this only when it changed what is stored.
  void dropResults();
  // What the file dialogs propose: the name of the file last opened or saved while fileName
  // still stands for it, else the name part of fileName.
  QString proposedFileName() const;
  // What the print dialog proposes for printing into a file: the data file worked on with
  // ".pdf" in place of ".plv", beside it; else the name the file dialogs propose, so changed, in
  // the folder the save dialog starts in.
  QString proposedReportFile() const;
  // The data file worked on from now, the one last opened or saved; empty for none (New).
  void rememberFile(const std::string& path);
  // Tab and Ctrl+Tab from one table to the next (backward: the previous), at its first (last)
  // value cell when atEdge, else at the cell it tracks.
  void moveToTable(StringGrid* from, bool backward, bool atEdge);
  void moveCurrentCellInto(StringGrid* grid, int rowCount);
  // The picture and the input never show together. hideInput hides the six input controls
  // for the picture, in the order of inputControls(); showInput erases the picture, shows them
  // all and gives the focus back to the table that had it before.
  void hideInput();
  void showInput();
  // Draws the picture of the results the results window shows (the first case's until it is
  // first opened) and shows it in place of the input.
  void showResultsPicture();
  // Keeps the Results command and the results window in step with resultsAvailable.
  void resultsChanged();
  // Shows the accuracy warning of the results on the tool bar while they are available.
  void showAccuracyWarning();
  // Shows the problem's options as ProblemData holds them, after it was replaced (New, Open).
  void showOptions();

  Dialogs& dialogs_;
  ProblemData data_;
  EditHistory history_;
  std::unique_ptr<AnalysisWorkspace> workspace_;
  ClientArea* clientArea_ = nullptr;
  StringGrid* focusBeforePicture_ = nullptr;    // the table that had the focus before the picture
  ResultsWindow* resultsWindow_ = nullptr;      // made when first opened
  LoadCasesWindow* loadCasesWindow_ = nullptr;  // likewise

  bool shownBefore_ = false;
  // Until the window manager has put its frame around the window, the frame's size is not known
  // and the window is centred once more when it is.
  bool framePending_ = false;
  // The path of the file last opened or saved, as the system's bytes, and the fileName that
  // stood for it then: the stored name may have lost characters the code page lacks, or those
  // beyond its length.
  std::string filePath_;
  ShortText filePathName_;
};

}  // namespace pelvar
