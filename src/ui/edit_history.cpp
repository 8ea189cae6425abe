#include "ui/edit_history.h"

#include <utility>

namespace pelvar {

void EditHistory::record(const CellChange& change) {
  if (group_) {
    group_->push_back(change);
    return;
  }
  push({change});
}

void EditHistory::beginGroup() {
  if (groupDepth_++ == 0) group_.emplace();
}

void EditHistory::endGroup() {
  if (groupDepth_ == 0 || --groupDepth_ > 0 || !group_) return;
  EditStep step = std::move(*group_);
  group_.reset();
  if (!step.empty()) push(std::move(step));
}

void EditHistory::push(EditStep step) {
  redo_.clear();
  undo_.push_back(std::move(step));
  if (undo_.size() > kMaxSteps) undo_.erase(undo_.begin());
}

std::optional<EditStep> EditHistory::move(std::vector<EditStep>& from, std::vector<EditStep>& to) {
  if (from.empty()) return std::nullopt;
  EditStep step = std::move(from.back());
  from.pop_back();
  to.push_back(step);
  return step;
}

std::optional<EditStep> EditHistory::takeUndo() { return move(undo_, redo_); }

std::optional<EditStep> EditHistory::takeRedo() { return move(redo_, undo_); }

void EditHistory::clear() {
  undo_.clear();
  redo_.clear();
  group_.reset();
  groupDepth_ = 0;
}

}  // namespace pelvar
