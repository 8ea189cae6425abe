#include "support/window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "desktop/pelvar_application.h"
#include "ui/client_area.h"

namespace pelvar {

PelvarApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "ui_test";
  static char* argv[] = {name, nullptr};
  static PelvarApplication* application = new PelvarApplication(argc, argv);
  return *application;
}

void WindowTest::SetUp() {
  TestApplication().setDialogs(&dialogs);
  form = std::make_unique<TFormPelv>(dialogs);
  data = &form->problemData();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Settle();
}

void WindowTest::TearDown() {
  form.reset();
  TestApplication().setDialogs(nullptr);
}

void WindowTest::Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void WindowTest::Type(StringGrid* grid, const QString& text) {
  QWidget* editor = grid->cellEditor();
  ASSERT_NE(editor, nullptr) << "no cell editor open";
  auto* line = qobject_cast<QLineEdit*>(editor);
  ASSERT_NE(line, nullptr);
  line->selectAll();
  for (const QChar ch : text) {
    // QTest knows keys for ASCII only; other characters come as key events with their text,
    // as an input method delivers them.
    if (ch.unicode() < 0x80) {
      QTest::keyClick(editor, ch.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
  }
}

void WindowTest::Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, key, modifiers);
  Settle();
}

void WindowTest::ClickCell(StringGrid* grid, int col, int row) {
  const QRect cell = grid->visualRect(grid->model()->index(row, col));
  QWidget* target = grid->viewport();
  QPoint point = cell.center();
  if (QWidget* under = target->childAt(point)) {
    point = under->mapFrom(target, point);
    target = under;
  }
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
  Settle();
}

void WindowTest::Click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
  Settle();
}

QString WindowTest::EditorText(const StringGrid* grid) {
  if (auto* list = qobject_cast<QComboBox*>(grid->cellEditor())) return list->currentText();
  auto* line = qobject_cast<QLineEdit*>(grid->cellEditor());
  return line != nullptr ? line->text() : QStringLiteral("<no editor>");
}

}  // namespace pelvar
