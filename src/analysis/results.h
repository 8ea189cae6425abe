#pragma once
// The results of a solved beam: displacement, shear force and bending moment per node, their
// extremes and the six summary texts.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/mesh.h"
#include "model/problem_data.h"

namespace pelvar {

struct ResultSummary {
  double minW = 0.0, maxW = 0.0;
  double minQ = 0.0, maxQ = 0.0;
  double minM = 0.0, maxM = 0.0;
};

// Scratch space for results that are checked before they reach the result table.
struct ResultStaging {
  std::array<double, kMaxNodes> shear{}, shearRight{};  // either side of every node
  // What the supports give the beam (SupportReactions), stored with the nodes.
  std::array<SupportReaction, kMaxPoints> reactions{};
  // The couples of the rotational springs inside the beam, either side of each node
  // (SupportReactions).
  SpringHalves springHalves{};
  // The moments either side of every node.
  std::array<double, kMaxNodes> momentLeft{}, momentRight{};
};

// Copies x, M and w of the solved system into data.nodes[0..elementCount], derives Q, both
// sides of every node where Q or M jumps, and the points inside elements where loads anywhere
// stand (data.insideJumps), and stores the reactions of the staging beside them.
// Returns false, storing nothing, when any of these values is not finite.
bool StoreResults(const BlockSystem& system, const MeshData& mesh, ProblemData& data,
                  ResultStaging& staging);

// The shear force either side of every node from the moments either side of the nodes and the
// loads, for one solution (StoreResults) and for the kLanes solutions of a moving load's
// positions alike (Value Lanes). Over an element the mean shear force is the change of M less the
// moments inside it, over h: the mean of the values right of its left node and left of its right
// node, shifted by each force inside it by that force times its place's share of the element
// beyond the middle (insideShift(e)). Across node j it drops by drop(j), the node's force less a
// support's reaction; at the ends both sides are the beam's own.
template <typename Value, typename Drop, typename InsideShift>
[[gnu::always_inline]] inline void DeriveShear(int n, const MeshData& mesh, const Value* mLeft,
                                               const Value* mRight, const Drop& drop,
                                               const InsideShift& insideShift, Value* qLeft,
                                               Value* qRight) {
  // 0.0 - F: no force must not show as "-0.000".
  qRight[0] = qLeft[0] = 0.0 - drop(0);
  for (int j = 1; j <= n; ++j) {
    qLeft[j] = (mLeft[j] - mRight[j - 1] - mesh.insideMoment[j - 1]) * 2.0 *
                   mesh.elementInverseLength[j - 1] -
               qRight[j - 1] - 2.0 * insideShift(j - 1);
    qRight[j] = j < n ? qLeft[j] - drop(j) : qLeft[j];
  }
}

// Minimum and maximum of w, Q and M over nodes 0..elementCount, both sides of every jump, and
// the points inside elements.
ResultSummary FindExtremes(const ProblemData& data);

// One row of the results along the beam, as the tables and the diagrams show them: a node, or a
// point inside an element where a load anywhere stands; where Q or M jumps, each side a row of
// its own at the same x, the left one first.
enum class JumpSide { None, Left, Right };
struct ResultRow {
  double x = 0.0, w = 0.0, Q = 0.0, M = 0.0;
  int node = -1;  // -1 inside an element
  JumpSide side = JumpSide::None;
};
std::vector<ResultRow> ResultRows(const ProblemData& data);

// The larger of two sides in magnitude, the one a section is designed for (the left one where
// both are as large).
inline double LargerSide(double left, double right) {
  return (right < 0.0 ? -right : right) > (left < 0.0 ? -left : left) ? right : left;
}

// The screen sets the six values in one column: the blanks after each colon fill its label out
// to this width, with one blank more. The printed report keeps a single blank (label width 0).
inline constexpr int kSummaryLabelWidth = 20;

// "Minimum displacement : %12.3f m" and the five others, in the order min w, max w, min Q,
// max Q, min M, max M; the shorter labels get the blanks that labelWidth asks for after the colon.
std::array<std::string, 6> SummaryTexts(const ResultSummary& summary,
                                        int labelWidth = kSummaryLabelWidth);

// Beyond this share of its size, a result's difference from the exact continuous beam is worth
// a warning: the engineer would see it in the numbers printed.
inline constexpr double kAccuracyWarningShare = 0.01;

// What stands wherever the accuracy figures would, for a beam whose exact solution could not be
// had (values near the range of doubles): the tool bar, the results window, the report and
// pelvar-batch all say it in these words.
inline constexpr const char* kAccuracyNotAvailable =
    "The accuracy against the exact beam is not available for this beam.";

// The largest share that a text shows as a number; beyond it the texts say kBeyondShownAccuracy.
// A difference measured against exact values that are all but nil at every node (w on a mesh
// far too coarse for its springs, where the beam moves only between the nodes) runs to millions
// of per cent, which tells nothing more than this. The JSON keeps the full figure.
inline constexpr double kLargestShownAccuracyShare = 10.0;
inline constexpr const char* kBeyondShownAccuracy = "more than 1000 %";

// One line that tells the engineer how far the least accurate of w, Q and M is from the exact
// continuous beam and what helps, where that exceeds kAccuracyWarningShare, and that the figures
// are not available where they are not; nothing otherwise.
std::optional<std::string> AccuracyWarning(const ProblemData& data);

}  // namespace pelvar
