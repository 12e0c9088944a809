// Marquee cost and evenness: process CPU over 10 s of scrolling at the defaults as a share of one
// core (against the same program idle), and the gaps between ticks while the UI thread is kept busy.
#include "widgets/realtimemarquee.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Tick times recorded on the timer thread without locks or allocation.
struct TickLog {
    std::vector<Clock::time_point> at = std::vector<Clock::time_point>(200000);
    std::atomic<size_t> count{0};
    std::atomic<int64_t> timerThreadCpuNs{0}; // the timer thread's own CPU time at its last tick
    void record()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        timerThreadCpuNs.store(int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec, std::memory_order_relaxed);
        const size_t i = count.fetch_add(1, std::memory_order_relaxed);
        if (i < at.size())
            at[i] = Clock::now();
    }
    void clear() { count = 0; }
    // Gaps between consecutive ticks, in milliseconds, sorted.
    std::vector<double> gaps() const
    {
        const size_t n = std::min(count.load(), at.size());
        std::vector<double> g;
        for (size_t i = 1; i < n; ++i)
            g.push_back(std::chrono::duration<double, std::milli>(at[i] - at[i - 1]).count());
        std::sort(g.begin(), g.end());
        return g;
    }
};

// Runs the event loop for ms milliseconds; answers the process CPU seconds spent meanwhile.
double runFor(int ms)
{
    const double cpu0 = processCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return processCpuSeconds() - cpu0;
}

void printGaps(QTextStream& out, const char* what, const std::vector<double>& g)
{
    if (g.empty()) {
        out << what << ": no ticks\n";
        return;
    }
    double sum = 0;
    for (double v : g)
        sum += v;
    out << what << ": " << g.size() + 1 << " ticks, gap mean " << QString::number(sum / double(g.size()), 'f', 2)
        << " ms, median " << QString::number(g[g.size() / 2], 'f', 2) << " ms, 99th percentile "
        << QString::number(g[g.size() * 99 / 100], 'f', 2) << " ms, largest " << QString::number(g.back(), 'f', 2)
        << " ms (at most " << QString::number(g.back() - 10, 'f', 2) << " ms later than the 10 ms interval)\n";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "platform: " << QGuiApplication::platformName() << "\n";

    TickLog log; // outlives the marquee, whose timer thread writes to it
    TRealTimeMarquee m;
    m.resize(800, 24);
    TMarqueeItem* item = m.Items()->Add();
    item->SetStyle(msHTML);
    item->SetText(QStringLiteral("<b>Duyuru:</b> Fren balatalarında <font color=#c00000>%15 indirim</font> &bull; yeni "
                                 "amortisör takımları stokta &bull; <a href=\"https://example.invalid/\">Ayrıntılar</a>"));
    m.SetTickObserver([&log] { log.record(); });
    m.show();
    runFor(500);

    const double idleCpu = runFor(10000);
    out << "idle program, 10 s: CPU " << QString::number(idleCpu * 1000, 'f', 1) << " ms = "
        << QString::number(idleCpu / 10 * 100, 'f', 2) << " % of one core\n";

    m.SetActive(true);
    runFor(500);
    log.clear();
    const int64_t timerCpu0 = log.timerThreadCpuNs.load();
    const double scrollCpu = runFor(10000);
    const double timerCpu = double(log.timerThreadCpuNs.load() - timerCpu0) / 1e9;
    out << "scrolling at the defaults (interval " << m.Interval() << " ms, step " << m.Step() << " px), 10 s: CPU "
        << QString::number(scrollCpu * 1000, 'f', 1) << " ms = " << QString::number(scrollCpu / 10 * 100, 'f', 2)
        << " % of one core; the marquee's own share " << QString::number((scrollCpu - idleCpu) / 10 * 100, 'f', 2)
        << " %, of which the timer thread " << QString::number(timerCpu / 10 * 100, 'f', 2) << " % and the UI thread's moving and painting the rest\n";
    printGaps(out, "UI thread idle", log.gaps());

    // Keep the UI thread busy 40 ms out of every 50 ms.
    QTimer busy;
    busy.setTimerType(Qt::PreciseTimer);
    QObject::connect(&busy, &QTimer::timeout, [] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 40) {
        }
    });
    busy.start(50);
    log.clear();
    runFor(5000);
    busy.stop();
    printGaps(out, "UI thread busy 80 % (40 ms of every 50 ms)", log.gaps());

    // A UI thread that blocks for half a second at once.
    log.clear();
    QTimer::singleShot(100, [] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 500) {
        }
    });
    runFor(1000);
    printGaps(out, "UI thread blocked 500 ms at once", log.gaps());
    m.SetActive(false);
    out.flush();
    return 0;
}
