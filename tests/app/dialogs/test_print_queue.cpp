// SPDX-License-Identifier: GPL-3.0-or-later
// Printing through a real print queue. Run by scripts/check-cups-print.sh,
// which starts a print server with a PDF queue and names it here; without
// it these tests are skipped.
#include <cstdlib>

#include <QPrinter>
#include <QPrinterInfo>

#include <gtest/gtest.h>

#include "app/dialogs/print_picture.h"
#include "dialog_test_support.h"

namespace grimora {
namespace {

class Messages final : public MessageSink {
public:
    void showMessage(const std::string& text) override { ADD_FAILURE() << text; }
};

QString Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? QString::fromLocal8Bit(value) : QString();
}

TEST(PrintQueue, PrintsOnTheNamedQueue) {
    const QString queue = Environment("GRIMORA_PRINT_QUEUE");
    if (queue.isEmpty()) {
        GTEST_SKIP() << "no print queue named in GRIMORA_PRINT_QUEUE";
    }
    ASSERT_FALSE(QPrinterInfo::printerInfo(queue).isNull()) << "no queue " << queue.toStdString();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    ASSERT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    printer.setDocName(QStringLiteral("grimora-queue-check"));
    const OwnedDib picture = PlainPicture(40, 20, 0, 0, 255);
    Messages messages;
    QString error;
    EXPECT_TRUE(PrintPicture(printer, *picture, PrintOptions{}, messages, error))
        << error.toStdString();
}

TEST(PrintQueue, TheQueuesPdfShowsThePictureAcrossThePage) {
    const QString pdf = Environment("GRIMORA_PRINTED_PDF");
    if (pdf.isEmpty()) {
        GTEST_SKIP() << "no printed file named in GRIMORA_PRINTED_PDF";
    }
    const QImage page = PdfPage(pdf, 30);
    ASSERT_FALSE(page.isNull());
    const QRect red = BoundingBox(page, Red);
    ASSERT_FALSE(red.isEmpty());
    // Full page, aspect kept, centred: as wide as the printable area allows,
    // twice as wide as high, in the middle of the sheet.
    EXPECT_GT(red.width(), page.width() * 8 / 10);
    EXPECT_NEAR(static_cast<double>(red.width()) / red.height(), 2.0, 0.05);
    EXPECT_NEAR(red.left() + red.width() / 2.0, page.width() / 2.0, page.width() * 0.03);
    EXPECT_NEAR(red.top() + red.height() / 2.0, page.height() / 2.0, page.height() * 0.03);
}

}  // namespace
}  // namespace grimora
