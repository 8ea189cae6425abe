#include "analysis/mesh.h"

#include <cmath>

namespace pelvar {

int BuildMesh(const ProblemData& data, MeshData& mesh) {
  const int m = data.sectionCount;
  const int n = data.elementCount;
  const double b = data.beamWidth;

  double totalLength = 0.0;
  for (int i = 0; i < m; ++i) totalLength += data.sections[i].length;

  mesh.nodeX[0] = 0.0;
  for (int j = 0; j <= n; ++j) mesh.nodeForce[j] = 0.0;

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
    for (int j = a; j < a + c; ++j) {
      mesh.nodeX[j + 1] = mesh.nodeX[j] + h;
      mesh.elementLength[j] = h;
      mesh.elementSpring[j] = section.spring * h * b;
      mesh.elementLoad[j] = section.load * h * b;
      mesh.elementSection[j] = i;
    }
    a += c;

    if (i < m - 1) {
      // An interior point sits at node a. Its moment acts as a couple of forces ±M/h on the two
      // nodes of the section's last element.
      const PointLoadRow& point = data.points[i + 1];
      mesh.nodeForce[a] = point.force + point.moment / h;
      mesh.nodeForce[a - 1] -= point.moment / h;
    }
  }
  return -1;
}

void AssembleSystem(const ProblemData& data, const MeshData& mesh, BlockSystem& system) {
  const int n = data.elementCount;
  const double ei = data.stiffnessEI;

  for (int j = 0; j <= n; ++j) system.rows[j] = BlockRow{};

  // Interior nodes: entry 0 is the node itself, entry 1 its left and entry 2 its right neighbour.
  for (int j = 1; j < n; ++j) {
    BlockRow& row = system.rows[j];
    const double hL = mesh.elementLength[j - 1], hR = mesh.elementLength[j];
    const double kL = mesh.elementSpring[j - 1], kR = mesh.elementSpring[j];
    const double pL = mesh.elementLoad[j - 1], pR = mesh.elementLoad[j];
    row.entryCount = 3;
    row.columnNode = {j, j - 1, j + 1};

    // Vertical equilibrium: jump of the shear force = spring force - load - node force.
    row.block[0][0][0] = -(1.0 / hR) - (1.0 / hL);
    row.block[0][0][1] = -(kL + kR) * 0.25;
    row.block[1][0][0] = 1.0 / hL;
    row.block[1][0][1] = -kL * 0.25;
    row.block[2][0][0] = 1.0 / hR;
    row.block[2][0][1] = -kR * 0.25;
    row.rhs[0] = -(pL + pR) * 0.5 - mesh.nodeForce[j];

    // Compatibility: jump of the slope = -(half the integral of M/EI over each element).
    row.block[0][1][0] = (hL + hR) / (4.0 * ei);
    row.block[0][1][1] = -(1.0 / hR) - (1.0 / hL);
    row.block[1][1][0] = hL / (4.0 * ei);
    row.block[1][1][1] = 1.0 / hL;
    row.block[2][1][0] = hR / (4.0 * ei);
    row.block[2][1][1] = 1.0 / hR;
    row.rhs[1] = 0.0;
  }

  // Free ends: the end moment is prescribed, and the half element at the end is in equilibrium
  // (written twice over).
  auto endRow = [&](int node, int neighbour, int element, double moment, double force) {
    BlockRow& row = system.rows[node];
    const double h = mesh.elementLength[element];
    const double k = mesh.elementSpring[element];
    row.entryCount = 2;
    row.columnNode = {node, neighbour, 0};
    row.block[0][0][0] = 1.0;
    row.rhs[0] = moment;
    row.block[0][1][0] = 2.0 / h;
    row.block[0][1][1] = 0.5 * k;
    row.block[1][1][0] = -2.0 / h;
    row.block[1][1][1] = 0.5 * k;
    row.rhs[1] = 2.0 * force + mesh.elementLoad[element];
  };
  const int m = data.sectionCount;
  endRow(0, 1, 0, data.points[0].moment, data.points[0].force);
  // 0.0 - M rather than -M: no end moment must not show as a moment of "-0.000".
  endRow(n, n - 1, n - 1, 0.0 - data.points[m].moment, data.points[m].force);
}

}  // namespace pelvar
