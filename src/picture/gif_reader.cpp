// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/gif_reader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gif_lib.h>

namespace grimora {

namespace {

struct MemoryInput {
    std::span<const uint8_t> file;
    std::size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t left = input->file.size() - input->at;
    const std::size_t n = std::min<std::size_t>(left, wanted < 0 ? 0 : std::size_t(wanted));
    std::memcpy(buffer, input->file.data() + input->at, n);
    input->at += n;
    return static_cast<int>(n);
}

std::string GifError(int code) {
    switch (code) {
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_EOF_TOO_SOON:
            return "The GIF file ends early.";
        case D_GIF_ERR_NOT_GIF_FILE:
            return "This is not a GIF file.";
        case D_GIF_ERR_NO_SCRN_DSCR:
            return "The GIF file has no screen descriptor.";
        case D_GIF_ERR_NO_IMAG_DSCR:
            return "The GIF file has no picture.";
        case D_GIF_ERR_NO_COLOR_MAP:
            return "The GIF picture has no colour table.";
        case D_GIF_ERR_WRONG_RECORD:
            return "The GIF file has a record of an unknown type.";
        case D_GIF_ERR_DATA_TOO_BIG:
            return "The GIF picture data is longer than the picture.";
        case D_GIF_ERR_NOT_ENOUGH_MEM:
            return "Not enough memory to load the picture.";
        case D_GIF_ERR_IMAGE_DEFECT:
            return "The GIF picture data is damaged.";
        default:
            return "The GIF file cannot be read (error " + std::to_string(code) + ").";
    }
}

// Closes giflib's decoder on every way out.
class GifDecoder {
public:
    explicit GifDecoder(std::span<const uint8_t> file) : input_{file} {
        gif_ = DGifOpen(&input_, ReadFromMemory, &openError_);
    }
    ~GifDecoder() {
        if (gif_ != nullptr) {
            int ignored = 0;
            DGifCloseFile(gif_, &ignored);
        }
    }
    GifDecoder(const GifDecoder&) = delete;
    GifDecoder& operator=(const GifDecoder&) = delete;

    GifFileType* get() const { return gif_; }
    int openError() const { return openError_; }

private:
    MemoryInput input_;
    int openError_ = 0;
    GifFileType* gif_ = nullptr;
};

struct GifHeader {
    int64_t width = 0;  // the canvas
    int64_t height = 0;
    int transparent = -1;  // colour index, or -1
};

// Reads up to and including the first image descriptor, taking the
// transparent colour from a graphic control extension before it.
bool ReadGifHeader(GifDecoder& decoder, GifHeader& header, std::string& error) {
    GifFileType* gif = decoder.get();
    if (gif == nullptr) {
        error = GifError(decoder.openError());
        return false;
    }
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            error = GifError(gif->Error);
            return false;
        }
        if (record == TERMINATE_RECORD_TYPE) {
            error = "The GIF file has no picture.";
            return false;
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
                error = GifError(gif->Error);
                return false;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                header.transparent = (block[1] & 1) != 0 ? block[4] : -1;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                    error = GifError(gif->Error);
                    return false;
                }
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) {
            error = "The GIF file has a record of an unknown type.";
            return false;
        }
        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            error = GifError(gif->Error);
            return false;
        }
        const GifImageDesc& image = gif->Image;
        if (image.Width < 1 || image.Height < 1) {
            error = "The GIF picture size is invalid: " + PixelSizeText(image.Width, image.Height) +
                    " pixels.";
            return false;
        }
        header.width = std::max<int64_t>(gif->SWidth, int64_t{image.Left} + image.Width);
        header.height = std::max<int64_t>(gif->SHeight, int64_t{image.Top} + image.Height);
        return CheckPictureSize(header.width, header.height, error);
    }
}

int NearestEntry(const BitmapInfo& colours, int count, RgbQuad colour) {
    int nearest = 0;
    int best = INT_MAX;
    for (int i = 0; i < count; ++i) {
        const RgbQuad& c = colours.bmiColors[i];
        const int d = std::abs(c.rgbRed - colour.rgbRed) + std::abs(c.rgbGreen - colour.rgbGreen) +
                      std::abs(c.rgbBlue - colour.rgbBlue);
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    return nearest;
}

}  // namespace

bool IsGifFile(std::span<const uint8_t> file) {
    return file.size() >= 6 && (std::memcmp(file.data(), "GIF87a", 6) == 0 ||
                                std::memcmp(file.data(), "GIF89a", 6) == 0);
}

bool MeasureGif(std::span<const uint8_t> file, PictureSize& size) {
    GifDecoder decoder(file);
    GifHeader header;
    std::string error;
    if (!ReadGifHeader(decoder, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

bool ReadGif(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    GifDecoder decoder(file);
    GifHeader header;
    if (!ReadGifHeader(decoder, header, error)) {
        return false;
    }
    GifFileType* gif = decoder.get();
    const GifImageDesc& image = gif->Image;
    const ColorMapObject* map = image.ColorMap != nullptr ? image.ColorMap : gif->SColorMap;
    if (map == nullptr || map->ColorCount < 1 || map->Colors == nullptr) {
        error = "The GIF picture has no colour table.";
        return false;
    }
    const int colourCount = std::min(map->ColorCount, kMaxColours);
    BitmapInfo colours;
    for (int i = 0; i < colourCount; ++i) {
        const GifColorType& c = map->Colors[i];
        colours.bmiColors[i] = RgbQuad{c.Blue, c.Green, c.Red, 0};
    }
    int tableSize = colourCount;
    // An entry of the colour's own after the file's, or where the table is
    // full the file's entry nearest to it.
    const auto entryFor = [&](RgbQuad colour) {
        if (tableSize < kMaxColours) {
            colours.bmiColors[tableSize] = colour;
            return tableSize++;
        }
        return NearestEntry(colours, colourCount, colour);
    };
    constexpr RgbQuad kWhite{255, 255, 255, 0};
    const auto width = static_cast<int32_t>(header.width);
    const auto height = static_cast<int32_t>(header.height);
    const bool framed =
        image.Left != 0 || image.Top != 0 || image.Width != width || image.Height != height;

    // Transparent pixels are composed over white; a transparent index past
    // the table still means transparent.
    const int transparent = header.transparent;
    int transparentEntry = -1;
    if (transparent >= 0 && transparent < colourCount) {
        colours.bmiColors[transparent] = kWhite;
        transparentEntry = transparent;
    } else if (transparent >= 0) {
        transparentEntry = entryFor(kWhite);
    }
    // Outside the frame: transparent if there is a transparent colour, else
    // the screen's background colour, which the global table gives.
    int background = 0;
    if (framed) {
        const ColorMapObject* screen = gif->SColorMap;
        if (transparentEntry >= 0) {
            background = transparentEntry;
        } else if (screen == nullptr || gif->SBackGroundColor >= screen->ColorCount) {
            background = entryFor(kWhite);
        } else if (map == screen) {
            background = gif->SBackGroundColor;
        } else {
            const GifColorType& c = screen->Colors[gif->SBackGroundColor];
            background = entryFor(RgbQuad{c.Blue, c.Green, c.Red, 0});
        }
    }
    const int bits = PaletteDepth(tableSize);
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, bits, &colours, tableSize, error)) {
        return false;
    }
    std::vector<uint8_t> canvasRow(static_cast<std::size_t>(width),
                                   static_cast<uint8_t>(background));
    if (framed) {
        for (int32_t r = 0; r < height; ++r) {
            PackIndexRow(canvasRow.data(), width, bits, DibRow(made.get(), r));
        }
    }

    // The rows in the order the file has them; interlaced pictures come in
    // four passes.
    std::vector<int32_t> order;
    order.reserve(static_cast<std::size_t>(image.Height));
    if (image.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int32_t y = kStart[pass]; y < image.Height; y += kStep[pass]) {
                order.push_back(y);
            }
        }
    } else {
        for (int32_t y = 0; y < image.Height; ++y) {
            order.push_back(y);
        }
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.Width));
    int largest = 0;
    progress.report(0, image.Height);
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (DGifGetLine(gif, line.data(), image.Width) == GIF_ERROR) {
            error = GifError(gif->Error);
            return false;
        }
        for (GifPixelType& p : line) {
            if (p == transparent) {
                p = static_cast<GifPixelType>(transparentEntry);
            } else {
                largest = std::max<int>(largest, p);
            }
        }
        std::copy(line.begin(), line.end(), canvasRow.begin() + image.Left);
        const int32_t canvasY = image.Top + order[i];
        PackIndexRow(canvasRow.data(), width, bits, DibRow(made.get(), height - 1 - canvasY));
        progress.report(static_cast<int64_t>(i + 1), image.Height);
    }
    if (largest >= colourCount) {
        error = IndexPastPaletteText(largest, colourCount);
        return false;
    }
    picture = std::move(made);
    return true;
}

}  // namespace grimora
