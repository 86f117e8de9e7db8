// SPDX-License-Identifier: GPL-3.0-or-later
// What one step of the history changed in the field and its freeze mask, and
// how a stroke's changes are gathered while it lasts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/freeze_mask.h"

namespace grimora {

// The values of one layer (the field's entries, or the mask's bytes) that a
// step changed, as runs along the layer's storage order, with the values the
// layer does not hold at the moment: its values from before the step while
// the step is done, from after it while it is undone. Undo and redo are the
// same exchange, so one copy of each changed value serves both: for entries
// at most 16 bytes each (a run of one), 8 in long runs.
template <typename T>
class RunChange {
public:
    bool empty() const { return runs_.empty(); }
    // The values changed.
    std::size_t count() const { return values_.size(); }
    // Memory held.
    std::size_t bytes() const;
    // The smallest rectangle that holds every changed value.
    DabRect bounds() const { return bounds_; }
    // Exchanges the kept values with the layer's, given as its storage
    // (width x height values, row 0 first) in the state the change expects.
    void swapWith(T* layer);

private:
    template <typename>
    friend class TileRecorder;
    struct Run {
        uint32_t start = 0;  // value number r * width + c
        uint32_t length = 0;
    };
    std::vector<Run> runs_;
    std::vector<T> values_;
    DabRect bounds_;
};

// Gathers what a stroke changes in one layer: before each dab the values it
// may change that nothing kept yet are copied, in tiles of 32 x 32; when the
// stroke ends, the kept values that differ from the layer become a
// RunChange. So a dab pays only for the tiles it reaches first, and the step
// holds only the values that really changed.
template <typename T>
class TileRecorder {
public:
    // Starts on a layer of this size; what was kept before is dropped.
    void start(int32_t width, int32_t height);
    bool active() const { return active_; }
    // Keeps the values of `rect` (clipped to the layer) not kept yet, as
    // `layer` holds them now. Call it before the layer changes there.
    void keep(const T* layer, const DabRect& rect);
    // The values kept that `layer` no longer holds, with their kept values;
    // empty when nothing changed. Ends the recording and gives its memory
    // back.
    RunChange<T> finish(const T* layer);

private:
    static constexpr int32_t kTileSide = 32;
    static constexpr std::size_t kTileValues = std::size_t{kTileSide} * kTileSide;
    // Tiles are kept in blocks of this many, so that a growing stroke never
    // copies what it kept.
    static constexpr std::size_t kBlockTiles = 32;

    T* tile(int32_t slot) {
        return blocks_[static_cast<std::size_t>(slot) / kBlockTiles].get() +
               static_cast<std::size_t>(slot) % kBlockTiles * kTileValues;
    }

    bool active_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t tilesAcross_ = 0;
    // By tile number: its slot among the kept tiles, or -1.
    std::vector<int32_t> slotOfTile_;
    // The tiles kept, in the order kept; their values tile by tile, row by
    // row within a tile.
    std::vector<int32_t> tilesKept_;
    std::vector<std::unique_ptr<T[]>> blocks_;
};

// What one step changed: entries of the field and bytes of the mask.
struct FieldChange {
    RunChange<Displacement> entries;
    RunChange<uint8_t> mask;

    bool empty() const { return entries.empty() && mask.empty(); }
    std::size_t bytes() const { return sizeof(*this) + entries.bytes() + mask.bytes(); }
    DabRect bounds() const;
    // Undo and redo: exchanges the kept values with the field's and mask's.
    void swapWith(DisplacementField& field, FreezeMask& mask);
};

// The recorders of both layers of a stroke or a command.
class FieldRecorder {
public:
    void start(const DisplacementField& field);
    bool active() const { return entries_.active(); }
    // Call these before the field or the mask changes in `rect`.
    void keepField(const DisplacementField& field, const DabRect& rect) {
        entries_.keep(field.data(), rect);
    }
    void keepMask(const FreezeMask& mask, const DabRect& rect) { mask_.keep(mask.data(), rect); }
    // What changed since start; empty when nothing did.
    FieldChange finish(const DisplacementField& field, const FreezeMask& mask);

private:
    TileRecorder<Displacement> entries_;
    TileRecorder<uint8_t> mask_;
};

}  // namespace grimora
