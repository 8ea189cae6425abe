// Typing into the three tables and committing cell by cell: Enter, Tab, arrow keys and clicks,
// clamping, the rebuilds, and the cases where typed text is not committed.

#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>

#include "support/window_fixture.h"
#include "ui/client_area.h"
#include "ui/input_table_models.h"

namespace pelvar {
namespace {

class GridInputTest : public WindowTest {
 protected:
  // Types into the current cell of the general data table and commits it with Enter.
  void EnterGeneral(int row, const QString& text) {
    form->MainGrid->setCurrentCell(row, 1);
    Type(form->MainGrid, text);
    Press(Qt::Key_Return);
  }
  // The tool tip a resting mouse gets over a cell.
  static QString toolTip(StringGrid* grid, int col, int row) {
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    const QPoint at = grid->visualRect(grid->model()->index(row, col)).center();
    QHelpEvent help(QEvent::ToolTip, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  }
};

TEST_F(GridInputTest, GeneralDataEnterMovesDownAndCommitsWithClamping) {
  StringGrid* grid = form->MainGrid;
  // File name: any text, at most 40 characters; the dialogs propose it.
  Type(grid, "Pile.plv");
  Press(Qt::Key_Return);
  EXPECT_EQ(Current(grid), QPoint(1, 2));
  EXPECT_EQ(data->fileName.View(), "Pile.plv");
  EXPECT_EQ(form->OpenDialog1.fileName, "Pile.plv");
  EXPECT_EQ(form->SaveDialog1.fileName, "Pile.plv");
  EXPECT_EQ(EditorText(grid), "Demonstration Problem");

  // A 45-character problem name keeps its first 40; non-Windows-1252 characters become "?",
  // and the limit counts the stored bytes.
  Type(grid, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghi");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->problemName.View(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
  EXPECT_EQ(grid->cellText(1, 2), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");

  // Number of sections: 3.7 stores 3, so nothing is rebuilt; the cell shows "%6d".
  Type(grid, "3.7");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(grid->cellText(1, 3), "     3");
  EXPECT_EQ(Current(grid), QPoint(1, 4));

  // Number of elements: 5 stores 10.
  Type(grid, "5");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->elementCount, 10);
  EXPECT_EQ(grid->cellText(1, 4), "    10");

  // EI: 1e7, shown with one decimal in 12 characters.
  Type(grid, "1e7");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->stiffnessEI, 1e7);
  EXPECT_EQ(grid->cellText(1, 5), "  10000000.0");

  // Width: 0.0005 stores 0.001; Enter in the last row goes back to row 1.
  Type(grid, "0.0005");
  data->resultsAvailable = true;
  Press(Qt::Key_Return);
  EXPECT_EQ(data->beamWidth, 0.001);
  EXPECT_EQ(grid->cellText(1, 6), "       0.001");
  EXPECT_EQ(Current(grid), QPoint(1, 1));
  EXPECT_EQ(form->mainGridTrackedRow(), 1);
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_EQ(EditorText(grid), "Pile.plv");
}

TEST_F(GridInputTest, TypedTextIsStoredAsWindows1252Bytes) {
  StringGrid* grid = form->MainGrid;
  grid->setCurrentCell(2, 1);
  // "€" and "é" have a byte of their own; "Ω" has none and becomes "?".
  Type(grid, QStringLiteral("Pfahl Ω 5 € é"));
  Press(Qt::Key_Return);
  EXPECT_EQ(data->problemName.View(), "Pfahl ? 5 \x80 \xE9");
  EXPECT_EQ(grid->cellText(1, 2), QStringLiteral("Pfahl ? 5 € é"));

  // The limit of 40 counts stored bytes: 45 "é" keep 40.
  grid->setCurrentCell(1, 1);
  Type(grid, QString(45, QChar(0xE9)));
  Press(Qt::Key_Return);
  EXPECT_EQ(data->fileName.View(), std::string(40, '\xE9'));
  EXPECT_EQ(grid->cellText(1, 1), QString(40, QChar(0xE9)));
  EXPECT_EQ(form->SaveDialog1.fileName, QString(40, QChar(0xE9)));
}

TEST_F(GridInputTest, GeneralDataClampsEveryRow) {
  // Each row commits through its own rule into its own field.
  struct Case {
    int row;
    const char* typed;
    QString shown;
  };
  const std::vector<Case> cases = {
      {3, " 12xyz", "    12"},
      {4, "2000", "  1000"},
      {5, "abc", "         0.1"},
      {6, "-1", "       0.001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EnterGeneral(c.row, QString::fromLatin1(c.typed));
    EXPECT_EQ(form->MainGrid->cellText(1, c.row), c.shown);
  }
  EXPECT_EQ(data->sectionCount, 12);
  EXPECT_EQ(data->elementCount, 1000);
  EXPECT_EQ(data->stiffnessEI, 0.1);
  EXPECT_EQ(data->beamWidth, 0.001);
}

TEST_F(GridInputTest, TabAndArrowsCommitTheCellLeft) {
  StringGrid* grid = form->MainGrid;
  grid->setCurrentCell(5, 1);
  Type(grid, "-5");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->stiffnessEI, 0.1);
  EXPECT_EQ(Current(grid), QPoint(1, 6));
  Type(grid, "3");
  Press(Qt::Key_Up);
  EXPECT_EQ(data->beamWidth, 3.0);
  EXPECT_EQ(Current(grid), QPoint(1, 5));
  Type(grid, "77");
  Press(Qt::Key_Down);
  EXPECT_EQ(data->stiffnessEI, 77.0);
  // Tab past the last cell goes on at the first value cell of the sections, Shift+Tab back at
  // the last cell of the general data.
  Press(Qt::Key_Tab);
  EXPECT_TRUE(form->SoilGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->SoilGrid), QPoint(1, 2));
  EXPECT_EQ(EditorText(form->SoilGrid), "      10.000");
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(grid->hasActiveFocus());
  EXPECT_EQ(Current(grid), QPoint(1, 6));
  // Up from the first value row stays: the fixed row cannot become current.
  grid->setCurrentCell(1, 1);
  Press(Qt::Key_Up);
  EXPECT_EQ(Current(grid), QPoint(1, 1));

  // Sections: Tab goes along the row, its EI and width scrolling into view, and on to the next
  // row; an arrow key commits too.
  ClickCell(form->SoilGrid, 3, 3);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(3, 3));
  Type(form->SoilGrid, "-1");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].spring, 0.0);
  EXPECT_EQ(form->SoilGrid->cellText(3, 3), "       0.000");
  EXPECT_EQ(Current(form->SoilGrid), QPoint(4, 3));
  EXPECT_EQ(form->SoilGrid->leftValueColumn(), 1);
  Type(form->SoilGrid, "2e5");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].stiffnessEI, 2e5);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(5, 3));
  EXPECT_EQ(form->SoilGrid->leftValueColumn(), 2);
  Type(form->SoilGrid, "0.0001");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].width, 0.001);
  EXPECT_EQ(form->SoilGrid->cellText(5, 3), "       0.001");
  EXPECT_EQ(Current(form->SoilGrid), QPoint(1, 4));
  EXPECT_EQ(form->SoilGrid->leftValueColumn(), 0);
  Type(form->SoilGrid, "abc");
  Press(Qt::Key_Up);
  EXPECT_EQ(data->sections[2].length, 0.001);
  EXPECT_EQ(form->SoilGrid->cellText(1, 4), "       0.001");
  EXPECT_EQ(Current(form->SoilGrid), QPoint(1, 3));
}

TEST_F(GridInputTest, EscapePutsTheStoredTextBackAndTheNextKeyReplacesIt) {
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 1, 2);
  data->resultsAvailable = true;
  // 7 typed over 10.000, then Escape: the stored text is back, all of it selected, so that 12
  // replaces it rather than following it (10.00012).
  Type(soil, "7");
  Press(Qt::Key_Escape);
  EXPECT_EQ(EditorText(soil), "      10.000");
  EXPECT_FALSE(soil->tableModel()->hasTypedText(soil->currentIndex()));
  QTest::keyClicks(soil->cellEditor(), "12");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[0].length, 12.0);
  EXPECT_EQ(soil->cellText(1, 2), "      12.000");
  EXPECT_EQ(Current(soil), QPoint(2, 2));
  // Escape in a cell passed through changes nothing: the results stay.
  data->resultsAvailable = true;
  Press(Qt::Key_Escape);
  Press(Qt::Key_Down);
  EXPECT_EQ(data->sections[0].load, 10.0);
  EXPECT_TRUE(data->resultsAvailable);

  // A name: "25" after Escape is the name, not "Demonstration Problem25".
  StringGrid* grid = form->MainGrid;
  ClickCell(grid, 1, 2);
  Type(grid, "Pile");
  Press(Qt::Key_Escape);
  EXPECT_EQ(EditorText(grid), "Demonstration Problem");
  QTest::keyClicks(grid->cellEditor(), "25");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->problemName.View(), "25");
  // F2 edits at the end of the text, also after Escape.
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  ASSERT_EQ(Current(grid), QPoint(1, 6));
  QTest::keyClicks(grid->cellEditor(), "9");
  Press(Qt::Key_Escape);
  Press(Qt::Key_F2);
  QTest::keyClicks(grid->cellEditor(), "5");
  EXPECT_EQ(EditorText(grid), "       1.0005");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->beamWidth, 1.0005);
}

TEST_F(GridInputTest, TheFocusComesBackToItsCellAfterAMenuAndThePicture) {
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 2, 3);  // the load of section 2
  Type(soil, "4");
  // Alt+O opens the Options menu, Escape closes it and Escape leaves the menu bar: the cell
  // has the keys again with what was typed into it, which nothing has committed.
  for (QMenu* menu : {form->Options1, form->File1}) {
    Press(menu == form->File1 ? Qt::Key_F : Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::activePopupWidget() == static_cast<QWidget*>(menu); }));
    QTest::keyClick(menu, Qt::Key_Escape);
    Settle();
    Press(Qt::Key_Escape);
    EXPECT_TRUE(soil->hasActiveFocus());
    EXPECT_EQ(Current(soil), QPoint(2, 3));
    EXPECT_EQ(data->sections[1].load, 10.0);
  }
  QTest::keyClicks(soil->cellEditor(), "5");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[1].load, 45.0);
  EXPECT_EQ(Current(soil), QPoint(2, 4));
  // Left for another table by a click while the menu bar has the keys, the cell commits what
  // was typed into it, as when it is left straight away.
  Type(soil, "6");
  Press(Qt::Key_O, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return QApplication::activePopupWidget() == static_cast<QWidget*>(form->Options1); }));
  QTest::keyClick(form->Options1, Qt::Key_Escape);
  Settle();
  ClickCell(form->ForcesGrid, 2, 3);
  EXPECT_EQ(data->sections[2].load, 6.0);
  EXPECT_EQ(soil->cellEditor(), nullptr);
  EXPECT_TRUE(form->ForcesGrid->hasActiveFocus());
  ClickCell(soil, 2, 4);

  // F9 and Escape on the picture: the cell that had the focus has it again.
  Press(Qt::Key_F9);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_TRUE(soil->hasActiveFocus());
  EXPECT_EQ(Current(soil), QPoint(2, 4));
  EXPECT_EQ(EditorText(soil), "       6.000");
  // The first key typed on the picture goes into that cell and replaces its text.
  Press(Qt::Key_F9);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  Press(Qt::Key_3);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_EQ(EditorText(soil), "3");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[2].load, 3.0);
}

TEST_F(GridInputTest, OnlyTheTableWithTheFocusHighlightsItsCurrentCell) {
  // The current cells of the sections and forces stand where the general data has the focus;
  // neither is painted otherwise than an empty cell.
  const auto highlighted = [](StringGrid* grid) {
    const QImage image = grid->grab().toImage();
    const QRect cell = grid->visualRect(grid->currentIndex());
    const QPoint inside = (cell.topLeft() + QPoint(3, 3)) * image.devicePixelRatio();
    return image.pixelColor(inside) != QApplication::palette().color(QPalette::Base);
  };
  ClickCell(form->ForcesGrid, 3, 4);
  ClickCell(form->SoilGrid, 3, 3);
  ClickCell(form->MainGrid, 1, 4);
  EXPECT_FALSE(highlighted(form->SoilGrid));
  EXPECT_FALSE(highlighted(form->ForcesGrid));
  // The table that has the focus shows its cell selected where no editor covers it.
  form->MainGrid->discardEditor();
  EXPECT_TRUE(highlighted(form->MainGrid));
}

TEST_F(GridInputTest, AValueWiderThanItsCellIsMarkedWithItsWholeTextAsToolTip) {
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 3, 2);
  Type(soil, "1e12");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[0].spring, 1e12);
  EXPECT_EQ(soil->cellText(3, 2), "1000000000000.000");
  // Not "00000000000.000", which reads as nought: "#" across the cell.
  const QString shown = soil->shownText(3, 2);
  EXPECT_GE(shown.size(), 8);
  EXPECT_EQ(shown, QString(shown.size(), QLatin1Char('#')));
  EXPECT_EQ(toolTip(soil, 3, 2), "1000000000000.000");
  // What fits shows as it is, with no tool tip; the widest number that fits keeps its digits.
  EXPECT_EQ(soil->shownText(3, 4), "     100.000");
  EXPECT_EQ(toolTip(soil, 3, 4), "");
  ClickCell(soil, 1, 3);
  Type(soil, "123456789.5");
  Press(Qt::Key_Return);
  EXPECT_EQ(soil->shownText(1, 3), "123456789.500");
  // The x of the points follows: a fixed cell is marked as well.
  EXPECT_EQ(form->ForcesGrid->cellText(1, 4), "123456799.500");
  EXPECT_EQ(form->ForcesGrid->shownText(1, 4), "123456799.500");
  EXPECT_EQ(form->ForcesGrid->shownText(1, 2), "       0.000");

  // A name too long for its cell ends in an ellipsis.
  ClickCell(form->MainGrid, 1, 2);
  Type(form->MainGrid, QString(40, QLatin1Char('W')));
  Press(Qt::Key_Return);
  const QString name = form->MainGrid->shownText(1, 2);
  EXPECT_TRUE(name.endsWith(QChar(0x2026))) << name.toStdString();
  EXPECT_TRUE(QString(40, QLatin1Char('W')).startsWith(name.chopped(1)));
  EXPECT_EQ(toolTip(form->MainGrid, 1, 2), QString(40, QLatin1Char('W')));
}

TEST_F(GridInputTest, RowsAndColumnsThatDoNotFitScrollBesideTheFixedOnesWithTheCurrentCellInView) {
  EnterGeneral(3, "20");
  StringGrid* soil = form->SoilGrid;
  ASSERT_EQ(soil->rowCount(), 22);
  // Three of the five value columns fit beside the forces: the columns scroll, with their bar
  // below the rows.
  ASSERT_TRUE(soil->columnScrollBar()->isVisible());
  const int across = soil->columnScrollBar()->height();
  // Given the height of all its rows, the table does not scroll them.
  soil->resize(soil->width(), 22 * 19 + 1 + across);
  Settle();
  EXPECT_FALSE(soil->rowScrollBar()->isVisible());
  // Given room for the two caption rows and eight sections, not 20.
  soil->resize(soil->width(), 10 * 19 + 1 + across);
  Settle();
  ASSERT_TRUE(soil->rowScrollBar()->isVisible());
  EXPECT_EQ(soil->rowScrollBar()->maximum(), 12);
  const auto inView = [soil](int row, int col = 3) {
    const QRect cell = soil->visualRect(soil->model()->index(row, col));
    return cell.isValid() && soil->viewport()->rect().contains(cell);
  };
  // The scroll bar stands beside the rows, within the table's width, and ends above the column
  // scroll bar; the last column in view gives it room, so that no number is cut at the right.
  const QRect view = soil->viewport()->geometry();
  EXPECT_EQ(soil->rowScrollBar()->geometry().right(), view.right());
  EXPECT_EQ(soil->rowScrollBar()->geometry().top(), view.top() + 2 * 19);
  EXPECT_EQ(soil->rowScrollBar()->geometry().bottom(), view.bottom() - across);
  EXPECT_EQ(soil->columnScrollBar()->geometry().right(),
            view.right() - soil->rowScrollBar()->width());
  EXPECT_EQ(soil->columnWidth(3) + soil->rowScrollBar()->width(), 91);

  // Down from section 1 to section 20 by the keys: the rows scroll, the captions stay.
  ClickCell(soil, 3, 2);
  for (int i = 0; i < 19; ++i) Press(Qt::Key_Down);
  EXPECT_EQ(Current(soil), QPoint(3, 21));
  EXPECT_TRUE(inView(21));
  EXPECT_FALSE(inView(13));
  EXPECT_TRUE(inView(14));
  EXPECT_EQ(soil->topValueRow(), 12);
  EXPECT_EQ(soil->visualRect(soil->model()->index(0, 1)).top(), 0);
  EXPECT_EQ(soil->visualRect(soil->model()->index(2 + 12, 1)).top(), 2 * 19);
  EXPECT_EQ(soil->cellEditor()->geometry().top(), soil->visualRect(soil->currentIndex()).top());
  Type(soil, "55");
  Press(Qt::Key_Return);  // from the last row back to section 1, which scrolls into view
  EXPECT_EQ(data->sections[19].spring, 55.0);
  EXPECT_EQ(Current(soil), QPoint(3, 2));
  EXPECT_EQ(soil->topValueRow(), 0);
  // Page down moves by the rows in view.
  Press(Qt::Key_PageDown);
  EXPECT_EQ(Current(soil), QPoint(3, 10));
  EXPECT_TRUE(inView(10));
  EXPECT_EQ(soil->topValueRow(), 1);

  // The wheel scrolls the rows; the current cell, scrolled out, moves along into view.
  const QPoint at = soil->viewport()->rect().center();
  const auto turn = [&](QPoint delta) {
    QWheelEvent wheel(at, soil->viewport()->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(soil->viewport(), &wheel);
    Settle();
  };
  turn(QPoint(0, -360));
  EXPECT_EQ(soil->topValueRow(), std::min(12, 1 + 3 * QApplication::wheelScrollLines()));
  EXPECT_TRUE(inView(Current(soil).y()));
  EXPECT_EQ(Current(soil).x(), 3);

  // Across: Tab goes on into the columns scrolled out, the section numbers stay; the last
  // column in view gives the row scroll bar its room.
  const int row = Current(soil).y();
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  EXPECT_EQ(Current(soil), QPoint(5, row));
  EXPECT_EQ(soil->leftValueColumn(), 2);
  EXPECT_TRUE(soil->isColumnHidden(1));
  EXPECT_FALSE(soil->isColumnHidden(0));
  EXPECT_TRUE(inView(row, 5));
  EXPECT_EQ(soil->columnWidth(5) + soil->rowScrollBar()->width(), 91);
  EXPECT_EQ(soil->columnWidth(3), 91);
  EXPECT_EQ(soil->columnScrollBar()->value(), 2);
  // Scrolled back by its bar or a sideways wheel, the current cell comes along and commits the
  // text typed into it.
  Type(soil, "0.4");
  soil->columnScrollBar()->setValue(0);
  Settle();
  EXPECT_EQ(data->sections[row - 2].width, 0.4);
  EXPECT_EQ(Current(soil), QPoint(3, row));
  EXPECT_FALSE(soil->isColumnHidden(1));
  turn(QPoint(-120, 0));
  EXPECT_EQ(soil->leftValueColumn(), 1);
  EXPECT_EQ(Current(soil), QPoint(3, row));
  // Shift+Tab goes back column by column.
  for (int i = 0; i < 2; ++i) Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Current(soil), QPoint(1, row));
  EXPECT_EQ(soil->leftValueColumn(), 0);

  // Room for every row and column again: no scroll bars, every cell in view.
  soil->resize(507, 22 * 19 + 1);
  Settle();
  EXPECT_FALSE(soil->rowScrollBar()->isVisible());
  EXPECT_FALSE(soil->columnScrollBar()->isVisible());
  EXPECT_EQ(soil->columnWidth(3), 91);
  EXPECT_EQ(soil->columnWidth(5), 91);
  EXPECT_TRUE(inView(2));
  EXPECT_TRUE(inView(21, 5));
}

TEST_F(GridInputTest, CtrlTabGoesFromTableToTableAtItsOwnCell) {
  ClickCell(form->SoilGrid, 3, 4);  // the spring of section 3
  ClickCell(form->MainGrid, 1, 5);
  Type(form->MainGrid, "5e5");
  // The text typed is committed as a move would commit it; the sections take the focus at
  // their own cell.
  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(data->stiffnessEI, 5e5);
  EXPECT_TRUE(form->SoilGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->SoilGrid), QPoint(3, 4));
  EXPECT_EQ(EditorText(form->SoilGrid), "     100.000");
  Type(form->SoilGrid, "7");
  // The forces have no cell chosen yet: they start at the force of point 0.
  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(data->sections[2].spring, 7.0);
  EXPECT_TRUE(form->ForcesGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->ForcesGrid), QPoint(2, 2));
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(2, 2));
  Type(form->ForcesGrid, "-3");
  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(data->points[0].force, -3.0);
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 5));
  // Ctrl+Shift+Tab goes the other way round; Shift+Tab before the first value cell of the
  // forces goes on at the last one of the sections.
  Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(form->ForcesGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->ForcesGrid), QPoint(2, 2));
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(form->SoilGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->SoilGrid), QPoint(5, 4));
  EXPECT_EQ(form->soilGridTrackedCell(), QPoint(5, 4));
  EXPECT_EQ(EditorText(form->SoilGrid), "       1.000");
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(3, 4));
  EXPECT_EQ(EditorText(form->SoilGrid), "       7.000");
  // Before the general data's first cell it goes on at the last cell of the forces that takes
  // input: the last point's support, none of whose values a free point uses.
  ClickCell(form->MainGrid, 1, 1);
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(form->ForcesGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->ForcesGrid), QPoint(4, 5));
  EXPECT_EQ(EditorText(form->ForcesGrid), "none");
}

TEST_F(GridInputTest, SectionsCommitClampsAndMovesThePoints) {
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 1, 3);  // length of section 2
  EXPECT_EQ(Current(soil), QPoint(1, 3));
  Type(soil, "15");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[1].length, 15.0);
  EXPECT_EQ(soil->cellText(1, 3), "      15.000");
  EXPECT_DOUBLE_EQ(data->points[2].x, 25.0);
  EXPECT_DOUBLE_EQ(data->points[3].x, 35.0);
  EXPECT_DOUBLE_EQ(data->points[20].x, 205.0);
  // The forces table shows the new positions at once.
  EXPECT_EQ(form->ForcesGrid->cellText(1, 2), "       0.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 3), "      10.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 4), "      25.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 5), "      35.000");

  // Lengths of 0 and -3 store 0.001; loads and springs below 0 store 0.
  EXPECT_EQ(Current(soil), QPoint(1, 4));
  Type(soil, "0");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[2].length, 0.001);
  EXPECT_EQ(soil->cellText(1, 4), "       0.001");
  // Enter in the last section row goes back to the first.
  EXPECT_EQ(Current(soil), QPoint(1, 2));
  Type(soil, "-3");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[0].length, 0.001);
  EXPECT_NEAR(data->points[20].x, 0.001 + 15.0 + 0.001 + 17 * 10.0, 1e-9);
  ClickCell(soil, 2, 2);
  Type(soil, "-10");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sections[0].load, 0.0);
  EXPECT_EQ(soil->cellText(2, 2), "       0.000");
  EXPECT_EQ(form->soilGridTrackedCell(), QPoint(2, 3));
}

TEST_F(GridInputTest, ASectionTakesItsOwnEIAndWidthOrShowsTheGeneralDataGrey) {
  StringGrid* soil = form->SoilGrid;
  const auto ink = [soil](int col, int row) {
    const QVariant brush = soil->model()->index(row, col).data(Qt::ForegroundRole);
    return brush.isValid() ? brush.value<QBrush>().color() : QColor();
  };
  const QColor grey(128, 128, 128);
  const QString general = QStringLiteral(
      "The general data's EI, which this section takes; type a value to give the section its "
      "own.");
  const QString own = QStringLiteral(
      "This section's own width; type 0 or clear the cell for the general data's width again.");
  data->resultsAvailable = true;
  // From the spring of section 2 on to its EI, which shows the general data's.
  ClickCell(soil, 3, 3);
  Press(Qt::Key_Tab);
  EXPECT_EQ(Current(soil), QPoint(4, 3));
  EXPECT_EQ(ink(4, 3), grey);
  EXPECT_EQ(toolTip(soil, 4, 3), general);
  EXPECT_EQ(EditorText(soil), "   1000000.0");
  Type(soil, "2.5e5");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].stiffnessEI, 2.5e5);
  EXPECT_EQ(soil->cellText(4, 3), "    250000.0");
  EXPECT_EQ(ink(4, 3), QColor());
  EXPECT_FALSE(data->resultsAvailable);
  Type(soil, "0.0004");
  Press(Qt::Key_Down);
  EXPECT_EQ(data->sections[1].width, 0.001);
  EXPECT_EQ(soil->cellText(5, 3), "       0.001");
  EXPECT_EQ(toolTip(soil, 5, 3), own);
  // Sections 1 and 3 have none of their own: they follow the general data.
  ClickCell(form->MainGrid, 1, 6);
  Type(form->MainGrid, "0.8");
  Press(Qt::Key_Up);
  Type(form->MainGrid, "4e5");
  Press(Qt::Key_Return);
  EXPECT_EQ(soil->cellText(5, 4), "       0.800");
  EXPECT_EQ(soil->cellText(4, 2), "    400000.0");
  EXPECT_EQ(ink(5, 4), grey);
  EXPECT_EQ(soil->cellText(5, 3), "       0.001");
  EXPECT_EQ(soil->cellText(4, 3), "    250000.0");
  // The visible cell clicked from another table is the one selected; 0 and a cleared cell give
  // the general data's values back.
  ClickCell(soil, 4, 3);
  EXPECT_EQ(Current(soil), QPoint(4, 3));
  Type(soil, "0");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].stiffnessEI, 0.0);
  EXPECT_EQ(soil->cellText(4, 3), "    400000.0");
  EXPECT_EQ(ink(4, 3), grey);
  EXPECT_EQ(toolTip(soil, 4, 3), general);
  QTest::keyClick(soil->cellEditor(), Qt::Key_Backspace);
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->sections[1].width, 0.0);
  EXPECT_EQ(soil->cellText(5, 3), "       0.800");
  EXPECT_EQ(ink(5, 3), grey);
  // Undo brings the own width back, shown as the section's own.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sections[1].width, 0.001);
  EXPECT_EQ(Current(soil), QPoint(5, 3));
  EXPECT_EQ(EditorText(soil), "       0.001");
  EXPECT_EQ(ink(5, 3), QColor());
}

TEST_F(GridInputTest, ForcesTakeAnyValueAndTheXColumnIsNeverCurrent) {
  StringGrid* forces = form->ForcesGrid;
  // Entering the table from another control makes the force at point 0 current and tracked
  // first, then the clicked cell.
  ClickCell(forces, 3, 4);
  EXPECT_EQ(Current(forces), QPoint(3, 4));
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(3, 4));
  Type(forces, "1e3");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->points[2].moment, 1000.0);
  EXPECT_EQ(forces->cellText(3, 4), "    1000.000");
  EXPECT_EQ(Current(forces), QPoint(3, 5));
  // Enter in the last point row goes back to point 0.
  Press(Qt::Key_Return);
  EXPECT_EQ(Current(forces), QPoint(3, 2));
  Press(Qt::Key_Left);  // inside the editor: the cursor moves in the text
  Type(forces, "xyz");
  Press(Qt::Key_Down);
  EXPECT_EQ(data->points[0].moment, 0.0);
  EXPECT_EQ(forces->cellText(3, 2), "       0.000");

  ClickCell(forces, 2, 3);
  Type(forces, "-25.5");
  Press(Qt::Key_Tab);
  EXPECT_EQ(data->points[1].force, -25.5);
  EXPECT_EQ(forces->cellText(2, 3), "     -25.500");
  EXPECT_EQ(Current(forces), QPoint(3, 3));

  // Entering the table again tracks the force at point 0 before the clicked cell is selected.
  ClickCell(form->MainGrid, 1, 2);
  ClickCell(forces, 3, 3);
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(3, 3));

  // Neither a click nor the arrow keys reach the x column.
  ClickCell(forces, 1, 4);
  EXPECT_EQ(Current(forces), QPoint(3, 3));
  Press(Qt::Key_Left);
  Press(Qt::Key_Left);
  ClickCell(forces, 2, 4);
  Press(Qt::Key_Left);
  EXPECT_EQ(Current(forces), QPoint(2, 4));
  EXPECT_EQ(forces->cellText(1, 4), "      20.000");
}

TEST_F(GridInputTest, ASupportIsChosenByLetterCodeOrListAndOpensTheCellsItUses) {
  StringGrid* forces = form->ForcesGrid;
  const PointSupport& support = data->points[0].support;
  const auto list = [forces] { return qobject_cast<QComboBox*>(forces->cellEditor()); };
  const auto background = [forces](int col, int row) {
    const QVariant brush = forces->model()->index(row, col).data(Qt::BackgroundRole);
    return brush.isValid() ? brush.value<QBrush>().color() : QColor();
  };
  const auto shown = [forces](int row) {
    QStringList texts;
    for (int col = 4; col <= 8; ++col) texts << forces->cellText(col, row).trimmed();
    return texts.join(QLatin1Char('|'));
  };
  // From the moment of point 0 on to its support, scrolled into view: none, in a list, and the
  // values it does not use blank on grey, passed over by Tab.
  ClickCell(forces, 3, 2);
  Press(Qt::Key_Tab);
  ASSERT_EQ(Current(forces), QPoint(4, 2));
  EXPECT_EQ(forces->leftValueColumn(), 1);
  ASSERT_NE(list(), nullptr);
  EXPECT_EQ(EditorText(forces), "none");
  EXPECT_EQ(shown(2), "none||||");
  EXPECT_EQ(background(5, 2), QColor(192, 192, 192));
  EXPECT_EQ(background(3, 2), QColor());
  Press(Qt::Key_Tab);
  EXPECT_EQ(Current(forces), QPoint(2, 3));
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_EQ(Current(forces), QPoint(4, 2));

  // Its first letter makes it elastic at once: the springs take input, clamped at 0.
  data->resultsAvailable = true;
  Press(Qt::Key_E);
  EXPECT_EQ(support.kind, SupportKind::Elastic);
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_EQ(EditorText(forces), "elastic");
  EXPECT_EQ(shown(2), "elastic|0.000|0.000|0.000000|0.000000");
  EXPECT_EQ(background(5, 2), QColor());
  Press(Qt::Key_Tab);
  Type(forces, "-50");
  Press(Qt::Key_Tab);
  Type(forces, "2.5e4");
  Press(Qt::Key_Tab);
  EXPECT_EQ(support.spring, 0.0);
  EXPECT_EQ(support.rotationalSpring, 25000.0);
  EXPECT_EQ(Current(forces), QPoint(7, 2));  // the base it stands on
  EXPECT_EQ(forces->cellText(6, 2), "   25000.000");

  // The code 1 makes it pinned: the springs go, w takes input. A text that names no kind, and
  // the arrows, choose nothing.
  for (int i = 0; i < 3; ++i) Press(Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_EQ(Current(forces), QPoint(4, 2));
  Press(Qt::Key_X);
  Press(Qt::Key_Up);
  EXPECT_EQ(support.kind, SupportKind::Elastic);
  Press(Qt::Key_1);
  EXPECT_EQ(support.kind, SupportKind::Pinned);
  EXPECT_EQ(support.rotationalSpring, 0.0);
  EXPECT_EQ(shown(2), "pinned|||0.000000|");
  // One undo brings back the kind with the spring it cleared, and one redo takes both again.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(support.kind, SupportKind::Elastic);
  EXPECT_EQ(support.rotationalSpring, 25000.0);
  EXPECT_EQ(EditorText(forces), "elastic");
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(support.kind, SupportKind::Pinned);
  EXPECT_EQ(support.rotationalSpring, 0.0);

  // The list, opened by Alt+Down, F4 or a click, offers the five; a choice from it counts.
  const QStringList kinds = {"none", "pinned", "fixed", "guided", "elastic"};
  const auto opened = [&] {
    return QTest::qWaitFor([&] { return list() != nullptr && list()->view()->isVisible(); });
  };
  Press(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(opened());
  QStringList offered;
  for (int i = 0; i < list()->count(); ++i) offered << list()->itemText(i);
  EXPECT_EQ(offered, kinds);
  QTest::keyClick(list()->view(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list()->view()->isVisible(); }));
  EXPECT_EQ(support.kind, SupportKind::Pinned);
  QTest::mouseClick(list(), Qt::LeftButton);
  ASSERT_TRUE(opened());
  QTest::keyClick(list()->view(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list()->view()->isVisible(); }));
  Press(Qt::Key_F4);
  ASSERT_TRUE(opened());
  QTest::keyClick(list()->view(), Qt::Key_Down);
  QTest::keyClick(list()->view(), Qt::Key_Return);
  Settle();
  EXPECT_EQ(support.kind, SupportKind::Fixed);
  EXPECT_EQ(shown(2), "fixed|||0.000000|0.000000");

  // A cell the kind does not use opens no editor and takes no key; w and dw/dx take any value.
  Press(Qt::Key_Right);
  EXPECT_EQ(Current(forces), QPoint(5, 2));
  EXPECT_EQ(forces->cellEditor(), nullptr);
  Press(Qt::Key_7);
  EXPECT_EQ(forces->cellEditor(), nullptr);
  EXPECT_EQ(support.spring, 0.0);
  EXPECT_EQ(forces->cellText(5, 2), "");
  Press(Qt::Key_Right);
  Press(Qt::Key_Right);
  ASSERT_EQ(Current(forces), QPoint(7, 2));
  Type(forces, "-0.0125");
  Press(Qt::Key_Tab);
  Type(forces, "1e-3");
  Press(Qt::Key_Return);
  EXPECT_EQ(support.displacement, -0.0125);
  EXPECT_EQ(support.rotation, 0.001);
  EXPECT_EQ(shown(2), "fixed|||-0.012500|0.001000");
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(8, 3));
}

TEST_F(GridInputTest, TypedTextIsCommittedWhenItsTableIsLeftOrACommandRuns) {
  // Going from table to table without typing commits nothing: results stay valid.
  data->resultsAvailable = true;
  ClickCell(form->SoilGrid, 1, 2);
  ClickCell(form->MainGrid, 1, 1);
  EXPECT_TRUE(data->resultsAvailable);

  // 50 typed into the length of section 3, then a click into the forces table: the length is
  // stored and its points move at once, shown in the x column.
  ClickCell(form->SoilGrid, 1, 4);
  Type(form->SoilGrid, "50");
  data->resultsAvailable = true;
  ClickCell(form->ForcesGrid, 2, 3);
  EXPECT_EQ(data->sections[2].length, 50.0);
  EXPECT_EQ(form->SoilGrid->cellText(1, 4), "      50.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 5), "      70.000");
  EXPECT_FALSE(data->resultsAvailable);
  // Entering the forces table still starts at the force of point 0.
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(2, 3));

  // A force left for the general data, where the click moves to another row: each table
  // commits its own cell.
  Type(form->ForcesGrid, "-4");
  ClickCell(form->MainGrid, 1, 2);
  EXPECT_EQ(data->points[1].force, -4.0);
  EXPECT_EQ(form->ForcesGrid->cellText(2, 3), "      -4.000");

  // A help button commits nothing.
  StringGrid* grid = form->MainGrid;
  grid->setCurrentCell(5, 1);
  Type(grid, "123");
  Click(form->GeneralHelp);
  EXPECT_EQ(data->stiffnessEI, 1000000.0);
  EXPECT_EQ(EditorText(grid), "123");
  EXPECT_TRUE(grid->hasActiveFocus());
  Press(Qt::Key_Return);

  // Print and Save by their buttons (the stand-in cancels both) and Print from the menu commit
  // the text being typed first; the cell keeps its editor.
  Type(grid, "0.5");
  Click(form->SpeedButtonPrint);
  EXPECT_EQ(data->beamWidth, 0.5);
  EXPECT_EQ(EditorText(grid), "       0.500");
  grid->setCurrentCell(1, 1);
  Type(grid, "Typed.plv");
  Click(form->SpeedButtonSave);
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].fileName, "Typed.plv");
  grid->setCurrentCell(5, 1);
  Type(grid, "77");
  QMenuBar* bar = form->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                    bar->actionGeometry(form->File1->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->File1->isVisible(); }));
  QTest::mouseClick(form->File1, Qt::LeftButton, Qt::NoModifier,
                    form->File1->actionGeometry(form->Print1).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->File1->isVisible(); }));
  Settle();
  EXPECT_EQ(dialogs.printRequests, 2);
  EXPECT_EQ(data->stiffnessEI, 77.0);
  EXPECT_EQ(grid->cellText(1, 5), "        77.0");
  // The offscreen platform has no window manager to hand the activation back.
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Settle();
  EXPECT_EQ(EditorText(grid), "        77.0");

  // A number of sections typed and left by a click rebuilds both tables before the click
  // selects its cell.
  grid->setCurrentCell(3, 1);
  Type(grid, "5");
  ClickCell(form->SoilGrid, 3, 4);
  EXPECT_EQ(form->SoilGrid->rowCount(), 7);
  EXPECT_EQ(form->ForcesGrid->rowCount(), 8);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(3, 4));
}

TEST_F(GridInputTest, ChangingTheNumberOfSectionsRebuildsBothTables) {
  // Values of sections that get hidden are kept and come back.
  ClickCell(form->ForcesGrid, 2, 5);
  Type(form->ForcesGrid, "7");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->points[3].force, 7.0);

  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "5");
  Press(Qt::Key_Return);
  ASSERT_EQ(form->SoilGrid->rowCount(), 7);
  ASSERT_EQ(form->ForcesGrid->rowCount(), 8);
  EXPECT_EQ(form->SoilGrid->height(), 7 * 19 + 1 + form->SoilGrid->columnScrollBar()->height());
  EXPECT_EQ(form->ForcesGrid->height(), 8 * 19 + 1 + form->ForcesGrid->columnScrollBar()->height());
  EXPECT_EQ(form->SoilGrid->cellText(0, 5), "     4");
  EXPECT_EQ(form->SoilGrid->cellText(3, 5), "       0.000");
  EXPECT_EQ(form->SoilGrid->cellText(3, 6), "     100.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 6), "      40.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 7), "      50.000");

  // Work in section 5, then lower the count to 2: the current cells move up to the last rows.
  ClickCell(form->SoilGrid, 2, 6);
  Type(form->SoilGrid, "33");
  Press(Qt::Key_Up);
  ClickCell(form->ForcesGrid, 3, 7);
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "2");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->sectionCount, 2);
  EXPECT_EQ(form->SoilGrid->rowCount(), 4);
  EXPECT_EQ(form->ForcesGrid->rowCount(), 5);
  EXPECT_EQ(Current(form->SoilGrid).y(), 3);
  EXPECT_EQ(Current(form->ForcesGrid), QPoint(3, 4));
  EXPECT_EQ(form->ForcesGrid->geometry(),
            QRect(346, 233, 325, 96 + form->ForcesGrid->columnScrollBar()->height()));

  // Raising it back shows the kept values.
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "5");
  Press(Qt::Key_Return);
  EXPECT_EQ(form->SoilGrid->cellText(2, 6), "      33.000");
  EXPECT_EQ(form->ForcesGrid->cellText(2, 5), "       7.000");

  // Re-typing the same count rebuilds nothing: a cell showing other than the stored value keeps
  // its text.
  form->SoilGrid->model()->setData(form->SoilGrid->model()->index(2, 1), "8", kTypedTextRole);
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "5");
  Press(Qt::Key_Return);
  EXPECT_EQ(form->SoilGrid->cellText(1, 2), "8");
  // Changing it rebuilds, and the stored value replaces the text.
  form->MainGrid->setCurrentCell(3, 1);
  Type(form->MainGrid, "20");
  Press(Qt::Key_Return);
  EXPECT_EQ(form->SoilGrid->rowCount(), 22);
  // Their 419 and 438 pixels of rows end 5 pixels above the bottom of the 550 pixels high
  // client area, as the sections table's top lies 233 pixels down.
  EXPECT_EQ(form->SoilGrid->height(), 312);
  EXPECT_EQ(form->ForcesGrid->height(), 312);
  EXPECT_EQ(form->SoilGrid->cellText(1, 2), "      10.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 22), "     200.000");
}

TEST_F(GridInputTest, NewPutsTheDemonstrationProblemBackAndDropsTypedText) {
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "5");
  Press(Qt::Key_Return);
  ClickCell(form->SoilGrid, 1, 6);
  Type(form->SoilGrid, "7");
  Press(Qt::Key_Up);
  EXPECT_EQ(data->sections[4].length, 7.0);
  // Text being typed into section 5 is dropped.
  ClickCell(form->SoilGrid, 2, 6);
  Type(form->SoilGrid, "55");
  data->nodes[3].w = 0.25;
  data->resultsAvailable = true;

  Click(form->SpeedButtonNew);
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(data->elementCount, 100);
  EXPECT_EQ(form->MainGrid->cellText(1, 4), "   100");
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_EQ(data->nodes[3].w, 0.25);
  ProblemData defaults;
  for (int i = 0; i < kMaxSections; ++i) {
    EXPECT_EQ(data->sections[i].length, defaults.sections[i].length) << i;
    EXPECT_EQ(data->sections[i].load, defaults.sections[i].load) << i;
  }
  EXPECT_EQ(form->SoilGrid->rowCount(), 5);
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 1));
  EXPECT_EQ(form->mainGridTrackedRow(), 1);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(1, 2));
  EXPECT_EQ(form->soilGridTrackedCell(), QPoint(1, 2));

  // Raising the count shows the defaults of sections 4 and 5.
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "5");
  Press(Qt::Key_Return);
  EXPECT_EQ(form->SoilGrid->cellText(1, 6), "      10.000");
  EXPECT_EQ(form->SoilGrid->cellText(2, 6), "      10.000");
  EXPECT_EQ(form->SoilGrid->cellText(3, 5), "       0.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 7), "      50.000");
}

TEST_F(GridInputTest, OneSectionGivesThreeAndFourRows) {
  EnterGeneral(3, "0");
  EXPECT_EQ(data->sectionCount, 1);
  EXPECT_EQ(form->SoilGrid->rowCount(), 3);
  EXPECT_EQ(form->ForcesGrid->rowCount(), 4);
  EXPECT_EQ(form->ForcesGrid->cellText(0, 3), "     1");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 3), "      10.000");
}

// What Open does after reading a file: all three tables show the new data, and nothing typed
// before is committed over it.
TEST_F(GridInputTest, ReloadingShowsReplacedDataWithoutCommittingOldText) {
  EnterGeneral(3, "5");
  ClickCell(form->MainGrid, 1, 5);
  Type(form->MainGrid, "42");

  data->sectionCount = 2;
  data->problemName.Set("Pile");
  data->sections[1].load = 4.5;
  data->points[2].moment = -3.0;
  data->stiffnessEI = 2.5e5;
  form->ReloadGrids();

  EXPECT_EQ(data->stiffnessEI, 2.5e5);
  EXPECT_EQ(form->MainGrid->cellText(1, 2), "Pile");
  EXPECT_EQ(form->MainGrid->cellText(1, 3), "     2");
  EXPECT_EQ(form->MainGrid->cellText(1, 5), "    250000.0");
  EXPECT_EQ(form->SoilGrid->rowCount(), 4);
  EXPECT_EQ(form->SoilGrid->cellText(2, 3), "       4.500");
  EXPECT_EQ(form->ForcesGrid->cellText(3, 4), "      -3.000");
  // The editor on the general data shows the stored value again.
  EXPECT_EQ(EditorText(form->MainGrid), "    250000.0");

  // A name read from a file may be longer than a typed one; passing through its cell keeps it.
  data->problemName.Set(std::string(59, 'P'));
  form->ReloadGrids();
  ClickCell(form->MainGrid, 1, 2);
  Press(Qt::Key_Return);
  EXPECT_EQ(data->problemName.View(), std::string(59, 'P'));
}

}  // namespace
}  // namespace pelvar
