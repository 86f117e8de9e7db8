// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/map_export.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>

#include "picture/file_target.h"
#include "warp/tiff_io.h"

namespace grimora {

namespace {

// OpenEXR writes through a stream it may seek back in, like libtiff.
class MemoryStream : public Imf::OStream {
public:
    explicit MemoryStream(std::vector<uint8_t>& out) : Imf::OStream("map"), out_(out) {
        out_.clear();
    }
    void write(const char c[], int n) override {
        const uint64_t end = at_ + static_cast<uint64_t>(n);
        if (end > out_.size()) {
            out_.resize(end);
        }
        std::memcpy(out_.data() + at_, c, static_cast<std::size_t>(n));
        at_ = end;
    }
    uint64_t tellp() override { return at_; }
    void seekp(uint64_t pos) override { at_ = pos; }

private:
    std::vector<uint8_t>& out_;
    uint64_t at_ = 0;
};

}  // namespace

bool MapKindOf(const std::string& path, MapKind& kind) {
    const std::string extension = LowerExtension(path);
    if (extension == ".tif" || extension == ".tiff") {
        kind = MapKind::PixelMapTiff;
        return true;
    }
    if (extension == ".exr") {
        kind = MapKind::StMapExr;
        return true;
    }
    return false;
}

bool EncodePixelMap(const DisplacementField& field, std::vector<uint8_t>& out, std::string& error) {
    const auto width = static_cast<uint32_t>(field.width());
    const auto height = static_cast<uint32_t>(field.height());
    const uint64_t raw = uint64_t{field.size()} * 12;
    try {
        TiffInMemory file(out, raw + raw / 64 + (uint64_t{1} << 24) > (uint64_t{1} << 32));
        TIFF* tiff = file.get();
        bool written = tiff != nullptr;
        if (written) {
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32);
            TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
            TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION,
                         "Grimora pixel map: source column, source row from the top, 0");
            TIFFSetField(tiff, TIFFTAG_SOFTWARE, "Grimora");
            const uint32_t rows = StripRows(uint64_t{width} * 12, height);
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
            std::vector<float> strip(std::size_t{width} * 3 * rows);
            for (uint32_t t0 = 0; t0 < height && written; t0 += rows) {
                const uint32_t count = std::min(rows, height - t0);
                float* sample = strip.data();
                for (uint32_t t = t0; t < t0 + count; ++t) {
                    const Displacement* entry = field.row(field.height() - 1 - int32_t(t));
                    for (uint32_t c = 0; c < width; ++c) {
                        *sample++ = static_cast<float>(entry[c].x);
                        *sample++ = static_cast<float>(field.height() - 1 - entry[c].y);
                        *sample++ = 0.0f;
                    }
                }
                written = TIFFWriteEncodedStrip(tiff, TIFFComputeStrip(tiff, t0, 0), strip.data(),
                                                tmsize_t(std::size_t{count} * width * 12)) >= 0;
            }
        }
        if (!(written && file.finish())) {
            error = "The pixel map cannot be made: " +
                    (file.message().empty() ? std::string("libtiff failed") : file.message()) + ".";
            return false;
        }
    } catch (const std::bad_alloc&) {
        error = "There is not enough memory to make the pixel map.";
        return false;
    }
    return true;
}

bool EncodeStMap(const DisplacementField& field, std::vector<uint8_t>& out, std::string& error) {
    const int32_t width = field.width();
    const int32_t height = field.height();
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::ZIP_COMPRESSION;
        for (const char* name : {"R", "G", "B"}) {
            header.channels().insert(name, Imf::Channel(Imf::FLOAT));
        }
        MemoryStream stream(out);
        Imf::OutputFile file(stream, header);
        // A band of rows at a time, so that the floats never take more than
        // a few megabytes beside the field.
        const int32_t band = std::max(1, (int32_t{1} << 20) / std::max(width, 1));
        std::vector<float> samples(std::size_t(width) * 3 * std::size_t(std::min(band, height)));
        for (int32_t t0 = 0; t0 < height; t0 += band) {
            const int32_t count = std::min(band, height - t0);
            float* sample = samples.data();
            for (int32_t t = t0; t < t0 + count; ++t) {
                // EXR rows go top-down; the G coordinate counts from the bottom.
                const Displacement* entry = field.row(height - 1 - t);
                for (int32_t c = 0; c < width; ++c) {
                    *sample++ = static_cast<float>((entry[c].x + 0.5) / width);
                    *sample++ = static_cast<float>((entry[c].y + 0.5) / height);
                    *sample++ = 0.0f;
                }
            }
            // The band's first row is row t0 of the picture.
            const std::size_t pixel = 3 * sizeof(float);
            Imf::FrameBuffer frame;
            const char* names[] = {"R", "G", "B"};
            for (int k = 0; k < 3; ++k) {
                frame.insert(names[k], Imf::Slice::Make(Imf::FLOAT, samples.data() + k,
                                                        IMATH_NAMESPACE::V2i(0, t0), width, count,
                                                        pixel, pixel * std::size_t(width)));
            }
            file.setFrameBuffer(frame);
            file.writePixels(count);
        }
    } catch (const std::bad_alloc&) {
        error = "There is not enough memory to make the STMap.";
        return false;
    } catch (const std::exception& e) {
        error = std::string("The STMap cannot be made: ") + e.what() + ".";
        return false;
    }
    return true;
}

bool ExportMap(const DisplacementField& field, const std::string& path, std::string& error) {
    MapKind kind{};
    if (!MapKindOf(path, kind)) {
        error = "Cannot write " + path +
                ": a map is written as .tif or .tiff (pixel map) or .exr (STMap).";
        return false;
    }
    std::vector<uint8_t> bytes;
    const bool encoded = kind == MapKind::PixelMapTiff ? EncodePixelMap(field, bytes, error)
                                                       : EncodeStMap(field, bytes, error);
    if (!encoded) {
        return false;
    }
    return WriteWholeFile(path, bytes, error);
}

}  // namespace grimora
