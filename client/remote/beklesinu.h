// Background runs (work on the thread pool, continuation on the UI thread) and synchronous hand-overs.
#pragma once

#include <QPointer>

#include <functional>

class QObject;

// A background run: Async(work).Await(continuation) starts the work on the global thread pool and
// returns at once. When the work has ended, normally or by an exception, the continuation runs on
// the UI thread; after it, an exception of the work is shown there by the application's default
// error report (kit::showError). Qt does not let exceptions cross its event loop, so the exception
// is caught on the pool thread, carried over and reported instead of being re-thrown into the loop.
//
// A continuation must not touch a window that has gone. Either pass the window as the guard,
//     Async(work).Await(this, [this] { ... });
// which skips the continuation when the window was destroyed meanwhile, or capture a QPointer
// yourself and test it first. The work itself must not touch widgets; it may fill a local table
// whose grid is detached, and hand other control updates to the UI thread with Senkronize.
class TAwait {
public:
    explicit TAwait(std::function<void()> work) : work_(std::move(work)) {}

    void Await(std::function<void()> continuation);
    void Await(QObject* guard, std::function<void()> continuation);

private:
    std::function<void()> work_;
};

TAwait Async(std::function<void()> work);

// Runs step on the UI thread and waits until it has finished; an exception of the step is re-thrown
// in the calling thread. On the UI thread itself, or without an application object, it runs at once.
// The UI thread must not be waiting for the caller meanwhile (e.g. in QThreadPool::waitForDone).
void Senkronize(const std::function<void()>& step);
