// SPDX-License-Identifier: GPL-3.0-or-later
#include <ctime>
#include <filesystem>
#include <fstream>
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

}  // namespace
}  // namespace grimora
