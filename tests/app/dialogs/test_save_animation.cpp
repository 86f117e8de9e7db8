// SPDX-License-Identifier: GPL-3.0-or-later
// The result page's "Smooth" switch and "Save animation...": what the views
// and the saved picture show, the animation file, and a failure's message.
#include <cmath>
#include <cstring>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../../picture/animation_decode.h"
#include "../main_form_fixture.h"
#include "app/dialogs/animation_dialog.h"
#include "picture/dib_queries.h"
#include "picture/pictrix.h"
#include "warp/morph.h"
#include "warp/render.h"
#include "warp/smooth_render.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;

class SmoothAndAnimation : public MainFormTest {
protected:
    // A 240 x 180 picture of soft waves, grown in its middle.
    void loadDistorted() {
        OwnedDib picture;
        ASSERT_TRUE(picture.make(240, 180, 24));
        for (int32_t r = 0; r < 180; ++r) {
            for (int32_t c = 0; c < 240; ++c) {
                const auto red = static_cast<uint32_t>(128 + 100 * std::sin(c / 9.0));
                const auto green = static_cast<uint32_t>(128 + 100 * std::cos(r / 7.0));
                const auto blue = static_cast<uint32_t>((c + r) % 256);
                setpixel(picture.get(), c, r, red | green << 8 | blue << 16);
            }
        }
        ASSERT_TRUE(form->takePicture(std::move(picture)));
        showPage(1);
        form->PaintBox1MouseDown(120, 90);
        form->PaintBox1MouseMove(125, 92);
        form->PaintBox1MouseUp(125, 92);
        showPage(2);
    }

    std::vector<uint8_t> resultBytes() const {
        const Dib& result = form->session().result();
        return {result.bits, result.bits + result.info->bmiHeader.biSizeImage};
    }

    QTemporaryDir dir;
};

TEST_F(SmoothAndAnimation, SmoothIsWhatTheViewsAndTheSavedFileShowAndOffIsTheExactRenderAgain) {
    loadDistorted();
    EXPECT_FALSE(form->SmoothCheck->isChecked());
    const std::vector<uint8_t> exact = resultBytes();
    form->SmoothCheck->click();
    ASSERT_TRUE(form->session().smooth());
    OwnedDib smooth;
    renderSmooth(form->session().source(), form->session().field(), smooth, *form);
    EXPECT_EQ(resultBytes(), std::vector<uint8_t>(
                                 smooth->bits, smooth->bits + smooth->info->bmiHeader.biSizeImage));
    EXPECT_NE(resultBytes(), exact);
    const QString file = dir.filePath(QStringLiteral("smooth.bmp"));
    ASSERT_TRUE(form->saveResult(file));
    Dib loaded;
    OpenDib(loaded, QFile::encodeName(file).constData(), nullptr);
    const OwnedDib back(loaded);
    ASSERT_NE(back->bits, nullptr);
    EXPECT_EQ(0, std::memcmp(back->bits, smooth->bits, smooth->info->bmiHeader.biSizeImage));
    // Strokes with the switch on stay smooth; off brings the exact render back.
    showPage(1);
    form->PaintBox1MouseDown(60, 40);
    form->PaintBox1MouseUp(60, 40);
    renderSmooth(form->session().source(), form->session().field(), smooth, *form);
    EXPECT_EQ(resultBytes(), std::vector<uint8_t>(
                                 smooth->bits, smooth->bits + smooth->info->bmiHeader.biSizeImage));
    // The editing page's box is the same switch.
    EXPECT_TRUE(form->EditSmoothCheck->isChecked());
    form->EditSmoothCheck->click();
    EXPECT_FALSE(form->session().smooth());
    EXPECT_FALSE(form->SmoothCheck->isChecked());
    OwnedDib plain;
    renderdi(form->session().source(), form->session().field(), plain, *form);
    EXPECT_EQ(resultBytes(),
              std::vector<uint8_t>(plain->bits, plain->bits + plain->info->bmiHeader.biSizeImage));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SmoothAndAnimation, SavesTheMorphAndSaysWhyWhenItCannot) {
    loadDistorted();
    form->SmoothCheck->click();
    AnimationSettings settings;
    settings.frames = 4;
    settings.delayMs = 50;
    settings.longestSide = 120;
    const QString file = dir.filePath(QStringLiteral("face.webp"));
    ASSERT_TRUE(form->saveAnimation(file, settings));
    // Smooth frames, since the switch is on, scaled to 120 x 90.
    const MorphRenderer frames(form->session().source(), form->session().field(), 4, 120, true);
    RgbaFrame frame;
    frames.render(0, frame);
    const fs::path first = fs::path(dir.path().toStdString()) / "first.ppm";
    const fs::path last = fs::path(dir.path().toStdString()) / "last.ppm";
    animation_test::WritePpm(first, frame);
    frames.render(3, frame);
    animation_test::WritePpm(last, frame);
    const animation_test::Decoded d = animation_test::Decode(file.toStdString(), first, last);
    EXPECT_EQ(d.frames, 4);
    EXPECT_EQ(d.delays, std::vector<int>(4, 50));
    // WebP's halved colour resolution costs about three levels at the blue
    // wave's sharp edges.
    EXPECT_LE(d.firstMean, 4);
    EXPECT_LE(d.lastMean, 4);
    EXPECT_TRUE(boxes.empty());

    const QString nowhere = dir.filePath(QStringLiteral("gone/face.gif"));
    EXPECT_FALSE(form->saveAnimation(nowhere, settings));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Save animation..."));
    EXPECT_TRUE(boxes[0].text.contains(nowhere)) << boxes[0].text.toStdString();
}

TEST_F(SmoothAndAnimation, TheControlsFitTheSmallestWindow) {
    form->resize(638, 512);
    showPage(2);
    for (QWidget* control :
         {static_cast<QWidget*>(form->SmoothCheck), static_cast<QWidget*>(form->SaveAnimBtn)}) {
        EXPECT_TRUE(control->isVisible());
        EXPECT_GE(control->y(), 7 + 284);  // below the picture's frame
        EXPECT_LE(control->geometry().bottom(), control->parentWidget()->height());
    }
    showPage(1);
    EXPECT_TRUE(form->EditSmoothCheck->isVisible());
    EXPECT_GT(form->EditSmoothCheck->y(), form->ShowFoldsCheck->geometry().bottom());
    EXPECT_LE(form->EditSmoothCheck->geometry().bottom(),
              form->EditSmoothCheck->parentWidget()->height());
    AnimationDialog dialog(form.get(), AnimationSettings{});
    EXPECT_EQ(dialog.settings().frames, 24);
    EXPECT_EQ(dialog.settings().delayMs, 40);
    EXPECT_EQ(dialog.settings().longestSide, 640);
    EXPECT_FALSE(dialog.settings().pingPong);
    dialog.framesEdit()->setValue(1);  // held to its range
    dialog.pingPongCheck()->setChecked(true);
    dialog.typeCombo()->setCurrentIndex(1);
    EXPECT_EQ(dialog.settings().frames, 2);
    EXPECT_TRUE(dialog.settings().pingPong);
    EXPECT_EQ(dialog.format(), AnimationFormat::Webp);
    EXPECT_EQ(dialog.extension(), QStringLiteral("webp"));
}

}  // namespace
}  // namespace grimora
