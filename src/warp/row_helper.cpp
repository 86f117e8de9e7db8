// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/row_helper.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace grimora {

namespace {

class RowHelper {
public:
    RowHelper() : thread_([this] { serve(); }) {}
    ~RowHelper() {
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    RowHelper(const RowHelper&) = delete;
    RowHelper& operator=(const RowHelper&) = delete;

    bool runBoth(detail::TwoThreadJob job, const void* context) {
        const std::unique_lock caller(callerMutex_, std::try_to_lock);
        if (!caller.owns_lock()) {
            return false;
        }
        {
            const std::lock_guard lock(mutex_);
            job_ = job;
            context_ = context;
            pending_ = true;
            started_ = false;
        }
        wake_.notify_one();
        job(context, 0);
        std::unique_lock lock(mutex_);
        if (!started_) {
            pending_ = false;  // every chunk is done: the helper need not come
            return true;
        }
        done_.wait(lock, [this] { return !pending_; });
        return true;
    }

private:
    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return pending_ || quit_; });
            if (quit_) {
                return;
            }
            started_ = true;
            lock.unlock();
            job_(context_, 1);
            lock.lock();
            pending_ = false;
            done_.notify_all();
        }
    }

    std::mutex callerMutex_;  // one caller at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    detail::TwoThreadJob job_ = nullptr;
    const void* context_ = nullptr;
    bool pending_ = false;
    bool started_ = false;
    bool quit_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

RowHelper* sharedHelper() {
    try {
        static RowHelper helper;
        return &helper;
    } catch (const std::system_error&) {
        return nullptr;
    }
}

}  // namespace

bool detail::RunOnTwoThreads(TwoThreadJob job, const void* context) {
    RowHelper* helper = sharedHelper();
    return helper != nullptr && helper->runBoth(job, context);
}

}  // namespace grimora
