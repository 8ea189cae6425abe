// The Edit menu on the tables: undo and redo of committed changes, copy and paste of blocks of
// cells as spreadsheets copy them.

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>

#include "support/window_fixture.h"
#include "ui/input_table_models.h"

namespace pelvar {
namespace {

using Kind = ScriptedDialogs::Kind;

class EditCommandsTest : public WindowTest {
 protected:
  void Enter(StringGrid* grid, int col, int row, const QString& text) {
    ClickCell(grid, col, row);
    Type(grid, text);
    Press(Qt::Key_Return);
  }
  // Ctrl+V with the text on the clipboard.
  void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    Press(Qt::Key_V, Qt::ControlModifier);
  }
  void ExpectSection(int index, double length, double load, double spring) {
    SCOPED_TRACE(index);
    EXPECT_EQ(data->sections[index].length, length);
    EXPECT_EQ(data->sections[index].load, load);
    EXPECT_EQ(data->sections[index].spring, spring);
  }
};

TEST_F(EditCommandsTest, UndoAndRedoPutBackExactlyWhatTheTablesCommitted) {
  StringGrid* soil = form->SoilGrid;
  // A width that its cell shows rounded is put back exactly.
  Enter(form->MainGrid, 1, 6, "1.0005");
  Enter(form->MainGrid, 1, 6, "2");
  Enter(soil, 1, 3, "15");  // the length of section 2 moves the points
  EXPECT_TRUE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
  data->resultsAvailable = true;

  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sections[1].length, 10.0);
  EXPECT_EQ(soil->cellText(1, 3), "      10.000");
  EXPECT_DOUBLE_EQ(data->points[20].x, 200.0);
  EXPECT_EQ(form->ForcesGrid->cellText(1, 4), "      20.000");
  // As a commit that changes a value: the results are gone.
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_TRUE(form->Redo1->isEnabled());
  // The table with the focus is at the cell put back.
  EXPECT_EQ(Current(soil), QPoint(1, 3));
  EXPECT_EQ(EditorText(soil), "      10.000");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->beamWidth, 1.0005);
  EXPECT_EQ(form->MainGrid->cellText(1, 6), "       1.000");
  // Redo by both of its keys.
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(data->beamWidth, 2.0);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(data->sections[1].length, 15.0);
  EXPECT_DOUBLE_EQ(data->points[20].x, 205.0);
  EXPECT_FALSE(form->Redo1->isEnabled());

  // Undo while typing commits the text typed, as every command does, and undoes that: the
  // cell is as before, and Redo brings the text typed back.
  ASSERT_EQ(Current(soil), QPoint(1, 3));
  Type(soil, "7");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sections[1].length, 15.0);
  EXPECT_EQ(EditorText(soil), "      15.000");
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(data->sections[1].length, 7.0);
  // A commit that changes nothing is no step.
  Type(soil, "7");
  Press(Qt::Key_Return);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sections[1].length, 15.0);

  // A new number of sections: its undo rebuilds the tables as its commit did; from the Edit
  // menu by the keys as well.
  Enter(form->MainGrid, 1, 3, "5");
  ASSERT_EQ(soil->rowCount(), 7);
  Press(Qt::Key_E, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return QApplication::activePopupWidget() == static_cast<QWidget*>(form->Edit1); }));
  QTest::keyClick(form->Edit1, Qt::Key_U);
  Settle();
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(soil->rowCount(), 5);
  EXPECT_EQ(form->ForcesGrid->rowCount(), 6);
  EXPECT_EQ(form->MainGrid->cellText(1, 3), "     3");
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());

  // A name comes back as stored; New leaves nothing to undo.
  Enter(form->MainGrid, 1, 2, "Pile");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
  Click(form->SpeedButtonNew);
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");
}

TEST_F(EditCommandsTest, APasteFillsTheCellsThroughTheInputRulesAsOneStep) {
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 1, 3);  // the length of section 2
  data->resultsAvailable = true;
  // Rows ending in CR LF; a length of -4 is held at 0.001 as typed; a fourth row grows the
  // sections to 5, shown in the general data.
  Paste("1\t2\t3\r\n-4\t 5 \t6\r\n7\t8\t9\r\n1e1\t0\t0\r\n");
  EXPECT_TRUE(dialogs.shown.empty());
  ExpectSection(0, 10.0, 10.0, 100.0);
  ExpectSection(1, 1.0, 2.0, 3.0);
  ExpectSection(2, 0.001, 5.0, 6.0);
  ExpectSection(3, 7.0, 8.0, 9.0);
  ExpectSection(4, 10.0, 0.0, 0.0);
  EXPECT_EQ(data->sectionCount, 5);
  EXPECT_EQ(form->MainGrid->cellText(1, 3), "     5");
  EXPECT_EQ(soil->rowCount(), 7);
  EXPECT_EQ(soil->cellText(1, 4), "       0.001");
  EXPECT_EQ(soil->cellText(2, 6), "       0.000");
  EXPECT_EQ(form->ForcesGrid->cellText(1, 7), "      28.001");
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_EQ(Current(soil), QPoint(1, 3));

  // One undo takes all of it back, the number of sections included; one redo brings it again.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(soil->rowCount(), 5);
  ExpectSection(1, 10.0, 10.0, 0.0);
  ExpectSection(2, 10.0, 10.0, 100.0);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(data->sectionCount, 5);
  ExpectSection(4, 10.0, 0.0, 0.0);

  // What does not read or does not fit is told in one message, and nothing is stored.
  struct Refused {
    QPoint at;
    const char* block;
    const char* message;
  };
  const std::vector<Refused> refused = {
      {{2, 2},
       "1\t2\n3\tabc\n",
       "Nothing pasted: \"abc\" in row 2, column 2 of the clipboard is not a number."},
      {{1, 2},
       "1\t2kN\t3\n",
       "Nothing pasted: \"2kN\" in row 1, column 2 of the clipboard is "
       "not a number."},
      {{1, 2},
       "1\t\t3\n",
       "Nothing pasted: \"\" in row 1, column 2 of the clipboard is not a number."},
      {{1, 2},
       "1\n2\n3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n",
       "Nothing pasted: \"3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 1\u2026\" in row 3, column 1 of "
       "the clipboard is not a number."},
      {{2, 3},
       "1\t2\t3\t4\t5\n",
       "Nothing pasted: the clipboard holds 5 columns, and from the column \"Load\" on the table "
       "has 4."},
      {{1, 2},
       "1\t2\t3\t4\t5\t6\n",
       "Nothing pasted: the clipboard holds 6 columns, and from the column \"Length\" on the "
       "table has 5."},
      // A blank EI is the general data's, a width is a number all the same.
      {{1, 2},
       "1\t2\t3\t\t0.5 m\n",
       "Nothing pasted: \"0.5 m\" in row 1, column 5 of the clipboard is not a number."},
      {{1, 6},
       "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n",
       "Nothing pasted: the clipboard holds 17 rows, which from here would need 21 sections; the "
       "beam has at most 20."},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.block);
    dialogs.shown.clear();
    ClickCell(soil, r.at.x(), r.at.y());
    Paste(QString::fromLatin1(r.block));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, Kind::Message);
    EXPECT_EQ(dialogs.shown[0].text, QString::fromUtf8(r.message));
    EXPECT_EQ(data->sectionCount, 5);
    ExpectSection(0, 10.0, 10.0, 100.0);
    ExpectSection(1, 1.0, 2.0, 3.0);
  }
  // Sixteen rows from section 5 fill it to 20.
  dialogs.shown.clear();
  ClickCell(soil, 3, 6);
  QString sixteen;
  for (int i = 0; i < 16; ++i) sixteen += QString::fromLatin1("%1\n").arg(i);
  Paste(sixteen);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(data->sectionCount, 20);
  EXPECT_EQ(data->sections[19].spring, 15.0);

  // Whole rows of all five values give sections their own EI and width, held within the
  // general data's limits; a blank or 0 gives them the general data's back.
  ClickCell(soil, 1, 2);
  Paste("12\t1\t50\t2.5e5\t0.6\n8\t2\t60\t0.01\t1e-4\n");
  ExpectSection(0, 12.0, 1.0, 50.0);
  ExpectSection(1, 8.0, 2.0, 60.0);
  EXPECT_EQ(data->sections[0].stiffnessEI, 2.5e5);
  EXPECT_EQ(data->sections[0].width, 0.6);
  EXPECT_EQ(data->sections[1].stiffnessEI, 0.1);
  EXPECT_EQ(data->sections[1].width, 0.001);
  EXPECT_EQ(soil->cellText(4, 2), "    250000.0");
  EXPECT_EQ(soil->cellText(5, 3), "       0.001");
  Paste("12\t1\t50\t\t0.6\n8\t2\t60\t0\t\n");
  EXPECT_EQ(data->sections[0].stiffnessEI, 0.0);
  EXPECT_EQ(data->sections[0].width, 0.6);
  EXPECT_EQ(data->sections[1].stiffnessEI, 0.0);
  EXPECT_EQ(data->sections[1].width, 0.0);
  EXPECT_EQ(soil->cellText(4, 2), "   1000000.0");
  EXPECT_EQ(soil->cellText(5, 3), "       1.000");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->sections[0].stiffnessEI, 2.5e5);
  EXPECT_EQ(data->sections[1].width, 0.001);

  // The forces: force and moment of points from point 1 on.
  ClickCell(form->ForcesGrid, 2, 3);
  Paste("-25.5\t1e3\n");
  EXPECT_EQ(data->points[1].force, -25.5);
  EXPECT_EQ(data->points[1].moment, 1000.0);
  EXPECT_EQ(form->ForcesGrid->cellText(3, 3), "    1000.000");

  // With their supports, a kind by its name or its code: the values a kind does not use are not
  // read, and a kind or a used value that does not read refuses the whole block.
  const PointSupport pinned{SupportKind::Pinned, 0.0, 0.0, 0.01, 0.0};
  const PointSupport elastic{SupportKind::Elastic, 5000.0, 0.0, 0.005, -0.001};
  for (const auto& [block, message] : std::vector<std::pair<const char*, const char*>>{
           {"0\t0\tsliding\n",
            "Nothing pasted: \"sliding\" in row 1, column 3 of the clipboard is not one of none, "
            "pinned, fixed, guided, elastic, nor their codes 0 to 4."},
           {"0\t0\t1\n0\t0\tfixed\t\t\t0\tabc\n",
            "Nothing pasted: \"abc\" in row 2, column 7 of the clipboard is not a number."},
           {"0\t0\telastic\t\t1\n",
            "Nothing pasted: \"\" in row 1, column 4 of the clipboard is not a number."}}) {
    dialogs.shown.clear();
    Paste(QString::fromLatin1(block));
    ASSERT_EQ(dialogs.shown.size(), 1u) << block;
    EXPECT_EQ(dialogs.shown[0].text, QString::fromUtf8(message));
    EXPECT_EQ(data->points[1].force, -25.5);
    EXPECT_EQ(data->points[1].support.kind, SupportKind::None);
  }
  Paste("-25.5\t1e3\tPinned\tx\tx\t0.01\tx\n0\t0\t4\t5000\t-1\t0.005\t-0.001\n");
  EXPECT_EQ(data->points[1].support, pinned);
  EXPECT_EQ(data->points[2].support, elastic);
  // Copied from the kind of point 1 to the rotation of point 2, and pasted at point 0: the same
  // supports, the cells they do not use blank. A window wide enough shows all the columns.
  form->setClientSize(1400, 550);
  Settle();
  ASSERT_FALSE(form->ForcesGrid->columnScrollBar()->isVisible());
  ClickCell(form->ForcesGrid, 4, 3);
  const QRect corner = form->ForcesGrid->visualRect(form->ForcesGrid->model()->index(4, 8));
  QTest::mouseClick(form->ForcesGrid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                    corner.center());
  Settle();
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            "pinned\t\t\t0.01\t\nelastic\t5000\t0\t0.005\t-0.001\n");
  ClickCell(form->ForcesGrid, 4, 2);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(data->points[0].support, pinned);
  EXPECT_EQ(data->points[1].support, elastic);
  EXPECT_EQ(form->ForcesGrid->cellText(4, 3), "elastic");
  // Each paste is one step.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->points[0].support, PointSupport{});
  EXPECT_EQ(data->points[1].support, pinned);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(data->points[1].support, PointSupport{});
  EXPECT_EQ(data->points[2].support, PointSupport{});
  dialogs.shown.clear();

  // The general data takes one value at its cell, a name as it is.
  ClickCell(form->MainGrid, 1, 5);
  Paste("2.5e5\n");
  EXPECT_EQ(data->stiffnessEI, 2.5e5);
  ClickCell(form->MainGrid, 1, 2);
  Paste("Pile\tA\n");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text,
            "Nothing pasted: the general data takes one value at a time, and the clipboard "
            "holds 1 rows of 2 values.");
  Paste("Pile, 2 m");
  EXPECT_EQ(data->problemName.View(), "Pile");
}

TEST_F(EditCommandsTest, CopyGivesTheSelectedCellsAsAPasteTakesThem) {
  StringGrid* soil = form->SoilGrid;
  Enter(soil, 2, 3, "12.3456789");
  // Section 1's load to section 2's spring, by a click and a click with Shift.
  ClickCell(soil, 2, 2);
  const QRect corner = soil->visualRect(soil->model()->index(3, 3));
  QTest::mouseClick(soil->viewport(), Qt::LeftButton, Qt::ShiftModifier, corner.center());
  Settle();
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "10\t100\n12.3456789\t0\n");
  // Pasted at section 3, the same values in full.
  ClickCell(soil, 2, 4);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(data->sectionCount, 4);
  EXPECT_EQ(data->sections[2].load, 10.0);
  EXPECT_EQ(data->sections[2].spring, 100.0);
  EXPECT_EQ(data->sections[3].load, 12.3456789);
  EXPECT_EQ(data->sections[3].spring, 0.0);
  // EI and width copy as stored, blank where a section takes the general data's.
  ClickCell(soil, 3, 2);
  Press(Qt::Key_Tab);
  Type(soil, "2.5e5");
  Press(Qt::Key_Tab);  // on to the width of section 1, which scrolls into view
  const QRect below = soil->visualRect(soil->model()->index(3, 4));
  QTest::mouseClick(soil->viewport(), Qt::LeftButton, Qt::ShiftModifier, below.center());
  Settle();
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "250000\t\n\t\n");
  // One cell with nothing else selected, and a name.
  ClickCell(form->MainGrid, 1, 2);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "Demonstration Problem\n");
}

}  // namespace
}  // namespace pelvar
