// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/browser/file_masks.h"

namespace grimora {
namespace {

TEST(PictureFilterList, GivesTheFourteenEntriesInOrder) {
    const std::vector<FilterEntry> entries =
        ParseFilterList(QString::fromLatin1(kPictureFilterList));
    const FilterEntry expected[] = {
        {"All pictures", "*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG"},
        {"BMP - Windows, OS/2 Bitmap", "*.BMP"},
        {"DIB - Windows, OS/2 DIB", "*.DIB"},
        {"GIF - CompuServe Graphics Interchange", "*.GIF"},
        {"IFF - Amiga", "*.IFF"},
        {"JIF - JPEG - JFIF Compilant", "*.JIF"},
        {"JPG - JPEG - JFIF Compilant", "*.JPG"},
        {"LBM - Deluxe Paint", "*.LBM"},
        {"PCX - ZSoft Paintbrush", "*.PCX"},
        {"RLE - Windows RLE", "*.RLE"},
        {"TGA - Truevision Targa", "*.TGA"},
        {"TIF - Tagged image file Format", "*.TIF"},
        {"PNG - Portable Graphics Network", "*.PNG"},
        {"All files (*.*)", "*.*"},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i], expected[i]) << i;
    }
}

TEST(PictureFilterList, ChoiceGivesItsMaskTheLastWhenNoneAndStarDotStarWhenEmpty) {
    const std::vector<FilterEntry> entries = ParseFilterList("A|*.A|B|*.B;*.C|Loose");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(MaskOfChoice(entries, 0), "*.A");
    EXPECT_EQ(MaskOfChoice(entries, 1), "*.B;*.C");
    EXPECT_EQ(MaskOfChoice(entries, 2), "*");
    EXPECT_EQ(MaskOfChoice(entries, -1), "*");
    EXPECT_EQ(MaskOfChoice(entries, 3), "*");
    EXPECT_EQ(MaskOfChoice(ParseFilterList(""), 0), "*.*");
    EXPECT_EQ(SplitMasks("*.BMP;;*.DIB;"), (QStringList{"*.BMP", "*.DIB"}));
}

TEST(MaskMatching, WildcardsAndCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"photo.jpg", "*.JPG", true},
        {"PHOTO.JPG", "*.jpg", true},
        {"Photo.JpG", "*.JPG", true},
        {"photo.jpeg", "*.JPG", false},
        {"photo.jpg.txt", "*.JPG", false},
        {"archive.tar.jpg", "*.JPG", true},
        {".jpg", "*.JPG", true},
        {"jpg", "*.JPG", false},
        {"noext", "*.*", false},
        {"a.b", "*.*", true},
        {"trailing.", "*.*", true},
        {".hidden", "*.*", true},
        {"noext", "*", true},
        {"", "*", true},
        {"a1.bmp", "a?.bmp", true},
        {"a.bmp", "a?.bmp", false},
        {"abcabd", "*abd", true},
        {"ÄRGER.PNG", "*.png", true},
        {"äh.png", "Ä*", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesMask(QString::fromUtf8(c.name), QString::fromUtf8(c.mask)), c.matches)
            << c.name << " against " << c.mask;
    }
    const QStringList pictures = SplitMasks("*.BMP;*.GIF");
    EXPECT_TRUE(MatchesAnyMask("x.gif", pictures));
    EXPECT_FALSE(MatchesAnyMask("x.png", pictures));
    EXPECT_FALSE(MatchesAnyMask("x.gif", {}));
}

}  // namespace
}  // namespace grimora
