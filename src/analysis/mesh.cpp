#include "analysis/mesh.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "analysis/mesh_loads.h"
#include "analysis/residual.h"

namespace pelvar {

LoadPlace PlaceOnMesh(const MeshData& mesh, int elementCount, double x) {
  const int n = elementCount;
  LoadPlace place;
  if (!(x > mesh.nodeX[0])) {
    place.node = 0;
    return place;
  }
  if (!(x < mesh.nodeX[n])) {
    place.node = n;
    return place;
  }
  // The element whose span holds x: the last node at or before it.
  const int e = static_cast<int>(
      std::upper_bound(mesh.nodeX.begin(), mesh.nodeX.begin() + n + 1, x) - mesh.nodeX.begin() - 1);
  const double h = mesh.elementLength[e];
  const double fromLeft = x - mesh.nodeX[e], toRight = mesh.nodeX[e + 1] - x;
  if (fromLeft <= 1e-3 * h) {
    place.node = e;
    place.offset = fromLeft;
  } else if (toRight <= 1e-3 * h) {
    place.node = e + 1;
    place.offset = -toRight;
  } else {
    place.element = e;
    place.fraction = fromLeft / h;
  }
  return place;
}

std::optional<int> BuildMesh(const ProblemData& data, MeshData& mesh) {
  const int m = data.sectionCount;
  const int n = data.elementCount;

  double totalLength = 0.0;
  for (int i = 0; i < m; ++i) totalLength += data.sections[i].length;

  mesh.nodeX[0] = 0.0;
  for (int j = 0; j <= n; ++j) mesh.nodeForce[j] = mesh.nodeMoment[j] = 0.0;
  mesh.endForce[0] = mesh.endForce[1] = mesh.endMoment[0] = mesh.endMoment[1] = 0.0;
  for (int j = 0; j < n; ++j) {
    mesh.elementMoment[j] = mesh.elementMomentShift[j] = 0.0;
    mesh.insideMoment[j] = mesh.insideForceShift[j] = 0.0;
  }
  for (int j = 0; j <= n; ++j) mesh.nodeLoad[j] = 0.0;
  mesh.nodeLoad[0] = data.points[0].force;
  mesh.pointNode[0] = 0;
  for (int j = 0; j <= n; ++j) mesh.nodePoint[j] = -1;
  mesh.nodePoint[0] = 0;
  mesh.supported = AnyPointHasSupport(data);
  mesh.rotationalSpringsInside = false;
  mesh.rotationHeldInside = false;
  mesh.pinnedInside = false;
  for (int p = 1; p < m; ++p) {
    const PointSupport& support = data.points[p].support;
    if (support.kind == SupportKind::Elastic && support.rotationalSpring != 0.0) {
      mesh.rotationalSpringsInside = true;
    }
    mesh.rotationHeldInside = mesh.rotationHeldInside || HoldsRotation(support.kind);
    mesh.pinnedInside = mesh.pinnedInside || support.kind == SupportKind::Pinned;
  }

  int a = 0;  // first node of the current section
  for (int i = 0; i < m; ++i) {
    const SectionRow& section = data.sections[i];
    // The section's share of the elements, rounded half up; the quotient comes first so the
    // rounding is that of the share, not of a product of lengths. A share that is not a number
    // (lengths beyond the double range) counts as the minimum of one element.
    const double share = std::floor((section.length / totalLength) * n + 0.5);
    int c = share >= 1.0 ? (share <= n ? static_cast<int>(share) : n) : 1;
    // The last section absorbs the rounding of all the others.
    if (a + c > n || i == m - 1) c = n - a;
    if (c < 1) return i;

    const double h = section.length / c;
    const double inverseH = 1.0 / h;
    const double b = SectionWidth(data, i);
    const double stiffness = SectionStiffness(data, i);
    // From the section's start, and its end where the next section starts: added up element by
    // element, the positions would gather rounding (14.99999999999996 for an end at 15 m).
    const double start = mesh.nodeX[a];
    for (int j = a; j < a + c; ++j) {
      mesh.nodeX[j + 1] = j + 1 < a + c ? start + (j + 1 - a) * h : start + section.length;
      mesh.elementLength[j] = h;
      mesh.elementInverseLength[j] = inverseH;
      mesh.elementStiffness[j] = stiffness;
      mesh.elementSpring[j] = section.spring * h * b;
      mesh.elementLoad[j] = section.load * h * b;
      mesh.elementSection[j] = i;
    }
    a += c;
    mesh.pointNode[i + 1] = a;
    mesh.nodePoint[a] = i + 1;
    mesh.nodeLoad[a] = data.points[i + 1].force;

    if (i < m - 1) {
      // An interior point sits at node a, its force on that node. Its moment acts as two half
      // couples, ±M/(2h) on the two nodes of each element that meets at the point, which puts
      // the moment at the point itself rather than half an element before it. Contributions
      // are added: a section of one element between two points carries a half of each.
      // A support that holds the rotation there takes the moment in whole: the beam either side
      // keeps its held slope, and only the support's reaction changes.
      const PointLoadRow& point = data.points[i + 1];
      mesh.nodeForce[a] += point.force;
      mesh.nodeMoment[a] += point.moment;
      const double half = HoldsRotation(point.support.kind) ? 0.0 : 0.5 * point.moment;
      mesh.elementMoment[a - 1] += half;
      mesh.elementMoment[a] += half;
    }
  }
  mesh.insideCount = 0;
  for (int l = 0; l < data.loadsAnywhereCount; ++l) {
    AddLoadAnywhere(data, mesh, data.loadsAnywhere[l], mesh);
  }
  // The couples of the elements into the node forces, once all halves are in.
  for (int j = 0; j < n; ++j) AddCouple(mesh, j, mesh.elementMoment[j], mesh);
  return std::nullopt;
}

namespace {

// The equations of node j, 0 <= j <= elementCount, of a beam free at every point.
inline void FillFreeRow(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row) {
  const int n = data.elementCount;
  if (j == 0 || j == n) [[unlikely]] {
    row = BlockRow{};
    // Free ends: the end moment is prescribed, and the half element at the end is in
    // equilibrium (written twice over). A couple of the first or last element puts one of its
    // forces on the end node, which counts as the end's own force.
    const int m = data.sectionCount;
    const int neighbour = j == 0 ? 1 : n - 1;
    const int element = j == 0 ? 0 : n - 1;
    const PointLoadRow& point = data.points[j == 0 ? 0 : m];
    const double k = mesh.elementSpring[element];
    row.entryCount = 2;
    row.columnNode = {j, neighbour, 0};
    row.block[0][0][0] = 1.0;
    // 0.0 - M rather than -M: no end moment must not show as a moment of "-0.000".
    const std::array<double, 2> loads = RowLoadTerms(mesh, mesh, n, j);
    row.rhs[0] = (j == 0 ? point.moment : 0.0 - point.moment) + loads[0];
    row.block[0][1][0] = 2.0 * mesh.elementInverseLength[element];
    row.block[0][1][1] = 0.5 * k;
    row.block[1][1][0] = -2.0 * mesh.elementInverseLength[element];
    row.block[1][1][1] = 0.5 * k;
    row.rhs[1] = 2.0 * point.force + loads[1] + mesh.elementLoad[element];
    return;
  }

  // Interior nodes: entry 0 is the node itself, entry 1 its left and entry 2 its right neighbour.
  const double hL = mesh.elementLength[j - 1], hR = mesh.elementLength[j];
  // 1/(4·EI) of either element; on one EI the sum of the lengths is taken once, as it always was.
  const double fL = 0.25 / mesh.elementStiffness[j - 1], fR = 0.25 / mesh.elementStiffness[j];
  const double bothSides = fL == fR ? (hL + hR) * fL : hL * fL + hR * fR;
  const double iL = mesh.elementInverseLength[j - 1], iR = mesh.elementInverseLength[j];
  const double kL = mesh.elementSpring[j - 1], kR = mesh.elementSpring[j];
  const double pL = mesh.elementLoad[j - 1], pR = mesh.elementLoad[j];
  row.entryCount = 3;
  row.columnNode = {j, j - 1, j + 1};

  const std::array<double, 2> loads = RowLoadTerms(mesh, mesh, n, j);
  // Vertical equilibrium: jump of the shear force = spring force - load - node force.
  row.block[0][0][0] = -iR - iL;
  row.block[0][0][1] = -(kL + kR) * 0.25;
  row.block[1][0][0] = iL;
  row.block[1][0][1] = -kL * 0.25;
  row.block[2][0][0] = iR;
  row.block[2][0][1] = -kR * 0.25;
  row.rhs[0] = -(pL + pR) * 0.5 + loads[0];

  // Compatibility: jump of the slope = -(half the integral of M/EI over each element).
  row.block[0][1][0] = bothSides;
  row.block[0][1][1] = -iR - iL;
  row.block[1][1][0] = hL * fL;
  row.block[1][1][1] = iL;
  row.block[2][1][0] = hR * fR;
  row.block[2][1][1] = iR;
  // Half the integral of M/EI over each element, as the moments inside them move it.
  row.rhs[1] = loads[1];
}

// The slopes either side of an inside node j, each from its own element (SideSlope):
// side[s][node][unknown], s 0 left, 1 right; node 0, 1 and 2 are j-1, j and j+1.
void SideSlopes(const MeshData& mesh, int j, double side[2][3][2]) {
  for (int s = 0; s < 2; ++s) {
    for (int node = 0; node < 3; ++node) side[s][node][0] = side[s][node][1] = 0.0;
  }
  double slope[2][2];
  SideSlope(mesh, j, false, slope);
  for (int u = 0; u < 2; ++u) {
    side[0][1][u] = slope[0][u];
    side[0][0][u] = slope[1][u];
  }
  SideSlope(mesh, j, true, slope);
  for (int u = 0; u < 2; ++u) {
    side[1][1][u] = slope[0][u];
    side[1][2][u] = slope[1][u];
  }
}

// The rotational spring of an elastic support inside the beam, at node j: its moment
// -kr·(θ - θ0), θ0 the rotation of its base, is taken half from the slope left of j and carried as
// a couple by element j-1, half from the slope right of j and carried by element j, as a point
// moment's halves are; so every node's equation still refers to its neighbours only. The couples'
// forces on nodes j-1, j and j+1, downwards, are forces[at][node][unknown] times the unknowns of
// j-1, j and j+1, and base[at] besides.
bool RotationalSpringForces(const ProblemData& data, const MeshData& mesh, int j,
                            double forces[3][3][2], double base[3]) {
  const int point = mesh.nodePoint[j];
  if (point <= 0 || point >= data.sectionCount) return false;
  const PointSupport& support = data.points[point].support;
  if (support.kind != SupportKind::Elastic || support.rotationalSpring == 0.0) return false;
  double side[2][3][2];
  SideSlopes(mesh, j, side);
  const RotationalSpring spring = RotationalSpringAt(mesh, j, support);
  const double half = 0.5 * spring.stiffness;
  const double iL = mesh.elementInverseLength[j - 1], iR = mesh.elementInverseLength[j];
  // The left couple -kr/2·θL on element j-1 has the force kr/2·θL/hL down on j-1 and up on j;
  // the right couple likewise on element j.
  for (int node = 0; node < 3; ++node) {
    for (int u = 0; u < 2; ++u) {
      const double left = half * iL * side[0][node][u], right = half * iR * side[1][node][u];
      forces[0][node][u] = left;
      forces[1][node][u] = right - left;
      forces[2][node][u] = -right;
    }
  }
  const double left = half * iL * spring.base, right = half * iR * spring.base;
  base[0] = -left;
  base[1] = left - right;
  base[2] = right;
  return true;
}

// The equations of node j with the support of the point there. An end's first equation, its
// moment, becomes the held slope, or takes in the rotational spring's moment; its second, the
// half element's equilibrium, becomes the held displacement, or takes in the spring's force. A
// point inside the beam holds its displacement in place of its equilibrium, or adds the spring.
void HoldAtPoint(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row) {
  const int point = mesh.nodePoint[j];
  if (point < 0) return;
  const PointSupport& support = data.points[point].support;
  if (support.kind == SupportKind::None) return;
  const int n = data.elementCount;
  if (j == 0 || j == n) {
    const bool left = j == 0;
    // The end's slope is the one on its only side.
    double slope[2][2];
    SideSlope(mesh, j, left, slope);
    if (HoldsRotation(support.kind)) {
      for (int e = 0; e < 2; ++e) {
        row.block[e][0][0] = slope[e][0];
        row.block[e][0][1] = slope[e][1];
      }
      row.rhs[0] = support.rotation;
    } else if (support.kind == SupportKind::Elastic) {
      // The spring's moment -kr·(θ - θ0), in the sign of a point moment, joins the end's moment:
      // M0 = P - kr·(θ - θ0) at the left end, Mn = -(P - kr·(θ - θ0)) at the right, θ0 the
      // rotation of its base.
      const double kr = left ? support.rotationalSpring : -support.rotationalSpring;
      for (int e = 0; e < 2; ++e) {
        row.block[e][0][0] += kr * slope[e][0];
        row.block[e][0][1] += kr * slope[e][1];
      }
      row.rhs[0] += kr * support.rotation;
    }
    if (HoldsDisplacement(support.kind)) {
      HoldDisplacement(row, 1, support.displacement);
    } else if (support.kind == SupportKind::Elastic) {
      // The spring's force kt·(w - w0), w0 the displacement of its base; the equation is written
      // twice over.
      row.block[0][1][1] += 2.0 * support.spring;
      row.rhs[1] += 2.0 * support.spring * support.displacement;
    }
    return;
  }
  if (HoldsDisplacement(support.kind)) {
    HoldDisplacement(row, 0, support.displacement);
  } else if (support.kind == SupportKind::Elastic) {
    row.block[0][0][1] -= support.spring;
    row.rhs[0] -= support.spring * support.displacement;
  }
}

// The forces of the rotational springs at j and its neighbours join node j's equilibrium, where
// a held displacement has not taken its place: inside, on the left as a node's load; at an end,
// where the equation is written twice over, twice on the right. Where a support holds the
// rotation at j, the springs either side take j's values as their elements have them: their terms
// go to ownSide (see FillRow).
void AddRotationalSprings(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row,
                          double ownSide[2][2][2]) {
  const int n = data.elementCount;
  const int point = mesh.nodePoint[j];
  if (point >= 0 && HoldsDisplacement(data.points[point].support.kind)) return;
  const bool end = j == 0 || j == n;
  const int equation = end ? 1 : 0;
  const double factor = end ? -2.0 : 1.0;
  for (int spring = std::max(1, j - 1); spring <= std::min(n - 1, j + 1); ++spring) {
    double forces[3][3][2], base[3];
    if (!RotationalSpringForces(data, mesh, spring, forces, base)) continue;
    const int at = j - spring + 1;  // this node among spring-1, spring and spring+1
    row.rhs[equation] -= factor * base[at];
    for (int node = 0; node < 3; ++node) {
      for (int e = 0; e < row.entryCount; ++e) {
        if (row.columnNode[e] != spring - 1 + node) continue;
        double* terms = row.block[e][equation];
        if (e == 0 && ownSide != nullptr) terms = ownSide[spring > j ? 1 : 0][equation];
        terms[0] += factor * forces[at][node][0];
        terms[1] += factor * forces[at][node][1];
      }
    }
  }
}

// The displacement of held node j that gives the element on one side its held slope (SideSlope
// solved for the node's w).
SideDisplacement SideDisplacementOfSlope(const ProblemData& data, const MeshData& mesh, int j,
                                         bool right) {
  double slope[2][2];
  SideSlope(mesh, j, right, slope);
  // 1/slope[0][1], the element's length with the side's sign, without a division's rounding.
  const double toW = right ? -mesh.elementLength[j] : mesh.elementLength[j - 1];
  SideDisplacement d;
  d.moment = -slope[0][0] * toW;
  d.otherMoment = -slope[1][0] * toW;
  d.otherW = -slope[1][1] * toW;
  d.constant = data.points[mesh.nodePoint[j]].support.rotation * toW;
  return d;
}

// Writes the values of held nodes in row j as the unknowns they are during the solve (see the
// header): a held neighbour's moment as the element between them has it, its displacement as that
// element's side gives it; and where j itself is held, ownSide: the terms of its own equations in
// its M and w as the left (0) and the right (1) element has them.
void ExpressHeldNodes(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row,
                      const double ownSide[2][2][2]) {
  const auto entryOf = [&](int node) {
    for (int e = 0; e < row.entryCount; ++e) {
      if (row.columnNode[e] == node) return e;
    }
    return 0;
  };
  // Terms m·M + w·w of held node h, as its right or left side has them, in `equation`.
  const auto express = [&](int h, bool right, int equation, double m, double w) {
    const int at = entryOf(h), other = entryOf(right ? h + 1 : h - 1);
    const SideDisplacement d = HeldNodeDisplacement(data, mesh, h, right);
    row.block[at][equation][right ? 1 : 0] += m + w * d.moment;
    row.block[other][equation][0] += w * d.otherMoment;
    row.block[other][equation][1] += w * d.otherW;
    row.rhs[equation] -= w * d.constant;
  };
  for (const int neighbour : {j - 1, j + 1}) {
    if (!RotationHeldAt(data, mesh, neighbour)) continue;
    const int e = entryOf(neighbour);
    for (int equation = 0; equation < 2; ++equation) {
      const double m = row.block[e][equation][0], w = row.block[e][equation][1];
      row.block[e][equation][0] = row.block[e][equation][1] = 0.0;
      // Row j sees its left neighbour from that one's right, its right neighbour from its left.
      express(neighbour, neighbour < j, equation, m, w);
    }
  }
  if (ownSide == nullptr) return;
  for (int side = 0; side < 2; ++side) {
    for (int equation = 0; equation < 2; ++equation) {
      express(j, side == 1, equation, ownSide[side][equation][0], ownSide[side][equation][1]);
    }
  }
}

// The own terms of an inside node's equilibrium, which FillFreeRow writes for both elements at
// once, by the element they come from: into ownSide, for a node whose rotation is held.
void SeparateSides(const MeshData& mesh, int j, BlockRow& row, double ownSide[2][2][2]) {
  ownSide[0][0][0] = -mesh.elementInverseLength[j - 1];
  ownSide[0][0][1] = -mesh.elementSpring[j - 1] * 0.25;
  ownSide[1][0][0] = -mesh.elementInverseLength[j];
  ownSide[1][0][1] = -mesh.elementSpring[j] * 0.25;
  row.block[0][0][0] = row.block[0][0][1] = 0.0;
}

// The equations of an inside node whose rotation a support holds, in its two moments: the
// displacement that the right side's held slope gives is the held one (fixed) or the one the
// left side's gives (guided); a fixed node's left side gives the held one too, where a guided
// node keeps its equilibrium (its own terms in ownSide).
void HoldRotationInside(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row,
                        double ownSide[2][2][2]) {
  const PointSupport& support = data.points[mesh.nodePoint[j]].support;
  const SideDisplacement left = SideDisplacementOfSlope(data, mesh, j, false);
  const SideDisplacement right = SideDisplacementOfSlope(data, mesh, j, true);
  const bool fixed = HoldsDisplacement(support.kind);
  for (int e = 0; e < 3; ++e) {
    for (int equation = fixed ? 0 : 1; equation < 2; ++equation) {
      row.block[e][equation][0] = row.block[e][equation][1] = 0.0;
    }
  }
  for (int side = 0; side < 2; ++side) {
    for (int equation = fixed ? 0 : 1; equation < 2; ++equation) {
      ownSide[side][equation][0] = ownSide[side][equation][1] = 0.0;
    }
  }
  row.block[0][1][1] = right.moment;
  row.block[2][1][0] = right.otherMoment;
  row.block[2][1][1] = right.otherW;
  const int leftEquation = fixed ? 0 : 1;
  const double sign = fixed ? 1.0 : -1.0;
  row.block[0][leftEquation][0] = sign * left.moment;
  row.block[1][leftEquation][0] = sign * left.otherMoment;
  row.block[1][leftEquation][1] = sign * left.otherW;
  if (fixed) {
    row.rhs[0] = support.displacement - left.constant;
    row.rhs[1] = support.displacement - right.constant;
  } else {
    row.rhs[1] = left.constant - right.constant;
  }
}

// A displacement that a pin holds inside the beam is known: its terms move to the right-hand
// sides, in the rows of its neighbours and in the node's own compatibility. No elimination then
// carries it through the node, whose pivot block becomes exact to invert: its M is found from
// the compatibility in the flexibilities of the beam either side.
void SubstitutePinnedDisplacements(const ProblemData& data, const MeshData& mesh, int j,
                                   BlockRow& row) {
  for (int e = 0; e < row.entryCount; ++e) {
    const int node = row.columnNode[e];
    if (node <= 0 || node >= data.elementCount || mesh.nodePoint[node] < 0) continue;
    const PointSupport& support = data.points[mesh.nodePoint[node]].support;
    if (support.kind != SupportKind::Pinned) continue;
    for (int equation = node == j ? 1 : 0; equation < 2; ++equation) {
      row.rhs[equation] -= row.block[e][equation][1] * support.displacement;
      row.block[e][equation][1] = 0.0;
    }
  }
}

inline void FillRow(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row) {
  FillFreeRow(data, mesh, j, row);
  if (!mesh.supported) [[likely]]
    return;
  // A support changes the equations of its own node and its neighbours' only.
  const int n = data.elementCount;
  if (mesh.nodePoint[j] < 0 && (j == 0 || mesh.nodePoint[j - 1] < 0) &&
      (j == n || mesh.nodePoint[j + 1] < 0)) [[likely]] {
    return;
  }
  if (RotationHeldAt(data, mesh, j)) {
    double ownSide[2][2][2] = {};
    SeparateSides(mesh, j, row, ownSide);
    HoldRotationInside(data, mesh, j, row, ownSide);
    if (mesh.rotationalSpringsInside) AddRotationalSprings(data, mesh, j, row, ownSide);
    ExpressHeldNodes(data, mesh, j, row, ownSide);
  } else {
    HoldAtPoint(data, mesh, j, row);
    if (mesh.rotationalSpringsInside) AddRotationalSprings(data, mesh, j, row, nullptr);
    if (mesh.rotationHeldInside) ExpressHeldNodes(data, mesh, j, row, nullptr);
  }
  if (mesh.pinnedInside) SubstitutePinnedDisplacements(data, mesh, j, row);
}

}  // namespace

void SideSlope(const MeshData& mesh, int j, bool right, double slope[2][2]) {
  const int element = right ? j : j - 1;
  const double i = mesh.elementInverseLength[element];
  const double bend = mesh.elementLength[element] * 0.25 / mesh.elementStiffness[element];
  const double sign = right ? 1.0 : -1.0;
  slope[0][0] = sign * bend;
  slope[0][1] = -sign * i;
  slope[1][0] = sign * bend;
  slope[1][1] = sign * i;
}

RotationalSpring RotationalSpringAt(const MeshData& mesh, int j, const PointSupport& support) {
  // The mean of the weights SideSlope gives the node's moment on either side, h/(4EI).
  const double a = 0.125 * (mesh.elementLength[j - 1] / mesh.elementStiffness[j - 1] +
                            mesh.elementLength[j] / mesh.elementStiffness[j]);
  const double kr = support.rotationalSpring;
  return {kr / (1.0 + kr * a), support.rotation - mesh.nodeMoment[j] * a};
}

bool RotationHeldAt(const ProblemData& data, const MeshData& mesh, int j) {
  if (!mesh.rotationHeldInside || j <= 0 || j >= data.elementCount) return false;
  const int point = mesh.nodePoint[j];
  return point > 0 && HoldsRotation(data.points[point].support.kind);
}

SideDisplacement HeldNodeDisplacement(const ProblemData& data, const MeshData& mesh, int j,
                                      bool right) {
  const PointSupport& support = data.points[mesh.nodePoint[j]].support;
  if (HoldsDisplacement(support.kind)) return {0.0, 0.0, 0.0, support.displacement};
  return SideDisplacementOfSlope(data, mesh, j, right);
}

void SettleHeldNodes(const ProblemData& data, const MeshData& mesh, BlockSystem& solved) {
  for (int j = 0; j <= data.elementCount; ++j) {
    solved.heldRight[j] = RotationHeldAt(data, mesh, j);
    if (!solved.heldRight[j]) continue;
    double* x = solved.rows[j].rhs;
    const double* before = solved.rows[j - 1].rhs;  // never held itself
    const SideDisplacement d = HeldNodeDisplacement(data, mesh, j, false);
    solved.momentRight[j] = x[1];
    x[1] = d.moment * x[0] + d.otherMoment * before[0] + d.otherW * before[1] + d.constant;
  }
}

std::optional<int> HeldRotationsOnOneElement(const ProblemData& data, const MeshData& mesh) {
  for (int j = 1; mesh.rotationHeldInside && j + 1 < data.elementCount; ++j) {
    if (RotationHeldAt(data, mesh, j) && RotationHeldAt(data, mesh, j + 1)) {
      return mesh.nodePoint[j];
    }
  }
  return std::nullopt;
}

void SupportReactions(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved,
                      std::array<SupportReaction, kMaxPoints>& reactions,
                      SpringHalves& springHalves) {
  const int n = data.elementCount;
  reactions.fill(SupportReaction{});
  for (int j = 0; j <= n; ++j) springHalves[j] = {0.0, 0.0};
  // The rotational springs inside: their moments, their halves' couples on the elements either
  // side, and the couples' forces on the nodes, which the supports there carry as well.
  std::array<double, kMaxNodes> coupleForce{};
  for (int j = 1; mesh.rotationalSpringsInside && j < n; ++j) {
    double side[2][3][2], forces[3][3][2], base[3];
    if (!RotationalSpringForces(data, mesh, j, forces, base)) continue;
    SideSlopes(mesh, j, side);
    const RotationalSpring spring =
        RotationalSpringAt(mesh, j, data.points[mesh.nodePoint[j]].support);
    const double half = 0.5 * spring.stiffness;
    for (int at = 0; at < 3; ++at) coupleForce[j - 1 + at] += base[at];
    double slope[2] = {-spring.base, -spring.base};  // from the base's
    for (int node = 0; node < 3; ++node) {
      const double* x = solved.rows[j - 1 + node].rhs;
      // The left neighbour's moment as element j-1 has it, where a support holds its rotation.
      const double m = node == 0 ? MomentAtElementEnd(mesh, solved, j - 1, j - 1) : x[0];
      for (int s = 0; s < 2; ++s) slope[s] += side[s][node][0] * m + side[s][node][1] * x[1];
      for (int at = 0; at < 3; ++at) {
        coupleForce[j - 1 + at] += forces[at][node][0] * m + forces[at][node][1] * x[1];
      }
    }
    springHalves[j] = {-half * slope[0], -half * slope[1]};
    reactions[mesh.nodePoint[j]].moment = springHalves[j][0] + springHalves[j][1];
  }
  BlockRow row;
  for (int p = 0; p <= data.sectionCount; ++p) {
    const PointLoadRow& point = data.points[p];
    if (point.support.kind == SupportKind::None) continue;
    const int j = mesh.pointNode[p];
    FillFreeRow(data, mesh, j, row);
    // What the free point's equilibrium misses: interior, (shear jump) - springs + loads = R; at
    // an end, twice over, springs - (shear) - loads = -2R. Each moment is taken as the element
    // it comes from has it: a neighbour on the left from its right, and the point's own from
    // element j in its share -M/h, where a support holds the rotation.
    const int e = j == 0 || j == n ? 1 : 0;
    double sum = 0.0;
    for (int c = 0; c < row.entryCount; ++c) {
      const int node = row.columnNode[c];
      const double* x = solved.rows[node].rhs;
      const double m = node < j ? MomentAtElementEnd(mesh, solved, node, node) : x[0];
      sum += row.block[c][e][0] * m + row.block[c][e][1] * x[1];
    }
    if (e == 0) {
      sum -= mesh.elementInverseLength[j] *
             (MomentAtElementEnd(mesh, solved, j, j) - solved.rows[j].rhs[0]);
    }
    reactions[p].force = (e == 1 ? 0.5 * (row.rhs[1] - sum) : sum - row.rhs[0]) + coupleForce[j];
    // The moment that turns the end's own moment from the point's: M0 = P + moment at the left
    // end, Mn = -(P + moment) at the right.
    if (j == 0) reactions[p].moment = solved.rows[0].rhs[0] - (point.moment + mesh.endMoment[0]);
    if (j == n) {
      reactions[p].moment = 0.0 - solved.rows[n].rhs[0] - (point.moment + mesh.endMoment[1]);
    }
    // Inside, the jump of the moment less the point's: right = left + P + moment.
    if (j != 0 && j != n && HoldsRotation(point.support.kind)) {
      reactions[p].moment =
          MomentAtElementEnd(mesh, solved, j, j) - solved.rows[j].rhs[0] - mesh.nodeMoment[j];
    }
    // A support that neither holds w nor has a spring for it takes no force, and one that
    // neither holds the slope nor has a rotational spring takes no moment: what rounding leaves
    // there would show as "-0.000".
    const PointSupport& support = point.support;
    const bool elastic = support.kind == SupportKind::Elastic;
    if (!HoldsDisplacement(support.kind) && !(elastic && support.spring != 0.0)) {
      reactions[p].force = 0.0;
    }
    if (!HoldsRotation(support.kind) && !(elastic && support.rotationalSpring != 0.0)) {
      reactions[p].moment = 0.0;
    }
  }
}

void FreeRow(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row) {
  FillFreeRow(data, mesh, j, row);
}

void EquationsTakingLoads(const ProblemData& data, const MeshData& mesh,
                          std::array<std::array<bool, 2>, kMaxNodes>& takes) {
  // The equations assembled without any load and without the supports' own displacements and
  // rotations, whose right-hand sides are then 0, and again with a load of 1 in every one of the
  // mesh's loads: the equations whose right-hand sides change take the loads.
  auto bare = std::make_unique<ProblemData>(data);
  for (PointLoadRow& point : bare->points) {
    point.force = point.moment = 0.0;
    point.support.displacement = point.support.rotation = 0.0;
  }
  auto unloaded = std::make_unique<MeshData>(mesh);
  auto loaded = std::make_unique<MeshData>(mesh);
  const int n = data.elementCount;
  for (int j = 0; j <= n; ++j) {
    unloaded->nodeForce[j] = unloaded->nodeMoment[j] = 0.0;
    loaded->nodeForce[j] = loaded->nodeMoment[j] = 1.0;
  }
  for (int e = 0; e < n; ++e) {
    unloaded->elementLoad[e] = unloaded->elementMoment[e] = unloaded->elementMomentShift[e] = 0.0;
    loaded->elementLoad[e] = loaded->elementMoment[e] = 0.0;
    loaded->elementMomentShift[e] = 1.0;
  }
  for (int end = 0; end < 2; ++end) {
    unloaded->endForce[end] = unloaded->endMoment[end] = 0.0;
    loaded->endForce[end] = loaded->endMoment[end] = 1.0;
  }
  BlockRow without, with;
  for (int j = 0; j <= n; ++j) {
    FillRow(*bare, *unloaded, j, without);
    FillRow(*bare, *loaded, j, with);
    for (int e = 0; e < 2; ++e) takes[j][e] = with.rhs[e] != without.rhs[e];
  }
}

void AssembleSystem(const ProblemData& data, const MeshData& mesh, BlockSystem& system) {
  for (int j = 0; j <= data.elementCount; ++j) FillRow(data, mesh, j, system.rows[j]);
}

double SchemeResidual(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved,
                      double* miss, SolutionScale least) {
  BlockRow row;
  return EquationResidual(
      data.elementCount,
      [&](int j) -> const BlockRow& {
        FillRow(data, mesh, j, row);
        return row;
      },
      [&](int j) { return solved.rows[j].rhs; }, miss, RowRightHandSides{}, least);
}

LoadResultant ResultantOfLoads(const ProblemData& data, const MeshData& mesh, double about) {
  const int n = data.elementCount;
  LoadResultant resultant;
  BlockRow row;
  for (int j = 0; j <= n; ++j) {
    FillFreeRow(data, mesh, j, row);
    // An interior node's equilibrium reads (shear jump) - springs = -(its loads); an end's is
    // written twice over, as springs - (shear) = 2·(its loads), after its prescribed moment.
    const bool end = j == 0 || j == n;
    const double force = end ? 0.5 * row.rhs[1] : -row.rhs[0];
    resultant.force += force;
    resultant.moment += force * (mesh.nodeX[j] - about);
    // The end moments, M0 and Mn as prescribed, turn the beam through its end shear terms.
    if (j == 0) resultant.moment += row.rhs[0];
    if (j == n) resultant.moment -= row.rhs[0];
  }
  return resultant;
}

bool SpringsHoldTheBeam(const MeshData& mesh, int elementCount) {
  const int n = elementCount;
  // About the middle of the beam, so that the terms do not cancel for long beams.
  const double middle = 0.5 * (mesh.nodeX[0] + mesh.nodeX[n]);
  double g00 = 0.0, g01 = 0.0, g11 = 0.0, size00 = 0.0, size11 = 0.0;
  for (int j = 0; j < n; ++j) {
    const double k = mesh.elementSpring[j];
    const double x = 0.5 * (mesh.nodeX[j] + mesh.nodeX[j + 1]) - middle;
    g00 += k;
    g01 += k * x;
    g11 += k * x * x;
    size00 += std::fabs(k);
    size11 += std::fabs(k) * x * x;
  }
  const double determinant = g00 * g11 - g01 * g01;
  // Rounding leaves about 1e-16 of the sizes where the determinant is 0.
  return std::fabs(determinant) > 1e-12 * size00 * size11;
}

}  // namespace pelvar

namespace pelvar {

std::optional<RigidMotion> FreeRigidMotion(const ProblemData& data, const MeshData& mesh) {
  const int n = data.elementCount;
  const double middle = 0.5 * (mesh.nodeX[0] + mesh.nodeX[n]);
  const double length = mesh.nodeX[n] - mesh.nodeX[0];
  // The rigid movements a + b·u, u = (x - middle)/length, that each spring and support resists,
  // each weighed so that the springs together count as one support: their stiffness against
  // them, G, is singular where a movement is left free.
  double g00 = 0.0, g01 = 0.0, g11 = 0.0, size00 = 0.0, size11 = 0.0;
  auto resist = [&](double weight, double r0, double r1) {
    g00 += weight * r0 * r0;
    g01 += weight * r0 * r1;
    g11 += weight * r1 * r1;
    size00 += std::fabs(weight) * r0 * r0;
    size11 += std::fabs(weight) * r1 * r1;
  };
  double springs = 0.0;
  for (int j = 0; j < n; ++j) springs += std::fabs(mesh.elementSpring[j]);
  for (int j = 0; j < n && springs > 0.0; ++j) {
    const double u = (0.5 * (mesh.nodeX[j] + mesh.nodeX[j + 1]) - middle) / length;
    resist(mesh.elementSpring[j] / springs, 1.0, u);
  }
  for (int p = 0; p <= data.sectionCount; ++p) {
    const PointSupport& support = data.points[p].support;
    const double u = (mesh.nodeX[mesh.pointNode[p]] - middle) / length;
    if (HoldsDisplacement(support.kind) ||
        (support.kind == SupportKind::Elastic && support.spring > 0.0)) {
      resist(1.0, 1.0, u);
    }
    if (HoldsRotation(support.kind) ||
        (support.kind == SupportKind::Elastic && support.rotationalSpring > 0.0)) {
      resist(1.0, 0.0, 1.0);
    }
  }
  if (std::fabs(g00 * g11 - g01 * g01) > 1e-12 * size00 * size11 && size00 > 0.0 && size11 > 0.0) {
    return std::nullopt;
  }
  // Nothing resists sinking; else the movement that G leaves free turns about a point, unless
  // nothing resists turning there either.
  RigidMotion motion;
  if (!(g00 > 1e-12 * (size00 + size11))) return motion;
  motion.turns = true;
  motion.about = middle + length * (g01 / g00);
  return motion;
}

}  // namespace pelvar
