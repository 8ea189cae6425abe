#include "ui/edit_history.h"

#include <utility>

namespace pelvar {

void EditHistory::record(const CellChange& change) {
  if (group_) {
    group_->push_back(change);
    return;
  }
  redo_.clear();
  undo_.push_back({change});
  if (undo_.size() > kMaxSteps) undo_.erase(undo_.begin());
}

void EditHistory::beginGroup() {
  if (!group_) group_.emplace();
}

void EditHistory::endGroup() {
  if (!group_) return;
  EditStep step = std::move(*group_);
  group_.reset();
  if (step.empty()) return;
  redo_.clear();
  undo_.push_back(std::move(step));
  if (undo_.size() > kMaxSteps) undo_.erase(undo_.begin());
}

std::optional<EditStep> EditHistory::takeUndo() {
  if (undo_.empty()) return std::nullopt;
  EditStep step = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(step);
  return step;
}

std::optional<EditStep> EditHistory::takeRedo() {
  if (redo_.empty()) return std::nullopt;
  EditStep step = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(step);
  return step;
}

void EditHistory::clear() {
  undo_.clear();
  redo_.clear();
  group_.reset();
}

}  // namespace pelvar
