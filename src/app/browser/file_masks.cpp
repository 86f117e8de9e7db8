// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/file_masks.h"

#include <cstddef>

namespace grimora {

std::vector<FilterEntry> ParseFilterList(const QString& list) {
    std::vector<FilterEntry> entries;
    const QStringList parts = list.split(QLatin1Char('|'));
    if (list.isEmpty()) {
        return entries;
    }
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString mask = i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*");
        entries.push_back({parts[i], mask});
    }
    return entries;
}

QString MaskOfChoice(const std::vector<FilterEntry>& entries, int chosen) {
    if (entries.empty()) {
        return QStringLiteral("*.*");
    }
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= entries.size()) {
        return entries.back().mask;
    }
    return entries[static_cast<std::size_t>(chosen)].mask;
}

QStringList SplitMasks(const QString& masks) {
    QStringList result;
    for (const QString& mask : masks.split(QLatin1Char(';'))) {
        const QString trimmed = mask.trimmed();
        if (!trimmed.isEmpty()) {
            result.append(trimmed);
        }
    }
    return result;
}

bool MatchesMask(const QString& name, const QString& mask) {
    const QString n = name.toCaseFolded();
    const QString m = mask.toCaseFolded();
    // Greedy matching with one backtrack point: the last "*" seen.
    qsizetype ni = 0;
    qsizetype mi = 0;
    qsizetype starMask = -1;
    qsizetype starName = 0;
    while (ni < n.size()) {
        if (mi < m.size() && m[mi] == QLatin1Char('*')) {
            starMask = mi++;
            starName = ni;
        } else if (mi < m.size() && (m[mi] == QLatin1Char('?') || m[mi] == n[ni])) {
            ++mi;
            ++ni;
        } else if (starMask >= 0) {
            mi = starMask + 1;
            ni = ++starName;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == QLatin1Char('*')) {
        ++mi;
    }
    return mi == m.size();
}

bool MatchesAnyMask(const QString& name, const QStringList& masks) {
    for (const QString& mask : masks) {
        if (MatchesMask(name, mask)) {
            return true;
        }
    }
    return false;
}

}  // namespace grimora
