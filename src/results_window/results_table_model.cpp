#include "results_window/results_table_model.h"

#include <algorithm>
#include <cmath>

#include "text/number_format.h"

namespace pelvar {

ResultsTableModel::ResultsTableModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind) {}

void ResultsTableModel::setSnapshot(std::shared_ptr<const ResultsSnapshot> snapshot) {
  beginResetModel();
  snapshot_ = std::move(snapshot);
  supportPoints_.clear();
  // What the supports give the beam is one state's.
  if (snapshot_ && !snapshot_->envelope) {
    for (int p = 0; p <= snapshot_->data->sectionCount; ++p) {
      if (snapshot_->data->points[p].support.kind != SupportKind::None) supportPoints_.push_back(p);
    }
  }
  const int rows = rowCount();
  for (int column = 0; column < columnCount(); ++column) {
    double largest = 0.0;
    if (isReal(column)) {
      for (int row = 0; row < rows; ++row) largest = std::max(largest, std::abs(real(row, column)));
    }
    formats_[static_cast<std::size_t>(column)] = TableColumnFormat(largest);
  }
  endResetModel();
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !snapshot_) return 0;
  switch (kind_) {
    case Kind::Nodes:
      return static_cast<int>(snapshot_->envelope ? snapshot_->nodeX.size()
                                                  : snapshot_->rows.size());
    case Kind::Elements:
      return static_cast<int>(snapshot_->quantities.elements.size());
    case Kind::Supports:
      return static_cast<int>(supportPoints_.size());
  }
  return 0;
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  if (snapshot_ && snapshot_->envelope) {
    if (kind_ == Kind::Nodes) return 8;
    if (kind_ == Kind::Elements) return 6;
  }
  return 5;
}

bool ResultsTableModel::isReal(int column) const {
  return kind_ == Kind::Nodes ? column >= 1 : column >= 2;
}

// A support's row: its point, its kind, x, the force and the moment it gives the beam.

double ResultsTableModel::real(int row, int column) const {
  if (const Envelope* envelope = snapshot_->envelope.get(); envelope != nullptr) {
    const auto i = static_cast<std::size_t>(row);
    if (kind_ == Kind::Nodes) {
      const NodeEnvelope& node = envelope->nodes[i];
      const double values[] = {node.x,          node.wMax.value, node.wMin.value, node.QMax.value,
                               node.QMin.value, node.MMax.value, node.MMin.value};
      return values[column - 1];
    }
    if (kind_ == Kind::Elements) {
      const ElementEnvelope& e = envelope->elements[i];
      const double values[] = {e.x0, e.x1, e.pMax.value, e.pMin.value};
      return values[column - 2];
    }
  }
  if (kind_ == Kind::Nodes) {
    const ResultRow& at = snapshot_->rows[static_cast<std::size_t>(row)];
    const double values[] = {at.x, at.w, at.Q, at.M};
    return values[column - 1];
  }
  if (kind_ == Kind::Supports) {
    const int point = supportPoints_[static_cast<std::size_t>(row)];
    const SupportReaction& reaction = snapshot_->data->reactions[point];
    const double values[] = {snapshot_->data->points[point].x, reaction.force, reaction.moment};
    return values[column - 2];
  }
  const ElementResult& e = snapshot_->quantities.elements[row];
  return column == 2 ? e.x0 : column == 3 ? e.x1 : e.p;
}

QString ResultsTableModel::shownText(int row, int column) const {
  if (!isReal(column)) return exactText(row, column);
  return QString::fromStdString(
      TableCellText(real(row, column), formats_[static_cast<std::size_t>(column)]));
}

QString ResultsTableModel::exactText(int row, int column) const {
  if (isReal(column)) return QString::fromStdString(ShortestRealText(real(row, column)));
  if (kind_ == Kind::Nodes) {
    // Nodes are numbered from 0. The right side of a jump and a point inside an element, where a
    // load anywhere stands, have no number of their own.
    if (snapshot_->envelope) return QString::number(row);
    const ResultRow& at = snapshot_->rows[static_cast<std::size_t>(row)];
    return at.node >= 0 && at.side != JumpSide::Right ? QString::number(at.node) : QString();
  }
  if (kind_ == Kind::Supports) {
    const int point = supportPoints_[static_cast<std::size_t>(row)];
    if (column == 0) return QString::number(point);
    return QString::fromLatin1(SupportKindName(snapshot_->data->points[point].support.kind));
  }
  return QString::number(column == 0 ? row + 1 : snapshot_->quantities.elements[row].section + 1);
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!snapshot_ || !index.isValid()) return {};
  if (role == Qt::DisplayRole) return shownText(index.row(), index.column());
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNodes[] = {"Node", "x (m)", "w (m)", "Q (kN)", "M (kNm)"};
  static const char* const kElements[] = {"Element", "Section", "x0 (m)", "x1 (m)",
                                          "p (kN/m\u00b2)"};
  static const char* const kSupports[] = {"Point", "Support", "x (m)", "Force (kN)",
                                          "Moment (kNm)"};
  static const char* const kEnvelopeNodes[] = {"Node",       "x (m)",     "wMax (m)",
                                               "wMin (m)",   "QMax (kN)", "QMin (kN)",
                                               "MMax (kNm)", "MMin (kNm)"};
  static const char* const kEnvelopeElements[] = {
      "Element", "Section", "x0 (m)", "x1 (m)", "pMax (kN/m\u00b2)", "pMin (kN/m\u00b2)"};
  if (section < 0 || section >= columnCount()) return {};
  const bool envelope = snapshot_ && snapshot_->envelope;
  const char* const* names = kind_ == Kind::Nodes      ? (envelope ? kEnvelopeNodes : kNodes)
                             : kind_ == Kind::Elements ? (envelope ? kEnvelopeElements : kElements)
                                                       : kSupports;
  return QString::fromUtf8(names[section]);
}

}  // namespace pelvar
