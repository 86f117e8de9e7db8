// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/history.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <unistd.h>

namespace grimora {

namespace {

std::size_t PictureBytes(const OwnedDib& picture) {
    return picture.holdsPicture() && picture->info != nullptr
               ? static_cast<std::size_t>(picture->info->bmiHeader.biSizeImage)
               : 0;
}

}  // namespace

std::size_t PictureState::bytes() const {
    return sizeof(*this) + PictureBytes(source) + PictureBytes(result) +
           field.size() * sizeof(Displacement) + mask.size() + origin.capacity();
}

std::size_t HistoryStep::bytes() const {
    return std::visit([](const auto& change) { return change.bytes(); }, change);
}

std::size_t DefaultHistoryBudget() {
    constexpr std::size_t kMost = std::size_t{2} << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) {
        return kMost;
    }
    const auto memory =
        static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize);
    return static_cast<std::size_t>(std::min<unsigned long long>(memory / 4, kMost));
}

std::size_t History::bytes() const {
    std::size_t total = 0;
    for (const HistoryStep& step : steps_) {
        total += step.bytes();
    }
    return total;
}

void History::push(HistoryStep step, std::vector<HistoryStep>& gone) {
    std::move(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end(),
              std::back_inserter(gone));
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    keepBudget(gone);
}

void History::clear(std::vector<HistoryStep>& gone) {
    std::move(steps_.begin(), steps_.end(), std::back_inserter(gone));
    steps_.clear();
    done_ = 0;
}

void History::setBudget(std::size_t budget, std::vector<HistoryStep>& gone) {
    budget_ = budget;
    keepBudget(gone);
}

void History::keepBudget(std::vector<HistoryStep>& gone) {
    std::size_t total = bytes();
    while (!steps_.empty() && total > budget_) {
        if (done_ == 0) {
            // Every step is undone: without the oldest none of the others
            // can be redone.
            std::move(steps_.begin(), steps_.end(), std::back_inserter(gone));
            steps_.clear();
            oldestDropped_ = true;
            return;
        }
        total -= steps_.front().bytes();
        gone.push_back(std::move(steps_.front()));
        steps_.pop_front();
        --done_;
        oldestDropped_ = true;
    }
}

HistoryStep* History::undo() {
    if (done_ == 0) {
        return nullptr;
    }
    return &steps_[--done_];
}

HistoryStep* History::redo() {
    if (done_ == steps_.size()) {
        return nullptr;
    }
    return &steps_[done_++];
}

}  // namespace grimora
