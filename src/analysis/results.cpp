#include "analysis/results.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "text/number_format.h"

namespace pelvar {

namespace {

// The points inside elements where loads anywhere stand, each side of each from the equilibrium
// of its element as the scheme has it: Q changes along the element by the distributed load less
// the springs, evenly, which its ends' values give, and drops by each force; M is the integral
// of Q and rises by each moment. Loads within a thousandth of the element of the one before
// stand at its point with their force's moment about it, as the exact beam joins them. w follows
// from the element's ends and the curvature M/EI of a moment straight between them.
int FindInsideJumps(const ProblemData& data, const MeshData& mesh,
                    std::array<InsideJump, kMaxStateLoadsAnywhere>& out) {
  const int count = mesh.insideCount;
  if (count == 0) return 0;
  std::array<InsideLoad, kMaxStateLoadsAnywhere> loads = mesh.inside;
  std::sort(loads.begin(), loads.begin() + count, [](const InsideLoad& a, const InsideLoad& b) {
    return a.element != b.element ? a.element < b.element : a.fraction < b.fraction;
  });
  int jumps = 0;
  for (int first = 0; first < count;) {
    const int e = loads[static_cast<std::size_t>(first)].element;
    int last = first;
    double forces = 0.0;
    while (last < count && loads[static_cast<std::size_t>(last)].element == e) {
      forces += loads[static_cast<std::size_t>(last++)].force;
    }
    const ResultNode &start = data.nodes[e], &end = data.nodes[e + 1];
    const double h = mesh.elementLength[e];
    const double bend = h * h / (6.0 * mesh.elementStiffness[e]);
    // The change of Q along the whole element that is not the forces'.
    const double change = end.Q + forces - start.QRight;
    double passedForce = 0.0, passedMoment = 0.0, passedArm = 0.0;  // arm: sum of F·a
    for (int i = first; i < last;) {
      const double a = loads[static_cast<std::size_t>(i)].fraction;
      double force = 0.0, moment = 0.0;
      for (; i < last && loads[static_cast<std::size_t>(i)].fraction - a <= 1e-3; ++i) {
        const InsideLoad& load = loads[static_cast<std::size_t>(i)];
        force += load.force;
        moment += load.moment + load.force * (load.fraction - a) * h;
      }
      InsideJump& jump = out[static_cast<std::size_t>(jumps++)];
      ResultNode& at = jump.at;
      jump.element = e;
      at.x = mesh.nodeX[e] + a * h;
      at.Q = start.QRight + change * a - passedForce;
      at.M = start.MRight +
             h * (start.QRight * a + 0.5 * change * a * a - (passedForce * a - passedArm)) +
             passedMoment;
      at.QRight = at.Q - force;
      at.MRight = at.M + moment;
      at.w = (1.0 - a) * start.w + a * end.w +
             bend * a * (1.0 - a) * ((2.0 - a) * start.MRight + (1.0 + a) * end.M);
      passedForce += force;
      passedArm += force * a;
      passedMoment += moment;
    }
    first = last;
  }
  return jumps;
}

}  // namespace

bool StoreResults(const BlockSystem& system, const MeshData& mesh, ProblemData& data,
                  ResultStaging& staging) {
  const int n = data.elementCount;

  // The moments either side of every node. A point moment inside the beam acts as two half
  // couples on the elements either side (BuildMesh), and so does a rotational spring's moment,
  // which puts the node's M halfway through the jump; where a support holds the rotation, the
  // node's two moments were unknowns of their own.
  std::array<double, kMaxNodes>&mLeft = staging.momentLeft, &mRight = staging.momentRight;
  for (int j = 0; j <= n; ++j) {
    const double m = system.rows[j].rhs[0];
    mLeft[j] = mRight[j] = m;
    if (j == 0 || j == n) continue;
    if (mesh.rotationHeldInside && system.heldRight[j]) {
      mRight[j] = system.momentRight[j];
      continue;
    }
    const double half = 0.5 * mesh.nodeMoment[j];
    mLeft[j] = m - half - staging.springHalves[j][0];
    mRight[j] = m + half + staging.springHalves[j][1];
  }

  // The shear force either side of every node: a support's reaction pushes the beam up.
  const auto drop = [&](int j) {
    const int point = mesh.nodePoint[j];
    return point < 0 ? mesh.nodeLoad[j] : mesh.nodeLoad[j] - staging.reactions[point].force;
  };
  std::array<double, kMaxNodes>&qLeft = staging.shear, &qRight = staging.shearRight;
  DeriveShear(
      n, mesh, mLeft.data(), mRight.data(), drop, [&](int e) { return mesh.insideForceShift[e]; },
      qLeft.data(), qRight.data());

  // Stays 0 while every value is finite: 0·inf and 0·nan are not numbers.
  double probe = 0.0;
  for (int j = 0; j <= n; ++j) {
    probe += 0.0 * system.rows[j].rhs[1] + 0.0 * mLeft[j] + 0.0 * mRight[j] +
             (0.0 * qLeft[j] + 0.0 * qRight[j] + 0.0 * mesh.nodeX[j]);
  }
  for (const SupportReaction& r : staging.reactions) probe += 0.0 * r.force + 0.0 * r.moment;
  if (probe != 0.0) return false;

  for (int j = 0; j <= n; ++j) {
    ResultNode& node = data.nodes[j];
    node.x = mesh.nodeX[j];
    node.w = system.rows[j].rhs[1];
    node.M = mLeft[j];
    node.MRight = mRight[j];
    node.Q = qLeft[j];
    node.QRight = qRight[j];
  }
  data.insideJumpCount = FindInsideJumps(data, mesh, data.insideJumps);
  data.reactions = staging.reactions;
  return true;
}

ResultSummary FindExtremes(const ProblemData& data) {
  const ResultNode& first = data.nodes[0];
  ResultSummary s{first.w, first.w, first.Q, first.Q, first.M, first.M};
  AssertCountsWithinLimits(data);
  const auto take = [&s](const ResultNode& node) {
    if (node.w > s.maxW) s.maxW = node.w;
    if (node.w < s.minW) s.minW = node.w;
    for (const double q : {node.Q, node.QRight}) {
      if (q > s.maxQ) s.maxQ = q;
      if (q < s.minQ) s.minQ = q;
    }
    for (const double m : {node.M, node.MRight}) {
      if (m > s.maxM) s.maxM = m;
      if (m < s.minM) s.minM = m;
    }
  };
  const int last = data.elementCount;
  for (int j = 0; j <= last; ++j) take(data.nodes[j]);
  for (int i = 0; i < data.insideJumpCount; ++i) take(data.insideJumps[i].at);
  return s;
}

std::vector<ResultRow> ResultRows(const ProblemData& data) {
  AssertCountsWithinLimits(data);
  std::vector<ResultRow> rows;
  const auto add = [&rows](const ResultNode& at, int node) {
    if (!Jumps(at)) {
      rows.push_back({at.x, at.w, at.Q, at.M, node, JumpSide::None});
      return;
    }
    rows.push_back({at.x, at.w, at.Q, at.M, node, JumpSide::Left});
    rows.push_back({at.x, at.w, at.QRight, at.MRight, node, JumpSide::Right});
  };
  int inside = 0;
  for (int j = 0; j <= data.elementCount; ++j) {
    add(data.nodes[j], j);
    for (; inside < data.insideJumpCount && data.insideJumps[inside].element == j; ++inside) {
      add(data.insideJumps[inside].at, -1);
    }
  }
  return rows;
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
