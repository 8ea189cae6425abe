#pragma once
// Soil that takes no tension: which elements keep their springs. An element's spring acts only
// while the beam presses on the soil there, its soil pressure p = k·(w0 + w1)/2 at least 0;
// where the beam would pull the soil, the spring is left out and bending alone holds the beam.
// The set of elements in contact is found by active sets: solve with every spring, leave out
// the springs of the elements that pull, put back those of left-out elements whose beam has come
// back down, and solve again, until the set no longer changes.

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>

#include "analysis/mesh.h"

namespace pelvar {

// Solves beyond this many are not tried: the contact is reported as not settled.
inline constexpr int kMaxContactRounds = 100;

class ContactSet {
 public:
  enum class Step {
    Settled,   // the solution meets the conditions of the set it was solved with
    Changed,   // solve again with the set as it now is
    LiftsOff,  // no spring is left that presses: nothing holds the beam down
    Unsettled  // the sets go round in a circle, or the rounds ran out
  };

  // Every spring of the mesh in contact; the mesh's springs are kept to be put back.
  void Start(const MeshData& mesh, int elementCount);
  // Gives the mesh the springs of the elements in contact and 0 to the others.
  void Apply(MeshData& mesh) const;
  // Judges the solution of the set as applied (w of every node, node 0 first) and makes the
  // next set. An element's conditions count as met within a ten-billionth of the largest |w|,
  // so that rounding never turns an element at the edge of the contact back and forth. Where the
  // next set was met before, the set that came closest to its conditions is taken instead, with
  // only its worst element changed.
  template <typename WOf>
  Step Next(WOf&& wOf);

  bool LiftedOff(int element) const { return lifted_[static_cast<std::size_t>(element)]; }
  // Solves so far, the first included.
  int Rounds() const { return rounds_; }

 private:
  using Set = std::bitset<kMaxElements>;
  // What the solution of a set leaves unmet: the spring force of the elements that pull, and
  // the force that the left-out springs under a beam that came back down would take; and the
  // element with the most of it.
  struct Judgement {
    double violation = 0.0;
    int worst = -1;
  };
  Step Choose(const Set& next, const Judgement& judgement);

  int elementCount_ = 0;
  std::array<double, kMaxElements> springs_{};
  Set lifted_;
  std::array<Set, kMaxContactRounds> seen_{};
  std::array<Judgement, kMaxContactRounds> judged_{};
  int rounds_ = 0;
};

template <typename WOf>
ContactSet::Step ContactSet::Next(WOf&& wOf) {
  const int n = elementCount_;
  double largest = 0.0;
  for (int j = 0; j <= n; ++j) largest = std::max(largest, std::fabs(wOf(j)));
  const double tolerance = 1e-10 * largest;
  Set next = lifted_;
  Judgement judgement;
  double worstForce = 0.0;
  for (int j = 0; j < n; ++j) {
    const double k = springs_[static_cast<std::size_t>(j)];
    if (k == 0.0) continue;
    const double meanW = 0.5 * wOf(j) + 0.5 * wOf(j + 1);
    // The pressure's sign with the spring's: positive presses on the soil.
    const double pressing = k > 0.0 ? meanW : -meanW;
    const bool out = lifted_[static_cast<std::size_t>(j)];
    const bool unmet = out ? pressing > tolerance : pressing < -tolerance;
    if (!unmet) continue;
    next.flip(static_cast<std::size_t>(j));
    const double force = std::fabs(k * meanW);
    judgement.violation += force;
    if (force > worstForce) {
      worstForce = force;
      judgement.worst = j;
    }
  }
  return Choose(next, judgement);
}

}  // namespace pelvar
