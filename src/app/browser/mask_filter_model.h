// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's filter over a file-system model: folders always, files
// only when their names match one of the masks; folders sort first.
#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

namespace grimora {

class MaskFilterModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // Masks separated by ";" (see MatchesMask); "*" lists everything.
    void setMasks(const QString& masks);
    const QStringList& masks() const { return masks_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // By the column's value: size and date as such, names and types as
    // text regardless of case.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QStringList masks_{QStringLiteral("*")};
};

}  // namespace grimora
