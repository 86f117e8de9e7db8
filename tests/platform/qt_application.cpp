// SPDX-License-Identifier: GPL-3.0-or-later
// One application object for all the Qt suites, made before the first test.
// Painting, fonts and screens need it; a second one must never be made, so
// it is only made when there is none yet.
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

namespace grimora {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() != nullptr) {
            return;
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }

    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "grimora_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] const ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
}  // namespace grimora
