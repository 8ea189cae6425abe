#pragma once
// Several values worked on as one: the lanes in which the positions of a moving load are solved,
// checked and measured side by side (analysis/moving_load.h), with the few operations they need.

#include <algorithm>
#include <array>

#include "model/problem_data.h"

namespace pelvar {

// The number of right-hand sides that the factored equations take at a time (SolveFactored),
// one in each lane of a Lanes value: the substitution from node to node, whose every step waits
// for the one before, then works on several at once. A Lanes value is two groups of four, each
// worked on as a whole by the compiler (GCC's vector extension), in one register where the
// processor has AVX2.
inline constexpr int kLanes = 8;
using LaneQuad = double __attribute__((vector_size(4 * sizeof(double))));
using QuadMask = decltype(LaneQuad{} < LaneQuad{});  // all bits set where true
struct Lanes {
  LaneQuad quad[kLanes / 4];

  static Lanes All(double value) {
    Lanes all;
    for (LaneQuad& q : all.quad) q = LaneQuad{} + value;
    return all;
  }
  double operator[](int lane) const { return reinterpret_cast<const double*>(quad)[lane]; }
  double& operator[](int lane) { return reinterpret_cast<double*>(quad)[lane]; }
  Lanes& operator+=(const Lanes& other) {
    for (int h = 0; h < kLanes / 4; ++h) quad[h] += other.quad[h];
    return *this;
  }
  Lanes& operator-=(const Lanes& other) {
    for (int h = 0; h < kLanes / 4; ++h) quad[h] -= other.quad[h];
    return *this;
  }
};
inline Lanes operator+(Lanes a, const Lanes& b) { return a += b; }
inline Lanes operator-(Lanes a, const Lanes& b) { return a -= b; }
inline Lanes operator+(Lanes a, double b) { return a += Lanes::All(b); }
inline Lanes operator-(Lanes a, double b) { return a -= Lanes::All(b); }
inline Lanes operator+(double a, const Lanes& b) { return b + a; }
inline Lanes operator-(double a, const Lanes& b) { return Lanes::All(a) - b; }
inline Lanes operator*(double a, Lanes b) {
  for (LaneQuad& q : b.quad) q *= a;
  return b;
}
inline Lanes operator*(const Lanes& a, double b) { return b * a; }
// The larger and the smaller of each lane (a where they compare false: not a number in b is
// passed over), and its magnitude.
inline Lanes Larger(Lanes a, const Lanes& b) {
  for (int h = 0; h < kLanes / 4; ++h) a.quad[h] = b.quad[h] > a.quad[h] ? b.quad[h] : a.quad[h];
  return a;
}
inline Lanes Smaller(Lanes a, const Lanes& b) {
  for (int h = 0; h < kLanes / 4; ++h) a.quad[h] = b.quad[h] < a.quad[h] ? b.quad[h] : a.quad[h];
  return a;
}
inline Lanes Magnitude(Lanes a) {
  // The sign bit cleared.
  for (LaneQuad& q : a.quad) {
    q = reinterpret_cast<LaneQuad>(reinterpret_cast<QuadMask>(q) &
                                   static_cast<long long>(~(1ULL << 63)));
  }
  return a;
}
// Whether a <= b in each lane, gathered over many comparisons: false for not a number.
struct LaneMask {
  QuadMask quad[kLanes / 4];
  static LaneMask True() {
    LaneMask all;
    for (QuadMask& q : all.quad) q = LaneQuad{} == 0.0;
    return all;
  }
  LaneMask& AndNotAbove(const Lanes& a, const Lanes& b) {
    for (int h = 0; h < kLanes / 4; ++h) quad[h] &= a.quad[h] <= b.quad[h];
    return *this;
  }
  bool operator[](int lane) const { return quad[lane / 4][lane % 4] != 0; }
  static LaneMask Of(const std::array<bool, kLanes>& lanes) {
    LaneMask mask;
    for (int k = 0; k < kLanes; ++k) mask.quad[k / 4][k % 4] = lanes[k] ? -1 : 0;
    return mask;
  }
};
// a where the mask is true, else b.
inline Lanes Where(const LaneMask& mask, Lanes a, const Lanes& b) {
  for (int h = 0; h < kLanes / 4; ++h) a.quad[h] = mask.quad[h] ? a.quad[h] : b.quad[h];
  return a;
}
// The largest and the smallest of all lanes, and the first lane that holds a value.
static_assert(kLanes == 8, "the lanes are two groups of four");
inline double LargestLane(const Lanes& a) {
  const LaneQuad q = a.quad[0] > a.quad[1] ? a.quad[0] : a.quad[1];
  return std::max(std::max(q[0], q[1]), std::max(q[2], q[3]));
}
inline double SmallestLane(const Lanes& a) {
  const LaneQuad q = a.quad[0] < a.quad[1] ? a.quad[0] : a.quad[1];
  return std::min(std::min(q[0], q[1]), std::min(q[2], q[3]));
}
inline int FirstLaneOf(const Lanes& a, double value) {
  const LaneQuad first = {0.0, 1.0, 2.0, 3.0}, none = LaneQuad{} + kLanes;
  const LaneQuad low = a.quad[0] == value ? first : none;
  const LaneQuad high = a.quad[1] == value ? first + 4.0 : none;
  const LaneQuad q = low < high ? low : high;
  return static_cast<int>(std::min(std::min(q[0], q[1]), std::min(q[2], q[3])));
}
using LaneValues = std::array<Lanes, 2>;  // M and w of a node
using LaneVector = std::array<LaneValues, kMaxNodes>;
// M and Q either side of every node (as ResultNode holds them), in each lane.
struct LaneSides {
  std::array<Lanes, kMaxNodes> mLeft, mRight, qLeft, qRight;
};

// The functions that work on lanes are made twice, for processors with the wider registers of
// AVX2 and for any other, the one to run chosen when the program loads: both do the same
// operations (AVX2 without fused multiply-add), so their results are the same to the bit.
// PELVAR_PORTABLE_LANES makes them once, for any processor: the sanitizer build tests that way.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && \
    !defined(PELVAR_PORTABLE_LANES)
#define PELVAR_LANE_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define PELVAR_LANE_KERNEL
#endif

}  // namespace pelvar
