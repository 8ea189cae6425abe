#pragma once
// The data file (*.plv): one problem as plain Windows-1252 text with CR LF line ends, in four
// blocks (general data, sections, forces, output) between fixed comment lines.
//
// The writer lays the file out with fixed formats and replaces the target only once the whole
// file is on disk. The reader is lenient about layout but takes the data lines strictly in
// sequence; it never half-loads: the caller's problem changes only when the whole file was read.

#include <string>
#include <string_view>

#include "files/file_result.h"
#include "model/problem_data.h"

namespace pelvar {

// A data file is under 100 kB; a file above this size is refused at once instead of being read
// for seconds.
inline constexpr long long kMaxProblemFileBytes = 16LL * 1024 * 1024;

// The first value of the data line that opens the block of load cases, after the point lines.
inline constexpr std::string_view kLoadCasesWord = "Load cases";

// The bytes of the data file for the problem and its result table.
std::string ProblemFileText(const ProblemData& data);

// Why the file of the problem would not read back as written, empty when it would: a real so
// large that its data line is longer than the reader takes as one line, such as an EI of 1e122
// or three values of 1e38 in one section.
std::string ProblemFileFault(const ProblemData& data);

// The bytes of the data file for a save to path, or, for a problem whose file would not read
// back (see ProblemFileFault), the save's failure naming path.
FileResult ProblemFileForSave(const ProblemData& data, const std::string& path, std::string& bytes);

// Writes the data file at path, replacing any file of that name. A problem whose file would not
// read back is not written (see ProblemFileFault). Changes nothing in memory; the caller has
// already set fileName to the name that is to appear in the file.
FileResult WriteProblemFile(const ProblemData& data, const std::string& path);

// What a data file may be: the window reads regular files only, as a pipe or a device could
// keep it waiting for ever; the batch command reads pipes too, as command-line tools do.
enum class InputKinds { AnyReadable, RegularFilesOnly };

// Reads the data file at path into data: the texts, counts, EI and width, the first
// sectionCount sections and the force and moment of points 0..sectionCount; the point positions
// then follow from the section lengths. Everything else, the result table and resultsAvailable
// included, is left alone. On failure data is exactly as it was.
FileResult ReadProblemFile(ProblemData& data, const std::string& path,
                           InputKinds kinds = InputKinds::AnyReadable);

// The same reading from bytes already in memory; name is used in the messages only.
FileResult ReadProblemBytes(ProblemData& data, std::string_view bytes, std::string_view name);

class ByteSource;
// The same reading from any source of bytes.
FileResult ReadProblemFrom(ProblemData& data, ByteSource& source, std::string_view name);

}  // namespace pelvar
