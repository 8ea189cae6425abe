#pragma once
// The tables of the load cases window as input tables over the one ProblemData: one model for
// each table, its cells as load_case_cells.h says. The tables of a case's loads show the case
// the window has chosen, their page.

#include "load_cases_window/load_case_cells.h"
#include "ui/input_table_models.h"

namespace pelvar {

class LoadCaseTableModel : public InputTableModel {
  Q_OBJECT
 public:
  LoadCaseTableModel(ProblemData& data, InputTable table, QObject* parent);

  InputTable table() const { return table_; }
  // The case whose loads the table shows (the case tables only); the window rebuilds the table
  // after it changed.
  int page() const { return page_; }
  void setPage(int page) { page_ = page; }

  StoredValue storedValue(int row, int col) const override;
  QStringList choices(int row, int col) const override;
  bool namesChoice(int row, int col, const QString& text) const override;
  bool takesInput(int row, int col) const override;

 protected:
  int wantedRows() const override;
  int wantedColumns() const override;
  QString cellText(int row, int col) const override;
  bool isNumber(int row, int col) const override;
  QString cellToolTip(int row, int col) const override;
  bool commitCell(int row, int col, const std::string& typed) override;
  void storeValue(int row, int col, const StoredValue& value) override;

 private:
  InputTable table_;
  int page_ = 0;
};

}  // namespace pelvar
