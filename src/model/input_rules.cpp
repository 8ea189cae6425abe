#include "model/input_rules.h"

#include <cctype>

#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {
namespace {

// The formats of the cells: counts and row numbers, EI, and every other real.
constexpr std::string_view kCountFormat = "%6d";
constexpr std::string_view kStiffnessFormat = "%12.1f";
constexpr std::string_view kRealFormat = "%12.3f";
// Prescribed displacements and rotations are small: millimetres and thousandths of a radian.
constexpr std::string_view kSmallFormat = "%12.6f";

// The fields behind the value columns, from column 1 on.
constexpr double SectionRow::*kSectionField[] = {&SectionRow::length, &SectionRow::load,
                                                 &SectionRow::spring, &SectionRow::stiffnessEI,
                                                 &SectionRow::width};
constexpr double PointLoadRow::*kPointField[] = {&PointLoadRow::x, &PointLoadRow::force,
                                                 &PointLoadRow::moment};

CommittedCell CountCell(int count) {
  return {static_cast<double>(count), FormatText(kCountFormat, count)};
}

CommittedCell RealCell(double value, std::string_view format = kRealFormat) {
  return {value, FormatText(format, value)};
}

}  // namespace

CommittedCell CommitGeneralCell(GeneralRow row, std::string_view typed, std::string_view stored) {
  switch (row) {
    case GeneralRow::SectionCount:
      return CountCell(ClampSectionCount(ReadInteger(typed)));
    case GeneralRow::ElementCount:
      return CountCell(ClampElementCount(ReadInteger(typed)));
    case GeneralRow::StiffnessEI:
      return RealCell(AtLeast(ReadReal(typed), kMinStiffness), kStiffnessFormat);
    case GeneralRow::BeamWidth:
      return RealCell(AtLeast(ReadReal(typed), kMinWidth));
    case GeneralRow::LicensedUser:
    case GeneralRow::FileName:
    case GeneralRow::ProblemName:
      break;
  }
  const bool unchanged = row != GeneralRow::LicensedUser && typed == stored;
  if (!unchanged) {
    // The cell keeps what will come back from the data file.
    typed = NameAsFileKeepsIt(typed);
    if (typed.size() > kMaxTypedText) typed = typed.substr(0, kMaxTypedText);
  }
  return {0.0, std::string(typed)};
}

std::string_view NameAsFileKeepsIt(std::string_view name) { return name.substr(0, name.find(',')); }

CommittedCell CommitSectionCell(const ProblemData& data, SectionColumn column,
                                std::string_view typed) {
  switch (column) {
    case SectionColumn::StiffnessEI: {
      const double own = OwnValue(ReadReal(typed), kMinStiffness);
      return {own, FormatText(kStiffnessFormat, own > 0.0 ? own : data.stiffnessEI)};
    }
    case SectionColumn::Width: {
      const double own = OwnValue(ReadReal(typed), kMinWidth);
      return {own, FormatText(kRealFormat, own > 0.0 ? own : data.beamWidth)};
    }
    case SectionColumn::Length:
      return RealCell(AtLeast(ReadReal(typed), kMinLength));
    case SectionColumn::Load:
    case SectionColumn::Spring:
      break;
  }
  return RealCell(AtLeast(ReadReal(typed), 0.0));
}

CommittedCell CommitPointCell(PointColumn column, std::string_view typed) {
  switch (column) {
    case PointColumn::Support: {
      const SupportKind kind = ReadSupportKind(typed).value_or(SupportKind::None);
      return {static_cast<double>(kind), std::string(SupportKindName(kind))};
    }
    case PointColumn::Spring:
    case PointColumn::RotationalSpring:
      return RealCell(AtLeast(ReadReal(typed), 0.0));
    case PointColumn::Displacement:
    case PointColumn::Rotation:
      return RealCell(ReadReal(typed), kSmallFormat);
    case PointColumn::X:
    case PointColumn::Force:
    case PointColumn::Moment:
      break;
  }
  // Forces and moments take any value, of either sign.
  return RealCell(ReadReal(typed));
}

std::optional<SupportKind> ReadSupportKind(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  for (std::int32_t code = 0; code <= kLargestSupportCode; ++code) {
    const auto kind = static_cast<SupportKind>(code);
    const std::string_view name = SupportKindName(kind);
    if (text.size() == 1 && text[0] == static_cast<char>('0' + code)) return kind;
    if (text.size() > name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < text.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(text[i])) == name[i];
    }
    // The names' first letters differ, so a first letter names one kind.
    if (same) return kind;
  }
  return std::nullopt;
}

bool UsesPointColumn(SupportKind kind, PointColumn column) {
  switch (column) {
    case PointColumn::Spring:
    case PointColumn::RotationalSpring:
      return kind == SupportKind::Elastic;
    // An elastic support's springs stand on a base that may be lowered and turned.
    case PointColumn::Displacement:
      return HoldsDisplacement(kind) || kind == SupportKind::Elastic;
    case PointColumn::Rotation:
      return HoldsRotation(kind) || kind == SupportKind::Elastic;
    case PointColumn::X:
    case PointColumn::Force:
    case PointColumn::Moment:
    case PointColumn::Support:
      break;
  }
  return true;
}

std::string GeneralCellText(const ProblemData& data, GeneralRow row) {
  switch (row) {
    case GeneralRow::LicensedUser:
      return std::string(data.licensedUser.View());
    case GeneralRow::FileName:
      return std::string(data.fileName.View());
    case GeneralRow::ProblemName:
      return std::string(data.problemName.View());
    case GeneralRow::SectionCount:
      return FormatText(kCountFormat, data.sectionCount);
    case GeneralRow::ElementCount:
      return FormatText(kCountFormat, data.elementCount);
    case GeneralRow::StiffnessEI:
      return FormatText(kStiffnessFormat, data.stiffnessEI);
    case GeneralRow::BeamWidth:
      return FormatText(kRealFormat, data.beamWidth);
  }
  return {};
}

std::string RowNumberText(int number) { return FormatText(kCountFormat, number); }

std::string SectionCellText(const ProblemData& data, int section, SectionColumn column) {
  switch (column) {
    case SectionColumn::StiffnessEI:
      return FormatText(kStiffnessFormat, SectionStiffness(data, section));
    case SectionColumn::Width:
      return FormatText(kRealFormat, SectionWidth(data, section));
    case SectionColumn::Length:
    case SectionColumn::Load:
    case SectionColumn::Spring:
      break;
  }
  return FormatText(kRealFormat, data.sections[static_cast<std::size_t>(section)].*
                                     kSectionField[static_cast<int>(column) - 1]);
}

bool ShowsGeneralValue(const SectionRow& section, SectionColumn column) {
  return (column == SectionColumn::StiffnessEI && !(section.stiffnessEI > 0.0)) ||
         (column == SectionColumn::Width && !(section.width > 0.0));
}

std::string PointCellText(const PointLoadRow& point, PointColumn column) {
  const PointSupport& support = point.support;
  if (!UsesPointColumn(support.kind, column)) return {};
  switch (column) {
    case PointColumn::Support:
      return std::string(SupportKindName(support.kind));
    case PointColumn::Spring:
      return FormatText(kRealFormat, support.spring);
    case PointColumn::RotationalSpring:
      return FormatText(kRealFormat, support.rotationalSpring);
    case PointColumn::Displacement:
      return FormatText(kSmallFormat, support.displacement);
    case PointColumn::Rotation:
      return FormatText(kSmallFormat, support.rotation);
    case PointColumn::X:
    case PointColumn::Force:
    case PointColumn::Moment:
      break;
  }
  return FormatText(kRealFormat, point.*kPointField[static_cast<int>(column) - 1]);
}

}  // namespace pelvar
