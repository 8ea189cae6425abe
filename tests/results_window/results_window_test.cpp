// The results window as a user meets it: opened by its command after Calculate, the readout
// under the mouse, the copied selection, the exported CSV, PNG and SVG, and the notice once
// the results no longer match the problem.

#include "results_window/results_window.h"

// Mouse moves go to the window under test itself, not to whichever window the offscreen cursor
// finds first at that screen point (the main window lies under the results window).
#define QTEST_QPA_MOUSE_HANDLING

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSet>
#include <QSpinBox>
#include <QSplitter>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QXmlStreamReader>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/envelope.h"
#include "desktop/qt_dialogs.h"
#include "drawings/diagram_picture.h"
#include "drawings/results_picture.h"
#include "drawings/support_symbols.h"
#include "files/problem_file.h"
#include "files/state_names.h"
#include "report/report.h"
#include "results_window/diagram_view.h"
#include "results_window/results_table_model.h"
#include "support/recording_surface.h"
#include "support/window_fixture.h"
#include "text/number_format.h"
#include "text/number_reader.h"
#include "ui/client_area.h"

namespace pelvar {
namespace {

class ResultsWindowTest : public WindowTest {
 protected:
  // Calculates the demonstration problem and opens the results window with its shortcut, at
  // 900 x 720 or at the size and place it opens with.
  ResultsWindow* Open(bool asOpened = false) {
    Click(form->SpeedButtonCalc);
    EXPECT_TRUE(form->Results1->isEnabled());
    form->activateWindow();
    Press(Qt::Key_R, Qt::ControlModifier);
    ResultsWindow* window = form->resultsWindow();
    if (window != nullptr) {
      if (!asOpened) window->resize(900, 720);
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
      Settle();
    }
    return window;
  }

  QStringList Lines(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  }

  QByteArray Bytes(const QString& name) {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
  }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  QTemporaryDir dir;
};

TEST_F(ResultsWindowTest, FollowsCalculateAndShowsNothingStaleAfterAnEdit) {
  EXPECT_FALSE(form->Results1->isEnabled());
  EXPECT_EQ(form->Results1->text(), "&Results");
  EXPECT_EQ(form->Results1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  // Without load cases there is nothing to choose.
  EXPECT_FALSE(window->showRow->isVisible());
  EXPECT_TRUE(form->isVisible());
  // Its File menu's access keys are distinct.
  QStringList keys;
  for (QAction* action : window->menuBar()->actions().front()->menu()->actions()) {
    const QString text = action->text();
    if (const qsizetype amp = text.indexOf(QLatin1Char('&')); amp >= 0)
      keys << text.mid(amp + 1, 1).toLower();
  }
  EXPECT_EQ(keys.size(), 3);
  EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size())
      << keys.join(',').toStdString();
  EXPECT_EQ(window->nodeTable->model()->rowCount(), 101);
  EXPECT_EQ(window->elementTable->model()->rowCount(), 100);
  EXPECT_EQ(window->elementTable->model()->index(99, 1).data().toString(), "3");
  // 10 kN/m² on 30 m of a 1 m wide beam, all carried by the springs.
  EXPECT_EQ(window->equilibrium->text().toStdString(),
            "Equilibrium:   load 300.000 kN  +  point forces 0.000 kN  =  springs 300.000 kN   "
            "(balance 0.000 kN)");
  // Beside it, how close the results come to the exact continuous beam, which the View menu
  // draws over the diagrams (Ctrl+E) and takes away again.
  EXPECT_EQ(window->accuracy->text().toStdString(),
            "Against the exact continuous beam (View > Exact beam):   w 0.0017 % off,   "
            "Q 0.0010 % off,   M 0.0054 % off");
  const QImage plain = window->diagrams->grab().toImage();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  Press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(window->exactBeamAction->isChecked());
  EXPECT_NE(window->diagrams->grab().toImage(), plain);
  Press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(window->diagrams->grab().toImage(), plain);

  // Passing through cells, and typing what a cell holds already, changes nothing: the results
  // stay. The tables come back when the mouse moves over the main window.
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::mouseMove(form->clientArea(), QPoint(740, 540));
  Settle();
  ClickCell(form->SoilGrid, 2, 3);
  Press(Qt::Key_Tab);
  Press(Qt::Key_Return);
  Type(form->SoilGrid, "100");  // the spring of section 3, as it is
  Press(Qt::Key_Tab, Qt::ControlModifier);
  Press(Qt::Key_Tab);
  Type(form->ForcesGrid, "0");
  ClickCell(form->MainGrid, 1, 3);
  Type(form->MainGrid, "3");
  Press(Qt::Key_Return);
  Type(form->MainGrid, " 100");
  Press(Qt::Key_Return);
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->Results1->isEnabled());
  EXPECT_TRUE(window->hasResults());
  EXPECT_EQ(data->sections[2].spring, 100.0);

  // A committed edit: the window stays, says why it shows nothing, and offers no export.
  ClickCell(form->SoilGrid, 2, 3);
  Type(form->SoilGrid, "12");
  Press(Qt::Key_Return);
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->Results1->isEnabled());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->hasResults());
  // The diagrams say so; nothing else repeats it.
  EXPECT_EQ(window->readout->text(), "");
  EXPECT_EQ(window->nodeTable->model()->rowCount(), 0);
  EXPECT_EQ(window->elementTable->model()->rowCount(), 0);
  EXPECT_EQ(window->equilibrium->text(), "");
  EXPECT_EQ(window->accuracy->text(), "");
  EXPECT_FALSE(window->exactBeamAction->isEnabled());
  EXPECT_FALSE(window->exportCsvAction->isEnabled());
  EXPECT_FALSE(window->exportPictureAction->isEnabled());
  EXPECT_FALSE(window->copyAction->isEnabled());

  // A new Calculate refreshes it with the problem as it now is.
  data->elementCount = 40;
  Click(form->SpeedButtonCalc);
  EXPECT_TRUE(window->hasResults());
  EXPECT_EQ(window->nodeTable->model()->rowCount(), 41);
  EXPECT_TRUE(window->exportCsvAction->isEnabled());

  // Supports get a tab of their own with what each gives the beam, and the balance counts them;
  // without supports the tab goes again.
  EXPECT_EQ(window->tables->count(), 2);
  data->points[0].support.kind = SupportKind::Pinned;
  data->points[3].support.kind = SupportKind::Fixed;
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(window->hasResults());
  ASSERT_EQ(window->tables->count(), 3);
  EXPECT_EQ(window->tables->tabText(2), "Supports");
  const QAbstractItemModel* supports = window->supportTable->model();
  ASSERT_EQ(supports->rowCount(), 2);
  EXPECT_EQ(supports->index(1, 0).data().toString(), "3");
  EXPECT_EQ(supports->index(1, 1).data().toString(), "fixed");
  EXPECT_EQ(supports->index(1, 2).data().toString().trimmed(), "30.0000");
  const double carried = data->reactions[0].force + data->reactions[3].force;
  EXPECT_GT(carried, 0.0);
  EXPECT_LT(carried, 300.0);
  EXPECT_NE(window->equilibrium->text().indexOf(QString::fromStdString(
                FormatText("+  supports %.3f kN   (balance 0.000 kN)", carried))),
            -1)
      << window->equilibrium->text().toStdString();
  data->points[0].support = data->points[3].support = {};
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(window->tables->count(), 2);

  // Pressures beyond the doubles (each element's load is finite, their sum is not) are listed
  // but not drawn.
  data->sectionCount = 1;
  data->elementCount = 1000;
  data->sections[0] = {100.0, 1e305, 10.0};
  data->beamWidth = 100.0;
  UpdatePointPositions(*data);
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(window->hasResults());
  EXPECT_FALSE(window->diagrams->layout().usable);
  EXPECT_FALSE(window->diagrams->grab().isNull());

  // New clears the results as well.
  form->SpeedButtonNewClick();
  EXPECT_FALSE(window->hasResults());
  EXPECT_EQ(window->elementTable->model()->rowCount(), 0);
}

TEST_F(ResultsWindowTest, ReadoutShowsTheNodeAndElementUnderTheMouse) {
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  DiagramView* view = window->diagrams;
  const DiagramLayout& layout = view->layout();
  ASSERT_TRUE(layout.usable);
  EXPECT_EQ(window->readout->text(), "Move the mouse over the diagrams to read the values.");

  // Node 50 of the demonstration problem lies 17 of 33 elements into the 10 m long section 2;
  // a pixel right of it is over element 51, in that section, which has no springs.
  const double x50 = 10.0 + 17.0 * 10.0 / 33.0;
  const QPoint point(static_cast<int>(layout.xToPixel(x50)) + 1,
                     static_cast<int>(layout.panels[1].plot.center().y()));
  QTest::mouseMove(view, point);
  Settle();
  EXPECT_EQ(view->markedNode(), 50);
  EXPECT_EQ(view->markedElement(), 50);
  const ResultNode& node = data->nodes[50];
  const QString expected =
      QString::fromStdString(
          FormatText("Node 50:   x = %.4f m      w = %.6f m      Q = %.4f kN      "
                     "M = %.3f kNm\n",
                     x50, node.w, node.Q, node.M)) +
      QString::fromUtf8(
          FormatText("Element 51 (section 2, x = %.4f to %.4f m):   p = 0.0000 kN/m\u00b2", x50,
                     10.0 + 18.0 * 10.0 / 33.0)
              .c_str());
  EXPECT_EQ(window->readout->text(), expected);

  // Over the first element of section 3 the pressure is the springs' push, k times the mean w.
  const double x67 = 20.0 + 10.0 / 34.0 * 0.5;
  QTest::mouseMove(view, QPoint(static_cast<int>(layout.xToPixel(x67)),
                                static_cast<int>(layout.panels[3].plot.center().y())));
  Settle();
  EXPECT_EQ(view->markedElement(), 66);
  const double p = 100.0 * 0.5 * (data->nodes[66].w + data->nodes[67].w);
  EXPECT_TRUE(window->readout->text().endsWith(
      QString::fromUtf8(FormatText("p = %.4f kN/m\u00b2", p).c_str())))
      << window->readout->text().toStdString();

  // Away from the diagrams the marker goes.
  QTest::mouseMove(view, QPoint(2, 2));
  Settle();
  EXPECT_EQ(view->markedNode(), -1);
}

// A column on a footing, 500 kN and 200 kNm at the middle of 6 m, where the beam's Q is 198.75 kN
// left and -301.25 kN right of it and M 245.43 and 445.43 kNm: the node table shows both sides in
// two rows at the column's x, the right one unnumbered, and copies them as shown; the extremes
// say on which side they lie; the readout over the column gives the larger side of each, with
// the other beside it where the line has room.
TEST_F(ResultsWindowTest, AJumpShowsBothSidesAtItsX) {
  data->sectionCount = 2;
  data->elementCount = 100;
  data->stiffnessEI = 810000.0;
  data->beamWidth = 2.0;
  data->sections[0] = data->sections[1] = {3.0, 10.0, 20000.0};
  data->points[0] = data->points[2] = {};
  data->points[1] = {3.0, 500.0, 200.0};
  UpdatePointPositions(*data);
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  auto real = [](const QString& text) { return ReadReal(text.toStdString()); };
  auto after = [&](const QString& text, const QString& label) {
    const qsizetype at = text.indexOf(label);
    EXPECT_GE(at, 0) << label.toStdString() << " in " << text.toStdString();
    return at < 0 ? 0.0 : real(text.mid(at + label.size()));
  };

  const auto* model = window->nodeTable->model();
  ASSERT_EQ(model->rowCount(), 102);
  const struct {
    int row;
    const char* node;
    double Q, M;
  } rows[] = {{50, "50", 198.75, 245.43}, {51, "", -301.25, 445.43}};
  for (const auto& r : rows) {
    EXPECT_EQ(model->index(r.row, 0).data().toString(), r.node);
    EXPECT_EQ(real(model->index(r.row, 1).data().toString()), 3.0);
    EXPECT_NEAR(real(model->index(r.row, 3).data().toString()), r.Q, 0.01);
    EXPECT_NEAR(real(model->index(r.row, 4).data().toString()), r.M, 0.01);
  }
  EXPECT_EQ(model->index(52, 0).data().toString(), "51");
  QTableView* table = window->nodeTable;
  table->selectionModel()->select(QItemSelection(model->index(50, 0), model->index(51, 3)),
                                  QItemSelectionModel::Select);
  table->setFocus();
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
  ASSERT_EQ(copied.size(), 4);
  EXPECT_TRUE(copied[1].startsWith("50\t3\t")) << copied[1].toStdString();
  EXPECT_TRUE(copied[2].startsWith("\t3\t")) << copied[2].toStdString();
  EXPECT_NEAR(real(copied[2].section(QLatin1Char('\t'), 3)), -301.25, 0.01);

  // The extremes' labels, as the exported picture holds them in its texts.
  dialogs.fileAnswers = {dir.filePath("column.svg")};
  dialogs.sizeAnswers = {QSize(1200, 900)};
  window->exportPictureAction->trigger();
  QFile svg(dir.filePath("column.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svg);
  QStringList texts;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text")) {
      texts << xml.readElementText().trimmed();
    }
  }
  for (const char* label :
       {"min -301.3 just right of x = 3.000 m", "max 198.7 just left of x = 3.000 m",
        "min 0.0 at x = 0.000 m", "max 445.4 just right of x = 3.000 m"}) {
    EXPECT_TRUE(texts.contains(label)) << label << " in " << texts.join('|').toStdString();
  }

  // Over the column: the right side of both, the larger, and the left one beside it; in a
  // window too narrow for both, the larger alone.
  for (const int width : {1400, 600}) {
    window->resize(width, 720);
    Settle();
    DiagramView* view = window->diagrams;
    const DiagramLayout& layout = view->layout();
    ASSERT_TRUE(layout.usable) << width;
    QTest::mouseMove(view, QPoint(static_cast<int>(layout.xToPixel(3.0)),
                                  static_cast<int>(layout.panels[1].plot.center().y())));
    Settle();
    EXPECT_EQ(view->markedNode(), 50);
    const QString line = window->readout->text().section(QLatin1Char('\n'), 0, 0);
    EXPECT_NEAR(after(line, "Q right = "), -301.25, 0.01);
    EXPECT_NEAR(after(line, "M right = "), 445.43, 0.01);
    if (width == 1400) {
      EXPECT_NEAR(after(line, " kN (left "), 198.75, 0.01);
      EXPECT_NEAR(after(line, " kNm (left "), 245.43, 0.01);
    } else {
      EXPECT_FALSE(line.contains("left")) << line.toStdString();
    }
  }
}

// Where the problem has load cases, the Show box chooses by keys what the window and the main
// window's picture show: each case, each combination or the envelope of them all. On linear
// soil a combination is the factored sum of its cases, and the envelope holds at every node the
// largest and smallest of its states.
TEST_F(ResultsWindowTest, ShowChoosesACaseACombinationOrTheEnvelopeByKeys) {
  LoadCases& cases = data->loadCases;
  cases.caseCount = 2;
  cases.cases[0].name.Set("Dead");
  cases.cases[1].name.Set("Live \xE4");
  cases.cases[1].sectionLoad = {5.0, 0.0, 0.0};
  cases.cases[1].pointForce[3] = -100.0;
  cases.combinationCount = 2;
  cases.combinations[0].name.Set("ULS");
  cases.combinations[0].factor = {1.35, 1.5};
  cases.combinations[1].name.Set("SLS");
  cases.combinations[1].factor = {1.0, 1.0};
  cases.soilFactorCount = 1;
  cases.soilFactors[0] = 1.0;
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->showRow->isVisible());
  QStringList entries;
  for (int i = 0; i < window->showBox->count(); ++i) entries << window->showBox->itemText(i);
  EXPECT_EQ(entries, QStringList({"Dead", QString::fromUtf8("Live \u00e4"), "", "ULS", "SLS", "",
                                  "Envelope"}));
  EXPECT_EQ(window->showBox->currentText(), "Dead");

  // A column of the node table at full precision.
  auto column = [&](int c) {
    const auto* model = static_cast<const ResultsTableModel*>(window->nodeTable->model());
    std::vector<double> values;
    for (int row = 0; row < model->rowCount(); ++row) {
      values.push_back(ReadReal(model->exactText(row, c).toStdString()));
    }
    return values;
  };
  const std::vector<double> dead = column(2);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  Press(Qt::Key_S, Qt::AltModifier);
  ASSERT_EQ(QApplication::focusWidget(), window->showBox);
  Press(Qt::Key_Down);
  const std::vector<double> live = column(2);
  Press(Qt::Key_Down);  // past the line between the cases and the combinations
  EXPECT_EQ(window->showBox->currentText(), "ULS");
  const std::vector<double> uls = column(2);
  Press(Qt::Key_Down);
  const std::vector<double> sls = column(2);
  ASSERT_EQ(uls.size(), 101u);
  const double scale = *std::max_element(uls.begin(), uls.end());
  for (std::size_t j = 0; j < uls.size(); ++j) {
    EXPECT_NEAR(uls[j], 1.35 * dead[j] + 1.5 * live[j], 1e-12 * scale) << j;
    EXPECT_NEAR(sls[j], dead[j] + live[j], 1e-12 * scale) << j;
  }
  EXPECT_EQ(window->nodeTable->model()->columnCount(), 5);

  // The envelope: its columns, each the largest or smallest of the two states.
  Press(Qt::Key_End);
  EXPECT_EQ(window->showBox->currentText(), "Envelope");
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the wait cursor is put back
  const auto shown = window->shownResults();
  ASSERT_NE(shown, nullptr);
  ASSERT_NE(shown->envelope, nullptr);
  QStringList headings;
  for (int c = 0; c < window->nodeTable->model()->columnCount(); ++c) {
    headings << window->nodeTable->model()->headerData(c, Qt::Horizontal).toString();
  }
  EXPECT_EQ(headings, QStringList({"Node", "x (m)", "wMax (m)", "wMin (m)", "QMax (kN)",
                                   "QMin (kN)", "MMax (kNm)", "MMin (kNm)"}));
  EXPECT_EQ(window->elementTable->model()->headerData(5, Qt::Horizontal).toString(),
            QString::fromUtf8("pMin (kN/m\u00b2)"));
  const std::vector<double> wMax = column(2), wMin = column(3);
  for (std::size_t j = 0; j < uls.size(); ++j) {
    EXPECT_NEAR(wMax[j], std::max(uls[j], sls[j]), 1e-12 * scale) << j;
    EXPECT_NEAR(wMin[j], std::min(uls[j], sls[j]), 1e-12 * scale) << j;
  }
  EXPECT_TRUE(window->accuracy->text().startsWith(
      "Envelope of 2 states, the worst of them against the exact continuous beam:   w "))
      << window->accuracy->text().toStdString();
  EXPECT_FALSE(window->equilibrium->isVisible());
  EXPECT_FALSE(window->exactBeamAction->isEnabled());

  // The readout names what governs each extreme at the node under the mouse: the live load
  // lifts the right end, where SLS holds the largest w and ULS, with more of it, the smallest.
  DiagramView* view = window->diagrams;
  const DiagramLayout& layout = view->layout();
  ASSERT_TRUE(layout.usable);
  QTest::mouseMove(view, QPoint(static_cast<int>(layout.xToPixel(30.0)),
                                static_cast<int>(layout.panels[0].plot.center().y())));
  Settle();
  ASSERT_EQ(view->markedNode(), 100);
  const NodeEnvelope& end = shown->envelope->nodes[100];
  ASSERT_GT(sls[100], uls[100]);
  auto text = [&](double value, ResultQuantity q) {
    return QString::fromStdString(FixedText(value, DiagramDecimals(*shown, q) + 2));
  };
  const QStringList readout = window->readout->text().split('\n');
  ASSERT_EQ(readout.size(), 5);
  EXPECT_EQ(readout[0],
            "Node 100 at x = 30.0000 m;   element 100 (section 3, x = 29.7059 to "
            "30.0000 m)");
  EXPECT_EQ(readout[1],
            QStringLiteral("w   max %1 m (\"SLS\", soil factor 1)   min %2 m (\"ULS\", "
                           "soil factor 1)")
                .arg(text(sls[100], ResultQuantity::W), text(uls[100], ResultQuantity::W)));
  EXPECT_EQ(readout[3], QStringLiteral("M   max %1 kNm (%2)   min %3 kNm (%4)")
                            .arg(text(end.MMax.value, ResultQuantity::M),
                                 QString::fromStdString(StateText(*data, end.MMax.state)),
                                 text(end.MMin.value, ResultQuantity::M),
                                 QString::fromStdString(StateText(*data, end.MMin.state))));
  EXPECT_TRUE(readout[4].startsWith(QString::fromUtf8("p   max "))) << readout[4].toStdString();

  // In the M panel the band between the two curves is shaded with M's tint, the room between
  // the zero line and the band is not.
  const QImage image = view->grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  const DiagramPanel& m = layout.panels[2];
  const std::vector<double> mMax = column(6), mMin = column(7);
  const double x50 = 10.0 + 17.0 * 10.0 / 33.0;
  // Of the heights between two values at node 50, the one farthest from the grid lines.
  auto colourBetween = [&](double from, double to) {
    double best = m.valueToY(from), distance = -1.0;
    for (int k = 1; k < 8; ++k) {
      const double y = m.valueToY(from + (to - from) * k / 8.0);
      double nearest = 1e9;
      for (double tick : m.axis.ticks) nearest = std::min(nearest, std::abs(y - m.valueToY(tick)));
      if (nearest > distance) std::tie(best, distance) = std::pair(y, nearest);
    }
    return image.pixelColor(qFloor(layout.xToPixel(x50) * ratio), qFloor(best * ratio));
  };
  ASSERT_GT(mMin[50], 0.1 * mMax[50]);
  const QColor band = colourBetween(mMin[50], mMax[50]);
  const QColor tint = EnvelopeBandShade(ResultQuantity::M);
  EXPECT_NEAR(band.red(), 255 - qRound(tint.alphaF() * 255), 2);
  EXPECT_NEAR(band.green(), 255 - qRound(tint.alphaF() * 255), 2);
  EXPECT_EQ(band.blue(), 255);
  const QColor outside = colourBetween(0.0, mMin[50]);
  EXPECT_EQ(outside.red(), outside.blue());
  EXPECT_EQ(outside.green(), outside.blue());

  // The main window's picture shows it too, named under the extremes.
  ASSERT_TRUE(form->clientArea()->showsPicture());
  const PictureGeometry geometry =
      ComputePictureGeometry(form->clientArea()->width(), form->clientArea()->height());
  QImage expected(form->ImageResults.size(), form->ImageResults.format());
  expected.setDevicePixelRatio(form->ImageResults.devicePixelRatio());
  expected.fill(Qt::white);
  {
    QPainter painter(&expected);
    DrawResults(painter, *shown->data, shown->summary, geometry.drawWidth, geometry.drawHeight,
                nullptr, ShownPicture{"Envelope of 2 states", shown->envelope.get()});
  }
  const QRect drawn(QPoint(0, 0), QSizeF(QSizeF(geometry.drawWidth, geometry.drawHeight) *
                                         expected.devicePixelRatio())
                                      .toSize());
  EXPECT_EQ(form->ImageResults.copy(drawn), expected.copy(drawn));

  // The envelope's node table is what the CSV holds.
  dialogs.fileAnswers = {dir.filePath("envelope.csv")};
  window->exportCsvAction->trigger();
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].fileName, "Demo envelope.csv");
  const QStringList csv = Lines(dir.filePath("envelope.csv"));
  ASSERT_EQ(csv.size(), 103);
  EXPECT_EQ(csv[0], "node,x,wMax,wMin,QMax,QMin,MMax,MMin");
  EXPECT_EQ(ReadReal(csv[101].section(',', 2, 2).toStdString()), wMax[100]);

  // A new Calculate keeps the choice where the problem still has it, and else shows the first
  // case.
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(window->showBox->currentText(), "Envelope");
  ASSERT_NE(window->shownResults(), nullptr);
  EXPECT_NE(window->shownResults()->envelope, nullptr);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  window->showBox->setFocus();
  Press(Qt::Key_Up);
  EXPECT_EQ(window->showBox->currentText(), "SLS");
  cases.combinations[1].name.Set("Rare");
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(window->showBox->currentText(), "Dead");
  EXPECT_EQ(column(2), dead);

  // A choice that cannot be calculated says why as Calculate would, and nothing stands for
  // it: on soil that takes no tension the live load alone lifts the beam off.
  data->noTension = true;
  cases.cases[1].sectionLoad = {};
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  dialogs.shown.clear();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  window->showBox->setFocus();
  Press(Qt::Key_Down);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::Error);
  CalculationFault liftsOff;
  liftsOff.kind = FaultKind::LiftsOff;
  EXPECT_EQ(dialogs.shown[0].text.toStdString(), FaultMessage(liftsOff));
  EXPECT_FALSE(window->hasResults());
  EXPECT_EQ(window->nodeTable->model()->rowCount(), 0);
  EXPECT_FALSE(window->exportCsvAction->isEnabled());
  EXPECT_FALSE(form->clientArea()->showsPicture());
}

TEST_F(ResultsWindowTest, TablesShowSixDigitsAndCopyTheHeadingsAndFullPrecision) {
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  QTableView* table = window->nodeTable;
  const auto* model = table->model();
  // Each column with the decimals that give its largest value six significant digits: x up to
  // 30 m, w up to 0.164 m, Q up to 50 kN, M up to 356.780 kNm.
  const ResultNode& node = data->nodes[1];
  EXPECT_EQ(model->index(1, 0).data().toString(), "1");
  EXPECT_EQ(model->index(1, 1).data().toString(), "0.3030");
  EXPECT_EQ(model->index(1, 2).data().toString().toStdString(), FormatText("%.6f", node.w));
  EXPECT_EQ(model->index(1, 3).data().toString().toStdString(), FormatText("%.4f", node.Q));
  EXPECT_EQ(model->index(1, 4).data().toString().toStdString(), FormatText("%.3f", node.M));
  EXPECT_EQ(model->index(0, 4).data().toString(), "0.000");
  EXPECT_EQ(model->index(100, 1).data().toString(), "30.0000");
  EXPECT_EQ(model->index(1, 2).data(Qt::TextAlignmentRole).toInt(),
            int(Qt::AlignRight | Qt::AlignVCenter));

  // Copy: the headings of the columns, then every value at full precision.
  table->selectionModel()->select(QItemSelection(model->index(1, 1), model->index(2, 2)),
                                  QItemSelectionModel::Select);
  table->setFocus();
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  const QString text = QGuiApplication::clipboard()->text();
  const QStringList rows = text.split(QLatin1Char('\n'));
  ASSERT_EQ(rows.size(), 4) << text.toStdString();
  EXPECT_EQ(rows[0], "x (m)\tw (m)");
  EXPECT_EQ(rows[3], "");
  for (int r = 0; r < 2; ++r) {
    const QStringList cells = rows[r + 1].split(QLatin1Char('\t'));
    ASSERT_EQ(cells.size(), 2);
    EXPECT_EQ(ReadReal(cells[0].toStdString()), data->nodes[r + 1].x);
    EXPECT_EQ(ReadReal(cells[1].toStdString()), data->nodes[r + 1].w);
  }
  EXPECT_EQ(ReadReal(rows[1].split('\t')[0].toStdString()), 10.0 / 33.0);
}

TEST_F(ResultsWindowTest, EveryDiagramHasRoundTicksAndNoTextOverAnother) {
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  const DiagramLayout& layout = window->diagrams->layout();
  ASSERT_TRUE(layout.usable);
  const double line = layout.lineHeight;
  double bandsEnd = layout.sectionBandTop + line;  // the bottom of the texts above
  for (const DiagramPanel& panel : layout.panels) {
    SCOPED_TRACE(static_cast<int>(panel.quantity));
    // At least three ticks, the zero line among them, far enough apart for all their labels,
    // all inside the frame.
    const std::vector<double>& ticks = panel.axis.ticks;
    EXPECT_GE(ticks.size(), 3u);
    EXPECT_NE(std::find(ticks.begin(), ticks.end(), 0.0), ticks.end());
    for (std::size_t k = 0; k < ticks.size(); ++k) {
      const double y = panel.valueToY(ticks[k]);
      EXPECT_GE(y - line / 2.0, panel.plot.top() - 1e-9);
      EXPECT_LE(y + line / 2.0, panel.plot.bottom() + 1e-9);
      if (k > 0) {
        EXPECT_GE(std::abs(y - panel.valueToY(ticks[k - 1])), line);
      }
    }
    // The band of the minimum above the frame, of the maximum below it, none over another.
    EXPECT_GE(panel.plot.top() - line, bandsEnd - 1e-9);
    bandsEnd = panel.plot.bottom() + line;
  }
  EXPECT_GE(layout.axisTop, bandsEnd);
  EXPECT_GE(layout.signTop, layout.axisTop + line);
  EXPECT_LE(layout.signTop + line, window->diagrams->height());
}

// At every size the window takes, each diagram labels at least three round values, a line
// apart at least, that take in its extremes, a negative one wherever its curve goes below 0:
// the demonstration problem, 20 short sections whose shear force swings both ways, and a beam
// lifted at its first joint, whose moment goes negative. Each label is drawn where it stands.
TEST_F(ResultsWindowTest, EveryDiagramLabelsThreeRoundValuesAtEverySize) {
  const struct {
    const char* problem;
    std::function<void(ProblemData&)> make;
  } problems[] = {
      {"demonstration", [](ProblemData&) {}},
      {"20 sections",
       [](ProblemData& d) {
         d.sectionCount = 20;
         d.elementCount = 1000;
         for (int i = 0; i < 20; ++i) d.sections[i] = {1.5, i % 2 == 0 ? 40.0 : -5.0, 800.0};
         for (int i = 0; i <= 20; ++i) d.points[i] = {0.0, i % 3 == 0 ? -60.0 : 25.0, 0.0};
         UpdatePointPositions(d);
       }},
      {"lifted", [](ProblemData& d) { d.points[1].force = -400.0; }},
  };
  const QSize sizes[] = {{1100, 900}, {900, 720}, {760, 600}, {640, 560}, {1280, 640}};
  for (const auto& p : problems) {
    ResetToDefaults(*data);
    p.make(*data);
    // The window, once open, follows every Calculate.
    if (form->resultsWindow() == nullptr) Open();
    Click(form->SpeedButtonCalc);
    ResultsWindow* window = form->resultsWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->hasResults());
    const auto snapshot = TakeResultsSnapshot(*data);
    for (const QSize& size : sizes) {
      SCOPED_TRACE(std::string(p.problem) + " at " + std::to_string(size.width()) + " x " +
                   std::to_string(size.height()));
      window->resize(size);
      Settle();
      const DiagramLayout& layout = window->diagrams->layout();
      ASSERT_TRUE(layout.usable) << window->diagrams->height();
      const QImage image = window->diagrams->grab().toImage();
      const qreal ratio = image.devicePixelRatio();
      const QFontMetricsF metrics(window->diagrams->font());
      for (const DiagramPanel& panel : layout.panels) {
        SCOPED_TRACE(static_cast<int>(panel.quantity));
        const ValueAxis& axis = panel.axis;
        const std::vector<double>& ticks = axis.ticks;
        ASSERT_GE(ticks.size(), 3u);
        // Round: whole multiples of 1, 2, 2.5 or 5 times a power of ten.
        const double mantissa = axis.step / std::pow(10.0, std::floor(std::log10(axis.step)));
        EXPECT_TRUE(std::abs(mantissa - 1.0) < 1e-9 || std::abs(mantissa - 2.0) < 1e-9 ||
                    std::abs(mantissa - 2.5) < 1e-9 || std::abs(mantissa - 5.0) < 1e-9)
            << axis.step;
        // Taking in the extremes: beyond them, or short of them by a twentieth of the span at
        // most; below 0 wherever the curve is.
        double low = 0.0, high = 0.0;
        for (const ResultExtreme& e : snapshot->quantities.extremes) {
          if (e.quantity != panel.quantity) continue;
          (e.maximum ? high : low) = e.value;
        }
        const double span = std::max(high, 0.0) - std::min(low, 0.0);
        EXPECT_LE(ticks.front(), std::min(low, 0.0) + 0.05 * span);
        EXPECT_GE(ticks.back(), std::max(high, 0.0) - 0.05 * span);
        if (low < -1e-9 * span) {
          EXPECT_LT(ticks.front(), 0.0) << low;
        }
        QStringList labels;
        for (std::size_t k = 0; k < ticks.size(); ++k) {
          EXPECT_NEAR(ticks[k] / axis.step, std::round(ticks[k] / axis.step), 1e-9);
          const double y = panel.valueToY(ticks[k]);
          EXPECT_GE(y - layout.lineHeight / 2.0, panel.plot.top() - 1e-9);
          EXPECT_LE(y + layout.lineHeight / 2.0, panel.plot.bottom() + 1e-9);
          if (k > 0) {
            EXPECT_GE(std::abs(y - panel.valueToY(ticks[k - 1])), layout.lineHeight);
          }
          // The label, in the margin left of the frame, has ink.
          const QString label = QString::fromStdString(FixedText(ticks[k], axis.decimals));
          labels << label;
          const double right = panel.plot.left() - layout.lineHeight * 0.5;
          const QRectF box(QPointF(right - metrics.horizontalAdvance(label), y - 4.0),
                           QPointF(right, y + 4.0));
          int ink = 0;
          for (int py = qFloor(box.top() * ratio); py < qCeil(box.bottom() * ratio); ++py) {
            for (int px = qFloor(box.left() * ratio); px < qCeil(box.right() * ratio); ++px) {
              if (qGray(image.pixel(px, py)) < 128) ++ink;
            }
          }
          EXPECT_GT(ink, 0) << label.toStdString();
        }
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size())
            << labels.join(", ").toStdString();
      }
    }
  }
}

// The exact beam drawn over the diagrams stays inside their frames: under a point moment on stiff
// springs in 10 elements the scheme's Q reaches -51 kN where the exact one reaches -69 kN, and
// the axis takes in both.
TEST_F(ResultsWindowTest, TheExactBeamStaysInsideTheFrames) {
  data->sectionCount = 2;
  data->elementCount = 10;
  data->stiffnessEI = 1.0e4;
  data->sections[0] = data->sections[1] = {5.0, 0.0, 1.0e5};
  data->points[0] = data->points[2] = {};
  data->points[1] = {5.0, 0.0, 110.0};
  UpdatePointPositions(*data);
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(data->accuracy.available);
  double exactLow = 0.0, schemeLow = 0.0;
  for (int j = 0; j <= data->elementCount; ++j) {
    exactLow = std::min({exactLow, data->exactNodes[j].QLeft, data->exactNodes[j].QRight});
    schemeLow = std::min({schemeLow, data->nodes[j].Q, data->nodes[j].QRight});
  }
  ASSERT_LT(exactLow, schemeLow - 15.0);
  window->resize(1100, 900);
  Settle();
  // Without the exact beam the axis is the scheme's, which stops short of -69 kN.
  const std::vector<double> schemeTicks = window->diagrams->layout().panels[1].axis.ticks;
  ASSERT_GT(window->diagrams->layout().panels[1].axis.low, exactLow);

  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  Press(Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(window->exactBeamAction->isChecked());
  const DiagramLayout& layout = window->diagrams->layout();
  for (const DiagramPanel& panel : {layout.panels[0], layout.panels[1], layout.panels[2]}) {
    SCOPED_TRACE(static_cast<int>(panel.quantity));
    for (int j = 0; j <= data->elementCount; ++j) {
      const ExactNode& e = data->exactNodes[j];
      const std::vector<double> values =
          panel.quantity == ResultQuantity::W   ? std::vector<double>{e.w}
          : panel.quantity == ResultQuantity::Q ? std::vector<double>{e.QLeft, e.QRight}
                                                : std::vector<double>{e.MLeft, e.MRight};
      for (double v : values) {
        EXPECT_GE(panel.valueToY(v), panel.plot.top() + panel.inset - 1e-9) << v;
        EXPECT_LE(panel.valueToY(v), panel.plot.bottom() - panel.inset + 1e-9) << v;
      }
    }
  }
  EXPECT_LE(layout.panels[1].axis.low, exactLow);
  // Without it the axis is the scheme's again.
  Press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(window->diagrams->layout().panels[1].axis.ticks, schemeTicks);
}

// Soil that takes no tension: the ranges where the beam lifted off are shaded over every panel,
// the footnote says what the shade means, and the line under the accuracy tells the ranges and
// how finely their edges are known.
TEST_F(ResultsWindowTest, WhereTheBeamLiftsOffIsShadedAndTold) {
  data->noTension = true;
  data->sectionCount = 2;
  data->elementCount = 1000;
  data->stiffnessEI = 1.0e5;
  data->beamWidth = 1.0;
  data->sections[0] = data->sections[1] = {50.0, 0.0, 1000.0};
  data->points[0].force = data->points[2].force = 0.0;
  data->points[1] = {50.0, 100.0, 0.0};
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  const QStringList lines = window->accuracy->text().split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[1].toStdString(),
            "Soil takes no tension: the beam lifted off over 2 ranges (shaded), settled in " +
                std::to_string(data->contactRounds) +
                " rounds; the contact edges are resolved to one element, and the exact beam has "
                "the same contact.");
  EXPECT_EQ(DiagramFootnote(*TakeResultsSnapshot(*data)),
            QString::fromLatin1(kSignConvention) + " Shaded: the beam lifted off the soil.");

  // In the p panel, halfway between two grid lines: shaded at 20 m and 80 m, where p = 0; not
  // at the load, where the soil carries it.
  const QImage image = window->diagrams->grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  const DiagramLayout& layout = window->diagrams->layout();
  const DiagramPanel& p = layout.panels[3];
  ASSERT_EQ(p.quantity, ResultQuantity::P);
  ASSERT_GE(p.axis.ticks.size(), 2u);
  const double y = (p.valueToY(p.axis.ticks[0]) + p.valueToY(p.axis.ticks[1])) / 2.0;
  auto colourAt = [&](double x) {
    return image.pixelColor(qFloor(layout.xToPixel(x) * ratio), qFloor(y * ratio));
  };
  QColor shade = LiftOffShade();
  const QColor shaded(255, 255 - qRound(shade.alphaF() * 255), 255);
  for (double x : {20.0, 80.0}) {
    const QColor there = colourAt(x);
    EXPECT_NEAR(there.red(), shaded.red(), 2) << x;
    EXPECT_NEAR(there.green(), shaded.green(), 2) << x;
    EXPECT_NEAR(there.blue(), shaded.blue(), 2) << x;
  }
  EXPECT_NE(colourAt(50.0).green(), colourAt(20.0).green());
}

// Where the problem has supports, the beam is drawn under the section numbers with each
// support's symbol at its point, clear of the texts above and below, on the screen and in
// exported pictures up to 8000 pixels high: a fixed left end, a pinned point and a spring
// inside, a guided right end. Without supports the diagrams begin under the section numbers.
TEST_F(ResultsWindowTest, TheSupportsStandOnTheBeamAboveTheDiagrams) {
  const PointSupport held[] = {{SupportKind::Fixed},
                               {SupportKind::Pinned},
                               {SupportKind::Elastic, 2000.0, 0.0},
                               {SupportKind::Guided}};
  for (int p = 0; p <= 3; ++p) data->points[p].support = held[p];
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->hasResults());
  const auto snapshot = TakeResultsSnapshot(*data);

  // In the band, every dark pixel off the beam's line lies within a symbol's reach of a
  // support's point, and each support has ink there.
  auto expectSymbols = [&](const QImage& image, const DiagramLayout& layout, const char* where) {
    SCOPED_TRACE(where);
    ASSERT_TRUE(layout.usable);
    ASSERT_TRUE(layout.supports);
    const double line = layout.lineHeight, size = layout.supportSize;
    const double pen = SupportPenWidth(size);
    EXPECT_GE(size, line);
    EXPECT_LE(size, 2.0 * line);
    const double top = layout.beamY - kSupportAbove * size - pen;
    const double bottom = layout.beamY + kSupportBelow * size + pen;
    EXPECT_GE(top, layout.sectionBandTop + line);
    EXPECT_LE(bottom, layout.panels[0].plot.top() - line);
    const qreal ratio = image.devicePixelRatio();
    const int middle = qFloor((layout.left + layout.right) / 2.0 * ratio);
    EXPECT_LT(qGray(image.pixel(middle, qFloor(layout.beamY * ratio))), 100);
    int ink[4] = {0, 0, 0, 0}, stray = 0;
    for (int py = qCeil(top * ratio); py < qFloor(bottom * ratio); ++py) {
      if (std::abs((py + 0.5) / ratio - layout.beamY) <= pen + 1.0) continue;
      for (int px = 0; px < image.width(); ++px) {
        if (qGray(image.pixel(px, py)) >= 160) continue;
        const double x = (px + 0.5) / ratio;
        bool near = false;
        for (int p = 0; p <= 3; ++p) {
          if (std::abs(x - layout.xToPixel(snapshot->sectionX[p])) <= 0.8 * size) {
            ++ink[p];
            near = true;
          }
        }
        stray += near ? 0 : 1;
      }
    }
    EXPECT_EQ(stray, 0);
    for (int p = 0; p <= 3; ++p) EXPECT_GT(ink[p], size * ratio) << p;
  };
  expectSymbols(window->diagrams->grab().toImage(), window->diagrams->layout(), "window");
  for (const QSize& size : {QSize(1000, 1400), QSize(700, 8000)}) {
    const PictureRequest request = DiagramFileRequest(*data, size, QDate(2026, 12, 8));
    QByteArray bytes;
    ASSERT_TRUE(EncodeDiagramPicture(*snapshot, request, PictureFormat::Png, bytes).ok);
    expectSymbols(
        QImage::fromData(bytes, "PNG"),
        LayoutDiagrams(*snapshot, QRectF(QPointF(0, 0), size), request.font, request.extras),
        size.height() > 2000 ? "8000 pixels high" : "1400 pixels high");
  }

  for (int p = 0; p <= 3; ++p) data->points[p].support = {};
  Click(form->SpeedButtonCalc);
  Settle();
  const DiagramLayout& plain = window->diagrams->layout();
  EXPECT_FALSE(plain.supports);
  EXPECT_EQ(plain.panels[0].plot.top(), plain.sectionBandTop + 2.0 * plain.lineHeight);
}

// Where the accuracy figures stand, the main window's tool bar, the results window's accuracy
// line and the printed report, they say the same: a figure beyond 1000 % is capped and names
// what helps (50 m on stiff springs in elements twice the beam's characteristic length: M is
// 3030 % off), and a beam whose exact solution cannot be had (values near the range of doubles:
// 1e294 kN/m² on 10000 km) says that its figures are not available. The screen has no room
// for the results window beside the main window: where it covers the warning on the tool bar,
// it shows the warning too, and no longer once it is moved off it.
TEST_F(ResultsWindowTest, TheAccuracyFiguresSayTheSameWhereverTheyStand) {
  // The demonstration problem is close to the exact beam: no warning on either window.
  ResultsWindow* demonstration = Open(true);
  ASSERT_NE(demonstration, nullptr);
  EXPECT_FALSE(form->LabelAccuracy->isVisible());
  EXPECT_FALSE(demonstration->warning->isVisible());
  const struct {
    double length, load, spring, ei, force;
    const char* warning;
    const char* line;
  } cases[] = {
      {50.0, 0.0, 1.0e6, 100.0, 10.0,
       "Warning : M is more than 1000 % off the exact beam; raise the number of elements.",
       "Against the exact continuous beam (View > Exact beam):   w 46 % off,   Q 80 % off,   "
       "M more than 1000 % off"},
      {1.0e7, 1.0e294, 1.0e82, 1.0e210, 0.0,
       "Warning : The accuracy against the exact beam is not available for this beam.",
       "The accuracy against the exact beam is not available for this beam."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.warning);
    data->sectionCount = 1;
    data->elementCount = 100;
    data->stiffnessEI = c.ei;
    data->sections[0] = {c.length, c.load, c.spring};
    data->points[0] = {0.0, c.force, 0.0};
    data->points[1] = {};
    ResultsWindow* window = Open(true);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(data->resultsAvailable);
    EXPECT_TRUE(form->LabelAccuracy->isVisible());
    EXPECT_EQ(form->LabelAccuracy->toolTip().toStdString(), c.warning);
    const QRect beneath(form->LabelAccuracy->mapToGlobal(QPoint(0, 0)),
                        form->LabelAccuracy->size());
    ASSERT_TRUE(window->frameGeometry().intersects(beneath));
    EXPECT_TRUE(window->warning->isVisible());
    EXPECT_EQ(window->warning->text().toStdString(), c.warning);
    // The warning above the diagrams, and the equilibrium line of loads near the range of
    // doubles, leave the window within the screen.
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
    window->move(window->x(), beneath.bottom() + 1);
    Settle();
    EXPECT_FALSE(window->warning->isVisible());
    window->placeBeside(form.get());
    Settle();
    EXPECT_TRUE(window->warning->isVisible());
    EXPECT_EQ(window->accuracy->text().toStdString(), c.line);
    EXPECT_EQ(window->exactBeamAction->isEnabled(), data->accuracy.available);
    RecordingSurface page(2100, 2970);
    ASSERT_TRUE(PrintReport(page, *data).ok);
    EXPECT_NE(page.FindText(c.warning), nullptr);
  }
}

// The diagrams and the tables share the window on any screen: the diagrams are drawn in a
// smaller font rather than not at all, and the splitter between them, dragged by the mouse as
// far as it goes either way, hides neither. Twenty sections of 1000 elements; run on the
// 800 x 800 screen, and again on 1920 x 1080 screens at scales 2 (960 x 540 logical pixels)
// and 1.5.
TEST_F(ResultsWindowTest, DiagramsAndTablesShareAnyScreen) {
  data->sectionCount = 20;
  data->elementCount = 1000;
  for (int i = 0; i < 20; ++i) data->sections[i] = {5.0, 10.0 + i, 100.0 * (i + 1)};
  UpdatePointPositions(*data);
  ResultsWindow* window = Open(true);
  ASSERT_NE(window, nullptr);
  const QRect room = window->screen()->availableGeometry();
  EXPECT_TRUE(room.contains(window->frameGeometry()));
  const DiagramView* view = window->diagrams;
  const int fontPixels = QFontInfo(view->font()).pixelSize();
  const int rowHeight = window->nodeTable->verticalHeader()->defaultSectionSize();
  auto expectBothInView = [&](const char* after) {
    SCOPED_TRACE(after);
    Settle();
    EXPECT_TRUE(view->layout().usable) << view->width() << " x " << view->height();
    EXPECT_GE(view->height(), view->minimumSizeHint().height());
    EXPECT_GE(QFontInfo(view->drawingFont()).pixelSize(), std::min(9, fontPixels));
    EXPECT_GE(window->nodeTable->viewport()->height(), 3 * rowHeight);
  };
  expectBothInView("opened");

  auto* splitter = qobject_cast<QSplitter*>(window->centralWidget());
  ASSERT_NE(splitter, nullptr);
  QSplitterHandle* handle = splitter->handle(1);
  auto drag = [&](int by) {
    const QPoint from = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(handle, from + QPoint(0, by / 2));
    QTest::mouseMove(handle, from + QPoint(0, by));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, from + QPoint(0, by));
  };
  drag(room.height());
  expectBothInView("dragged down");
  const int leastTables = window->tables->height();
  drag(-room.height());
  expectBothInView("dragged up");
  EXPECT_GT(window->tables->height(), leastTables);
  // At the least height the diagrams fit only in a smaller font.
  EXPECT_EQ(view->height(), view->minimumSizeHint().height());
  EXPECT_LT(QFontInfo(view->drawingFont()).pixelSize(), fontPixels);

  // The Show box and an envelope's longer readout take no more room than the window has.
  data->loadCases.combinationCount = 1;
  data->loadCases.combinations[0].name.Set("All");
  data->loadCases.combinations[0].factor[0] = 1.0;
  Click(form->SpeedButtonCalc);
  window->showBox->setCurrentIndex(window->showBox->count() - 1);
  ASSERT_NE(window->shownResults(), nullptr);
  ASSERT_NE(window->shownResults()->envelope, nullptr);
  EXPECT_TRUE(room.contains(window->frameGeometry()));
  expectBothInView("envelope");
}

TEST(ResultsWindowPlacement, BesideTheMainWindowWhereThereIsRoom) {
  const QRect screen(0, 0, 1920, 1080);
  struct Case {
    QRect main;
    QRect placed;
  };
  const Case cases[] = {
      {{100, 100, 700, 600}, {800, 100, 960, 760}},    // to the right
      {{900, 100, 700, 600}, {0, 100, 900, 760}},      // narrowed to the room on the left
      {{1000, 50, 700, 600}, {40, 50, 960, 760}},      // to the left
      {{300, 400, 1300, 600}, {1280, 320, 640, 760}},  // narrow over the right side, low
      {{250, 0, 1500, 600}, {0, 0, 640, 760}},         // narrow over the left side
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceBeside(c.main, QSize(960, 760), 640, screen), c.placed)
        << c.main.x() << "," << c.main.y();
  }
  // Never larger than the screen.
  EXPECT_EQ(PlaceBeside(QRect(0, 0, 700, 500), QSize(2500, 1500), 640, screen),
            QRect(700, 0, 1220, 1080));
}

// The title names the problem of the main window after New and Open too, and as its name is
// typed, while the window says that its results are no longer those of the problem.
TEST_F(ResultsWindowTest, TheTitleFollowsTheProblem) {
  ClickCell(form->MainGrid, 1, 2);
  Type(form->MainGrid, "Pile A");
  Press(Qt::Key_Return);
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Pelvar - Results - Pile A");

  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
  Press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_FALSE(window->hasResults());
  EXPECT_EQ(window->windowTitle(), "Pelvar - Results - Demonstration Problem");

  ASSERT_TRUE(dir.isValid());
  ProblemData beam;
  ResetToDefaults(beam);
  beam.problemName.Set("Beam B");
  ASSERT_TRUE(WriteProblemFile(beam, dir.filePath("beam.plv").toStdString()).ok);
  dialogs.fileAnswers = {dir.filePath("beam.plv")};
  Press(Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(window->windowTitle(), "Pelvar - Results - Beam B");

  ClickCell(form->MainGrid, 1, 2);
  Type(form->MainGrid, "");  // selects the name
  Press(Qt::Key_Delete);
  Press(Qt::Key_Return);
  EXPECT_EQ(window->windowTitle(), "Pelvar - Results");
}

TEST_F(ResultsWindowTest, ExportsTablesAsCsvAndThePictureAsPngAndSvg) {
  // A problem name full of markup, and a control character XML cannot hold, as a file may
  // bring them.
  const std::string name = "</title><script>x</script><title> <t>&\"\x01";
  data->problemName.Set(name);
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(dir.isValid());

  // A name without extension gets ".csv"; the table on the open tab is written.
  dialogs.fileAnswers = {dir.filePath("beam"), dir.filePath("elements.csv")};
  window->exportCsvAction->trigger();
  window->tables->setCurrentIndex(1);
  window->exportCsvAction->trigger();
  ASSERT_EQ(dialogs.saveRequests.size(), 2u);
  EXPECT_EQ(dialogs.saveRequests[0].filterDescription, "CSV(*.csv)");
  EXPECT_EQ(dialogs.saveRequests[0].fileName, "Demo nodes.csv");
  EXPECT_EQ(dialogs.saveRequests[1].fileName, "Demo elements.csv");
  const QStringList nodes = Lines(dir.filePath("beam.csv"));
  ASSERT_EQ(nodes.size(), 103);  // header, 101 nodes, and the empty text after the last LF
  EXPECT_EQ(nodes[0], "node,x,w,Q,M");
  EXPECT_EQ(nodes[1].section(',', 0, 1), "0,0");
  const QStringList elements = Lines(dir.filePath("elements.csv"));
  ASSERT_EQ(elements.size(), 102);
  EXPECT_EQ(elements[0], "element,section,x0,x1,p");
  EXPECT_EQ(elements[34].section(',', 0, 1), "34,2");  // the first element of section 2
  EXPECT_EQ(elements[34].section(',', 4), "0");        // which rests on no springs

  // The size asked for, 1200 x 900 at first and then as last chosen, each side held within 100
  // to 8000 pixels; the PNG that size, the SVG that parses with the name and today's date as
  // its heading. A file that cannot be written is reported, a cancelled size writes nothing.
  auto today = [] {
    const QDate day = QDate::currentDate();
    return QStringLiteral("%1-%2-%3")
        .arg(day.year(), 4, 10, QLatin1Char('0'))
        .arg(day.month(), 2, 10, QLatin1Char('0'))
        .arg(day.day(), 2, 10, QLatin1Char('0'));
  };
  const QString dayBefore = today();
  dialogs.fileAnswers = {dir.filePath("diagrams"), dir.filePath("diagrams.svg"),
                         dir.filePath("missing/d.png"), dir.filePath("clamped.png"),
                         dir.filePath("cancelled.png")};
  dialogs.sizeAnswers = {QSize(640, 480), QSize(800, 600), QSize(800, 600), QSize(50, 20000),
                         std::nullopt};
  for (int k = 0; k < 5; ++k) window->exportPictureAction->trigger();
  const QString dayAfter = today();
  EXPECT_EQ(dialogs.saveRequests[2].filterPattern, "*.png *.svg");
  ASSERT_EQ(dialogs.sizeRequests.size(), 5u);
  EXPECT_EQ(dialogs.sizeRequests[0].proposed, QSize(1200, 900));
  EXPECT_EQ(dialogs.sizeRequests[0].least, 100);
  EXPECT_EQ(dialogs.sizeRequests[0].most, 8000);
  EXPECT_EQ(dialogs.sizeRequests[1].proposed, QSize(640, 480));
  EXPECT_EQ(dialogs.sizeRequests[4].proposed, QSize(100, 8000));
  const QImage png(dir.filePath("diagrams.png"));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), QSize(640, 480));
  EXPECT_EQ(png.pixel(0, 0) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(QImage(dir.filePath("clamped.png")).size(), QSize(100, 8000));
  EXPECT_FALSE(QFile::exists(dir.filePath("cancelled.png")));
  // The SVG parses; its title holds the name as text, its texts are text.
  QFile svgFile(dir.filePath("diagrams.svg"));
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svgFile);
  QStringList elementNames, titles, texts;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    elementNames << xml.name().toString();
    if (xml.name() == QLatin1String("title")) titles << xml.readElementText();
    if (xml.name() == QLatin1String("text")) texts << xml.readElementText().trimmed();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(elementNames.size(), 20);
  EXPECT_FALSE(elementNames.contains("script"));
  const QString shownName = QString::fromUtf8("</title><script>x</script><title> <t>&\"\uFFFD");
  EXPECT_EQ(titles, QStringList{shownName});
  // The name's text, in runs of its glyphs' fonts.
  EXPECT_TRUE(texts.join(QString()).contains(shownName)) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains(dayBefore) || texts.contains(dayAfter))
      << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains("x (m)"));
  EXPECT_TRUE(texts.contains(QString::fromLatin1(kSignConvention)));
  EXPECT_TRUE(QSvgRenderer(dir.filePath("diagrams.svg")).isValid());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::Error);
  EXPECT_TRUE(dialogs.shown[0].text.startsWith("Cannot save \"" + dir.filePath("missing/d.png")))
      << dialogs.shown[0].text.toStdString();

  // A picture too large to be made is reported as such, and nothing is written.
  PictureRequest huge;
  huge.size = QSize(10000, 9000);
  huge.ratio = 2.0;
  const std::string hugePath = dir.filePath("huge.png").toStdString();
  const FileResult written = WriteDiagramPicture(hugePath, *TakeResultsSnapshot(*data), huge);
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(
      written.message,
      "Cannot save \"" + hugePath +
          "\": a PNG picture of 20000 x 18000 pixels cannot be made (1 to 16384 pixels a side).");
  EXPECT_FALSE(QFile::exists(dir.filePath("huge.png")));
}

// The real size dialog: it shows the size proposed and its limits, and a side typed beyond them
// becomes the nearest one they allow.
TEST_F(ResultsWindowTest, ThePictureSizeDialogHoldsEachSideInItsLimits) {
  QtDialogs real;
  QString note;
  QSize shown;
  QTimer::singleShot(50, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->text().startsWith("Each side")) note = label->text();
    }
    const QList<QSpinBox*> sides = dialog->findChildren<QSpinBox*>();
    if (sides.size() != 2) return;
    shown = QSize(sides[0]->value(), sides[1]->value());
    for (auto [box, typed] : {std::pair{sides[0], "20000"}, std::pair{sides[1], "50"}}) {
      box->setFocus();
      box->selectAll();
      QTest::keyClicks(box, typed);
    }
    QTest::keyClick(sides[1], Qt::Key_Return);
  });
  const std::optional<QSize> size = real.pictureSize(form.get(), QSize(1200, 900), 100, 8000);
  EXPECT_EQ(note, "Each side 100 to 8000 pixels.");
  EXPECT_EQ(shown, QSize(1200, 900));
  // "20000" stops at "2000", the fifth digit being beyond the limit; "50" becomes 100.
  EXPECT_EQ(size, QSize(2000, 100));
}

// An export replaces an existing file only once the user says so, and never the data file the
// main window works on, whatever name leads to it; either answer brings the file dialog back at
// the name chosen. The window knows the data file from its start and follows every Save.
TEST_F(ResultsWindowTest, ExportsAskBeforeReplacingAndNeverReplaceTheDataFile) {
  ASSERT_TRUE(dir.isValid());
  dialogs.fileAnswers = {dir.filePath("beam.plv")};
  Click(form->SpeedButtonSave);
  ResultsWindow* window = Open();
  ASSERT_NE(window, nullptr);
  const QByteArray beam = Bytes("beam.plv");
  ASSERT_TRUE(beam.contains("\r\nbeam.plv,\r\n"));
  ASSERT_TRUE(QFile::link(dir.filePath("beam.plv"), dir.filePath("link.csv")));

  const QString refusal = "; writing there would replace it. Choose another name.";
  const QString asSaved = " (opened or saved as \"" + dir.filePath("beam.plv") + "\")";
  struct Refused {
    QAction* action;
    QString chosen;
    QString message;
  };
  const std::vector<Refused> refused = {
      {window->exportCsvAction, dir.filePath("beam.plv"),
       "\"" + dir.filePath("beam.plv") + "\" is the data file being worked on" + refusal},
      {window->exportPictureAction, dir.path() + "/./beam.plv",
       "\"" + dir.path() + "/./beam.plv\" is the data file being worked on" + asSaved + refusal},
      {window->exportCsvAction, dir.filePath("link.csv"),
       "\"" + dir.filePath("link.csv") + "\" is the data file being worked on" + asSaved +
           refusal}};
  for (const Refused& row : refused) {
    SCOPED_TRACE(row.chosen.toStdString());
    dialogs.shown.clear();
    dialogs.saveRequests.clear();
    dialogs.questionAnswers = {true};
    dialogs.fileAnswers = {row.chosen, std::nullopt};
    row.action->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::Error);
    EXPECT_EQ(dialogs.shown[0].text, row.message);
    EXPECT_EQ(dialogs.shown[0].afterDialogs, 1);
    ASSERT_EQ(dialogs.saveRequests.size(), 2u);
    // Back at the folder and name chosen.
    EXPECT_EQ(dialogs.saveRequests[1].initialFolder, row.chosen.section('/', 0, -2));
    EXPECT_EQ(dialogs.saveRequests[1].fileName, row.chosen.section('/', -1));
  }
  EXPECT_EQ(Bytes("beam.plv"), beam);
  EXPECT_TRUE(QFileInfo(dir.filePath("link.csv")).isSymLink());

  // Saved elsewhere, the main window works on pile.plv: that one is refused now, and beam.plv
  // is just a file that exists.
  dialogs.fileAnswers = {dir.filePath("pile.plv")};
  Click(form->SpeedButtonSave);
  ASSERT_TRUE(window->exportCsvAction->isEnabled());
  dialogs.shown.clear();
  dialogs.questionAnswers.clear();
  dialogs.fileAnswers = {dir.filePath("pile.plv"), dir.filePath("beam.plv"), std::nullopt};
  window->exportCsvAction->trigger();
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].text,
            "\"" + dir.filePath("pile.plv") + "\" is the data file being worked on" + refusal);
  EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::Question);
  EXPECT_EQ(dialogs.shown[1].text,
            "\"" + dir.filePath("beam.plv") + "\" already exists.\nDo you want to replace it?");
  EXPECT_EQ(Bytes("beam.plv"), beam);

  // Any other existing file: No goes back to the dialog at the folder and name chosen, Yes
  // replaces it.
  Write("old.csv", "kept");
  Write("old.png", "kept");
  dialogs.shown.clear();
  dialogs.saveRequests.clear();
  dialogs.fileAnswers = {dir.filePath("old"), std::nullopt};
  window->exportCsvAction->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::Question);
  EXPECT_EQ(dialogs.shown[0].text,
            "\"" + dir.filePath("old.csv") + "\" already exists.\nDo you want to replace it?");
  EXPECT_EQ(dialogs.shown[0].afterDialogs, 1);
  ASSERT_EQ(dialogs.saveRequests.size(), 2u);
  EXPECT_EQ(dialogs.saveRequests[1].initialFolder, dir.path());
  EXPECT_EQ(dialogs.saveRequests[1].fileName, "old.csv");
  EXPECT_EQ(Bytes("old.csv"), "kept");
  dialogs.fileAnswers = {dir.filePath("old.png"), std::nullopt};
  window->exportPictureAction->trigger();
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].text,
            "\"" + dir.filePath("old.png") + "\" already exists.\nDo you want to replace it?");
  EXPECT_EQ(Bytes("old.png"), "kept");

  dialogs.questionAnswers = {true, true};
  dialogs.fileAnswers = {dir.filePath("old.csv")};
  window->exportCsvAction->trigger();
  dialogs.fileAnswers = {dir.filePath("old.png")};
  window->exportPictureAction->trigger();
  ASSERT_EQ(dialogs.shown.size(), 4u);
  EXPECT_TRUE(Bytes("old.csv").startsWith("node,x,w,Q,M\n"));
  EXPECT_FALSE(QImage(dir.filePath("old.png")).isNull());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            (QStringList{"beam.plv", "link.csv", "old.csv", "old.png", "pile.plv"}));
}

}  // namespace
}  // namespace pelvar
