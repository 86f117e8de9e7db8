// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/background_save.h"

#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QObject>

#include "picture/dib_queries.h"
#include "picture/owned_dib.h"

namespace grimora {

namespace {

// A copy of a 24-bit picture; false, `copy` untouched, for other depths or
// when there is no memory for it.
bool CopyTrueColour(const Dib& picture, OwnedDib& copy) {
    if (picture.bits == nullptr || picture.info == nullptr || DibBitCount(picture) != 24) {
        return false;
    }
    OwnedDib made;
    if (!made.make(DibWidth(picture), DibHeight(picture), 24) || made->stride != picture.stride) {
        return false;
    }
    std::memcpy(
        made->bits, picture.bits,
        static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(DibHeight(picture)));
    copy = std::move(made);
    return true;
}

bool WriteHere(const Dib& picture, const PictureWrite& write,
               const std::function<void(int)>& shown) {
    try {
        return write(picture, [&shown](int percent) { shown(percent); });
    } catch (const std::exception&) {
        return false;
    }
}

class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

bool WriteInBackground(const Dib& picture, const PictureWrite& write,
                       const std::function<void(int)>& shown) {
    const BusyPointer busy;
    OwnedDib copy;
    if (!CopyTrueColour(picture, copy)) {
        return WriteHere(picture, write, shown);
    }
    QEventLoop loop;
    // The percentages are delivered to this object, on this thread; the
    // last of them come before the loop's end, posted after them.
    QObject here;
    bool written = false;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                written = write(copy.get(), [&here, &shown](int percent) {
                    QMetaObject::invokeMethod(
                        &here, [&shown, percent] { shown(percent); }, Qt::QueuedConnection);
                });
            } catch (const std::exception&) {
                written = false;
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return WriteHere(copy.get(), write, shown);
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return written;
}

}  // namespace grimora
