// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser/list_columns.h"

#include <algorithm>
#include <cstddef>

#include <QAbstractItemModel>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace grimora {

std::vector<int> FitListColumns(int available, const std::vector<int>& wanted, int nameMinimum) {
    std::vector<int> widths(wanted.size(), 0);
    if (wanted.empty()) {
        return widths;
    }
    available = std::max(available, 0);
    const int nameNeeds = std::min(std::max(nameMinimum, 0), std::max(wanted[0], 0));
    int others = 0;
    for (std::size_t k = 1; k < wanted.size(); ++k) {
        const int width = std::max(wanted[k], 1);
        if (available - others - width < nameNeeds) {
            break;
        }
        widths[k] = width;
        others += width;
    }
    widths[0] = available - others;
    return widths;
}

ListColumnFitter::ListColumnFitter(QTreeView* list, int nameMinimum)
    : QObject(list), list_(list), viewport_(list->viewport()), nameMinimum_(nameMinimum) {
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    viewport_->installEventFilter(this);
    if (const QAbstractItemModel* model = list->model()) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &ListColumnFitter::fitLater);
        connect(model, &QAbstractItemModel::dataChanged, this, &ListColumnFitter::fitLater);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ListColumnFitter::fitLater);
        connect(model, &QAbstractItemModel::modelReset, this, &ListColumnFitter::fitLater);
    }
}

bool ListColumnFitter::eventFilter(QObject* watched, QEvent* event) {
    // Compared with the viewport as made: while the list is being destroyed
    // its viewport still sends events, but the list is no longer one.
    if (watched == viewport_ && event->type() == QEvent::Resize) {
        fit();
    }
    return QObject::eventFilter(watched, event);
}

void ListColumnFitter::fitLater() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        fit();
    });
}

int ListColumnFitter::wantedWidth(int column) const {
    const QHeaderView* header = list_->header();
    const QAbstractItemModel* model = list_->model();
    const QModelIndex root = list_->rootIndex();
    // The widest text of the first rows: enough to judge a column by, and
    // bounded whatever the folder holds. Measured from the model rather than
    // from the view, which measures hidden columns as empty.
    const QFontMetrics metrics(list_->font());
    const int rows = model != nullptr ? std::min(model->rowCount(root), 256) : 0;
    int text = 0;
    for (int row = 0; row < rows; ++row) {
        const QString shown = model->index(row, column, root).data().toString();
        text = std::max(text, metrics.horizontalAdvance(shown));
    }
    const int margin = 2 * (list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const int icon = column == 0 ? list_->iconSize().width() + margin : 0;
    return std::max(
        {header->sectionSizeHint(column), text + margin + icon, header->minimumSectionSize()});
}

void ListColumnFitter::fit() {
    QHeaderView* header = list_->header();
    std::vector<int> wanted(static_cast<std::size_t>(header->count()));
    for (int k = 0; k < header->count(); ++k) {
        wanted[static_cast<std::size_t>(k)] = wantedWidth(k);
    }
    const std::vector<int> widths =
        FitListColumns(list_->viewport()->width(), wanted, nameMinimum_);
    for (int k = 0; k < header->count(); ++k) {
        const int width = widths[static_cast<std::size_t>(k)];
        header->setSectionHidden(k, width == 0);
        if (width > 0) {
            header->resizeSection(k, width);
        }
    }
}

}  // namespace grimora
