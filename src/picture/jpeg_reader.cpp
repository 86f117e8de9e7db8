// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/jpeg_reader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
// jpeglib.h needs cstdio before it; jerror.h needs jpeglib.h.
#include <jerror.h>

namespace grimora {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours longjmps back to Guarded(), the only function that calls setjmp; the
// frames in between are libjpeg's and the step functions', all of which have
// trivially destructible locals, so nothing is skipped. The decompressor is
// owned by JpegDecoder, whose destructor frees what libjpeg allocated.

namespace {

// Progressive files can ask for any number of scans, each a pass over the
// blocks of the components it holds. The work of a scan is counted as
// (Se - Ss + 1 + kBlockCost) for each of those blocks and kScanCost for the
// scan itself, in units of about half a nanosecond, measured with scans
// that carry nothing but end-of-band runs. A file may ask for kPasses times
// the work of one pass over every coefficient, and kScans scans more: a
// baseline file needs one pass, libjpeg's progressive files about three.
constexpr int64_t kBlockCost = 10;
constexpr int64_t kScanCost = 4000;
constexpr int64_t kPasses = 10;
constexpr int64_t kScans = 100;

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so that the manager's address is ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool ownSentence;  // message is ours, a whole sentence
};

[[noreturn]] void Abort(JpegErrors* errors) {
    std::longjmp(errors->jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr common) {
    auto* errors = reinterpret_cast<JpegErrors*>(common->err);
    common->err->format_message(common, errors->message);
    Abort(errors);
}

// Warnings after which libjpeg carries on with coefficients it made up:
// data that ran out or does not decode, a restart marker out of turn, a
// scan that refines bits that no earlier scan sent. The others leave every
// pixel as the file has it: bytes between markers, an unknown JFIF version
// or Adobe transform, a bad ICC profile, odd values in a sequential scan.
bool InventsPixels(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
            return true;
        default:
            return false;
    }
}

void EmitMessage(j_common_ptr common, int level) {
    if (level >= 0 || !InventsPixels(common->err->msg_code)) {
        return;
    }
    auto* errors = reinterpret_cast<JpegErrors*>(common->err);
    if (common->err->msg_code == JWRN_JPEG_EOF) {
        std::snprintf(errors->message, sizeof errors->message, "The JPEG file ends early.");
    } else {
        char reason[JMSG_LENGTH_MAX];
        common->err->format_message(common, reason);
        std::snprintf(errors->message, sizeof errors->message, "The JPEG file is damaged: %.150s.",
                      reason);
    }
    errors->ownSentence = true;
    Abort(errors);
}

// libjpeg's progress monitor, with the load's progress and the work of the
// scans read so far beside it.
struct Monitor {
    jpeg_progress_mgr manager;  // first, so that the manager's address is ours
    LoadProgress* progress;
    int scan;       // the last scan counted
    int64_t work;   // of the scans counted
    int64_t limit;  // 0 until the picture's size is known
};

int64_t BlocksOf(const jpeg_component_info& component) {
    return int64_t{component.width_in_blocks} * component.height_in_blocks;
}

// What the scans of a picture of this frame may cost in all.
int64_t WorkLimit(const jpeg_decompress_struct& cinfo) {
    int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        blocks += BlocksOf(cinfo.comp_info[i]);
    }
    return kPasses * blocks * (DCTSIZE2 + kBlockCost) + kScans * kScanCost;
}

// Counts each scan as it starts, before any of its data is decoded: the
// monitor is called before every step of input, and the scan's header has
// been read by the step before.
void CountScan(j_decompress_ptr cinfo, Monitor& monitor) {
    if (monitor.limit == 0 || cinfo->input_scan_number == monitor.scan) {
        return;
    }
    monitor.scan = cinfo->input_scan_number;
    int64_t work = kScanCost;
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        work += BlocksOf(*cinfo->cur_comp_info[i]) * (cinfo->Se - cinfo->Ss + 1 + kBlockCost);
    }
    monitor.work += work;
    if (monitor.work > monitor.limit) {
        auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
        std::snprintf(errors->message, sizeof errors->message,
                      "The JPEG file's scans would take more than %d times the work of decoding "
                      "its picture; it is refused at scan %d.",
                      static_cast<int>(kPasses), monitor.scan);
        errors->ownSentence = true;
        Abort(errors);
    }
}

// Refuses files whose scans ask for too much work, and reports progress
// over all passes: a progressive file is read whole in
// jpeg_start_decompress, before the first scanline comes out.
void WatchPasses(j_common_ptr common) {
    auto* monitor = reinterpret_cast<Monitor*>(common->progress);
    if (common->is_decompressor) {
        CountScan(reinterpret_cast<j_decompress_ptr>(common), *monitor);
    }
    const jpeg_progress_mgr& m = monitor->manager;
    if (monitor->progress != nullptr && m.total_passes > 0 && m.pass_limit > 0) {
        constexpr int64_t kSteps = 1000;
        const int64_t done =
            int64_t{m.completed_passes} * kSteps +
            std::clamp<int64_t>(m.pass_counter, 0, m.pass_limit) * kSteps / m.pass_limit;
        // The callback belongs to the caller; nothing it throws may cross
        // libjpeg's frames.
        try {
            monitor->progress->report(done, int64_t{m.total_passes} * kSteps);
        } catch (...) {
            monitor->progress = nullptr;
        }
    }
}

class JpegDecoder {
public:
    JpegDecoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = ErrorExit;
        errors.manager.emit_message = EmitMessage;
        errors.message[0] = '\0';
        errors.ownSentence = false;
        monitor.manager.progress_monitor = WatchPasses;
        monitor.progress = nullptr;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    std::string message() const {
        if (errors.ownSentence) {
            return errors.message;
        }
        return errors.message[0] != '\0'
                   ? "The JPEG file cannot be read: " + std::string(errors.message) + "."
                   : "The JPEG file cannot be read.";
    }

    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    Monitor monitor{};
};

using Step = void (*)(j_decompress_ptr cinfo, void* context);

bool Guarded(JpegDecoder& decoder, Step step, void* context) {
    if (setjmp(decoder.errors.jump) != 0) {
        return false;
    }
    step(&decoder.cinfo, context);
    return true;
}

struct Source {
    std::span<const uint8_t> file;
    Monitor* monitor;
};

void StartReading(j_decompress_ptr cinfo, void* context) {
    auto* source = static_cast<Source*>(context);
    jpeg_create_decompress(cinfo);
    cinfo->progress = &source->monitor->manager;
    jpeg_mem_src(cinfo, source->file.data(), static_cast<unsigned long>(source->file.size()));
    jpeg_read_header(cinfo, TRUE);
}

bool ReadHeader(JpegDecoder& decoder, std::span<const uint8_t> file, std::string& error) {
    Source source{file, &decoder.monitor};
    if (!Guarded(decoder, StartReading, &source)) {
        error = decoder.message();
        return false;
    }
    return CheckPictureSize(decoder.cinfo.image_width, decoder.cinfo.image_height, error);
}

enum class Output { kGrey, kColour, kCmyk };

struct Rows {
    const Dib* dib;
    Output output;
    bool inverted;  // Adobe CMYK stores ink inverted
    uint8_t* scratch;
};

void Start(j_decompress_ptr cinfo, void* /*context*/) {
    jpeg_start_decompress(cinfo);
}

void ConvertCmyk(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

void DecodeRows(j_decompress_ptr cinfo, void* context) {
    auto* rows = static_cast<Rows*>(context);
    const auto height = static_cast<int32_t>(cinfo->output_height);
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* row =
            DibRow(*rows->dib, height - 1 - static_cast<int32_t>(cinfo->output_scanline));
        JSAMPROW target = rows->output == Output::kCmyk ? rows->scratch : row;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) {
            ERREXIT(cinfo, JERR_BAD_STATE);  // suspension: not possible from memory
        }
        if (rows->output == Output::kCmyk) {
            ConvertCmyk(rows->scratch, row, cinfo->output_width, rows->inverted);
        }
    }
}

}  // namespace

bool IsJpegFile(std::span<const uint8_t> file) {
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
}

bool MeasureJpeg(std::span<const uint8_t> file, PictureSize& size) {
    JpegDecoder decoder;
    std::string error;
    if (!ReadHeader(decoder, file, error)) {
        return false;
    }
    size = {decoder.cinfo.image_width, decoder.cinfo.image_height};
    return true;
}

bool ReadJpeg(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
              LoadProgress& progress) {
    JpegDecoder decoder;
    if (!ReadHeader(decoder, file, error)) {
        return false;
    }
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    Output output = Output::kColour;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            output = Output::kGrey;
            cinfo.out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            output = Output::kCmyk;
            cinfo.out_color_space = JCS_CMYK;
            break;
        case JCS_UNKNOWN:
            if (cinfo.num_components == 1) {
                output = Output::kGrey;
                cinfo.out_color_space = JCS_GRAYSCALE;
                break;
            }
            error = "The JPEG file has " + std::to_string(cinfo.num_components) +
                    " colour components of unknown meaning.";
            return false;
        default:
            cinfo.out_color_space = JCS_EXT_BGR;
            break;
    }
    BitmapInfo colours;
    const bool grey = output == Output::kGrey;
    if (grey) {
        FillGreyColours(colours);
    }
    OwnedDib made;
    if (!MakeLoadedPicture(made, cinfo.image_width, cinfo.image_height, grey ? 8 : 24,
                           grey ? &colours : nullptr, grey ? kMaxColours : 0, error)) {
        return false;
    }
    progress.report(0, 1);
    decoder.monitor.progress = &progress;
    decoder.monitor.limit = WorkLimit(cinfo);
    if (!Guarded(decoder, Start, nullptr)) {
        error = decoder.message();
        return false;
    }
    if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height) {
        error = "The JPEG decoder changed the picture's size.";
        return false;
    }
    std::vector<uint8_t> scratch(output == Output::kCmyk ? std::size_t{cinfo.output_width} * 4 : 0);
    Rows rows{&made.get(), output, cinfo.saw_Adobe_marker != 0, scratch.data()};
    if (!Guarded(decoder, DecodeRows, &rows)) {
        error = decoder.message();
        return false;
    }
    picture = std::move(made);
    return true;
}

}  // namespace grimora
