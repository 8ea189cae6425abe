#pragma once
// Soil that takes no tension: which elements keep their springs. An element's spring acts only
// while the beam presses on the soil there, its soil pressure p = k·(w0 + w1)/2 at least 0;
// where the beam would pull the soil, the spring is left out and bending alone holds the beam.
//
// The contact is the least of a convex energy of the displacements, which is quadratic wherever
// no element's mean w changes sign (contact.cpp shows how it follows from the scheme). It is
// found by Newton's method on that energy: each round solves the scheme with the springs of the
// elements that press in the current estimate, which gives the least of the energy with those
// springs; the next estimate is the least of the true energy on the line from the current one
// through that solution, found exactly. The energy falls at every step, so the rounds cannot go
// round in a circle; the contact is settled when a solution meets the conditions of the set it
// was solved with, which makes it the scheme's exact solution for that contact. The first
// estimate is the solution with every spring, moved rigidly until only the springs that press
// carry the loads.

#include <array>
#include <bitset>
#include <utility>

#include "analysis/mesh.h"

namespace pelvar {

// Solves beyond this many are not tried: the contact is reported as not settled. Newton's
// method takes a handful; this is a safety net only.
inline constexpr int kMaxContactRounds = 100;

class ContactSet {
 public:
  enum class Step {
    Settled,   // the solution meets the conditions of the set it was solved with
    Changed,   // the mesh has the springs of the next set: solve again
    LiftsOff,  // the soil cannot hold the loads by pressing alone
    Unsettled  // the rounds ran out
  };

  // Every spring of the mesh in contact; the mesh's springs are kept to be put back.
  void Start(const MeshData& mesh, int elementCount);
  // The given elements in contact, as a first guess (the contact of a load nearby, such as a
  // moving load's position before), with their springs given to the mesh; the others' are kept
  // to be put back. The contact found from it is the same: the energy has one least.
  void StartFrom(MeshData& mesh, int elementCount, const std::bitset<kMaxElements>& contact);
  // Gives the mesh the springs of the elements in contact and 0 to the others.
  void Apply(MeshData& mesh) const;
  // Judges the solution of the set as applied (the solved rows: M and w of every node) and, where
  // it misses the set's conditions, takes the next step and gives the mesh the springs of the
  // next set. An element's conditions count as met within a ten-billionth of the largest |w|, so
  // that rounding never turns an element at the edge of the contact back and forth.
  Step Next(const ProblemData& data, MeshData& mesh, const BlockSystem& solved);

  bool LiftedOff(int element) const {
    const auto j = static_cast<std::size_t>(element);
    return springs_[j] != 0.0 && !inContact_[j];
  }
  // Solves so far, the first included.
  int Rounds() const { return rounds_; }
  // The elements in contact in the set last solved with.
  const std::bitset<kMaxElements>& InContact() const { return inContact_; }

 private:
  bool Settles(const BlockSystem& solved) const;
  bool LoadsCanBeCarried(const MeshData& mesh) const;
  bool NewtonStep(const ProblemData& data, const MeshData& mesh, const BlockSystem& solved);
  bool MoveRigidly(const MeshData& mesh, bool turn, bool* balanced = nullptr);
  double LeastAlongLine(double slope, double curvature);

  int elementCount_ = 0;
  int rounds_ = 0;
  bool guessed_ = false;  // started from a first guess (StartFrom)
  // The loads' resultant (ResultantOfLoads), its moment about the middle of the beam.
  LoadResultant loads_;
  double middle_ = 0.0;
  std::array<double, kMaxElements> springs_{};
  // The elements in contact: in the set last solved with, then in the estimate being made.
  std::bitset<kMaxElements> inContact_;
  // The current estimate: w of every node, and the moments that go with it by compatibility
  // (every estimate lies on lines between solutions of the scheme, and M follows w linearly).
  std::array<double, kMaxNodes> w_{};
  std::array<double, kMaxNodes> m_{};
  // The moment right of each node whose rotation a support holds inside the beam.
  std::array<double, kMaxNodes> mRight_{};
  // Along the line being searched: each element's mean w at the estimate, and its change per
  // unit step.
  std::array<double, kMaxElements> meanW_{};
  std::array<double, kMaxElements> meanStep_{};
  // Where along the line an element enters or leaves the contact, with the element.
  std::array<std::pair<double, int>, kMaxElements> breaks_{};
};

}  // namespace pelvar
