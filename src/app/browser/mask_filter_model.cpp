// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/mask_filter_model.h"

#include <QDateTime>
#include <QFileSystemModel>

#include "app/browser/file_masks.h"

namespace grimora {

void MaskFilterModel::setMasks(const QString& masks) {
    masks_ = SplitMasks(masks);
    invalidateFilter();
}

bool MaskFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr) {
        return true;
    }
    const QModelIndex index = files->index(sourceRow, 0, sourceParent);
    if (files->isDir(index)) {
        return true;
    }
    return MatchesAnyMask(files->fileName(index), masks_);
}

bool MaskFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr) {
        return QSortFilterProxyModel::lessThan(left, right);
    }
    const bool leftFolder = files->isDir(left);
    if (leftFolder != files->isDir(right)) {
        return leftFolder;
    }
    switch (left.column()) {
        case 1:
            if (files->size(left) != files->size(right)) {
                return files->size(left) < files->size(right);
            }
            break;
        case 3:
            if (files->lastModified(left) != files->lastModified(right)) {
                return files->lastModified(left) < files->lastModified(right);
            }
            break;
        default: {
            const int order = QString::compare(left.data().toString(), right.data().toString(),
                                               Qt::CaseInsensitive);
            if (order != 0) {
                return order < 0;
            }
            break;
        }
    }
    return files->fileName(left) < files->fileName(right);
}

}  // namespace grimora
