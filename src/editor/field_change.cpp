// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/field_change.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace grimora {

template <typename T>
std::size_t RunChange<T>::bytes() const {
    return runs_.capacity() * sizeof(Run) + values_.capacity() * sizeof(T);
}

template <typename T>
void RunChange<T>::swapWith(T* layer) {
    T* kept = values_.data();
    for (const Run& run : runs_) {
        std::swap_ranges(kept, kept + run.length, layer + run.start);
        kept += run.length;
    }
}

template <typename T>
void TileRecorder<T>::start(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
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

template <typename T>
void TileRecorder<T>::keep(const T* layer, const DabRect& rect) {
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
                blocks_.push_back(std::make_unique<T[]>(kBlockTiles * kTileValues));
            }
            tilesKept_.push_back(ty * tilesAcross_ + tx);
            slot = next;
            T* to = tile(slot);
            const int32_t c0 = tx * kTileSide;
            const auto count = static_cast<std::size_t>(std::min(kTileSide, width_ - c0));
            const int32_t rEnd = std::min(height_, (ty + 1) * kTileSide);
            for (int32_t r = ty * kTileSide; r < rEnd; ++r, to += kTileSide) {
                std::memcpy(to, layer + static_cast<std::size_t>(r) * width_ + c0,
                            count * sizeof(T));
            }
        }
    }
}

template <typename T>
RunChange<T> TileRecorder<T>::finish(const T* layer) {
    RunChange<T> change;
    if (!active_) {
        return change;
    }
    active_ = false;
    // Tile numbers in storage order give the changed values in storage
    // order: a tile row at a time, and within it a layer row at a time.
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
            const T* now = layer + static_cast<std::size_t>(r) * width_;
            bool rowChanged = false;
            for (std::size_t k = first; k < end; ++k) {
                const int32_t c0 = tiles[k] % tilesAcross_ * kTileSide;
                const int32_t count = std::min(kTileSide, width_ - c0);
                const T* old = tile(slotOfTile_[static_cast<std::size_t>(tiles[k])]) +
                               static_cast<std::size_t>(r - ty * kTileSide) * kTileSide;
                if (std::memcmp(old, now + c0, static_cast<std::size_t>(count) * sizeof(T)) == 0) {
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

template class RunChange<Displacement>;
template class RunChange<uint8_t>;
template class TileRecorder<Displacement>;
template class TileRecorder<uint8_t>;

DabRect FieldChange::bounds() const {
    return Bounding(entries.bounds(), mask.bounds());
}

void FieldChange::swapWith(DisplacementField& field, FreezeMask& freeze) {
    entries.swapWith(field.data());
    mask.swapWith(freeze.data());
}

void FieldRecorder::start(const DisplacementField& field) {
    entries_.start(field.width(), field.height());
    mask_.start(field.width(), field.height());
}

FieldChange FieldRecorder::finish(const DisplacementField& field, const FreezeMask& mask) {
    FieldChange change;
    change.entries = entries_.finish(field.data());
    change.mask = mask_.finish(mask.data());
    return change;
}

}  // namespace grimora
