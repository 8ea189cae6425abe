#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "files/problem_file.h"
#include "problem_file_test_util.h"

namespace pelvar {
namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line must end with CR LF";
  return lines;
}

TEST(ProblemFileWriter, DefaultProblemWithTenElementsGivesTheExampleFile) {
  ProblemData data;
  data.elementCount = 10;
  EXPECT_EQ(ProblemFileText(data), test::kExampleFile);
}

TEST(ProblemFileWriter, LineCountLineEndsAndLoopsForTwentySectionsAndThousandElements) {
  ProblemData data;
  test::MakeWorkedProblem(data);
  data.sectionCount = 20;
  data.elementCount = 1000;
  const std::string text = ProblemFileText(data);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
  const std::vector<std::string> lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 34u + 2 * 20 + 1000);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
  // Section 20 (index 19): length 21.5, load 23.75, spring 490.
  EXPECT_EQ(lines[21 + 19], "    20,   21.500,      23.750,     490.000,");
  // Point 20 lies at the end of the beam: 20 sections of 2.5 + i m make 240 m.
  EXPECT_EQ(lines[21 + 20 + 5 + 20], "    20,     240.000,     120.000,     -70.000,");
  // The output block copies the result table; node 1000 is the last line before the rule.
  EXPECT_EQ(lines[lines.size() - 2], "  1000,  100.000,    1.000,   -2000.000,     500.000,");
  EXPECT_EQ(lines[lines.size() - 1], std::string(58, '#'));
}

TEST(ProblemFileWriter, RoundsToTheWrittenDecimalsAndWidensForLargeValues) {
  ProblemData data;
  data.sections[0].length = 1.23456;
  data.stiffnessEI = 1234567.89;
  std::vector<std::string> lines = SplitCrLf(ProblemFileText(data));
  EXPECT_EQ(lines[15], "     1234567.9,       1.000,");
  EXPECT_EQ(lines[21], "     1,    1.235,      10.000,     100.000,");

  data.stiffnessEI = 1.5e12;
  data.beamWidth = 12345.6789;
  lines = SplitCrLf(ProblemFileText(data));
  EXPECT_EQ(lines[15], "1500000000000.0,   12345.679,");
  EXPECT_EQ(ProblemFileFault(data), "");
}

TEST(ProblemFileWriter, DataLinesTooLongForTheReaderAreAFault) {
  // 1e121 has 122 digits: with ".0," and the width the line has 138 characters, the most the
  // reader takes as one line besides its line feed.
  ProblemData data;
  data.stiffnessEI = 1e121;
  std::vector<std::string> lines = SplitCrLf(ProblemFileText(data));
  EXPECT_EQ(lines[15].size(), 138u);
  EXPECT_EQ(ProblemFileFault(data), "");
  ProblemData back;
  ASSERT_TRUE(ReadProblemBytes(back, ProblemFileText(data), "t.plv").ok);
  EXPECT_EQ(back.stiffnessEI, 1e121);
  EXPECT_EQ(back.sections[2].spring, 100.0);

  data.stiffnessEI = 1e122;
  EXPECT_EQ(ProblemFileFault(data), "EI or the width has too many digits for the data file");

  // Three values of 38 digits fit a section line, of 39 digits they do not.
  data.stiffnessEI = 1.0;
  data.sections[1] = {9e37, 9e37, 9e37};
  EXPECT_EQ(SplitCrLf(ProblemFileText(data))[22].size(), 136u);
  EXPECT_EQ(ProblemFileFault(data), "");
  data.sections[1] = {2e38, 2e38, 2e38};
  EXPECT_EQ(ProblemFileFault(data), "a value of section 2 has too many digits for the data file");

  data.sections[1] = {1.0, 1.0, 1.0};
  data.points[3].force = 1e60;
  data.points[3].moment = -1e60;
  EXPECT_EQ(ProblemFileFault(data), "a value of point 3 has too many digits for the data file");

  // So do the lines of the load cases.
  data.points[3] = {};
  data.loadCases.caseCount = 2;
  data.loadCases.cases[1].anywhereCount = 1;
  data.loadCases.cases[1].anywhere[0] = {1e60, 1e60, 0.0};
  EXPECT_EQ(ProblemFileFault(data),
            "a value of load 1 anywhere of load case 2 has too many digits for the data file");
  data.loadCases.cases[1].anywhere[0] = {};
  data.loadCases.movingLoad.axleCount = 1;
  data.loadCases.movingLoad.step = 1e130;
  EXPECT_EQ(ProblemFileFault(data),
            "the step of the moving load has too many digits for the data file");
  data.loadCases = LoadCases{};

  // The output block is never read back: its values may be of any size.
  data.nodes[0] = {1e300, -1e300, 1e300, 1e300, 1e300, 1e300};
  EXPECT_EQ(ProblemFileFault(data), "");
}

TEST(ProblemFileWriter, ResultTableIsWrittenWhetherOrNotItIsCurrent) {
  ProblemData data;
  data.elementCount = 10;
  data.nodes[3] = {9.0, 0.1394, -49.9996, 356.7804, -49.9996, 356.7804};
  data.nodes[11] = {1.0, 2.0, 3.0, 4.0, 3.0, 4.0};  // beyond the element count: not written
  data.resultsAvailable = false;
  const std::vector<std::string> lines = SplitCrLf(ProblemFileText(data));
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines[38 + 3], "     3,    9.000,    0.139,     -50.000,     356.780,");
  EXPECT_EQ(lines[48], "    10,    0.000,    0.000,       0.000,       0.000,");
}

TEST(ProblemFileWriter, TextsThatWouldBreakTheLayoutAreWrittenSafely) {
  ProblemData data;
  data.licensedUser.Set("#1 Engineering");
  data.fileName.Set(
      "a\nb\rc\x1A"
      "d");
  data.problemName.Set(",lead, inner");
  const std::vector<std::string> lines = SplitCrLf(ProblemFileText(data));
  EXPECT_EQ(lines[6], ",#1 Engineering,");
  EXPECT_EQ(lines[8], "a b c d,");
  EXPECT_EQ(lines[10], ",lead, inner,");  // written whole; the reader keeps "lead"

  ProblemData back;
  ASSERT_TRUE(ReadProblemBytes(back, ProblemFileText(data), "t.plv").ok);
  EXPECT_EQ(back.licensedUser.View(), "#1 Engineering");
  EXPECT_EQ(back.fileName.View(), "a b c d");
  EXPECT_EQ(back.problemName.View(), "lead");
  EXPECT_EQ(back.sectionCount, 3);
}

TEST(ProblemFileWriter, CountsOutsideTheirLimitsNeverIndexOutsideTheTables) {
  ProblemData data;
  data.sectionCount = 20;
  data.elementCount = 1000;
  std::vector<std::string> lines = SplitCrLf(ProblemFileText(data));
  EXPECT_EQ(lines[12], "        20,     1000,     2000,");
  EXPECT_EQ(lines.size(), 34u + 40 + 1000);
  // Counts outside their limits never reach the writer; a program fault that breaks this is
  // refused before any table is read.
  for (const auto& [sections, elements] : {std::pair{21, 1000}, {20, 1001}, {0, 10}, {1, 9}}) {
    data.sectionCount = sections;
    data.elementCount = elements;
    EXPECT_THROW(ProblemFileText(data), std::logic_error) << sections << " " << elements;
  }
}

}  // namespace
}  // namespace pelvar
