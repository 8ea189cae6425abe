// The main window as it opens: caption, client area, tool bar, menu, caption panels and the
// three tables with their texts, and how the window reacts to resizing, activation, the mouse,
// New and Quit.

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "desktop/pelvar_application.h"
#include "files/problem_file.h"
#include "support/window_fixture.h"
#include "ui/client_area.h"

namespace pelvar {
namespace {

QRect Geometry(const QWidget* widget) { return widget->geometry(); }

TEST_F(WindowTest, StartsCentredWithItsClientAreaToolBarAndMenu) {
  EXPECT_EQ(form->windowTitle(), "Pelvar - Beam on Elastic Foundation");
  // 750 x 550, or as high as the screen has room for (540 logical pixels in a run of these
  // tests), centred with its frame.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = form->frameGeometry();
  const int overhead = frame.height() - form->clientSize().height();
  EXPECT_EQ(form->clientSize(), QSize(750, std::min(550, screen.height() - overhead)));
  EXPECT_EQ(form->centralWidget(), form->clientArea());
  EXPECT_EQ(form->clientArea()->mapTo(form.get(), QPoint(0, 0)).y(),
            form->menuBar()->geometry().bottom() + 1);
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_EQ(form->windowIcon().pixmap(32, 32).deviceIndependentSize(), QSizeF(32, 32));
  EXPECT_EQ(QFontInfo(form->font()).pixelSize(), 11);

  EXPECT_EQ(Geometry(form->PanelMain), QRect(0, 0, 750, 24));
  const std::vector<std::pair<QToolButton*, QString>> buttons = {
      {form->SpeedButtonOpen, "Open"},      {form->SpeedButtonNew, "New"},
      {form->SpeedButtonSave, "Save"},      {form->SpeedButtonPrint, "Print"},
      {form->SpeedButtonCalc, "Calculate"}, {form->SpeedButtonNoTension, "Soil takes no tension"},
      {form->SpeedButtonHelp, "Help"}};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    QToolButton* button = buttons[i].first;
    SCOPED_TRACE(buttons[i].second.toStdString());
    EXPECT_EQ(button->parentWidget(), form->PanelMain);
    const int left = i < 6 ? static_cast<int>(i) * 25 : 726;
    EXPECT_EQ(Geometry(button), QRect(left, 0, 25, 25));
    EXPECT_EQ(button->toolTip(), buttons[i].second);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button->iconSize(), QSize(24, 22));
    // Drawn at the pixels of any screen scale, not a small picture blown up.
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
      EXPECT_EQ(button->icon().pixmap(QSize(24, 22), ratio).size(),
                (QSizeF(24, 22) * ratio).toSize());
    }
  }

  // The option's button is its menu item's: pressed exactly while the item is checked.
  EXPECT_EQ(form->SpeedButtonNoTension->defaultAction(), form->NoTension1);
  EXPECT_TRUE(form->NoTension1->isCheckable());
  EXPECT_FALSE(form->NoTension1->isChecked());
  // Its glyph tells the state too: the beam lying on the soil, or lifted off at its ends.
  const QIcon glyph = form->SpeedButtonNoTension->icon();
  EXPECT_NE(glyph.pixmap(QSize(24, 22), 1.0, QIcon::Normal, QIcon::On).toImage(),
            glyph.pixmap(QSize(24, 22), 1.0, QIcon::Normal, QIcon::Off).toImage());

  // Menu: File with its items and access keys, Edit, the problem's options, and Help acting on
  // the menu bar itself. After them, the commands that open the results window and the load
  // cases window.
  const QList<QAction*> bar = form->menuBar()->actions();
  ASSERT_EQ(bar.size(), 6);
  EXPECT_EQ(bar[4], form->Results1);
  EXPECT_EQ(bar[5], form->LoadCases1);
  EXPECT_EQ(form->LoadCases1->text(), "&Load cases");
  EXPECT_EQ(form->LoadCases1->shortcut().toString(), "Ctrl+L");
  EXPECT_EQ(bar[0]->text(), "&File");
  EXPECT_EQ(bar[0]->menu(), form->File1);
  EXPECT_EQ(bar[1]->text(), "&Edit");
  EXPECT_EQ(bar[1]->menu(), form->Edit1);
  EXPECT_EQ(bar[2]->text(), "&Options");
  EXPECT_EQ(bar[2]->menu(), form->Options1);
  EXPECT_EQ(form->Options1->actions(), QList<QAction*>({form->NoTension1}));
  EXPECT_EQ(form->NoTension1->text(), "Soil takes &no tension");
  EXPECT_EQ(bar[3], form->Help1);
  EXPECT_EQ(form->Help1->text(), "&Help");
  EXPECT_EQ(form->Help1->menu(), nullptr);
  QStringList items;
  QStringList keys;
  for (QAction* action : form->File1->actions()) {
    items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    keys << action->shortcut().toString();
  }
  EXPECT_EQ(items, QStringList({"&Open", "&New", "&Save", "&Print", "-", "&Quit"}));
  EXPECT_EQ(keys, QStringList({"Ctrl+O", "Ctrl+N", "Ctrl+S", "Ctrl+P", "", "Ctrl+Q"}));
  items.clear();
  keys.clear();
  for (QAction* action : form->Edit1->actions()) {
    items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QStringList shortcuts;
    for (const QKeySequence& key : action->shortcuts()) shortcuts << key.toString();
    keys << shortcuts.join(QLatin1Char(' '));
  }
  EXPECT_EQ(items, QStringList({"&Undo", "&Redo", "-", "&Copy", "&Paste"}));
  EXPECT_EQ(keys, QStringList({"Ctrl+Z", "Ctrl+Shift+Z Ctrl+Y", "", "Ctrl+C", "Ctrl+V"}));
  // Nothing to undo or redo in a problem just begun.
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
}

TEST_F(WindowTest, PlacesCaptionPanelsAndTablesAtTheirPixels) {
  EXPECT_EQ(Geometry(form->MainGrid), QRect(5, 60, 383, 134));
  EXPECT_EQ(Geometry(form->PanelGeneral), QRect(5, 31, 383, 30));
  EXPECT_EQ(form->GeneralHelp->pos(), QPoint(353, 2));
  EXPECT_EQ(form->LabelGeneral->pos(), QPoint(8, 7));
  EXPECT_EQ(form->LabelGeneral->text(), "Beam on Elastic Foundation : General Data");
  EXPECT_TRUE(form->LabelGeneral->font().bold());
  EXPECT_EQ(form->LabelGeneral->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(form->PanelGeneral->palette().color(QPalette::Window), QColor(0, 255, 0));

  // The sections show three of their five value columns beside the forces, and scroll the
  // others into view: the scroll bar below the value columns adds to the table's height.
  EXPECT_EQ(Geometry(form->PanelSections), QRect(5, 204, 325, 30));
  const QScrollBar* across = form->SoilGrid->columnScrollBar();
  ASSERT_TRUE(across->isVisible());
  EXPECT_EQ(across->height(), form->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  EXPECT_EQ(Geometry(form->SoilGrid), QRect(5, 233, 325, 96 + across->height()));
  const QRect view = form->SoilGrid->viewport()->geometry();
  EXPECT_EQ(Geometry(across), QRect(view.left() + 51, view.bottom() + 1 - across->height(),
                                    view.width() - 51, across->height()));
  EXPECT_EQ(across->maximum(), 2);
  EXPECT_EQ(form->SectionsHelp->pos(), QPoint(295, 2));
  EXPECT_EQ(form->Label1->text(), "Properties of Sections");
  // The forces show their force and moment, and scroll their support's five columns into view
  // likewise, right of the point and x.
  const QScrollBar* supports = form->ForcesGrid->columnScrollBar();
  ASSERT_TRUE(supports->isVisible());
  EXPECT_EQ(supports->maximum(), 5);
  EXPECT_EQ(supports->geometry().left(), form->ForcesGrid->viewport()->geometry().left() + 142);
  EXPECT_EQ(Geometry(form->PanelForces), QRect(346, 204, 325, 30));
  EXPECT_EQ(Geometry(form->ForcesGrid), QRect(346, 233, 325, 115 + supports->height()));
  EXPECT_EQ(form->StepsHelp->pos(), QPoint(295, 2));
  EXPECT_EQ(form->LabelSteps->text(), "Forces");
  for (QToolButton* help : {form->GeneralHelp, form->SectionsHelp, form->StepsHelp}) {
    EXPECT_EQ(help->size(), QSize(25, 25));
    EXPECT_EQ(help->toolTip(), "Help");
    EXPECT_EQ(help->focusPolicy(), Qt::NoFocus);
  }

  // Rows of 18 pixels plus a grid line; columns likewise.
  EXPECT_EQ(form->MainGrid->rowHeight(0), 19);
  EXPECT_EQ(form->MainGrid->columnWidth(0), 181);
  EXPECT_EQ(form->MainGrid->columnWidth(1), 201);
  EXPECT_EQ(form->SoilGrid->columnWidth(0), 51);
  EXPECT_EQ(form->ForcesGrid->columnWidth(3), 91);
  EXPECT_FALSE(form->MainGrid->horizontalHeader()->isVisible());
  EXPECT_FALSE(form->MainGrid->verticalHeader()->isVisible());
  // The whole table shows without scrolling: the last row starts inside the visible area, and
  // the wheel cannot move the rows either (their last grid line lies under the frame).
  EXPECT_EQ(form->ForcesGrid->rowViewportPosition(5), 5 * 19);
  for (const QPoint delta : {QPoint(0, -120), QPoint(-120, 0)}) {
    QWidget* viewport = form->ForcesGrid->viewport();
    QWheelEvent wheel(QPointF(60, 60), viewport->mapToGlobal(QPointF(60, 60)), QPoint(), delta,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(form->ForcesGrid->rowViewportPosition(0), 0);
    EXPECT_EQ(form->ForcesGrid->columnViewportPosition(0), 0);
  }
  EXPECT_EQ(form->ImageResults.size(), QGuiApplication::primaryScreen()->size());
}

TEST_F(WindowTest, FillsTheTablesWithTheDemonstrationProblem) {
  const QStringList mainTexts = {"Licensed User",
                                 "Tessaly",
                                 "File Name",
                                 "Demo.plv",
                                 "Problem Name",
                                 "Demonstration Problem",
                                 "Number of sections (max. 20)",
                                 "     3",
                                 "Number of elements (10..1000)",
                                 "   100",
                                 "Flexural stiffness of beam EI (kNm²)",
                                 "   1000000.0",
                                 "Width of beam (m)",
                                 "       1.000"};
  for (int row = 0; row < 7; ++row) {
    EXPECT_EQ(form->MainGrid->cellText(0, row), mainTexts[2 * row]);
    EXPECT_EQ(form->MainGrid->cellText(1, row), mainTexts[2 * row + 1]);
  }
  // No section has an EI or a width of its own: the general data's show, grey.
  const QStringList soil = {
      " Section", "      Length", "        Load", "      Spring", "          EI", "       Width",
      "",         "         m",   "       kN/m²", "       kN/m³", "        kNm²", "         m",
      "     1",   "      10.000", "      10.000", "     100.000", "   1000000.0", "       1.000",
      "     2",   "      10.000", "      10.000", "       0.000", "   1000000.0", "       1.000",
      "     3",   "      10.000", "      10.000", "     100.000", "   1000000.0", "       1.000"};
  ASSERT_EQ(form->SoilGrid->rowCount(), 5);
  ASSERT_EQ(form->SoilGrid->columnCount(), 6);
  for (int i = 0; i < soil.size(); ++i) {
    EXPECT_EQ(form->SoilGrid->cellText(i % 6, i / 6), soil[i]) << "cell " << i;
  }
  for (int col = 1; col <= 5; ++col) {
    const QVariant ink = form->SoilGrid->model()->index(3, col).data(Qt::ForegroundRole);
    EXPECT_EQ(ink.isValid() ? ink.value<QBrush>().color() : QColor(),
              col >= 4 ? QColor(128, 128, 128) : QColor())
        << "column " << col;
  }
  const QStringList forces = {"  Point", "         x",   "      Force",  "     Moment",
                              "",        "         m",   "        kN",   "        kNm",
                              "     0",  "       0.000", "       0.000", "       0.000",
                              "     1",  "      10.000", "       0.000", "       0.000",
                              "     2",  "      20.000", "       0.000", "       0.000",
                              "     3",  "      30.000", "       0.000", "       0.000"};
  ASSERT_EQ(form->ForcesGrid->rowCount(), 6);
  ASSERT_EQ(form->ForcesGrid->columnCount(), 9);
  for (int i = 0; i < forces.size(); ++i) {
    EXPECT_EQ(form->ForcesGrid->cellText(i % 4, i / 4), forces[i]) << "cell " << i;
  }
  // No point has a support: its kind shows, the values it would use are blank.
  const QStringList supports = {
      " Support", "      Spring", "      Spring", "           w", "       dw/dx",
      "",         "        kN/m", "     kNm/rad", "           m", "         rad"};
  for (int i = 0; i < supports.size(); ++i) {
    EXPECT_EQ(form->ForcesGrid->cellText(4 + i % 5, i / 5), supports[i]) << "heading " << i;
  }
  for (int row = 2; row < 6; ++row) {
    EXPECT_EQ(form->ForcesGrid->cellText(4, row), "none");
    for (int col = 5; col < 9; ++col) EXPECT_EQ(form->ForcesGrid->cellText(col, row), "");
  }

  // Fixed cells are yellow and can be neither selected nor edited; the x column is fixed.
  for (auto [grid, col, row] :
       std::vector<std::tuple<StringGrid*, int, int>>{{form->MainGrid, 0, 3},
                                                      {form->MainGrid, 1, 0},
                                                      {form->SoilGrid, 2, 1},
                                                      {form->ForcesGrid, 1, 3},
                                                      {form->ForcesGrid, 0, 4}}) {
    const QModelIndex cell = grid->model()->index(row, col);
    EXPECT_EQ(cell.flags(), Qt::NoItemFlags);
    EXPECT_EQ(cell.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::yellow));
  }
  EXPECT_TRUE(form->SoilGrid->model()->index(2, 1).flags() & Qt::ItemIsEditable);

  // The general data table has the focus and an open editor on the file name.
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 1));
  EXPECT_EQ(form->mainGridTrackedRow(), 1);
  EXPECT_EQ(EditorText(form->MainGrid), "Demo.plv");
  EXPECT_EQ(form->SoilGrid->cellEditor(), nullptr);
  EXPECT_EQ(Current(form->SoilGrid), QPoint(1, 2));
  EXPECT_EQ(form->soilGridTrackedCell(), QPoint(1, 2));
  EXPECT_EQ(form->forcesGridTrackedCell(), QPoint(0, 0));
  EXPECT_FALSE(data->resultsAvailable);
}

TEST_F(WindowTest, NumbersStandAtTheRightEdgeOfTheirCells) {
  // The column just right of the last dark pixel in a cell, in the grid's own pixels; the
  // left one likewise.
  auto inkEdges = [](StringGrid* grid, int col, int row) {
    const QImage image = grid->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QRect cell = grid->visualRect(grid->model()->index(row, col));
    int left = -1, right = -1;
    for (int x = qRound(cell.left() * ratio); x < qRound(cell.right() * ratio); ++x) {
      for (int y = qRound(cell.top() * ratio); y < qRound(cell.bottom() * ratio); ++y) {
        if (qGray(image.pixel(x, y)) >= 128) continue;
        if (left < 0) left = x;
        right = x + 1;
      }
    }
    return std::pair<int, int>(left, right);
  };
  // 100.000, 0.000 and 100.000 end alike: right-aligned, so their decimal points line up too.
  const int springs = inkEdges(form->SoilGrid, 3, 2).second;
  EXPECT_EQ(inkEdges(form->SoilGrid, 3, 3).second, springs);
  EXPECT_EQ(inkEdges(form->SoilGrid, 3, 4).second, springs);
  EXPECT_EQ(inkEdges(form->ForcesGrid, 1, 3).second, inkEdges(form->ForcesGrid, 1, 2).second);
  // The counts and reals of the general data end alike; a name starts at the left.
  const int counts = inkEdges(form->MainGrid, 1, 3).second;
  for (int row = 4; row <= 6; ++row) EXPECT_EQ(inkEdges(form->MainGrid, 1, row).second, counts);
  EXPECT_LT(inkEdges(form->MainGrid, 1, 2).first, inkEdges(form->MainGrid, 1, 6).first);
  // Typed numbers stand where they will be shown.
  form->MainGrid->setCurrentCell(5, 1);
  const auto* editor = qobject_cast<QLineEdit*>(form->MainGrid->cellEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->alignment() & Qt::AlignRight);
}

TEST_F(WindowTest, ResizingKeepsAtLeast600By400AndTheHelpButtonAtTheRight) {
  form->setClientSize(500, 300);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(600, 400); }))
      << form->clientSize().width() << " x " << form->clientSize().height();
  EXPECT_EQ(form->SpeedButtonHelp->x(), 576);
  EXPECT_EQ(form->PanelMain->width(), 600);
  // The window manager is told the same least size, so it never offers a smaller one.
  EXPECT_GE(form->minimumSizeHint().width(), 600);
  EXPECT_GE(form->minimumSizeHint().height(), 400 + form->menuBar()->height());

  form->setClientSize(1000, 800);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(1000, 800); }));
  EXPECT_EQ(form->SpeedButtonHelp->x(), 976);

  // New puts the client area back to 750 x 550.
  Click(form->SpeedButtonNew);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(750, 550); }));
  EXPECT_EQ(form->SpeedButtonHelp->x(), 726);
}

// The window stays within the room its screen has for windows at start-up and after New and
// Open, and the sections and forces tables end 5 pixels above the client area's bottom edge
// however many sections there are. Run again on a 1920 x 1080 screen at scale 2 (960 x 540
// logical pixels), where a 750 x 550 client area with its menu bar and frame does not fit.
TEST_F(WindowTest, StaysOnItsScreenWithTablesThatEndInTheClientArea) {
  const QRect room = form->screen()->availableGeometry();
  auto expectOnScreen = [&](const char* after) {
    SCOPED_TRACE(after);
    Settle();
    const QRect frame = form->frameGeometry();
    EXPECT_TRUE(room.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << " x " << frame.height();
    // As high as 550 where that fits, else as high as the screen.
    const int overhead = frame.height() - form->clientSize().height();
    EXPECT_EQ(form->clientSize(), QSize(750, std::min(550, room.height() - overhead)));
    const int bottom = form->clientSize().height() - 5;
    for (StringGrid* grid : {form->SoilGrid, form->ForcesGrid}) {
      const QScrollBar* across = grid->columnScrollBar();
      const int rows = 19 * grid->rowCount() + 1 + (across->isVisible() ? across->height() : 0);
      EXPECT_EQ(grid->geometry().bottom() + 1, std::min(grid->y() + rows, bottom))
          << grid->rowCount() << " rows";
    }
    // The sections give way to the forces' loads, which stand whole within the client area;
    // their supports' columns scroll.
    EXPECT_EQ(form->ForcesGrid->geometry().right() + 1, form->SoilGrid->width() + 5 + 16 + 325);
    EXPECT_LE(form->ForcesGrid->geometry().right() + 5, form->clientSize().width());
  };
  expectOnScreen("start-up");

  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "20");
  Press(Qt::Key_Return);
  ASSERT_EQ(data->sectionCount, 20);
  expectOnScreen("twenty sections typed");
  // The width of section 20, typed: its cell scrolls into view across and down.
  StringGrid* soil = form->SoilGrid;
  ClickCell(soil, 1, 2);
  for (int col = 1; col < 5; ++col) Press(Qt::Key_Tab);
  for (int row = 2; row < 21; ++row) Press(Qt::Key_Down);
  ASSERT_EQ(Current(soil), QPoint(5, 21));
  const QRect cell = soil->visualRect(soil->model()->index(21, 5));
  const QRect shown = soil->viewport()->rect().adjusted(0, 0, -soil->rowScrollBar()->width(),
                                                        -soil->columnScrollBar()->height());
  EXPECT_TRUE(shown.contains(cell.adjusted(0, 0, -1, -1)))
      << cell.x() << "," << cell.y() << " " << cell.width() << " x " << cell.height();
  EXPECT_EQ(soil->cellEditor()->geometry().topLeft(), cell.topLeft());
  Type(soil, "0.35");
  Press(Qt::Key_Up);
  EXPECT_EQ(data->sections[19].width, 0.35);
  EXPECT_EQ(soil->shownText(5, 21), "       0.350");
  expectOnScreen("a width typed at the far corner");
  // Point 20 fixed, by its kind's letter, and its rotation typed, at the forces' far corner.
  StringGrid* forces = form->ForcesGrid;
  ClickCell(forces, 3, 2);
  Press(Qt::Key_Tab);
  for (int row = 2; row < 22; ++row) Press(Qt::Key_Down);
  ASSERT_EQ(Current(forces), QPoint(4, 22));
  Press(Qt::Key_F);
  EXPECT_EQ(data->points[20].support.kind, SupportKind::Fixed);
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  ASSERT_EQ(Current(forces), QPoint(8, 22));
  const QRect corner = forces->visualRect(forces->model()->index(22, 8));
  const QRect inView = forces->viewport()->rect().adjusted(0, 0, -forces->rowScrollBar()->width(),
                                                           -forces->columnScrollBar()->height());
  EXPECT_TRUE(inView.contains(corner.adjusted(0, 0, -1, -1)))
      << corner.x() << "," << corner.y() << " " << corner.width() << " x " << corner.height();
  Type(forces, "-0.002");
  Press(Qt::Key_Up);
  EXPECT_EQ(data->points[20].support.rotation, -0.002);
  EXPECT_EQ(forces->shownText(8, 22), "   -0.002000");
  expectOnScreen("a support's rotation typed at the far corner");

  // Enlarged beyond the screen, by the window manager or the user: New brings it back.
  form->setClientSize(room.width() + 100, room.height() + 100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize().height() > room.height(); }));
  Press(Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(data->sectionCount, 3);
  expectOnScreen("New");

  // A file of twenty sections opened.
  QTemporaryDir dir;
  ProblemData twenty;
  ResetToDefaults(twenty);
  twenty.sectionCount = 20;
  UpdatePointPositions(twenty);
  const QString path = dir.filePath(QStringLiteral("Twenty.plv"));
  ASSERT_TRUE(WriteProblemFile(twenty, path.toStdString()).ok);
  dialogs.fileAnswers.push_back(path);
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(data->sectionCount, 20);
  expectOnScreen("Open");
}

TEST_F(WindowTest, ThePictureAndTheInputNeverShowTogether) {
  // Calculate shows the picture alone; whatever erases it brings all six controls back.
  auto calculate = [&] {
    Click(form->SpeedButtonCalc);
    ASSERT_TRUE(form->clientArea()->showsPicture());
    for (QWidget* control : form->inputControls()) ASSERT_FALSE(control->isVisible());
  };
  auto expectInputAlone = [&](const char* after) {
    SCOPED_TRACE(after);
    EXPECT_FALSE(form->clientArea()->showsPicture());
    for (QWidget* control : form->inputControls()) EXPECT_TRUE(control->isVisible());
  };
  calculate();
  // A move over the tool bar is not a move over the window's own surface, and switching to
  // another window and back keeps the picture as it is.
  QTest::mouseMove(form->PanelMain, QPoint(200, 10));
  QWidget other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Settle();
  EXPECT_TRUE(form->clientArea()->showsPicture());
  for (QWidget* control : form->inputControls()) EXPECT_FALSE(control->isVisible());

  QTest::mouseMove(form->clientArea(), QPoint(700, 500));
  Settle();
  expectInputAlone("a move over the surface");

  calculate();
  form->setClientSize(800, 600);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(800, 600); }));
  expectInputAlone("a resize");

  // New at another size resizes the window, at the default size it resizes nothing; it erases
  // the picture of the results it drops either way.
  calculate();
  Click(form->SpeedButtonNew);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(750, 550); }));
  Settle();
  expectInputAlone("New at another size");
  calculate();
  Click(form->SpeedButtonNew);
  expectInputAlone("New at the default size");
}

TEST_F(WindowTest, QuitAndTheCloseBoxEndTheProgramWithoutAQuestion) {
  data->stiffnessEI = 5.0;  // unsaved work
  QTimer::singleShot(0, form.get(), [&] { form->Quit1->trigger(); });
  EXPECT_EQ(QApplication::exec(), 0);
  QTimer::singleShot(0, form.get(), [&] { form->close(); });
  form->show();
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(dialogs.saveRequests.empty());
}

}  // namespace
}  // namespace pelvar
