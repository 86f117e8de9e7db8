// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: `grimora [FILE | FOLDER]`, as a file manager
// starts it for "Open with".
#pragma once

#include <QString>
#include <QStringList>

namespace grimora {

struct StartArguments {
    // The picture file or folder to open, absolute; empty for none.
    QString path;
    // When set, the program prints `message` (to standard output for 0,
    // standard error otherwise) and ends with this code instead of starting.
    int exitCode = -1;
    QString message;
};

// `arguments` without the program's name and without the options Qt has
// taken; relative paths are taken from `workingFolder`, and a file: address
// (as some file managers pass) as its local path.
StartArguments ParseStartArguments(const QStringList& arguments, const QString& workingFolder);

}  // namespace grimora
