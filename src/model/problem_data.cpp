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
    s = -s;
  }
  UpdatePointPositions(data);

  for (PointLoadRow& point : data.points) {
    point.force = 0.0;
    point.moment = 0.0;
  }
  data.resultsAvailable = false;
}

}  // namespace pelvar
