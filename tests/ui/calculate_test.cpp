// The Calculate command in the window: the picture copied onto the client area at its margins,
// the input hidden in its order and shown again, and the messages of a run that fails.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/results.h"
#include "desktop/qt_dialogs.h"
#include "drawings/results_picture.h"
#include "support/window_fixture.h"
#include "ui/client_area.h"

namespace pelvar {
namespace {

using Kind = ScriptedDialogs::Kind;

// Records the order in which watched widgets are hidden.
class HideRecorder : public QObject {
 public:
  explicit HideRecorder(const QList<QWidget*>& watched) {
    for (QWidget* widget : watched) widget->installEventFilter(this);
  }
  std::vector<QObject*> hidden;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) hidden.push_back(watched);
    return false;
  }
};

// The colour at a point in the window's pixels; an image at a device pixel ratio above 1 has
// finer pixels, of which the top-left one of the window's pixel is taken.
QRgb Rgb(const QImage& image, int x, int y) {
  const int ratio = qRound(image.devicePixelRatio());
  return image.pixel(x * ratio, y * ratio) & 0xFFFFFFu;
}

constexpr QRgb kAqua = 0x00FFFFu;
constexpr QRgb kBlack = 0x000000u;
constexpr QRgb kRed = 0xFF0000u;

class CalculateTest : public WindowTest {
 protected:
  void ResizeClient(int width, int height) {
    form->setClientSize(width, height);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->clientSize() == QSize(width, height); }));
    Settle();
  }

  QImage Surface() { return form->clientArea()->grab().toImage(); }

  // Types a value into each of the given rows of a column of the sections table, committing each
  // with Enter.
  void EnterColumn(int col, const std::vector<QString>& values) {
    ClickCell(form->SoilGrid, col, 2);
    for (const QString& value : values) {
      Type(form->SoilGrid, value);
      Press(Qt::Key_Return);
    }
  }

  void EnterGeneral(int row, const QString& text) {
    ClickCell(form->MainGrid, 1, row);
    Type(form->MainGrid, text);
    Press(Qt::Key_Return);
  }

  // Moves the mouse over the window's own surface, ending at point. The cursor keeps its place
  // from one test to the next, and a move to where it already is reports nothing.
  void MoveOverSurface(QPoint point) {
    QTest::mouseMove(form->clientArea(), point - QPoint(10, 10));
    QTest::mouseMove(form->clientArea(), point);
    Settle();
  }

  void ExpectInputShown() {
    for (QWidget* control : form->inputControls()) {
      EXPECT_TRUE(control->isVisible()) << control->metaObject()->className();
    }
  }

  // Calculates by the tool button and checks what a successful run leaves on the screen: the
  // six controls hidden in order and the picture, pixel for pixel, at the margins.
  void CalculateAndCheckPicture() {
    const QSize client = form->clientSize();
    const int marginX = client.width() / 20;
    const int marginY = client.height() / 20;
    const int w = client.width() - 2 * marginX;
    const int h = client.height() - 2 * marginY;

    HideRecorder recorder(form->inputControls());
    Click(form->SpeedButtonCalc);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(data->resultsAvailable);
    const std::vector<QObject*> order = {form->PanelGeneral, form->MainGrid,      form->PanelForces,
                                         form->SoilGrid,     form->PanelSections, form->ForcesGrid};
    EXPECT_EQ(recorder.hidden, order);
    for (QWidget* control : form->inputControls()) EXPECT_FALSE(control->isVisible());
    EXPECT_TRUE(form->PanelMain->isVisible());
    ASSERT_TRUE(form->clientArea()->showsPicture());

    // The same picture drawn on an image of its own, from the stored results, at the pixel
    // ratio of the screen: each of the window's pixels has ratio x ratio pixels on the surface.
    const QImage shown = Surface();
    const int ratio = qRound(shown.devicePixelRatio());
    EXPECT_EQ(ratio, qRound(form->devicePixelRatioF()));
    EXPECT_EQ(qRound(form->ImageResults.devicePixelRatio()), ratio);
    QImage expected(w * ratio, h * ratio, QImage::Format_RGB32);
    expected.setDevicePixelRatio(ratio);
    expected.fill(Qt::white);
    {
      QPainter painter(&expected);
      DrawResults(painter, *data, FindExtremes(*data), w, h);
    }
    int differing = 0;
    for (int y = 0; y < h * ratio; ++y) {
      // The tool bar stays on top of the picture.
      if (marginY * ratio + y < form->PanelMain->height() * ratio) continue;
      for (int x = 0; x < w * ratio; ++x) {
        const QRgb there = shown.pixel(marginX * ratio + x, marginY * ratio + y) & 0xFFFFFFu;
        if (there != (expected.pixel(x, y) & 0xFFFFFFu)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
    // The frame's lower left corner stands at (marginX, marginY + H - 1); nothing of the picture
    // lies left of it or below it.
    EXPECT_EQ(Rgb(shown, marginX, marginY + h - 1), kBlack);
    EXPECT_EQ(Rgb(shown, marginX + 1, marginY + h - 2), kAqua);
    const QRgb background = form->clientArea()->palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    EXPECT_EQ(Rgb(shown, marginX - 1, marginY + h - 2), background);
    EXPECT_EQ(Rgb(shown, marginX + 1, marginY + h), background);
    EXPECT_EQ(Rgb(shown, marginX + w, marginY + h - 2), background);
  }
};

TEST_F(CalculateTest, DemonstrationProblemAtTheDefaultSize) {
  CalculateAndCheckPicture();
  // Hand values for a 750 x 550 client area: margins 37 and 27, W = 676, H = 496, so the w axis
  // lies at y 148 and runs from x 67; 18.027 pixels per metre put node 50 (x = 15.152 m) at
  // picture x 340, where the hatching of the deepest displacement reaches down to y 207, and
  // node 49 (x = 14.848 m) at 334.
  const QImage shown = Surface();
  EXPECT_EQ(Rgb(shown, 37 + 340, 27 + 180), kRed);
  EXPECT_EQ(Rgb(shown, 37 + 337, 27 + 180), kAqua);
  EXPECT_EQ(Rgb(shown, 37 + 340, 27 + 148), kRed);   // on the axis
  EXPECT_EQ(Rgb(shown, 37 + 340, 27 + 210), kAqua);  // below the curve
  // The window passes the real summary on: the largest moment of the demonstration problem.
  EXPECT_EQ(SummaryTexts(FindExtremes(*data))[5], "Maximum moment :            356.780 kNm");
}

// An answer far from the exact continuous beam is told on the tool bar, which the picture leaves
// in view between the command buttons and the help button; the warning goes with the results.
TEST_F(CalculateTest, AnAnswerFarFromTheExactBeamIsToldOnTheToolBar) {
  Click(form->SpeedButtonCalc);
  EXPECT_FALSE(form->LabelAccuracy->isVisible());  // the demonstration beam is close to it

  // 50 m on stiff springs in elements twice the beam's characteristic length.
  data->sectionCount = 1;
  data->stiffnessEI = 100.0;
  data->sections[0] = {50.0, 0.0, 1.0e6};
  data->points[0].force = 10.0;
  Click(form->SpeedButtonCalc);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  const QLabel* label = form->LabelAccuracy;
  EXPECT_TRUE(label->isVisible());
  // M is 3030 % off: the figure stands capped, with what helps.
  EXPECT_EQ(label->toolTip(),
            "Warning : M is more than 1000 % off the exact beam; raise the number of elements.");
  EXPECT_TRUE(label->text().startsWith("Warning : M is more than 1000 %"));
  EXPECT_EQ(label->parentWidget(), form->PanelMain);
  EXPECT_GE(label->x(), form->SpeedButtonCalc->geometry().right());
  EXPECT_LT(label->geometry().right(), form->SpeedButtonHelp->x());

  MoveOverSurface(QPoint(700, 500));
  EnterGeneral(4, "1000");
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(label->isVisible());
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(label->toolTip(),
            "Warning : M is up to 3.3 % off the exact beam; 1000 elements is the most.");
}

// Soil that takes no tension, turned on and off by the tool button and by the menu from the
// keyboard: a change drops the results as an edit does. A long beam under a central load keeps
// its contact over pi/(2 beta) either side of the load; the picture marks the rest on the w axis.
TEST_F(CalculateTest, SoilThatTakesNoTensionMarksWhereTheBeamLiftsOff) {
  Click(form->SpeedButtonCalc);
  Click(form->SpeedButtonNoTension);
  EXPECT_TRUE(data->noTension);
  EXPECT_TRUE(form->NoTension1->isChecked());
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());

  data->sectionCount = 2;
  data->elementCount = 1000;
  data->stiffnessEI = 1.0e5;
  data->beamWidth = 1.0;
  data->sections[0] = {50.0, 0.0, 1000.0};
  data->sections[1] = {50.0, 0.0, 1000.0};
  data->points[0].force = data->points[2].force = 0.0;
  data->points[1] = {50.0, 100.0, 0.0};
  CalculateAndCheckPicture();
  DrawingLog log;
  {
    const PictureGeometry g = ComputePictureGeometry(750, 550);
    QImage image(g.drawWidth, g.drawHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    DrawResults(painter, *data, FindExtremes(*data), g.drawWidth, g.drawHeight, &log);
  }
  EXPECT_EQ(log.foundation.text, "Soil takes no tension: lifted off where the w axis is marked");
  // 676 pixels wide: the beam's 100 m over 540.8 pixels from x 67, the w axis at y 148.
  const double contact = M_PI / 2.0 / std::pow(1000.0 / (4.0 * 1.0e5), 0.25);
  ASSERT_EQ(log.liftOff.size(), 2u);
  EXPECT_EQ(log.liftOff[0].from, (PicturePoint{67, 148}));
  EXPECT_NEAR(log.liftOff[0].to.x, 67 + 5.408 * (50.0 - contact), 1.5);
  EXPECT_NEAR(log.liftOff[1].from.x, 67 + 5.408 * (50.0 + contact), 1.5);
  EXPECT_EQ(log.liftOff[1].to, (PicturePoint{607, 148}));
  // Between the first two hatching lines, above the axis.
  EXPECT_EQ(Rgb(Surface(), 37 + 69, 27 + 148 - kLiftOffBand), 0xFF00FFu);

  // Off again from the keyboard, through the Options menu.
  Press(Qt::Key_O, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return QApplication::activePopupWidget() == static_cast<QWidget*>(form->Options1); }));
  QTest::keyClick(form->Options1, Qt::Key_N);
  Settle();
  EXPECT_FALSE(data->noTension);
  EXPECT_FALSE(form->SpeedButtonNoTension->isChecked());
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->Results1->isEnabled());
  Click(form->SpeedButtonCalc);
  log = {};
  {
    QImage image(676, 496, QImage::Format_RGB32);
    QPainter painter(&image);
    DrawResults(painter, *data, FindExtremes(*data), 676, 496, &log);
  }
  EXPECT_TRUE(log.foundation.text.empty());
  EXPECT_TRUE(log.liftOff.empty());
}

TEST_F(CalculateTest, DemonstrationProblemAt600By400) {
  ResizeClient(600, 400);
  CalculateAndCheckPicture();
  // Margins 30 and 20, W = 540, H = 360: the w axis at y 108 from x 54, 14.4 pixels per metre,
  // node 50 at x 272 with its hatching down to y 151, node 49 at x 267.
  const QImage shown = Surface();
  EXPECT_EQ(Rgb(shown, 30 + 272, 20 + 130), kRed);
  EXPECT_EQ(Rgb(shown, 30 + 269, 20 + 130), kAqua);
  EXPECT_EQ(Rgb(shown, 30 + 272, 20 + 155), kAqua);
}

TEST_F(CalculateTest, AWindowLargerThanTheScreenGetsItsWholePicture) {
  const QSize screen = form->ImageResults.size();
  ResizeClient(screen.width() + 200, screen.height() + 200);
  CalculateAndCheckPicture();
  EXPECT_GE(form->ImageResults.width(), screen.width() + 200 - 2 * ((screen.width() + 200) / 20));
}

TEST_F(CalculateTest, TheWindowDrawsEveryTenthNodeOf1000Elements) {
  EnterGeneral(4, "1000");
  ASSERT_EQ(data->elementCount, 1000);
  CalculateAndCheckPicture();
  // 333 elements in the first section, 333 in the second: nodes 330 and 340 (x = 9.910 and
  // 10.210 m) are drawn at picture x 245 and 251, the nodes between them are not.
  const QImage shown = Surface();
  EXPECT_EQ(Rgb(shown, 37 + 245, 27 + 170), kRed);
  EXPECT_EQ(Rgb(shown, 37 + 251, 27 + 170), kRed);
  for (int x = 246; x < 251; ++x) EXPECT_EQ(Rgb(shown, 37 + x, 27 + 170), kAqua) << x;
}

TEST_F(CalculateTest, TheInputComesBackByMouseAndResizeInPlaceOfThePicture) {
  CalculateAndCheckPicture();

  // A move over the tool bar is not over the window's surface.
  QTest::mouseMove(form->PanelMain, QPoint(300, 10));
  Settle();
  EXPECT_FALSE(form->MainGrid->isVisible());

  // A move over the surface brings all six back in place of the picture; the results stay.
  MoveOverSurface(QPoint(700, 500));
  ExpectInputShown();
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_NE(Rgb(Surface(), 700, 500), kAqua);

  // So does a resize. The second picture is drawn into the same image, not into a copy of it.
  const uchar* imageBits = form->ImageResults.constBits();
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(form->ImageResults.constBits(), imageBits);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  ResizeClient(800, 600);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  EXPECT_NE(Rgb(Surface(), 700, 500), kAqua);
  ExpectInputShown();
}

TEST_F(CalculateTest, CalculatingWhileTypingUsesWhatIsTyped) {
  ClickCell(form->MainGrid, 1, 6);
  Type(form->MainGrid, "2");
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(data->beamWidth, 2.0);
  EXPECT_EQ(form->MainGrid->cellText(1, 6), "       2.000");
  EXPECT_TRUE(data->resultsAvailable);
  ASSERT_TRUE(form->clientArea()->showsPicture());
  // The same results as the demonstration problem given a width of 2 directly.
  ProblemData wide;
  ResetToDefaults(wide);
  wide.beamWidth = 2.0;
  ASSERT_EQ(RunCalculation(wide, *MakeAnalysisWorkspace()).status, CalculationStatus::Success);
  EXPECT_EQ(SummaryTexts(FindExtremes(*data)), SummaryTexts(FindExtremes(wide)));
  EXPECT_NE(SummaryTexts(FindExtremes(*data))[5], "Maximum moment :            356.780 kNm");
  // Hiding the tables commits nothing again, and the tables come back with the focus in the
  // cell that had it, so the results stay available.
  MoveOverSurface(QPoint(700, 500));
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_TRUE(form->MainGrid->hasActiveFocus());
  EXPECT_EQ(Current(form->MainGrid), QPoint(1, 6));
  EXPECT_EQ(EditorText(form->MainGrid), "       2.000");
}

TEST_F(CalculateTest, AnUnsupportedBeamShowsTheSingularMessageAtItsPoint) {
  // A successful run first, so that there are results to keep.
  Click(form->SpeedButtonCalc);
  MoveOverSurface(QPoint(700, 500));
  ExpectInputShown();
  const ResultNode before = data->nodes[50];

  EnterColumn(3, {"0", "0", "0"});  // no springs at all
  ASSERT_EQ(data->sections[0].spring, 0.0);
  ASSERT_EQ(data->sections[2].spring, 0.0);
  EXPECT_FALSE(data->resultsAvailable);
  form->FormResize();  // a repaint: no picture left on the surface
  ASSERT_FALSE(form->clientArea()->showsPicture());

  Click(form->SpeedButtonCalc);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::MessageAt);
  EXPECT_EQ(dialogs.shown[0].text,
            "Error : Matrix singular.\n"
            "Not enough resistance to carry loads.\n"
            "No output given.\n");
  // W div 2 + marginX and H div 2 + marginY of the 750 x 550 client area.
  EXPECT_EQ(dialogs.shown[0].point, QPoint(375, 275));
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  ExpectInputShown();
  EXPECT_EQ(data->nodes[50].w, before.w);
  EXPECT_EQ(data->nodes[50].M, before.M);

  // Results that were available stay so; at 600 x 400 the message stands at (300, 200).
  data->resultsAvailable = true;
  ResizeClient(600, 400);
  Click(form->SpeedButtonCalc);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].point, QPoint(300, 200));
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  ExpectInputShown();
}

// The real message box of a failed run: no icon, the application's title, and its top-left
// corner at the screen point (W div 2 + marginX, H div 2 + marginY) of the 750 x 550 client area.
TEST_F(CalculateTest, TheRealSingularMessageStandsAtItsPoint) {
  QtDialogs real;
  TFormPelv window(real);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (SectionRow& section : window.problemData().sections) section.spring = 0.0;

  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::Warning;
  QPoint topLeft;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    text = box->text();
    caption = box->windowTitle();
    icon = box->icon();
    topLeft = box->frameGeometry().topLeft();
    box->accept();
  });
  QTest::mouseClick(window.SpeedButtonCalc, Qt::LeftButton);
  EXPECT_EQ(text.toStdString(),
            "Error : Matrix singular.\n"
            "Not enough resistance to carry loads.\n"
            "No output given.\n");
  EXPECT_EQ(caption, "Pelvar");
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(topLeft, QPoint(375, 275));
}

TEST_F(CalculateTest, SpringsInTheMiddleAloneHoldTheBeamWithoutAMessage) {
  EnterColumn(3, {"0", "100", "0"});
  CalculateAndCheckPicture();
}

TEST_F(CalculateTest, ASectionWithoutElementsIsReportedAndNothingDrawn) {
  EnterColumn(1, {"10", "10", "0.1"});
  ASSERT_EQ(data->sections[2].length, 0.1);
  Click(form->SpeedButtonCalc);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text,
            "Error : Section 3 gets no element.\n"
            "Make the section longer or raise the number of elements.\n"
            "No output given.\n");
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  ExpectInputShown();

  data->resultsAvailable = true;  // as after an earlier run: it stays set
  Click(form->SpeedButtonCalc);
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_TRUE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
}

TEST_F(CalculateTest, LoadsBeyondTheDoubleRangeAreReportedAndNothingDrawn) {
  EnterColumn(2, {"1.7e308", "1.7e308", "1.7e308"});
  ASSERT_EQ(data->sections[1].load, 1.7e308);
  Click(form->SpeedButtonCalc);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text,
            "Error : The solution is not finite.\n"
            "The input values are too large to calculate with.\n"
            "No output given.\n");
  EXPECT_FALSE(data->resultsAvailable);
  EXPECT_FALSE(form->clientArea()->showsPicture());
  ExpectInputShown();
}

}  // namespace
}  // namespace pelvar
