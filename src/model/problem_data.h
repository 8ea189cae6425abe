#pragma once
// ProblemData: the one in-memory record of the problem being edited, with its limits, its
// defaults and the rule that derives the point positions from the section lengths.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace pelvar {

// Capacities of the fixed tables.
inline constexpr int kMaxSections = 20;
inline constexpr int kMaxPoints = kMaxSections + 1;
inline constexpr int kMaxElements = 1000;
inline constexpr int kMaxNodes = kMaxElements + 1;

// Limits of the counts and reals, applied where values enter (tables and file reader).
inline constexpr int kMinSections = 1;
inline constexpr int kMinElements = 10;
inline constexpr double kMinStiffness = 0.1;  // kNm²
inline constexpr double kMinWidth = 0.001;    // m
inline constexpr double kMinLength = 0.001;   // m

// A text field of the problem: Windows-1252 bytes, at most 59 of them (the 60-byte fields of
// the data file's origin, less the terminator). Assigning a longer text keeps its first 59.
class ShortText {
 public:
  static constexpr std::size_t kCapacity = 59;

  ShortText() = default;
  ShortText(std::string_view text) { Set(text); }  // NOLINT: implicit on purpose
  void Set(std::string_view text);
  std::string_view View() const { return {bytes_.data(), size_}; }
  bool operator==(const ShortText& other) const { return View() == other.View(); }

 private:
  std::array<char, kCapacity> bytes_{};
  std::size_t size_ = 0;
};

// One beam section; section number k on screen is table index k - 1.
struct SectionRow {
  double length = 10.0;  // m, at least 0.001
  double load = 10.0;    // kN/m², at least 0
  double spring = 0.0;   // kN/m³, at least 0
  // The section's own EI (kNm², at least kMinStiffness) and width (m, at least kMinWidth): a
  // stepped footing, a pile's casing, a cracked part. 0 stands for the general data's value.
  double stiffnessEI = 0.0;
  double width = 0.0;
};

// How a point of the beam is held. The codes are those of the data file.
enum class SupportKind : std::int32_t {
  None = 0,     // free, as every point is unless told otherwise
  Pinned = 1,   // w held, free to rotate
  Fixed = 2,    // w and the slope held
  Guided = 3,   // the slope held, free to move (a pile head held by its cap)
  Elastic = 4,  // a translational and a rotational spring
};
inline constexpr std::int32_t kLargestSupportCode = 4;
// "none", "pinned", "fixed", "guided" or "elastic".
std::string_view SupportKindName(SupportKind kind);
bool HoldsDisplacement(SupportKind kind);
bool HoldsRotation(SupportKind kind);

// The support at a point. Forces, moments, displacements and rotations take the signs of the
// point loads: a reaction force is positive where it pushes the beam up (against a positive
// load), a reaction moment positive as a positive point moment M; the prescribed displacement is
// in the sign of w (positive down) and the prescribed rotation in the sign of dw/dx.
struct PointSupport {
  SupportKind kind = SupportKind::None;
  double spring = 0.0;            // kN/m, Elastic, at least 0
  double rotationalSpring = 0.0;  // kNm/rad, Elastic, at least 0
  // Where w (the slope) is held, its value; of an elastic support, that of the springs' base:
  // the springs give kt·(w - displacement) and kr·(θ - rotation).
  double displacement = 0.0;  // m
  double rotation = 0.0;      // rad
  bool operator==(const PointSupport&) const = default;
};

// One point at a section end; point 0 is the left end of the beam.
struct PointLoadRow {
  double x = 0.0;       // m, derived from the section lengths
  double force = 0.0;   // kN
  double moment = 0.0;  // kNm
  PointSupport support{};
};

// What a support gives the beam, in the signs of PointSupport.
struct SupportReaction {
  double force = 0.0;   // kN
  double moment = 0.0;  // kNm
};

// One node of the solved beam. Where Q or M jumps at the node (a force, a moment, a support),
// Q and M are the values just left of it and QRight and MRight those just right of it, the
// section an engineer designs for may be either; elsewhere the two sides are equal. At the ends
// both sides are the beam's own value: at node 0 the value just right of the left end.
struct ResultNode {
  double x = 0.0;  // m
  double w = 0.0;  // m, displacement, positive in the direction of the loads
  double Q = 0.0;  // kN, shear force
  double M = 0.0;  // kNm, bending moment
  double QRight = 0.0;
  double MRight = 0.0;
};

// Whether Q or M jumps at a node or a point of the results.
inline bool Jumps(const ResultNode& node) { return node.Q != node.QRight || node.M != node.MRight; }

// A point inside an element where a load anywhere makes Q (a force) or M (a moment) jump: its
// values either side, as ResultNode holds them, from the equilibrium of the element.
struct InsideJump {
  int element = 0;
  ResultNode at;
};

// The exact solution of the continuous beam at one node: w, and Q and M just left and just
// right of it, which differ only at a point with a force or a moment.
struct ExactNode {
  double w = 0.0;
  double QLeft = 0.0, QRight = 0.0;
  double MLeft = 0.0, MRight = 0.0;
};

// How close the scheme's w, Q and M come to the exact continuous beam at the nodes, each as a
// fraction of the quantity's own size; not available where double precision cannot give the
// exact solution reliably.
struct ResultAccuracy {
  bool available = false;
  double w = 0.0, Q = 0.0, M = 0.0;
};

// Load cases, their combinations, a moving load and the range of the soil's stiffness: the
// states a design is checked for (model/load_cases.h works with them). The loads of the tables
// (q of every section, F and M of every point) are the first case; more cases carry their own.
// A combination is a named sum of cases with factors (1.35 × dead + 1.5 × live). A moving load
// is a group of axles moved along the beam, alone or on top of a combination. Every state is
// also solved with the soil's springs scaled by each soil factor (0.5, 1 and 2: the sensitivity
// to a spring modulus that is never known well).
inline constexpr int kMaxLoadCases = 20;
inline constexpr int kMaxCombinations = 50;
inline constexpr int kMaxLoadsAnywhere = 20;  // of one case
inline constexpr int kMaxAxles = 20;
inline constexpr int kMaxPositions = 10000;  // of the moving load
inline constexpr int kMaxSoilFactors = 10;
// What one state can gather: the loads anywhere of every case and the axles.
inline constexpr int kMaxStateLoadsAnywhere = kMaxLoadCases * kMaxLoadsAnywhere + kMaxAxles;

// A point force and moment at any x along the beam, not only at a section border.
struct LoadAnywhere {
  double x = 0.0;       // m from the left end
  double force = 0.0;   // kN, positive along w
  double moment = 0.0;  // kNm, as a point's moment
};

struct LoadCase {
  ShortText name;
  // The case's loads; for the first case the tables and ProblemData::loadsAnywhere hold them.
  std::array<double, kMaxSections> sectionLoad{};  // q, kN/m²
  std::array<double, kMaxPoints> pointForce{};     // kN
  std::array<double, kMaxPoints> pointMoment{};    // kNm
  int anywhereCount = 0;                           // at most kMaxLoadsAnywhere
  std::array<LoadAnywhere, kMaxLoadsAnywhere> anywhere{};
};

struct LoadCombination {
  ShortText name;
  std::array<double, kMaxLoadCases> factor{};  // of each case
};

// Axles in their order along the beam, the first one leading: it enters at the left end and the
// group moves right in steps until the last axle leaves at the right end.
struct MovingLoad {
  int axleCount = 0;                         // 0: no moving load
  std::array<double, kMaxAxles> axleLoad{};  // kN, positive along w
  std::array<double, kMaxAxles> spacing{};   // m, from each axle to the next one behind it
  double step = 0.0;                         // m; 0: the length of an element
  int combination = -1;                      // the combination it rides on; -1: alone
};

struct LoadCases {
  int caseCount = 1;  // the first case is always there
  std::array<LoadCase, kMaxLoadCases> cases{};
  // Without combinations every case counts as one of its own.
  int combinationCount = 0;
  std::array<LoadCombination, kMaxCombinations> combinations{};
  MovingLoad movingLoad;
  // Without soil factors the springs count as given.
  int soilFactorCount = 0;
  std::array<double, kMaxSoilFactors> soilFactors{};
};

// A ProblemData is always within its limits: sectionCount in kMinSections..kMaxSections and
// elementCount in kMinElements..kMaxElements. The limits are applied where data enters: the
// tables clamp what is typed, the file reader clamps the element count and refuses a section
// count outside its range, and the defaults lie inside. Code that walks the tables by the counts
// relies on this instead of clamping again, and states it with AssertCountsWithinLimits.
struct ProblemData {
  ShortText licensedUser;
  ShortText fileName;
  ShortText problemName;
  std::int32_t sectionCount = 3;    // 1..20
  std::int32_t elementCount = 100;  // 10..1000
  std::int32_t fileVersion = 2000;
  double stiffnessEI = 1000000.0;  // kNm²
  double beamWidth = 1.0;          // m
  // Soil that takes no tension: an element's springs act only while the beam presses on the
  // soil there, and the beam may lift off elsewhere. Off, the springs act both ways.
  bool noTension = false;
  std::array<SectionRow, kMaxSections> sections{};
  std::array<PointLoadRow, kMaxPoints> points{};
  // Point loads at any x: the first case's (at most kMaxLoadsAnywhere), as the tables hold its
  // other loads, or those of a state that a design run solves (ApplyDesignState), which gathers
  // those of every case and axle.
  int loadsAnywhereCount = 0;
  std::array<LoadAnywhere, kMaxStateLoadsAnywhere> loadsAnywhere{};
  LoadCases loadCases;
  std::array<ResultNode, kMaxNodes> nodes{};
  // The points inside elements where loads anywhere stand, in their order along the beam.
  int insideJumpCount = 0;
  std::array<InsideJump, kMaxStateLoadsAnywhere> insideJumps{};
  // Beside the results, written with them: the exact continuous solution at the same nodes and
  // how close the results come to it.
  std::array<ExactNode, kMaxNodes> exactNodes{};
  ResultAccuracy accuracy;
  // With noTension: the elements whose springs the beam lifted off, and the rounds it took to
  // settle the contact (1 when nothing lifts; 1 without noTension).
  // What each point's support gives the beam; 0 where it has none.
  std::array<SupportReaction, kMaxPoints> reactions{};
  std::array<bool, kMaxElements> liftedOff{};
  int contactRounds = 0;
  bool resultsAvailable = false;

  ProblemData();
};

// The limits as every entry point applies them (the tables, the file reader): a count is held
// within its range, and a real below its least value (text without a number reads as 0) is
// raised to it. AtLeast(-0.0, 0.0) is +0.0, so a typed "-0" never shows as "-0.000".
std::int32_t ClampSectionCount(std::int32_t count);
std::int32_t ClampElementCount(std::int32_t count);
double AtLeast(double value, double least);

// The precondition of every walk over the tables, checked in every build type: counts outside
// their limits are a fault of the program, never of its input, and throw std::logic_error
// (which the window reports) rather than let a table be read or written beyond its end.
inline void AssertCountsWithinLimits(const ProblemData& data) {
  if (data.sectionCount < kMinSections || data.sectionCount > kMaxSections ||
      data.elementCount < kMinElements || data.elementCount > kMaxElements) {
    throw std::logic_error("The problem's counts are outside their limits.");
  }
}

// The EI and the width section i is calculated with: its own, or the general data's.
double SectionStiffness(const ProblemData& data, int i);
double SectionWidth(const ProblemData& data, int i);
// Whether a section, or any of the problem's sections, has an EI or a width of its own.
bool HasOwnValues(const SectionRow& section);
bool AnySectionHasOwnValues(const ProblemData& data);
// An own value as every entry point takes it: 0 (or less, or not a number) for the general
// data's value, else at least least.
double OwnValue(double value, double least);

// Whether any point of the problem has a support.
bool AnyPointHasSupport(const ProblemData& data);

// Recomputes x of all 21 points from the lengths of all 20 sections, hidden ones included, so
// the hidden points continue the beam.
void UpdatePointPositions(ProblemData& data);

// Puts the demonstration problem back: every input field to its default, resultsAvailable
// cleared. The result table is left as it is.
void ResetToDefaults(ProblemData& data);

}  // namespace pelvar
