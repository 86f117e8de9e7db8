// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/field_output.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

namespace grimora::cli {

namespace {

void putLittleEndian(std::vector<char>& out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
    }
}

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    std::random_device random;
    const auto suffix = std::to_string(random()) + std::to_string(random());
    std::filesystem::path temporary = target;
    temporary += ".partial-" + suffix;
    return temporary;
}

// The file that writing replaces: the target of a symbolic link rather than
// the link, so that writing through a link does not turn it into a file.
std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved;
}

// A device or a pipe (/dev/stdout, /dev/null) cannot be replaced by renaming
// a file over it, and must not be: it is written in place.
bool isDeviceOrPipe(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

// One row at a time: the whole field may be hundreds of megabytes.
void writeEntries(std::ofstream& out, const DisplacementField& field) {
    std::vector<char> row;
    row.reserve(static_cast<std::size_t>(field.width()) * 8);
    for (int32_t r = 0; r < field.height() && out; ++r) {
        row.clear();
        const Displacement* entry = field.row(r);
        for (int32_t c = 0; c < field.width(); ++c) {
            putLittleEndian(row, entry[c].x);
            putLittleEndian(row, entry[c].y);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    out.close();
}

}  // namespace

bool WriteRawField(const DisplacementField& field, const std::string& path, std::string& error) {
    const std::filesystem::path target = resolveTarget(path);
    if (isDeviceOrPipe(target)) {
        std::ofstream out(target, std::ios::binary);
        if (!out) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        writeEntries(out, field);
        if (!out) {
            error = "cannot write " + path;
            return false;
        }
        return true;
    }
    const std::filesystem::path temporary = temporaryBeside(target);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        writeEntries(out, field);
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            error = "cannot write " + path;
            return false;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = "cannot write " + path + ": " + renameError.message();
        return false;
    }
    return true;
}

}  // namespace grimora::cli
