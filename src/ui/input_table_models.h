#pragma once
// The three input tables as Qt models over the one ProblemData: the general data, the sections
// and the forces. A table's fixed rows and columns (captions, row labels, numbers, x) are cells
// that can be neither selected nor edited; its value cells show what ProblemData holds, in the
// formats of the input rules.
//
// Text typed into a cell is held by the model as the cell's typed text until it is committed:
// setData with Qt::EditRole commits through the input rules (read, held within the limits,
// stored, shown in the cell's format) and reports whether the stored value changed. The grids
// decide when a cell is committed (when their current cell moves, or the focus leaves them).

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <utility>

#include "model/problem_data.h"
#include "ui/edit_history.h"

namespace pelvar {

// The role in which a cell holds text typed into it and not yet committed.
inline constexpr int kTypedTextRole = Qt::UserRole;

class InputTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  InputTableModel(ProblemData& data, int fixedRows, int fixedCols, int columns, QObject* parent);

  int fixedRows() const { return fixedRows_; }
  int fixedCols() const { return fixedCols_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // kTypedTextRole holds typed text; Qt::EditRole commits the text given.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // The value a value cell stores, exactly.
  virtual StoredValue storedValue(int row, int col) const = 0;
  // Puts back a value the cell stored before (undo, redo), exactly: the cell drops its typed
  // text, shows the value and reports a commit, as typing would; it is no new change.
  void restoreValue(int row, int col, const StoredValue& value);

  // Whether the cell holds a number (else a name, a choice or a label).
  bool holdsNumber(int row, int col) const { return isNumber(row, col); }
  // The texts a cell is chosen from (a support's kind), in the order of their codes; none for a
  // cell that is typed.
  virtual QStringList choices(int /*row*/, int /*col*/) const { return {}; }
  // Whether a text names one of the cell's choices, as a commit reads it (a name, its first
  // letters, its code).
  virtual bool namesChoice(int /*row*/, int /*col*/, const QString& /*text*/) const {
    return false;
  }
  // Whether a value cell takes input now: one that the rest of its row leaves without meaning
  // (a spring of a support that has none) shows blank and takes nothing.
  virtual bool takesInput(int /*row*/, int /*col*/) const { return true; }
  // Whether the cell may go without a value of its own and then shows the general data's (a
  // section's EI and width): its stored 0, and a blank committed, stand for that.
  virtual bool takesGeneralValue(int /*row*/, int /*col*/) const { return false; }
  // Whether the cell holds typed text not yet committed.
  bool hasTypedText(const QModelIndex& index) const;
  // Shows ProblemData anew after it changed as a whole: the rows follow the counts and every
  // cell drops its typed text. Rows that remain keep their place, and the views their current
  // cells in them.
  void rebuild();
  // Every cell drops its typed text and shows the stored value again.
  void dropTypedText();
  // Shows what ProblemData holds after another table changed it: where the counts call for other
  // rows or columns, as rebuild does; else every cell shows its stored value again, and text
  // typed into a cell stays.
  void follow();
  // Shows the stored value of one cell again, dropping its typed text; an editor open on the
  // cell shows it too.
  void showStoredValue(int row, int col);
  // Shows the stored values of a column again, as the points' x after the lengths changed.
  void showStoredColumn(int col);

 signals:
  // A value cell was committed; changed tells whether ProblemData holds another value now.
  void committed(const QModelIndex& index, bool changed);
  // A commit changed what the cell stores; comes before committed.
  void valueChanged(int row, int col, const StoredValue& before, const StoredValue& after);
  // Around a commit: the changes in between are one edit (a kind that clears the values it
  // does not use).
  void commitStarted();
  void commitFinished();

 protected:
  // The rows the counts of ProblemData call for, and the columns (a combination's factors, one
  // for each case).
  virtual int wantedRows() const = 0;
  virtual int wantedColumns() const { return columns_; }
  // What a cell shows: a caption or label in a fixed cell, the stored value in a value cell.
  virtual QString cellText(int row, int col) const = 0;
  // Numbers stand at the right edge of their cells, so that the decimal points of a column line
  // up; the formatted text keeps its blanks. Names and labels stand at the left.
  virtual bool isNumber(int row, int col) const = 0;
  // Whether a value cell shows the general data's value for want of its own, which it shows
  // grey, and what its tool tip says of it.
  virtual bool showsGeneralValue(int /*row*/, int /*col*/) const { return false; }
  virtual QString cellToolTip(int /*row*/, int /*col*/) const { return {}; }
  // Stores the text typed into a value cell through the input rules; true when the stored value
  // changed.
  virtual bool commitCell(int row, int col, const std::string& typed) = 0;
  // Stores a value exactly, with what follows from it (the points' positions).
  virtual void storeValue(int row, int col, const StoredValue& value) = 0;
  // After a commit that changed the cell: what else of its row it changes, each change reported
  // by valueChanged.
  virtual void settleRow(int /*row*/, int /*col*/) {}
  // The whole row shows anew, as after a support's kind changed which cells take input.
  void showRow(int row);

  ProblemData& data_;

 private:
  bool isFixed(int row, int col) const { return row < fixedRows_ || col < fixedCols_; }

  int fixedRows_;
  int fixedCols_;
  int columns_;
  int rows_ = 0;
  std::map<std::pair<int, int>, QString> typed_;  // (row, col) -> typed text
};

// General data: the seven rows of GeneralRow, labels in column 0 and values in column 1.
class GeneralDataModel : public InputTableModel {
  Q_OBJECT
 public:
  GeneralDataModel(ProblemData& data, QObject* parent);
  StoredValue storedValue(int row, int col) const override;

 protected:
  int wantedRows() const override;
  QString cellText(int row, int col) const override;
  bool isNumber(int row, int col) const override;
  bool commitCell(int row, int col, const std::string& typed) override;
  void storeValue(int row, int col, const StoredValue& value) override;
};

// Sections: two caption rows, then one row per section; column 0 its number, then length, load,
// spring, EI and width. A committed length moves the points. A section without an EI or a width
// of its own shows the general data's, grey, and follows it.
class SectionsModel : public InputTableModel {
  Q_OBJECT
 public:
  SectionsModel(ProblemData& data, QObject* parent);
  StoredValue storedValue(int row, int col) const override;
  bool takesGeneralValue(int row, int col) const override;

 protected:
  int wantedRows() const override;
  QString cellText(int row, int col) const override;
  bool isNumber(int row, int col) const override;
  bool showsGeneralValue(int row, int col) const override;
  QString cellToolTip(int row, int col) const override;
  bool commitCell(int row, int col, const std::string& typed) override;
  void storeValue(int row, int col, const StoredValue& value) override;
};

// Forces: two caption rows, then one row per point; the point's number and its x (which
// follows from the lengths) fixed, then force and moment, and the point's support: its kind,
// chosen from the five, and the values it uses. A kind committed clears the values it does not
// use, which its cells show blank and which take no input, so that no value stands in the
// problem without effect.
class ForcesModel : public InputTableModel {
  Q_OBJECT
 public:
  ForcesModel(ProblemData& data, QObject* parent);
  StoredValue storedValue(int row, int col) const override;
  QStringList choices(int row, int col) const override;
  bool namesChoice(int row, int col, const QString& text) const override;
  bool takesInput(int row, int col) const override;

 protected:
  int wantedRows() const override;
  QString cellText(int row, int col) const override;
  bool isNumber(int row, int col) const override;
  bool commitCell(int row, int col, const std::string& typed) override;
  void storeValue(int row, int col, const StoredValue& value) override;
  void settleRow(int row, int col) override;
};

}  // namespace pelvar
