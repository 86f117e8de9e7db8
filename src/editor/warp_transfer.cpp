// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/warp_transfer.h"

#include <new>
#include <optional>
#include <utility>

namespace grimora {

namespace {

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " \xC3\x97 " + std::to_string(height) + " pixels";
}

}  // namespace

std::span<const uint8_t> MaskBytes(const WarpSession& session) {
    return {session.mask().data(), session.mask().size()};
}

std::string PictureName(const std::string& origin) {
    if (origin.starts_with("blank:")) {
        return origin;
    }
    const std::size_t slash = origin.rfind('/');
    return slash == std::string::npos ? origin : origin.substr(slash + 1);
}

bool SaveSessionWarp(const WarpSession& session, const std::string& path, std::string& error) {
    WarpOrigin origin;
    origin.source = PictureName(session.origin());
    return WriteWarpFile(path, session.field(), MaskBytes(session), origin, error);
}

bool ReadWarpForPicture(const std::string& path, const WarpSession& session, WarpForPicture& out,
                        std::string& error) {
    WarpFile file;
    if (!ReadWarpFile(path, file, error)) {
        error = path + ": " + error;
        return false;
    }
    out.otherSize =
        file.field.width() != session.width() || file.field.height() != session.height();
    const std::string here = PictureName(session.origin());
    out.otherName = !file.origin.source.empty() && !here.empty() && file.origin.source != here;
    out.file = std::move(file);
    return true;
}

std::string OtherPictureQuestion(const WarpForPicture& warp, const WarpSession& session) {
    const std::string savedName = warp.file.origin.source;
    const std::string here = PictureName(session.origin());
    std::string made = "The warp file was made for ";
    made += savedName.empty() ? "a picture" : savedName;
    std::string now = "this picture";
    if (!here.empty()) {
        now += " is " + here;
    }
    if (warp.otherSize) {
        made += " of " + SizeText(warp.file.field.width(), warp.file.field.height());
        now += here.empty() ? " has " : " of ";
        now += SizeText(session.width(), session.height());
        return made + "; " + now + ". Put it on this picture, scaled to its size?";
    }
    return made + "; " + now + ". Put it on this picture?";
}

WarpApplied ApplyWarp(WarpSession& session, const WarpForPicture& warp) {
    try {
        std::optional<DisplacementField> fitted =
            FitField(warp.file.field, session.width(), session.height());
        if (!fitted) {
            return WarpApplied::NoMemory;
        }
        const std::vector<uint8_t> mask =
            FitMask(warp.file.mask, warp.file.field.width(), warp.file.field.height(),
                    session.width(), session.height());
        return session.loadField(*fitted, mask) ? WarpApplied::Step : WarpApplied::NoChange;
    } catch (const std::bad_alloc&) {
        return WarpApplied::NoMemory;
    }
}

}  // namespace grimora
