// SPDX-License-Identifier: GPL-3.0-or-later
// What one step of the history changed in the field, and how a stroke's
// changes are gathered while it lasts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "warp/displacement_field.h"
#include "warp/effect.h"

namespace grimora {

// The entries a step changed, as runs along the field's storage order, with
// the values the field does not hold at the moment: its values from before
// the step while the step is done, from after it while it is undone. Undo
// and redo are the same exchange, so one copy of each changed entry serves
// both: at most 16 bytes an entry (a run of one), 8 in long runs.
class FieldChange {
public:
    bool empty() const { return runs_.empty(); }
    // The entries changed.
    std::size_t entries() const { return values_.size(); }
    // Memory held.
    std::size_t bytes() const;
    // The smallest rectangle that holds every changed entry.
    DabRect bounds() const { return bounds_; }
    // Exchanges the kept values with the field's; the field must be the one
    // the change was made on (its size), in the state the change expects.
    void swapWith(DisplacementField& field);

private:
    friend class FieldRecorder;
    struct Run {
        uint32_t start = 0;  // entry number r * width + c
        uint32_t length = 0;
    };
    std::vector<Run> runs_;
    std::vector<Displacement> values_;
    DabRect bounds_;
};

// Gathers what a stroke changes: before each dab the entries it may change
// that nothing kept yet are copied, in tiles of 32 x 32; when the stroke
// ends, the kept entries that differ from the field become a FieldChange.
// So a dab pays only for the tiles it reaches first, and the step holds only
// the entries that really changed.
class FieldRecorder {
public:
    // Starts a stroke on `field`; what an earlier stroke kept is dropped.
    void start(const DisplacementField& field);
    bool active() const { return active_; }
    // Keeps the entries of `rect` (clipped to the field) not kept yet, as the
    // field holds them now. Call it before the field changes there.
    void keep(const DisplacementField& field, const DabRect& rect);
    // The entries kept that the field no longer holds, with their kept
    // values; empty when the stroke changed nothing. Ends the stroke and
    // gives its memory back.
    FieldChange finish(const DisplacementField& field);

private:
    static constexpr int32_t kTileSide = 32;
    static constexpr std::size_t kTileEntries = std::size_t{kTileSide} * kTileSide;

    bool active_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t tilesAcross_ = 0;
    // By tile number: its slot in kept_, or -1.
    std::vector<int32_t> slotOfTile_;
    // The tiles kept, in the order kept, and their entries: tile by tile in
    // blocks of kBlockTiles, row by row within a tile. Blocks, so that a
    // growing stroke never copies what it kept.
    static constexpr std::size_t kBlockTiles = 32;
    std::vector<int32_t> tilesKept_;
    std::vector<std::unique_ptr<Displacement[]>> blocks_;

    Displacement* tile(int32_t slot) {
        return blocks_[static_cast<std::size_t>(slot) / kBlockTiles].get() +
               static_cast<std::size_t>(slot) % kBlockTiles * kTileEntries;
    }
};

}  // namespace grimora
