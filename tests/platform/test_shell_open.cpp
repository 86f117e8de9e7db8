// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include <gtest/gtest.h>

#include "platform/shell_open.h"

namespace grimora {
namespace {

TEST(ShellOpenTest, AddressesBecomeUrlsAndEmptyOnesOpenNothing) {
    std::vector<QString> opened;
    ScopedShellOpener opener([&opened](QWidget*, const QString& url) {
        opened.push_back(url);
        return true;
    });
    struct Case {
        const char* address;
        bool opens;
        const char* url;
    };
    const Case cases[] = {
        {"www.grimora.example", true, "https://www.grimora.example"},
        {" https://grimora.example/about ", true, "https://grimora.example/about"},
        {"http://grimora.example", true, "http://grimora.example"},
        {"", false, ""},
        {"   ", false, ""},
    };
    for (const Case& c : cases) {
        opened.clear();
        EXPECT_EQ(ShellOpen(nullptr, QString::fromUtf8(c.address)), c.opens) << c.address;
        if (c.opens) {
            ASSERT_EQ(opened.size(), 1u) << c.address;
            EXPECT_EQ(opened[0], c.url);
        } else {
            EXPECT_TRUE(opened.empty()) << c.address;
        }
    }
}

}  // namespace
}  // namespace grimora
