// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/animation_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include <gif_lib.h>
#include <libimagequant.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "picture/file_target.h"

namespace grimora {

namespace {

using Bytes = std::vector<uint8_t>;

// ---- GIF ----

int AppendToBytes(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return size;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
struct AttrFree {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageFree {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultFree {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
struct MapFree {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};

class GifEncoder {
public:
    bool open(int32_t width, int32_t height, int32_t delayMs, Bytes& out, std::string& reason) {
        int error = 0;
        gif_.reset(EGifOpen(&out, AppendToBytes, &error));
        attr_.reset(liq_attr_create());
        if (!gif_ || !attr_) {
            reason = "not enough memory";
            return false;
        }
        width_ = width;
        height_ = height;
        // Hundredths of a second, rounded; browsers play less than 2 as 10.
        delay_ = std::max(2, (delayMs + 5) / 10);
        liq_set_max_colors(attr_.get(), 256);
        // Speed 8 of 10 rather than the default 4: quantising is most of a
        // GIF's time (at speed 10 the writer's tests took a third as long),
        // and on gradients the faster palettes are off by only a few
        // hundredths of a level more on average.
        liq_set_speed(attr_.get(), 8);
        EGifSetGifVersion(gif_.get(), true);
        // No global palette: each frame brings its own.
        static const GifByteType kLoop[] = {1, 0, 0};  // sub-block 1, loop count 0: for ever
        if (EGifPutScreenDesc(gif_.get(), width, height, 8, 0, nullptr) == GIF_ERROR ||
            EGifPutExtensionLeader(gif_.get(), APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif_.get(), 11, "NETSCAPE2.0") == GIF_ERROR ||
            EGifPutExtensionBlock(gif_.get(), 3, kLoop) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif_.get()) == GIF_ERROR) {
            reason = GifErrorString(gif_->Error);
            return false;
        }
        return true;
    }

    bool add(const RgbaFrame& frame, std::string& reason) {
        std::unique_ptr<liq_image, ImageFree> image(
            liq_image_create_rgba(attr_.get(), frame.pixels.data(), width_, height_, 0));
        liq_result* made = nullptr;
        if (!image || liq_image_quantize(image.get(), attr_.get(), &made) != LIQ_OK) {
            reason = "the colours could not be reduced to a palette";
            return false;
        }
        const std::unique_ptr<liq_result, ResultFree> result(made);
        liq_set_dithering_level(result.get(), 0);
        indices_.resize(static_cast<std::size_t>(width_) * height_);
        if (liq_write_remapped_image(result.get(), image.get(), indices_.data(), indices_.size()) !=
            LIQ_OK) {
            reason = "the colours could not be reduced to a palette";
            return false;
        }
        const liq_palette* palette = liq_get_palette(result.get());
        // GIF palettes come in powers of two.
        int size = 2;
        while (size < static_cast<int>(palette->count)) {
            size *= 2;
        }
        GifColorType colours[256] = {};
        for (unsigned i = 0; i < palette->count; ++i) {
            colours[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
        }
        const std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(size, colours));
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = delay_;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        bool ok =
            map != nullptr &&
            EGifPutExtension(gif_.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                             extension) != GIF_ERROR &&
            EGifPutImageDesc(gif_.get(), 0, 0, width_, height_, false, map.get()) != GIF_ERROR;
        for (int32_t v = 0; ok && v < height_; ++v) {
            ok = EGifPutLine(gif_.get(), indices_.data() + static_cast<std::size_t>(v) * width_,
                             width_) != GIF_ERROR;
        }
        if (!ok) {
            reason = map == nullptr ? "not enough memory" : GifErrorString(gif_->Error);
        }
        return ok;
    }

    bool close(std::string& reason) {
        int error = 0;
        const int status = EGifCloseFile(gif_.release(), &error);
        if (status == GIF_ERROR) {
            reason = GifErrorString(error);
            return false;
        }
        return true;
    }

private:
    std::unique_ptr<GifFileType, GifCloser> gif_;
    std::unique_ptr<liq_attr, AttrFree> attr_;
    std::vector<GifByteType> indices_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int delay_ = 4;
};

// ---- WebP ----

struct AnimFree {
    void operator()(WebPAnimEncoder* p) const { WebPAnimEncoderDelete(p); }
};

class WebpEncoder {
public:
    bool open(int32_t width, int32_t height, int32_t delayMs, std::string& reason) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_)) {
            reason = "the WebP library does not match its headers";
            return false;
        }
        options.anim_params.loop_count = 0;  // for ever
        encoder_.reset(WebPAnimEncoderNew(width, height, &options));
        if (!encoder_) {
            reason = "not enough memory";
            return false;
        }
        config_.quality = 90;
        width_ = width;
        height_ = height;
        delay_ = delayMs;
        return true;
    }

    bool add(const RgbaFrame& frame, std::string& reason) {
        WebPPicture picture;
        if (!WebPPictureInit(&picture)) {
            reason = "the WebP library does not match its headers";
            return false;
        }
        picture.use_argb = 1;
        picture.width = width_;
        picture.height = height_;
        bool ok = WebPPictureImportRGBA(&picture, frame.pixels.data(), width_ * 4) != 0 &&
                  WebPAnimEncoderAdd(encoder_.get(), &picture, time_, &config_) != 0;
        WebPPictureFree(&picture);
        if (!ok) {
            reason = WebPAnimEncoderGetError(encoder_.get());
            if (reason.empty()) {
                reason = "not enough memory";
            }
        }
        time_ += delay_;
        return ok;
    }

    bool finish(Bytes& out, std::string& reason) {
        WebPData data;
        WebPDataInit(&data);
        const bool ok = WebPAnimEncoderAdd(encoder_.get(), nullptr, time_, nullptr) != 0 &&
                        WebPAnimEncoderAssemble(encoder_.get(), &data) != 0;
        if (ok) {
            try {
                out.assign(data.bytes, data.bytes + data.size);
            } catch (const std::bad_alloc&) {
                WebPDataClear(&data);
                reason = "not enough memory";
                return false;
            }
        } else {
            reason = WebPAnimEncoderGetError(encoder_.get());
        }
        WebPDataClear(&data);
        return ok;
    }

private:
    std::unique_ptr<WebPAnimEncoder, AnimFree> encoder_;
    WebPConfig config_{};
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t delay_ = 40;
    int time_ = 0;
};

bool Encode(int32_t width, int32_t height, int32_t frames, const FrameMaker& make,
            const AnimationOptions& options, const AnimationProgress& progress, Bytes& out,
            std::string& reason) {
    const bool gif = options.format == AnimationFormat::Gif;
    GifEncoder gifEncoder;
    WebpEncoder webpEncoder;
    if (gif ? !gifEncoder.open(width, height, options.delayMs, out, reason)
            : !webpEncoder.open(width, height, options.delayMs, reason)) {
        return false;
    }
    const std::vector<int32_t> sequence = AnimationSequence(frames, options.pingPong);
    RgbaFrame frame;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        make(sequence[i], frame);
        if (frame.width != width || frame.height != height ||
            frame.pixels.size() != static_cast<std::size_t>(width) * height * 4) {
            reason = "a frame came out at the wrong size";
            return false;
        }
        if (!(gif ? gifEncoder.add(frame, reason) : webpEncoder.add(frame, reason))) {
            return false;
        }
        if (progress) {
            progress(static_cast<int32_t>((i + 1) * 100 / sequence.size()));
        }
    }
    return gif ? gifEncoder.close(reason) : webpEncoder.finish(out, reason);
}

}  // namespace

bool AnimationFormatOf(const std::string& path, AnimationFormat& format) {
    const std::string extension = LowerExtension(path);
    if (extension == ".gif") {
        format = AnimationFormat::Gif;
        return true;
    }
    if (extension == ".webp") {
        format = AnimationFormat::Webp;
        return true;
    }
    return false;
}

std::vector<int32_t> AnimationSequence(int32_t frames, bool pingPong) {
    std::vector<int32_t> sequence;
    for (int32_t k = 0; k < frames; ++k) {
        sequence.push_back(k);
    }
    for (int32_t k = frames - 2; pingPong && k > 0; --k) {
        sequence.push_back(k);
    }
    return sequence;
}

bool SaveAnimation(const std::string& path, int32_t width, int32_t height, int32_t frames,
                   const FrameMaker& make, const AnimationOptions& options,
                   const AnimationProgress& progress, std::string& error) {
    if (width < 1 || height < 1 || width > 16383 || height > 16383) {
        error = "Cannot write " + path + ": an animation must be from 1 to 16383 pixels a side.";
        return false;
    }
    if (frames < 2 || options.delayMs < kMinFrameDelayMs || options.delayMs > kMaxFrameDelayMs) {
        error =
            "Cannot write " + path + ": an animation needs at least 2 frames and a delay from " +
            std::to_string(kMinFrameDelayMs) + " to " + std::to_string(kMaxFrameDelayMs) + " ms.";
        return false;
    }
    Bytes bytes;
    std::string reason;
    try {
        if (Encode(width, height, frames, make, options, progress, bytes, reason)) {
            // As every save is written: a link followed, a device or pipe
            // written into, a write-protected file left alone.
            return WriteWholeFile(path, bytes, error);
        }
    } catch (const std::bad_alloc&) {
        reason = std::strerror(ENOMEM);
    }
    error = "Cannot write " + path + ": " + reason + ".";
    return false;
}

}  // namespace grimora
