// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "dialogs/dialog_test_support.h"
#include "editor/views/edit_canvas.h"
#include "main_form_fixture.h"
#include "warp/warp_file.h"

namespace grimora {
namespace {

class Quiet : public MessageSink {
public:
    void showMessage(const std::string& /*text*/) override {}
};

std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

class WarpFilesTest : public MainFormTest {
protected:
    QString path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }

    void stroke(QPoint from, QPoint to) {
        showPage(1);
        mouse(form->PaintBox1, QEvent::MouseButtonPress, from);
        mouse(form->PaintBox1, QEvent::MouseMove, to, Qt::LeftButton);
        mouse(form->PaintBox1, QEvent::MouseButtonRelease, to);
    }

    QTemporaryDir folder;
};

TEST_F(WarpFilesTest, WarpButtonsFollowSaveAndPrintOrFoldIntoOneMenuWhenNarrow) {
    showPage(2);
    for (const QSize size : {QSize(638, 512), QSize(1280, 900)}) {
        form->resize(size);
        settle();
        // The page's own buttons stay where they were.
        EXPECT_EQ(form->SaveAsBtn->geometry(), QRect(8, 8, 145, 25));
        EXPECT_EQ(form->PrintBtn->geometry(), QRect(160, 8, 145, 25));
        const bool wide = size.width() > 1000;
        const int row = form->SaveAsBtn->parentWidget()->width();
        int left = 312;
        for (QPushButton* button : {form->SaveWarpBtn, form->LoadWarpBtn, form->ExportMapBtn}) {
            EXPECT_EQ(button->isVisible(), wide) << size.width();
            EXPECT_EQ(button->geometry(), QRect(left, 8, 145, 25));
            left += 152;
        }
        EXPECT_EQ(form->WarpMenuBtn->isVisible(), !wide);
        const QWidget* last = wide ? static_cast<QWidget*>(form->ExportMapBtn) : form->WarpMenuBtn;
        EXPECT_LE(last->geometry().right(), row);
    }
    QStringList entries;
    for (const QAction* action : form->WarpMenuBtn->menu()->actions()) {
        entries << action->text();
    }
    EXPECT_EQ(entries, (QStringList{"Save warp...", "Load warp...", "Export map..."}));
    EXPECT_EQ(form->SaveWarpBtn->text(), "Save warp...");
}

// Strokes saved as a warp, taken back, then the warp loaded: one step, which
// undo takes back and redo brings again entry for entry.
TEST_F(WarpFilesTest, ALoadedWarpIsOneStepThatUndoTakesBackExactly) {
    ASSERT_TRUE(form->takePicture(PatternPicture(320, 200), path("face.png")));
    stroke({100, 80}, {130, 95});
    stroke({200, 120}, {180, 150});
    const std::vector<Displacement> warped = Entries(form->session().field());
    ASSERT_TRUE(form->saveWarp(path("face.gwarp")));
    form->UndoBtnClick();
    const std::vector<Displacement> before = Entries(form->session().field());
    ASSERT_NE(before, warped);
    const std::size_t steps = form->session().history().size();

    ASSERT_TRUE(form->loadWarp(path("face.gwarp")));
    EXPECT_EQ(Entries(form->session().field()), warped);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    // The loaded warp replaced the undone stroke: one step more than was done.
    EXPECT_EQ(form->session().history().size(), steps);
    EXPECT_TRUE(form->UndoBtn->isEnabled());
    form->UndoBtnClick();
    EXPECT_EQ(Entries(form->session().field()), before);
    form->RedoBtnClick();
    EXPECT_EQ(Entries(form->session().field()), warped);
    // The result shows the loaded warp.
    WarpSession direct;
    Quiet quiet;
    ASSERT_TRUE(direct.loadPicture(PatternPicture(320, 200), quiet));
    direct.loadField(form->session().field());
    direct.renderChanged(quiet);
    EXPECT_EQ(0, std::memcmp(direct.result().bits, form->session().result().bits,
                             direct.result().info->bmiHeader.biSizeImage));
    // The same warp again changes nothing and is no step.
    const std::size_t now = form->session().history().size();
    EXPECT_TRUE(form->loadWarp(path("face.gwarp")));
    EXPECT_EQ(form->session().history().size(), now);
}

TEST_F(WarpFilesTest, AWarpMadeForAnotherPictureIsPutOnOnlyAfterAYes) {
    ASSERT_TRUE(form->takePicture(PatternPicture(320, 200), path("face.png")));
    stroke({100, 80}, {130, 95});
    ASSERT_TRUE(form->saveWarp(path("face.gwarp")));
    WarpFile saved;
    std::string error;
    ASSERT_TRUE(ReadWarpFile(path("face.gwarp").toStdString(), saved, error)) << error;
    ASSERT_TRUE(form->takePicture(PatternPicture(400, 150), path("other.png")));
    const std::vector<Displacement> kept = Entries(form->session().field());

    answer = IDNO;
    EXPECT_FALSE(form->loadWarp(path("face.gwarp")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.toStdString(),
              "The warp file was made for face.png of 320 \xC3\x97 200 pixels; this picture is "
              "other.png of 400 \xC3\x97 150 pixels. Put it on this picture, scaled to its size?");
    EXPECT_EQ(Entries(form->session().field()), kept);

    answer = IDYES;
    EXPECT_TRUE(form->loadWarp(path("face.gwarp")));
    EXPECT_EQ(Entries(form->session().field()), Entries(*FitField(saved.field, 400, 150)));
}

TEST_F(WarpFilesTest, ABadWarpFileIsNamedWithItsFaultAndNothingChanges) {
    DisplacementField broken(640, 2);
    InitMask(broken);
    broken.at(5, 1) = {700, 1};
    std::string error;
    ASSERT_TRUE(WriteWarpFile(path("bad.gwarp").toStdString(), broken, {}, {}, error)) << error;
    stroke({100, 80}, {130, 95});
    const std::vector<Displacement> kept = Entries(form->session().field());
    const std::size_t steps = form->session().history().size();
    EXPECT_FALSE(form->loadWarp(path("bad.gwarp")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, path("bad.gwarp") +
                                 ": The warp file holds a position outside its picture: column "
                                 "700 of 640.");
    EXPECT_EQ(Entries(form->session().field()), kept);
    EXPECT_EQ(form->session().history().size(), steps);
}

// The copy follows the steps: written a while after one, gone once the warp
// is saved and after a confirmed quit; a quit called off keeps it.
TEST_F(WarpFilesTest, TheRecoveryCopyIsKeptWhileTheDistortionIsUnsaved) {
    const std::string copy = form->recovery().copyPath();
    const auto written = [&] {
        form->recovery().waitIdle();
        return std::filesystem::exists(copy);
    };
    ASSERT_FALSE(copy.empty());
    stroke({100, 80}, {130, 95});
    EXPECT_TRUE(form->RecoveryTimer->isActive());
    EXPECT_EQ(form->RecoveryTimer->interval(), 3000);
    form->RecoveryTimerTimer();
    ASSERT_TRUE(written());
    WarpFile kept;
    std::string error;
    ASSERT_TRUE(ReadWarpFile(copy, kept, error)) << error;
    EXPECT_EQ(Entries(kept.field), Entries(form->session().field()));

    ASSERT_TRUE(form->saveWarp(path("saved.gwarp")));
    EXPECT_FALSE(written());
    stroke({200, 120}, {180, 150});
    form->RecoveryTimerTimer();
    EXPECT_TRUE(written());
    // Back to no distortion at all: nothing to keep.
    form->UndoBtnClick();
    form->UndoBtnClick();
    form->RecoveryTimerTimer();
    EXPECT_FALSE(written());
    stroke({200, 120}, {180, 150});
    form->RecoveryTimerTimer();
    ASSERT_TRUE(written());
    answer = IDCANCEL;
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(written());
    answer = IDOK;
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(written());
}

}  // namespace
}  // namespace grimora
