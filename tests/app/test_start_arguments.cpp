// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/start_arguments.h"

namespace grimora {
namespace {

TEST(StartArguments, OnePathMadeAbsoluteOrAMessageToEndWith) {
    struct Case {
        QStringList arguments;
        const char* path;
        int exitCode;
    };
    const Case cases[] = {
        {{}, "", -1},
        {{"face.jpg"}, "/home/u/face.jpg", -1},
        {{"../pics/./face.jpg"}, "/home/pics/face.jpg", -1},
        {{"/tmp/faces/"}, "/tmp/faces", -1},
        {{"file:///tmp/my%20face.png"}, "/tmp/my face.png", -1},
        {{"--", "-odd name.png"}, "/home/u/-odd name.png", -1},
        {{"file://elsewhere/face.png"}, "", 2},
        {{"a.png", "b.png"}, "", 2},
        {{"--frobnicate"}, "", 2},
        {{"--help"}, "", 0},
        {{"--version"}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const StartArguments start = ParseStartArguments(c.arguments, QStringLiteral("/home/u"));
        EXPECT_EQ(start.path, QString::fromUtf8(c.path));
        EXPECT_EQ(start.exitCode, c.exitCode);
        EXPECT_EQ(start.message.isEmpty(), c.exitCode < 0);
    }
    EXPECT_TRUE(ParseStartArguments({"--help"}, "/").message.contains("[FILE | FOLDER]"));
    EXPECT_EQ(ParseStartArguments({"--version"}, "/").message, "Grimora 2.0");
}

}  // namespace
}  // namespace grimora
