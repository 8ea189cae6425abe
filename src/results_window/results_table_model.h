#pragma once
// The node, the element or the support table of a calculated problem, as the results window
// lists it; of an envelope, the largest and smallest values of each quantity side by side. The
// node table shows a jump of Q or M as two rows at the same x, the node's number on its left
// side's row only, and a point inside an element where a load anywhere stands as a row without
// a number.

#include <QAbstractTableModel>
#include <array>
#include <memory>
#include <vector>

#include "drawings/results_diagrams.h"
#include "plot/results_plot.h"

namespace pelvar {

class ResultsTableModel : public QAbstractTableModel {
 public:
  // Supports: what each support gives the beam, one row per point that has one.
  enum class Kind { Nodes, Elements, Supports };
  ResultsTableModel(Kind kind, QObject* parent);

  // The results listed; none lists no rows.
  void setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // A cell's text as the table shows it: the reals of a column with the decimals that give its
  // largest magnitude six significant digits, their decimal points lined up.
  QString shownText(int row, int column) const;
  // A cell's text at full precision: every real as the shortest text that reads back to the
  // same double, as in the exported CSV.
  QString exactText(int row, int column) const;

 private:
  // The real in a cell; the numbering columns hold none.
  bool isReal(int column) const;
  double real(int row, int column) const;

  Kind kind_;
  std::shared_ptr<const ResultsSnapshot> snapshot_;
  std::vector<int> supportPoints_;  // the points of the supports' rows
  std::array<ColumnFormat, 8> formats_{};
};

}  // namespace pelvar
