// SPDX-License-Identifier: GPL-3.0-or-later
// The file-type filter of the picture browser: the filter list, the mask of
// a chosen entry and the matching of file names against masks.
#pragma once

#include <vector>

#include <QString>
#include <QStringList>

namespace grimora {

// Description and mask pairs, all separated by "|".
inline constexpr const char* kPictureFilterList =
    "All pictures|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG|"
    "BMP - Windows, OS/2 Bitmap|*.BMP|DIB - Windows, OS/2 DIB|*.DIB|"
    "GIF - CompuServe Graphics Interchange|*.GIF|IFF - Amiga|*.IFF|"
    "JIF - JPEG - JFIF Compilant|*.JIF|JPG - JPEG - JFIF Compilant|*.JPG|"
    "LBM - Deluxe Paint|*.LBM|PCX - ZSoft Paintbrush|*.PCX|RLE - Windows RLE|*.RLE|"
    "TGA - Truevision Targa|*.TGA|TIF - Tagged image file Format|*.TIF|"
    "PNG - Portable Graphics Network|*.PNG|All files (*.*)|*.*";

struct FilterEntry {
    QString description;
    QString mask;
    friend bool operator==(const FilterEntry&, const FilterEntry&) = default;
};

// The pairs of a filter list; a description without a mask gets "*".
std::vector<FilterEntry> ParseFilterList(const QString& list);

// The mask of entry `chosen`: the last entry's when none is chosen (or the
// index is out of range), "*.*" when there are no entries.
QString MaskOfChoice(const std::vector<FilterEntry>& entries, int chosen);

// The masks of a filter text separated by ";", empty ones dropped.
QStringList SplitMasks(const QString& masks);

// Whether `name` matches the wildcard mask ("*" any run, "?" one character),
// upper and lower case alike. "*.*" thus takes only names with a dot.
bool MatchesMask(const QString& name, const QString& mask);
bool MatchesAnyMask(const QString& name, const QStringList& masks);

}  // namespace grimora
