// SPDX-License-Identifier: GPL-3.0-or-later
// The steps that undo and redo walk through: what each stroke changed in the
// field, and every picture a load replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "editor/field_change.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"

namespace grimora {

// A picture being edited: the source, its result, its field and the field's
// freeze mask, and where the source came from (a file's path, or what made
// it; empty for the start-up picture).
struct PictureState {
    OwnedDib source;
    OwnedDib result;
    DisplacementField field;
    FreezeMask mask;
    std::string origin;
    // The result is the smooth rendering, not the exact one.
    bool smoothResult = false;

    std::size_t bytes() const;
};

// One step. A load keeps the picture it replaced; undoing it exchanges that
// for the loaded one, which the step then keeps for a redo.
struct HistoryStep {
    std::variant<FieldChange, PictureState> change;

    std::size_t bytes() const;
};

// A quarter of the machine's memory, at most 2 GiB.
std::size_t DefaultHistoryBudget();

class History {
public:
    explicit History(std::size_t budget = DefaultHistoryBudget()) : budget_(budget) {}

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    std::size_t size() const { return steps_.size(); }
    // Memory held by all steps.
    std::size_t bytes() const;
    std::size_t budget() const { return budget_; }

    // Adds a step after the done ones. The steps that could have been
    // redone go, and then the oldest while the history holds more than its
    // budget (the new step too, should it alone hold more). What goes is
    // moved into `gone`, so that the caller decides where to free it.
    void push(HistoryStep step, std::vector<HistoryStep>& gone);
    // Every step goes into `gone`.
    void clear(std::vector<HistoryStep>& gone);
    // The budget from now on; the oldest steps go at once if it is passed.
    void setBudget(std::size_t budget, std::vector<HistoryStep>& gone);

    // The step to undo (the last done), now counted as undone; null when
    // there is none. The caller exchanges its content with the session's.
    HistoryStep* undo();
    // The step to redo (the first undone), now counted as done; null when
    // there is none.
    HistoryStep* redo();

    // True once after steps went for the budget.
    bool takeOldestDropped() { return std::exchange(oldestDropped_, false); }

private:
    void keepBudget(std::vector<HistoryStep>& gone);

    std::deque<HistoryStep> steps_;
    std::size_t done_ = 0;  // steps_[0 .. done_) are done
    std::size_t budget_;
    bool oldestDropped_ = false;
};

}  // namespace grimora
