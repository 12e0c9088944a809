// Remote call figures against the in-process server on loopback: latency per call with and without the
// session key check, throughput with 16 clients, open+call+close, tail latency with 50, and one sign-in's
// server time. Prints figures; asserts nothing.
// BENCH_IO_THREADS and BENCH_WORKERS change the server's thread counts for comparison runs.
#include "auth/sessions.h"
#include "demo/demo.h"
#include "kit/net/connection.h"
#include "remote/proxim.h"
#include "figures.h"
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

using bench::Clock;
using bench::micros;
using bench::percentile;
const QString kWorkstation = QStringLiteral("BENCH-ISTASYON");



std::unique_ptr<kit::Connection> connection(unsigned short port)
{
    auto c = std::make_unique<kit::Connection>();
    c->setHostName(QStringLiteral("127.0.0.1"));
    c->setPort(port);
    return c;
}

// The two operations compared: the same tiny answer, once behind the session key check and once on
// the sign-in path, which has none. Their difference is what the key costs a call.
enum class Op { Keyed, Open };

void call(TServerMethods1Client& proxy, Op op)
{
    const QString answer = op == Op::Keyed ? proxy.KayanYaziGetir() : proxy.BuyukGetir(kWorkstation)->FADI;
    if (answer != QLatin1String("ok")) {
        std::fprintf(stderr, "unexpected answer: %s\n", qPrintable(answer));
        std::exit(1);
    }
}

// Each of `clients` threads makes `perClient` calls on its own open connection.
struct Run {
    double seconds = 0;
    std::vector<double> latencies;
    int failures = 0;
};
Run concurrent(unsigned short port, const QString& key, Op op, int clients, int perClient)
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
                c->setSessionKey(key);
                c->open();
                TServerMethods1Client proxy(*c);
                ++ready;
                while (!go)
                    std::this_thread::yield();
                for (int i = 0; i < perClient; ++i) {
                    const auto t0 = Clock::now();
                    call(proxy, op);
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

// Median latency of `n` calls of op on one open connection, after a warm-up.
double onOpenConnection(unsigned short port, const QString& key, Op op, int n)
{
    auto c = connection(port);
    c->setSessionKey(key);
    c->open();
    TServerMethods1Client proxy(*c);
    for (int i = 0; i < 200; ++i) // warm-up: statement caches, allocator, page cache
        call(proxy, op);
    std::vector<double> v;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        call(proxy, op);
        v.push_back(micros(Clock::now() - t0));
    }
    return percentile(v, 0.5);
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
    const QString key = QString::fromStdString(server.signIn(0));
    if (key.isEmpty()) {
        std::fprintf(stderr, "the bound workstation got no session key\n");
        return 1;
    }
    // Same answer on both paths; BuyukGetir's own work is measured apart below.
    const auto tiny = [](srv::Call& c) {
        TSonucBilgisi r;
        r.FADI = QStringLiteral("ok");
        if (c.op.signIn)
            c.out.record(&r);
        else
            c.out.text(r.FADI);
    };
    server.dispatcher().handle("KayanYaziGetir", tiny);
    server.dispatcher().handle("BuyukGetir", tiny);
    std::printf("server on 127.0.0.1:%u, %d worker threads, %u hardware threads\n", server.port(), o.threads,
                std::thread::hardware_concurrency());

    {
        // The check alone: both calls dispatched in this thread, without network or hand-over.
        const std::string bearer = "Bearer " + key.toStdString();
        const std::string openBody = "{\"_parameters\":[\"" + kWorkstation.toStdString() + "\"]}";
        std::vector<double> open, keyed;
        for (int i = 0; i < 5200; ++i) {
            const bool withKey = i % 2;
            const auto t0 = Clock::now();
            const auto a = withKey ? server.dispatcher().dispatch(srv::Request{"KayanYaziGetir", "", bearer, {}}, server.store())
                                   : server.dispatcher().dispatch(srv::Request{"BuyukGetir", openBody, {}, {}}, server.store());
            if (i >= 200)
                (withKey ? keyed : open).push_back(micros(Clock::now() - t0));
            if (a.status != 200) {
                std::fprintf(stderr, "dispatch answered %d\n", a.status);
                return 1;
            }
        }
        std::printf("dispatched in-process, median: without key %.1f us, with key %.1f us (the check: %.1f us)\n",
                    percentile(open, 0.5), percentile(keyed, 0.5), percentile(keyed, 0.5) - percentile(open, 0.5));
        // What a key costs when the server has not seen it lately: the lookup in the database, made at
        // most once every two seconds per key.
        std::vector<double> lookup;
        for (int i = 0; i < 2200; ++i) {
            const auto t0 = Clock::now();
            if (!auth::findSession(server.store(), key.toStdString())) {
                std::fprintf(stderr, "the key was not found\n");
                return 1;
            }
            if (i >= 200)
                lookup.push_back(micros(Clock::now() - t0));
        }
        std::printf("session lookup in the database (a key not seen for 2 s): median %.1f us\n", percentile(lookup, 0.5));
    }
    {
        const double open = onOpenConnection(server.port(), {}, Op::Open, 3000);
        const double keyed = onOpenConnection(server.port(), key, Op::Keyed, 3000);
        std::printf("call on an open connection, median: without key %.1f us, with key %.1f us, ratio %.3f "
                    "(the key check's share %.1f %%)\n",
                    open, keyed, keyed / open, 100.0 * (keyed - open) / keyed);
    }
    {
        const int clients = 16, each = 1000;
        const Run open = concurrent(server.port(), {}, Op::Open, clients, each);
        const Run keyed = concurrent(server.port(), key, Op::Keyed, clients, each);
        const double a = double(open.latencies.size()) / open.seconds, b = double(keyed.latencies.size()) / keyed.seconds;
        std::printf("%d clients x %d calls: without key %.0f calls/s, with key %.0f calls/s, ratio %.3f; "
                    "p99 %.1f / %.1f us; %d failed clients\n",
                    clients, each, a, b, b / a, percentile(open.latencies, 0.99), percentile(keyed.latencies, 0.99),
                    open.failures + keyed.failures);
    }
    {
        std::vector<double> v;
        for (int i = 0; i < 500; ++i) {
            const auto t0 = Clock::now();
            auto c = connection(server.port());
            c->setSessionKey(key);
            c->open();
            {
                TServerMethods1Client proxy(*c);
                call(proxy, Op::Keyed);
            }
            c->close();
            v.push_back(micros(Clock::now() - t0));
        }
        std::printf("open + keyed call + close: median %.1f us, p99 %.1f us (500 rounds)\n", percentile(v, 0.5),
                    percentile(v, 0.99));
    }
    {
        const int clients = 50, each = 200;
        const Run r = concurrent(server.port(), key, Op::Keyed, clients, each);
        std::printf("%d clients x %d keyed calls: %.0f calls/s, median %.1f us, p99 %.2f ms, %d failed clients\n",
                    clients, each, double(r.latencies.size()) / r.seconds, percentile(r.latencies, 0.5),
                    percentile(r.latencies, 0.99) / 1000.0, r.failures);
    }
    {
        // One sign-in as the server does it (password hash check, new session), dispatched in this
        // thread; against it, the floor of a call that the server refuses before any database work.
        srv::Dispatcher d;
        srv::registerMethods(d);
        d.setLog({});
        const demo::Credentials who = demo::credentialsFor(server.store(), kWorkstation);
        const std::string basic = srvtest::basicAuthorization(who.user, who.password);
        const std::string body = "{\"_parameters\":[\"" + kWorkstation.toStdString() + "\"]}";
        std::vector<double> signIn, floor;
        for (int i = 0; i < 22; ++i) {
            const auto t0 = Clock::now();
            const auto a = d.dispatch(srv::Request{"BuyukGetir", body, basic, QStringLiteral("127.0.0.1")}, server.store());
            if (i >= 2)
                signIn.push_back(micros(Clock::now() - t0));
            if (a.status != 200 || a.sessionKey.empty()) {
                std::fprintf(stderr, "sign-in answered %d without a key\n", a.status);
                return 1;
            }
        }
        for (int i = 0; i < 2000; ++i) {
            const auto t0 = Clock::now();
            d.dispatch("BilinmeyenIslem", "{\"_parameters\":[]}", server.store());
            floor.push_back(micros(Clock::now() - t0));
        }
        std::printf("one sign-in's server time (Argon2id check and a new session): median %.1f ms over 20, "
                    "%.0f times an unknown operation's %.1f us\n",
                    percentile(signIn, 0.5) / 1000.0, percentile(signIn, 0.5) / percentile(floor, 0.5),
                    percentile(floor, 0.5));
    }
    return 0;
}
