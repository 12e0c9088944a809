// Remote call figures against the in-process server on loopback: latency per call, open+call+close,
// throughput with 16 clients and tail latency with 50. Prints figures; asserts nothing.
// BENCH_IO_THREADS and BENCH_WORKERS change the server's thread counts for comparison runs.
#include "kit/net/connection.h"
#include "remote/proxim.h"
#include "support/test_server.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const QString kWorkstation = QStringLiteral("BENCH-ISTASYON");

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

std::unique_ptr<kit::Connection> connection(unsigned short port)
{
    auto c = std::make_unique<kit::Connection>();
    c->setHostName(QStringLiteral("127.0.0.1"));
    c->setPort(port);
    return c;
}

// One sign-in lookup; aborts the run when the server does not answer the bound account.
void call(TServerMethods1Client& proxy)
{
    if (!proxy.BuyukGetir(kWorkstation)) {
        std::fprintf(stderr, "BuyukGetir answered no record for the bound workstation\n");
        std::exit(1);
    }
}

// Each of `clients` threads makes `perClient` calls on its own open connection.
struct Run {
    double seconds = 0;
    std::vector<double> latencies;
    int failures = 0;
};
Run concurrent(unsigned short port, int clients, int perClient)
{
    Run run;
    std::mutex m;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&] {
            std::vector<double> mine;
            mine.reserve(std::size_t(perClient));
            int failed = 0;
            try {
                auto c = connection(port);
                c->open();
                TServerMethods1Client proxy(*c);
                ++ready;
                while (!go)
                    std::this_thread::yield();
                for (int i = 0; i < perClient; ++i) {
                    const auto t0 = Clock::now();
                    call(proxy);
                    mine.push_back(micros(Clock::now() - t0));
                }
            } catch (const std::exception& e) {
                ++ready;
                ++failed;
                std::fprintf(stderr, "client failed: %s\n", e.what());
            }
            std::lock_guard lock(m);
            run.latencies.insert(run.latencies.end(), mine.begin(), mine.end());
            run.failures += failed;
        });
    while (ready < clients)
        std::this_thread::yield();
    const auto t0 = Clock::now();
    go = true;
    for (auto& t : threads)
        t.join();
    run.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    srvtest::Options o;
    o.workstations = {{kWorkstation, 0}};
    o.threads = std::max(2, int(std::thread::hardware_concurrency()));
    if (const char* io = std::getenv("BENCH_IO_THREADS"))
        o.ioThreads = std::atoi(io);
    if (const char* w = std::getenv("BENCH_WORKERS"))
        o.threads = std::atoi(w);
    srvtest::TestServer server(o);
    std::printf("server on 127.0.0.1:%u, %d worker threads, %u hardware threads\n", server.port(), o.threads,
                std::thread::hardware_concurrency());

    {
        auto c = connection(server.port());
        c->open();
        TServerMethods1Client proxy(*c);
        for (int i = 0; i < 200; ++i) // warm-up: statement caches, allocator, page cache
            call(proxy);
        std::vector<double> v;
        for (int i = 0; i < 2000; ++i) {
            const auto t0 = Clock::now();
            call(proxy);
            v.push_back(micros(Clock::now() - t0));
        }
        std::printf("BuyukGetir on an open connection: median %.1f us, p99 %.1f us (2000 calls)\n",
                    percentile(v, 0.5), percentile(v, 0.99));
        // The floor under every call: the same round trip for an operation the server refuses
        // before any database work.
        v.clear();
        for (int i = 0; i < 2000; ++i) {
            const auto t0 = Clock::now();
            try {
                c->call("BilinmeyenIslem", "{\"_parameters\":[]}");
            } catch (const kit::RemoteError&) {
            }
            v.push_back(micros(Clock::now() - t0));
        }
        std::printf("unknown operation (400, no database work) on the same connection: median %.1f us, p99 %.1f us\n",
                    percentile(v, 0.5), percentile(v, 0.99));
    }
    {
        // The server's own share: the same call dispatched in this thread, without network or hand-over.
        srv::Dispatcher d;
        srv::registerMethods(d);
        const std::string body = "{\"_parameters\":[\"" + kWorkstation.toStdString() + "\"]}";
        std::vector<double> v;
        for (int i = 0; i < 2200; ++i) {
            const auto t0 = Clock::now();
            const auto a = d.dispatch("BuyukGetir", body, server.store());
            if (i >= 200)
                v.push_back(micros(Clock::now() - t0));
            if (a.status != 200) {
                std::fprintf(stderr, "dispatch answered %d\n", a.status);
                return 1;
            }
        }
        std::printf("BuyukGetir dispatched in-process (database and JSON only): median %.1f us, p99 %.1f us\n",
                    percentile(v, 0.5), percentile(v, 0.99));
    }
    {
        std::vector<double> v;
        for (int i = 0; i < 500; ++i) {
            const auto t0 = Clock::now();
            auto c = connection(server.port());
            c->open();
            {
                TServerMethods1Client proxy(*c);
                call(proxy);
            }
            c->close();
            v.push_back(micros(Clock::now() - t0));
        }
        std::printf("open + BuyukGetir + close: median %.1f us, p99 %.1f us (500 rounds)\n", percentile(v, 0.5),
                    percentile(v, 0.99));
    }
    {
        const int clients = 16, each = 1000;
        const Run r = concurrent(server.port(), clients, each);
        std::printf("%d clients x %d calls: %.0f calls/s, median %.1f us, p99 %.1f us, %d failed clients\n", clients,
                    each, double(r.latencies.size()) / r.seconds, percentile(r.latencies, 0.5),
                    percentile(r.latencies, 0.99), r.failures);
    }
    {
        const int clients = 50, each = 200;
        const Run r = concurrent(server.port(), clients, each);
        std::printf("%d clients x %d calls: %.0f calls/s, median %.1f us, p99 %.2f ms, %d failed clients\n", clients,
                    each, double(r.latencies.size()) / r.seconds, percentile(r.latencies, 0.5),
                    percentile(r.latencies, 0.99) / 1000.0, r.failures);
    }
    return 0;
}
