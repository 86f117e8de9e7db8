// SPDX-License-Identifier: GPL-3.0-or-later
// Every window a test makes keeps its recovery copies in a folder of this
// test process's own, never in the user's.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class StateFolder : public testing::Environment {
public:
    StateFolder()
        : folder_(std::filesystem::path(testing::TempDir()) /
                  ("grimora_state_" + std::to_string(::getpid()))) {
        ::setenv("XDG_STATE_HOME", folder_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::filesystem::path folder_;
};

// Before main, so that no window of any test can see the real folder.
[[maybe_unused]] testing::Environment* const kStateFolder =
    testing::AddGlobalTestEnvironment(new StateFolder);

}  // namespace
