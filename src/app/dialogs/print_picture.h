// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the result picture on a Qt printer (CUPS, or a PDF file).
#pragma once

#include <QObject>
#include <QPrinter>
#include <QString>

#include "app/dialogs/print_layout.h"
#include "picture/dib.h"
#include "picture/host.h"

namespace grimora {

// A printer that lives as long as its parent: the main window keeps the one
// set up in the print dialog for the next printing.
class PrinterHolder : public QObject {
public:
    explicit PrinterHolder(QObject* parent) : QObject(parent), printer_(QPrinter::HighResolution) {}
    QPrinter& printer() { return printer_; }

private:
    QPrinter printer_;
};

// The printer's sheet and printable area in its device pixels.
PageMetrics PageMetricsOf(const QPrinter& printer);

// Prints the picture on one page, placed by PlacePicture in the printable
// area, through DrawDib on the printer's device. False with `error` saying
// why when the picture or the printable area has no pixels (then the printer
// is not started), or the printer could not be started or reported a
// failure; the drawing's own messages go to `messages`.
bool PrintPicture(QPrinter& printer, const Dib& picture, const PrintOptions& options,
                  MessageSink& messages, QString& error);

}  // namespace grimora
