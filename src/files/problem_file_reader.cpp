#include <cstring>
#include <memory>

#include "files/data_line_scanner.h"
#include "files/file_io.h"
#include "files/problem_file.h"
#include "text/number_format.h"
#include "text/number_reader.h"

namespace pelvar {

// ---- DataLineScanner -------------------------------------------------------------------------

int DataLineScanner::NextByte() {
  for (;;) {
    if (ended_) return -1;
    if (bufferPos_ == bufferSize_) {
      bufferSize_ = source_.Read(buffer_, sizeof buffer_);
      bufferPos_ = 0;
      bytesRead_ += static_cast<long long>(bufferSize_);
      if (!started_) SkipByteOrderMark();
      if (bytesRead_ > kMaxProblemFileBytes) tooLarge_ = true;
      if (bufferSize_ == 0 || tooLarge_) {
        ended_ = true;
        return -1;
      }
      continue;  // a byte-order mark may have taken all that was read
    }
    const unsigned char byte = static_cast<unsigned char>(buffer_[bufferPos_++]);
    if (byte == 0x1A) {  // the old end-of-file mark: nothing after it belongs to the file
      ended_ = true;
      return -1;
    }
    if (byte == '\r') continue;
    lastLine_ = physicalLine_;
    if (byte == '\n') ++physicalLine_;
    return byte;
  }
}

// Some editors put one before the text of a UTF-8 file; it is no part of the first line.
void DataLineScanner::SkipByteOrderMark() {
  started_ = true;
  while (bufferSize_ > 0 && bufferSize_ < 3) {
    const std::size_t more = source_.Read(buffer_ + bufferSize_, sizeof buffer_ - bufferSize_);
    if (more == 0) break;
    bufferSize_ += more;
    bytesRead_ += static_cast<long long>(more);
  }
  if (bufferSize_ >= 3 && std::memcmp(buffer_, "\xEF\xBB\xBF", 3) == 0) bufferPos_ = 3;
}

bool DataLineScanner::ReadDataLine() {
  field_ = 0;
  for (;;) {
    line_.clear();
    lineNumber_ = physicalLine_;
    const bool wholeLine = atLineStart_;
    while (line_.size() < kMaxLine) {
      const int byte = NextByte();
      if (byte < 0) break;
      line_.push_back(static_cast<char>(byte));
      if (byte == '\n') break;
    }
    if (line_.empty()) return false;
    atLineStart_ = line_.back() == '\n';
    if (line_[0] != '#') return true;
    // The rest of a long comment line is comment too, not data.
    while (wholeLine && !atLineStart_) {
      const int byte = NextByte();
      if (byte < 0) break;
      atLineStart_ = byte == '\n';
    }
  }
}

std::string DataLineScanner::NextTextField() {
  std::size_t start = 0;
  while (start < line_.size() && line_[start] == ',') ++start;
  std::size_t end = start;
  while (end < line_.size() && line_[end] != ',' && line_[end] != '\n') ++end;
  // A line feed left in a text would be written back inside the text's line and break the
  // layout of every file saved afterwards, so the text ends before it.
  if (end - start > kMaxText) end = start + kMaxText;
  field_ = line_.size();
  return line_.substr(start, end - start);
}

std::string_view DataLineScanner::NextNumberField() {
  const auto isSeparator = [](char c) { return c == ',' || c == ';' || c == ' '; };
  std::size_t start = field_;
  while (start < line_.size() && isSeparator(line_[start])) ++start;
  std::size_t end = start;
  while (end < line_.size() && !isSeparator(line_[end])) ++end;
  field_ = end;
  return std::string_view(line_).substr(start, end - start);
}

// ---- ReadProblemFile -------------------------------------------------------------------------

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

std::string Quoted(std::string_view name) {
  // Built by appending: GCC 12 at -O3 sees a false overlap in "\"" + std::string(name).
  std::string quoted(1, '"');
  quoted.append(name).push_back('"');
  return quoted;
}

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

  if (!NextLine("line with EI and width")) return false;
  problem.stiffnessEI = AtLeast(Real(), kMinStiffness);
  problem.beamWidth = AtLeast(Real(), kMinWidth);

  problem.points[0].x = 0.0;
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
    const int i = number - 1;
    SectionRow& section = problem.sections[static_cast<std::size_t>(i)];
    section.length = AtLeast(Real(), kMinLength);
    problem.points[static_cast<std::size_t>(i) + 1].x =
        problem.points[static_cast<std::size_t>(i)].x + section.length;
    section.load = AtLeast(Real(), 0.0);
    section.spring = AtLeast(Real(), 0.0);
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
  }
  // The output block and anything after it are the reader's to ignore.
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

FileResult ReadProblemFile(ProblemData& data, const std::string& path) {
  FileSource source(path);
  if (!source.IsOpen()) {
    return {false, "Cannot open " + Quoted(path) + ": " + SystemErrorText(source.Error()) + "."};
  }
  if (source.RegularFileSize() > kMaxProblemFileBytes) return {false, TooLargeText(path)};
  return ReadProblemFrom(data, source, path);
}

}  // namespace pelvar
