#include "files/data_line_scanner.h"

#include <cstring>

#include "files/problem_file.h"

namespace pelvar {

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

bool DataLineScanner::StartsWithWord(std::string_view word) {
  if (line_.size() <= word.size() || !line_.starts_with(word) || line_[word.size()] != ',') {
    return false;
  }
  field_ = word.size();
  return true;
}

std::size_t DataLineScanner::TextFieldLength() const {
  std::size_t start = 0;
  while (start < line_.size() && line_[start] == ',') ++start;
  std::size_t end = start;
  while (end < line_.size() && line_[end] != ',' && line_[end] != '\n') ++end;
  return end - start;
}

std::string DataLineScanner::NextTextField() {
  std::size_t start = 0;
  while (start < line_.size() && line_[start] == ',') ++start;
  const std::size_t length = TextFieldLength();
  std::size_t end = start + length;
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

}  // namespace pelvar
