#pragma once
// What a load anywhere adds to the loads of the mesh, and what the loads of the mesh put on the
// right-hand sides of its equations: the one rule by which the single run (BuildMesh, FillFreeRow),
// the positions of a moving load solved together (analysis/moving_load) and the exact beam
// (analysis/exact_solution) take a load, whether into the whole mesh (MeshData) or into the few
// nodes that the axles of one position touch (LoadChange).

#include <array>
#include <cstddef>

#include "analysis/mesh.h"

namespace pelvar {

// Values along the mesh of which only a few are not 0, with a list of those: cleared entry by
// entry, so that a position of a moving load costs only the nodes its axles touch.
template <std::size_t N>
class SparseValues {
 public:
  double& operator[](int i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (!used_[k]) {
      used_[k] = true;
      list_[static_cast<std::size_t>(count_++)] = i;
    }
    return values_[k];
  }
  double operator[](int i) const { return values_[static_cast<std::size_t>(i)]; }
  int Count() const { return count_; }
  int At(int k) const { return list_[static_cast<std::size_t>(k)]; }
  void Clear() {
    for (int k = 0; k < count_; ++k) {
      const std::size_t i = static_cast<std::size_t>(list_[static_cast<std::size_t>(k)]);
      values_[i] = 0.0;
      used_[i] = false;
    }
    count_ = 0;
  }

 private:
  std::array<double, N> values_{};
  std::array<bool, N> used_{};
  std::array<int, N> list_{};
  int count_ = 0;
};

// What some loads anywhere add to the loads of a mesh, in the members of MeshData of the same
// names; only the nodes and elements they touch hold anything.
struct LoadChange {
  SparseValues<kMaxNodes> nodeForce, nodeLoad, nodeMoment;
  SparseValues<kMaxElements> elementMoment, elementMomentShift, insideMoment, insideForceShift;
  double endForce[2] = {0.0, 0.0};
  double endMoment[2] = {0.0, 0.0};
  int insideCount = 0;
  std::array<InsideLoad, kMaxStateLoadsAnywhere> inside{};

  void Clear() {
    for (auto* values : {&nodeForce, &nodeLoad, &nodeMoment}) values->Clear();
    for (auto* values : {&elementMoment, &elementMomentShift, &insideMoment, &insideForceShift}) {
      values->Clear();
    }
    endForce[0] = endForce[1] = endMoment[0] = endMoment[1] = 0.0;
    insideCount = 0;
  }
};

// A concentrated force on node j: at an end, beside the end point's own.
template <typename Loads>
void AddNodeForce(int elementCount, int j, double force, Loads& loads) {
  if (j == 0 || j == elementCount) {
    loads.endForce[j == 0 ? 0 : 1] += force;
  } else {
    loads.nodeForce[j] += force;
  }
}

// A concentrated moment on node j: at an end, beside the end point's own; inside, as a point's,
// half of it as a couple on each element that meets there, unless a support that holds the
// rotation there takes it in whole.
template <typename Loads>
void AddNodeMoment(const ProblemData& data, const MeshData& mesh, int j, double moment,
                   Loads& loads) {
  const int n = data.elementCount;
  if (j == 0 || j == n) {
    loads.endMoment[j == 0 ? 0 : 1] += moment;
    return;
  }
  loads.nodeMoment[j] += moment;
  const int point = mesh.nodePoint[j];
  if (point > 0 && HoldsRotation(data.points[point].support.kind)) return;
  loads.elementMoment[j - 1] += 0.5 * moment;
  loads.elementMoment[j] += 0.5 * moment;
}

// A load anywhere, on its node as a point's loads are (PlaceOnMesh), or inside its element: the
// force shared by the element's two nodes in proportion to its place, which keeps its resultant
// and its moment, and the moment as the element's couple, which gives the moments left and right
// of it at the element's nodes, with its place in elementMomentShift; the shear force and the
// moments either side of the nodes take their terms from nodeLoad, nodeMoment, insideMoment and
// insideForceShift (StoreResults). The couples of elementMoment join nodeForce afterwards
// (AddCouple), once all halves are in.
template <typename Loads>
void AddLoadAnywhere(const ProblemData& data, const MeshData& mesh, const LoadAnywhere& load,
                     Loads& loads) {
  const int n = data.elementCount;
  const LoadPlace place = PlaceOnMesh(mesh, n, load.x);
  if (place.node >= 0) {
    AddNodeForce(n, place.node, load.force, loads);
    loads.nodeLoad[place.node] += load.force;
    AddNodeMoment(data, mesh, place.node, load.moment + load.force * place.offset, loads);
    return;
  }
  const int e = place.element;
  const double right = place.fraction, left = 1.0 - right;
  AddNodeForce(n, e, load.force * left, loads);
  AddNodeForce(n, e + 1, load.force * right, loads);
  loads.elementMoment[e] += load.moment;
  loads.elementMomentShift[e] += load.moment * (0.5 - right);
  loads.insideMoment[e] += load.moment;
  loads.insideForceShift[e] += load.force * (right - 0.5);
  loads.inside[static_cast<std::size_t>(loads.insideCount++)] = {e, right, load.force, load.moment};
}

// The couple that element e carries, its moment over h down on its left node and up on its
// right one.
template <typename Loads>
void AddCouple(const MeshData& mesh, int e, double moment, Loads& loads) {
  const double couple = moment * mesh.elementInverseLength[e];
  loads.nodeForce[e] -= couple;
  loads.nodeForce[e + 1] += couple;
}

// What the loads of the mesh put on the right-hand sides of node j's free equations: at an end
// its moment (in the sign of M there) and twice its force, the half element's equilibrium being
// written twice over; inside, less the force on the node, and the compatibility's share of the
// moments inside the elements either side. FillFreeRow adds the end points' and the elements'
// own loads.
template <typename Loads>
std::array<double, 2> RowLoadTerms(const MeshData& mesh, const Loads& loads, int elementCount,
                                   int j) {
  const int n = elementCount;
  if (j == 0 || j == n) {
    const int end = j == 0 ? 0 : 1;
    return {j == 0 ? loads.endMoment[0] : 0.0 - loads.endMoment[1],
            2.0 * (loads.endForce[end] + loads.nodeForce[j])};
  }
  const double fL = 0.25 / mesh.elementStiffness[j - 1], fR = 0.25 / mesh.elementStiffness[j];
  return {0.0 - loads.nodeForce[j],
          -2.0 * (mesh.elementLength[j - 1] * fL * loads.elementMomentShift[j - 1] +
                  mesh.elementLength[j] * fR * loads.elementMomentShift[j])};
}

}  // namespace pelvar
