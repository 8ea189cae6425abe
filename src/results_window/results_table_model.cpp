#include "results_window/results_table_model.h"

#include "text/number_format.h"

namespace pelvar {

ResultsTableModel::ResultsTableModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind) {}

void ResultsTableModel::setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot) {
  beginResetModel();
  snapshot_ = std::move(snapshot);
  endResetModel();
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !snapshot_) return 0;
  return static_cast<int>(kind_ == Kind::Nodes ? snapshot_->nodeX.size()
                                               : snapshot_->quantities.elements.size());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 5;
}

QString ResultsTableModel::cellText(int row, int column) const {
  if (kind_ == Kind::Nodes) {
    const ResultNode& node = snapshot_->data->nodes[row];
    const double values[] = {node.x, node.w, node.Q, node.M};
    if (column == 0) return QString::number(row);
    return QString::fromStdString(ShortestRealText(values[column - 1]));
  }
  const ElementResult& e = snapshot_->quantities.elements[row];
  switch (column) {
    case 0:
      return QString::number(row + 1);
    case 1:
      return QString::number(e.section + 1);
    case 2:
      return QString::fromStdString(ShortestRealText(e.x0));
    case 3:
      return QString::fromStdString(ShortestRealText(e.x1));
    default:
      return QString::fromStdString(ShortestRealText(e.p));
  }
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!snapshot_ || !index.isValid()) return {};
  if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNodes[] = {"Node", "x (m)", "w (m)", "Q (kN)", "M (kNm)"};
  static const char* const kElements[] = {"Element", "Section", "x0 (m)", "x1 (m)",
                                          "p (kN/m\u00b2)"};
  if (section < 0 || section >= 5) return {};
  return QString::fromUtf8(kind_ == Kind::Nodes ? kNodes[section] : kElements[section]);
}

}  // namespace pelvar
