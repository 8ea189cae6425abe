#include "analysis/contact.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelvar {

// Why the contact is the least of an energy. Taken as (compatibility, equilibrium) with the sign
// of equilibrium turned, the scheme's equations are symmetric. Let L be the difference that both
// use, (u[j+1] - u[j])/hR - (u[j] - u[j-1])/hL at an interior node and the one-sided difference
// at an end, C its rows of the interior nodes, F the elements' flexibility (each element
// h/(4·EI)·[1 1; 1 1] on the moments of its two nodes), S the springs (each element
// K/4·[1 1; 1 1] on its two displacements) and f the loads of the nodes. Compatibility of the
// interior nodes reads F·M + C·w = 0 and equilibrium of every node L·M - S·w = -f, the end
// moments being prescribed. Compatibility gives the interior moments from w, M = -F⁻¹·C·w plus
// the share of the end moments, and equilibrium then reads (Cᵀ·F⁻¹·C + S)·w = g, g the loads
// with the end moments' share: the stationary point of
//   E(w) = ½·wᵀ·Cᵀ·F⁻¹·C·w + ½·Σ K·(mean w)² - gᵀ·w,
// bending plus springs less the work of the loads (Cᵀ·F⁻¹·C is positive semidefinite and
// vanishes only on the rigid movements w = a + b·x). On soil that takes no tension an element's
// term is ½·K·max(mean w, 0)²: E stays convex and once differentiable, and is quadratic between
// the points where some element's mean w changes sign. Its least point is the contact sought:
// there every spring in contact presses and the beam is above the soil at every other one.
//
// The energy along a line needs no inversion of F. An estimate w keeps the moments M that go
// with it by compatibility; Newton's step goes to the scheme's solution ws (moments Ms) with the
// springs of the set A of elements that press at w, so d = ws - w and δM = Ms - M = -F⁻¹·C·d,
// and the bending along d is dᵀ·Cᵀ·F⁻¹·C·d = δMᵀ·F·δM = Σ h/EI·((δM0 + δM1)/2)², the bending
// energy of the change of moment. Since ws solves (Cᵀ·F⁻¹·C + S_A)·ws = g, the slope of the
// energy at w + t·d is
//   E'(t) = -(1 - t)·δMᵀ·F·δM + Σ K·b·([presses at t]·(a + t·b) - [in A]·(a + b)),
// a and b an element's mean w at w and its change along d: piecewise linear and increasing, 0 at
// t = 1 where no element changes sides on the way, and negative at 0 (a step downhill). Its zero
// is found exactly by walking the points where elements change sides. Along a rigid movement r
// (sinking, r = 1, or turning about a point), Cᵀ·F⁻¹·C·r = 0 and gᵀ·r is the work of the loads'
// resultant (ResultantOfLoads), so E'(t) = -gᵀ·r + Σ K·b·[presses at t]·(a + t·b).
//
// The energy has a least point unless some rigid movement lifts every spring (or leaves it
// where it is) while the loads do work on it: that is, unless the loads' resultant pushes the
// beam onto the soil at a point between the outermost elements with springs. Otherwise the beam
// lifts off. Where the elements pressing at an estimate cannot hold the beam (none, or all at one
// point about which it would turn), their energy has no least point along some rigid movement:
// the estimate then first sinks or turns to the least of the true energy along that movement,
// which brings further elements into contact.

namespace {

// Springs that hold nothing gain at least one element by sinking, and springs pressing at one
// point gain another by turning about it; more moves than that are a beam that lifts off.
constexpr int kMaxRigidMoves = 4;
// Sinking and turning after the first solve, alternately, until both find the beam balanced:
// each changes what the other balances where it changes the contact.
constexpr int kBalancingMoves = 10;

double MeanOf(const double* w, int element) { return 0.5 * w[element] + 0.5 * w[element + 1]; }

}  // namespace

void ContactSet::Start(const MeshData& mesh, int elementCount) {
  elementCount_ = elementCount;
  for (int j = 0; j < elementCount; ++j) springs_[j] = mesh.elementSpring[j];
  inContact_.set();
  guessed_ = false;
  rounds_ = 1;
}

void ContactSet::StartFrom(MeshData& mesh, int elementCount,
                           const std::bitset<kMaxElements>& contact) {
  Start(mesh, elementCount);
  inContact_ = contact;
  guessed_ = true;
  Apply(mesh);
}

void ContactSet::Apply(MeshData& mesh) const {
  for (int j = 0; j < elementCount_; ++j) {
    mesh.elementSpring[j] = inContact_[static_cast<std::size_t>(j)] ? springs_[j] : 0.0;
  }
}

ContactSet::Step ContactSet::Next(const ProblemData& data, MeshData& mesh,
                                  const BlockSystem& solved) {
  const int n = elementCount_;
  if (Settles(solved)) return Step::Settled;
  if (rounds_ == kMaxContactRounds) return Step::Unsettled;
  if (rounds_ == 1) {
    // With every spring (or with the springs of a first guess) the beam pulls somewhere. Where the
    // soil can carry the loads at all, the solution is the first estimate.
    middle_ = 0.5 * (mesh.nodeX[0] + mesh.nodeX[n]);
    loads_ = ResultantOfLoads(data, mesh, middle_);
    if (!mesh.supported && !LoadsCanBeCarried(mesh)) return Step::LiftsOff;
    for (int j = 0; j <= n; ++j) {
      m_[j] = solved.rows[j].rhs[0];
      w_[j] = solved.rows[j].rhs[1];
      mRight_[j] = solved.momentRight[j];
    }
    for (int j = 0; j < n; ++j) {
      inContact_[static_cast<std::size_t>(j)] = springs_[j] * MeanOf(w_.data(), j) > 0.0;
    }
    // The pressing springs carry the loads and the pull of the springs in tension. Let go of
    // those, the beam rises and turns as a rigid body, which costs no solve, until the pressing
    // springs carry just the loads: the least of the energy that way. This takes the contact
    // much of its way in, and lifts the beam off where the solution with every spring presses
    // again further out (a beam on springs bends in waves), which Newton's steps would be slow
    // to let go of.
    // Supports hold the beam where they stand: it cannot move as a rigid body.
    int balanced = 0;  // moves in a row that found the beam balanced that way
    // A first guess is near its contact already.
    for (int moves = 0; moves < kBalancingMoves && balanced < 2 && !mesh.supported && !guessed_;
         ++moves) {
      bool balance = false;
      if (!MoveRigidly(mesh, moves % 2 == 1, &balance)) return Step::LiftsOff;
      balanced = balance ? balanced + 1 : 0;
    }
  } else if (!NewtonStep(data, mesh, solved)) {
    return Step::LiftsOff;
  }
  for (int moves = 0;; ++moves) {
    Apply(mesh);
    // With supports the springs in contact and the supports together must hold the beam.
    if (mesh.supported) {
      if (FreeRigidMotion(data, mesh)) return Step::LiftsOff;
      break;
    }
    if (SpringsHoldTheBeam(mesh, n)) break;
    // Nothing presses: the beam sinks; something presses at one point: it turns about it.
    bool pressing = false;
    for (int j = 0; j < n && !pressing; ++j) {
      pressing = inContact_[static_cast<std::size_t>(j)] && springs_[j] != 0.0;
    }
    if (moves == kMaxRigidMoves || !MoveRigidly(mesh, pressing)) return Step::LiftsOff;
  }
  ++rounds_;
  return Step::Changed;
}

bool ContactSet::Settles(const BlockSystem& solved) const {
  const int n = elementCount_;
  double largest = 0.0;
  for (int j = 0; j <= n; ++j) largest = std::max(largest, std::fabs(solved.rows[j].rhs[1]));
  const double tolerance = 1e-10 * largest;
  for (int j = 0; j < n; ++j) {
    const double k = springs_[j];
    if (k == 0.0) continue;
    const double meanW = 0.5 * solved.rows[j].rhs[1] + 0.5 * solved.rows[j + 1].rhs[1];
    // The pressure's sign with the spring's: positive presses on the soil.
    const double pressing = k > 0.0 ? meanW : -meanW;
    const bool unmet =
        inContact_[static_cast<std::size_t>(j)] ? pressing < -tolerance : pressing > tolerance;
    if (unmet) return false;
  }
  return true;
}

bool ContactSet::LoadsCanBeCarried(const MeshData& mesh) const {
  const int n = elementCount_;
  double first = 0.0, last = 0.0;
  bool any = false;
  for (int j = 0; j < n; ++j) {
    if (springs_[j] == 0.0) continue;
    const double middle = 0.5 * (mesh.nodeX[j] + mesh.nodeX[j + 1]);
    if (!any) first = middle;
    last = middle;
    any = true;
  }
  // The resultant's moments about the outermost springs: it must press the beam down between
  // them.
  const double aboutFirst = loads_.moment + loads_.force * (middle_ - first);
  const double aboutLast = loads_.moment + loads_.force * (middle_ - last);
  return any && loads_.force > 0.0 && aboutFirst > 0.0 && aboutLast < 0.0;
}

bool ContactSet::NewtonStep(const ProblemData& data, const MeshData& mesh,
                            const BlockSystem& solved) {
  const int n = elementCount_;
  // The bending energy of the change of moment, and the springs' share of the curvature along
  // the step.
  // The change of the moment at node j where element e has it: right of j, where a support holds
  // the rotation there, it follows from the node values of j and j+1.
  const auto momentChange = [&](int j, int e) {
    if (e == j && mesh.rotationHeldInside && solved.heldRight[j]) {
      return solved.momentRight[j] - mRight_[j];
    }
    return solved.rows[j].rhs[0] - m_[j];
  };
  double bending = 0.0;
  for (int j = 0; j < n; ++j) {
    const double change = momentChange(j, j) + momentChange(j + 1, j);
    bending += mesh.elementLength[j] * change * change / mesh.elementStiffness[j];
  }
  double curvature = bending * 0.25;
  // The elastic supports' springs store energy too: kt·w² and, at the ends, kr·θ².
  if (mesh.supported) {
    for (int p = 0; p <= data.sectionCount; ++p) {
      const PointSupport& support = data.points[p].support;
      if (support.kind != SupportKind::Elastic) continue;
      const int j = mesh.pointNode[p];
      const double dw = solved.rows[j].rhs[1] - w_[j];
      curvature += support.spring * dw * dw;
      if (support.rotationalSpring == 0.0) continue;
      // The rotational spring turns with the slope at an end, and inside with the slope on
      // either side, half of it with each (see the mesh).
      const bool inside = j != 0 && j != n;
      for (const bool right : {false, true}) {
        if ((j == 0 && !right) || (j == n && right)) continue;
        double slope[2][2];
        SideSlope(mesh, j, right, slope);
        double dtheta = 0.0;
        for (int k = 0; k < 2; ++k) {
          const int node = k == 0 ? j : (right ? j + 1 : j - 1);
          dtheta += slope[k][0] * momentChange(node, right ? j : j - 1) +
                    slope[k][1] * (solved.rows[node].rhs[1] - w_[node]);
        }
        curvature += (inside ? 0.5 * RotationalSpringAt(mesh, j, support).stiffness
                             : support.rotationalSpring) *
                     dtheta * dtheta;
      }
    }
  }
  for (int j = 0; j < n; ++j) {
    const double a = MeanOf(w_.data(), j);
    const double b = 0.5 * solved.rows[j].rhs[1] + 0.5 * solved.rows[j + 1].rhs[1] - a;
    meanW_[j] = a;
    meanStep_[j] = b;
    if (inContact_[static_cast<std::size_t>(j)]) curvature += springs_[j] * b * b;
  }
  const double t = LeastAlongLine(-curvature, curvature);
  if (!std::isfinite(t)) return false;
  for (int j = 0; j <= n; ++j) {
    w_[j] += t * (solved.rows[j].rhs[1] - w_[j]);
    m_[j] += t * (solved.rows[j].rhs[0] - m_[j]);
    mRight_[j] += t * (solved.momentRight[j] - mRight_[j]);
  }
  return true;
}

// Moves the estimate rigidly to the least of the energy along a sinking (or rising) or, with
// turn, a turning about the middle of the springs that press; returns false where the energy falls
// without end that way.
bool ContactSet::MoveRigidly(const MeshData& mesh, bool turn, bool* balanced) {
  const int n = elementCount_;
  double pivot = middle_;
  if (turn) {
    double weight = 0.0, weighted = 0.0;
    for (int j = 0; j < n; ++j) {
      if (!inContact_[static_cast<std::size_t>(j)] || springs_[j] == 0.0) continue;
      const double k = std::fabs(springs_[j]);
      weight += k;
      weighted += k * 0.5 * (mesh.nodeX[j] + mesh.nodeX[j + 1]);
    }
    if (weight > 0.0) pivot = weighted / weight;
  }
  auto movement = [&](double x) { return turn ? x - pivot : 1.0; };
  // The slope of the energy: the springs' force (or moment) less the loads'.
  double slope = -(turn ? loads_.moment + loads_.force * (middle_ - pivot) : loads_.force);
  double curvature = 0.0;
  for (int j = 0; j < n; ++j) {
    const double a = MeanOf(w_.data(), j);
    const double b = movement(0.5 * (mesh.nodeX[j] + mesh.nodeX[j + 1]));
    meanW_[j] = a;
    meanStep_[j] = b;
    if (inContact_[static_cast<std::size_t>(j)]) {
      slope += springs_[j] * a * b;
      curvature += springs_[j] * b * b;
    }
  }
  // Balanced to a billionth of the loads: nothing to gain.
  const double length = mesh.nodeX[n] - mesh.nodeX[0];
  const bool balance = std::fabs(slope) <= 1e-9 * loads_.force * (turn ? length : 1.0);
  if (balanced) *balanced = balance;
  if (balance) return true;
  // Downhill, against the slope.
  const double sense = slope < 0.0 ? 1.0 : -1.0;
  if (sense < 0.0) {
    slope = -slope;
    for (int j = 0; j < n; ++j) meanStep_[j] = -meanStep_[j];
  }
  const double t = LeastAlongLine(slope, curvature);
  if (!std::isfinite(t)) return false;
  // The moments stay: a rigid movement bends nothing.
  for (int j = 0; j <= n; ++j) w_[j] += sense * t * movement(mesh.nodeX[j]);
  return true;
}

// The least of the energy along the line from the estimate, whose slope at t = 0 is slope and
// whose curvature is curvature with the elements in contact as they are; each element's mean w
// is meanW_ + t·meanStep_. Walks the points where elements enter or leave the contact in order,
// adding or taking away their springs' share, until the slope turns up. Leaves inContact_ as at
// the least point and returns its t, or infinity where the energy falls without end.
double ContactSet::LeastAlongLine(double slope, double curvature) {
  const int n = elementCount_;
  int count = 0;
  for (int j = 0; j < n; ++j) {
    const double k = springs_[j], b = meanStep_[j];
    if (k == 0.0 || b == 0.0) continue;
    // Only an element moving towards the other side changes; one on the wrong side of its set by
    // rounding changes at once.
    const bool in = inContact_[static_cast<std::size_t>(j)];
    if (in ? k * b >= 0.0 : k * b <= 0.0) continue;
    breaks_[count++] = {std::max(0.0, -meanW_[j] / b), j};
  }
  auto later = [](const std::pair<double, int>& x, const std::pair<double, int>& y) {
    return x.first > y.first;
  };
  // A heap rather than a sort: the walk usually stops after a few of them.
  std::make_heap(breaks_.begin(), breaks_.begin() + count, later);
  double t = 0.0;
  for (;;) {
    if (slope + curvature * t >= 0.0) return t;
    const double next = count > 0 ? breaks_[0].first : std::numeric_limits<double>::infinity();
    if (curvature > 0.0 && -slope <= curvature * next) return -slope / curvature;
    if (count == 0) return std::numeric_limits<double>::infinity();
    std::pop_heap(breaks_.begin(), breaks_.begin() + count, later);
    const auto [at, j] = breaks_[--count];
    t = at;
    const double k = springs_[j], a = meanW_[j], b = meanStep_[j];
    const double sign = inContact_[static_cast<std::size_t>(j)] ? -1.0 : 1.0;
    slope += sign * k * a * b;
    curvature += sign * k * b * b;
    inContact_.flip(static_cast<std::size_t>(j));
  }
}

}  // namespace pelvar
