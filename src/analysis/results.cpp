#include "analysis/results.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "text/number_format.h"

namespace pelvar {

bool StoreResults(const BlockSystem& system, const MeshData& mesh, ProblemData& data,
                  ResultStaging& staging) {
  const int n = data.elementCount;

  // The shear force at node 0 is the value just right of the left end; at every later node the
  // value just left of it. The mean over an element, (M_j - M_j-1)/h, is the average of the
  // value right of node j-1 and the value left of node j. An element that carries a point
  // moment as a couple has the moment's jump in M_j - M_j-1 and the couple's two forces on its
  // nodes: both are taken out, so that the shear force runs on unbroken across the moment.
  // 0.0 - F rather than -F: no force must not show as a shear force of "-0.000".
  // A support's force acts on its node as a force against the loads.
  const auto reaction = [&](int j) {
    const int point = mesh.nodePoint[j];
    return point < 0 ? 0.0 : staging.reactions[point].force;
  };
  const double endForce = data.points[0].force + mesh.endForce[0];
  staging.shear[0] = mesh.supported ? reaction(0) - endForce : 0.0 - endForce;
  // Stays 0 while every value is finite: 0·inf and 0·nan are not numbers.
  double probe = 0.0 * staging.shear[0];
  double coupleBefore = 0.0;  // the couple's force of the element before, on its right node
  for (int j = 1; j <= n; ++j) {
    const double inverseH = mesh.elementInverseLength[j - 1];
    const double couple = mesh.elementMoment[j - 1] * inverseH;
    double forceBefore = mesh.nodeForce[j - 1] + couple - coupleBefore;
    // The left end's reaction is in shear[0] already, as its force is.
    if (mesh.supported && j > 1) forceBefore -= reaction(j - 1);
    const double mLeft = MomentAtElementEnd(mesh, system, j - 1, j - 1);
    const double mRight = system.rows[j].rhs[0];
    // A rotational spring's couple is taken out of the moment's change as a point moment's is;
    // its forces on the nodes are in the supports' reactions.
    const double moment = mesh.elementMoment[j - 1] +
                          (mesh.rotationalSpringsInside ? staging.springCouples[j - 1] : 0.0);
    staging.shear[j] =
        (mRight - mLeft - moment) * 2.0 * inverseH + (forceBefore - staging.shear[j - 1]);
    coupleBefore = couple;
  }
  // A force inside an element is shared by its two nodes in the equations, which gives the
  // moments at the nodes as the force itself would; the shear force left of the element's right
  // node has passed all of it, not only the left node's share.
  for (int l = 0; l < data.loadsAnywhereCount; ++l) {
    const LoadPlace place = PlaceOnMesh(mesh, n, data.loadsAnywhere[l].x);
    if (place.node < 0)
      staging.shear[place.element + 1] -= data.loadsAnywhere[l].force * place.fraction;
  }
  for (int j = 0; j <= n; ++j) {
    probe += 0.0 * system.rows[j].rhs[0] + 0.0 * system.rows[j].rhs[1] +
             (0.0 * staging.shear[j] + 0.0 * mesh.nodeX[j]);
  }
  for (const SupportReaction& r : staging.reactions) probe += 0.0 * r.force + 0.0 * r.moment;
  if (probe != 0.0) return false;

  for (int j = 0; j <= n; ++j) {
    ResultNode& node = data.nodes[j];
    node.x = mesh.nodeX[j];
    node.M = system.rows[j].rhs[0];
    // Where a support holds the rotation inside the beam the moment jumps by its reaction; the
    // node shows the side of the larger magnitude, the one a section is designed for.
    if (mesh.rotationHeldInside && j < n) {
      const double right = MomentAtElementEnd(mesh, system, j, j);
      if (std::fabs(right) > std::fabs(node.M)) node.M = right;
    }
    node.w = system.rows[j].rhs[1];
    node.Q = staging.shear[j];
  }
  data.reactions = staging.reactions;
  return true;
}

ResultSummary FindExtremes(const ProblemData& data) {
  const ResultNode& first = data.nodes[0];
  ResultSummary s{first.w, first.w, first.Q, first.Q, first.M, first.M};
  AssertCountsWithinLimits(data);
  const int last = data.elementCount;
  for (int j = 0; j <= last; ++j) {
    const ResultNode& node = data.nodes[j];
    if (node.w > s.maxW) s.maxW = node.w;
    if (node.w < s.minW) s.minW = node.w;
    if (node.Q > s.maxQ) s.maxQ = node.Q;
    if (node.Q < s.minQ) s.minQ = node.Q;
    if (node.M > s.maxM) s.maxM = node.M;
    if (node.M < s.minM) s.minM = node.M;
  }
  return s;
}

std::array<std::string, 6> SummaryTexts(const ResultSummary& s, int labelWidth) {
  struct Line {
    std::string_view label;
    double value;
    std::string_view unit;
  };
  const Line lines[6] = {
      {"Minimum displacement", s.minW, "m"}, {"Maximum displacement", s.maxW, "m"},
      {"Minimum shear force", s.minQ, "kN"}, {"Maximum shear force", s.maxQ, "kN"},
      {"Minimum moment", s.minM, "kNm"},     {"Maximum moment", s.maxM, "kNm"},
  };
  std::array<std::string, 6> texts;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const int fill = std::max(0, labelWidth - static_cast<int>(lines[i].label.size()));
    texts[i] = std::string(lines[i].label) + " :" + std::string(1 + fill, ' ') +
               FormatText("%12.3f %s", lines[i].value, lines[i].unit);
  }
  return texts;
}

std::optional<std::string> AccuracyWarning(const ProblemData& data) {
  const ResultAccuracy& accuracy = data.accuracy;
  if (!accuracy.available) return std::string("Warning : ") + kAccuracyNotAvailable;
  struct Figure {
    const char* name;
    double share;
  };
  const Figure figures[] = {{"w", accuracy.w}, {"Q", accuracy.Q}, {"M", accuracy.M}};
  const Figure* worst = &figures[0];
  for (const Figure& figure : figures) {
    if (figure.share > worst->share) worst = &figure;
  }
  if (!(worst->share > kAccuracyWarningShare)) return std::nullopt;
  const bool more = data.elementCount < kMaxElements;
  if (worst->share > kLargestShownAccuracyShare) {
    // So far off that only a much finer mesh tells anything: the remedy in so many words.
    return more ? FormatText("Warning : %s is %s off the exact beam; raise the number of elements.",
                             worst->name, kBeyondShownAccuracy)
                : FormatText("Warning : %s is %s off the exact beam; %d elements is the most.",
                             worst->name, kBeyondShownAccuracy, kMaxElements);
  }
  if (more) {
    return FormatText(
        "Warning : %s is up to %.1f %% off the exact beam; more elements bring it closer.",
        worst->name, 100.0 * worst->share);
  }
  return FormatText("Warning : %s is up to %.1f %% off the exact beam; %d elements is the most.",
                    worst->name, 100.0 * worst->share, kMaxElements);
}

}  // namespace pelvar
