#pragma once
// The real main window on Qt's offscreen platform, shown and active, driven by QTest events.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QTest>
#include <memory>

#include "support/scripted_dialogs.h"
#include "ui/form_pelv.h"
#include "ui/string_grid.h"

namespace pelvar {

class PelvarApplication;

// The one application object of the test program, made on first use.
PelvarApplication& TestApplication();

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Waits until queued window events (resizes, activation) have arrived.
  void Settle();

  // Types text into the open cell editor of a grid (the grid must have the focus).
  void Type(StringGrid* grid, const QString& text);
  // Presses a key on whatever has the keyboard focus in the window.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Clicks a cell, as the mouse does: the press goes to the open editor when it covers the cell.
  void ClickCell(StringGrid* grid, int col, int row);
  void Click(QWidget* widget);

  // (col, row) of a grid's current cell.
  static QPoint Current(const StringGrid* grid) {
    return {grid->currentColumn(), grid->currentRow()};
  }
  // The text shown by the cell editor (a list's choice), or a note that none is open.
  static QString EditorText(const StringGrid* grid);

  ScriptedDialogs dialogs;
  std::unique_ptr<TFormPelv> form;
  ProblemData* data = nullptr;
};

}  // namespace pelvar
