// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/field_change.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace grimora {

std::size_t FieldChange::bytes() const {
    return sizeof(*this) + runs_.capacity() * sizeof(Run) +
           values_.capacity() * sizeof(Displacement);
}

void FieldChange::swapWith(DisplacementField& field) {
    Displacement* kept = values_.data();
    for (const Run& run : runs_) {
        std::swap_ranges(kept, kept + run.length, field.data() + run.start);
        kept += run.length;
    }
}

void FieldRecorder::start(const DisplacementField& field) {
    width_ = field.width();
    height_ = field.height();
    tilesAcross_ = (width_ + kTileSide - 1) / kTileSide;
    const int32_t tilesDown = (height_ + kTileSide - 1) / kTileSide;
    // finish() leaves every slot at -1; only a new size needs the table anew.
    const auto tiles = static_cast<std::size_t>(tilesAcross_) * static_cast<std::size_t>(tilesDown);
    if (slotOfTile_.size() != tiles) {
        slotOfTile_.assign(tiles, -1);
    }
    tilesKept_.clear();
    active_ = true;
}

void FieldRecorder::keep(const DisplacementField& field, const DabRect& rect) {
    const int32_t left = std::max(rect.x, 0);
    const int32_t bottom = std::max(rect.y, 0);
    const auto right =
        static_cast<int32_t>(std::min<int64_t>(int64_t{rect.x} + rect.width, width_));
    const auto top =
        static_cast<int32_t>(std::min<int64_t>(int64_t{rect.y} + rect.height, height_));
    if (!active_ || left >= right || bottom >= top) {
        return;
    }
    for (int32_t ty = bottom / kTileSide; ty <= (top - 1) / kTileSide; ++ty) {
        for (int32_t tx = left / kTileSide; tx <= (right - 1) / kTileSide; ++tx) {
            int32_t& slot = slotOfTile_[static_cast<std::size_t>(ty) * tilesAcross_ + tx];
            if (slot >= 0) {
                continue;
            }
            const auto next = static_cast<int32_t>(tilesKept_.size());
            if (static_cast<std::size_t>(next) / kBlockTiles == blocks_.size()) {
                blocks_.push_back(std::make_unique<Displacement[]>(kBlockTiles * kTileEntries));
            }
            tilesKept_.push_back(ty * tilesAcross_ + tx);
            slot = next;
            Displacement* to = tile(slot);
            const int32_t c0 = tx * kTileSide;
            const auto count = static_cast<std::size_t>(std::min(kTileSide, width_ - c0));
            const int32_t rEnd = std::min(height_, (ty + 1) * kTileSide);
            for (int32_t r = ty * kTileSide; r < rEnd; ++r, to += kTileSide) {
                std::memcpy(to, field.row(r) + c0, count * sizeof(Displacement));
            }
        }
    }
}

FieldChange FieldRecorder::finish(const DisplacementField& field) {
    FieldChange change;
    if (!active_) {
        return change;
    }
    active_ = false;
    // Tile numbers in storage order give the changed entries in storage
    // order: a tile row at a time, and within it a field row at a time.
    std::vector<int32_t> tiles = tilesKept_;
    std::sort(tiles.begin(), tiles.end());
    int32_t minC = width_;
    int32_t maxC = -1;
    int32_t minR = height_;
    int32_t maxR = -1;
    auto& runs = change.runs_;
    auto& values = change.values_;
    for (std::size_t first = 0; first < tiles.size();) {
        const int32_t ty = tiles[first] / tilesAcross_;
        std::size_t end = first;
        while (end < tiles.size() && tiles[end] / tilesAcross_ == ty) {
            ++end;
        }
        const int32_t rEnd = std::min(height_, (ty + 1) * kTileSide);
        for (int32_t r = ty * kTileSide; r < rEnd; ++r) {
            const Displacement* now = field.row(r);
            bool rowChanged = false;
            for (std::size_t k = first; k < end; ++k) {
                const int32_t tx = tiles[k] % tilesAcross_;
                const int32_t c0 = tx * kTileSide;
                const int32_t count = std::min(kTileSide, width_ - c0);
                const Displacement* old = tile(slotOfTile_[static_cast<std::size_t>(tiles[k])]) +
                                          static_cast<std::size_t>(r - ty * kTileSide) * kTileSide;
                if (std::memcmp(old, now + c0,
                                static_cast<std::size_t>(count) * sizeof(Displacement)) == 0) {
                    continue;
                }
                for (int32_t i = 0; i < count; ++i) {
                    if (old[i] == now[c0 + i]) {
                        continue;
                    }
                    const auto at =
                        static_cast<uint32_t>(static_cast<std::size_t>(r) * width_ + c0 + i);
                    if (!runs.empty() && runs.back().start + runs.back().length == at) {
                        ++runs.back().length;
                    } else {
                        runs.push_back({at, 1});
                    }
                    values.push_back(old[i]);
                    minC = std::min(minC, c0 + i);
                    maxC = std::max(maxC, c0 + i);
                    rowChanged = true;
                }
            }
            if (rowChanged) {
                minR = std::min(minR, r);
                maxR = std::max(maxR, r);
            }
        }
        first = end;
    }
    for (const int32_t t : tilesKept_) {
        slotOfTile_[static_cast<std::size_t>(t)] = -1;
    }
    tilesKept_.clear();
    // A few blocks stay for the next stroke; a large stroke's go back.
    constexpr std::size_t kBlocksKept = 4;
    if (blocks_.size() > kBlocksKept) {
        blocks_.resize(kBlocksKept);
    }
    runs.shrink_to_fit();
    values.shrink_to_fit();
    if (!runs.empty()) {
        change.bounds_ = {minC, minR, maxC - minC + 1, maxR - minR + 1};
    }
    return change;
}

}  // namespace grimora
