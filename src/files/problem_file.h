#pragma once
// The data file (*.plv): one problem as plain Windows-1252 text with CR LF line ends, in four
// blocks (general data, sections, forces, output) between fixed comment lines.
//
// The writer lays the file out with fixed formats and replaces the target only once the whole
// file is on disk. The reader is lenient about layout but takes the data lines strictly in
// sequence; it never half-loads: the caller's problem changes only when the whole file was read.

#include <string>
#include <string_view>

#include "model/problem_data.h"

namespace pelvar {

struct FileResult {
  bool ok = false;
  std::string message;  // why it failed, naming the file; empty on success
};

// The bytes of the data file for the problem and its result table.
std::string ProblemFileText(const ProblemData& data);

// Writes the data file at path (UTF-8), replacing any file of that name. Changes nothing in
// memory; the caller has already set fileName to the name that is to appear in the file.
FileResult WriteProblemFile(const ProblemData& data, const std::string& path);

// Reads the data file at path into data: the texts, counts, EI and width, the first
// sectionCount sections, the force and moment of points 0..sectionCount and the positions of
// the points that end a section read. Everything else, the result table and resultsAvailable
// included, is left alone. On failure data is exactly as it was.
FileResult ReadProblemFile(ProblemData& data, const std::string& path);

// The same reading from bytes already in memory; name is used in the messages only.
FileResult ReadProblemBytes(ProblemData& data, std::string_view bytes, std::string_view name);

}  // namespace pelvar
