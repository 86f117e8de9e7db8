// SPDX-License-Identifier: GPL-3.0-or-later
// A Grimora killed in the middle of a stroke, and the next start that
// offers its distortion back.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "dialogs/dialog_test_support.h"
#include "editor/views/edit_canvas.h"
#include "picture/file_target.h"
#include "picture/picture_writer.h"
#include "platform/message_box.h"

namespace grimora {
namespace {

void Drag(QWidget* view, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, view->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

std::vector<Displacement> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Displacement> entries(bytes.size() / sizeof(Displacement));
    std::memcpy(entries.data(), bytes.data(), entries.size() * sizeof(Displacement));
    return entries;  // little-endian, as the machines that run this are
}

// The child of the test below: loads the picture, paints three strokes,
// waits for their recovery copy, dumps the field as it was then, and paints
// on in a fourth stroke until it is killed.
TEST(RecoveryCrash, ChildPaintsUntilKilled) {
    const char* state = std::getenv("GRIMORA_CHILD_STATE");
    if (state == nullptr) {
        GTEST_SKIP() << "started by ARestartAfterAKillMidStrokeBringsBackTheExactField";
    }
    ::setenv("XDG_STATE_HOME", state, 1);
    ScopedMessageBoxAnswerer noBoxes([](const MessageBoxRequest& request) {
        ADD_FAILURE() << request.text.toStdString();
        return IDOK;
    });
    TMainForm form;
    form.show();
    ASSERT_TRUE(form.openfilenow(QString::fromUtf8(std::getenv("GRIMORA_CHILD_PICTURE"))));
    form.PageControl2->setCurrentIndex(1);
    form.RecoveryTimer->setInterval(20);
    const QPoint strokes[][2] = {
        {{80, 60}, {110, 75}}, {{200, 150}, {170, 130}}, {{150, 40}, {160, 90}}};
    for (const auto& stroke : strokes) {
        Drag(form.PaintBox1, QEvent::MouseButtonPress, stroke[0]);
        Drag(form.PaintBox1, QEvent::MouseMove, stroke[1]);
        Drag(form.PaintBox1, QEvent::MouseButtonRelease, stroke[1]);
    }
    // The program's own timer hands the copy over, then it is on disk.
    QElapsedTimer waited;
    waited.start();
    while (form.RecoveryTimer->isActive() && waited.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    form.recovery().waitIdle();
    std::string error;
    ASSERT_TRUE(WriteWholeFile(std::getenv("GRIMORA_CHILD_DUMP"),
                               {reinterpret_cast<const uint8_t*>(form.session().field().data()),
                                form.session().field().size() * sizeof(Displacement)},
                               error))
        << error;  // little-endian, as ReadRaw takes it
    Drag(form.PaintBox1, QEvent::MouseButtonPress, {60, 160});
    for (int x = 61; x < 70; ++x) {
        Drag(form.PaintBox1, QEvent::MouseMove, {x, 160});
    }
    std::printf("\nready\n");
    std::fflush(stdout);
    for (int x = 0;; ++x) {
        Drag(form.PaintBox1, QEvent::MouseMove, {60 + x % 100, 160});
        QApplication::processEvents();
    }
}

TEST(RecoveryCrash, ARestartAfterAKillMidStrokeBringsBackTheExactField) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string picture = dir.filePath(QStringLiteral("face.bmp")).toStdString();
    const std::string state = dir.filePath(QStringLiteral("state")).toStdString();
    const std::string dump = dir.filePath(QStringLiteral("dump.raw")).toStdString();
    std::string error;
    ASSERT_TRUE(SavePicture(PatternPicture(300, 220).get(), picture, error)) << error;

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GRIMORA_CHILD_STATE"), QString::fromStdString(state));
    environment.insert(QStringLiteral("GRIMORA_CHILD_PICTURE"), QString::fromStdString(picture));
    environment.insert(QStringLiteral("GRIMORA_CHILD_DUMP"), QString::fromStdString(dump));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RecoveryCrash.ChildPaintsUntilKilled")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("\nready\n") && child.state() == QProcess::Running &&
           waited.elapsed() < 180000) {
        child.waitForReadyRead(1000);
        said += child.readAllStandardOutput();
    }
    ASSERT_TRUE(said.contains("\nready\n"))
        << said.toStdString() << child.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    const QByteArray ownState = qgetenv("XDG_STATE_HOME");
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    std::vector<MessageBoxRequest> boxes;
    ScopedMessageBoxAnswerer yes([&boxes](const MessageBoxRequest& request) {
        boxes.push_back(request);
        return IDYES;
    });
    {
        TMainForm form;
        form.offerRecovery();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^Grimora ended without saving the distortion of "
                                              "face\\.bmp \\(\\d\\d:\\d\\d\\)\\. Restore it\\?$"))
                .match(boxes[0].text)
                .hasMatch())
            << boxes[0].text.toStdString();
        EXPECT_EQ(form.session().origin(), picture);
        const DisplacementField& field = form.session().field();
        const std::vector<Displacement> restored(field.data(), field.data() + field.size());
        EXPECT_EQ(restored, ReadRaw(dump));
        EXPECT_TRUE(form.recovery().leftBehind().empty());
        // Restoring is a step like any load: undo takes the warp back.
        EXPECT_TRUE(form.session().canUndo());
    }
    ::setenv("XDG_STATE_HOME", ownState.constData(), 1);
}

}  // namespace
}  // namespace grimora
