// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/picture_writer.h"
#include "picture/row_writer.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// Colour of pixel (x, y) of the test pictures, as getpixel packs it.
uint32_t PatternColour(int x, int y) {
    const uint32_t r = static_cast<uint32_t>(x * 19 + 3) & 0xFF;
    const uint32_t g = static_cast<uint32_t>(y * 37 + 100) & 0xFF;
    const uint32_t b = static_cast<uint32_t>(x * y * 11) & 0xFF;
    return r | g << 8 | b << 16;
}

class SavePictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  (std::string("grimora_save_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Files in the test folder, to see that no temporary file is left over.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    OwnedDib load(const fs::path& path) {
        Dib dib;
        OpenDib(dib, path.c_str(), nullptr);
        return OwnedDib(dib);
    }

    fs::path folder_;
};

TEST_F(SavePictureTest, TrueColourRoundTrip) {
    for (const int bits : {24, 32}) {
        OwnedDib picture;
        ASSERT_TRUE(picture.make(13, 7, bits));
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                setpixel(*picture, x, y, PatternColour(x, y));
            }
        }
        const fs::path path = folder_ / "round.bmp";
        std::string error;
        ASSERT_TRUE(SavePicture(*picture, path.string(), error)) << error;

        const Bytes file = ReadFile(path);
        ASSERT_EQ(file.size(), 54u + 40 * 7);
        EXPECT_EQ(U32(file, 2), file.size());
        EXPECT_EQ(U32(file, 10), 54u);
        EXPECT_EQ(U32(file, 14), 40u);
        EXPECT_EQ(U32(file, 22), 7u);  // positive: bottom-up
        EXPECT_EQ(file[28], 24);

        const OwnedDib back = load(path);
        ASSERT_NE(back->bits, nullptr) << back->errorText;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                ASSERT_EQ(getpixel(*back, x, y), PatternColour(x, y))
                    << bits << " bits, x " << x << ", memory row " << y;
            }
        }
    }
}

TEST_F(SavePictureTest, PaletteIndicesAreResolvedThroughLogPalette) {
    for (const int bits : {1, 4, 8}) {
        OwnedDib picture;
        ASSERT_TRUE(picture.make(13, 7, bits));
        // logPalette differs from the colour table on purpose: saving
        // resolves indices the way depth conversion does.
        Dib& d = picture.edit();
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) {
            d.logPalette.palPalEntry[i] =
                PaletteEntry{static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 40, 0};
        }
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                setpixel(d, x, y, static_cast<uint32_t>((x + 3 * y) % entries));
            }
        }
        const fs::path path = folder_ / "palette.bmp";
        std::string error;
        ASSERT_TRUE(SavePicture(d, path.string(), error)) << error;
        const OwnedDib back = load(path);
        ASSERT_NE(back->bits, nullptr) << back->errorText;
        EXPECT_EQ(back->info->bmiHeader.biBitCount, 24);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                const PaletteEntry& e = d.logPalette.palPalEntry[(x + 3 * y) % entries];
                const uint32_t expected = e.peRed | e.peGreen << 8 | e.peBlue << 16;
                ASSERT_EQ(getpixel(*back, x, y), expected)
                    << bits << " bits, x " << x << ", memory row " << y;
            }
        }
    }
}

TEST_F(SavePictureTest, ChoosesTheFormatByExtension) {
    OwnedDib picture;
    ASSERT_TRUE(picture.make(2, 2, 24));
    std::string error;
    EXPECT_TRUE(SavePicture(*picture, (folder_ / "UPPER.BMP").string(), error)) << error;
    EXPECT_NE(load(folder_ / "UPPER.BMP")->bits, nullptr);

    const std::string kTypes = ".bmp, .png, .jpg, .jpeg, .tif and .tiff files.";
    const struct {
        const char* name;
        std::string message;
    } refused[] = {
        {"picture.gif", "Grimora cannot write .gif files; it writes " + kTypes},
        {"picture.jpg.pcx", "Grimora cannot write .pcx files; it writes " + kTypes},
        {"picture", "Grimora cannot write files without an extension; it writes " + kTypes},
        {".bmp", "Grimora cannot write files without an extension; it writes " + kTypes},
    };
    for (const auto& c : refused) {
        error.clear();
        EXPECT_FALSE(SavePicture(*picture, (folder_ / c.name).string(), error)) << c.name;
        EXPECT_EQ(error, c.message);
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"UPPER.BMP"});
    // A name at the system's limit: the temporary beside it must still fit.
    const std::string longest = std::string(251, 'n') + ".bmp";
    EXPECT_TRUE(SavePicture(*picture, (folder_ / longest).string(), error)) << error;
}

// Every format by its extensions, in any case, read back through OpenDib:
// lossless ones exactly, JPEG within what quality 90 loses on a smooth picture.
TEST_F(SavePictureTest, EveryFormatRoundTrips) {
    const struct {
        const char* name;
        int tolerance;
    } cases[] = {
        {"a.bmp", 0}, {"b.PNG", 0}, {"c.tif", 0}, {"d.TIFF", 0}, {"e.jpg", 12}, {"f.Jpeg", 12},
    };
    OwnedDib picture;
    ASSERT_TRUE(picture.make(37, 21, 24));
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 37; ++x) {
            setpixel(*picture, x, y, uint32_t(x * 6) | uint32_t(y * 11) << 8 | uint32_t(200) << 16);
        }
    }
    for (const auto& c : cases) {
        std::string error;
        // Every format tells its rows as percentages that rise to 100.
        std::vector<int> percents;
        ASSERT_TRUE(SavePicture(*picture, (folder_ / c.name).string(), error, kDefaultJpegQuality,
                                [&percents](int p) { percents.push_back(p); }))
            << c.name << error;
        ASSERT_FALSE(percents.empty()) << c.name;
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end(), std::less_equal<>()))
            << c.name;
        EXPECT_EQ(percents.back(), 100) << c.name;
        const OwnedDib back = load(folder_ / c.name);
        ASSERT_NE(back->bits, nullptr) << c.name << ": " << back->errorText;
        ASSERT_EQ(back->info->bmiHeader.biWidth, 37) << c.name;
        ASSERT_EQ(back->info->bmiHeader.biHeight, 21) << c.name;
        int worst = 0;
        for (int y = 0; y < 21; ++y) {
            for (int x = 0; x < 37; ++x) {
                const uint32_t a = getpixel(*picture, x, y);
                const uint32_t b = getpixel(*back, x, y);
                for (int shift = 0; shift < 24; shift += 8) {
                    worst = std::max(worst,
                                     std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
                }
            }
        }
        EXPECT_LE(worst, c.tolerance) << c.name;
    }
}

TEST_F(SavePictureTest, JpegQualityIsChecked) {
    OwnedDib picture;
    ASSERT_TRUE(picture.make(64, 64, 24));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            setpixel(*picture, x, y, PatternColour(x, y));
        }
    }
    std::string error;
    ASSERT_TRUE(SavePicture(*picture, (folder_ / "low.jpg").string(), error, 10)) << error;
    ASSERT_TRUE(SavePicture(*picture, (folder_ / "default.jpg").string(), error)) << error;
    EXPECT_LT(fs::file_size(folder_ / "low.jpg"), fs::file_size(folder_ / "default.jpg"));
    EXPECT_FALSE(SavePicture(*picture, (folder_ / "bad.jpg").string(), error, 0));
    EXPECT_EQ(error, "The JPEG quality must be from 1 to 100, not 0.");
    EXPECT_EQ(entries(), (std::vector<std::string>{"default.jpg", "low.jpg"}));
}

// A full disk part way through: each encoder stops at the failed write and
// gives the system's reason, through libpng's and libjpeg's error exits.
TEST(Encoders, AFullDiskIsReportedWithTheSystemsReason) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    OwnedDib picture;
    ASSERT_TRUE(picture.make(700, 500, 24));
    for (int y = 0; y < 500; ++y) {
        for (int x = 0; x < 700; ++x) {
            setpixel(*picture, x, y, PatternColour(x, y));
        }
    }
    const struct {
        const char* name;
        bool (*encode)(const Dib&, FileSink&, LoadProgress&, std::string&);
    } encoders[] = {
        {"PNG", EncodePng},
        {"JPEG", [](const Dib& d, FileSink& s, LoadProgress& p,
                    std::string& r) { return EncodeJpeg(d, 90, s, p, r); }},
        {"TIFF", EncodeTiff},
    };
    for (const auto& e : encoders) {
        FileSink sink(fd);
        std::string reason;
        const ProgressCallback none;
        LoadProgress progress(none);
        EXPECT_FALSE(e.encode(*picture, sink, progress, reason)) << e.name;
        EXPECT_EQ(reason, "No space left on device") << e.name;
    }
    ::close(fd);
}

TEST_F(SavePictureTest, RefusesWhatItCannotWrite) {
    std::string error;
    EXPECT_FALSE(SavePicture(Dib{}, (folder_ / "none.bmp").string(), error));
    EXPECT_EQ(error, "There is no picture to save.");

    OwnedDib sixteen;
    ASSERT_TRUE(sixteen.make(4, 4, 16));
    EXPECT_FALSE(SavePicture(*sixteen, (folder_ / "sixteen.bmp").string(), error));
    EXPECT_EQ(error, "Grimora cannot save pictures of 16 bits per pixel.");
    EXPECT_TRUE(entries().empty());
}

TEST_F(SavePictureTest, ReplacesAnExistingFileWhole) {
    const fs::path path = folder_ / "old.bmp";
    WriteFile(path, std::string(5000, 'x'));
    ::chmod(path.c_str(), 0640);
    OwnedDib picture;
    ASSERT_TRUE(picture.make(3, 2, 24));
    std::string error;
    ASSERT_TRUE(SavePicture(*picture, path.string(), error)) << error;
    EXPECT_EQ(fs::file_size(path), 54u + 12 * 2);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), std::vector<std::string>{"old.bmp"});
}

TEST_F(SavePictureTest, SavingThroughALinkReplacesTheLinkedFile) {
    WriteFile(folder_ / "real.bmp", "old");
    fs::create_symlink(folder_ / "real.bmp", folder_ / "link.bmp");
    OwnedDib picture;
    ASSERT_TRUE(picture.make(3, 2, 24));
    std::string error;
    ASSERT_TRUE(SavePicture(*picture, (folder_ / "link.bmp").string(), error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.bmp"));
    EXPECT_EQ(fs::file_size(folder_ / "real.bmp"), 54u + 12 * 2);
}

TEST_F(SavePictureTest, AFailedSaveLeavesTheTargetAndNoTemporaryFile) {
    OwnedDib picture;
    ASSERT_TRUE(picture.make(3, 2, 24));
    std::string error;

    // A folder that does not exist: nothing can be created.
    const std::string missing = (folder_ / "no such folder" / "picture.bmp").string();
    EXPECT_FALSE(SavePicture(*picture, missing, error));
    EXPECT_EQ(error, "Cannot save " + missing + ": No such file or directory.");

    for (const char* name : {"picture.png", "picture.jpg", "picture.tif"}) {
        const std::string inMissing = (folder_ / "no such folder" / name).string();
        EXPECT_FALSE(SavePicture(*picture, inMissing, error));
        EXPECT_EQ(error, "Cannot save " + inMissing + ": No such file or directory.");
    }

    // A target that is a folder: refused before anything is written, and
    // the folder with its content stays as it was.
    const fs::path target = folder_ / "taken.bmp";
    fs::create_directory(target);
    WriteFile(target / "inside", "keep");
    error.clear();
    EXPECT_FALSE(SavePicture(*picture, target.string(), error));
    EXPECT_EQ(error, "Cannot save " + target.string() + ": it is a folder.");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(ReadFile(target / "inside"), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(entries(), std::vector<std::string>{"taken.bmp"});
}

}  // namespace
}  // namespace grimora
