// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/load_preparation.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "picture/dib_queries.h"
#include "picture/open_dib.h"
#include "picture/pictrix.h"

namespace grimora {

bool PreparedPicture::holds(int32_t width, int32_t height) const {
    return field.width() == width && field.height() == height && !field.empty() &&
           result.holdsPicture() && result->bits != nullptr && DibWidth(result.get()) == width &&
           DibHeight(result.get()) == height && DibBitCount(result.get()) == 24;
}

namespace {

// A preparation cut into units (4 MB of field rows, 8 MB of result) that
// any thread can take: the preparing thread, and the loading one once its
// decode is done, so that neither waits while the other works.
class PreparationWork {
public:
    // The blocks, with no page made yet; false when they cannot be had.
    bool allocate(int32_t width, int32_t height) {
        std::optional<DisplacementField> field =
            DisplacementField::tryAllocateLazily(width, height);
        Dib made;
        newdib(made, width, height, 24, nullptr, 0);
        OwnedDib result(made);
        if (!field || !result.holdsPicture() || result->bits == nullptr) {
            return false;
        }
        made_.field = std::move(*field);
        made_.result = std::move(result);
        fieldRows_ = std::max<int64_t>(1, (int64_t{1} << 19) / width);
        fieldUnits_ = (height + fieldRows_ - 1) / fieldRows_;
        resultBytes_ = made_.result->info->bmiHeader.biSizeImage;
        units_ =
            fieldUnits_ + static_cast<int64_t>((resultBytes_ + kResultChunk - 1) / kResultChunk);
        return true;
    }

    // Takes units until none is left or `stop` is set.
    void run(const std::atomic<bool>& stop) {
        for (;;) {
            if (stop.load(std::memory_order_relaxed)) {
                return;
            }
            const int64_t unit = next_.fetch_add(1, std::memory_order_relaxed);
            if (unit >= units_) {
                return;
            }
            if (unit < fieldUnits_) {
                InitMaskRows(made_.field, static_cast<int32_t>(unit * fieldRows_),
                             static_cast<int32_t>(
                                 std::min<int64_t>((unit + 1) * fieldRows_, made_.field.height())));
            } else {
                // calloc's pages would otherwise take their faults at the
                // render's first write; newdib's zero rows stay zero.
                const auto offset = static_cast<std::size_t>(unit - fieldUnits_) * kResultChunk;
                MakePagesPresent(made_.result->bits + offset,
                                 std::min(kResultChunk, resultBytes_ - offset));
            }
            done_.fetch_add(1, std::memory_order_relaxed);
        }
    }

    // Once no thread runs any more: the blocks when every unit was done.
    PreparedPicture finish() {
        if (units_ == 0 || done_.load(std::memory_order_relaxed) != units_) {
            return {};
        }
        return std::move(made_);
    }

private:
    static constexpr std::size_t kResultChunk = std::size_t{8} << 20;
    PreparedPicture made_;
    int64_t fieldRows_ = 0;
    int64_t fieldUnits_ = 0;
    std::size_t resultBytes_ = 0;
    int64_t units_ = 0;
    std::atomic<int64_t> next_{0};
    std::atomic<int64_t> done_{0};
};

}  // namespace

PreparedPicture PreparePicture(int32_t width, int32_t height, const std::atomic<bool>& stop) {
    PreparationWork work;
    if (!IsPictureSize(width, height) || !work.allocate(width, height)) {
        return {};
    }
    work.run(stop);
    return work.finish();
}

struct PicturePreparation::Job {
    std::atomic<bool> stop{false};
    PreparationWork work;
    // Set once the blocks were asked for; `allocated` says whether they came.
    std::atomic<bool> asked{false};
    bool allocated = false;
    std::thread thread;
};

PicturePreparation::PicturePreparation(int32_t width, int32_t height) {
    if (!IsPictureSize(width, height)) {
        return;
    }
    job_ = std::make_unique<Job>();
    try {
        Job* job = job_.get();
        job->thread = std::thread([job, width, height] {
            job->allocated = job->work.allocate(width, height);
            job->asked.store(true, std::memory_order_release);
            if (job->allocated) {
                job->work.run(job->stop);
            }
        });
    } catch (const std::system_error&) {
        job_.reset();  // the load makes its blocks itself
    }
}

PicturePreparation PicturePreparation::forFile(const char* fileName) {
    PictureSize size;
    if (!MeasurePictureFile(fileName, size) || !IsPictureSize(size.width, size.height)) {
        return {};
    }
    return PicturePreparation(static_cast<int32_t>(size.width), static_cast<int32_t>(size.height));
}

PicturePreparation::~PicturePreparation() {
    if (job_ != nullptr) {
        job_->stop.store(true, std::memory_order_relaxed);
        job_->thread.join();
    }
}

PicturePreparation::PicturePreparation(PicturePreparation&&) noexcept = default;

PicturePreparation& PicturePreparation::operator=(PicturePreparation&& other) noexcept {
    if (this != &other) {
        PicturePreparation old(std::move(*this));
        job_ = std::move(other.job_);
    }
    return *this;
}

PreparedPicture PicturePreparation::take() {
    if (job_ == nullptr) {
        return {};
    }
    // What is left is shared with the thread rather than waited for.
    if (job_->asked.load(std::memory_order_acquire) && job_->allocated) {
        job_->work.run(job_->stop);
    }
    job_->thread.join();
    PreparedPicture made = job_->work.finish();
    job_.reset();
    return made;
}

}  // namespace grimora
