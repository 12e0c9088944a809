// Catalogue search figures on a large demo catalogue: one client's median search as a multiple of the
// empty-call floor, and 16 concurrent clients' searches per second and 99th percentile, on SQLite and,
// when TEZVAL_TEST_POSTGRES is set, on PostgreSQL. Prints figures; asserts nothing.
// BENCH_PRODUCTS sets the catalogue size (default 200000).
#include "figures.h"
#include "support/test_server.h"

#include "records.h"
#include "store/store.h"
#include "wire.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

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
using bench::millis;
using bench::percentile;
const QString kWorkstation = QStringLiteral("BENCH-ARAMA");



// What dealers type: part codes as printed and without their hyphen, OEM numbers, description words.
QStringList searchTexts(store::Store& s)
{
    QStringList texts;
    QSqlQuery q = store::exec(s.db(), QStringLiteral(
        "SELECT BARKOD, OEM1, ADI, MARKA FROM STOK WHERE STOK_STOKNO % 997 = 0 ORDER BY STOK_STOKNO"));
    while (q.next() && texts.size() < 400) {
        const QString barkod = q.value(0).toString();
        texts << barkod << QString(barkod).remove(u'-') << q.value(1).toString()
              << q.value(2).toString().section(u' ', 0, 0) + u' ' + q.value(3).toString();
    }
    q.finish();
    return texts;
}

std::string body(const QString& text, const TSonucBilgisi& who)
{
    wire::MessageWriter w("_parameters");
    w.text(text);
    w.record(&who);
    return w.finish();
}

struct Figures {
    double floorMs = 0, oneMs = 0, perSecond = 0, p99Ms = 0;
    double rowsPerSearch = 0;
    int failures = 0;
};

Figures measure(srvtest::TestServer& server, const std::string& key, const TSonucBilgisi& who, const QStringList& texts)
{
    Figures f;
    std::vector<std::string> bodies;
    for (const QString& t : texts)
        bodies.push_back(body(t, who));
    const std::string empty = R"({"_parameters":[]})";
    {
        srvtest::HttpConnection c(server.port());
        for (int i = 0; i < 200; ++i) // warm-up: statement caches, page cache
            c.post("KayanYaziGetir", empty, key);
        std::vector<double> v;
        for (int i = 0; i < 1000; ++i) {
            const auto t0 = Clock::now();
            c.post("KayanYaziGetir", empty, key);
            v.push_back(millis(Clock::now() - t0));
        }
        f.floorMs = percentile(v, 0.5);
        for (const std::string& b : bodies)
            c.post("StokAraGetir", b, key);
        v.clear();
        for (std::size_t i = 0; i < bodies.size() * 2; ++i) {
            const auto t0 = Clock::now();
            const srvtest::Reply r = c.post("StokAraGetir", bodies[i % bodies.size()], key);
            v.push_back(millis(Clock::now() - t0));
            if (r.status != 200)
                ++f.failures;
            else if (i < bodies.size())
                f.rowsPerSearch += wire::MessageReader::parse(r.body, "result").table(0).rowCount();
        }
        f.rowsPerSearch /= double(bodies.size());
        f.oneMs = percentile(v, 0.5);
    }
    constexpr int kClients = 16, kPerClient = 200;
    std::vector<double> all;
    std::mutex m;
    std::atomic<int> ready{0}, failed{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kClients; ++t)
        threads.emplace_back([&, t] {
            srvtest::HttpConnection c(server.port());
            std::vector<double> mine;
            ++ready;
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kPerClient; ++i) {
                const auto t0 = Clock::now();
                const srvtest::Reply r = c.post("StokAraGetir", bodies[std::size_t(t * 37 + i) % bodies.size()], key);
                mine.push_back(millis(Clock::now() - t0));
                if (r.status != 200)
                    ++failed;
            }
            std::lock_guard lock(m);
            all.insert(all.end(), mine.begin(), mine.end());
        });
    while (ready < kClients)
        std::this_thread::yield();
    const auto t0 = Clock::now();
    go = true;
    for (auto& th : threads)
        th.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.perSecond = double(all.size()) / seconds;
    f.p99Ms = percentile(all, 0.99);
    f.failures += failed;
    return f;
}

void run(const char* engine, int products)
{
    srvtest::Options o;
    o.workstations = {{kWorkstation, 0}};
    o.demoProducts = products;
    o.threads = std::max(2, int(std::thread::hardware_concurrency()));
    o.handlers = [](srv::Dispatcher& d) {
        // The floor: a call that passes every check and answers a tiny text without touching the database.
        d.handle("KayanYaziGetir", [](srv::Call& c) { c.out.text(QStringLiteral("ok")); });
    };
    const auto t0 = Clock::now();
    srvtest::TestServer server(o);
    const double fillSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const std::string key = server.signIn(0);
    TSonucBilgisi who;
    who.FSirano = server.userOf(0);
    who.FCARINO = server.carinoOf(0);
    const QStringList texts = searchTexts(server.store());
    const Figures f = measure(server, key, who, texts);
    std::printf("%s: %d products (demo fill %.0f s), %lld search texts, %.1f rows per search on average\n", engine,
                products, fillSeconds, static_cast<long long>(texts.size()), f.rowsPerSearch);
    std::printf("  empty call floor (median, one client):   %.3f ms\n", f.floorMs);
    std::printf("  search, one client (median):             %.3f ms = %.1f x the floor (target at most 5 x)\n", f.oneMs,
                f.oneMs / f.floorMs);
    std::printf("  16 clients: %.0f searches/s (target at least 1000), p99 %.2f ms = %.1f x the floor (target under 50 ms)\n",
                f.perSecond, f.p99Ms, f.p99Ms / f.floorMs);
    if (f.failures)
        std::printf("  %d searches failed\n", f.failures);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they are measured, also into a file
    const int products = std::getenv("BENCH_PRODUCTS") ? std::atoi(std::getenv("BENCH_PRODUCTS")) : 200000;
    qputenv("TEZVAL_TEST_ENGINE", "sqlite");
    run("SQLite", products);
    if (!qEnvironmentVariableIsEmpty("TEZVAL_TEST_POSTGRES")) {
        qputenv("TEZVAL_TEST_ENGINE", "postgresql");
        run("PostgreSQL", products);
    } else {
        std::printf("PostgreSQL: not measured (TEZVAL_TEST_POSTGRES not set)\n");
    }
    return 0;
}
