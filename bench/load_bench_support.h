// SPDX-License-Identifier: GPL-3.0-or-later
// What the load benchmarks share: the synthetic photograph, the clocks and
// the peak memory of a fresh child process of the benchmark program.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "picture/dib_queries.h"
#include "picture/owned_dib.h"

namespace grimora::bench {

inline constexpr int32_t kPhotoWidth = 6000;
inline constexpr int32_t kPhotoHeight = 4000;

// Smooth gradients with some fine detail, so that no encoder meets a
// trivially compressible picture. False when the picture cannot be made.
inline bool MakeSyntheticPhoto(OwnedDib& picture) {
    if (!picture.make(kPhotoWidth, kPhotoHeight, 24)) {
        return false;
    }
    for (int32_t y = 0; y < kPhotoHeight; ++y) {
        uint8_t* row = DibRow(picture.get(), y);
        for (int32_t x = 0; x < kPhotoWidth; ++x) {
            const uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 28;
            row[3 * x] = uint8_t((x / 24 + noise) & 0xFF);
            row[3 * x + 1] = uint8_t((y / 16 + (x * y) / 50000 + noise) & 0xFF);
            row[3 * x + 2] = uint8_t(((x + y) / 40 + noise) & 0xFF);
        }
    }
    return true;
}

inline double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

inline double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Peak resident kilobytes of this process (its own, not inherited over exec
// as getrusage's is).
inline long PeakKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    char line[256];
    long peak = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) {
            break;
        }
    }
    std::fclose(status);
    return peak;
}

// Runs this program again with `environment` (NAME=value entries) and reads
// the one number the child prints: its peak in kilobytes, or -1.
inline long ChildPeakKb(const char* programName, const std::vector<std::string>& environment) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char* arguments[] = {const_cast<char*>(programName), nullptr};
    std::vector<char*> variables;
    for (const std::string& entry : environment) {
        variables.push_back(const_cast<char*>(entry.c_str()));
    }
    variables.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, variables.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    long peak = -1;
    if (spawned == 0) {
        FILE* in = ::fdopen(pipeEnds[0], "r");
        if (in != nullptr) {
            if (std::fscanf(in, "%ld", &peak) != 1) {
                peak = -1;
            }
            std::fclose(in);
        }
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            peak = -1;
        }
    } else {
        ::close(pipeEnds[0]);
    }
    return peak;
}

}  // namespace grimora::bench
