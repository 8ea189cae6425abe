#pragma once
// Several values worked on as one: the lanes in which the positions of a moving load are solved,
// checked and measured side by side (analysis/moving_load.h), with the few operations they need.

#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>

#include "model/problem_data.h"

namespace pelvar {

// The number of right-hand sides that the factored equations take at a time (SolveFactored),
// one in each lane of a Lanes value: the substitution from node to node, whose every step waits
// for the one before, then works on several at once.
inline constexpr int kLanes = 8;

// The lanes are worked on in packs as wide as the processor's registers: four values where it
// has AVX2, two where it has only what every x86-64 processor has. A pack wider than the
// registers would be built through memory at every step, many times slower than the narrow one.
// Both widths do the same operations in the same order on each lane (AVX2 without fused
// multiply-add), so their results are the same to the bit. Values are stored in pairs between
// the functions that work on them (Lanes); a function that works on them takes them in the
// widest packs the processor has (WithWidestLanes, LanesAs). may_alias: the same eight doubles
// are read as either width.
using LanePair = double __attribute__((vector_size(2 * sizeof(double))));
using LaneQuad = double __attribute__((vector_size(4 * sizeof(double))));

template <typename Pack>
struct BasicLaneMask;

template <typename Pack>
struct [[gnu::may_alias]] alignas(64) BasicLanes {
  using Mask = BasicLaneMask<Pack>;
  static constexpr int kWidth = static_cast<int>(sizeof(Pack) / sizeof(double));
  static constexpr int kPacks = kLanes / kWidth;
  Pack pack[kPacks];

  [[gnu::always_inline]] static BasicLanes All(double value) {
    BasicLanes all;
    for (Pack& q : all.pack) q = Pack{} + value;
    return all;
  }
  double operator[](int lane) const { return reinterpret_cast<const double*>(pack)[lane]; }
  double& operator[](int lane) { return reinterpret_cast<double*>(pack)[lane]; }
  [[gnu::always_inline]] BasicLanes& operator+=(const BasicLanes& other) {
    for (int h = 0; h < kPacks; ++h) pack[h] += other.pack[h];
    return *this;
  }
  [[gnu::always_inline]] BasicLanes& operator-=(const BasicLanes& other) {
    for (int h = 0; h < kPacks; ++h) pack[h] -= other.pack[h];
    return *this;
  }
};
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator+(BasicLanes<P> a, const BasicLanes<P>& b) {
  return a += b;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator-(BasicLanes<P> a, const BasicLanes<P>& b) {
  return a -= b;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator+(BasicLanes<P> a, double b) {
  return a += BasicLanes<P>::All(b);
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator-(BasicLanes<P> a, double b) {
  return a -= BasicLanes<P>::All(b);
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator+(double a, const BasicLanes<P>& b) {
  return b + a;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator-(double a, const BasicLanes<P>& b) {
  return BasicLanes<P>::All(a) - b;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator*(double a, BasicLanes<P> b) {
  for (P& q : b.pack) q *= a;
  return b;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> operator*(const BasicLanes<P>& a, double b) {
  return b * a;
}
// The larger and the smaller of each lane (a where they compare false: not a number in b is
// passed over), and its magnitude.
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> Larger(BasicLanes<P> a, const BasicLanes<P>& b) {
  for (int h = 0; h < BasicLanes<P>::kPacks; ++h) {
    a.pack[h] = b.pack[h] > a.pack[h] ? b.pack[h] : a.pack[h];
  }
  return a;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> Smaller(BasicLanes<P> a, const BasicLanes<P>& b) {
  for (int h = 0; h < BasicLanes<P>::kPacks; ++h) {
    a.pack[h] = b.pack[h] < a.pack[h] ? b.pack[h] : a.pack[h];
  }
  return a;
}
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> Magnitude(BasicLanes<P> a) {
  using Mask = decltype(P{} < P{});
  // The sign bit cleared.
  for (P& q : a.pack) {
    q = reinterpret_cast<P>(reinterpret_cast<Mask>(q) & static_cast<long long>(~(1ULL << 63)));
  }
  return a;
}
// Whether a <= b in each lane, gathered over many comparisons: false for not a number.
template <typename P>
struct BasicLaneMask {
  using Mask = decltype(P{} < P{});  // all bits set where true
  Mask pack[BasicLanes<P>::kPacks];
  [[gnu::always_inline]] static BasicLaneMask True() {
    BasicLaneMask all;
    for (Mask& q : all.pack) q = P{} == 0.0;
    return all;
  }
  [[gnu::always_inline]] BasicLaneMask& AndNotAbove(const BasicLanes<P>& a,
                                                    const BasicLanes<P>& b) {
    for (int h = 0; h < BasicLanes<P>::kPacks; ++h) pack[h] &= a.pack[h] <= b.pack[h];
    return *this;
  }
  bool operator[](int lane) const { return reinterpret_cast<const long long*>(pack)[lane] != 0; }
  static BasicLaneMask Of(const std::array<bool, kLanes>& lanes) {
    BasicLaneMask mask;
    for (int k = 0; k < kLanes; ++k) {
      reinterpret_cast<long long*>(mask.pack)[k] = lanes[static_cast<std::size_t>(k)] ? -1 : 0;
    }
    return mask;
  }
};
// a where the mask is true, else b.
template <typename P>
[[gnu::always_inline]] inline BasicLanes<P> Where(const BasicLaneMask<P>& mask, BasicLanes<P> a,
                                                  const BasicLanes<P>& b) {
  for (int h = 0; h < BasicLanes<P>::kPacks; ++h) {
    a.pack[h] = mask.pack[h] ? a.pack[h] : b.pack[h];
  }
  return a;
}
// The largest and the smallest of all lanes (the packs first, lane by lane, then the lanes of
// the one pack left), whether any lane reaches a value (is at least, or with maximum false at
// most, as large), and the first lane that holds a value (kLanes where none does).
template <typename P>
[[gnu::always_inline]] inline double LargestLane(const BasicLanes<P>& a) {
  P most = a.pack[0];
  for (int h = 1; h < BasicLanes<P>::kPacks; ++h) most = a.pack[h] > most ? a.pack[h] : most;
  double largest = most[0];
  for (int k = 1; k < BasicLanes<P>::kWidth; ++k) largest = most[k] > largest ? most[k] : largest;
  return largest;
}
template <typename P>
[[gnu::always_inline]] inline double SmallestLane(const BasicLanes<P>& a) {
  P least = a.pack[0];
  for (int h = 1; h < BasicLanes<P>::kPacks; ++h) least = a.pack[h] < least ? a.pack[h] : least;
  double smallest = least[0];
  for (int k = 1; k < BasicLanes<P>::kWidth; ++k) {
    smallest = least[k] < smallest ? least[k] : smallest;
  }
  return smallest;
}
template <typename P>
[[gnu::always_inline]] inline bool AnyLaneReaches(const BasicLanes<P>& a, double value,
                                                  bool maximum) {
  using Mask = decltype(P{} < P{});
  const P bound = P{} + value;
  Mask reaches = Mask{};
  for (const P& q : a.pack) reaches |= maximum ? q >= bound : q <= bound;
  bool any = false;
  for (int k = 0; k < BasicLanes<P>::kWidth; ++k) any = any || reaches[k] != 0;
  return any;
}
template <typename P>
[[gnu::always_inline]] inline int FirstLaneOf(const BasicLanes<P>& a, double value) {
  for (int k = 0; k < kLanes; ++k) {
    if (a[k] == value) return k;
  }
  return kLanes;
}

// The lanes as stored, and as worked on where the processor has AVX2.
using Lanes = BasicLanes<LanePair>;
using WideLanes = BasicLanes<LaneQuad>;
using LaneMask = BasicLaneMask<LanePair>;
static_assert(sizeof(Lanes) == sizeof(WideLanes) && alignof(Lanes) == alignof(WideLanes));

template <typename L>
using LaneValuesOf = std::array<L, 2>;  // M and w of a node
template <typename L>
using LaneVectorOf = std::array<LaneValuesOf<L>, kMaxNodes>;
// M and Q either side of every node (as ResultNode holds them), in each lane.
template <typename L>
struct LaneSidesOf {
  std::array<L, kMaxNodes> mLeft, mRight, qLeft, qRight;
};
// What the support at a node gives the beam in each lane, in the signs of SupportReaction, and
// the force and moment of the loads on that node (at an end, the end's moment as a point's).
template <typename L>
struct LaneReactionOf {
  int node = 0;
  L force{}, moment{};
  L nodeForce{}, nodeMoment{};
};
using LaneValues = LaneValuesOf<Lanes>;
using LaneVector = LaneVectorOf<Lanes>;
using LaneSides = LaneSidesOf<Lanes>;
using LaneReaction = LaneReactionOf<Lanes>;

// Stored lanes seen as lanes L: the same type with L in place of Lanes, at the same address.
template <typename L, typename T>
struct LanesRebound {
  using type = T;
};
template <typename L>
struct LanesRebound<L, Lanes> {
  using type = L;
};
template <typename L, typename T, std::size_t N>
struct LanesRebound<L, std::array<T, N>> {
  using type = std::array<typename LanesRebound<L, T>::type, N>;
};
template <typename L>
struct LanesRebound<L, LaneSidesOf<Lanes>> {
  using type = LaneSidesOf<L>;
};
template <typename L>
struct LanesRebound<L, LaneReactionOf<Lanes>> {
  using type = LaneReactionOf<L>;
};
template <typename L, typename T>
[[gnu::always_inline]] inline auto& LanesAs(T& stored) {
  using Bare = std::remove_const_t<T>;
  using Seen = typename LanesRebound<L, Bare>::type;
  if constexpr (std::is_const_v<T>) {
    return reinterpret_cast<const Seen&>(stored);
  } else {
    return reinterpret_cast<Seen&>(stored);
  }
}

// Runs body.template operator()<L>() with L the widest lanes the processor takes. The body (a
// lambda marked always_inline, calling functions marked so) is made for each width.
// PELVAR_PORTABLE_LANES makes it for the narrow one only: the sanitizer build tests that way.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(PELVAR_PORTABLE_LANES)
template <typename Body>
[[gnu::noinline]] __attribute__((target("avx2"))) void RunWideLanes(const Body& body) {
  body.template operator()<WideLanes>();
}
template <typename Body>
[[gnu::always_inline]] inline void WithWidestLanes(const Body& body) {
  if (__builtin_cpu_supports("avx2")) {
    RunWideLanes(body);
  } else {
    body.template operator()<Lanes>();
  }
}
#else
template <typename Body>
[[gnu::always_inline]] inline void WithWidestLanes(const Body& body) {
  body.template operator()<Lanes>();
}
#endif

}  // namespace pelvar
