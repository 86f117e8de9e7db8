// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/morph.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/render.h"
#include "warp/row_helper.h"
#include "warp/smooth_render.h"

namespace grimora {

namespace {

class NoMessages : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

// RoundHalfEven(k * v, n1) for every v in [-limit, limit], by v + limit.
std::vector<int32_t> StepTable(int64_t limit, int32_t k, int32_t n1) {
    std::vector<int32_t> table(static_cast<std::size_t>(2 * limit + 1));
    for (int64_t v = -limit; v <= limit; ++v) {
        table[static_cast<std::size_t>(v + limit)] = static_cast<int32_t>(RoundHalfEven(k * v, n1));
    }
    return table;
}

// The grid points of n frame pixels over `length` picture pixels: per frame
// pixel, `grid` points evenly inside the picture pixels it covers.
std::vector<int32_t> GridPoints(int32_t length, int32_t n, int32_t grid) {
    std::vector<int32_t> points(static_cast<std::size_t>(n) * grid);
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t g = 0; g < grid; ++g) {
            const int64_t twice = int64_t{2 * grid * i + 2 * g + 1} * length;
            points[static_cast<std::size_t>(i) * grid + g] = static_cast<int32_t>(
                std::min<int64_t>(twice / (int64_t{2} * grid * n), length - 1));
        }
    }
    return points;
}

}  // namespace

int64_t RoundHalfEven(int64_t num, int64_t den) {
    int64_t q = num / den;
    int64_t r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0)) {
        ++q;
    }
    return q;
}

void MorphField(const DisplacementField& field, int32_t k, int32_t frames, DisplacementField& out) {
    const int32_t w = field.width();
    const int32_t h = field.height();
    if (out.width() != w || out.height() != h) {
        out = DisplacementField(w, h);
    }
    const int32_t n1 = frames - 1;
    for (int32_t r = 0; r < h; ++r) {
        const Displacement* in = field.row(r);
        Displacement* to = out.row(r);
        for (int32_t c = 0; c < w; ++c) {
            to[c] = {c + static_cast<int32_t>(RoundHalfEven(int64_t{k} * (in[c].x - c), n1)),
                     r + static_cast<int32_t>(RoundHalfEven(int64_t{k} * (in[c].y - r), n1))};
        }
    }
}

FrameSize MorphFrameSize(int32_t width, int32_t height, int32_t longestSide) {
    const int32_t longest = std::max(width, height);
    if (longest <= longestSide) {
        return {width, height};
    }
    const auto side = [&](int32_t length) {
        const int64_t scaled =
            (int64_t{2} * length * longestSide + longest) / (int64_t{2} * longest);
        return static_cast<int32_t>(std::max<int64_t>(1, scaled));
    };
    return {side(width), side(height)};
}

MorphRenderer::MorphRenderer(const Dib& source, const DisplacementField& field, int32_t frames,
                             int32_t longestSide, bool smooth)
    : source_(source), field_(field), frames_(frames), smooth_(smooth) {
    const int32_t w = DibWidth(source);
    const int32_t h = DibHeight(source);
    if (DibBitCount(source) != 24 || source.bits == nullptr || field.width() != w ||
        field.height() != h || w < 1 || h < 1 || frames < 2 || frames > kMaxMorphFrames ||
        longestSide < 1) {
        return;
    }
    ok_ = true;
    size_ = MorphFrameSize(w, h, longestSide);
    scaled_ = size_.width != w || size_.height != h;
    if (!scaled_) {
        return;
    }
    const int32_t longest = std::max(w, h);
    const int32_t frameLongest = std::max(size_.width, size_.height);
    grid_ = std::clamp((longest + frameLongest - 1) / frameLongest, 1, 4);
    columns_ = GridPoints(w, size_.width, grid_);
    rows_ = GridPoints(h, size_.height, grid_);
    const std::size_t perRow = static_cast<std::size_t>(size_.width) * grid_;
    offsets_.resize(perRow * rows_.size());
    // 25 entries a point when smooth: 110 million reads at 24 megapixels.
    ForEachChunk(
        static_cast<int64_t>(rows_.size()), 16, smooth, [&](int64_t first, int64_t end, int) {
            for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(end); ++i) {
                const int32_t r = rows_[i];
                for (std::size_t j = 0; j < perRow; ++j) {
                    const int32_t c = columns_[j];
                    Displacement& o = offsets_[i * perRow + j];
                    if (smooth) {
                        const SmoothPosition sum = SmoothOffsetSum(field, c, r);
                        o = {sum.x, sum.y};
                    } else {
                        o = {field.at(c, r).x - c, field.at(c, r).y - r};
                    }
                }
            }
        });
}

void MorphRenderer::render(int32_t k, RgbaFrame& frame) const {
    if (!ok_ || k < 0 || k >= frames_) {
        frame = {};
        return;
    }
    frame.width = size_.width;
    frame.height = size_.height;
    frame.pixels.resize(static_cast<std::size_t>(size_.width) * size_.height * 4);
    if (scaled_) {
        renderScaled(k, frame);
    } else {
        renderFull(k, frame);
    }
}

void MorphRenderer::renderFull(int32_t k, RgbaFrame& frame) const {
    DisplacementField field;
    MorphField(field_, k, frames_, field);
    OwnedDib picture;
    NoMessages none;  // the source is at 24 bits
    if (smooth_) {
        renderSmooth(source_, field, picture, none);
    } else {
        renderdi(source_, field, picture, none);
    }
    if (picture->bits == nullptr) {
        throw std::bad_alloc();
    }
    for (int32_t v = 0; v < size_.height; ++v) {
        const uint8_t* in = DibRow(picture.get(), size_.height - 1 - v);
        uint8_t* out = frame.pixels.data() + static_cast<std::size_t>(v) * size_.width * 4;
        for (int32_t u = 0; u < size_.width; ++u, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
}

namespace {

struct FrameJob {
    const Dib* source;
    const std::vector<int32_t>* columns;
    const std::vector<int32_t>* rows;
    const std::vector<Displacement>* offsets;
    const std::vector<int32_t>* steps;  // by offset (or sum) + limit
    int64_t limit;
    bool smooth;
    int32_t grid;
    FrameSize size;
    uint8_t* pixels;
};

// Frame rows [first, end), top row first.
void ScaledRows(const FrameJob& j, int32_t first, int32_t end) {
    const Dib& source = *j.source;
    const int32_t lastColumn = DibWidth(source) - 1;
    const int32_t lastRow = DibHeight(source) - 1;
    const int32_t grid = j.grid;
    const auto points = static_cast<uint32_t>(grid * grid);
    const std::size_t perRow = static_cast<std::size_t>(j.size.width) * grid;
    const int32_t* steps = j.steps->data() + j.limit;
    for (int32_t v = first; v < end; ++v) {
        const int32_t memoryRow = j.size.height - 1 - v;
        uint8_t* out = j.pixels + static_cast<std::size_t>(v) * j.size.width * 4;
        for (int32_t u = 0; u < j.size.width; ++u, out += 4) {
            uint32_t sum[3] = {0, 0, 0};
            for (int32_t gy = 0; gy < grid; ++gy) {
                const std::size_t line = static_cast<std::size_t>(memoryRow) * grid + gy;
                const int32_t r = (*j.rows)[line];
                const Displacement* offsets =
                    j.offsets->data() + line * perRow + static_cast<std::size_t>(u) * grid;
                const int32_t* columns = j.columns->data() + static_cast<std::size_t>(u) * grid;
                for (int32_t gx = 0; gx < grid; ++gx) {
                    const int32_t c = columns[gx];
                    uint8_t pixel[3];
                    if (j.smooth) {
                        const SmoothPosition at{
                            std::clamp(25 * c + steps[offsets[gx].x], 0, 25 * lastColumn),
                            std::clamp(25 * r + steps[offsets[gx].y], 0, 25 * lastRow)};
                        SampleSmooth(source, at, pixel);
                    } else {
                        std::memcpy(pixel,
                                    DibRow(source, r + steps[offsets[gx].y]) +
                                        std::ptrdiff_t{3} * (c + steps[offsets[gx].x]),
                                    3);
                    }
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                }
            }
            out[0] = static_cast<uint8_t>((sum[2] + points / 2) / points);
            out[1] = static_cast<uint8_t>((sum[1] + points / 2) / points);
            out[2] = static_cast<uint8_t>((sum[0] + points / 2) / points);
            out[3] = 255;
        }
    }
}

}  // namespace

void MorphRenderer::renderScaled(int32_t k, RgbaFrame& frame) const {
    // Offsets lie within the picture's longest side; window sums within 25
    // times that.
    const int64_t longest = std::max(DibWidth(source_), DibHeight(source_));
    const int64_t limit = smooth_ ? 25 * longest : longest;
    const std::vector<int32_t> steps = StepTable(limit, k, frames_ - 1);
    const FrameJob job{&source_, &columns_, &rows_, &offsets_, &steps,
                       limit,    smooth_,   grid_,  size_,     frame.pixels.data()};
    ForEachChunk(size_.height, 8, true, [&job](int64_t first, int64_t end, int) {
        ScaledRows(job, static_cast<int32_t>(first), static_cast<int32_t>(end));
    });
}

}  // namespace grimora
