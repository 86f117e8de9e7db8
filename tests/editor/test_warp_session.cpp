// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "picture/picture_writer.h"
#include "warp/render.h"
#include "warp/smooth_render.h"

namespace grimora {
namespace {

class Messages : public MessageSink {
public:
    std::vector<std::string> texts;
    void showMessage(const std::string& text) override { texts.push_back(text); }
};

bool allBytes(const Dib& dib, uint8_t value) {
    const uint32_t size = dib.info->bmiHeader.biSizeImage;
    for (uint32_t i = 0; i < size; ++i) {
        if (dib.bits[i] != value) {
            return false;
        }
    }
    return size > 0;
}

bool isIdentity(const DisplacementField& field) {
    for (int32_t r = 0; r < field.height(); ++r) {
        for (int32_t c = 0; c < field.width(); ++c) {
            if (field.at(c, r) != Displacement{c, r}) {
                return false;
            }
        }
    }
    return true;
}

TEST(WarpSession, StartsWithTheWhiteBlankPicture) {
    WarpSession session;
    EXPECT_EQ(DibWidth(session.source()), 320);
    EXPECT_EQ(DibHeight(session.source()), 200);
    EXPECT_EQ(DibBitCount(session.source()), 24);
    EXPECT_TRUE(allBytes(session.source(), 0xFF));
    EXPECT_EQ(DibWidth(session.result()), 320);
    EXPECT_EQ(DibHeight(session.result()), 200);
    EXPECT_EQ(DibBitCount(session.result()), 24);
    for (int32_t r = 0; r < 200; ++r) {
        const uint8_t* row = DibRow(session.result(), r);
        ASSERT_TRUE(std::all_of(row, row + 3 * 320, [](uint8_t b) { return b == 0xFF; })) << r;
    }
    EXPECT_EQ(session.field().width(), 320);
    EXPECT_EQ(session.field().height(), 200);
    EXPECT_TRUE(isIdentity(session.field()));
    EXPECT_EQ(session.zoom(), (ZoomRatio{1, 1}));
    EXPECT_EQ(session.viewWidth(), 320);
    EXPECT_EQ(session.viewHeight(), 200);
}

TEST(WarpSession, LoadTakesThePictureWithAFreshFieldAndKeepsTheZoom) {
    WarpSession session;
    ASSERT_TRUE(session.setZoom({20, 10}));
    OwnedDib picture;
    ASSERT_TRUE(picture.make(101, 75, 24));
    for (int32_t r = 0; r < 75; ++r) {
        for (int32_t c = 0; c < 101; ++c) {
            setpixel(picture.get(), c, r, static_cast<uint32_t>(c * 2 + (r << 8) + (r << 17)));
        }
    }
    const uint8_t* sourceBits = picture->bits;
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(session.source().bits, sourceBits);
    EXPECT_EQ(session.field().width(), 101);
    EXPECT_EQ(session.field().height(), 75);
    EXPECT_TRUE(isIdentity(session.field()));
    for (int32_t r = 0; r < 75; ++r) {
        ASSERT_EQ(std::memcmp(DibRow(session.result(), r), DibRow(session.source(), r), 3 * 101), 0)
            << r;
    }
    EXPECT_EQ(session.zoom(), (ZoomRatio{20, 10}));
    EXPECT_EQ(session.viewWidth(), 202);
    EXPECT_EQ(session.viewHeight(), 150);
    ASSERT_TRUE(session.setZoom({10, 33}));
    EXPECT_EQ(session.viewWidth(), 30);
    EXPECT_EQ(session.viewHeight(), 22);
}

// Renders the session's field from scratch, for comparison.
OwnedDib WholeRender(const WarpSession& session) {
    OwnedDib result;
    Messages messages;
    renderdi(session.source(), session.field(), result, messages);
    return result;
}

void ExpectSameRows(const Dib& a, const Dib& b) {
    ASSERT_EQ(DibWidth(a), DibWidth(b));
    ASSERT_EQ(DibHeight(a), DibHeight(b));
    for (int32_t r = 0; r < DibHeight(a); ++r) {
        ASSERT_EQ(std::memcmp(DibRow(a, r), DibRow(b, r), 3 * static_cast<size_t>(DibWidth(a))), 0)
            << "row " << r;
    }
}

// The partial render must match a whole one whatever the dabs since the last
// render: several at once, ones at the edges and one wholly outside.
TEST(WarpSession, RenderingWhatTheDabsChangedMatchesAWholeRender) {
    WarpSession session;
    OwnedDib picture;
    ASSERT_TRUE(picture.make(97, 61, 24));
    for (int32_t r = 0; r < 61; ++r) {
        for (int32_t c = 0; c < 97; ++c) {
            setpixel(picture.get(), c, r, static_cast<uint32_t>(c * 5 + (r << 10) + (c * r << 16)));
        }
    }
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    const auto dab = [&](int32_t x, int32_t y, EffectMode mode, int32_t radius) {
        EffectParams params;
        params.centreX = x;
        params.centreY = y;
        params.mouseX = x + 3;
        params.mouseY = y - 2;
        params.prevMouseX = x;
        params.prevMouseY = y;
        params.mode = mode;
        params.radius = radius;
        params.strength = 0.7;
        session.DoEffekt(params);
    };
    // What each render reports as rebuilt is what the views draw again.
    dab(20, 30, EffectMode::Grow, 12);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{8, 18, 25, 25}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    // Two dabs far apart before one render, the second over a corner.
    dab(80, 10, EffectMode::Shrink, 9);
    dab(0, 60, EffectMode::Smear, 15);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 1, 90, 60}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    EXPECT_TRUE(session.renderChanged(messages).empty());
    dab(500, -40, EffectMode::Lug, 20);
    dab(50, 30, EffectMode::Rubber, 200);
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 97, 61}));
    ExpectSameRows(session.result(), WholeRender(session).get());
    EXPECT_TRUE(messages.texts.empty());
}

// With "Smooth" on, random strokes rendered part by part end as the whole
// smooth render after every step, undone or redone; switched off, the result
// is the exact render again, byte for byte.
TEST(WarpSession, SmoothPartsAfterRandomStrokesMatchTheWholeSmoothRender) {
    WarpSession session;
    OwnedDib picture;
    ASSERT_TRUE(picture.make(151, 113, 24));
    std::mt19937 gen(15);
    std::uniform_int_distribution<uint32_t> colour(0, 0xFFFFFF);
    for (int32_t r = 0; r < 113; ++r) {
        for (int32_t c = 0; c < 151; ++c) {
            setpixel(picture.get(), c, r, colour(gen));
        }
    }
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    OwnedDib exactBefore = WholeRender(session);
    session.setSmooth(true, messages);
    ASSERT_TRUE(session.smooth());
    ExpectSameRows(session.result(), exactBefore.get());  // the identity renders the same
    std::uniform_int_distribution<int32_t> x(-10, 160);
    std::uniform_int_distribution<int32_t> y(-10, 122);
    std::uniform_int_distribution<int32_t> mode(0, 4);
    std::uniform_int_distribution<int32_t> radius(1, 60);
    std::uniform_int_distribution<int32_t> move(-12, 12);
    for (int stroke = 0; stroke < 12; ++stroke) {
        EffectParams params;
        params.mode = static_cast<EffectMode>(mode(gen));
        params.radius = radius(gen);
        params.strength = 0.2 + 0.1 * (stroke % 9);
        params.normalize = stroke % 3 != 0;
        params.centreX = x(gen);
        params.centreY = y(gen);
        for (int step = 0; step < 5; ++step) {
            params.prevMouseX = params.mouseX;
            params.prevMouseY = params.mouseY;
            params.mouseX += move(gen);
            params.mouseY += move(gen);
            params.centreX += move(gen);
            params.centreY += move(gen);
            session.DoEffekt(params);
            if (step % 2 == 0) {  // sometimes two dabs before one render
                session.renderChanged(messages);
                OwnedDib whole;
                renderSmooth(session.source(), session.field(), whole, messages);
                ExpectSameRows(session.result(), whole.get());
            }
        }
    }
    session.renderChanged(messages);
    const auto expectSmooth = [&] {
        OwnedDib whole;
        renderSmooth(session.source(), session.field(), whole, messages);
        ExpectSameRows(session.result(), whole.get());
    };
    // Undone and redone steps come back smooth too.
    for (int k = 0; k < 4; ++k) {
        session.undo();
        session.renderChanged(messages);
        expectSmooth();
    }
    session.redo();
    session.renderChanged(messages);
    expectSmooth();
    session.setSmooth(false, messages);
    ExpectSameRows(session.result(), WholeRender(session).get());
    // A load keeps the switch; undoing it after the switch changed brings the
    // picture before it back rendered the way the switch says now.
    OwnedDib other;
    ASSERT_TRUE(other.make(7, 5, 24));
    ASSERT_TRUE(session.loadPicture(std::move(other), messages));
    session.setSmooth(true, messages);
    ASSERT_EQ(session.width(), 7);
    session.undo();
    session.renderChanged(messages);
    ASSERT_EQ(session.width(), 151);
    EXPECT_TRUE(session.smooth());
    expectSmooth();
    session.setSmooth(false, messages);
    session.redo();
    session.renderChanged(messages);
    ASSERT_EQ(session.width(), 7);
    ExpectSameRows(session.result(), WholeRender(session).get());
    EXPECT_TRUE(messages.texts.empty());
}

// A source that is not at 24 bits cannot be updated in place: the whole render
// runs and says why, at every step.
TEST(WarpSession, RenderingChangesOfAPalettePictureShowsTheMessageEachTime) {
    WarpSession session;
    OwnedDib picture;
    ASSERT_TRUE(picture.make(16, 16, 8));
    Messages messages;
    ASSERT_TRUE(session.loadPicture(std::move(picture), messages));
    ASSERT_EQ(messages.texts.size(), 1u);
    EffectParams params;
    params.centreX = 8;
    params.centreY = 8;
    params.radius = 5;
    session.DoEffekt(params);
    // Rendered whole, so the views must draw it whole.
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 16, 16}));
    EXPECT_EQ(session.renderChanged(messages), (DabRect{0, 0, 16, 16}));
    EXPECT_EQ(messages.texts, std::vector<std::string>(3, kNot24BitsMessage));
}

OwnedDib PatternPicture(int32_t width, int32_t height, int bitCount) {
    OwnedDib picture;
    if (picture.make(width, height, bitCount)) {
        for (int32_t r = 0; r < height; ++r) {
            for (int32_t c = 0; c < width; ++c) {
                setpixel(picture.get(), c, r, static_cast<uint32_t>(c * 7 + (r << 9) + (c << 18)));
            }
        }
    }
    return picture;
}

PreparedPicture Prepared(int32_t width, int32_t height) {
    const std::atomic<bool> go{false};
    return PreparePicture(width, height, go);
}

bool SameBytes(const Dib& a, const Dib& b) {
    if (a.bits == nullptr || b.bits == nullptr) {
        return a.bits == b.bits;
    }
    const uint32_t size = a.info->bmiHeader.biSizeImage;
    return size == b.info->bmiHeader.biSizeImage && DibWidth(a) == DibWidth(b) &&
           DibHeight(a) == DibHeight(b) && DibBitCount(a) == DibBitCount(b) &&
           std::memcmp(a.bits, b.bits, size) == 0;
}

bool SameField(const DisplacementField& a, const DisplacementField& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.data(), a.data() + a.size(), b.data());
}

// A session after a dab, so that a load that changes nothing can be told
// from one that resets the field.
void Distort(WarpSession& session) {
    EffectParams params;
    params.centreX = 150;
    params.centreY = 100;
    params.mouseX = 160;
    params.mouseY = 95;
    params.prevMouseX = 150;
    params.prevMouseY = 100;
    params.mode = EffectMode::Lug;
    params.radius = 40;
    params.strength = 0.9;
    session.DoEffekt(params);
    Messages none;
    session.renderChanged(none);
}

// With blocks made ahead the load must end exactly as without them: the same
// answer, messages, source, field and result bytes (padding too), whether
// the blocks fit or not (a header whose size the decode did not confirm, a
// picture that is not at 24 bits, a failed preparation, an empty picture).
TEST(WarpSession, LoadWithPreparedBlocksEndsAsTheOrdinaryLoad) {
    struct Case {
        const char* name;
        int32_t width, height, bitCount;  // bitCount 0: no picture
        int32_t preparedWidth, preparedHeight;
    };
    const Case cases[] = {
        {"fits, rows padded", 101, 75, 24, 101, 75},
        {"fits, 2 x 1", 2, 1, 24, 2, 1},
        {"header lied about the width", 101, 75, 24, 102, 75},
        {"header lied about the height", 101, 75, 24, 101, 74},
        {"nothing prepared", 33, 9, 24, 0, 0},
        {"palette picture", 16, 16, 8, 16, 16},
        {"no picture", 0, 0, 0, 40, 30},
    };
    for (const Case& c : cases) {
        WarpSession ordinary;
        WarpSession prepared;
        Distort(ordinary);
        Distort(prepared);
        Messages ordinaryMessages;
        Messages preparedMessages;
        const bool loaded = ordinary.loadPicture(
            c.bitCount == 0 ? OwnedDib{} : PatternPicture(c.width, c.height, c.bitCount),
            ordinaryMessages);
        EXPECT_EQ(prepared.loadPicture(
                      c.bitCount == 0 ? OwnedDib{} : PatternPicture(c.width, c.height, c.bitCount),
                      Prepared(c.preparedWidth, c.preparedHeight), preparedMessages),
                  loaded)
            << c.name;
        EXPECT_EQ(preparedMessages.texts, ordinaryMessages.texts) << c.name;
        EXPECT_TRUE(SameBytes(prepared.source(), ordinary.source())) << c.name;
        EXPECT_TRUE(SameBytes(prepared.result(), ordinary.result())) << c.name;
        EXPECT_TRUE(SameField(prepared.field(), ordinary.field())) << c.name;
    }
}

// Loads one after another: each gives the previous picture back on the side
// while the next is taken, and the last is given back with the session.
TEST(WarpSession, PreparedLoadsInARowEachShowTheirOwnPicture) {
    WarpSession session;
    Messages messages;
    for (int32_t width : {64, 65, 3}) {
        OwnedDib picture = PatternPicture(width, 20, 24);
        OwnedDib copy = PatternPicture(width, 20, 24);
        ASSERT_TRUE(session.loadPicture(std::move(picture), Prepared(width, 20), messages));
        EXPECT_TRUE(SameBytes(session.source(), copy.get()));
        EXPECT_TRUE(isIdentity(session.field()));
        ExpectSameRows(session.result(), copy.get());
    }
    EXPECT_TRUE(messages.texts.empty());
}

class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("grimora_prepare_" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() { std::filesystem::remove_all(path_); }
    std::string file(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

TEST(PicturePreparation, MakesTheBlocksForTheSizeInTheFilesHeader) {
    const TemporaryFolder folder;
    const std::string jpeg = folder.file("photo.jpg");
    std::string error;
    ASSERT_TRUE(SavePicture(PatternPicture(37, 23, 24).get(), jpeg, error)) << error;

    PicturePreparation preparation = PicturePreparation::forFile(jpeg.c_str());
    PreparedPicture made = preparation.take();
    ASSERT_TRUE(made.holds(37, 23));
    EXPECT_TRUE(isIdentity(made.field));
    // As newdib makes it: every byte zero, padding included.
    EXPECT_TRUE(std::all_of(made.result->bits,
                            made.result->bits + made.result->info->bmiHeader.biSizeImage,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(preparation.take().holds(37, 23));

    // Files whose size cannot be told prepare nothing.
    const std::string text = folder.file("notes.jpg");
    std::FILE* out = std::fopen(text.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("not a picture", out);
    std::fclose(out);
    // A pipe in the file's place must not block the load before it starts.
    const std::string pipe = folder.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& name : {text, pipe, folder.file("missing.jpg"), folder.file("")}) {
        EXPECT_EQ(PicturePreparation::forFile(name.c_str()).take().field.data(), nullptr) << name;
    }
    EXPECT_EQ(PicturePreparation::forFile(nullptr).take().field.data(), nullptr);
    EXPECT_EQ(PicturePreparation(0, 5).take().field.data(), nullptr);
}

// A preparation left untaken (the decode failed) is called off and freed;
// one replaced by another is too. The sanitizers see any leak or race.
TEST(PicturePreparation, UntakenWorkIsCalledOffAndFreed) {
    { PicturePreparation dropped(3000, 2000); }
    PicturePreparation replaced(2000, 1500);
    replaced = PicturePreparation(40, 30);
    EXPECT_TRUE(replaced.take().holds(40, 30));
    std::atomic<bool> stop{true};
    EXPECT_FALSE(PreparePicture(2000, 1500, stop).holds(2000, 1500));
}

}  // namespace
}  // namespace grimora
