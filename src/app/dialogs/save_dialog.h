// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog of the result page and the choice of the name written.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace grimora {

// The file types offered, the first one chosen at the start.
QStringList SaveFileTypes();

// The file to write for a name chosen with the file type `fileType` (one of
// SaveFileTypes()): the name as it stands when it ends in an extension we
// write, otherwise with the file type's first extension added ("face" and
// "face.v2" become "face.png" and "face.v2.png" as PNG picture).
QString SaveFileName(const QString& chosen, const QString& fileType);
// The same for any list of file `types`.
QString FileNameForType(const QString& chosen, const QString& fileType, const QStringList& types);

// What to ask before `fileName` is written, in `text`: nothing for a new
// file; whether to replace an existing one, or a write-protected one (Yes
// replaces it as any file, and it stays write-protected); or, for a name
// that cannot be saved to at all (a link to nothing, a folder), why not.
enum class SaveQuestion { kNone, kReplace, kReplaceWriteProtected, kCannotSave };
SaveQuestion QuestionBeforeSaving(const QString& fileName, QString& text);

// Qt's own (not the desktop's) file dialog for saving, opening in `folder`.
// It does not ask before overwriting: the name it returns may still gain an
// extension, so the caller asks about the name that will be written.
QFileDialog* MakeSaveDialog(QWidget* parent, const QString& folder);

}  // namespace grimora
