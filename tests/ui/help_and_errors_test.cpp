// The four help texts, shown through the dialogs, and the application's general error handler.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <stdexcept>

#include "desktop/pelvar_application.h"
#include "desktop/qt_dialogs.h"
#include "pelvar_version.h"
#include "support/window_fixture.h"

namespace pelvar {
namespace {

const char* const kAbout =
    "Pelvar\n\n"
    "Version " PELVAR_VERSION
    ", released under the MIT licence.\n\n"
    "This is a program for the analysis of a beam on elastic foundation.\n"
    "The program also applies to a laterally loaded pile, supported by\n"
    "linear springs.\n\n"
    "Input consists of the properties of sections of the beam, the load on\n"
    "each section, and the forces and moments applied at the points between\n"
    "sections. Input data are assembled in a datafile of type *.plv.\n\n"
    "Output is given on the screen, in the form of the displacements and\n"
    "the bending moment. Input and output data can also be printed, and can\n"
    "be saved in a datafile *.plv.\n\n"
    "Load cases, their combinations, a moving load and soil factors are\n"
    "entered in the window of the command Load cases on the menu bar (Ctrl+L).\n"
    "_________________________________________________________\n\n";

const char* const kGeneral =
    "General data.\n\n"
    "- Licensed User : Identification of the user. This can not be modified by\n"
    "     the user. It is printed on all output.\n"
    "- File Name : Name of the datafile on disk; all files are of the type *.plv.\n"
    "- Problem Name : Identification of the problem, printed on all output.\n"
    "- Number of sections : Number of sections of the beam. The distributed load\n"
    "     and the spring constant are constant in each section.\n"
    "- Number of elements : Number of elements into which the beam is subdivided\n"
    "     for the numerical solution.\n"
    "- EI : Flexural stiffness of the beam, product of modulus of elasticity and\n"
    "     moment of inertia.\n"
    "- Width : Width of the beam.\n";

const char* const kSections =
    "Properties of Sections.\n\n"
    "This table gives the properties in each section.\n\n"
    "- Length : Length of a section.\n"
    "- Load : Distributed load in a section.\n"
    "- Spring : Spring constant in a section.\n"
    "- EI : Flexural stiffness of a section. A section may have its own; a grey\n"
    "     value is the general data's EI, which the section takes. Type 0 or clear\n"
    "     the cell to return to it.\n"
    "- Width : Width of a section. A section may have its own; a grey value is\n"
    "     the general data's width. Type 0 or clear the cell to return to it.\n";

const char* const kForces =
    "Forces.\n\n"
    "This table gives the concentrated force and the concentrated moment \n"
    "in each point between two sections.\n\n"
    "- x : Location of point.\n"
    "- Force : Concentrated force.\n"
    "- Moment : Concentrated moment.\n"
    "- Support : How the point is held: none; pinned (w held, free to rotate);\n"
    "     fixed (w and slope held); guided (slope held, free to move, as a pile\n"
    "     head in its cap); elastic (springs). Type its first letter or its code\n"
    "     0..4, or open the list with F4 or Alt+Down. Inside the beam a fixed or\n"
    "     guided support lets the moment jump by its reaction.\n"
    "- Spring : An elastic support's translational spring (kN/m) and rotational\n"
    "     spring (kNm/rad), at least 0; either may be 0.\n"
    "- w, dw/dx : The displacement a pinned or fixed support holds (m, positive\n"
    "     down, as w), and the rotation a fixed or guided support holds (rad, in\n"
    "     the sign of dw/dx); of an elastic support, how far the base of its\n"
    "     springs is lowered and turned. Cells a support does not use are blank\n"
    "     and grey.\n\n";

using Kind = ScriptedDialogs::Kind;

TEST_F(WindowTest, HelpButtonsAndTheHelpMenuShowTheirTexts) {
  EXPECT_EQ(std::string(kAbout).find("\n" + std::string(57, '_') + "\n\n"),
            std::string(kAbout).size() - 60);
  Click(form->SpeedButtonHelp);
  Click(form->GeneralHelp);
  Click(form->SectionsHelp);
  Click(form->StepsHelp);
  // The menu bar command acts at once, without a submenu.
  QMenuBar* bar = form->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(form->Help1).center());
  Settle();

  ASSERT_EQ(dialogs.shown.size(), 5u);
  const std::vector<const char*> expected = {kAbout, kGeneral, kSections, kForces, kAbout};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(dialogs.shown[i].kind, Kind::Message);
    EXPECT_EQ(dialogs.shown[i].text.toStdString(), expected[i]) << "message " << i;
  }
}

TEST_F(WindowTest, HelpWhileEditingCommitsNothing) {
  form->MainGrid->setCurrentCell(6, 1);
  Type(form->MainGrid, "4");
  Click(form->GeneralHelp);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(data->beamWidth, 1.0);
  EXPECT_EQ(EditorText(form->MainGrid), "4");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->beamWidth, 4.0);
}

TEST_F(WindowTest, TheRealMessageBoxLeavesTheEditAsItWas) {
  QtDialogs real;
  TFormPelv window(real);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ProblemData& problem = window.problemData();
  window.SoilGrid->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.SoilGrid->cellEditor() != nullptr; }));
  window.SoilGrid->setCurrentCell(3, 2);  // the load of section 2
  Settle();
  auto* editor = qobject_cast<QLineEdit*>(window.SoilGrid->cellEditor());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "12");

  QString shownText;
  QString caption;
  bool centred = false;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    shownText = box->text();
    caption = box->windowTitle();
    const QRect screen = box->screen()->geometry();
    centred = std::abs(box->frameGeometry().center().x() - screen.center().x()) <= 1 &&
              std::abs(box->frameGeometry().center().y() - screen.center().y()) <= 1;
    box->accept();
  });
  QTest::mouseClick(window.SectionsHelp, Qt::LeftButton);
  EXPECT_EQ(shownText.toStdString(), kSections);
  EXPECT_EQ(caption, "Pelvar");
  EXPECT_TRUE(centred);

  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Settle();
  // The text typed is still there, uncommitted, and the cell it was typed in is still current,
  // with the keys.
  EXPECT_TRUE(window.SoilGrid->hasActiveFocus());
  EXPECT_EQ(problem.sections[1].load, 10.0);
  EXPECT_EQ(QPoint(window.SoilGrid->currentColumn(), window.SoilGrid->currentRow()), QPoint(2, 3));
  ASSERT_NE(window.SoilGrid->cellEditor(), nullptr);
  QTest::keyClick(window.SoilGrid->cellEditor(), Qt::Key_Return);
  Settle();
  EXPECT_EQ(problem.sections[1].load, 12.0);

  // Lines wider than the box would make them by itself are shown whole, as written.
  int linesCut = -1;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
      if (label->text() != box->text()) continue;
      const QFontMetrics metrics(label->font());
      linesCut = 0;
      for (const QString& line : box->text().split(QLatin1Char('\n')))
        linesCut += metrics.horizontalAdvance(line) > label->contentsRect().width() ? 1 : 0;
    }
    box->accept();
  });
  QTest::mouseClick(window.GeneralHelp, Qt::LeftButton);
  EXPECT_EQ(linesCut, 0);
}

// An event handler that fails. The fault is raised right under the application object, so
// that no toolkit frame without unwinding support lies in between (those would leak their
// locals, which the leak checker of the sanitizer build reports).
class FailingHandler : public QObject {
 public:
  std::function<void()> fail;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) fail();
    return QObject::event(event);
  }
};

TEST_F(WindowTest, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
  FailingHandler handler;
  handler.fail = [] { throw std::runtime_error("Floating point division by zero"); };
  QEvent trigger(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&handler, &trigger));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[0].text, "Floating point division by zero");

  // Something that is not a std::exception is reported too.
  struct Odd {};
  handler.fail = [] { throw Odd{}; };
  EXPECT_FALSE(QCoreApplication::sendEvent(&handler, &trigger));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, Kind::Error);
  EXPECT_EQ(dialogs.shown[1].text, "Unknown error");

  // The window still answers.
  Click(form->StepsHelp);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[2].kind, Kind::Message);
  Type(form->MainGrid, "x.plv");
  Press(Qt::Key_Return);
  EXPECT_EQ(data->fileName.View(), "x.plv");
}

}  // namespace
}  // namespace pelvar
