// Background runs on QThreadPool and blocking hand-overs to the UI thread.
#include "remote/beklesinu.h"

#include "kit/ui/modal.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <exception>
#include <memory>

namespace {

QString exceptionText(const std::exception_ptr& e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return QString::fromUtf8(ex.what());
    } catch (...) {
        return QStringLiteral("Bilinmeyen hata");
    }
}

// Runs f and reports what it throws, so nothing escapes into the event loop.
void runReported(const std::function<void()>& f)
{
    try {
        f();
    } catch (...) {
        kit::showError(exceptionText(std::current_exception()));
    }
}

void start(std::function<void()> work, QPointer<QObject> guard, bool guarded, std::function<void()> continuation)
{
    QThreadPool::globalInstance()->start([work = std::move(work), guard, guarded,
                                          continuation = std::move(continuation)]() mutable {
        std::exception_ptr failure;
        try {
            if (work)
                work();
        } catch (...) {
            failure = std::current_exception();
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return; // the program is ending; there is no UI thread left to report to
        QMetaObject::invokeMethod(
            app,
            [guard, guarded, continuation = std::move(continuation), failure] {
                if (continuation && (!guarded || guard))
                    runReported(continuation);
                if (failure)
                    kit::showError(exceptionText(failure));
            },
            Qt::QueuedConnection);
    });
}

} // namespace

void TAwait::Await(std::function<void()> continuation)
{
    start(std::move(work_), nullptr, false, std::move(continuation));
}

void TAwait::Await(QObject* guard, std::function<void()> continuation)
{
    start(std::move(work_), guard, true, std::move(continuation));
}

TAwait Async(std::function<void()> work) { return TAwait(std::move(work)); }

void Senkronize(const std::function<void()>& step)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        step();
        return;
    }
    // Shared with the queued call, which may outlive this frame when the wait below is given up.
    struct Handover {
        std::function<void()> step;
        std::exception_ptr failure;
        QSemaphore done;
    };
    auto h = std::make_shared<Handover>();
    h->step = step;
    QMetaObject::invokeMethod(
        app,
        [h] {
            try {
                h->step();
            } catch (...) {
                h->failure = std::current_exception();
            }
            h->done.release();
        },
        Qt::QueuedConnection);
    // An application that is closing runs no more queued calls and waits for the pool: a worker
    // that kept waiting here would hold that up for ever.
    while (!h->done.tryAcquire(1, 50))
        if (QCoreApplication::closingDown())
            return;
    if (h->failure)
        std::rethrow_exception(h->failure);
}
