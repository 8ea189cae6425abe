#include "analysis/contact.h"

#include <algorithm>

namespace pelvar {

void ContactSet::Start(const MeshData& mesh, int elementCount) {
  elementCount_ = elementCount;
  for (int j = 0; j < elementCount; ++j) springs_[j] = mesh.elementSpring[j];
  lifted_.reset();
  seen_[0] = lifted_;
  rounds_ = 1;
}

void ContactSet::Apply(MeshData& mesh) const {
  for (int j = 0; j < elementCount_; ++j) {
    mesh.elementSpring[j] = lifted_[static_cast<std::size_t>(j)] ? 0.0 : springs_[j];
  }
}

ContactSet::Step ContactSet::Choose(const Set& proposed, const Judgement& judgement) {
  judged_[rounds_ - 1] = judgement;
  if (judgement.worst < 0) return Step::Settled;

  auto metBefore = [&](const Set& set) {
    return std::find(seen_.begin(), seen_.begin() + rounds_, set) != seen_.begin() + rounds_;
  };
  Set next = proposed;
  if (metBefore(next)) {
    // The sets go round: from the set that came closest, change only its worst element.
    const int best = static_cast<int>(std::min_element(judged_.begin(), judged_.begin() + rounds_,
                                                       [](const Judgement& a, const Judgement& b) {
                                                         return a.violation < b.violation;
                                                       }) -
                                      judged_.begin());
    next = seen_[best];
    next.flip(static_cast<std::size_t>(judged_[best].worst));
    if (metBefore(next)) return Step::Unsettled;
  }
  if (rounds_ == kMaxContactRounds) return Step::Unsettled;

  bool pressing = false;
  for (int j = 0; j < elementCount_ && !pressing; ++j) {
    pressing = springs_[j] > 0.0 && !next[static_cast<std::size_t>(j)];
  }
  if (!pressing) return Step::LiftsOff;

  lifted_ = next;
  seen_[rounds_++] = next;
  return Step::Changed;
}

}  // namespace pelvar
