// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/outputs.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/picture_writer.h"
#include "warp/field_files.h"

namespace grimora::cli {

namespace {

bool Inspect(const std::string& path, TargetInfo& target, std::string& error) {
    if (!InspectTarget(path, target, error)) {
        return false;
    }
    if (target.writeProtected) {
        error = WriteProtectedText(path);
        return false;
    }
    return true;
}

}  // namespace

bool CheckOutputs(const OutputPaths& paths, std::string& error) {
    if (!CheckPictureFileType(paths.picture, error)) {
        error = "cannot write " + paths.picture + ": " + error;
        return false;
    }
    std::vector<TargetInfo> targets(1);
    if (!Inspect(paths.picture, targets[0], error)) {
        return false;
    }
    for (const std::optional<std::string>& path :
         {paths.field, paths.animation, paths.warp, paths.map}) {
        if (!path) {
            continue;
        }
        TargetInfo target;
        if (!Inspect(*path, target, error)) {
            return false;
        }
        for (const TargetInfo& earlier : targets) {
            if (SameFile(earlier, target) && target.kind != TargetKind::kStream) {
                error = earlier.path + " and " + target.path + " are the same file, " +
                        target.file + "; give each output a file of its own";
                return false;
            }
        }
        targets.push_back(target);
    }
    return true;
}

bool WriteOutputs(const OutputPaths& paths, const Dib& picture, const DisplacementField& field,
                  std::string& error) {
    FileWrite pictureFile;
    FileWrite fieldFile;
    if (!pictureFile.open(paths.picture, error) ||
        (paths.field && !fieldFile.open(*paths.field, error))) {
        return false;
    }
    if (!WritePicture(picture, pictureFile, error) ||
        (paths.field && !WriteRawField(field, fieldFile, error))) {
        return false;
    }
    if (!pictureFile.finish(error) || (paths.field && !fieldFile.finish(error))) {
        return false;
    }
    return pictureFile.commit(error) && (!paths.field || fieldFile.commit(error));
}

}  // namespace grimora::cli
