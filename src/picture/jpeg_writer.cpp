// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG encoder: baseline, YCbCr with libjpeg's default subsampling.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h.
#include <jerror.h>

#include "picture/row_writer.h"

namespace grimora {

// libjpeg's error_exit longjmps back to Guarded(), as in the reader.

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

struct JpegOutput {
    jpeg_error_mgr errors;  // first, so that the manager's address is ours
    jpeg_destination_mgr destination;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    FileSink* sink;
    JOCTET buffer[kBufferBytes];
};

JpegOutput* OutputOf(j_common_ptr common) {
    return reinterpret_cast<JpegOutput*>(common->err);
}

[[noreturn]] void ErrorExit(j_common_ptr common) {
    JpegOutput* output = OutputOf(common);
    common->err->format_message(common, output->message);
    std::longjmp(output->jump, 1);
}

void OutputMessage(j_common_ptr) {}

void InitDestination(j_compress_ptr cinfo) {
    JpegOutput* output = OutputOf(reinterpret_cast<j_common_ptr>(cinfo));
    cinfo->dest->next_output_byte = output->buffer;
    cinfo->dest->free_in_buffer = kBufferBytes;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    JpegOutput* output = OutputOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!output->sink->write(output->buffer, kBufferBytes)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    InitDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    JpegOutput* output = OutputOf(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t used = kBufferBytes - cinfo->dest->free_in_buffer;
    if (!output->sink->write(output->buffer, used)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

class JpegEncoder {
public:
    explicit JpegEncoder(FileSink& sink) : output_(std::make_unique<JpegOutput>()) {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = jpeg_std_error(&output_->errors);
        output_->errors.error_exit = ErrorExit;
        output_->errors.output_message = OutputMessage;
        output_->message[0] = '\0';
        output_->sink = &sink;
        output_->destination.init_destination = InitDestination;
        output_->destination.empty_output_buffer = EmptyOutputBuffer;
        output_->destination.term_destination = TermDestination;
    }
    ~JpegEncoder() { jpeg_destroy_compress(&cinfo); }
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    JpegOutput& output() { return *output_; }
    jpeg_compress_struct cinfo;

private:
    std::unique_ptr<JpegOutput> output_;
};

struct Job {
    const Dib* dib;
    int quality;
    uint8_t* row;
    std::size_t rowBytes;
    jpeg_destination_mgr* destination;
    LoadProgress* progress;
};

void Encode(j_compress_ptr cinfo, Job* job) {
    const BitmapInfoHeader& header = job->dib->info->bmiHeader;
    jpeg_create_compress(cinfo);
    cinfo->dest = job->destination;
    cinfo->image_width = static_cast<JDIMENSION>(header.biWidth);
    cinfo->image_height = static_cast<JDIMENSION>(header.biHeight);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    JSAMPROW row = job->row;
    for (int32_t y = 0; y < header.biHeight; ++y) {
        EncodeTrueColourRow(*job->dib, header.biHeight - 1 - y, job->row, job->rowBytes);
        jpeg_write_scanlines(cinfo, &row, 1);
        job->progress->report(y + 1, header.biHeight);
    }
    jpeg_finish_compress(cinfo);
}

bool Guarded(JpegEncoder& encoder, Job* job) {
    if (setjmp(encoder.output().jump) != 0) {
        return false;
    }
    Encode(&encoder.cinfo, job);
    return true;
}

}  // namespace

bool EncodeJpeg(const Dib& dib, int quality, FileSink& sink, LoadProgress& progress,
                std::string& reason) {
    JpegEncoder encoder(sink);
    const std::size_t rowBytes = std::size_t(dib.info->bmiHeader.biWidth) * 3;
    std::vector<uint8_t> row(rowBytes);
    Job job{&dib, quality, row.data(), rowBytes, &encoder.output().destination, &progress};
    if (!Guarded(encoder, &job) || !sink.flush()) {
        reason = sink.failed() ? sink.reason()
                               : "JPEG encoder: " + std::string(encoder.output().message);
        return false;
    }
    return true;
}

}  // namespace grimora
