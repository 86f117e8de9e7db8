#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads Grimora's map exports with OpenCV alone, as another tool would, and
# checks them against what Grimora made:
#   check_maps.py remap MAP.tif SOURCE RESULT
#     OpenCV's nearest remap of SOURCE through the pixel map equals RESULT.
#   check_maps.py stmap MAP.exr FIELD.raw
#     every STMap entry gives back the field's source column and memory row.
# Prints "ok", or the first difference.
import os
import sys

os.environ["OPENCV_IO_ENABLE_OPENEXR"] = "1"  # before cv2 is loaded
import cv2  # noqa: E402
import numpy as np  # noqa: E402


def remap(map_file, source_file, result_file):
    source = cv2.imread(source_file, cv2.IMREAD_UNCHANGED)
    result = cv2.imread(result_file, cv2.IMREAD_UNCHANGED)
    pixel_map = cv2.imread(map_file, cv2.IMREAD_UNCHANGED)
    if pixel_map is None or pixel_map.dtype != np.float32 or pixel_map.shape[2] != 3:
        return "the map is no 3-channel float picture"
    # OpenCV hands the channels back in reverse order: 0, row, column.
    if np.any(pixel_map[:, :, 0] != 0):
        return "the third channel is not 0"
    warped = cv2.remap(source, pixel_map[:, :, 2], pixel_map[:, :, 1], cv2.INTER_NEAREST)
    if warped.shape != result.shape:
        return "sizes differ: %s against %s" % (warped.shape, result.shape)
    differ = np.argwhere(warped != result)
    if len(differ):
        y, x, k = differ[0]
        return "first difference at x %d, y %d, channel %d: %d against %d" % (
            x, y, k, warped[y, x, k], result[y, x, k])
    return "ok"


def stmap(map_file, field_file):
    st = cv2.imread(map_file, cv2.IMREAD_UNCHANGED)
    if st is None or st.dtype != np.float32:
        return "the STMap cannot be read as floats"
    height, width = st.shape[:2]
    # The raw field: int32 pairs, memory row 0 (the bottom) first.
    field = np.fromfile(field_file, dtype="<i4").reshape(height, width, 2)[::-1]
    column = np.floor(st[:, :, 2].astype(np.float64) * width).astype(np.int64)
    row = np.floor(st[:, :, 1].astype(np.float64) * height).astype(np.int64)
    for name, got, want in (("column", column, field[:, :, 0]), ("row", row, field[:, :, 1])):
        differ = np.argwhere(got != want)
        if len(differ):
            t, c = differ[0]
            return "first %s difference at x %d, row %d from the top: %d against %d" % (
                name, c, t, got[t, c], want[t, c])
    if np.any(st[:, :, 0] != 0):
        return "B is not 0"
    return "ok"


if __name__ == "__main__":
    if sys.argv[1] == "remap":
        print(remap(*sys.argv[2:5]))
    else:
        print(stmap(*sys.argv[2:4]))
