#pragma once
// The node or the element table of a calculated problem, as the results window lists it.

#include <QAbstractTableModel>
#include <memory>

#include "results_window/results_diagrams.h"

namespace pelvar {

class ResultsTableModel : public QAbstractTableModel {
 public:
  enum class Kind { Nodes, Elements };
  ResultsTableModel(Kind kind, QObject* parent);

  // The results listed; none lists no rows.
  void setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // A cell's text: every real as the shortest text that reads back to the same double, as in
  // the exported CSV.
  QString cellText(int row, int column) const;

 private:
  Kind kind_;
  std::shared_ptr<const ResultsSnapshot> snapshot_;
};

}  // namespace pelvar
