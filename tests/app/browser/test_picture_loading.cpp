// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/browser/picture_loading.h"

namespace grimora {
namespace {

TEST(LoadFailureMessage, LongTextIsTheBodyShortOneIsReplaced) {
    const QString file = "/p/x.bmp";
    const QString named = "Error: The file /p/x.bmp could not be loaded!";
    struct Case {
        const char* errorText;
        QString text;
        QString caption;
    };
    const Case cases[] = {
        {"", named, "Error"},
        {"Abcde", named, "Error"},
        {"Abcdef", "Abcdef", named},
        // Characters, not bytes: five letters of two bytes each are short.
        {"ÄÖÜäö", named, "Error"},
        {"The file is broken.", "The file is broken.", named},
    };
    for (const Case& c : cases) {
        const LoadFailureBox box = LoadFailureMessage(file, QString::fromUtf8(c.errorText));
        EXPECT_EQ(box.text, c.text) << c.errorText;
        EXPECT_EQ(box.caption, c.caption) << c.errorText;
    }
}

TEST(PreviewFit, FillsTheWidthUnlessTooTall) {
    struct Case {
        int32_t boxWidth, boxHeight, width, height;
        std::optional<FitSize> fit;
    };
    const Case cases[] = {
        {234, 221, 640, 480, FitSize{234, 175}},
        {234, 221, 480, 640, FitSize{165, 221}},
        {234, 221, 320, 200, FitSize{234, 146}},
        // Smaller pictures are enlarged.
        {234, 221, 10, 10, FitSize{221, 221}},
        {234, 221, 1, 1000, FitSize{0, 221}},
        {100, 50, 65535, 65535, FitSize{50, 50}},
        {234, 221, 0, 480, std::nullopt},
        {234, 221, 640, 0, std::nullopt},
        {0, 221, 640, 480, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewFit(c.boxWidth, c.boxHeight, c.width, c.height), c.fit)
            << c.width << " x " << c.height << " in " << c.boxWidth << " x " << c.boxHeight;
    }
}

}  // namespace
}  // namespace grimora
