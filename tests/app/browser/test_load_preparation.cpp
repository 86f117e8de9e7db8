// SPDX-License-Identifier: GPL-3.0-or-later
// Loads whose field and result were made ahead, for the size the file's
// header claims: what a failed decode or a header that lies leaves behind.
#include <cstring>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QTemporaryDir>

#include "../main_form_fixture.h"
#include "app/browser/picture_loading.h"
#include "editor/views/edit_canvas.h"
#include "file_bytes.h"
#include "picture/dib_queries.h"
#include "picture/picture_writer.h"

namespace grimora {
namespace {

OwnedDib Pattern(int32_t width, int32_t height, uint32_t seed) {
    OwnedDib picture;
    if (picture.make(width, height, 24)) {
        for (int32_t r = 0; r < height; ++r) {
            for (int32_t c = 0; c < width; ++c) {
                setpixel(picture.get(), c, r, (c * 5 + r * 3 + seed) * 0x010307u);
            }
        }
    }
    return picture;
}

QByteArray Bytes(const Dib& dib) {
    return dib.bits == nullptr
               ? QByteArray()
               : QByteArray(reinterpret_cast<const char*>(dib.bits),
                            static_cast<qsizetype>(dib.info->bmiHeader.biSizeImage));
}

std::vector<Displacement> Entries(const DisplacementField& field) {
    return {field.data(), field.data() + field.size()};
}

class LoadPreparationTest : public MainFormTest {
protected:
    QString save(const char* name, int32_t width, int32_t height, uint32_t seed) {
        const QString path = folder_.filePath(QString::fromLatin1(name));
        std::string error;
        EXPECT_TRUE(SavePicture(Pattern(width, height, seed).get(), path.toStdString(), error))
            << error;
        return path;
    }

    // Everything of the picture a load could change.
    struct Shown {
        QByteArray source;
        QByteArray result;
        std::vector<Displacement> field;
        QString width;
        QSize view;
        bool operator==(const Shown&) const = default;
    };
    Shown shown() const {
        const WarpSession& s = form->session();
        return {Bytes(s.source()), Bytes(s.result()), Entries(s.field()), form->Breit->text(),
                form->PaintBox1->size()};
    }

    QTemporaryDir folder_;
};

// The header promises a large picture, the data ends early: the blocks made
// for it are thrown away, and the picture before stays with its field.
TEST_F(LoadPreparationTest, DecodeThatFailsAfterAGoodHeaderChangesNothing) {
    ASSERT_TRUE(form->openfilenow(save("first.jpg", 90, 70, 1)));
    const Shown before = shown();
    const QString cut = save("cut.jpg", 1500, 1000, 2);
    const QByteArray whole = ReadBytes(cut);
    WriteBytes(cut, whole.left(whole.size() / 3));
    boxes.clear();
    EXPECT_FALSE(form->openfilenow(cut));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The JPEG file ends early.");
    EXPECT_TRUE(shown() == before);
}

// The decoder hands back a picture of another size than the header said (a
// file replaced between the two reads): the load makes its own blocks and
// ends as a load without preparation would.
TEST_F(LoadPreparationTest, PictureOfAnotherSizeThanTheHeaderSaysIsTakenWhole) {
    const QString file = save("lies.jpg", 300, 200, 3);
    for (const auto& [width, height] :
         {std::pair{301, 200}, std::pair{300, 199}, std::pair{300, 200}}) {
        SCOPED_TRACE(width * 1000 + height);
        const ScopedPictureOpener opener(
            [w = width, h = height](Dib& dib, const char*, const ProgressCallback&) {
                dib = Pattern(w, h, 4).release();
            });
        ASSERT_TRUE(form->openfilenow(file));
        const OwnedDib expected = Pattern(width, height, 4);
        const WarpSession& s = form->session();
        EXPECT_EQ(Bytes(s.source()), Bytes(expected.get()));
        EXPECT_EQ(Bytes(s.result()), Bytes(expected.get()));
        ASSERT_EQ(s.field().width(), width);
        ASSERT_EQ(s.field().height(), height);
        EXPECT_EQ(s.field().at(width - 1, height - 1), (Displacement{width - 1, height - 1}));
        EXPECT_EQ(form->Breit->text(), QString::number(width) + " Pixel");
    }
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace grimora
