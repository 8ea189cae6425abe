#include <memory>

#include "files/byte_sources.h"
#include "files/data_line_scanner.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
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
  bool Refuse(const std::string& what);
  std::int32_t Integer() { return ReadInteger(scanner_.NextNumberField()); }
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

bool ProblemReader::NextLine(const std::string& what) {
  const bool found = scanner_.ReadDataLine();
  if (scanner_.TooLarge()) {
    message_ = TooLargeText(name_);
    return false;
  }
  // A read that fails part way through a line leaves only the start of it.
  if (source_.Error() != 0) {
    message_ = "Cannot read " + Quoted(name_) + ": " + SystemErrorText(source_.Error()) + ".";
    return false;
  }
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
  // The output block and anything after it are the reader's to ignore. The point positions
  // follow from the lengths once all are read, whatever order the section lines stood in, as
  // they do after every other change of a length.
  UpdatePointPositions(problem);
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
