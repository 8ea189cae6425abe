// The load cases window, opened from the main window by its shortcut and driven by keys: what is
// typed, pasted, added, removed and undone reaches ProblemData::loadCases exactly.

#include "load_cases_window/load_cases_window.h"

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>

#include "support/window_fixture.h"
#include "ui/input_table_models.h"

namespace pelvar {
namespace {

using Kind = ScriptedDialogs::Kind;

class LoadCasesTest : public WindowTest {
 protected:
  // Ctrl+L on the main window, as a user opens it.
  void Open() {
    Press(Qt::Key_L, Qt::ControlModifier);
    cases = form->loadCasesWindow();
    ASSERT_NE(cases, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(cases));
    Settle();
  }
  // The focus to a table that does not have it (its open editor has it where it does).
  void Focus(StringGrid* grid) {
    if (grid->hasActiveFocus()) return;
    grid->setFocus(Qt::TabFocusReason);
    Settle();
  }
  // Puts the focus into a table at a cell, as Tab and the arrows would.
  void Go(StringGrid* grid, int col, int row) {
    Focus(grid);
    grid->setCurrentCell(row, col);
    Settle();
  }
  void Enter(StringGrid* grid, int col, int row, const QString& text) {
    SCOPED_TRACE(text.toStdString());
    Go(grid, col, row);
    Type(grid, text);
    Press(Qt::Key_Return);
  }
  void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    Press(Qt::Key_V, Qt::ControlModifier);
  }
  // Ctrl++ in a table: a row at its end.
  void AddRow(StringGrid* grid) {
    Focus(grid);
    Press(Qt::Key_Plus, Qt::ControlModifier);
  }
  QStringList Messages() const {
    QStringList texts;
    for (const auto& shown : dialogs.shown) texts << shown.text;
    return texts;
  }

  LoadCasesWindow* cases = nullptr;
  LoadCases& loads() { return data->loadCases; }
};

TEST_F(LoadCasesTest, OpensFromTheMenuShortcutWithTheFirstCaseBeingTheMainTables) {
  Open();
  EXPECT_TRUE(cases->isVisible());
  EXPECT_EQ(cases->windowTitle(), "Pelvar - Load cases");
  // It fits its screen, also one of 960 x 540 logical pixels.
  const QRect room = cases->screen()->availableGeometry();
  EXPECT_LE(cases->frameGeometry().width(), room.width());
  EXPECT_LE(cases->frameGeometry().height(), room.height());
  EXPECT_EQ(cases->Pages->count(), 4);
  // The names of the cases have the focus, at the first case's name.
  EXPECT_TRUE(cases->CasesGrid->hasActiveFocus());
  EXPECT_EQ(Current(cases->CasesGrid), QPoint(1, 2));
  EXPECT_EQ(cases->CasesGrid->cellText(1, 2), "Case 1");
  EXPECT_EQ(cases->CaseLoadsLabel->text(),
            "Loads of case 1: Case 1 (its section and point loads are the main window's)");
  // The first case's loads are the tables': shown here, grey, and typed there.
  EXPECT_EQ(cases->SectionLoadsGrid->cellText(1, 2), "      10.000");
  EXPECT_FALSE(cases->SectionLoadsGrid->isEditable(1, 2));
  EXPECT_FALSE(cases->PointLoadsGrid->isEditable(2, 2));
  EXPECT_EQ(cases->PointLoadsGrid->cellText(1, 5), "      30.000");
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->SoilGrid->setFocus(Qt::TabFocusReason);
  Settle();
  form->SoilGrid->setCurrentCell(3, 2);
  Settle();
  Type(form->SoilGrid, "7.25");
  Press(Qt::Key_Return);
  EXPECT_EQ(cases->SectionLoadsGrid->cellText(1, 3), "       7.250");
  // A fourth section in the main window is a row more here.
  form->MainGrid->setFocus(Qt::TabFocusReason);
  Settle();
  form->MainGrid->setCurrentCell(3, 1);
  Settle();
  Type(form->MainGrid, "4");
  Press(Qt::Key_Return);
  EXPECT_EQ(cases->SectionLoadsGrid->rowCount(), 6);
  EXPECT_EQ(cases->PointLoadsGrid->rowCount(), 7);
  // The command on the menu bar again brings the same window to the front.
  Press(Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(form->loadCasesWindow(), cases);
}

TEST_F(LoadCasesTest, TypedCellsReachTheLoadCasesHeldWithinTheirLimits) {
  Open();
  AddRow(cases->CasesGrid);
  ASSERT_EQ(loads().caseCount, 2);
  EXPECT_EQ(loads().cases[1].name.View(), "Case 2");
  // The new case is chosen: its loads stand beside it and take input.
  EXPECT_EQ(cases->currentCase(), 1);
  EXPECT_EQ(Current(cases->CasesGrid), QPoint(1, 3));
  Type(cases->CasesGrid, "Live");
  // Tab past the last name goes on to the case's section loads.
  Press(Qt::Key_Tab);
  EXPECT_EQ(loads().cases[1].name.View(), "Live");
  EXPECT_EQ(cases->CaseLoadsLabel->text(), "Loads of case 2: Live");
  EXPECT_TRUE(cases->SectionLoadsGrid->hasActiveFocus());
  EXPECT_EQ(Current(cases->SectionLoadsGrid), QPoint(1, 2));
  // A name keeps its first 59 bytes.
  Enter(cases->CasesGrid, 1, 3, QString(70, QLatin1Char('n')));
  EXPECT_EQ(loads().cases[1].name.View(), std::string(59, 'n'));
  Enter(cases->CasesGrid, 1, 3, QStringLiteral("Live \u00b2"));
  EXPECT_EQ(loads().cases[1].name.View(), "Live \xb2");
  // Enter went on from the last case to the first; the second is chosen again.
  EXPECT_EQ(cases->currentCase(), 0);
  Go(cases->CasesGrid, 1, 3);
  EXPECT_EQ(cases->currentCase(), 1);

  Enter(cases->SectionLoadsGrid, 1, 3, "12.5");
  EXPECT_EQ(loads().cases[1].sectionLoad[1], 12.5);
  EXPECT_EQ(cases->SectionLoadsGrid->cellText(1, 3), "      12.500");
  Enter(cases->PointLoadsGrid, 2, 2, "-25.5");
  Enter(cases->PointLoadsGrid, 3, 5, "1e3abc");
  EXPECT_EQ(loads().cases[1].pointForce[0], -25.5);
  EXPECT_EQ(loads().cases[1].pointMoment[3], 1000.0);
  EXPECT_EQ(cases->PointLoadsGrid->cellText(2, 2), "     -25.500");
  // The first case's tables are untouched.
  EXPECT_EQ(data->points[0].force, 0.0);
  EXPECT_EQ(data->sections[1].load, 10.0);

  // Loads anywhere: Ctrl+Tab enters the empty table, Ctrl++ gives it rows, and x lies on the
  // 30 m beam.
  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(cases->AnywhereGrid->hasActiveFocus());
  Press(Qt::Key_Plus, Qt::ControlModifier);
  AddRow(cases->AnywhereGrid);
  ASSERT_EQ(loads().cases[1].anywhereCount, 2);
  Enter(cases->AnywhereGrid, 1, 2, "-3");
  Enter(cases->AnywhereGrid, 1, 3, "1e9");
  Enter(cases->AnywhereGrid, 2, 3, "40");
  Enter(cases->AnywhereGrid, 3, 3, "abc");
  EXPECT_EQ(loads().cases[1].anywhere[0].x, 0.0);
  EXPECT_EQ(cases->AnywhereGrid->cellText(1, 2), "       0.000");
  EXPECT_EQ(loads().cases[1].anywhere[1].x, 30.0);
  EXPECT_EQ(loads().cases[1].anywhere[1].force, 40.0);
  EXPECT_EQ(loads().cases[1].anywhere[1].moment, 0.0);
  // The first case's loads anywhere are ProblemData's own.
  Go(cases->CasesGrid, 1, 2);
  AddRow(cases->AnywhereGrid);
  Enter(cases->AnywhereGrid, 1, 2, "12.75");
  EXPECT_EQ(data->loadsAnywhereCount, 1);
  EXPECT_EQ(data->loadsAnywhere[0].x, 12.75);
  EXPECT_EQ(loads().cases[0].anywhereCount, 0);

  // Combinations: a name and a factor per case.
  Press(Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(cases->Pages->currentIndex(), 1);
  AddRow(cases->CombinationsGrid);
  ASSERT_EQ(loads().combinationCount, 1);
  EXPECT_EQ(cases->CombinationsGrid->columnCount(), 4);
  EXPECT_EQ(cases->CombinationsGrid->cellText(3, 0), "Case 2");
  EXPECT_EQ(cases->CombinationsGrid->cellText(3, 1), "Live \u00b2");
  Enter(cases->CombinationsGrid, 1, 2, "ULS");
  Enter(cases->CombinationsGrid, 2, 2, "1.35");
  Enter(cases->CombinationsGrid, 3, 2, "-1.5");
  EXPECT_EQ(loads().combinations[0].name.View(), "ULS");
  EXPECT_EQ(loads().combinations[0].factor[0], 1.35);
  EXPECT_EQ(loads().combinations[0].factor[1], -1.5);
  EXPECT_EQ(cases->CombinationsGrid->cellText(2, 2), "       1.350");

  // The moving load: its step at least 0, the combination it rides on by number or name, its
  // axles' spacings at least 0 and none behind the last axle.
  Press(Qt::Key_M, Qt::AltModifier);
  Enter(cases->MovingLoadGrid, 1, 0, "-2");
  EXPECT_EQ(loads().movingLoad.step, 0.0);
  Enter(cases->MovingLoadGrid, 1, 0, "0.5");
  EXPECT_EQ(loads().movingLoad.step, 0.5);
  cases->MovingLoadGrid->setCurrentCell(1, 1);
  Settle();
  Press(Qt::Key_1);
  EXPECT_EQ(loads().movingLoad.combination, 0);
  EXPECT_EQ(EditorText(cases->MovingLoadGrid), "1 ULS");
  Press(Qt::Key_A);
  EXPECT_EQ(loads().movingLoad.combination, -1);
  AddRow(cases->AxlesGrid);
  AddRow(cases->AxlesGrid);
  ASSERT_EQ(loads().movingLoad.axleCount, 2);
  Enter(cases->AxlesGrid, 1, 2, "100");
  Enter(cases->AxlesGrid, 2, 2, "-1");
  EXPECT_EQ(loads().movingLoad.axleLoad[0], 100.0);
  EXPECT_EQ(loads().movingLoad.spacing[0], 0.0);
  EXPECT_FALSE(cases->AxlesGrid->isEditable(2, 3));
  EXPECT_EQ(cases->AxlesGrid->cellText(2, 3), "");

  // Soil factors start at 1 and are at least 0.
  Press(Qt::Key_S, Qt::AltModifier);
  AddRow(cases->SoilFactorsGrid);
  AddRow(cases->SoilFactorsGrid);
  ASSERT_EQ(loads().soilFactorCount, 2);
  EXPECT_EQ(loads().soilFactors[1], 1.0);
  Enter(cases->SoilFactorsGrid, 1, 2, "-0.5");
  Enter(cases->SoilFactorsGrid, 1, 3, "2");
  EXPECT_EQ(loads().soilFactors[0], 0.0);
  EXPECT_EQ(loads().soilFactors[1], 2.0);
  // Beyond the limit nothing is added, and a message says so.
  for (int i = 0; i < kMaxSoilFactors; ++i) AddRow(cases->SoilFactorsGrid);
  EXPECT_EQ(loads().soilFactorCount, kMaxSoilFactors);
  EXPECT_EQ(Messages().back(), "Nothing added: a problem has at most 10 soil factors.");
  EXPECT_EQ(cases->SoilFactorsGrid->rowCount(), kMaxSoilFactors + 2);
}

TEST_F(LoadCasesTest, UndoPasteAndRemovalKeepEveryFactorWithItsCase) {
  Open();
  AddRow(cases->CasesGrid);
  AddRow(cases->CasesGrid);
  ASSERT_EQ(loads().caseCount, 3);
  // Only the new case's name is selected, for a copy, though Ctrl was down.
  EXPECT_EQ(cases->CasesGrid->selectionModel()->selectedIndexes(),
            QModelIndexList({cases->CasesGrid->model()->index(4, 1)}));
  Enter(cases->SectionLoadsGrid, 1, 2, "3");  // case 3's
  // A block goes into the beam's sections and no further: the table does not grow.
  Go(cases->SectionLoadsGrid, 1, 3);
  Paste("5\n6\n7\n");
  EXPECT_EQ(Messages().back(),
            "Nothing pasted: the clipboard holds 3 rows, and from here the table takes 2.");
  EXPECT_EQ(loads().cases[2].sectionLoad[1], 0.0);
  Paste("5\n6\n");
  EXPECT_EQ(loads().cases[2].sectionLoad[1], 5.0);
  EXPECT_EQ(loads().cases[2].sectionLoad[2], 6.0);
  EXPECT_EQ(data->sectionCount, 3);
  Press(Qt::Key_O, Qt::AltModifier);
  AddRow(cases->CombinationsGrid);
  AddRow(cases->CombinationsGrid);
  // A block from a spreadsheet: a row per combination, the name and a factor per case.
  Go(cases->CombinationsGrid, 1, 2);
  Paste("Dead\t1\t2\t3\r\nAll\t4\t5\t6\r\nThird\t7\t8\t9\r\n");
  ASSERT_EQ(loads().combinationCount, 3);
  EXPECT_EQ(loads().combinations[2].name.View(), "Third");
  EXPECT_EQ(loads().combinations[1].factor[2], 6.0);
  EXPECT_EQ(cases->CombinationsGrid->cellText(4, 4), "       9.000");
  // A block with text where a number goes, or beyond the table, is not pasted at all.
  Paste("x\t1\t2\tseven\n");
  EXPECT_EQ(Messages().back(),
            "Nothing pasted: \"seven\" in row 1, column 4 of the clipboard is not a number.");
  Paste("a\t1\t2\t3\t4\n");
  EXPECT_EQ(Messages().back(),
            "Nothing pasted: the clipboard holds 5 columns, and from the column \"Name\" on the "
            "table has 4.");
  EXPECT_EQ(loads().combinations[0].name.View(), "Dead");
  // The paste is one step: undone whole, the added row with it.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(loads().combinationCount, 2);
  EXPECT_EQ(loads().combinations[0].name.View(), "Combination 1");
  EXPECT_EQ(loads().combinations[1].factor[2], 0.0);
  EXPECT_EQ(cases->CombinationsGrid->rowCount(), 4);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(loads().combinationCount, 3);
  EXPECT_EQ(loads().combinations[1].factor[2], 6.0);

  // The moving load rides on the third combination; the second goes, and it still does.
  Press(Qt::Key_M, Qt::AltModifier);
  Go(cases->MovingLoadGrid, 1, 1);
  Press(Qt::Key_T);
  EXPECT_EQ(loads().movingLoad.combination, 2);
  Press(Qt::Key_O, Qt::AltModifier);
  Go(cases->CombinationsGrid, 2, 3);
  Press(Qt::Key_Minus, Qt::ControlModifier);
  ASSERT_EQ(loads().combinationCount, 2);
  EXPECT_EQ(loads().combinations[1].name.View(), "Third");
  EXPECT_EQ(loads().movingLoad.combination, 1);

  // Case 2 goes: case 3 takes its place with its loads, and every combination's factor of case
  // 3 moves with it; no factor of case 2 is left behind.
  Press(Qt::Key_C, Qt::AltModifier);
  Go(cases->CasesGrid, 1, 3);
  Press(Qt::Key_Minus, Qt::ControlModifier);
  ASSERT_EQ(loads().caseCount, 2);
  EXPECT_EQ(loads().cases[1].name.View(), "Case 3");
  EXPECT_EQ(loads().cases[1].sectionLoad[0], 3.0);
  EXPECT_EQ(loads().combinations[0].factor[0], 1.0);
  EXPECT_EQ(loads().combinations[0].factor[1], 3.0);
  EXPECT_EQ(loads().combinations[1].factor[1], 9.0);
  EXPECT_EQ(loads().combinations[1].factor[2], 0.0);
  EXPECT_EQ(cases->CombinationsGrid->columnCount(), 4);
  EXPECT_EQ(cases->CombinationsGrid->cellText(3, 3), "       9.000");
  // Its width is that of the columns it has: number, name and two factors, with their grid
  // lines and the frame, and nothing kept for the column that is gone.
  EXPECT_EQ(cases->CombinationsGrid->widthWithin(100000), 51 + 151 + 91 + 91 + 1);
  // The first case stays.
  Go(cases->CasesGrid, 1, 2);
  Press(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(loads().caseCount, 2);
  EXPECT_EQ(Messages().back(),
            "The first case is the main window's tables and stays; its loads are cleared "
            "there.");
  // Undone, case 2 is back with its own factors, from either window's Undo.
  Press(Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(loads().caseCount, 3);
  EXPECT_EQ(loads().cases[1].name.View(), "Case 2");
  EXPECT_EQ(loads().cases[2].sectionLoad[0], 3.0);
  EXPECT_EQ(loads().combinations[1].factor[1], 8.0);
  EXPECT_EQ(loads().combinations[1].factor[2], 9.0);
  form->Undo1Click();
  EXPECT_EQ(loads().combinationCount, 3);
  EXPECT_EQ(loads().movingLoad.combination, 2);
  EXPECT_EQ(cases->CombinationsGrid->cellText(1, 3), "All");
  // Results calculated before an edit here are gone with it.
  data->resultsAvailable = true;
  form->Redo1Click();
  EXPECT_FALSE(data->resultsAvailable);
  // New: the window shows the new problem's one case, and nothing is left to undo.
  form->SpeedButtonNewClick();
  EXPECT_EQ(cases->CasesGrid->rowCount(), 3);
  EXPECT_EQ(cases->CombinationsGrid->rowCount(), 2);
  EXPECT_EQ(cases->CombinationsGrid->columnCount(), 3);
  EXPECT_EQ(cases->currentCase(), 0);
  EXPECT_FALSE(cases->Undo1->isEnabled());
}

}  // namespace
}  // namespace pelvar
