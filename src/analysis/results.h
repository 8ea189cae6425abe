#pragma once
// The results of a solved beam: displacement, shear force and bending moment per node, their
// extremes and the six summary texts.

#include <array>
#include <optional>
#include <string>

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
  std::array<double, kMaxNodes> shear{};
  // What the supports give the beam (SupportReactions), stored with the nodes.
  std::array<SupportReaction, kMaxPoints> reactions{};
  // The couples of the rotational springs inside the beam, on each element (SupportReactions).
  std::array<double, kMaxElements> springCouples{};
};

// Copies x, M and w of the solved system into data.nodes[0..elementCount], derives Q, and
// stores the reactions of the staging beside them.
// Returns false, storing nothing, when any of these values is not finite.
bool StoreResults(const BlockSystem& system, const MeshData& mesh, ProblemData& data,
                  ResultStaging& staging);

// Minimum and maximum of w, Q and M over nodes 0..elementCount.
ResultSummary FindExtremes(const ProblemData& data);

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
