#include "ui/input_table_models.h"

#include <QBrush>
#include <QColor>
#include <array>

#include "desktop/colours.h"
#include "model/input_rules.h"
#include "qt_text/text_edge.h"

namespace pelvar {
namespace {

// The two caption rows of the sections and forces tables: the quantities and their units. The
// leading blanks place them towards the right of their cells, over the numbers.
constexpr std::array<std::array<const char*, 6>, 2> kSectionCaptions{{
    {" Section", "      Length", "        Load", "      Spring", "          EI", "       Width"},
    {"", "         m", "       kN/m\u00b2", "       kN/m\u00b3", "        kNm\u00b2", "         m"},
}};
constexpr std::array<std::array<const char*, kPointColumns>, 2> kPointCaptions{{
    {"  Point", "         x", "      Force", "     Moment", " Support", "      Spring",
     "      Spring", "           w", "       dw/dx"},
    {"", "         m", "        kN", "        kNm", "", "        kN/m", "     kNm/rad",
     "           m", "         rad"},
}};
constexpr std::array<const char*, 7> kGeneralLabels{
    "Licensed User",
    "File Name",
    "Problem Name",
    "Number of sections (max. 20)",
    "Number of elements (10..1000)",
    "Flexural stiffness of beam EI (kNm\u00b2)",
    "Width of beam (m)",
};

QString Shown(const std::string& bytes) { return QStringFromCp1252(bytes); }

// Stores a committed value; true when it differs from what was stored.
template <typename T>
bool Store(T& field, T value) {
  const bool changed = !(field == value);
  field = value;
  return changed;
}

}  // namespace

// ---- the common part ------------------------------------------------------------------------

InputTableModel::InputTableModel(ProblemData& data, int fixedRows, int fixedCols, int columns,
                                 QObject* parent)
    : QAbstractTableModel(parent),
      data_(data),
      fixedRows_(fixedRows),
      fixedCols_(fixedCols),
      columns_(columns) {}

int InputTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int InputTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

Qt::ItemFlags InputTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || isFixed(index.row(), index.column())) return Qt::NoItemFlags;
  // A cell that takes no input is still passed through and selected with its neighbours.
  if (!takesInput(index.row(), index.column())) return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

QVariant InputTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const int row = index.row();
  const int col = index.column();
  const bool fixed = isFixed(row, col);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case kTypedTextRole: {
      const auto typed = typed_.find({row, col});
      if (typed != typed_.end()) return typed->second;
      return role == kTypedTextRole ? QVariant() : QVariant(cellText(row, col));
    }
    case Qt::TextAlignmentRole:
      return int(Qt::AlignVCenter | (isNumber(row, col) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::BackgroundRole:
      if (fixed) return QVariant(QBrush(Qt::yellow));
      // The button face, as a control that is off.
      return takesInput(row, col) ? QVariant() : QVariant(QBrush(palette::kSilver));
    case Qt::ForegroundRole:
      if (fixed) return QVariant(QBrush(Qt::black));
      // Typed text is the user's own, whatever it stands in for.
      if (showsGeneralValue(row, col) && typed_.count({row, col}) == 0) {
        return QVariant(QBrush(palette::kGray));
      }
      return {};
    case Qt::ToolTipRole:
      return fixed ? QVariant() : QVariant(cellToolTip(row, col));
    default:
      return {};
  }
}

bool InputTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!(flags(index) & Qt::ItemIsEditable)) return false;
  const int row = index.row();
  const int col = index.column();
  if (role == kTypedTextRole) {
    typed_[{row, col}] = value.toString();
    emit dataChanged(index, index);
    return true;
  }
  if (role != Qt::EditRole) return false;
  emit commitStarted();
  const StoredValue before = storedValue(row, col);
  const bool changed = commitCell(row, col, Cp1252FromQString(value.toString()));
  typed_.erase({row, col});
  emit dataChanged(index, index);
  if (changed) {
    emit valueChanged(row, col, before, storedValue(row, col));
    settleRow(row, col);
  }
  emit commitFinished();
  emit committed(index, changed);
  return true;
}

void InputTableModel::showRow(int row) {
  if (row < rows_) emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

void InputTableModel::restoreValue(int row, int col, const StoredValue& value) {
  if (row < fixedRows_ || col < fixedCols_ || col >= columns_) return;
  const StoredValue before = storedValue(row, col);
  storeValue(row, col, value);
  typed_.erase({row, col});
  // A row beyond the count is stored as well: an undo may put back the values of rows before
  // their count.
  const QModelIndex cell = createIndex(row, col);
  if (row < rows_) emit dataChanged(cell, cell);
  emit committed(cell, !(before == storedValue(row, col)));
}

bool InputTableModel::hasTypedText(const QModelIndex& index) const {
  return typed_.count({index.row(), index.column()}) != 0;
}

void InputTableModel::rebuild() {
  const int rows = wantedRows();
  if (rows < rows_) {
    beginRemoveRows(QModelIndex(), rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  } else if (rows > rows_) {
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  }
  const int columns = wantedColumns();
  if (columns < columns_) {
    beginRemoveColumns(QModelIndex(), columns, columns_ - 1);
    columns_ = columns;
    endRemoveColumns();
  } else if (columns > columns_) {
    beginInsertColumns(QModelIndex(), columns_, columns - 1);
    columns_ = columns;
    endInsertColumns();
  }
  dropTypedText();
}

void InputTableModel::follow() {
  if (wantedRows() != rows_ || wantedColumns() != columns_) {
    rebuild();
  } else if (rows_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  }
}

void InputTableModel::dropTypedText() {
  typed_.clear();
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

void InputTableModel::showStoredValue(int row, int col) {
  typed_.erase({row, col});
  const QModelIndex cell = index(row, col);
  emit dataChanged(cell, cell);
}

void InputTableModel::showStoredColumn(int col) {
  if (rows_ > 0) emit dataChanged(index(0, col), index(rows_ - 1, col));
}

// ---- general data ---------------------------------------------------------------------------

GeneralDataModel::GeneralDataModel(ProblemData& data, QObject* parent)
    : InputTableModel(data, 1, 1, 2, parent) {}

int GeneralDataModel::wantedRows() const { return static_cast<int>(kGeneralLabels.size()); }

QString GeneralDataModel::cellText(int row, int col) const {
  if (col == 0) return QString::fromUtf8(kGeneralLabels[static_cast<std::size_t>(row)]);
  return Shown(GeneralCellText(data_, static_cast<GeneralRow>(row)));
}

bool GeneralDataModel::isNumber(int row, int col) const {
  return col == 1 && row >= static_cast<int>(GeneralRow::SectionCount);
}

bool GeneralDataModel::commitCell(int row, int /*col*/, const std::string& typed) {
  const auto which = static_cast<GeneralRow>(row);
  std::string_view stored;
  if (which == GeneralRow::FileName) stored = data_.fileName.View();
  if (which == GeneralRow::ProblemName) stored = data_.problemName.View();
  const CommittedCell cell = CommitGeneralCell(which, typed, stored);
  switch (which) {
    case GeneralRow::FileName:
      return Store(data_.fileName, ShortText(cell.text));
    case GeneralRow::ProblemName:
      return Store(data_.problemName, ShortText(cell.text));
    case GeneralRow::SectionCount:
      return Store(data_.sectionCount, static_cast<std::int32_t>(cell.value));
    case GeneralRow::ElementCount:
      return Store(data_.elementCount, static_cast<std::int32_t>(cell.value));
    case GeneralRow::StiffnessEI:
      return Store(data_.stiffnessEI, cell.value);
    case GeneralRow::BeamWidth:
      return Store(data_.beamWidth, cell.value);
    case GeneralRow::LicensedUser:
      break;
  }
  return false;
}

StoredValue GeneralDataModel::storedValue(int row, int /*col*/) const {
  switch (static_cast<GeneralRow>(row)) {
    case GeneralRow::FileName:
      return {0.0, std::string(data_.fileName.View())};
    case GeneralRow::ProblemName:
      return {0.0, std::string(data_.problemName.View())};
    case GeneralRow::SectionCount:
      return {static_cast<double>(data_.sectionCount), {}};
    case GeneralRow::ElementCount:
      return {static_cast<double>(data_.elementCount), {}};
    case GeneralRow::StiffnessEI:
      return {data_.stiffnessEI, {}};
    case GeneralRow::BeamWidth:
      return {data_.beamWidth, {}};
    case GeneralRow::LicensedUser:
      break;
  }
  return {};
}

void GeneralDataModel::storeValue(int row, int /*col*/, const StoredValue& value) {
  switch (static_cast<GeneralRow>(row)) {
    case GeneralRow::FileName:
      data_.fileName.Set(value.text);
      break;
    case GeneralRow::ProblemName:
      data_.problemName.Set(value.text);
      break;
    case GeneralRow::SectionCount:
      // Only ever a count stored before; held within the tables all the same.
      data_.sectionCount = ClampSectionCount(static_cast<int>(value.number));
      break;
    case GeneralRow::ElementCount:
      data_.elementCount = ClampElementCount(static_cast<int>(value.number));
      break;
    case GeneralRow::StiffnessEI:
      data_.stiffnessEI = value.number;
      break;
    case GeneralRow::BeamWidth:
      data_.beamWidth = value.number;
      break;
    case GeneralRow::LicensedUser:
      break;
  }
}

// ---- sections -------------------------------------------------------------------------------

namespace {

// The field behind a value cell of the sections table.
double& SectionField(ProblemData& data, int row, int col) {
  SectionRow& section = data.sections[static_cast<std::size_t>(row - 2)];
  switch (static_cast<SectionColumn>(col)) {
    case SectionColumn::Length:
      return section.length;
    case SectionColumn::Load:
      return section.load;
    case SectionColumn::Spring:
      return section.spring;
    case SectionColumn::StiffnessEI:
      return section.stiffnessEI;
    case SectionColumn::Width:
      break;
  }
  return section.width;
}

}  // namespace

SectionsModel::SectionsModel(ProblemData& data, QObject* parent)
    : InputTableModel(data, 2, 1, static_cast<int>(kSectionCaptions[0].size()), parent) {}

int SectionsModel::wantedRows() const { return data_.sectionCount + 2; }

QString SectionsModel::cellText(int row, int col) const {
  if (row < 2) return QString::fromUtf8(kSectionCaptions[row][col]);
  if (col == 0) return Shown(RowNumberText(row - 1));
  return Shown(SectionCellText(data_, row - 2, static_cast<SectionColumn>(col)));
}

bool SectionsModel::isNumber(int /*row*/, int /*col*/) const { return true; }

bool SectionsModel::takesGeneralValue(int row, int col) const {
  const auto column = static_cast<SectionColumn>(col);
  return row >= 2 && (column == SectionColumn::StiffnessEI || column == SectionColumn::Width);
}

bool SectionsModel::showsGeneralValue(int row, int col) const {
  return row >= 2 && row - 2 < kMaxSections &&
         ShowsGeneralValue(data_.sections[static_cast<std::size_t>(row - 2)],
                           static_cast<SectionColumn>(col));
}

QString SectionsModel::cellToolTip(int row, int col) const {
  if (!takesGeneralValue(row, col)) return {};
  const bool stiffness = static_cast<SectionColumn>(col) == SectionColumn::StiffnessEI;
  const QString what = stiffness ? QStringLiteral("EI") : QStringLiteral("width");
  if (showsGeneralValue(row, col)) {
    return QStringLiteral(
               "The general data's %1, which this section takes; type a value to give the "
               "section its own.")
        .arg(what);
  }
  return QStringLiteral(
             "This section's own %1; type 0 or clear the cell for the general data's %1 again.")
      .arg(what);
}

bool SectionsModel::commitCell(int row, int col, const std::string& typed) {
  const CommittedCell cell = CommitSectionCell(data_, static_cast<SectionColumn>(col), typed);
  const bool changed = Store(SectionField(data_, row, col), cell.value);
  UpdatePointPositions(data_);
  return changed;
}

StoredValue SectionsModel::storedValue(int row, int col) const {
  return {SectionField(data_, row, col), {}};
}

void SectionsModel::storeValue(int row, int col, const StoredValue& value) {
  SectionField(data_, row, col) = value.number;
  UpdatePointPositions(data_);
}

// ---- forces ---------------------------------------------------------------------------------

namespace {

// The field behind a value cell of the forces table that holds a number.
double& PointField(ProblemData& data, int row, int col) {
  PointLoadRow& point = data.points[static_cast<std::size_t>(row - 2)];
  switch (static_cast<PointColumn>(col)) {
    case PointColumn::Force:
      return point.force;
    case PointColumn::Spring:
      return point.support.spring;
    case PointColumn::RotationalSpring:
      return point.support.rotationalSpring;
    case PointColumn::Displacement:
      return point.support.displacement;
    case PointColumn::Rotation:
      return point.support.rotation;
    case PointColumn::X:
    case PointColumn::Moment:
    case PointColumn::Support:
      break;
  }
  return point.moment;
}

SupportKind KindAt(const ProblemData& data, int row) {
  return data.points[static_cast<std::size_t>(row - 2)].support.kind;
}

}  // namespace

ForcesModel::ForcesModel(ProblemData& data, QObject* parent)
    : InputTableModel(data, 2, 2, kPointColumns, parent) {}

int ForcesModel::wantedRows() const { return data_.sectionCount + 3; }

QString ForcesModel::cellText(int row, int col) const {
  if (row < 2) return QString::fromUtf8(kPointCaptions[row][col]);
  if (col == 0) return Shown(RowNumberText(row - 2));
  return Shown(PointCellText(data_.points[static_cast<std::size_t>(row - 2)],
                             static_cast<PointColumn>(col)));
}

bool ForcesModel::isNumber(int /*row*/, int col) const {
  return static_cast<PointColumn>(col) != PointColumn::Support;
}

QStringList ForcesModel::choices(int row, int col) const {
  if (row < 2 || static_cast<PointColumn>(col) != PointColumn::Support) return {};
  QStringList names;
  for (std::int32_t code = 0; code <= kLargestSupportCode; ++code) {
    names << QString::fromLatin1(SupportKindName(static_cast<SupportKind>(code)));
  }
  return names;
}

bool ForcesModel::namesChoice(int row, int col, const QString& text) const {
  return !choices(row, col).isEmpty() && ReadSupportKind(Cp1252FromQString(text)).has_value();
}

bool ForcesModel::takesInput(int row, int col) const {
  return row < 2 || row - 2 >= kMaxPoints ||
         UsesPointColumn(KindAt(data_, row), static_cast<PointColumn>(col));
}

bool ForcesModel::commitCell(int row, int col, const std::string& typed) {
  const auto column = static_cast<PointColumn>(col);
  const CommittedCell cell = CommitPointCell(column, typed);
  if (column == PointColumn::Support) {
    return Store(data_.points[static_cast<std::size_t>(row - 2)].support.kind,
                 static_cast<SupportKind>(cell.value));
  }
  return Store(PointField(data_, row, col), cell.value);
}

StoredValue ForcesModel::storedValue(int row, int col) const {
  if (static_cast<PointColumn>(col) == PointColumn::Support) {
    const SupportKind kind = KindAt(data_, row);
    return {static_cast<double>(kind), std::string(SupportKindName(kind))};
  }
  return {PointField(data_, row, col), {}};
}

void ForcesModel::storeValue(int row, int col, const StoredValue& value) {
  if (static_cast<PointColumn>(col) != PointColumn::Support) {
    PointField(data_, row, col) = value.number;
    return;
  }
  // Only ever a code stored before; held within the kinds all the same.
  const int code = static_cast<int>(value.number);
  data_.points[static_cast<std::size_t>(row - 2)].support.kind =
      code >= 0 && code <= kLargestSupportCode ? static_cast<SupportKind>(code) : SupportKind::None;
  showRow(row);
}

void ForcesModel::settleRow(int row, int col) {
  if (static_cast<PointColumn>(col) != PointColumn::Support) return;
  for (int value = static_cast<int>(PointColumn::Spring); value < kPointColumns; ++value) {
    if (takesInput(row, value)) continue;
    const StoredValue before = storedValue(row, value);
    if (before.number == 0.0) continue;
    PointField(data_, row, value) = 0.0;
    emit valueChanged(row, value, before, storedValue(row, value));
  }
  showRow(row);
}

}  // namespace pelvar
