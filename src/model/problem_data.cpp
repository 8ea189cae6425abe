#include "model/problem_data.h"

#include <algorithm>

namespace pelvar {

void ShortText::Set(std::string_view text) {
  size_ = text.size() < kCapacity ? text.size() : kCapacity;
  for (std::size_t i = 0; i < size_; ++i) bytes_[i] = text[i];
}

ProblemData::ProblemData() { ResetToDefaults(*this); }

std::int32_t ClampSectionCount(std::int32_t count) {
  return std::clamp(count, kMinSections, kMaxSections);
}

std::int32_t ClampElementCount(std::int32_t count) {
  return std::clamp(count, kMinElements, kMaxElements);
}

double AtLeast(double value, double least) { return value > least ? value : least; }

double SectionStiffness(const ProblemData& data, int i) {
  const double own = data.sections[static_cast<std::size_t>(i)].stiffnessEI;
  return own > 0.0 ? own : data.stiffnessEI;
}

double SectionWidth(const ProblemData& data, int i) {
  const double own = data.sections[static_cast<std::size_t>(i)].width;
  return own > 0.0 ? own : data.beamWidth;
}

bool HasOwnValues(const SectionRow& section) {
  return section.stiffnessEI > 0.0 || section.width > 0.0;
}

bool AnySectionHasOwnValues(const ProblemData& data) {
  AssertCountsWithinLimits(data);
  for (int i = 0; i < data.sectionCount; ++i) {
    if (HasOwnValues(data.sections[static_cast<std::size_t>(i)])) return true;
  }
  return false;
}

std::string_view SupportKindName(SupportKind kind) {
  switch (kind) {
    case SupportKind::None:
      return "none";
    case SupportKind::Pinned:
      return "pinned";
    case SupportKind::Fixed:
      return "fixed";
    case SupportKind::Guided:
      return "guided";
    case SupportKind::Elastic:
      return "elastic";
  }
  return "none";
}

bool HoldsDisplacement(SupportKind kind) {
  return kind == SupportKind::Pinned || kind == SupportKind::Fixed;
}

bool HoldsRotation(SupportKind kind) {
  return kind == SupportKind::Fixed || kind == SupportKind::Guided;
}

bool AnyPointHasSupport(const ProblemData& data) {
  AssertCountsWithinLimits(data);
  for (int p = 0; p <= data.sectionCount; ++p) {
    if (data.points[static_cast<std::size_t>(p)].support.kind != SupportKind::None) return true;
  }
  return false;
}

double OwnValue(double value, double least) { return value > 0.0 ? AtLeast(value, least) : 0.0; }

void UpdatePointPositions(ProblemData& data) {
  data.points[0].x = 0.0;
  for (int i = 0; i < kMaxSections; ++i) {
    data.points[i + 1].x = data.points[i].x + data.sections[i].length;
  }
}

void ResetToDefaults(ProblemData& data) {
  data.sectionCount = 3;
  data.elementCount = 100;
  data.fileVersion = 2000;
  data.stiffnessEI = 1000000.0;
  data.beamWidth = 1.0;
  data.noTension = false;

  data.licensedUser.Set("Tessaly");
  data.fileName.Set("Demo.plv");
  data.problemName.Set("Demonstration Problem");

  // Springs alternate 100, 0, 100, ... kN/m³: odd-numbered sections rest on springs.
  double s = 50.0;
  for (SectionRow& section : data.sections) {
    section.length = 10.0;
    section.load = 10.0;
    section.spring = 50.0 + s;
    section.stiffnessEI = section.width = 0.0;
    s = -s;
  }
  UpdatePointPositions(data);

  for (PointLoadRow& point : data.points) {
    point.force = 0.0;
    point.moment = 0.0;
    point.support = PointSupport{};
  }
  data.loadsAnywhereCount = 0;
  data.loadCases = LoadCases{};
  data.loadCases.cases[0].name.Set("Case 1");
  data.resultsAvailable = false;
}

}  // namespace pelvar
