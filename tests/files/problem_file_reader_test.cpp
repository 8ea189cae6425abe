#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "files/data_line_scanner.h"
#include "files/problem_file.h"
#include "problem_file_test_util.h"

namespace pelvar {
namespace {

using test::kExampleFile;

// The file with its line number (from 1) replaced by text, which carries its own line end.
std::string ReplaceLine(const std::string& file, int number, const std::string& text) {
  std::size_t start = 0;
  for (int i = 1; i < number; ++i) start = file.find('\n', start) + 1;
  const std::size_t end = file.find('\n', start) + 1;
  return file.substr(0, start) + text + file.substr(end);
}

std::string InsertBeforeLine(const std::string& file, int number, const std::string& text) {
  std::size_t start = 0;
  for (int i = 1; i < number; ++i) start = file.find('\n', start) + 1;
  return file.substr(0, start) + text + file.substr(start);
}

// The first count lines of the file.
std::string FirstLines(const std::string& file, int count) {
  std::size_t end = 0;
  for (int i = 0; i < count; ++i) end = file.find('\n', end) + 1;
  return file.substr(0, end);
}

std::unique_ptr<ProblemData> Read(const std::string& bytes) {
  auto data = std::make_unique<ProblemData>();
  const FileResult result = ReadProblemBytes(*data, bytes, "t.plv");
  EXPECT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.message, "");
  return data;
}

TEST(ProblemFileReader, DefaultProblemRoundTripSetsOnlyWhatTheFileCarries) {
  ProblemData saved;
  std::string file = ProblemFileText(saved);
  ASSERT_EQ(file.substr(0, 200), kExampleFile.substr(0, 200));

  auto target = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*target);
  auto expected = std::make_unique<ProblemData>(*target);
  expected->licensedUser.Set("Tessaly");
  expected->fileName.Set("Demo.plv");
  expected->problemName.Set("Demonstration Problem");
  expected->sectionCount = 3;
  expected->elementCount = 100;
  expected->fileVersion = 2000;
  expected->stiffnessEI = 1000000.0;
  expected->beamWidth = 1.0;
  for (int i = 0; i < 3; ++i) expected->sections[i] = saved.sections[i];
  for (int p = 0; p <= 3; ++p) expected->points[p] = saved.points[p];
  // Sections 4.., the force and moment of points 4.., the result table and the flag stay as
  // they were; every point's x follows from the lengths, the hidden ones too.
  UpdatePointPositions(*expected);
  const FileResult result = ReadProblemBytes(*target, file, "Demo.plv");
  ASSERT_TRUE(result.ok) << result.message;
  test::ExpectSameProblem(*target, *expected);
  EXPECT_EQ(target->points[3].x, 30.0);
  EXPECT_EQ(target->points[4].x, 30.0 + target->sections[3].length);
}

// Soil that takes no tension is a fourth value on the counts line: a reader that takes the line
// by position reads the same problem, Pelvar reads the option back, and a file without it (or
// with anything but 1 there) is soil that takes tension both ways.
TEST(ProblemFileReader, SoilThatTakesNoTensionIsAFourthValueOnTheCountsLine) {
  ProblemData saved;
  saved.elementCount = 10;
  saved.noTension = true;
  const std::string file = ProblemFileText(saved);
  EXPECT_EQ(file, ReplaceLine(ReplaceLine(test::kExampleFile, 12,
                                          "#    Sections  Elements  Version  No tension\r\n"),
                              13, "         3,       10,     2000,        1,\r\n"));
  auto target = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemBytes(*target, file, "t.plv").ok);
  test::ExpectSameProblem(*target, saved);
  for (const char* fourth : {"", " 0,", " 7,", " x,"}) {
    SCOPED_TRACE(fourth);
    target->noTension = true;
    const std::string counts = std::string("         3,       10,     2000,") + fourth + "\r\n";
    ASSERT_TRUE(ReadProblemBytes(*target, ReplaceLine(file, 13, counts), "t.plv").ok);
    EXPECT_FALSE(target->noTension);
  }
}

// A section's own EI and width follow its spring, only on its own line, with headings that name
// them; the sections without them and the rest of the file are as before.
TEST(ProblemFileReader, ASectionsOwnEIAndWidthGoOnAfterItsSpring) {
  ProblemData saved;
  saved.elementCount = 10;
  saved.sections[1].stiffnessEI = 2.5e6;
  const std::string file = ProblemFileText(saved);
  std::string expected =
      ReplaceLine(test::kExampleFile, 20,
                  "#  Section Length       Load        Spring          EI       Width\r\n");
  expected = ReplaceLine(
      expected, 21,
      "#            m          kN/m\xB2        kN/m\xB3         kNm\xB2          m\r\n");
  expected = ReplaceLine(
      expected, 23, "     2,   10.000,      10.000,       0.000,     2500000.0,       0.000,\r\n");
  EXPECT_EQ(file, expected);
  auto target = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemBytes(*target, file, "t.plv").ok);
  test::ExpectSameProblem(*target, saved);
  // None, 0 or less is the general value; a value below the least is raised to it.
  const struct {
    const char* tail;
    double ei, width;
  } cases[] = {{"", 0.0, 0.0},
               {" 0, 0,", 0.0, 0.0},
               {" -5, -1e-9,", 0.0, 0.0},
               {" 0.01, 1e-6,", 0.1, 0.001},
               {" 0, 2.5,", 0.0, 2.5},
               {" x, 2,", 0.0, 2.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    const std::string line = std::string("2, 10, 10, 0,") + c.tail + "\r\n";
    ASSERT_TRUE(ReadProblemBytes(*target, ReplaceLine(file, 23, line), "t.plv").ok);
    EXPECT_EQ(target->sections[1].stiffnessEI, c.ei);
    EXPECT_EQ(target->sections[1].width, c.width);
    EXPECT_EQ(SectionStiffness(*target, 1), c.ei > 0.0 ? c.ei : 1.0e6);
    EXPECT_EQ(SectionWidth(*target, 1), c.width > 0.0 ? c.width : 1.0);
  }
}

// A point's support follows its moment, only on its own line, with headings that name the
// values; a kind this reader does not know refuses the file.
TEST(ProblemFileReader, APointsSupportGoesOnAfterItsMoment) {
  ProblemData saved;
  saved.elementCount = 10;
  saved.points[0].support = {SupportKind::Guided, 0.0, 0.0, 0.0, -0.0025};
  saved.points[3].support = {SupportKind::Elastic, 5000.0, 20000.0, 0.012, 0.0};
  const std::string file = ProblemFileText(saved);
  std::string expected = test::kExampleFile;
  const std::pair<int, const char*> lines[] = {
      {28,
       "#  Point       x            F            M Kind         Spring         Spring"
       "            w        dw/dx\r\n"},
      {29,
       "#              m           kN           kNm               kN/m        kNm/rad"
       "            m          rad\r\n"},
      {30,
       "     0,       0.000,       0.000,       0.000, 3,         0.000,         0.000,"
       "    0.000000,   -0.002500,\r\n"},
      {33,
       "     3,      30.000,       0.000,       0.000, 4,      5000.000,     20000.000,"
       "    0.012000,    0.000000,\r\n"}};
  for (const auto& [number, text] : lines) expected = ReplaceLine(expected, number, text);
  EXPECT_EQ(file, expected);
  auto target = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemBytes(*target, file, "t.plv").ok);
  for (int p = 0; p < kMaxPoints; ++p)
    EXPECT_EQ(target->points[p].support, saved.points[p].support);
  // A free point's values are not read; springs below 0 are raised to it.
  target->points[1].support.kind = SupportKind::Pinned;
  ASSERT_TRUE(
      ReadProblemBytes(*target, ReplaceLine(file, 31, "1, 10, 0, 0, 0, 7, 7,\r\n"), "t.plv").ok);
  EXPECT_EQ(target->points[1].support, PointSupport{});
  ASSERT_TRUE(
      ReadProblemBytes(*target, ReplaceLine(file, 31, "1, 10, 0, 0, 4, -5, -6, 0.5,\r\n"), "t.plv")
          .ok);
  EXPECT_EQ(target->points[1].support, (PointSupport{SupportKind::Elastic, 0.0, 0.0, 0.5, 0.0}));
  const FileResult refused =
      ReadProblemBytes(*target, ReplaceLine(file, 31, "1, 10, 0, 0, 5,\r\n"), "t.plv");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message,
            "\"t.plv\", line 31: the support of point 1 is of kind 5; it must be one of 0 to 4.");
}

// The block of load cases of test::MakeLoadCases, as it stands between the point lines and the
// output block of the example file (from its line 34).
const std::string kLoadCaseBlock =
    "##########################################################\r\n"
    "#  Load Cases\r\n"
    "##########################################################\r\n"
    "#           Cases Combinations Axles Soil factors\r\n"
    "Load cases,     2,     2,     2,     3,\r\n"
    "##########################################################\r\n"
    "#  Case 1\r\n"
    "Dead,\r\n"
    "#  Loads anywhere\r\n"
    "     1,\r\n"
    "#  Load        x            F            M\r\n"
    "#              m           kN           kNm\r\n"
    "     1,      12.500,     100.000,      -5.000,\r\n"
    "##########################################################\r\n"
    "#  Case 2\r\n"
    "Live \xE4,\r\n"
    "#  Section       Load\r\n"
    "#               kN/m\xB2\r\n"
    "     1,       0.000,\r\n"
    "     2,       5.000,\r\n"
    "     3,       2.500,\r\n"
    "#  Point         F            M\r\n"
    "#               kN           kNm\r\n"
    "     0,       0.000,       0.000,\r\n"
    "     1,      20.000,       0.000,\r\n"
    "     2,       0.000,       0.000,\r\n"
    "     3,       0.000,      -4.250,\r\n"
    "#  Loads anywhere\r\n"
    "     2,\r\n"
    "#  Load        x            F            M\r\n"
    "#              m           kN           kNm\r\n"
    "     1,      25.000,      30.000,       0.000,\r\n"
    "     2,       0.500,       0.000,       1.500,\r\n"
    "##########################################################\r\n"
    "#  Combination 1\r\n"
    "ULS,\r\n"
    "#  Case      Factor\r\n"
    "     1,       1.350,\r\n"
    "     2,       1.500,\r\n"
    "##########################################################\r\n"
    "#  Combination 2\r\n"
    "Live only,\r\n"
    "#  Case      Factor\r\n"
    "     1,       0.000,\r\n"
    "     2,       1.000,\r\n"
    "##########################################################\r\n"
    "#  Moving load\r\n"
    "#        Step Combination\r\n"
    "#           m\r\n"
    "       0.500,     1,\r\n"
    "#  Axle        Load      Spacing\r\n"
    "#               kN            m\r\n"
    "     1,     100.000,       2.500,\r\n"
    "     2,      80.000,       0.000,\r\n"
    "##########################################################\r\n"
    "#  Soil factors\r\n"
    "     1,       0.500,\r\n"
    "     2,       1.000,\r\n"
    "     3,       2.000,\r\n";

TEST(ProblemFileReader, LoadCasesStandBetweenThePointLinesAndTheOutputBlock) {
  auto saved = std::make_unique<ProblemData>();
  saved->elementCount = 10;
  test::MakeLoadCases(*saved);
  const std::string file = ProblemFileText(*saved);
  EXPECT_EQ(file, InsertBeforeLine(kExampleFile, 34, kLoadCaseBlock));

  // Every value comes back, and the file written again is the same to the byte; a problem read
  // from a file without the block has no load cases, whatever it had before.
  auto back = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*back);
  ASSERT_TRUE(ReadProblemBytes(*back, file, "t.plv").ok);
  test::ExpectSameLoadCases(*back, *saved);
  back->nodes = saved->nodes;  // not read
  EXPECT_EQ(ProblemFileText(*back), file);
  ASSERT_TRUE(ReadProblemBytes(*back, kExampleFile, "t.plv").ok);
  test::ExpectSameLoadCases(*back, ProblemData{});

  // A reader that stops after the point lines, as every reader before the block did, takes the
  // tables as the whole problem: the first case. Cut off, the block leaves the file as it was.
  auto full = std::make_unique<ProblemData>();
  auto cut = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemBytes(*full, file, "t.plv").ok);
  ASSERT_TRUE(ReadProblemBytes(*cut, FirstLines(file, 33), "t.plv").ok);
  full->loadCases = cut->loadCases;
  full->loadsAnywhereCount = 0;
  full->loadsAnywhere = cut->loadsAnywhere;
  test::ExpectSameProblem(*cut, *full);

  // Values below their least are raised to it, as the tables' are.
  auto clamped =
      Read(ReplaceLine(ReplaceLine(ReplaceLine(file, 83, "-1, 0,\r\n"), 86, "1, 100, -2.5,\r\n"),
                       90, "1, -0.5,\r\n"));
  EXPECT_EQ(clamped->loadCases.movingLoad.step, 0.0);
  EXPECT_EQ(clamped->loadCases.movingLoad.combination, -1);
  EXPECT_EQ(clamped->loadCases.movingLoad.spacing[0], 0.0);
  EXPECT_EQ(clamped->loadCases.soilFactors[0], 0.0);
  // A block of one unnamed case holds just its loads anywhere.
  saved = std::make_unique<ProblemData>();
  saved->elementCount = 10;
  saved->loadsAnywhereCount = 20;
  saved->loadCases.cases[0].name.Set("");
  const std::string one = ProblemFileText(*saved);
  EXPECT_NE(one.find("\r\nLoad cases,     1,     0,     0,     0,\r\n"
                     "##########################################################\r\n"
                     "#  Case 1\r\n,\r\n#  Loads anywhere\r\n    20,\r\n"),
            std::string::npos);
  EXPECT_EQ(Read(one)->loadsAnywhereCount, 20);
}

TEST(ProblemFileReader, FaultsInTheLoadCasesNameTheLineAndWhatIsWrong) {
  auto saved = std::make_unique<ProblemData>();
  saved->elementCount = 10;
  test::MakeLoadCases(*saved);
  const std::string file = ProblemFileText(*saved);
  const std::pair<std::string, std::string> cases[] = {
      {ReplaceLine(file, 38, "Load cases, 21, 2, 2, 3,\r\n"),
       "line 38: the number of load cases is 21; it must lie between 1 and 20."},
      {ReplaceLine(file, 38, "Load cases, 0, 2, 2, 3,\r\n"),
       "line 38: the number of load cases is 0; it must lie between 1 and 20."},
      {ReplaceLine(file, 38, "Load cases, 2, 51, 2, 3,\r\n"),
       "line 38: the number of combinations is 51; it must lie between 0 and 50."},
      {ReplaceLine(file, 38, "Load cases, 2, 2, 21, 3,\r\n"),
       "line 38: the number of axles is 21; it must lie between 0 and 20."},
      {ReplaceLine(file, 38, "Load cases, 2, 2, 2, 11,\r\n"),
       "line 38: the number of soil factors is 11; it must lie between 0 and 10."},
      {ReplaceLine(file, 38, "Load cases, 2, 2, 2,\r\n"),
       "line 38: the number of soil factors is missing."},
      {ReplaceLine(file, 41, std::string(60, 'n') + ",\r\n"),
       "line 41: the name of load case 1 is longer than 59 characters."},
      {ReplaceLine(file, 75, std::string(150, 'n') + "\r\n"),
       "line 75: the name of combination 2 is longer than 59 characters."},
      {ReplaceLine(file, 43, "21,\r\n"),
       "line 43: the number of loads anywhere of load case 1 is 21; it must lie between 0 and "
       "20."},
      {ReplaceLine(file, 43, "\r\n"),
       "line 43: the number of loads anywhere of load case 1 is missing."},
      {ReplaceLine(file, 46, "1, 12.5, 100,\r\n"),
       "line 46: the moment of load 1 anywhere in load case 1 is missing."},
      {ReplaceLine(file, 46, "2, 12.5, 100, 0,\r\n"),
       "line 46: the number of a load anywhere of load case 1 is 2; it must lie between 1 and 1."},
      {ReplaceLine(file, 53, "4, 5,\r\n"),
       "line 53: the section number in load case 2 is 4; it must lie between 1 and 3."},
      {ReplaceLine(file, 54, "3,\r\n"),
       "line 54: the load of section 3 in load case 2 is missing."},
      {ReplaceLine(file, 60, "3, 0,\r\n"),
       "line 60: the moment of point 3 in load case 2 is missing."},
      {ReplaceLine(file, 57, "-1, 0, 0,\r\n"),
       "line 57: the point number in load case 2 is -1; it must lie between 0 and 3."},
      // A line that does not belong where it stands.
      {InsertBeforeLine(file, 52, "Wind,\r\n"),
       "line 52: the section number in load case 2 is 0; it must lie between 1 and 3."},
      {ReplaceLine(file, 71, "3, 1.35,\r\n"),
       "line 71: the case number of a factor of combination 1 is 3; it must lie between 1 and 2."},
      {ReplaceLine(file, 78, "2,\r\n"),
       "line 78: the factor of case 2 in combination 2 is missing."},
      {ReplaceLine(file, 83, "0.5, 3,\r\n"),
       "line 83: the combination the moving load rides on is 3; it must lie between 0 and 2."},
      {ReplaceLine(file, 83, "0.5,\r\n"),
       "line 83: the combination the moving load rides on is missing."},
      {ReplaceLine(file, 87, "2, 80,\r\n"), "line 87: the spacing behind axle 2 is missing."},
      {ReplaceLine(file, 86, "0, 80, 1,\r\n"),
       "line 86: the axle number is 0; it must lie between 1 and 2."},
      {ReplaceLine(file, 92, "4, 2,\r\n"),
       "line 92: the soil factor number is 4; it must lie between 1 and 3."},
      {FirstLines(file, 40), "line 40: the file ends before the name of load case 1."},
      {FirstLines(file, 61),
       "line 61: the file ends before the number of loads anywhere of load case 2."},
      {FirstLines(file, 90), "line 90: the file ends before the soil factor line 2 of 3."},
  };
  auto original = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*original);
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    auto data = std::make_unique<ProblemData>(*original);
    const FileResult result = ReadProblemBytes(*data, bytes, "t.plv");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "\"t.plv\", " + message);
    test::ExpectSameProblem(*data, *original);
  }
}

TEST(ProblemFileReader, TwentySectionRoundTripBringsBackEveryValue) {
  auto saved = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*saved);
  saved->sectionCount = 20;
  saved->fileVersion = -7;
  saved->problemName.Set("  Twenty sections \xE4\xF6\xFC");
  // Point positions are written but derived again: a wrong x in memory must not come back.
  saved->points[7].x = 999.0;

  auto back = std::make_unique<ProblemData>();
  const FileResult result = ReadProblemBytes(*back, ProblemFileText(*saved), "q.plv");
  ASSERT_TRUE(result.ok) << result.message;
  saved->points[7].x = saved->points[6].x + saved->sections[6].length;
  saved->nodes = back->nodes;  // not read
  saved->resultsAvailable = false;
  test::ExpectSameProblem(*back, *saved);
}

TEST(ProblemFileReader, RealsComeBackRoundedToTheWrittenDecimals) {
  auto saved = std::make_unique<ProblemData>();
  saved->sections[0].length = 1.23456;
  saved->sections[1].spring = 0.0004;
  saved->stiffnessEI = 1234567.89;
  saved->points[2].moment = -2.71828;
  auto back = Read(ProblemFileText(*saved));
  EXPECT_EQ(back->sections[0].length, 1.235);
  EXPECT_EQ(back->points[1].x, 1.235);
  EXPECT_EQ(back->points[3].x, 21.235);
  EXPECT_EQ(back->sections[1].spring, 0.0);
  EXPECT_EQ(back->stiffnessEI, 1234567.9);
  EXPECT_EQ(back->points[2].moment, -2.718);
}

TEST(ProblemFileReader, SeparatorsCommentsEmptyLinesAndLineEnds) {
  // Semicolons and blanks separate numbers like commas do.
  std::string file = ReplaceLine(kExampleFile, 13, "3;250;1999\r\n");
  file = ReplaceLine(file, 22, "1 12.5  7.25;;  80\r\n");
  auto data = Read(file);
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(data->elementCount, 250);
  EXPECT_EQ(data->fileVersion, 1999);
  EXPECT_EQ(data->sections[0].length, 12.5);
  EXPECT_EQ(data->sections[0].load, 7.25);
  EXPECT_EQ(data->sections[0].spring, 80.0);
  EXPECT_EQ(data->points[3].x, 32.5);

  // Tabs are not separators: the count line reads as 3, then 0 and 0 (the elements clamped).
  data = Read(ReplaceLine(kExampleFile, 13, "3\t250\t1999\r\n"));
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(data->elementCount, 10);
  EXPECT_EQ(data->fileVersion, 0);

  // Comment lines of any content between data lines are skipped.
  file = InsertBeforeLine(kExampleFile, 23, "#\r\n# anything, 7, 8, 9\r\n##\r\n");
  file = InsertBeforeLine(file, 7, "#x\r\n");
  auto reference = Read(kExampleFile);
  data = Read(file);
  test::ExpectSameProblem(*data, *reference);

  // An empty line is a data line: placed before the point lines it takes the place of point 0's
  // line, and the line of point 3 is then not read.
  file = ReplaceLine(kExampleFile, 33, "     3,      30.000,      42.000,       0.000,\r\n");
  file = ReplaceLine(file, 30, "     0,       0.000,      -8.000,       1.000,\r\n");
  file = InsertBeforeLine(file, 30, "\r\n");
  data = Read(file);
  EXPECT_EQ(data->points[0].force, -8.0);
  EXPECT_EQ(data->points[0].moment, 1.0);
  EXPECT_EQ(data->points[3].force, 0.0);

  // CRs are dropped wherever they stand, so LF-only files and stray CRs read the same.
  std::string lfOnly;
  for (char c : kExampleFile) {
    if (c != '\r') lfOnly.push_back(c);
  }
  test::ExpectSameProblem(*Read(lfOnly), *reference);
  file = ReplaceLine(kExampleFile, 7, "Tess\r\raly\r,\r\n");
  file = ReplaceLine(file, 22, "\r     1,  1\r0.0\r00,   \r   10.000,     100.000,\r\n");
  test::ExpectSameProblem(*Read(file), *reference);
}

TEST(ProblemFileReader, ByteOrderMarkAndLongCommentLinesAsEditorsLeaveThem) {
  auto reference = Read(kExampleFile);
  const std::string mark = "\xEF\xBB\xBF";
  test::ExpectSameProblem(*Read(mark + kExampleFile), *reference);
  // Also when the source hands out one byte at a time.
  class ByteBySource final : public ByteSource {
   public:
    explicit ByteBySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
      if (bytes_.empty() || capacity == 0) return 0;
      buffer[0] = bytes_[0];
      bytes_.erase(0, 1);
      return 1;
    }

   private:
    std::string bytes_;
  };
  ByteBySource slow(mark + kExampleFile);
  auto data = std::make_unique<ProblemData>();
  ASSERT_TRUE(ReadProblemFrom(*data, slow, "t.plv").ok);
  test::ExpectSameProblem(*data, *reference);
  // Only at the very start: elsewhere the bytes belong to the text.
  data = Read(ReplaceLine(kExampleFile, 7, mark + "Tessaly,\r\n"));
  EXPECT_EQ(data->licensedUser.View(), mark + "Tessaly");

  // A comment line of any length is skipped whole, also right before the first data line and
  // between two section lines.
  std::string longComment = "# ", twoComments = "#";
  longComment.append(5000, '9').append(",\r\n");
  twoComments.append(139, '1').append("\r\n#").append(138, '2').append("\r\n");
  std::string file = InsertBeforeLine(kExampleFile, 23, longComment);
  file = InsertBeforeLine(file, 7, twoComments);
  test::ExpectSameProblem(*Read(mark + file), *reference);
}

TEST(ProblemFileReader, FilesLargerThan16MiBAreRefusedAtOnce) {
  const std::string message =
      "\"big.plv\" is not read: it is larger than 16 MiB, far too large for a data file.";
  auto data = std::make_unique<ProblemData>();
  // A stream of comment lines is cut off once it passes the limit.
  class Comments final : public ByteSource {
   public:
    std::size_t Read(char* buffer, std::size_t capacity) override {
      for (std::size_t i = 0; i < capacity; ++i) buffer[i] = i % 64 == 63 ? '\n' : '#';
      return capacity;
    }
  } endless;
  FileResult result = ReadProblemFrom(*data, endless, "big.plv");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, message);
  std::string bytes = kExampleFile;
  bytes.resize(kMaxProblemFileBytes + 1, '#');
  EXPECT_EQ(ReadProblemBytes(*data, bytes, "big.plv").message, message);
  bytes.resize(kMaxProblemFileBytes);
  EXPECT_TRUE(ReadProblemBytes(*data, bytes, "big.plv").ok);

  // A file is measured before anything is read (a sparse file of 2 GB).
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("pelvar_big_" + std::to_string(::getpid()) + ".plv");
  std::ofstream(path, std::ios::binary) << kExampleFile;
  std::filesystem::resize_file(path, 2LL << 30);
  const std::string name = path.string();
  result = ReadProblemFile(*data, name);
  std::filesystem::remove(path);
  EXPECT_EQ(result.message, "\"" + name + message.substr(8));
}

TEST(ProblemFileReader, ByteHexOneAEndsTheFile) {
  auto reference = Read(kExampleFile);
  // After the last point line: the rest is not read anyway.
  std::string file = FirstLines(kExampleFile, 33) + "\x1A" + "garbage\r\n#\r\n" + "\x1A";
  test::ExpectSameProblem(*Read(file), *reference);
  // Inside the section lines: the file ends early.
  file = FirstLines(kExampleFile, 22) + "     2,   10.0\x1A" + "00,  10.000,   0.000,\r\n";
  ProblemData data;
  const FileResult result = ReadProblemBytes(data, file, "t.plv");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "\"t.plv\", line 23: the file ends before the section line 3 of 3.");
}

TEST(ProblemFileReader, TextFields) {
  std::string file = ReplaceLine(kExampleFile, 7, ",,,  Tessaly, Inc.,\r\n");
  file = ReplaceLine(file, 9, "Pile.plv\r\n");  // no comma: the rest of the line, no line feed
  file = ReplaceLine(file, 11, std::string(70, 'N') + ",\r\n");
  auto data = Read(file);
  EXPECT_EQ(data->licensedUser.View(), "  Tessaly");
  EXPECT_EQ(data->fileName.View(), "Pile.plv");
  EXPECT_EQ(data->problemName.View(), std::string(59, 'N'));

  data = Read(ReplaceLine(kExampleFile, 11, ",\r\n"));
  EXPECT_EQ(data->problemName.View(), "");
  data = Read(ReplaceLine(kExampleFile, 11, "Pile, 3 m,\r\n"));
  EXPECT_EQ(data->problemName.View(), "Pile");
}

TEST(ProblemFileReader, LinesLongerThan139CharactersComeInPieces) {
  // The user line runs on into the file name: its second piece is read as the next data line.
  std::string file = ReplaceLine(kExampleFile, 9, "");
  file = ReplaceLine(file, 7, std::string(139, 'U') + "Pile.plv,\r\n");
  auto data = Read(file);
  EXPECT_EQ(data->licensedUser.View(), std::string(59, 'U'));
  EXPECT_EQ(data->fileName.View(), "Pile.plv");
  EXPECT_EQ(data->problemName.View(), "Demonstration Problem");

  // Two section lines on one line, the first padded to 139 characters.
  std::string first = "     1,   10.000,      10.000,     100.000,";
  first += std::string(139 - first.size(), ' ');
  file = ReplaceLine(kExampleFile, 23, "");
  file = ReplaceLine(file, 22, first + "     2,   4.000,      3.000,       9.000,\r\n");
  data = Read(file);
  EXPECT_EQ(data->sections[0].spring, 100.0);
  EXPECT_EQ(data->sections[1].length, 4.0);
  EXPECT_EQ(data->sections[1].load, 3.0);
  EXPECT_EQ(data->sections[1].spring, 9.0);
  EXPECT_EQ(data->points[3].x, 24.0);
}

TEST(ProblemFileReader, DecimalCommaShiftsTheFieldsOfItsLine) {
  std::string file = ReplaceLine(kExampleFile, 16, "1000000,5, 1,000,\r\n");
  file = ReplaceLine(file, 22, "1, 10,5, 10, 100,\r\n");
  auto data = Read(file);
  EXPECT_EQ(data->stiffnessEI, 1000000.0);
  EXPECT_EQ(data->beamWidth, 5.0);
  EXPECT_EQ(data->sections[0].length, 10.0);
  EXPECT_EQ(data->sections[0].load, 5.0);
  EXPECT_EQ(data->sections[0].spring, 10.0);
}

TEST(ProblemFileReader, SectionNumbersSelectTheEntryAndPositionsFollowTheLengths) {
  std::string file = ReplaceLine(kExampleFile, 22, "3, 5.0, 1.0, 30.0,\r\n");
  file = ReplaceLine(file, 24, "1, 2.0, 3.0, 10.0,\r\n");
  // Sections 3, 2, 1 in this order: the points still lie at the ends of a 17 m beam.
  auto data = std::make_unique<ProblemData>();
  data->points[2].x = 100.0;
  ASSERT_TRUE(ReadProblemBytes(*data, file, "t.plv").ok);
  EXPECT_EQ(data->sections[0].length, 2.0);
  EXPECT_EQ(data->sections[2].spring, 30.0);
  EXPECT_EQ(data->points[1].x, 2.0);
  EXPECT_EQ(data->points[2].x, 12.0);
  EXPECT_EQ(data->points[3].x, 17.0);
}

TEST(ProblemFileReader, ValuesOutsideTheirLimitsAreClamped) {
  struct Case {
    const char* counts;
    int elements;
  } cases[] = {{"3, 5, 1,", 10},         {"3, 0, 1,", 10},      {"3, -40, 1,", 10},
               {"3, 10, 1,", 10},        {"3, 1000, 1,", 1000}, {"3, 1001, 1,", 1000},
               {"3, 99999999999,", 1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.counts);
    EXPECT_EQ(Read(ReplaceLine(kExampleFile, 13, std::string(c.counts) + "\r\n"))->elementCount,
              c.elements);
  }

  std::string file = ReplaceLine(kExampleFile, 16, "0.01, -3,\r\n");
  file = ReplaceLine(file, 22, "1, 0, -10, -0.5,\r\n");
  file = ReplaceLine(file, 23, "2, -4, -0, 7,\r\n");
  auto data = Read(file);
  EXPECT_EQ(data->stiffnessEI, 0.1);
  EXPECT_EQ(data->beamWidth, 0.001);
  EXPECT_EQ(data->sections[0].length, 0.001);
  // Loads and springs are read as written, negative ones too.
  EXPECT_EQ(data->sections[0].load, -10.0);
  EXPECT_EQ(data->sections[0].spring, -0.5);
  EXPECT_EQ(data->sections[1].length, 0.001);
  EXPECT_EQ(data->sections[1].load, 0.0);
  EXPECT_EQ(data->points[1].x, 0.001);
  EXPECT_EQ(data->points[2].x, 0.002);
  EXPECT_DOUBLE_EQ(data->points[3].x, 10.002);
  // Forces and moments have no limits.
  data = Read(ReplaceLine(kExampleFile, 31, "1, 0, -1e5, -2.5e-3,\r\n"));
  EXPECT_EQ(data->points[1].force, -100000.0);
  EXPECT_EQ(data->points[1].moment, -0.0025);
}

TEST(ProblemFileReader, RefusedFilesLeaveTheProblemExactlyAsItWas) {
  struct Case {
    std::string file;
    std::string message;
  };
  const Case cases[] = {
      {"", "\"t.plv\" is empty: the line of the licensed user is missing."},
      {"#\r\n# only comments",
       "\"t.plv\", line 2: the file ends before the line of the licensed user."},
      {FirstLines(kExampleFile, 9),
       "\"t.plv\", line 9: the file ends before the line of the problem name."},
      {FirstLines(kExampleFile, 12),
       "\"t.plv\", line 12: the file ends before the line with the numbers of sections and "
       "elements."},
      {FirstLines(kExampleFile, 15),
       "\"t.plv\", line 15: the file ends before the line with EI and width."},
      {FirstLines(kExampleFile, 23),
       "\"t.plv\", line 23: the file ends before the section line 3 of 3."},
      {FirstLines(kExampleFile, 31),
       "\"t.plv\", line 31: the file ends before the point line 3 of 4."},
      {ReplaceLine(kExampleFile, 13, "0, 10, 2000,\r\n"),
       "\"t.plv\", line 13: the number of sections is 0; it must lie between 1 and 20."},
      {ReplaceLine(kExampleFile, 13, "21, 10, 2000,\r\n"),
       "\"t.plv\", line 13: the number of sections is 21; it must lie between 1 and 20."},
      {ReplaceLine(kExampleFile, 13, "-2147483648,\r\n"),
       "\"t.plv\", line 13: the number of sections is -2147483648; it must lie between 1 and 20."},
      {ReplaceLine(kExampleFile, 13, "Sections\r\n"),
       "\"t.plv\", line 13: the number of sections is 0; it must lie between 1 and 20."},
      {ReplaceLine(kExampleFile, 24, "     4,   10.000,      10.000,     100.000,\r\n"),
       "\"t.plv\", line 24: section number 4 is outside 1 to 3."},
      {ReplaceLine(kExampleFile, 22, "0,\r\n"),
       "\"t.plv\", line 22: section number 0 is outside 1 to 3."},
      {InsertBeforeLine(kExampleFile, 23, "\r\n"),
       "\"t.plv\", line 23: section number 0 is outside 1 to 3."},
      {ReplaceLine(kExampleFile, 33, "4, 0, 0, 0,\r\n"),
       "\"t.plv\", line 33: point number 4 is outside 0 to 3."},
      {ReplaceLine(kExampleFile, 30, "-1, 0, 0, 0,\r\n"),
       "\"t.plv\", line 30: point number -1 is outside 0 to 3."},
  };
  auto original = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*original);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    auto data = std::make_unique<ProblemData>(*original);
    const FileResult result = ReadProblemBytes(*data, c.file, "t.plv");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, c.message);
    test::ExpectSameProblem(*data, *original);
  }
}

TEST(ProblemFileReader, FilesThatCannotBeOpenedOrReadAreRefused) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("pelvar_reader_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  auto original = std::make_unique<ProblemData>();
  test::MakeWorkedProblem(*original);
  auto data = std::make_unique<ProblemData>(*original);

  const std::string missing = (folder / "missing.plv").string();
  FileResult result = ReadProblemFile(*data, missing);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Cannot open \"" + missing + "\": No such file or directory.");
  test::ExpectSameProblem(*data, *original);

  result = ReadProblemFile(*data, folder.string());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Cannot read \"" + folder.string() + "\": Is a directory.");
  test::ExpectSameProblem(*data, *original);

  // A named pipe without a writer reads as an empty file instead of waiting for one.
  const std::string pipe = (folder / "pipe.plv").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  result = ReadProblemFile(*data, pipe);
  EXPECT_EQ(result.message, "\"" + pipe + "\" is empty: the line of the licensed user is missing.");
  test::ExpectSameProblem(*data, *original);

  // The window reads regular files only, and tells a pipe by its kind without opening it:
  // opening it would release a writer waiting there, into a broken pipe once it is refused.
  const pid_t writer = ::fork();
  if (writer == 0) {
    const int fd = ::open(pipe.c_str(), O_WRONLY);  // waits for a reader
    ::_exit(fd >= 0 ? 3 : 4);
  }
  ASSERT_GT(writer, 0);
  // Read once the writer waits in its open.
  const std::string call = "/proc/" + std::to_string(writer) + "/syscall";
  for (int i = 0; i < 200; ++i) {
    std::string number;
    std::ifstream(call) >> number;
    if (number == std::to_string(SYS_openat)) break;
    ::usleep(10000);
  }
  for (const std::string& path : {pipe, std::string("/dev/zero")}) {
    result = ReadProblemFile(*data, path, InputKinds::RegularFilesOnly);
    EXPECT_EQ(result.message, "Cannot open \"" + path + "\": it is not a regular file.");
  }
  test::ExpectSameProblem(*data, *original);
  ::usleep(200000);
  int status = 0;
  EXPECT_EQ(::waitpid(writer, &status, WNOHANG), 0) << "the waiting writer was released";
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_EQ(::waitpid(writer, &status, 0), writer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
  ::close(reader);

  // A read that fails part way through the last point line refuses the file.
  class FailingSource final : public ByteSource {
   public:
    explicit FailingSource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
      if (bytes_.empty()) {
        failed_ = true;
        return 0;
      }
      const std::size_t count = bytes_.copy(buffer, capacity);
      bytes_.erase(0, count);
      return count;
    }
    int Error() const override { return failed_ ? EIO : 0; }

   private:
    std::string bytes_;
    bool failed_ = false;
  };
  FailingSource failing(FirstLines(kExampleFile, 32) + "     3,");
  result = ReadProblemFrom(*data, failing, "t.plv");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Cannot read \"t.plv\": Input/output error.");
  test::ExpectSameProblem(*data, *original);

  const std::string good = (folder / "Good.plv").string();
  std::ofstream(good, std::ios::binary) << kExampleFile;
  result = ReadProblemFile(*data, good);
  EXPECT_TRUE(result.ok) << result.message;
  EXPECT_EQ(data->sectionCount, 3);
  EXPECT_EQ(data->elementCount, 10);
  std::filesystem::remove_all(folder);
}

TEST(DataLineScanner, PiecesCommentsAndFields) {
  const std::string text = "# comment\r\n\r\n" + std::string(139, 'x') + "\n" +
                           std::string(300, 'y') + "\n#" + std::string(150, 'z') +
                           "\n,;  1;2 3\t4,\nlast";
  MemorySource source(text);
  DataLineScanner scanner(source);
  ASSERT_TRUE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.Line(), "\n");
  EXPECT_EQ(scanner.LineNumber(), 2);
  EXPECT_EQ(scanner.NextNumberField(), "\n");  // the line feed is no separator
  EXPECT_EQ(scanner.NextNumberField(), "");

  ASSERT_TRUE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.Line(), std::string(139, 'x'));
  ASSERT_TRUE(scanner.ReadDataLine());  // the line feed of a 139-character line
  EXPECT_EQ(scanner.Line(), "\n");
  EXPECT_EQ(scanner.LineNumber(), 3);
  for (const std::size_t length : {139u, 139u}) {
    ASSERT_TRUE(scanner.ReadDataLine());
    EXPECT_EQ(scanner.Line(), std::string(length, 'y'));
    EXPECT_EQ(scanner.LineNumber(), 4);
  }
  ASSERT_TRUE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.Line(), std::string(22, 'y') + "\n");
  // A long comment line is skipped whole.
  ASSERT_TRUE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.LineNumber(), 6);
  EXPECT_EQ(scanner.NextNumberField(), "1");
  EXPECT_EQ(scanner.NextNumberField(), "2");
  EXPECT_EQ(scanner.NextNumberField(), "3\t4");
  EXPECT_EQ(scanner.NextNumberField(), "\n");
  EXPECT_EQ(scanner.NextNumberField(), "");

  ASSERT_TRUE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.NextTextField(), "last");
  EXPECT_EQ(scanner.LineNumber(), 7);
  EXPECT_FALSE(scanner.ReadDataLine());
  EXPECT_FALSE(scanner.ReadDataLine());
  EXPECT_EQ(scanner.LastLineRead(), 7);
}

}  // namespace
}  // namespace pelvar
