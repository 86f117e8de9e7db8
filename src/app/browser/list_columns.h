// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's columns sized to the list: the name takes what the others
// leave, and the others show, in their order, only while the name keeps
// room enough, so that no column is cut and no horizontal scroll bar shows.
#pragma once

#include <vector>

#include <QObject>

class QTreeView;

namespace grimora {

// Widths for a list `available` pixels wide, for columns that want
// `wanted` pixels each, the first being the name: 0 hides a column. The
// shown widths add up to `available` (for available >= 0); column k > 0 is
// shown only when every column before it is and the name still has
// `nameMinimum` pixels, or its wanted width if that is less.
std::vector<int> FitListColumns(int available, const std::vector<int>& wanted, int nameMinimum);

// Keeps the columns of `list` fitted to its viewport as it is resized and
// as its folder fills in; each column wants the width of its header or of
// its widest row, whichever is more.
class ListColumnFitter : public QObject {
public:
    // Made once the list has its model.
    ListColumnFitter(QTreeView* list, int nameMinimum);

    // Fits the columns now.
    void fit();
    // Once the model's changes of this turn of the event loop are in: after
    // the list was pointed at another folder, say.
    void fitLater();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a column needs for its header and the rows of the folder shown.
    int wantedWidth(int column) const;

    QTreeView* list_;
    QWidget* viewport_;
    int nameMinimum_;
    bool pending_ = false;
};

}  // namespace grimora
