// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/print_picture.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include "picture/draw_dib.h"
#include "platform/qt_device_context.h"

namespace grimora {

namespace {

PrintRect FromQRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QString PrinterName(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return printer.outputFileName();
    }
    return printer.printerName();
}

}  // namespace

PageMetrics PageMetricsOf(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    const int resolution = printer.resolution();
    const QRect full = layout.fullRectPixels(resolution);
    const QRect paint = layout.paintRectPixels(resolution);
    PageMetrics page;
    page.paperWidth = full.width();
    page.paperHeight = full.height();
    page.printable = FromQRect(paint.translated(-full.topLeft()));
    return page;
}

bool PrintPicture(QPrinter& printer, const Dib& picture, const PrintOptions& options,
                  MessageSink& messages, QString& error) {
    if (picture.bits == nullptr || picture.info == nullptr) {
        error = QStringLiteral("There is no picture to print.");
        return false;
    }
    const int32_t width = picture.info->bmiHeader.biWidth;
    const int32_t height = picture.info->bmiHeader.biHeight;
    // The printer's device is as large as the printable area, and a
    // painter's origin is that area's top-left corner. Checked before the
    // printer starts, so that nothing fits means no blank sheet and no
    // report of success.
    const PrintRect placed =
        PlacePicture(printer.width(), printer.height(), width, height, options);
    if (placed.width <= 0 || placed.height <= 0) {
        error = QStringLiteral(
            "There is nothing to print: the picture or the printable area of "
            "the page has no pixels.");
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString name = PrinterName(printer);
        error = name.isEmpty()
                    ? QStringLiteral("The printer could not be started: no printer is chosen.")
                    : QStringLiteral("The printer \"%1\" could not be started.").arg(name);
        return false;
    }
    {
        QtDeviceContext dc(painter);
        DrawDib(dc, static_cast<int32_t>(placed.x), static_cast<int32_t>(placed.y),
                static_cast<int32_t>(placed.width), static_cast<int32_t>(placed.height), picture, 0,
                0, width, height, true, RasterOp::SrcCopy, true, nullptr, messages);
    }
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted) {
        error = QStringLiteral("Printing on \"%1\" failed.").arg(PrinterName(printer));
        return false;
    }
    return true;
}

}  // namespace grimora
