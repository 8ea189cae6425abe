#include "analysis/exact_solution.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "analysis/result_quantities.h"

namespace pelvar {
namespace {

using Relation = ExactWorkspace::Relation;
using Piece = ExactWorkspace::Piece;

// Rows and columns of a relation.
constexpr int kTheta0 = 0, kShear0 = 1, kTheta1 = 2, kShear1 = 3;
constexpr int kM0 = 0, kW0 = 1, kM1 = 2, kW1 = 3, kLoad = 4;

// The largest |k·b|·l⁴/EI of a piece whose relation comes from the power series: there the
// series of the transfer matrix needs seven terms for full precision and nothing grows.
constexpr double kSeriesLimit = 4.0;

// The relation of a piece of length l (EI, spring k·b and load q·b per metre) with
// |k·b|·l⁴/EI <= kSeriesLimit. The state (w, θ, M, Q) obeys w' = θ, θ' = -M/EI, M' = Q,
// Q' = k·b·w - q·b, whose matrix A has A⁴ = -(k·b/EI)·I; so the transfer matrix over l is
// σ0·I + σ1·lA + σ2·(lA)² + σ3·(lA)³ with σr = sum of x^m / (4m + r)!, x = -k·b·l⁴/EI, and each
// of its entries is one σ times one product, exact to rounding. Solving the rows of w(l) and
// M(l) for θ and Q at the start gives the relation.
void ShortPiece(double l, double ei, double kb, double qb, Relation& out) {
  const double l2 = l * l, l3 = l2 * l, l4 = l2 * l2;
  const double x = -kb * l4 / ei;
  double sigma[5];
  double factorial = 1.0;
  for (int r = 0; r < 5; ++r) {
    if (r > 0) factorial *= r;
    double term = 1.0 / factorial, sum = term;
    for (int m = 1; m <= 7; ++m) {
      const int top = 4 * m + r;
      term *= x / (static_cast<double>(top) * (top - 1) * (top - 2) * (top - 3));
      sum += term;
    }
    sigma[r] = sum;
  }
  const double a = -1.0 / ei, rho = kb;
  // Each row: the coefficients of w0, θ0, M0, Q0, and the load's share.
  const double tw[4] = {sigma[0], sigma[1] * l, sigma[2] * l2 * a, sigma[3] * l3 * a};
  const double gw = -qb * a * sigma[4] * l4;
  const double tt[4] = {sigma[3] * l3 * a * rho, sigma[0], sigma[1] * l * a, sigma[2] * l2 * a};
  const double gt = -qb * a * sigma[3] * l3;
  const double tm[4] = {sigma[2] * l2 * rho, sigma[3] * l3 * rho, sigma[0], sigma[1] * l};
  const double gm = -qb * sigma[2] * l2;
  const double tq[4] = {sigma[1] * l * rho, sigma[2] * l2 * rho, sigma[3] * l3 * rho * a, sigma[0]};
  const double gq = -qb * sigma[1] * l;

  // w1 - (w0, M0 and load terms) and M1 - (the same), over the columns M0, w0, M1, w1, 1.
  const double r1[5] = {-tw[2], -tw[0], 0.0, 1.0, -gw};
  const double r2[5] = {-tm[2], -tm[0], 1.0, 0.0, -gm};
  // [tw θ, tw Q; tm θ, tm Q] has the determinant σ1²l² + σ3²l⁶·k·b/EI > 0 within the limit.
  const double inverse = 1.0 / (tw[1] * tm[3] - tw[3] * tm[1]);
  for (int c = 0; c < 5; ++c) {
    const double theta0 = (tm[3] * r1[c] - tw[3] * r2[c]) * inverse;
    const double shear0 = (tw[1] * r2[c] - tm[1] * r1[c]) * inverse;
    out[kTheta0][c] = theta0;
    out[kShear0][c] = shear0;
    out[kTheta1][c] = tt[1] * theta0 + tt[3] * shear0;
    out[kShear1][c] = tq[1] * theta0 + tq[3] * shear0;
  }
  out[kTheta1][kW0] += tt[0];
  out[kTheta1][kM0] += tt[2];
  out[kTheta1][kLoad] += gt;
  out[kShear1][kW0] += tq[0];
  out[kShear1][kM0] += tq[2];
  out[kShear1][kLoad] += gq;
}

// Joins piece a and the piece b that follows it into one: at the joint the slope is continuous,
// the shear force drops by the force there and the moment rises by the moment there (both 0
// inside a run of equal elements), which gives M (left of the joint) and w there from the outer
// ends (middle). joined may be a or b.
void Join(const Relation& a, const Relation& b, Relation& joined, double (&middle)[2][5],
          double force = 0.0, double moment = 0.0) {
  const double g00 = a[kTheta1][kM1] - b[kTheta0][kM0], g01 = a[kTheta1][kW1] - b[kTheta0][kW0];
  const double g10 = a[kShear1][kM1] - b[kShear0][kM0], g11 = a[kShear1][kW1] - b[kShear0][kW0];
  // b starts from the joint's M and its moment; its shear force there is a's less the force.
  const double r0[5] = {-a[kTheta1][kM0], -a[kTheta1][kW0], b[kTheta0][kM1], b[kTheta0][kW1],
                        b[kTheta0][kLoad] - a[kTheta1][kLoad] + b[kTheta0][kM0] * moment};
  const double r1[5] = {-a[kShear1][kM0], -a[kShear1][kW0], b[kShear0][kM1], b[kShear0][kW1],
                        b[kShear0][kLoad] - a[kShear1][kLoad] + b[kShear0][kM0] * moment + force};
  const double inverse = 1.0 / (g00 * g11 - g01 * g10);
  double mid[2][5];
  for (int c = 0; c < 5; ++c) {
    mid[0][c] = (g11 * r0[c] - g01 * r1[c]) * inverse;
    mid[1][c] = (g00 * r1[c] - g10 * r0[c]) * inverse;
  }
  Relation result;
  for (int c = 0; c < 5; ++c) {
    for (int row : {kTheta0, kShear0}) {
      result[row][c] = a[row][kM1] * mid[0][c] + a[row][kW1] * mid[1][c];
    }
    for (int row : {kTheta1, kShear1}) {
      result[row][c] = b[row][kM0] * mid[0][c] + b[row][kW0] * mid[1][c];
    }
  }
  for (int row : {kTheta0, kShear0}) {
    result[row][kM0] += a[row][kM0];
    result[row][kW0] += a[row][kW0];
    result[row][kLoad] += a[row][kLoad];
  }
  for (int row : {kTheta1, kShear1}) {
    result[row][kM1] += b[row][kM1];
    result[row][kW1] += b[row][kW1];
    result[row][kLoad] += b[row][kLoad] + b[row][kM0] * moment;
  }
  std::copy(&result[0][0], &result[0][0] + 20, &joined[0][0]);
  std::copy(&mid[0][0], &mid[0][0] + 10, &middle[0][0]);
}

// The relation of an element on springs (k·b > 0) longer than the series takes, β·l > 1 with
// β = (k·b / 4EI)^¼. Its displacement is q/k plus the four solutions that decay away from one end:
// e^-βx·(cos βx, sin βx) from the left end and e^-βy·(cos βy, sin βy), y = l - x, from the right.
// Written so, no factor grows with the length: what one end does to the other comes in with
// e^-βl alone, which falls to 0 on a long element instead of swamping the rest. With the moment
// measured as M/(2EI·β²), w and M at the ends give the amplitudes a (left) and b (right) from
// a + P·b = left end, P·a + b = right end, P = e^-βl·[cos βl, sin βl; -sin βl, cos βl]: so
// (I - P²)·a = left - P·right, whose determinant is at least (1 - e^-2)² here.
bool SpringElement(double l, double ei, double kb, double qb, double beta, Relation& out) {
  const double t = beta * l, e = std::exp(-t), c = e * std::cos(t), s = e * std::sin(t);
  const double mScale = 1.0 / (2.0 * ei * beta * beta);
  const double shear = 2.0 * ei * beta * beta * beta;  // |Q| of a unit amplitude at its end
  const double settlement = qb / kb;
  // The ends' values over the columns M0, w0, M1, w1, 1, less the settlement under the load.
  const double left[2][5] = {{0.0, 1.0, 0.0, 0.0, -settlement}, {mScale, 0.0, 0.0, 0.0, 0.0}};
  const double right[2][5] = {{0.0, 0.0, 0.0, 1.0, -settlement}, {0.0, 0.0, mScale, 0.0, 0.0}};
  // I - P² = [d, -f; f, d].
  const double d = 1.0 - (c * c - s * s), f = 2.0 * c * s;
  const double inverse = 1.0 / (d * d + f * f);
  for (int col = 0; col < 5; ++col) {
    const double r0 = left[0][col] - (c * right[0][col] + s * right[1][col]);
    const double r1 = left[1][col] - (c * right[1][col] - s * right[0][col]);
    const double a1 = (d * r0 + f * r1) * inverse, a2 = (d * r1 - f * r0) * inverse;
    const double b1 = right[0][col] - (c * a1 + s * a2);
    const double b2 = right[1][col] - (c * a2 - s * a1);
    out[kTheta0][col] = beta * ((a2 - a1) + (c + s) * b1 - (c - s) * b2);
    out[kTheta1][col] = beta * ((b1 - b2) - (c + s) * a1 + (c - s) * a2);
    out[kShear0][col] = shear * ((c - s) * b1 + (c + s) * b2 - (a1 + a2));
    out[kShear1][col] = shear * ((b1 + b2) - (c - s) * a1 - (c + s) * a2);
  }
  bool finite = true;
  for (const auto& row : out) {
    for (double v : row) finite = finite && std::isfinite(v);
  }
  return finite;
}

// The relation of one element: from the series where it is short enough, from the decaying
// solutions where it rests on springs, else (springs that pull, k < 0, where the solutions grow
// both ways) from 2^s equal parts joined in pairs. False when the element's values leave the
// range of doubles.
bool ElementRelation(double h, double ei, double kb, double qb, Relation& out) {
  if (kb > 0.0) {
    const double beta = std::sqrt(std::sqrt(kb / (4.0 * ei)));
    if (!std::isfinite(beta * h)) return false;
    if (beta * h > 1.0) return SpringElement(h, ei, kb, qb, beta, out);
  }
  const double ratio = std::fabs(kb) * (h * h) * (h * h) / ei;
  if (!std::isfinite(ratio)) return false;
  int halvings = 0;
  while (ratio > kSeriesLimit * std::ldexp(1.0, 4 * halvings)) ++halvings;
  ShortPiece(std::ldexp(h, -halvings), ei, kb, qb, out);
  double unused[2][5];
  for (int i = 0; i < halvings; ++i) Join(out, out, out, unused);
  return true;
}

// The piece of `elements` elements of the run at hand, made from smaller ones as needed.
int PieceOf(ExactWorkspace& work, int elements) {
  for (int i = 0; i < work.pieceCount; ++i) {
    if (work.pieces[i].elements == elements) return i;
  }
  const int first = PieceOf(work, elements / 2);
  const int second = PieceOf(work, elements - elements / 2);
  Piece& piece = work.pieces[work.pieceCount];
  piece.elements = elements;
  piece.first = first;
  piece.second = second;
  Join(work.pieces[first].relation, work.pieces[second].relation, piece.relation, piece.middle);
  return work.pieceCount++;
}

// M and w at the nodes inside a piece of the run at hand that starts at node start, from its
// ends: M just right of the start and just left of the end.
void FillInside(const ExactWorkspace& work, std::array<ExactNode, kMaxNodes>& exact, int start,
                int index, double mStart, double mEnd) {
  const Piece& piece = work.pieces[index];
  if (piece.elements < 2) return;
  const int half = piece.elements / 2;
  const double w0 = exact[start].w, w1 = exact[start + piece.elements].w;
  const double(&mid)[2][5] = piece.middle;
  const double m = mid[0][kM0] * mStart + mid[0][kW0] * w0 + mid[0][kM1] * mEnd + mid[0][kW1] * w1 +
                   mid[0][kLoad];
  const double w = mid[1][kM0] * mStart + mid[1][kW0] * w0 + mid[1][kM1] * mEnd + mid[1][kW1] * w1 +
                   mid[1][kLoad];
  ExactNode& node = exact[start + half];
  node.MLeft = node.MRight = m;
  node.w = w;
  FillInside(work, exact, start, piece.first, mStart, m);
  FillInside(work, exact, start + half, piece.second, m, mEnd);
}

// Shear force from a relation row and the element's end values.
double Apply(const double (&row)[5], double m0, double w0, double m1, double w1) {
  return row[kM0] * m0 + row[kW0] * w0 + row[kM1] * m1 + row[kW1] * w1 + row[kLoad];
}

}  // namespace

namespace {

// The exact solution in its stages: find the runs of equal elements, condense each into one
// relation of its ends, build the equations of the joints between runs (the two ends in a
// function of their own), solve them, and fill the nodes inside every run from its ends.
class ExactBeamSolve {
 public:
  ExactBeamSolve(const ProblemData& data, const MeshData& mesh, ExactWorkspace& work,
                 BlockSystem& joints, BandWorkspace& band, std::array<ExactNode, kMaxNodes>& exact)
      : data_(data), mesh_(mesh), work_(work), joints_(joints), band_(&band), exact_(&exact) {}
  // Only to assemble the chain (AssembleChain), which neither solves nor fills the nodes.
  ExactBeamSolve(const ProblemData& data, const MeshData& mesh, ExactWorkspace& work,
                 BlockSystem& joints)
      : data_(data), mesh_(mesh), work_(work), joints_(joints) {}

  // The equations with a joint at every node (ExactChain), and the jump of M at each.
  bool AssembleChain(std::array<double, kMaxNodes>& jump) {
    everyNode_ = true;
    if (!Assemble()) return false;
    for (int t = 0; t <= runs(); ++t) jump[t] = Jump(t);
    return true;
  }

  bool Run() {
    if (!Assemble() || !SolveBanded(joints_, runs(), *band_)) return false;
    return FillNodes() && CorrectionIsNegligible();
  }

 private:
  int runs() const { return work_.runCount; }

  // The runs, their relations and the equations of the joints between them.
  bool Assemble() {
    FindRuns();
    if (!CondenseRuns()) return false;
    for (int t = 0; t <= runs(); ++t) {
      if (t == 0 || t == runs()) {
        BuildEndRow(t);
      } else {
        BuildJointRow(t);
      }
    }
    return true;
  }

  // A new run at every point and wherever an element differs from the one before.
  void FindRuns() {
    const int n = data_.elementCount, m = data_.sectionCount;
    int& runs = work_.runCount;
    runs = 0;
    for (int j = 0; j < n; ++j) work_.loadedInside[j] = false;
    for (int i = 0; i < mesh_.insideCount; ++i) work_.loadedInside[mesh_.inside[i].element] = true;
    int nextPoint = 1;  // the first interior point not yet passed
    for (int j = 0; j < n; ++j) {
      bool starts = j == 0;
      if (nextPoint < m && mesh_.pointNode[nextPoint] == j) {
        starts = true;
        ++nextPoint;
      }
      // A load on node j, or inside element j or the one before it.
      if (mesh_.nodeLoad[j] != 0.0 || mesh_.nodeMoment[j] != 0.0 || work_.loadedInside[j] ||
          (j > 0 && work_.loadedInside[j - 1])) {
        starts = true;
      }
      if (!starts && (mesh_.elementLength[j] != mesh_.elementLength[j - 1] ||
                      mesh_.elementStiffness[j] != mesh_.elementStiffness[j - 1] ||
                      mesh_.elementSpring[j] != mesh_.elementSpring[j - 1] ||
                      mesh_.elementLoad[j] != mesh_.elementLoad[j - 1])) {
        starts = true;
      }
      if (starts || everyNode_) work_.runStart[runs++] = j;
    }
    work_.runStart[runs] = n;
  }

  // The relation of the element of run r, as the first piece of that run. An element that holds
  // loads anywhere inside is joined from its parts between them, each load at its joint.
  bool StartRun(int r) {
    const int j = work_.runStart[r];
    const double inverseH = mesh_.elementInverseLength[j];
    const double h = mesh_.elementLength[j], ei = mesh_.elementStiffness[j];
    const double kb = mesh_.elementSpring[j] * inverseH, qb = mesh_.elementLoad[j] * inverseH;
    work_.pieceCount = 1;
    work_.pieces[0].elements = 1;
    Relation& relation = work_.pieces[0].relation;
    if (!work_.loadedInside[j]) return ElementRelation(h, ei, kb, qb, relation);
    // The loads inside, in their order along the element.
    std::array<std::pair<double, int>, kMaxStateLoadsAnywhere> inside;
    int count = 0;
    for (int i = 0; i < mesh_.insideCount; ++i) {
      const InsideLoad& load = mesh_.inside[static_cast<std::size_t>(i)];
      if (load.element == j) inside[static_cast<std::size_t>(count++)] = {load.fraction, i};
    }
    std::sort(inside.begin(), inside.begin() + count);
    // The joints: loads within a thousandth of the element of the one before stand at its joint,
    // with their force's moment about it, as loads near a node stand on the node (PlaceOnMesh).
    std::array<double, kMaxStateLoadsAnywhere> jointAt, jointForce, jointMoment;
    int joints = 0;
    for (int i = 0; i < count; ++i) {
      const auto [fraction, l] = inside[static_cast<std::size_t>(i)];
      const InsideLoad& load = mesh_.inside[static_cast<std::size_t>(l)];
      if (joints > 0 && fraction - jointAt[static_cast<std::size_t>(joints - 1)] <= 1e-3) {
        const std::size_t last = static_cast<std::size_t>(joints - 1);
        jointForce[last] += load.force;
        jointMoment[last] += load.moment + load.force * (fraction - jointAt[last]) * h;
        continue;
      }
      jointAt[static_cast<std::size_t>(joints)] = fraction;
      jointForce[static_cast<std::size_t>(joints)] = load.force;
      jointMoment[static_cast<std::size_t>(joints++)] = load.moment;
    }
    double at = 0.0;  // where the part being joined ends, as a share of h
    Relation part;
    double unused[2][5];
    for (int i = 0; i <= joints; ++i) {
      const std::size_t k = static_cast<std::size_t>(i);
      const double end = i < joints ? jointAt[k] : 1.0;
      if (!ElementRelation((end - at) * h, ei, kb, qb, i == 0 ? relation : part)) return false;
      if (i > 0) Join(relation, part, relation, unused, jointForce[k - 1], jointMoment[k - 1]);
      at = end;
    }
    return true;
  }

  // Every run's whole relation, its elements joined two at a time.
  bool CondenseRuns() {
    for (int r = 0; r < runs(); ++r) {
      if (!StartRun(r)) return false;
      const Piece& whole = work_.pieces[PieceOf(work_, work_.runStart[r + 1] - work_.runStart[r])];
      std::copy(&whole.relation[0][0], &whole.relation[0][0] + 20, &work_.runRelation[r][0][0]);
    }
    return true;
  }

  // The force and the moment at the joint before run `joint` (its start node): its point's and
  // the loads anywhere there, as the mesh holds them.
  double JointForce(int joint) const { return mesh_.nodeLoad[work_.runStart[joint]]; }
  double JointMoment(int joint) const {
    const int node = work_.runStart[joint], n = data_.elementCount;
    if (node == 0) return data_.points[0].moment + mesh_.endMoment[0];
    if (node == n) return data_.points[data_.sectionCount].moment + mesh_.endMoment[1];
    return mesh_.nodeMoment[node];
  }

  // The point load at the joint before run `joint` (its start node), if one stands there.
  const PointLoadRow* PointAt(int joint) const {
    const int node = work_.runStart[joint];
    for (int p = 0; p <= data_.sectionCount; ++p) {
      if (mesh_.pointNode[p] == node) return &data_.points[p];
    }
    return nullptr;
  }

  // The moment of an interior point makes M jump, so the run after it starts from M + moment,
  // where M, the unknown of the joint, is the value left of it.
  double Jump(int joint) const {
    if (joint == 0 || joint == runs()) return 0.0;
    return JointMoment(joint);
  }

  // The moment where run r starts, from the unknowns of its joints r and r+1:
  // c[0]·Mr + c[1]·wr + c[2]·Mr+1 + c[3]·wr+1 + c[4]. It is the joint's M and the jump of its
  // point moment, and less kr·θ where a rotational spring holds the joint inside the beam, θ the
  // run's slope at its start, which depends on that moment in turn.
  struct StartMoment {
    double c[5] = {1.0, 0.0, 0.0, 0.0, 0.0};
  };
  StartMoment StartOf(int r) const {
    StartMoment start;
    start.c[4] = Jump(r);
    const PointLoadRow* point = r == 0 ? nullptr : PointAt(r);
    if (point != nullptr && HoldsRotation(point->support.kind)) {
      // A support that holds the rotation: the moment is whatever gives the run its held slope
      // at its start, θ0 = the rotation; the joint's own M, left of it, has no part in it, and a
      // point moment there goes into the support's reaction.
      const double(&theta)[5] = work_.runRelation[r][kTheta0];
      const double inverse = 1.0 / theta[kM0];
      start.c[0] = 0.0;
      start.c[1] = -inverse * theta[kW0];
      start.c[2] = -inverse * theta[kM1];
      start.c[3] = -inverse * theta[kW1];
      start.c[4] = inverse * (point->support.rotation - theta[kLoad]);
      return start;
    }
    if (point == nullptr || point->support.kind != SupportKind::Elastic ||
        point->support.rotationalSpring == 0.0) {
      return start;
    }
    const double kr = point->support.rotationalSpring;
    const double(&theta)[5] = work_.runRelation[r][kTheta0];
    const double scale = 1.0 / (1.0 + kr * theta[kM0]);
    start.c[0] = scale;
    start.c[1] = -scale * kr * theta[kW0];
    start.c[2] = -scale * kr * theta[kM1];
    start.c[3] = -scale * kr * theta[kW1];
    // -kr·(θ - θ0), θ0 the rotation of the spring's base.
    start.c[4] = scale * (Jump(r) + kr * point->support.rotation - kr * theta[kLoad]);
    return start;
  }

  // A row of run r's relation as coefficients of the unknowns (M, w) of its joints r and r+1,
  // and its constant part.
  struct JointTerms {
    double start[2], end[2], constant;
  };
  JointTerms OnJoints(int r, const double (&x)[5]) const {
    const StartMoment s = StartOf(r);
    return {{x[kM0] * s.c[0], x[kW0] + x[kM0] * s.c[1]},
            {x[kM1] + x[kM0] * s.c[2], x[kW1] + x[kM0] * s.c[3]},
            x[kLoad] + x[kM0] * s.c[4]};
  }

  // The equations of an end: the prescribed moment, and the end's shear force, Q(0) = -F at the
  // left end and Q(L) = F at the right end, from the relation of the run at that end.
  void BuildEndRow(int t) {
    const bool left = t == 0;
    const PointLoadRow* point = PointAt(t);
    const int run = left ? 0 : runs() - 1;
    BlockRow& row = joints_.rows[t];
    row = BlockRow{};
    row.entryCount = 2;
    row.columnNode = {t, left ? 1 : runs() - 1, 0};
    row.block[0][0][0] = 1.0;
    row.rhs[0] = left ? JointMoment(t) : 0.0 - JointMoment(t);
    const JointTerms q = OnJoints(run, work_.runRelation[run][left ? kShear0 : kShear1]);
    const double(&own)[2] = left ? q.start : q.end;
    const double(&other)[2] = left ? q.end : q.start;
    row.block[0][1][0] = own[0];
    row.block[0][1][1] = own[1];
    row.block[1][1][0] = other[0];
    row.block[1][1][1] = other[1];
    row.rhs[1] = (left ? -JointForce(t) : JointForce(t)) - q.constant;
    if (point->support.kind != SupportKind::None) HoldEnd(t, point->support);
  }

  // An end's support: a held slope in place of the prescribed moment, or a rotational spring's
  // moment added to it (M0 = P - kr·(θ - θ0) at the left end, Mn = -(P - kr·(θ - θ0)) at the
  // right); a held displacement in place of the shear force, or a spring's force added to it
  // (Q = -F + kt·(w - w0) at the left end, Q = F - kt·(w - w0) at the right); w0 and θ0 where
  // the spring's base stands.
  void HoldEnd(int t, const PointSupport& support) {
    const bool left = t == 0;
    const int run = left ? 0 : runs() - 1;
    BlockRow& row = joints_.rows[t];
    const JointTerms theta = OnJoints(run, work_.runRelation[run][left ? kTheta0 : kTheta1]);
    const double(&own)[2] = left ? theta.start : theta.end;
    const double(&other)[2] = left ? theta.end : theta.start;
    if (HoldsRotation(support.kind)) {
      row.block[0][0][0] = own[0];
      row.block[0][0][1] = own[1];
      row.block[1][0][0] = other[0];
      row.block[1][0][1] = other[1];
      row.rhs[0] = support.rotation - theta.constant;
    } else if (support.kind == SupportKind::Elastic) {
      const double kr = left ? support.rotationalSpring : -support.rotationalSpring;
      row.block[0][0][0] += kr * own[0];
      row.block[0][0][1] += kr * own[1];
      row.block[1][0][0] += kr * other[0];
      row.block[1][0][1] += kr * other[1];
      row.rhs[0] += kr * (support.rotation - theta.constant);
    }
    if (HoldsDisplacement(support.kind)) {
      HoldDisplacement(row, 1, support.displacement);
    } else if (support.kind == SupportKind::Elastic) {
      const double kt = left ? support.spring : -support.spring;
      row.block[0][1][1] -= kt;
      row.rhs[1] -= kt * support.displacement;
    }
  }

  // The equations of an interior joint: equilibrium (shear force right - left = -F) and
  // continuity of the slope, between the run before it and the run after it.
  void BuildJointRow(int t) {
    const PointLoadRow* point = PointAt(t);
    const double force = JointForce(t);
    BlockRow& row = joints_.rows[t];
    row = BlockRow{};
    row.entryCount = 3;
    row.columnNode = {t, t - 1, t + 1};
    const int rows[2][2] = {{kShear0, kShear1}, {kTheta0, kTheta1}};
    for (int e = 0; e < 2; ++e) {
      const JointTerms r = OnJoints(t, work_.runRelation[t][rows[e][0]]);
      const JointTerms l = OnJoints(t - 1, work_.runRelation[t - 1][rows[e][1]]);
      for (int u = 0; u < 2; ++u) {
        row.block[0][e][u] = r.start[u] - l.end[u];
        row.block[1][e][u] = -l.start[u];
        row.block[2][e][u] = r.end[u];
      }
      row.rhs[e] = (e == 0 ? -force : 0.0) - r.constant + l.constant;
    }
    // A support inside holds the displacement in place of the equilibrium, or its spring's force
    // kt·w joins the shear force's jump. One that holds the rotation holds the slope at the end
    // of the run before it in place of the slopes' continuity: the run after it starts from its
    // held slope (StartOf).
    if (point == nullptr) return;
    if (HoldsRotation(point->support.kind)) {
      const JointTerms l = OnJoints(t - 1, work_.runRelation[t - 1][kTheta1]);
      for (int u = 0; u < 2; ++u) {
        row.block[0][1][u] = l.end[u];
        row.block[1][1][u] = l.start[u];
        row.block[2][1][u] = 0.0;
      }
      row.rhs[1] = point->support.rotation - l.constant;
    }
    if (HoldsDisplacement(point->support.kind)) {
      HoldDisplacement(row, 0, point->support.displacement);
    } else if (point->support.kind == SupportKind::Elastic) {
      row.block[0][0][1] -= point->support.spring;
      row.rhs[0] -= point->support.spring * point->support.displacement;
    }
  }

  // The nodes of every run from its ends, then the shear forces from each element's relation:
  // both sides at a run's ends, one value, left of the node, inside it, where Q is continuous.
  bool FillNodes() {
    const int n = data_.elementCount;
    largestM_ = 1e-6 * ResultReference(data_, &ResultNode::M);
    largestW_ = 1e-6 * ResultReference(data_, &ResultNode::w);
    bool finite = true;
    for (int r = 0; r < runs(); ++r) {
      const int first = work_.runStart[r], last = work_.runStart[r + 1];
      const StartMoment start = StartOf(r);
      const double mStart = start.c[0] * joints_.rows[r].rhs[0] +
                            start.c[1] * joints_.rows[r].rhs[1] +
                            start.c[2] * joints_.rows[r + 1].rhs[0] +
                            start.c[3] * joints_.rows[r + 1].rhs[1] + start.c[4];
      const double mEnd = joints_.rows[r + 1].rhs[0];
      (*exact_)[first].w = joints_.rows[r].rhs[1];
      (*exact_)[last].w = joints_.rows[r + 1].rhs[1];
      (*exact_)[first].MRight = mStart;
      (*exact_)[last].MLeft = mEnd;
      if (!StartRun(r)) return false;
      FillInside(work_, *exact_, first, PieceOf(work_, last - first), mStart, mEnd);
      const Relation& element = work_.pieces[0].relation;
      (*exact_)[first].QRight = Apply(element[kShear0], mStart, (*exact_)[first].w,
                                      (*exact_)[first + 1].MLeft, (*exact_)[first + 1].w);
      for (int j = first; j < last; ++j) {
        ExactNode& node = (*exact_)[j + 1];
        node.QLeft =
            Apply(element[kShear1], (*exact_)[j].MRight, (*exact_)[j].w, node.MLeft, node.w);
        if (j + 1 < last) node.QRight = node.QLeft;
        finite = finite && std::isfinite(node.QLeft + node.MLeft + node.w);
        largestM_ = std::max(largestM_, std::fabs(node.MLeft));
        largestW_ = std::max(largestW_, std::fabs(node.w));
      }
      largestM_ = std::max(largestM_, std::fabs(mStart));
      largestW_ = std::max(largestW_, std::fabs((*exact_)[first].w));
      finite = finite && std::isfinite((*exact_)[first].QRight);
    }
    // The ends have no outside: both sides are the beam's own value.
    (*exact_)[0].MLeft = (*exact_)[0].MRight;
    (*exact_)[0].QLeft = (*exact_)[0].QRight;
    (*exact_)[n].MRight = (*exact_)[n].MLeft;
    (*exact_)[n].QRight = (*exact_)[n].QLeft;
    return finite;
  }

  // The solve's own estimate of its error, judged by what it would change in the equations of
  // the run ends: one more correction of M and w must move none of them by more than a
  // ten-millionth of its size at the scale of the whole beam (its coefficients times the largest
  // |M| and |w| along it). M and w are not judged each against its own largest value: on a mesh
  // far too coarse for its springs the beam moves only near its loads, between the nodes, and w
  // at every node is all but nil, no scale for the rounding of the w that a point moment's
  // joint carries beside its M.
  bool CorrectionIsNegligible() const {
    for (int t = 0; t <= runs(); ++t) {
      const BlockRow& row = joints_.rows[t];
      for (int e = 0; e < 2; ++e) {
        double sizeM = 0.0, sizeW = 0.0;
        for (int c = 0; c < row.entryCount; ++c) {
          sizeM += std::fabs(row.block[c][e][0]);
          sizeW += std::fabs(row.block[c][e][1]);
        }
        const double change = sizeM * band_->correctionM + sizeW * band_->correctionW;
        if (!(change <= 1e-7 * (sizeM * largestM_ + sizeW * largestW_))) return false;
      }
    }
    return true;
  }

  const ProblemData& data_;
  const MeshData& mesh_;
  ExactWorkspace& work_;
  BlockSystem& joints_;
  BandWorkspace* band_ = nullptr;
  std::array<ExactNode, kMaxNodes>* exact_ = nullptr;
  double largestM_ = 0.0, largestW_ = 0.0;
  bool everyNode_ = false;
};

}  // namespace

bool SolveExactBeam(const ProblemData& data, const MeshData& mesh, ExactWorkspace& work,
                    BlockSystem& joints, BandWorkspace& band,
                    std::array<ExactNode, kMaxNodes>& exact) {
  AssertCountsWithinLimits(data);
  return ExactBeamSolve(data, mesh, work, joints, band, exact).Run();
}

bool ExactChain::Prepare(const ProblemData& data, const MeshData& mesh) {
  AssertCountsWithinLimits(data);
  mesh_ = &mesh;
  n_ = data.elementCount;
  if (mesh.rotationHeldInside || mesh.rotationalSpringsInside ||
      !ExactBeamSolve(data, mesh, work_, rows_).AssembleChain(jump_)) {
    return false;
  }
  for (auto& takes : takes_) takes = {true, true};
  supported_.fill(false);
  if (mesh.supported) {
    // The equations assembled without any load and without the supports' own displacements and
    // rotations, and again with a force and a moment of 1 on every node: those whose right-hand
    // sides change take the loads, the others are a support's.
    auto bare = std::make_unique<ProblemData>(data);
    for (PointLoadRow& point : bare->points) {
      point.force = point.moment = 0.0;
      point.support.displacement = point.support.rotation = 0.0;
    }
    auto unloaded = std::make_unique<MeshData>(mesh), loaded = std::make_unique<MeshData>(mesh);
    for (MeshData* m : {unloaded.get(), loaded.get()}) {
      const double load = m == loaded.get() ? 1.0 : 0.0;
      for (int j = 0; j <= n_; ++j) m->nodeLoad[j] = m->nodeMoment[j] = load;
      for (int e = 0; e < n_; ++e) m->elementLoad[e] = 0.0;
      m->endMoment[0] = m->endMoment[1] = load;
      m->insideCount = 0;
    }
    auto work = std::make_unique<ExactWorkspace>();
    auto without = std::make_unique<BlockSystem>(), with = std::make_unique<BlockSystem>();
    std::array<double, kMaxNodes> jump;
    if (!ExactBeamSolve(*bare, *unloaded, *work, *without).AssembleChain(jump) ||
        !ExactBeamSolve(*bare, *loaded, *work, *with).AssembleChain(jump)) {
      return false;
    }
    for (int j = 0; j <= n_; ++j) {
      for (int e = 0; e < 2; ++e) takes_[j][e] = with->rows[j].rhs[e] != without->rows[j].rhs[e];
    }
    for (int p = 0; p <= data.sectionCount; ++p) {
      if (data.points[p].support.kind != SupportKind::None) supported_[mesh.pointNode[p]] = true;
    }
  }
  touchedCount_ = 0;
  FillLanes(rows_, 0, n_, rhs_);
  for (int j = 0; j <= n_; ++j) {
    jumpChange_[j] = rightShearChange_[j] = leftShearChange_[j] = Lanes{};
  }
  // The elimination works on a copy: the rows stay as assembled for the check.
  auto consumed = std::make_unique<BlockSystem>(rows_);
  return SolveSystem(*consumed, n_, EliminationOrder::Descending, 0, &factors_) ||
         (*consumed = rows_, SolveSystem(*consumed, n_, EliminationOrder::Ascending, 0, &factors_));
}

void ExactChain::StartLoads() {
  // Only the rows and nodes the last forces touched differ from the problem's own.
  for (int i = 0; i < touchedCount_; ++i) {
    const int j = touched_[static_cast<std::size_t>(i)];
    FillLanes(rows_, j, std::min(j + 1, n_), rhs_);
    jumpChange_[j] = rightShearChange_[j] = leftShearChange_[j] = Lanes{};
  }
  touchedCount_ = 0;
}

void ExactChain::AddLoads(int lane, const LoadChange& change) {
  const int n = n_;
  // Into the equations that take loads; a support's own takes them into its reaction.
  const auto add = [&](int j, int e, double value) {
    if (takes_[j][e]) rhs_[j][e][lane] += value;
  };
  // A force on a node: the equilibrium of its joint.
  for (int i = 0; i < change.nodeLoad.Count(); ++i) {
    const int j = change.nodeLoad.At(i);
    const double force = change.nodeLoad[j];
    touched_[static_cast<std::size_t>(touchedCount_++)] = j;
    if (j == 0 || j == n) {
      add(j, 1, j == 0 ? -force : force);
    } else {
      add(j, 0, -force);
    }
  }
  // A moment on a node: at an end the end's moment; inside, a jump of M, which the relation of
  // the element after it carries (as Jump does for a point's moment).
  const auto moment = [&](int j, double value) {
    touched_[static_cast<std::size_t>(touchedCount_++)] = j;
    if (j == 0 || j == n) {
      add(j, 0, j == 0 ? value : -value);
      return;
    }
    const Relation& r = work_.runRelation[j];
    add(j, 0, -r[kShear0][kM0] * value);
    add(j, 1, -r[kTheta0][kM0] * value);
    if (j + 1 == n) {
      add(j + 1, 1, -r[kShear1][kM0] * value);
    } else {
      add(j + 1, 0, r[kShear1][kM0] * value);
      add(j + 1, 1, r[kTheta1][kM0] * value);
    }
    jumpChange_[j][lane] += value;
  };
  for (int i = 0; i < change.nodeMoment.Count(); ++i) {
    moment(change.nodeMoment.At(i), change.nodeMoment[change.nodeMoment.At(i)]);
  }
  if (change.endMoment[0] != 0.0) moment(0, change.endMoment[0]);
  if (change.endMoment[1] != 0.0) moment(n, change.endMoment[1]);
  // Inside an element: its share of the element's load column, from the element's two parts
  // joined at the load, as StartRun joins them.
  for (int i = 0; i < change.insideCount; ++i) {
    const InsideLoad& load = change.inside[static_cast<std::size_t>(i)];
    const int e = load.element;
    const double h = mesh_->elementLength[e], ei = mesh_->elementStiffness[e];
    const double kb = mesh_->elementSpring[e] * mesh_->elementInverseLength[e];
    Relation left, right;
    double unused[2][5];
    double d[4];
    if (!ElementRelation(load.fraction * h, ei, kb, 0.0, left) ||
        !ElementRelation((1.0 - load.fraction) * h, ei, kb, 0.0, right)) {
      // Values beyond doubles: the lane's check fails on what is not a number.
      for (double& c : d) c = std::nan("");
    } else {
      Join(left, right, left, unused, load.force, load.moment);
      for (int row = 0; row < 4; ++row) d[row] = left[row][kLoad];
    }
    if (e == 0) {
      add(0, 1, -d[kShear0]);
    } else {
      add(e, 0, -d[kShear0]);
      add(e, 1, -d[kTheta0]);
    }
    if (e + 1 == n) {
      add(n, 1, -d[kShear1]);
    } else {
      add(e + 1, 0, d[kShear1]);
      add(e + 1, 1, d[kTheta1]);
    }
    rightShearChange_[e][lane] += d[kShear0];
    leftShearChange_[e + 1][lane] += d[kShear1];
    touched_[static_cast<std::size_t>(touchedCount_++)] = e;
    touched_[static_cast<std::size_t>(touchedCount_++)] = e + 1;
  }
}

void ExactChain::Solve(std::array<bool, kLanes>& met) {
  LaneSizes sizes;
  SolveFactored(factors_, n_, rhs_, solution_, sizes);
  FactoredResidualMet(factors_, n_, rhs_, solution_, sizes, met);
}

namespace {

// The exact values at node j of every lane: M left and right of it (the jump at a point inside
// the beam; the ends have no outside), w, and Q from the relations of the elements either side.
template <typename L>
struct LaneExactNode {
  L w, mLeft, mRight, qLeft, qRight;
};

void MeasureLanes(int n, const LaneVector& exactStored, const std::array<double, kMaxNodes>& jump,
                  const std::array<Lanes, kMaxNodes>& jumpChangeStored,
                  const std::array<Lanes, kMaxNodes>& rightShearChangeStored,
                  const std::array<Lanes, kMaxNodes>& leftShearChangeStored,
                  const std::array<Relation, kMaxElements>& relation,
                  const LaneVector& schemeStored, const LaneSides& sidesStored,
                  const std::array<bool, kMaxNodes>& supported,
                  const std::vector<LaneReaction>& reactionsStored,
                  std::array<Lanes, 3>& missStored, std::array<Lanes, 3>& sizeStored,
                  Lanes& probeStored) {
  WithWidestLanes([&]<typename L>() __attribute__((always_inline)) {
    const LaneVectorOf<L>& exact = LanesAs<L>(exactStored);
    const std::array<L, kMaxNodes>& jumpChange = LanesAs<L>(jumpChangeStored);
    const std::array<L, kMaxNodes>& rightShearChange = LanesAs<L>(rightShearChangeStored);
    const std::array<L, kMaxNodes>& leftShearChange = LanesAs<L>(leftShearChangeStored);
    const LaneVectorOf<L>& scheme = LanesAs<L>(schemeStored);
    const LaneSidesOf<L>& sides = LanesAs<L>(sidesStored);
    std::array<L, 3>& miss = LanesAs<L>(missStored);
    std::array<L, 3>& size = LanesAs<L>(sizeStored);
    L& probe = LanesAs<L>(probeStored);
    // A support at node i: what it gives the beam against what it gives the exact beam, the jump
    // of its Q and M beyond the loads there, as MeasureAccuracy measures.
    const auto measureReaction = [&](int i, const LaneExactNode<L>& e) {
      for (const LaneReaction& stored : reactionsStored) {
        const LaneReactionOf<L>& r = LanesAs<L>(stored);
        if (r.node != i) continue;
        const L force = i == 0   ? e.qRight + r.nodeForce
                        : i == n ? r.nodeForce - e.qLeft
                                 : e.qRight - e.qLeft + r.nodeForce;
        const L moment = i == 0   ? e.mRight - r.nodeMoment
                         : i == n ? 0.0 - e.mLeft - r.nodeMoment
                                  : e.mRight - e.mLeft - r.nodeMoment;
        miss[1] = Larger(miss[1], Magnitude(r.force - force));
        miss[2] = Larger(miss[2], Magnitude(r.moment - moment));
        size[1] = Larger(size[1], Magnitude(force));
        size[2] = Larger(size[2], Magnitude(moment));
      }
    };
    // Node i, its exact values complete, joins the measure: each side against the exact value
    // of that side, as MeasureAccuracy measures.
    const auto measure = [&](int i, const LaneExactNode<L>& e) __attribute__((always_inline)) {
      if (supported[i]) [[unlikely]]
        measureReaction(i, e);
      miss[0] = Larger(miss[0], Magnitude(scheme[i][1] - e.w));
      miss[1] = Larger(Larger(miss[1], Magnitude(sides.qLeft[i] - e.qLeft)),
                       Magnitude(sides.qRight[i] - e.qRight));
      miss[2] = Larger(Larger(miss[2], Magnitude(sides.mLeft[i] - e.mLeft)),
                       Magnitude(sides.mRight[i] - e.mRight));
      size[0] = Larger(size[0], Magnitude(e.w));
      size[1] = Larger(Larger(size[1], Magnitude(e.qLeft)), Magnitude(e.qRight));
      size[2] = Larger(Larger(size[2], Magnitude(e.mLeft)), Magnitude(e.mRight));
      // w and M are the solution's, found finite where it met its equations.
      probe += 0.0 * (e.qLeft + e.qRight);
    };
    LaneExactNode<L> before{}, here{};
    for (int j = 0; j <= n; ++j) {
      here.w = exact[j][1];
      here.mLeft = exact[j][0];
      here.mRight = here.mLeft + (jump[j] + jumpChange[j]);
      if (j == 0) here.mLeft = here.mRight;
      if (j == n) here.mRight = here.mLeft;
      if (j > 0) {
        const Relation& r = relation[j - 1];
        const auto apply = [&](const double(&row)[5]) __attribute__((always_inline)) {
          return row[kM0] * before.mRight + row[kW0] * before.w + row[kM1] * here.mLeft +
                 row[kW1] * here.w + row[kLoad];
        };
        before.qRight = apply(r[kShear0]) + rightShearChange[j - 1];
        here.qLeft = apply(r[kShear1]) + leftShearChange[j];
        if (j == 1) before.qLeft = before.qRight;
        measure(j - 1, before);
      }
      before = here;
    }
    // Q right of the last node is Q left of it.
    before.qRight = before.qLeft;
    measure(n, before);
  });
}

}  // namespace

void ExactChain::MeasureAccuracy(const LaneVector& scheme, const LaneSides& sides,
                                 const std::vector<LaneReaction>& reactions,
                                 const std::array<std::array<double, 3>, kLanes>& reference,
                                 std::array<ResultAccuracy, kLanes>& accuracy) const {
  std::array<Lanes, 3> miss{}, size{};
  for (int q = 0; q < 3; ++q) {
    for (int k = 0; k < kLanes; ++k) size[q][k] = 1e-6 * reference[k][q];
  }
  Lanes probe{};
  MeasureLanes(n_, solution_, jump_, jumpChange_, rightShearChange_, leftShearChange_,
               work_.runRelation, scheme, sides, supported_, reactions, miss, size, probe);
  // No difference is exact, also where the quantity and the problem's scale are both 0.
  const auto share = [](double m, double s) { return m == 0.0 ? 0.0 : m / s; };
  for (int k = 0; k < kLanes; ++k) {
    ResultAccuracy& a = accuracy[k];
    a.w = share(miss[0][k], size[0][k]);
    a.Q = share(miss[1][k], size[1][k]);
    a.M = share(miss[2][k], size[2][k]);
    a.available = probe[k] == 0.0 && std::isfinite(a.w) && std::isfinite(a.Q) && std::isfinite(a.M);
  }
}

ResultAccuracy MeasureAccuracy(const ProblemData& data, const MeshData& mesh,
                               const std::array<ExactNode, kMaxNodes>& exact) {
  AssertCountsWithinLimits(data);
  const int n = data.elementCount;
  double missW = 0.0, missQ = 0.0, missM = 0.0;
  double sizeW = 1e-6 * ResultReference(data, &ResultNode::w);
  double sizeQ = 1e-6 * ResultReference(data, &ResultNode::Q);
  double sizeM = 1e-6 * ResultReference(data, &ResultNode::M);
  // Each side of a node against the exact value of that side.
  for (int j = 0; j <= n; ++j) {
    const ResultNode& node = data.nodes[j];
    const ExactNode& e = exact[j];
    missW = std::max(missW, std::fabs(node.w - e.w));
    missQ = std::max({missQ, std::fabs(node.Q - e.QLeft), std::fabs(node.QRight - e.QRight)});
    missM = std::max({missM, std::fabs(node.M - e.MLeft), std::fabs(node.MRight - e.MRight)});
    sizeW = std::max(sizeW, std::fabs(e.w));
    sizeQ = std::max({sizeQ, std::fabs(e.QLeft), std::fabs(e.QRight)});
    sizeM = std::max({sizeM, std::fabs(e.MLeft), std::fabs(e.MRight)});
  }
  // What each support gives the beam against what it gives the exact beam: the force by which Q
  // jumps at its node beyond the loads there, the moment by which M jumps beyond theirs (at an
  // end, from the beam's own value), each in the signs of SupportReaction.
  for (int p = 0; mesh.supported && p <= data.sectionCount; ++p) {
    if (data.points[p].support.kind == SupportKind::None) continue;
    const int j = mesh.pointNode[p];
    const ExactNode& e = exact[j];
    const double force = mesh.nodeLoad[j];
    double moment = mesh.nodeMoment[j];
    if (j == 0 || j == n) moment = data.points[p].moment + mesh.endMoment[j == 0 ? 0 : 1];
    const double exactForce = j == 0   ? e.QRight + force
                              : j == n ? force - e.QLeft
                                       : e.QRight - e.QLeft + force;
    const double exactMoment = j == 0   ? e.MRight - moment
                               : j == n ? 0.0 - e.MLeft - moment
                                        : e.MRight - e.MLeft - moment;
    const SupportReaction& r = data.reactions[p];
    missQ = std::max(missQ, std::fabs(r.force - exactForce));
    missM = std::max(missM, std::fabs(r.moment - exactMoment));
    sizeQ = std::max(sizeQ, std::fabs(exactForce));
    sizeM = std::max(sizeM, std::fabs(exactMoment));
  }
  // No difference is exact, also where the quantity and the problem's scale are both 0.
  auto share = [](double miss, double size) { return miss == 0.0 ? 0.0 : miss / size; };
  ResultAccuracy accuracy;
  accuracy.w = share(missW, sizeW);
  accuracy.Q = share(missQ, sizeQ);
  accuracy.M = share(missM, sizeM);
  accuracy.available =
      std::isfinite(accuracy.w) && std::isfinite(accuracy.Q) && std::isfinite(accuracy.M);
  return accuracy;
}

}  // namespace pelvar
