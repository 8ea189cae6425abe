#pragma once
// Discretisation of the beam into elements and assembly of the block-tridiagonal system in the
// unknowns M (bending moment) and w (displacement) of every node.

#include <array>
#include <optional>

#include "model/problem_data.h"

namespace pelvar {

// A load anywhere inside an element, at `fraction` of its length from its left node.
struct InsideLoad {
  int element = 0;
  double fraction = 0.0;
  double force = 0.0;   // kN
  double moment = 0.0;  // kNm
};

// The discretised beam. Element j joins node j to node j + 1. Its loads (nodeForce to
// insideForceShift, and inside) come from the points and the loads anywhere
// (analysis/mesh_loads.h).
struct MeshData {
  std::array<double, kMaxElements> elementLength{};  // h, m
  // 1/h, 1/m: the equations and the shear force use it at every node, and a section's elements
  // share one division.
  std::array<double, kMaxElements> elementInverseLength{};
  std::array<double, kMaxElements> elementStiffness{};  // EI of its section, kNm²
  std::array<double, kMaxElements> elementSpring{};     // k·h·b, kN/m
  std::array<double, kMaxElements> elementLoad{};       // q·h·b, kN (b of its section)
  std::array<int, kMaxElements> elementSection{};       // index of the section it lies in
  // Concentrated force at each node, kN, including the couples that stand for point moments.
  std::array<double, kMaxNodes> nodeForce{};
  // The share of point moments, kNm, that the element carries as the couple of forces -M/h on
  // its left and +M/h on its right node (part of nodeForce there): half of the moment of each
  // point at its ends. The shear force is derived without the couples: a point moment makes the
  // moment jump, not the shear force.
  std::array<double, kMaxElements> elementMoment{};
  // Of the moments anywhere inside an element, each times (1/2 - its place as a share of the
  // element): how far the moment's jump inside the element moves the integral of M/EI over it
  // from that of M straight between its nodes, which the compatibility of its nodes takes in.
  std::array<double, kMaxElements> elementMomentShift{};
  // The forces that stand on each node, kN, ends included: its point's and the loads anywhere
  // on it, without the shares of forces inside the elements either side or any couple. The shear
  // force drops by it across the node.
  std::array<double, kMaxNodes> nodeLoad{};
  // Of the loads anywhere inside each element: the sum of their moments, kNm, by which M rises
  // inside it, and the sum of their forces each times (its place as a share of the element -
  // 1/2), kN, by which the mean shear force over the element differs from the mean of its two
  // ends' (see StoreResults).
  std::array<double, kMaxElements> insideMoment{};
  std::array<double, kMaxElements> insideForceShift{};
  // Forces and moments at the two ends besides the end points' own: loads anywhere that stand
  // on an end node or share a force with it (index 0 the left end, 1 the right).
  double endForce[2] = {0.0, 0.0};
  double endMoment[2] = {0.0, 0.0};
  // The concentrated moment at each inside node, from its point and the loads anywhere there,
  // which a support that holds the rotation takes in whole.
  std::array<double, kMaxNodes> nodeMoment{};
  // The loads anywhere inside elements, in the order they were placed.
  int insideCount = 0;
  std::array<InsideLoad, kMaxStateLoadsAnywhere> inside{};
  // The node at which each point lies: point 0 at node 0, the last point at elementCount.
  std::array<int, kMaxPoints> pointNode{};
  // The point at each node, -1 where none stands.
  std::array<int, kMaxNodes> nodePoint{};
  // Whether any point has a support: then the ends are not both free.
  bool supported = false;
  // Whether an elastic support inside the beam has a rotational spring.
  bool rotationalSpringsInside = false;
  // Whether a fixed or guided support inside the beam holds its rotation (RotationHeldAt).
  bool rotationHeldInside = false;
  // Whether a pin holds a displacement inside the beam.
  bool pinnedInside = false;
  // Position of each node, m. Copied into the result table only with a stored solution, so a
  // run that fails leaves the whole result table as it was.
  std::array<double, kMaxNodes> nodeX{};
};

// Where a load at x lies on the mesh: on node `node`, or inside `element` at `fraction` of its
// length from its left node (node -1). A load within a thousandth of an element's length of a
// node stands on it, `offset` (m, x less the node's x) away: its force F there acts with the
// moment F·offset, which leaves the beam beyond that sliver exactly as the load itself does, where
// joining the sliver in the exact beam would lose the digits that a part so short has to give.
// x beyond the ends counts at the end. The scheme and the exact beam place every load anywhere by
// this one rule.
struct LoadPlace {
  int node = -1;
  int element = -1;
  double fraction = 0.0;
  double offset = 0.0;
};
LoadPlace PlaceOnMesh(const MeshData& mesh, int elementCount, double x);

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

// Makes equation `equation` of the row read w = value at the row's own node, in place of what it
// said: how a support holds a displacement.
inline void HoldDisplacement(BlockRow& row, int equation, double value) {
  row.block[0][equation][0] = 0.0;
  row.block[0][equation][1] = 1.0;
  for (int e = 1; e < row.entryCount; ++e) {
    row.block[e][equation][0] = row.block[e][equation][1] = 0.0;
  }
  row.rhs[equation] = value;
}

struct BlockSystem {
  std::array<BlockRow, kMaxNodes> rows{};
  // What the block elimination (SolveSystem) keeps of each node: its equations brought to
  // (M, w) + c · (the next node's M, w) = x, and the right-hand sides as assembled, which it
  // replaces in the rows by the solution.
  struct Eliminated {
    double c[2][2];
    double x[2];
  };
  std::array<Eliminated, kMaxNodes> eliminated{};
  std::array<std::array<double, 2>, kMaxNodes> assembledRhs{};
  // The moment right of each node whose rotation a support holds inside the beam, once settled
  // (SettleHeldNodes).
  std::array<double, kMaxNodes> momentRight{};
  std::array<bool, kMaxNodes> heldRight{};
};

// Shares data.elementCount elements over the sections in proportion to their lengths and fills
// the element and node values. Returns the index (0-based) of the first section that is left
// without an element, or nothing when every section has at least one; with an index nothing
// after that section is meaningful and the run must stop.
std::optional<int> BuildMesh(const ProblemData& data, MeshData& mesh);

// Fills rows 0..elementCount of the system with the equations of each node, from the mesh and
// the end points' loads.
void AssembleSystem(const ProblemData& data, const MeshData& mesh, BlockSystem& system);

// The equations of node j of the beam as if no point had a support: what a support's reaction is
// found from (SupportReactions).
void FreeRow(const ProblemData& data, const MeshData& mesh, int j, BlockRow& row);

// Which equations of the assembled system take the loads on the mesh (RowLoadTerms) into their
// right-hand sides: all but those a support has put its held displacement or slope in place of,
// found from the assembly itself. takes[j][e] for equation e of node j.
void EquationsTakingLoads(const ProblemData& data, const MeshData& mesh,
                          std::array<std::array<bool, 2>, kMaxNodes>& takes);

// The least scale of |M| and |w| that a solution is judged at (EquationResidual,
// analysis/residual.h): that of the parts a solution is summed from, where they are larger than
// itself.
struct SolutionScale {
  double M = 0.0, w = 0.0;
};

// How far the solution held in the rhs of the solved rows 0..elementCount misses the equations
// that AssembleSystem writes for this mesh, built afresh since the solve consumed them, as
// EquationResidual (analysis/residual.h) judges it.
// With miss, miss[2j + e] receives rhs - sum of equation e of node j.
double SchemeResidual(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved,
                      double* miss = nullptr, SolutionScale least = {});

// What the supports give the beam for the solution in the rhs of the solved rows: each reaction
// is what its point's equations miss without the support. Points without one get 0.
// A rotational spring inside the beam gives its moment as two couples, carried by the elements
// either side as a point moment's halves are: springHalves receives, for each node, the couple
// its spring puts on the element before it (0) and on the element after it (1).
using SpringHalves = std::array<std::array<double, 2>, kMaxNodes>;
void SupportReactions(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved,
                      std::array<SupportReaction, kMaxPoints>& reactions,
                      SpringHalves& springHalves);

// The slope dw/dx at node j on one side as the scheme has it, from that side's element alone:
// its chord, plus (right) or less (left) the curvature of its half at j. slope[k][unknown]: the
// coefficients of the M and w of node j (k 0) and of the element's other node (k 1).
void SideSlope(const MeshData& mesh, int j, bool right, double slope[2][2]);

// A fixed or guided support inside the beam holds the slope on both sides of its node, and the
// moment jumps there by the support's reaction. While the equations are solved, such a node's
// two unknowns are the moments left and right of it, each found from the equilibrium as every
// moment is; its displacement follows from the slope held on either side (HeldNodeDisplacement).
// Once a solution is verified, SettleHeldNodes gives the node its M (the moment left of it) and
// its w like every other, and keeps the moment right of it beside the rows.

// Whether a support holds the rotation at node j inside the beam.
bool RotationHeldAt(const ProblemData& data, const MeshData& mesh, int j);

// A rotational spring inside the beam, at node j, as the scheme carries it: the moment it gives,
// -kr·(θ - θ0), taken half from the slope left of j and half from the slope right of it as
// SideSlope has them. Those weigh the node's M, halfway through the jump of M there, where an
// element's own end moment is that side's: their mean misses the slope by J·a, J the whole jump
// (the node's moment and the spring's) and a the mean of SideSlope's weights h/(4EI) of the two
// elements, which left the spring's moment, and the moments either side, off by a share of the
// element's length. Solved for the slope, the spring gives -stiffness·(mean of the side slopes -
// base), with the stiffness kr/(1 + kr·a) and the base θ0 less the node's moment times a: as the
// elements shorten, the moments converge as fast as a point moment's do, with the square of
// their length.
struct RotationalSpring {
  double stiffness = 0.0;
  double base = 0.0;
};
RotationalSpring RotationalSpringAt(const MeshData& mesh, int j, const PointSupport& support);

// The displacement of held node j as the element on one side has it:
// w = moment·M + otherMoment·M' + otherW·w' + constant, M the moment at j on that side and M', w'
// the values of the element's other node; the held displacement itself where it is fixed.
struct SideDisplacement {
  double moment = 0.0, otherMoment = 0.0, otherW = 0.0, constant = 0.0;
};
SideDisplacement HeldNodeDisplacement(const ProblemData& data, const MeshData& mesh, int j,
                                      bool right);

// Turns the solved rows of the held nodes from their two moments into M and w (see above).
void SettleHeldNodes(const ProblemData& data, const MeshData& mesh, BlockSystem& solved);

// The moment at node j at the end of `element` (j-1 or j) that meets there, from settled rows:
// the node's M, or the moment right of it where a support holds its rotation.
inline double MomentAtElementEnd(const MeshData& mesh, const BlockSystem& solved, int j,
                                 int element) {
  return element == j && mesh.rotationHeldInside && solved.heldRight[j] ? solved.momentRight[j]
                                                                        : solved.rows[j].rhs[0];
}

// Two supports that hold the rotation at the two ends of one element: the first of their points,
// if any. The scheme cannot give that element a moment at each end from both its held slopes.
std::optional<int> HeldRotationsOnOneElement(const ProblemData& data, const MeshData& mesh);

// A movement of the unloaded beam as a rigid body that neither its springs nor its supports
// resist: it sinks as a whole, or it turns about a point.
struct RigidMotion {
  bool turns = false;
  double about = 0.0;  // x of the point it turns about, m
};
// The movement the springs and the supports leave free, or nothing where they hold the beam.
std::optional<RigidMotion> FreeRigidMotion(const ProblemData& data, const MeshData& mesh);

// The loads as the springs must carry them: the resultant force (kN, positive along w) and its
// moment (kNm) about x = about, of everything on the right-hand sides that AssembleSystem writes
// (the loads of the elements, the node forces with the couples of point moments, the end
// points' forces and moments). Adding up the equations of equilibrium of all nodes, weighted by
// a rigid movement of the beam (1 for sinking, x - about for turning), cancels every shear term
// but those of the end moments; so for every solution of the equations the spring forces
// K·(w0 + w1)/2, each at its element's middle, add up to this force and this moment.
struct LoadResultant {
  double force = 0.0;
  double moment = 0.0;
};
LoadResultant ResultantOfLoads(const ProblemData& data, const MeshData& mesh, double about);

// Whether the springs of the mesh resist both ways the unloaded beam can move as a rigid body,
// sinking and turning: the springs' stiffness against them, the sum over the elements of
// K·[1, x; x, x²] (x the element's middle), is not singular. False for a beam without springs
// and for springs under one element only, which the beam turns about.
bool SpringsHoldTheBeam(const MeshData& mesh, int elementCount);

}  // namespace pelvar
