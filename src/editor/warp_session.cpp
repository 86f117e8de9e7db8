// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/warp_session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/dib_queries.h"
#include "picture/open_dib.h"
#include "picture/pictrix.h"
#include "warp/render.h"
#include "warp/smooth_render.h"

namespace grimora {

namespace {

// Start-up renders a white 24-bit picture, which raises no message; should it
// ever, the first load or step will show it again.
class IgnoredMessages : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

// Enough of a file for its header: the size comes before the pixels, after
// at most some tables and a thumbnail.
constexpr std::size_t kHeaderBytes = std::size_t{256} << 10;

bool IsPictureSize(int64_t width, int64_t height) {
    std::string error;
    return CheckPictureSize(width, height, error);
}

}  // namespace

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
    if (fileName == nullptr) {
        return {};
    }
    // Opened as the loader opens it: without blocking, and only a regular
    // file is read, so that a pipe cannot hold the load up before it starts.
    const int file = ::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return {};
    }
    std::vector<uint8_t> header(kHeaderBytes);
    std::size_t got = 0;
    struct stat status {};
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode)) {
        while (got < header.size()) {
            const ssize_t n = ::read(file, header.data() + got, header.size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
    }
    ::close(file);
    PictureSize size;
    if (got == 0 || !MeasurePicture(std::span<const uint8_t>(header.data(), got), size) ||
        !IsPictureSize(size.width, size.height)) {
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

OwnedDib MakeWhitePicture(int32_t width, int32_t height) {
    OwnedDib picture;
    if (picture.make(width, height, 24) && picture->bits != nullptr) {
        std::memset(picture->bits, 0xFF, picture->info->bmiHeader.biSizeImage);
    }
    return picture;
}

WarpSession::WarpSession() {
    picture_.source = MakeWhitePicture(kStartPictureWidth, kStartPictureHeight);
    picture_.result = MakeWhitePicture(kStartPictureWidth, kStartPictureHeight);
    picture_.field = DisplacementField(kStartPictureWidth, kStartPictureHeight);
    picture_.mask = FreezeMask(kStartPictureWidth, kStartPictureHeight);
    if (!picture_.source.holdsPicture() || !picture_.result.holdsPicture()) {
        throw std::bad_alloc();
    }
    InitMask(picture_.field);
    IgnoredMessages messages;
    renderdi(messages);
}

bool WarpSession::loadPicture(OwnedDib picture, MessageSink& messages, std::string origin) {
    const int32_t width = DibWidth(picture.get());
    const int32_t height = DibHeight(picture.get());
    if (!picture.holdsPicture() || picture->bits == nullptr || width < 1 || height < 1) {
        messages.showMessage("The picture is empty and cannot be edited.");
        return false;
    }
    std::optional<DisplacementField> field = DisplacementField::tryAllocate(width, height);
    std::optional<FreezeMask> mask = FreezeMask::tryAllocate(width, height);
    if (!field || !mask) {
        messages.showMessage("There is not enough memory to edit a picture of " +
                             std::to_string(width) + " x " + std::to_string(height) +
                             " pixels. The previous picture stays.");
        return false;
    }
    PictureState loaded;
    loaded.source = std::move(picture);
    loaded.field = std::move(*field);
    loaded.mask = std::move(*mask);
    loaded.origin = std::move(origin);
    InitMask(loaded.field);
    // Through the identity both renderings are the source itself.
    loaded.smoothResult = smooth_;
    if (DibBitCount(loaded.source.get()) == 24) {
        // Through the identity the render is a copy of the source's rows:
        // the same picture without reading 192 MB of field at 24 megapixels.
        IgnoredMessages none;  // a 24-bit source raises no message
        renderdiIdentity(loaded.source.get(), loaded.result, none);
        replacePicture(std::move(loaded));
    } else {
        replacePicture(std::move(loaded));
        renderdi(messages);
    }
    return true;
}

bool WarpSession::loadPicture(OwnedDib picture, PreparedPicture prepared, MessageSink& messages,
                              std::string origin) {
    const int32_t width = DibWidth(picture.get());
    const int32_t height = DibHeight(picture.get());
    if (!picture.holdsPicture() || picture->bits == nullptr || DibBitCount(picture.get()) != 24 ||
        !prepared.holds(width, height)) {
        // Given back first: the load below asks for its own.
        prepared = {};
        return loadPicture(std::move(picture), messages, std::move(origin));
    }
    std::optional<FreezeMask> mask = FreezeMask::tryAllocate(width, height);
    if (!mask) {
        prepared = {};
        return loadPicture(std::move(picture), messages, std::move(origin));
    }
    PictureState loaded;
    loaded.source = std::move(picture);
    loaded.field = std::move(prepared.field);
    loaded.mask = std::move(*mask);
    loaded.result = std::move(prepared.result);
    loaded.origin = std::move(origin);
    loaded.smoothResult = smooth_;
    renderIdentityInto(loaded.source.get(), loaded.result.get());
    replacePicture(std::move(loaded));
    return true;
}

void WarpSession::replacePicture(PictureState loaded) {
    // A stroke cannot span two pictures.
    endStroke();
    swapPicture(loaded);
    HistoryStep step;
    step.change = std::move(loaded);
    record(std::move(step));
}

void WarpSession::swapPicture(PictureState& kept) {
    IgnoredMessages none;  // shown when the picture was rendered last
    // What is kept is whole: the result as the field makes it.
    if (!stale_.empty()) {
        renderStale(none);
    }
    std::swap(picture_, kept);
    stale_ = {};
    maskChanged_ = {};
    // A picture kept from before "Smooth" was switched comes back rendered
    // the other way.
    if (picture_.smoothResult != smooth_) {
        renderdi(none);
    }
}

void WarpSession::record(HistoryStep step) {
    std::vector<HistoryStep> gone;
    history_.push(std::move(step), gone);
    dispose(std::move(gone));
}

void WarpSession::dispose(std::vector<HistoryStep> gone) {
    std::size_t bytes = 0;
    for (const HistoryStep& step : gone) {
        bytes += step.bytes();
    }
    // Giving back 336 MB at 24 megapixels takes a fifth of a load's time;
    // nothing reads those blocks any more.
    constexpr std::size_t kFreedHere = std::size_t{16} << 20;
    if (bytes <= kFreedHere) {
        return;
    }
    if (disposal_.joinable()) {
        disposal_.join();
    }
    try {
        disposal_ = std::thread([steps = std::move(gone)]() mutable { steps.clear(); });
    } catch (const std::system_error&) {
        // The lambda, and with it the steps, went here.
    }
}

WarpSession::~WarpSession() {
    if (disposal_.joinable()) {
        disposal_.join();
    }
}

void WarpSession::renderdi(MessageSink& messages) {
    picture_.smoothResult = smooth_;
    if (smooth_) {
        renderSmooth(picture_.source.get(), picture_.field, picture_.result, messages);
    } else {
        grimora::renderdi(picture_.source.get(), picture_.field, picture_.result, messages);
    }
    stale_ = {};
}

void WarpSession::setSmooth(bool smooth, MessageSink& messages) {
    if (smooth != smooth_) {
        smooth_ = smooth;
        renderdi(messages);
    }
}

DabRect WarpSession::DoEffekt(const EffectParams& params) {
    const bool ownStep = !strokeOpen();
    if (ownStep) {
        beginStroke();
    }
    const bool paintsMask = PaintsMask(params.mode);
    const DabRect reach = DabBounds(params, width(), height());
    if (paintsMask) {
        recorder_.keepMask(picture_.mask, reach);
    } else {
        recorder_.keepField(picture_.field, reach);
    }
    const DabRect changed = grimora::DoEffekt(picture_.field, &picture_.mask, params);
    if (paintsMask) {
        maskChanged_ = Bounding(maskChanged_, changed);
    } else {
        stale_ = Bounding(stale_, changed);
    }
    if (ownStep) {
        endStroke();
    }
    return changed;
}

DabRect WarpSession::renderChanged(MessageSink& messages) {
    const DabRect maskChanged = std::exchange(maskChanged_, DabRect{});
    return Bounding(renderStale(messages), maskChanged);
}

DabRect WarpSession::renderStale(MessageSink& messages) {
    // A smooth pixel reads the entries about it, so changed entries reach a
    // little further into the result.
    const DabRect changed = smooth_ ? SmoothReach(stale_, width(), height()) : stale_;
    if (!(smooth_
              ? renderSmoothRect(picture_.source.get(), picture_.field, picture_.result, changed)
              : renderdiRect(picture_.source.get(), picture_.field, picture_.result, changed))) {
        renderdi(messages);
        return {0, 0, width(), height()};
    }
    stale_ = {};
    return changed;
}

template <typename Change>
bool WarpSession::changeMask(Change change) {
    endStroke();
    const DabRect whole{0, 0, width(), height()};
    recorder_.start(picture_.field);
    recorder_.keepMask(picture_.mask, whole);
    uint8_t* bytes = picture_.mask.data();
    for (std::size_t i = 0; i < picture_.mask.size(); ++i) {
        bytes[i] = change(bytes[i]);
    }
    maskChanged_ = whole;
    return endStroke();
}

bool WarpSession::clearMask() {
    return changeMask([](uint8_t) { return uint8_t{0}; });
}

bool WarpSession::invertMask() {
    return changeMask([](uint8_t m) { return static_cast<uint8_t>(255 - m); });
}

void WarpSession::beginStroke() {
    if (!strokeOpen()) {
        recorder_.start(picture_.field);
    }
}

bool WarpSession::endStroke() {
    if (!strokeOpen()) {
        return false;
    }
    FieldChange change = recorder_.finish(picture_.field, picture_.mask);
    if (change.empty()) {
        return false;
    }
    HistoryStep step;
    step.change = std::move(change);
    record(std::move(step));
    return true;
}

HistoryMove WarpSession::undo() {
    if (!canUndo()) {
        return HistoryMove::None;
    }
    return apply(*history_.undo());
}

HistoryMove WarpSession::redo() {
    if (!canRedo()) {
        return HistoryMove::None;
    }
    return apply(*history_.redo());
}

HistoryMove WarpSession::apply(HistoryStep& step) {
    if (auto* change = std::get_if<FieldChange>(&step.change)) {
        change->swapWith(picture_.field, picture_.mask);
        stale_ = Bounding(stale_, change->entries.bounds());
        maskChanged_ = Bounding(maskChanged_, change->mask.bounds());
        return HistoryMove::Field;
    }
    swapPicture(std::get<PictureState>(step.change));
    return HistoryMove::Picture;
}

void WarpSession::clearHistory() {
    std::vector<HistoryStep> gone;
    history_.clear(gone);
    dispose(std::move(gone));
}

void WarpSession::setHistoryBudget(std::size_t bytes) {
    std::vector<HistoryStep> gone;
    history_.setBudget(bytes, gone);
    dispose(std::move(gone));
}

bool WarpSession::setZoom(ZoomRatio zoom) {
    if (zoom.numerator <= 0 || zoom.denominator <= 0) {
        return false;
    }
    zoom_ = zoom;
    return true;
}

}  // namespace grimora
