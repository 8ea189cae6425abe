#pragma once
// Discretisation of the beam into elements and assembly of the block-tridiagonal system in the
// unknowns M (bending moment) and w (displacement) of every node.

#include <array>

#include "model/problem_data.h"

namespace pelvar {

// The discretised beam. Element j joins node j to node j + 1.
struct MeshData {
  std::array<double, kMaxElements> elementLength{};  // h, m
  std::array<double, kMaxElements> elementSpring{};  // k·h·b, kN/m
  std::array<double, kMaxElements> elementLoad{};    // q·h·b, kN
  std::array<int, kMaxElements> elementSection{};    // index of the section it lies in
  // Concentrated force at each node, kN, including the couples that stand for point moments.
  std::array<double, kMaxNodes> nodeForce{};
  // Position of each node, m. Copied into the result table only with a stored solution, so a
  // run that fails leaves the whole result table as it was.
  std::array<double, kMaxNodes> nodeX{};
};

// One equation row per node: entry 0 is the node's own 2x2 block, the others couple it to its
// neighbours. block[entry][equation][unknown]; equation 0 is vertical equilibrium, 1 is
// compatibility of curvature; unknown 0 is M, unknown 1 is w.
struct BlockRow {
  static constexpr int kMaxEntries = 3;
  int entryCount = 0;
  std::array<int, kMaxEntries> columnNode{};
  double block[kMaxEntries][2][2] = {};
  double rhs[2] = {};
};

struct BlockSystem {
  std::array<BlockRow, kMaxNodes> rows{};
};

// Shares data.elementCount elements over the sections in proportion to their lengths and fills
// the element and node values. Returns the index (0-based) of the first section that is left
// without an element, or -1 when every section has at least one; in that case nothing after
// that section is meaningful and the run must stop.
int BuildMesh(const ProblemData& data, MeshData& mesh);

// Fills rows 0..elementCount of the system from the mesh and the end points' loads.
void AssembleSystem(const ProblemData& data, const MeshData& mesh, BlockSystem& system);

}  // namespace pelvar
