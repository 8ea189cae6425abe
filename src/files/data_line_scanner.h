#pragma once
// The data file reader's three scanning steps: ReadDataLine finds the next data line,
// NextTextField and NextNumberField take the values from it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/byte_sources.h"

namespace pelvar {

class DataLineScanner {
 public:
  // Longest piece of a line delivered as one line, its line feed included.
  static constexpr std::size_t kMaxLine = 139;
  // Longest text kept from a text field: the capacity of the problem's texts.
  static constexpr std::size_t kMaxText = 59;

  explicit DataLineScanner(ByteSource& source) : source_(source) {}

  // Reads lines of at most kMaxLine characters (a longer line comes in pieces, each a line of
  // its own) until one does not start with "#"; a comment line is skipped whole, however long.
  // A UTF-8 byte-order mark at the very start is skipped, every CR is dropped and a byte 0x1A
  // ends the file. Returns false, with an empty line, at the end of the file, and also once
  // more than kMaxProblemFileBytes were read (TooLarge() tells).
  bool ReadDataLine();
  bool TooLarge() const { return tooLarge_; }

  // The text field at the start of the data line: leading commas skipped, up to the next
  // comma or the end of the line, at most kMaxText characters. Blanks belong to the text; the
  // line feed does not.
  std::string NextTextField();

  // The next number field along the data line: a run of commas, semicolons and blanks is
  // skipped, and the field runs to the next of them or to the end of the line (tab and line
  // feed are not separators). Empty at the end of the line.
  std::string_view NextNumberField();

  // Whether the data line starts with word and a comma; the number fields then start after it.
  bool StartsWithWord(std::string_view word);
  // The length of the text field at the start of the data line before it is cut to kMaxText.
  std::size_t TextFieldLength() const;

  // The data line as read, with its line feed when it has one.
  std::string_view Line() const { return line_; }
  // Line of the file (from 1) on which the current data line starts.
  std::int64_t LineNumber() const { return lineNumber_; }
  // Number of the last line of the file that was read from, 0 before anything was read.
  std::int64_t LastLineRead() const { return lastLine_; }

 private:
  int NextByte();  // the next byte with CRs dropped, or -1 at the end
  void SkipByteOrderMark();

  ByteSource& source_;
  char buffer_[4096];
  std::size_t bufferPos_ = 0;
  std::size_t bufferSize_ = 0;
  bool ended_ = false;
  bool started_ = false;
  bool tooLarge_ = false;
  bool atLineStart_ = true;  // the next byte starts a line of the file
  long long bytesRead_ = 0;
  std::string line_;
  std::size_t field_ = 0;          // where the next number field starts in line_
  std::int64_t physicalLine_ = 1;  // line of the file that the next byte belongs to
  std::int64_t lineNumber_ = 0;
  std::int64_t lastLine_ = 0;
};

}  // namespace pelvar
