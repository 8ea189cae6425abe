// libFuzzer target: the data file reader on arbitrary bytes.
//
// Beyond "no crash, no undefined behaviour", every input is checked for what the reader
// promises: a refused file changes nothing and says why; an accepted one leaves every value
// within its limits, and what it read survives a save and a second reading unchanged.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "files/problem_file.h"
#include "model/problem_data.h"

namespace {

using pelvar::ProblemData;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Same(const ProblemData& a, const ProblemData& b) {
  if (!(a.licensedUser == b.licensedUser) || !(a.fileName == b.fileName) ||
      !(a.problemName == b.problemName) || a.sectionCount != b.sectionCount ||
      a.elementCount != b.elementCount || a.fileVersion != b.fileVersion ||
      a.stiffnessEI != b.stiffnessEI || a.beamWidth != b.beamWidth ||
      a.resultsAvailable != b.resultsAvailable) {
    return false;
  }
  for (std::size_t i = 0; i < a.sections.size(); ++i) {
    const auto &s = a.sections[i], &t = b.sections[i];
    if (s.length != t.length || s.load != t.load || s.spring != t.spring) return false;
  }
  for (std::size_t p = 0; p < a.points.size(); ++p) {
    const auto &s = a.points[p], &t = b.points[p];
    if (s.x != t.x || s.force != t.force || s.moment != t.moment) return false;
  }
  for (std::size_t j = 0; j < a.nodes.size(); ++j) {
    const auto &s = a.nodes[j], &t = b.nodes[j];
    if (s.x != t.x || s.w != t.w || s.Q != t.Q || s.M != t.M) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);

  auto data = std::make_unique<ProblemData>();
  data->problemName.Set("before");
  data->sectionCount = 20;
  data->sections[19].length = 1.5;
  data->points[20].force = -3.0;
  data->nodes[1000].M = data->nodes[1000].MRight = 7.0;
  data->resultsAvailable = true;
  auto before = std::make_unique<ProblemData>(*data);

  const pelvar::FileResult result = pelvar::ReadProblemBytes(*data, input, "fuzz.plv");
  if (!result.ok) {
    Check(!result.message.empty());
    Check(Same(*data, *before));
    return 0;
  }
  Check(result.message.empty());
  Check(data->sectionCount >= 1 && data->sectionCount <= 20);
  Check(data->elementCount >= 10 && data->elementCount <= 1000);
  Check(data->stiffnessEI >= pelvar::kMinStiffness && std::isfinite(data->stiffnessEI));
  Check(data->beamWidth >= pelvar::kMinWidth && std::isfinite(data->beamWidth));
  for (int i = 0; i < data->sectionCount; ++i) {
    const auto& s = data->sections[static_cast<std::size_t>(i)];
    // Loads and springs stand as the file has them, negative ones included; only the length
    // is raised to its least value.
    Check(s.length >= pelvar::kMinLength);
    Check(std::isfinite(s.length) && std::isfinite(s.load) && std::isfinite(s.spring));
  }
  for (const pelvar::ShortText* text : {&data->licensedUser, &data->fileName, &data->problemName}) {
    Check(text->View().find('\n') == std::string_view::npos);
    Check(text->View().find('\r') == std::string_view::npos);
  }
  Check(data->resultsAvailable);
  Check(data->nodes[1000].M == 7.0);

  // Reals too large for the reader's line are what a save refuses; everything else that was
  // read comes back from a save with the same texts and counts, and after that first rounding
  // to the written decimals, saving and reading again changes nothing.
  if (!pelvar::ProblemFileFault(*data).empty()) return 0;
  const std::string first = pelvar::ProblemFileText(*data);
  auto again = std::make_unique<ProblemData>(*before);
  Check(pelvar::ReadProblemBytes(*again, first, "first.plv").ok);
  Check(again->licensedUser == data->licensedUser && again->fileName == data->fileName &&
        again->problemName == data->problemName && again->sectionCount == data->sectionCount &&
        again->elementCount == data->elementCount && again->fileVersion == data->fileVersion);
  const std::string second = pelvar::ProblemFileText(*again);
  // The positions derived from rounded lengths may just grow a digit.
  if (!pelvar::ProblemFileFault(*again).empty()) return 0;
  auto third = std::make_unique<ProblemData>(*before);
  Check(pelvar::ReadProblemBytes(*third, second, "second.plv").ok);
  Check(pelvar::ProblemFileText(*third) == second);
  return 0;
}
