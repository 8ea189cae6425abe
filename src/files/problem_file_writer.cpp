#include "files/data_line_scanner.h"
#include "files/paths_and_messages.h"
#include "files/problem_file.h"
#include "files/safe_writer.h"
#include "files/state_names.h"
#include "model/load_cases.h"
#include "text/number_format.h"

namespace pelvar {
namespace {

constexpr std::string_view kRule = "##########################################################";

// A text value as it goes on its line. The reader ends the file at 0x1A and a text at a line
// feed, and a line that starts with "#" is a comment to it, so such a text would shift every
// later value of the file. Those control characters are written as blanks, and a text that
// starts with "#" gets a leading comma, which the reader skips.
std::string TextValue(std::string_view text) {
  std::string value;
  if (!text.empty() && text.front() == '#') value.push_back(',');
  for (const char c : text) value.push_back(c == '\n' || c == '\r' || c == '\x1A' ? ' ' : c);
  return value;
}

// The load cases go between the point lines and the output block: a reader that stops after the
// point lines never sees them and takes the tables as the whole problem, which they are as the
// first case. The block opens with a data line that names it, which no output line does.
template <typename Line, typename ReadLine>
void ComposeLoadCases(const ProblemData& data, const Line& line, const ReadLine& readLine) {
  const LoadCases& cases = data.loadCases;
  const MovingLoad& moving = cases.movingLoad;
  const int sections = data.sectionCount;
  line(kRule);
  line("#  Load Cases");
  line(kRule);
  line("#           Cases Combinations Axles Soil factors");
  line(FormatText("%s,%6d,%6d,%6d,%6d,", kLoadCasesWord, cases.caseCount, cases.combinationCount,
                  moving.axleCount, cases.soilFactorCount));
  for (int c = 0; c < cases.caseCount; ++c) {
    const LoadCase& loadCase = cases.cases[static_cast<std::size_t>(c)];
    line(kRule);
    line(FormatText("#  Case %d", c + 1));
    line(FormatText("%s,", TextValue(loadCase.name.View())));
    const std::string ofCase = " of load case " + FormatText("%d", c + 1);
    // The first case's section and point loads are the tables'.
    if (c > 0) {
      line("#  Section       Load");
      line("#               kN/m\xB2");
      for (int i = 0; i < sections; ++i) {
        readLine(FormatText("%6d,%12.3f,", i + 1, loadCase.sectionLoad[i]),
                 "the load of section " + FormatText("%d", i + 1) + ofCase);
      }
      line("#  Point         F            M");
      line("#               kN           kNm");
      for (int p = 0; p <= sections; ++p) {
        readLine(
            FormatText("%6d,%12.3f,%12.3f,", p, loadCase.pointForce[p], loadCase.pointMoment[p]),
            "a load of point " + FormatText("%d", p) + ofCase);
      }
    }
    const LoadCase loads = CaseLoads(data, c);
    line("#  Loads anywhere");
    line(FormatText("%6d,", loads.anywhereCount));
    if (loads.anywhereCount > 0) {
      line("#  Load        x            F            M");
      line("#              m           kN           kNm");
    }
    for (int l = 0; l < loads.anywhereCount; ++l) {
      const LoadAnywhere& load = loads.anywhere[static_cast<std::size_t>(l)];
      readLine(FormatText("%6d,%12.3f,%12.3f,%12.3f,", l + 1, load.x, load.force, load.moment),
               "a value of load " + FormatText("%d", l + 1) + " anywhere" + ofCase);
    }
  }
  for (int k = 0; k < cases.combinationCount; ++k) {
    const LoadCombination& combination = cases.combinations[static_cast<std::size_t>(k)];
    line(kRule);
    line(FormatText("#  Combination %d", k + 1));
    line(FormatText("%s,", TextValue(combination.name.View())));
    line("#  Case      Factor");
    for (int c = 0; c < cases.caseCount; ++c) {
      readLine(FormatText("%6d,%12.3f,", c + 1, combination.factor[static_cast<std::size_t>(c)]),
               "a factor of combination " + FormatText("%d", k + 1));
    }
  }
  if (moving.axleCount > 0) {
    line(kRule);
    line("#  Moving load");
    line("#        Step Combination");
    line("#           m");
    readLine(FormatText("%12.3f,%6d,", moving.step, moving.combination + 1),
             std::string("the step of the moving load"));
    line("#  Axle        Load      Spacing");
    line("#               kN            m");
    for (int a = 0; a < moving.axleCount; ++a) {
      readLine(FormatText("%6d,%12.3f,%12.3f,", a + 1, moving.axleLoad[static_cast<std::size_t>(a)],
                          moving.spacing[static_cast<std::size_t>(a)]),
               "a value of axle " + FormatText("%d", a + 1));
    }
  }
  if (cases.soilFactorCount > 0) {
    line(kRule);
    line("#  Soil factors");
    for (int f = 0; f < cases.soilFactorCount; ++f) {
      readLine(FormatText("%6d,%12.3f,", f + 1, cases.soilFactors[static_cast<std::size_t>(f)]),
               "soil factor " + FormatText("%d", f + 1));
    }
  }
}

// Lays the file out in out. A real widens its field as far as it needs, and a data line that
// grows beyond the reader's line length would come back in pieces that shift every later value;
// fault then names the first such line of the blocks that are read back.
void ComposeFile(const ProblemData& data, std::string& out, std::string& fault) {
  AssertCountsWithinLimits(data);
  const int sections = data.sectionCount;
  const int elements = data.elementCount;

  out.clear();
  fault.clear();
  out.reserve(2048 + static_cast<std::size_t>(elements + 1) * 60);
  const auto line = [&out](std::string_view text) {
    out.append(text);
    out.append("\r\n");
  };
  const auto readLine = [&](std::string_view text, const std::string& what) {
    // The reader takes the line feed into its line length; the CR it drops.
    if (text.size() + 1 > DataLineScanner::kMaxLine && fault.empty()) {
      fault = what + " has too many digits for the data file";
    }
    line(text);
  };

  line(kRule);
  line("#  Pelvar : Beam on elastic foundation");
  line(kRule);
  line("#  General Data");
  line(kRule);
  line("#  Licensed User");
  line(FormatText("%s,", TextValue(data.licensedUser.View())));
  line("#  File Name");
  line(FormatText("%s,", TextValue(data.fileName.View())));
  line("#  Problem Name");
  line(FormatText("%s,", TextValue(data.problemName.View())));
  // Soil that takes no tension is a fourth value on the counts line, which a reader that takes
  // the line by position skips; without it the file is as it always was.
  if (data.noTension) {
    line("#    Sections  Elements  Version  No tension");
    line(FormatText("  %8d, %8d, %8d, %8d,", sections, elements, data.fileVersion, 1));
  } else {
    line("#    Sections  Elements  Version");
    line(FormatText("  %8d, %8d, %8d,", sections, elements, data.fileVersion));
  }
  line("#      EI             Width");
  line("#     kNm\xB2              m");
  readLine(FormatText("%14.1f,%12.3f,", data.stiffnessEI, data.beamWidth), "EI or the width");

  line(kRule);
  line("#  Sections");
  line(kRule);
  // A section's own EI and width go on after its spring, where a reader that takes the line by
  // position never looks, 0 standing for the general value; the headings name them only where a
  // section has them, so that a file without them is as it always was.
  const bool ownValues = AnySectionHasOwnValues(data);
  if (ownValues) {
    line("#  Section Length       Load        Spring          EI       Width");
    line("#            m          kN/m\xB2        kN/m\xB3         kNm\xB2          m");
  } else {
    line("#  Section Length       Load        Spring");
    line("#            m          kN/m\xB2        kN/m\xB3 ");
  }
  for (int i = 0; i < sections; ++i) {
    const SectionRow& section = data.sections[static_cast<std::size_t>(i)];
    std::string text =
        FormatText("%6d,%9.3f,%12.3f,%12.3f,", i + 1, section.length, section.load, section.spring);
    if (HasOwnValues(section)) {
      text += FormatText("%14.1f,%12.3f,", section.stiffnessEI, section.width);
    }
    readLine(text, "a value of section " + FormatText("%d", i + 1));
  }

  line(kRule);
  line("#  Forces");
  line(kRule);
  // A point's support goes on after its moment, as the sections' own values do: its kind, the
  // springs, the prescribed displacement and rotation.
  if (AnyPointHasSupport(data)) {
    line(
        "#  Point       x            F            M Kind         Spring         Spring"
        "            w        dw/dx");
    line(
        "#              m           kN           kNm               kN/m        kNm/rad"
        "            m          rad");
  } else {
    line("#  Point       x            F            M  ");
    line("#              m           kN           kNm ");
  }
  for (int p = 0; p <= sections; ++p) {
    const PointLoadRow& point = data.points[static_cast<std::size_t>(p)];
    std::string text =
        FormatText("%6d,%12.3f,%12.3f,%12.3f,", p, point.x, point.force, point.moment);
    const PointSupport& support = point.support;
    if (support.kind != SupportKind::None) {
      text += FormatText("%2d,%14.3f,%14.3f,%12.6f,%12.6f,", static_cast<int>(support.kind),
                         support.spring, support.rotationalSpring, support.displacement,
                         support.rotation);
    }
    readLine(text, "a value of point " + FormatText("%d", p));
  }

  if (HasLoadCases(data)) ComposeLoadCases(data, line, readLine);

  // The result table as it stands, whether or not it belongs to the current input. It is never
  // read back, so its lines may be of any length.
  line(kRule);
  line("#  Output ");
  line(kRule);
  line("#  Point    x         w            Q            M  ");
  line("#           m         m            kN          kNm ");
  for (int i = 0; i <= elements; ++i) {
    const ResultNode& node = data.nodes[static_cast<std::size_t>(i)];
    line(FormatText("%6d,%9.3f,%9.3f,%12.3f,%12.3f,", i, node.x, node.w, node.Q, node.M));
  }
  line(kRule);
}

}  // namespace

std::string ProblemFileText(const ProblemData& data) {
  std::string out, fault;
  ComposeFile(data, out, fault);
  return out;
}

std::string ProblemFileFault(const ProblemData& data) {
  std::string out, fault;
  ComposeFile(data, out, fault);
  return fault;
}

FileResult ProblemFileForSave(const ProblemData& data, const std::string& path,
                              std::string& bytes) {
  std::string fault;
  ComposeFile(data, bytes, fault);
  if (!fault.empty()) return {false, "Cannot save " + Quoted(path) + ": " + fault + "."};
  return {true, {}};
}

FileResult WriteProblemFile(const ProblemData& data, const std::string& path) {
  std::string bytes;
  if (FileResult composed = ProblemFileForSave(data, path, bytes); !composed.ok) return composed;
  return WriteFileAtomically(path, bytes);
}

}  // namespace pelvar
