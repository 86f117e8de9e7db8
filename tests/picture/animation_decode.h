// SPDX-License-Identifier: GPL-3.0-or-later
// Animation files read back by an independent decoder, Pillow, through
// Debian's own python3.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "picture/animation_writer.h"

namespace grimora::animation_test {

namespace fs = std::filesystem;

inline void WritePpm(const fs::path& path, const RgbaFrame& frame) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << frame.width << " " << frame.height << "\n255\n";
    for (std::size_t i = 0; i < frame.pixels.size(); i += 4) {
        out.write(reinterpret_cast<const char*>(&frame.pixels[i]), 3);
    }
}

// What Pillow sees: the number of frames, each frame's delay, the loop count
// and the mean and largest difference of the first and last frames from the
// PPM files given.
struct Decoded {
    int frames = 0;
    std::vector<int> delays;
    int loop = -1;
    double firstMean = 0, firstMax = 0, lastMean = 0, lastMax = 0;
};

inline Decoded Decode(const fs::path& file, const fs::path& first, const fs::path& last) {
    const fs::path script = file.parent_path() / "decode.py";
    std::ofstream(script) << R"(import sys
from PIL import Image, ImageChops, ImageStat
im = Image.open(sys.argv[1])
delays = []
frames = []
for i in range(im.n_frames):
    im.seek(i)
    im.load()
    delays.append(str(im.info.get('duration', -1)))
    frames.append(im.convert('RGB'))
def diff(a, path):
    d = ImageChops.difference(a, Image.open(path).convert('RGB'))
    return sum(ImageStat.Stat(d).mean) / 3, max(e[1] for e in d.getextrema())
fm, fx = diff(frames[0], sys.argv[2])
lm, lx = diff(frames[-1], sys.argv[3])
print(im.n_frames, im.info.get('loop', -1), fm, fx, lm, lx, ','.join(delays))
)";
    const std::string command = "/usr/bin/python3 " + script.string() + " " + file.string() + " " +
                                first.string() + " " + last.string();
    Decoded d;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return d;
    }
    char line[65536] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    if (!read) {
        return d;
    }
    std::istringstream in(line);
    std::string delays;
    in >> d.frames >> d.loop >> d.firstMean >> d.firstMax >> d.lastMean >> d.lastMax >> delays;
    std::istringstream list(delays);
    for (std::string item; std::getline(list, item, ',');) {
        d.delays.push_back(std::stoi(item));
    }
    return d;
}

}  // namespace grimora::animation_test
