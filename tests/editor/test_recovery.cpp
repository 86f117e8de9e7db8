// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/recovery.h"
#include "editor/warp_session.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;

class Quiet : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

// A copy is left behind only by a keeper that has gone, names its picture
// and says whether it is still there as it was.
TEST(Recovery, ACopyLeftBehindTellsWhatBecameOfItsPicture) {
    const fs::path dir = fs::path(testing::TempDir()) / "grimora_recovery";
    fs::remove_all(dir);
    fs::create_directories(dir / "pictures");
    const fs::path picture = dir / "pictures" / "face.bmp";
    std::ofstream(picture) << "a picture";
    const std::string state = (dir / "state").string();

    WarpSession session;
    Quiet quiet;
    ASSERT_TRUE(session.loadPicture(MakeWhitePicture(40, 30), quiet, picture.string()));
    EffectParams dab;
    dab.centreX = 20;
    dab.centreY = 15;
    dab.radius = 12;
    dab.strength = 1;
    session.DoEffekt(dab);
    {
        RecoveryKeeper first(state);
        first.pictureLoaded(picture.string());
        first.keep(*first.snapshot(session));
        first.waitIdle();
        ASSERT_TRUE(fs::exists(first.copyPath()));
        // The picture changes after the load: the copy knows it as loaded.
        std::ofstream(picture, std::ios::app) << " saved over";
        RecoveryKeeper second(state);
        EXPECT_TRUE(second.leftBehind().empty()) << "the first keeper is alive";
    }
    RecoveryKeeper third(state);
    std::vector<LeftCopy> left = third.leftBehind();
    ASSERT_EQ(left.size(), 1u);
    const int64_t now = std::time(nullptr);
    RecoveryOffer offer;
    ASSERT_TRUE(ExamineLeftCopy(left[0], now, offer));
    EXPECT_EQ(Entries(offer.warp.field), Entries(session.field()));
    EXPECT_EQ(offer.picture, LeftPicture::Changed);
    const std::string lead = "Grimora ended without saving the distortion of face.bmp (" +
                             ClockText(left[0].written, now) + ")";
    EXPECT_EQ(offer.question, lead +
                                  ", but the picture has changed since. Keep the distortion as a "
                                  "warp file in a folder of your choice?");
    fs::remove(picture);
    ASSERT_TRUE(ExamineLeftCopy(left[0], now, offer));
    EXPECT_EQ(offer.picture, LeftPicture::Gone);
    EXPECT_NE(offer.question.find(", but the picture is no longer there."), std::string::npos);

    // Kept in a folder under the picture's name, numbered once it is taken.
    for (const char* name : {"face.gwarp", "face (2).gwarp"}) {
        std::string written;
        std::string error;
        ASSERT_TRUE(RecoveryKeeper::keepLeftCopy(offer, dir.string(), written, error)) << error;
        EXPECT_EQ(written, (dir / name).string());
        WarpFile kept;
        ASSERT_TRUE(ReadWarpFile(written, kept, error)) << error;
        EXPECT_EQ(Entries(kept.field), Entries(session.field()));
        EXPECT_EQ(kept.origin.source, "face.bmp");
    }
    third.forget(left[0]);
    EXPECT_TRUE(third.leftBehind().empty());

    // The picture Grimora starts with, unchanged since it is made anew.
    WarpSession blank;
    blank.DoEffekt(dab);
    {
        RecoveryKeeper fourth(state);
        fourth.keep(*fourth.snapshot(blank));
    }
    left = third.leftBehind();
    ASSERT_EQ(left.size(), 1u);
    ASSERT_TRUE(ExamineLeftCopy(left[0], now, offer));
    EXPECT_EQ(offer.picture, LeftPicture::StartUp);
    EXPECT_EQ(offer.question, "Grimora ended without saving the distortion of the blank picture (" +
                                  ClockText(left[0].written, now) + "). Restore it?");

    EXPECT_EQ(ClockText(now, now).size(), 5u);              // "14:32"
    EXPECT_GT(ClockText(now - 3 * 86400, now).size(), 5u);  // "3 Dec 14:32"
    fs::remove_all(dir);
}

// Copies are taken into memory made ready beforehand, into the memory of the
// last copy written, or into memory of their own, in whatever order steps,
// loads and their undoing, sizes since left and writes come: each is the
// session exactly, and names the picture a keeper that reused nothing names.
TEST(Recovery, EveryCopyIsTheSessionWhateverMemoryItIsTakenInto) {
    const fs::path dir = fs::path(testing::TempDir()) / "grimora_recovery_memory";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string there = (dir / "there.bmp").string();
    std::ofstream(there) << "a picture";
    const std::vector<std::string> origins = {"", there, (dir / "gone.bmp").string()};
    RecoveryKeeper keeper((dir / "state").string());
    std::mt19937 random(27);
    WarpSession session;
    Quiet quiet;
    const std::vector<std::pair<int32_t, int32_t>> sizes = {{64, 48}, {50, 70}};
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t roll = random() % 8;
        if (round == 0 || roll == 0) {
            const auto [w, h] = sizes[random() % sizes.size()];
            ASSERT_TRUE(session.loadPicture(MakeWhitePicture(w, h), quiet,
                                            origins[random() % origins.size()]));
        } else if (roll == 1) {
            for (std::uint32_t n = random() % 4; n > 0; --n) {
                session.undo();
            }
        }
        for (int d = 0; d < 3; ++d) {
            EffectParams dab;
            dab.mode = static_cast<EffectMode>(random() % 6);  // Freeze too
            dab.centreX = static_cast<int32_t>(random() % 64);
            dab.centreY = static_cast<int32_t>(random() % 70);
            dab.radius = 5 + static_cast<int32_t>(random() % 20);
            dab.strength = 1;
            dab.prevMouseX = 10;
            dab.mouseX = 14;
            dab.prevMouseY = 10;
            dab.mouseY = 7;
            session.DoEffekt(dab);
        }
        if (roll < 5) {
            keeper.prepare(session.width(), session.height());
        } else if (roll == 5) {
            keeper.prepare(session.height(), session.width());  // a size since left
        } else if (roll == 6) {
            keeper.releasePrepared();
        }
        if (random() % 2 == 0) {
            keeper.waitIdle();
        }
        std::optional<RecoverySnapshot> copy = keeper.snapshot(session);
        ASSERT_TRUE(copy);
        ASSERT_EQ(Entries(copy->field), Entries(session.field()));
        const FreezeMask& mask = session.mask();
        ASSERT_EQ(copy->mask, std::vector<uint8_t>(mask.data(), mask.data() + mask.size()));
        const WarpOrigin fresh = RecoveryKeeper("").snapshot(session)->origin;
        ASSERT_EQ(copy->origin.source, fresh.source);
        ASSERT_EQ(copy->origin.picturePath, fresh.picturePath);
        ASSERT_EQ(copy->origin.pictureBytes, fresh.pictureBytes);
        ASSERT_EQ(copy->origin.pictureModified, fresh.pictureModified);
        keeper.keep(std::move(*copy));
        if (random() % 3 == 0) {
            keeper.waitIdle();
            const bool frozen = std::any_of(mask.data(), mask.data() + mask.size(),
                                            [](uint8_t m) { return m != 0; });
            bool identity = true;
            for (int32_t r = 0; r < session.height(); ++r) {
                for (int32_t c = 0; c < session.width(); ++c) {
                    identity = identity && session.field().row(r)[c].x == c &&
                               session.field().row(r)[c].y == r;
                }
            }
            if (!frozen && identity) {
                ASSERT_FALSE(fs::exists(keeper.copyPath())) << "nothing to lose, nothing kept";
                continue;
            }
            WarpFile written;
            std::string error;
            ASSERT_TRUE(ReadWarpFile(keeper.copyPath(), written, error)) << error;
            ASSERT_EQ(Entries(written.field), Entries(session.field()));
            ASSERT_EQ(written.mask.empty() ? std::vector<uint8_t>(mask.size()) : written.mask,
                      std::vector<uint8_t>(mask.data(), mask.data() + mask.size()));
        }
    }
    keeper.discard();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace grimora
