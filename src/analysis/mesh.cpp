#include "analysis/mesh.h"

#include <algorithm>
#include <cmath>

#include "analysis/residual.h"

namespace pelvar {

std::optional<int> BuildMesh(const ProblemData& data, MeshData& mesh) {
  const int m = data.sectionCount;
  const int n = data.elementCount;

  double totalLength = 0.0;
  for (int i = 0; i < m; ++i) totalLength += data.sections[i].length;

  mesh.nodeX[0] = 0.0;
  for (int j = 0; j <= n; ++j) mesh.nodeForce[j] = 0.0;
  for (int j = 0; j < n; ++j) mesh.elementMoment[j] = 0.0;
  mesh.pointNode[0] = 0;

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

    if (i < m - 1) {
      // An interior point sits at node a, its force on that node. Its moment acts as two half
      // couples, ±M/(2h) on the two nodes of each element that meets at the point, which puts
      // the moment at the point itself rather than half an element before it. Contributions
      // are added: a section of one element between two points carries a half of each.
      const PointLoadRow& point = data.points[i + 1];
      mesh.nodeForce[a] += point.force;
      const double half = 0.5 * point.moment;
      mesh.elementMoment[a - 1] += half;
      mesh.elementMoment[a] += half;
    }
  }
  // The couples of the elements into the node forces, once all halves are in.
  for (int j = 0; j < n; ++j) {
    const double couple = mesh.elementMoment[j] * mesh.elementInverseLength[j];
    mesh.nodeForce[j] -= couple;
    mesh.nodeForce[j + 1] += couple;
  }
  return std::nullopt;
}

namespace {

// The equations of node j, 0 <= j <= elementCount.
inline void FillRow(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row) {
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
    row.rhs[0] = j == 0 ? point.moment : 0.0 - point.moment;
    row.block[0][1][0] = 2.0 * mesh.elementInverseLength[element];
    row.block[0][1][1] = 0.5 * k;
    row.block[1][1][0] = -2.0 * mesh.elementInverseLength[element];
    row.block[1][1][1] = 0.5 * k;
    row.rhs[1] = 2.0 * (point.force + mesh.nodeForce[j]) + mesh.elementLoad[element];
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

  // Vertical equilibrium: jump of the shear force = spring force - load - node force.
  row.block[0][0][0] = -iR - iL;
  row.block[0][0][1] = -(kL + kR) * 0.25;
  row.block[1][0][0] = iL;
  row.block[1][0][1] = -kL * 0.25;
  row.block[2][0][0] = iR;
  row.block[2][0][1] = -kR * 0.25;
  row.rhs[0] = -(pL + pR) * 0.5 - mesh.nodeForce[j];

  // Compatibility: jump of the slope = -(half the integral of M/EI over each element).
  row.block[0][1][0] = bothSides;
  row.block[0][1][1] = -iR - iL;
  row.block[1][1][0] = hL * fL;
  row.block[1][1][1] = iL;
  row.block[2][1][0] = hR * fR;
  row.block[2][1][1] = iR;
  row.rhs[1] = 0.0;
}

}  // namespace

void AssembleSystem(const ProblemData& data, const MeshData& mesh, BlockSystem& system) {
  for (int j = 0; j <= data.elementCount; ++j) FillRow(data, mesh, j, system.rows[j]);
}

double SchemeResidual(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved,
                      double* miss) {
  BlockRow row;
  return EquationResidual(
      data.elementCount,
      [&](int j) -> const BlockRow& {
        FillRow(data, mesh, j, row);
        return row;
      },
      [&](int j) { return solved.rows[j].rhs; }, miss);
}

LoadResultant ResultantOfLoads(const ProblemData& data, const MeshData& mesh, double about) {
  const int n = data.elementCount;
  LoadResultant resultant;
  BlockRow row;
  for (int j = 0; j <= n; ++j) {
    FillRow(data, mesh, j, row);
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
