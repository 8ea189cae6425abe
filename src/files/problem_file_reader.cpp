#include <memory>

#include "files/byte_sources.h"
#include "files/data_line_scanner.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "files/state_names.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {

namespace {

class ProblemReader {
 public:
  ProblemReader(ByteSource& source, std::string_view name)
      : source_(source), scanner_(source), name_(name) {}

  // Reads the whole file into problem; returns false with message_ set when it is refused.
  bool Read(ProblemData& problem);
  const std::string& Message() const { return message_; }

 private:
  bool NextLine(const std::string& what);
  bool SourceFailed();
  bool Refuse(const std::string& what);
  bool ReadLoadCases(ProblemData& problem);
  bool ReadCase(ProblemData& problem, int c);
  // The values of the load cases must all be there: a missing one is refused, not read as 0.
  std::string_view RequiredField();
  bool Count(int& value, int least, int most, const std::string& what);
  bool Number(double& value, const std::string& what);
  bool Name(ShortText& name, const std::string& what);
  std::int32_t Integer() { return ReadInteger(scanner_.NextNumberField()); }
  static std::int32_t Integer(std::string_view field) { return ReadInteger(field); }
  double Real() { return ReadReal(scanner_.NextNumberField()); }

  ByteSource& source_;
  DataLineScanner scanner_;
  std::string name_;
  std::string message_;
};

std::string TooLargeText(std::string_view name) {
  return Quoted(name) + " is not read: it is larger than " +
         FormatText("%d", kMaxProblemFileBytes >> 20) + " MiB, far too large for a data file.";
}

// Lower limits of the reals, the same the input tables apply: the analysis divides by the
// lengths and relies on a positive stiffness and width.

bool ProblemReader::Refuse(const std::string& what) {
  message_ = Quoted(name_) + ", line " + FormatText("%d", scanner_.LineNumber()) + ": " + what;
  return false;
}

bool ProblemReader::SourceFailed() {
  if (scanner_.TooLarge()) {
    message_ = TooLargeText(name_);
    return true;
  }
  // A read that fails part way through a line leaves only the start of it.
  if (source_.Error() != 0) {
    message_ = "Cannot read " + Quoted(name_) + ": " + SystemErrorText(source_.Error()) + ".";
    return true;
  }
  return false;
}

bool ProblemReader::NextLine(const std::string& what) {
  const bool found = scanner_.ReadDataLine();
  if (SourceFailed()) return false;
  if (found) return true;
  if (scanner_.LastLineRead() == 0) {
    message_ = Quoted(name_) + " is empty: the " + what + " is missing.";
  } else {
    message_ = Quoted(name_) + ", line " + FormatText("%d", scanner_.LastLineRead()) +
               ": the file ends before the " + what + ".";
  }
  return false;
}

bool ProblemReader::Read(ProblemData& problem) {
  if (!NextLine("line of the licensed user")) return false;
  problem.licensedUser.Set(scanner_.NextTextField());
  if (!NextLine("line of the file name")) return false;
  problem.fileName.Set(scanner_.NextTextField());
  if (!NextLine("line of the problem name")) return false;
  problem.problemName.Set(scanner_.NextTextField());

  if (!NextLine("line with the numbers of sections and elements")) return false;
  const std::int32_t sectionCount = Integer();
  if (sectionCount < kMinSections || sectionCount > kMaxSections) {
    return Refuse("the number of sections is " + FormatText("%d", sectionCount) +
                  "; it must lie between 1 and 20.");
  }
  problem.sectionCount = sectionCount;
  // The element count is clamped as the general data grid clamps it.
  problem.elementCount = ClampElementCount(Integer());
  problem.fileVersion = Integer();
  // A fourth value of 1 is soil that takes no tension; none, or any other, soil that takes both.
  problem.noTension = Integer() == 1;

  if (!NextLine("line with EI and width")) return false;
  problem.stiffnessEI = AtLeast(Real(), kMinStiffness);
  problem.beamWidth = AtLeast(Real(), kMinWidth);

  for (int line = 1; line <= sectionCount; ++line) {
    if (!NextLine("section line " + FormatText("%d", line) + " of " +
                  FormatText("%d", sectionCount))) {
      return false;
    }
    // The number in the line, not the line's place, selects the section.
    const std::int32_t number = Integer();
    if (number < 1 || number > sectionCount) {
      return Refuse("section number " + FormatText("%d", number) + " is outside 1 to " +
                    FormatText("%d", sectionCount) + ".");
    }
    SectionRow& section = problem.sections[static_cast<std::size_t>(number) - 1];
    section.length = AtLeast(Real(), kMinLength);
    // Loads and springs stand as written; only the tables limit what is typed.
    section.load = Real();
    section.spring = Real();
    // The section's own EI and width, where the line goes on with them; 0 or none is the
    // general data's.
    section.stiffnessEI = OwnValue(Real(), kMinStiffness);
    section.width = OwnValue(Real(), kMinWidth);
  }

  for (int line = 0; line <= sectionCount; ++line) {
    if (!NextLine("point line " + FormatText("%d", line + 1) + " of " +
                  FormatText("%d", sectionCount + 1))) {
      return false;
    }
    const std::int32_t number = Integer();
    if (number < 0 || number > sectionCount) {
      return Refuse("point number " + FormatText("%d", number) + " is outside 0 to " +
                    FormatText("%d", sectionCount) + ".");
    }
    PointLoadRow& point = problem.points[static_cast<std::size_t>(number)];
    Real();  // x follows from the section lengths
    point.force = Real();
    point.moment = Real();
    // The support, where the line goes on with one; none is a free point. A kind this reader
    // does not know is refused rather than read as free, which would carry the beam otherwise.
    const std::int32_t kind = Integer();
    if (kind < 0 || kind > kLargestSupportCode) {
      return Refuse("the support of point " + FormatText("%d", number) + " is of kind " +
                    FormatText("%d", kind) + "; it must be one of 0 to " +
                    FormatText("%d", kLargestSupportCode) + ".");
    }
    PointSupport& support = point.support;
    support = PointSupport{};
    support.kind = static_cast<SupportKind>(kind);
    if (support.kind != SupportKind::None) {
      support.spring = AtLeast(Real(), 0.0);
      support.rotationalSpring = AtLeast(Real(), 0.0);
      support.displacement = Real();
      support.rotation = Real();
    }
  }
  if (!ReadLoadCases(problem)) return false;
  // The output block and anything after it are the reader's to ignore. The point positions
  // follow from the lengths once all are read, whatever order the section lines stood in, as
  // they do after every other change of a length.
  UpdatePointPositions(problem);
  return true;
}

std::string_view ProblemReader::RequiredField() {
  std::string_view field = scanner_.NextNumberField();
  // The last field of a line ends before its line feed.
  if (field.ends_with('\n')) field.remove_suffix(1);
  return field;
}

bool ProblemReader::Count(int& value, int least, int most, const std::string& what) {
  const std::string_view field = RequiredField();
  if (field.empty()) return Refuse("the " + what + " is missing.");
  value = Integer(field);
  if (value < least || value > most) {
    return Refuse("the " + what + " is " + FormatText("%d", value) + "; it must lie between " +
                  FormatText("%d", least) + " and " + FormatText("%d", most) + ".");
  }
  return true;
}

bool ProblemReader::Number(double& value, const std::string& what) {
  const std::string_view field = RequiredField();
  if (field.empty()) return Refuse("the " + what + " is missing.");
  value = ReadReal(field);
  return true;
}

bool ProblemReader::Name(ShortText& name, const std::string& what) {
  if (!NextLine("name of " + what)) return false;
  if (scanner_.TextFieldLength() > ShortText::kCapacity) {
    return Refuse("the name of " + what + " is longer than " +
                  FormatText("%d", static_cast<int>(ShortText::kCapacity)) + " characters.");
  }
  name.Set(scanner_.NextTextField());
  return true;
}

// The block of load cases after the point lines, where the file has one: a file without it is
// the first case alone, as its tables hold it.
bool ProblemReader::ReadLoadCases(ProblemData& problem) {
  LoadCases& cases = problem.loadCases;
  cases = LoadCases{};
  cases.cases[0].name.Set(kFirstCaseName);
  problem.loadsAnywhereCount = 0;
  problem.loadsAnywhere = {};
  if (!scanner_.ReadDataLine()) return !SourceFailed();
  if (!scanner_.StartsWithWord(kLoadCasesWord)) return true;  // the output block

  if (!Count(cases.caseCount, 1, kMaxLoadCases, "number of load cases") ||
      !Count(cases.combinationCount, 0, kMaxCombinations, "number of combinations") ||
      !Count(cases.movingLoad.axleCount, 0, kMaxAxles, "number of axles") ||
      !Count(cases.soilFactorCount, 0, kMaxSoilFactors, "number of soil factors")) {
    return false;
  }
  for (int c = 0; c < cases.caseCount; ++c) {
    if (!ReadCase(problem, c)) return false;
  }

  for (int k = 0; k < cases.combinationCount; ++k) {
    LoadCombination& combination = cases.combinations[static_cast<std::size_t>(k)];
    const std::string of = "combination " + FormatText("%d", k + 1);
    if (!Name(combination.name, of)) return false;
    for (int line = 1; line <= cases.caseCount; ++line) {
      int c = 0;
      if (!NextLine("factor line " + FormatText("%d", line) + " of " + of) ||
          !Count(c, 1, cases.caseCount, "case number of a factor of " + of) ||
          !Number(combination.factor[static_cast<std::size_t>(c) - 1],
                  "factor of case " + FormatText("%d", c) + " in " + of)) {
        return false;
      }
    }
  }

  MovingLoad& moving = cases.movingLoad;
  if (moving.axleCount > 0) {
    int combination = 0;
    if (!NextLine("line of the moving load") || !Number(moving.step, "step of the moving load") ||
        !Count(combination, 0, cases.combinationCount, "combination the moving load rides on")) {
      return false;
    }
    moving.step = AtLeast(moving.step, 0.0);
    moving.combination = combination - 1;
    for (int line = 1; line <= moving.axleCount; ++line) {
      int a = 0;
      if (!NextLine("axle line " + FormatText("%d", line) + " of " +
                    FormatText("%d", moving.axleCount)) ||
          !Count(a, 1, moving.axleCount, "axle number")) {
        return false;
      }
      const std::string of = "axle " + FormatText("%d", a);
      const auto i = static_cast<std::size_t>(a) - 1;
      if (!Number(moving.axleLoad[i], "load of " + of) ||
          !Number(moving.spacing[i], "spacing behind " + of)) {
        return false;
      }
      moving.spacing[i] = AtLeast(moving.spacing[i], 0.0);
    }
  }

  for (int line = 1; line <= cases.soilFactorCount; ++line) {
    int f = 0;
    if (!NextLine("soil factor line " + FormatText("%d", line) + " of " +
                  FormatText("%d", cases.soilFactorCount)) ||
        !Count(f, 1, cases.soilFactorCount, "soil factor number")) {
      return false;
    }
    double& factor = cases.soilFactors[static_cast<std::size_t>(f) - 1];
    if (!Number(factor, "soil factor " + FormatText("%d", f))) return false;
    factor = AtLeast(factor, 0.0);
  }
  return true;
}

// Load case c: its name, for every case but the first its section and point loads, and its
// loads anywhere (the first case's in ProblemData::loadsAnywhere).
bool ProblemReader::ReadCase(ProblemData& problem, int c) {
  LoadCase& loadCase = problem.loadCases.cases[static_cast<std::size_t>(c)];
  const std::string of = "load case " + FormatText("%d", c + 1);
  if (!Name(loadCase.name, of)) return false;
  const int sections = problem.sectionCount;
  if (c > 0) {
    for (int line = 1; line <= sections; ++line) {
      int i = 0;
      if (!NextLine("section line " + FormatText("%d", line) + " of " + of) ||
          !Count(i, 1, sections, "section number in " + of) ||
          !Number(loadCase.sectionLoad[static_cast<std::size_t>(i) - 1],
                  "load of section " + FormatText("%d", i) + " in " + of)) {
        return false;
      }
    }
    for (int line = 0; line <= sections; ++line) {
      int p = 0;
      if (!NextLine("point line " + FormatText("%d", line + 1) + " of " + of) ||
          !Count(p, 0, sections, "point number in " + of)) {
        return false;
      }
      const std::string point = "point " + FormatText("%d", p) + " in " + of;
      if (!Number(loadCase.pointForce[static_cast<std::size_t>(p)], "force of " + point) ||
          !Number(loadCase.pointMoment[static_cast<std::size_t>(p)], "moment of " + point)) {
        return false;
      }
    }
  }
  int count = 0;
  if (!NextLine("number of loads anywhere of " + of) ||
      !Count(count, 0, kMaxLoadsAnywhere, "number of loads anywhere of " + of)) {
    return false;
  }
  const bool first = c == 0;
  if (first) {
    problem.loadsAnywhereCount = count;
  } else {
    loadCase.anywhereCount = count;
  }
  for (int line = 1; line <= count; ++line) {
    int l = 0;
    if (!NextLine("line " + FormatText("%d", line) + " of the loads anywhere of " + of) ||
        !Count(l, 1, count, "number of a load anywhere of " + of)) {
      return false;
    }
    LoadAnywhere& load = first ? problem.loadsAnywhere[static_cast<std::size_t>(l) - 1]
                               : loadCase.anywhere[static_cast<std::size_t>(l) - 1];
    const std::string what = " of load " + FormatText("%d", l) + " anywhere in " + of;
    if (!Number(load.x, "x" + what) || !Number(load.force, "force" + what) ||
        !Number(load.moment, "moment" + what)) {
      return false;
    }
  }
  return true;
}

}  // namespace

FileResult ReadProblemFrom(ProblemData& data, ByteSource& source, std::string_view name) {
  ProblemReader reader(source, name);
  // Read into a copy, so that a refused file leaves the current problem as it was.
  auto copy = std::make_unique<ProblemData>(data);
  if (!reader.Read(*copy)) return {false, reader.Message()};
  data = *copy;
  return {true, {}};
}

FileResult ReadProblemBytes(ProblemData& data, std::string_view bytes, std::string_view name) {
  if (static_cast<long long>(bytes.size()) > kMaxProblemFileBytes) {
    return {false, TooLargeText(name)};
  }
  MemorySource source(bytes);
  return ReadProblemFrom(data, source, name);
}

FileResult ReadProblemFile(ProblemData& data, const std::string& path, InputKinds kinds) {
  FileSource source(path, kinds == InputKinds::RegularFilesOnly);
  if (source.NotRegular()) {
    return {false, "Cannot open " + Quoted(path) + ": it is not a regular file."};
  }
  if (!source.IsOpen()) {
    return {false, "Cannot open " + Quoted(path) + ": " + SystemErrorText(source.Error()) + "."};
  }
  const long long size = source.RegularFileSize();
  if (size > kMaxProblemFileBytes) return {false, TooLargeText(path)};
  return ReadProblemFrom(data, source, path);
}

}  // namespace pelvar
