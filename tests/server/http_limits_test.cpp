// The listener against hostile and slow clients: size limits, time-outs, connection cap, worker pool, shutdown.
#include "support/test_server.h"

#include "http/server.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;
using srvtest::HttpConnection;
using srvtest::RawSocket;
using srvtest::Reply;
using srvtest::statusOf;
using srvtest::TestServer;

const std::string kCheck = "GET /datasnap/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
const std::string kSignIn = R"({"_parameters":["WS-BILINMEYEN"]})";

srvtest::Options quiet(srv::Limits limits = {})
{
    srvtest::Options o;
    o.demo = false;
    o.web = false;
    o.limits = limits;
    return o;
}

// A server with the demo data and one bound workstation, whose session key signed-in calls carry.
srvtest::Options withWorkstation(srvtest::Options o)
{
    o.demo = true;
    o.workstations = {{QStringLiteral("WS-LIMIT-1"), 0}};
    return o;
}

// A request header that has begun and never ends.
std::string startedHeader() { return "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Yavas: "; }

TEST(HttpLimits, MalformedAndOversizedRequestsGetTheirStatus)
{
    srv::Limits limits;
    limits.bodyBytes = 1024;
    TestServer server(quiet(limits));
    struct Case {
        const char* what;
        std::string bytes;
        int status;
    };
    const Case cases[] = {
        {"not HTTP", "MERHABA DUNYA\r\n\r\n", 400},
        {"bad version", "GET /datasnap/ HTTP/9\r\n\r\n", 400},
        {"bad content length", "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\nContent-Length: -5\r\n\r\n", 400},
        {"declared body over the limit", "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\nContent-Length: 20000000\r\n\r\n", 413},
        {"chunked body over the limit",
         "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n800\r\n" +
             std::string(0x800, 'a') + "\r\n0\r\n\r\n",
         413},
        {"header over the limit", "GET /datasnap/ HTTP/1.1\r\nX-Uzun: " + std::string(20 * 1024, 'a') + "\r\n\r\n", 431},
        {"a sound request still passes", kCheck, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(statusOf(server.rawSend(c.bytes)), c.status) << c.what;

    // Through an ordinary client: a body over the limit is refused, one under it is dispatched.
    EXPECT_EQ(server.post("BuyukGetir", R"({"_parameters":[")" + std::string(2000, 'x') + "\"]}").status, 413);
    EXPECT_EQ(server.post("BuyukGetir", kSignIn).status, 200);
}

TEST(HttpLimits, GarbledInputNeverBringsTheServerDown)
{
    srvtest::Options o = withWorkstation(quiet());
    o.handlers = [](srv::Dispatcher& d) { d.handle("CariAra", [](srv::Call& c) { c.out.text(c.in.text("aranan")); }); };
    TestServer server(o);
    const std::string key = server.signIn(0);
    ASSERT_FALSE(key.empty());
    std::mt19937 random(2026); // fixed seed: a failure repeats
    const std::string envelope = QStringLiteral(R"({"_parameters":[{"type":"baglantiu.TSonucBilgisi","id":1,"fields":)"
                                                R"({"FSirano":%1,"FCARINO":%2}},"x"]})")
                                     .arg(server.userOf(0))
                                     .arg(server.carinoOf(0))
                                     .toStdString();
    ASSERT_EQ(server.post("CariAra", envelope, key).status, 200);
    for (int i = 0; i < 150; ++i) {
        // Damaged envelopes are refused as bad input or out of scope, never answered as a server fault.
        std::string body = envelope;
        for (int k = 0; k < 3; ++k)
            body[random() % body.size()] = char(random() % 256);
        const Reply r = server.post("CariAra", body, key);
        EXPECT_TRUE(r.status == 400 || r.status == 403 || r.status == 200) << r.status << " for " << body;
    }
    for (int i = 0; i < 50; ++i) {
        // Raw bytes, some behind a sound request line.
        std::string bytes = i % 2 ? "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\n" : "";
        for (int k = 0; k < 300; ++k)
            bytes += char(random() % 256);
        server.rawSend(bytes);
    }
    EXPECT_EQ(server.post("BuyukGetir", kSignIn).status, 200);
}

TEST(HttpLimits, EndlessHeaderLineIsCutOffAndTheServerGoesOn)
{
    TestServer server(quiet());
    RawSocket s(server.port());
    ASSERT_TRUE(s.send(startedHeader()));
    // Keep sending one header line; a server that buffered it all would take every byte offered.
    const std::size_t offered = 64u << 20;
    const std::string chunk(64 * 1024, 'a');
    std::size_t sent = 0;
    while (sent < offered && s.send(chunk))
        sent += chunk.size();
    EXPECT_LT(sent, offered) << "the server kept reading an endless header";
    EXPECT_EQ(server.post("BuyukGetir", kSignIn).status, 200);
}

TEST(HttpLimits, TricklingClientsDoNotHoldUpOthers)
{
    TestServer server(quiet());
    std::vector<std::unique_ptr<RawSocket>> tricklers;
    for (int i = 0; i < 8; ++i) {
        tricklers.push_back(std::make_unique<RawSocket>(server.port()));
        ASSERT_TRUE(tricklers.back()->send(startedHeader()));
    }
    std::atomic<bool> done{false};
    std::atomic<int> sendFailures{0};
    std::thread drip([&] {
        for (int round = 0; round < 400 && !done; ++round) { // bounded: at most about 8 s
            for (auto& t : tricklers)
                if (!t->send("a"))
                    ++sendFailures;
            std::this_thread::sleep_for(20ms);
        }
    });
    for (int i = 0; i < 5; ++i) {
        const Reply r = server.post("BuyukGetir", kSignIn);
        EXPECT_EQ(r.status, 200);
        EXPECT_NE(r.body.find("\"FVarmi\":false"), std::string::npos) << r.body;
    }
    done = true;
    drip.join();
    EXPECT_EQ(sendFailures.load(), 0);
    for (auto& t : tricklers)
        EXPECT_FALSE(t->closedByServer(50ms)) << "a trickler was dropped while it was within its time";
}

TEST(HttpLimits, ReadTimeOutEndsATrickleAndIdleTimeOutAQuietConnection)
{
    srv::Limits limits;
    limits.readTimeout = 300ms;
    limits.idleTimeout = 300ms;
    TestServer server(quiet(limits));

    // Bytes keep coming, but the request as a whole never completes within its time.
    RawSocket trickler(server.port());
    ASSERT_TRUE(trickler.send(startedHeader()));
    bool closed = false;
    for (int i = 0; i < 200 && !closed; ++i) // bounded: at most about 10 s
        closed = !trickler.send("a") || trickler.closedByServer(50ms);
    EXPECT_TRUE(closed);

    // A kept-alive connection that says nothing after its answer.
    RawSocket quietOne(server.port());
    ASSERT_TRUE(quietOne.send(kCheck));
    EXPECT_TRUE(quietOne.closedByServer(10s));
    EXPECT_EQ(server.get("/datasnap/").status, 200);
}

TEST(HttpLimits, ConnectionsBeyondTheCapAreClosedAtOnce)
{
    srv::Limits limits;
    limits.maxConnections = 4;
    TestServer server(quiet(limits));
    std::vector<std::unique_ptr<HttpConnection>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<HttpConnection>(server.port()));
        ASSERT_EQ(held.back()->request("GET", "/datasnap/").status, 200); // now surely counted by the server
    }
    RawSocket extra(server.port());
    ASSERT_TRUE(extra.isOpen()); // the kernel accepts; the server then hangs up
    EXPECT_TRUE(extra.closedByServer(5s));

    // The held ones keep working, and a freed place serves a newcomer.
    EXPECT_EQ(held[0]->request("GET", "/datasnap/").status, 200);
    held.pop_back();
    int status = 0;
    for (int i = 0; i < 50 && status != 200; ++i) { // the freed place opens once the server has closed its side
        status = server.get("/datasnap/").status;
        if (status != 200)
            std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(status, 200);
}

TEST(HttpLimits, KeptAliveConnectionServesRequestsInARow)
{
    TestServer server(quiet());
    HttpConnection c(server.port());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(c.post("BuyukGetir", kSignIn).status, 200);
    EXPECT_EQ(c.request("GET", "/datasnap/").status, 200);
    // A large body within the limit passes through the bounded read buffer.
    const Reply large = c.post("BuyukGetir", R"({"_parameters":[")" + std::string(4 << 20, 'x') + "\"]}");
    EXPECT_EQ(large.status, 200);
    EXPECT_NE(large.body.find("\"FVarmi\":false"), std::string::npos);
    EXPECT_TRUE(c.isOpen());
    // Two requests in one write are answered in order.
    RawSocket pipelined(server.port());
    ASSERT_TRUE(pipelined.send(kCheck + "GET /yok HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
    const std::string answer = pipelined.readUntilClosed();
    EXPECT_EQ(statusOf(answer), 200);
    EXPECT_NE(answer.find("HTTP/1.1 404"), std::string::npos) << answer;
}

TEST(HttpLimits, OneAddressCannotTakeEveryConnection)
{
    srv::Limits limits;
    limits.maxConnections = 16;
    limits.maxConnectionsPerAddress = 4;
    TestServer server(quiet(limits));
    // Another loopback address holds its whole share idle and asks for more.
    std::vector<std::unique_ptr<RawSocket>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<RawSocket>(server.port(), "127.0.0.2"));
        ASSERT_TRUE(held.back()->isOpen());
        ASSERT_TRUE(held.back()->send(kCheck));
    }
    for (auto& h : held) // each answered, so each surely counted, and still held open
        EXPECT_EQ(statusOf(h->readUntilClosed(1500ms)), 200);
    for (int i = 0; i < 3; ++i) {
        RawSocket extra(server.port(), "127.0.0.2");
        ASSERT_TRUE(extra.isOpen());
        EXPECT_TRUE(extra.closedByServer(5s)) << "connection " << i + 5 << " of one address";
    }
    // Meanwhile a client from another address is served, and so are the held connections.
    EXPECT_EQ(server.get("/datasnap/").status, 200);
    ASSERT_TRUE(held[0]->send(kCheck));
    EXPECT_EQ(statusOf(held[0]->readUntilClosed(1500ms)), 200);
}

TEST(HttpLimits, BodiesInFlightBeyondTheBudgetAre503AtOnce)
{
    srv::Limits limits;
    limits.bodyBytes = 600 * 1024;
    limits.bodyBudgetBytes = 1024 * 1024;
    TestServer server(quiet(limits));
    const auto header = [](std::size_t length) {
        return "POST /datasnap/rest/TServerMethods1/BuyukGetir HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
               std::to_string(length) + "\r\n\r\n";
    };
    const std::string body = R"({"_parameters":[")" + std::string(500 * 1024 - 20, 'x') + "\"]}";
    // Two bodies of 500 KB on their way fill the budget; a third is refused before it is read.
    RawSocket first(server.port()), second(server.port());
    ASSERT_TRUE(first.send(header(body.size()) + body.substr(0, 1000)));
    ASSERT_TRUE(second.send(header(body.size()) + body.substr(0, 1000)));
    const srv::Listener* api = server.server().api();
    for (int i = 0; i < 100 && api->bodyBytesInFlight() < 2 * body.size(); ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_EQ(api->bodyBytesInFlight(), 2 * body.size());
    RawSocket third(server.port());
    ASSERT_TRUE(third.send(header(body.size())));
    const std::string refused = third.readUntilClosed(5s);
    EXPECT_EQ(statusOf(refused), 503);
    EXPECT_NE(refused.find("yoğun"), std::string::npos);
    // A small request still fits beside them.
    EXPECT_EQ(server.post("BuyukGetir", kSignIn).status, 200);
    // The bodies that were let in complete normally and give their room back.
    ASSERT_TRUE(first.send(body.substr(1000)));
    ASSERT_TRUE(second.send(body.substr(1000)));
    first.finishSending();
    second.finishSending();
    EXPECT_EQ(statusOf(first.readUntilClosed()), 200);
    EXPECT_EQ(statusOf(second.readUntilClosed()), 200);
    EXPECT_LE(api->bodyBytesPeak(), limits.bodyBudgetBytes);
    for (int i = 0; i < 100 && api->bodyBytesInFlight() != 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(api->bodyBytesInFlight(), 0u);
    EXPECT_EQ(server.post("BuyukGetir", R"({"_parameters":[")" + std::string(500 * 1024, 'y') + "\"]}").status, 200);
}

// A handler that holds its worker until released, to stand for a slow database query.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    int entered = 0;
    bool open = false;

    void pass()
    {
        std::unique_lock lock(m);
        ++entered;
        cv.notify_all();
        cv.wait_for(lock, 60s, [&] { return open; }); // longer than a client waits for an answer
    }
    bool waitEntered(int n)
    {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 10s, [&] { return entered >= n; });
    }
    void release()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

srvtest::Options gated(Gate& gate)
{
    srvtest::Options o = withWorkstation(quiet());
    o.threads = 1;
    o.ioThreads = 1; // a call run on the network thread instead of the pool would then block everything
    o.web = true;
    o.handlers = [&gate](srv::Dispatcher& d) {
        d.handle("KayanYaziGetir", [&gate](srv::Call& c) {
            gate.pass();
            c.out.text(QStringLiteral("Hoş geldiniz"));
        });
    };
    return o;
}

TEST(HttpWorkers, BusyWorkersDoNotStallTheListener)
{
    Gate gate;
    TestServer server(gated(gate));
    const std::string key = server.signIn(0);
    auto slow = std::async(std::launch::async, [&] { return server.post("KayanYaziGetir", R"({"_parameters":[]})", key); });
    ASSERT_TRUE(gate.waitEntered(1));
    // The only worker is held, yet connection checks and the web host still answer.
    EXPECT_EQ(server.get("/datasnap/").status, 200);
    EXPECT_EQ(server.webGet("/").status, 200);
    gate.release();
    const Reply r = slow.get();
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, R"({"result":["Hoş geldiniz"]})");
}

TEST(HttpWorkers, StopFinishesTheAnswerInProgressThenRefusesNewConnections)
{
    Gate gate;
    TestServer server(gated(gate));
    const unsigned short port = server.port();
    const std::string key = server.signIn(0);
    auto inFlight = std::async(std::launch::async, [&] { return server.post("KayanYaziGetir", R"({"_parameters":[]})", key); });
    ASSERT_TRUE(gate.waitEntered(1));
    HttpConnection idle(port);
    ASSERT_EQ(idle.request("GET", "/datasnap/").status, 200);

    auto stopping = std::async(std::launch::async, [&] { server.stop(); });
    bool refused = false;
    for (int i = 0; i < 100 && !refused; ++i) { // the listener closes while the call is still held
        refused = !RawSocket(port).isOpen();
        if (!refused)
            std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(idle.request("GET", "/datasnap/").status, 0); // idle connections are closed at once
    gate.release();
    const Reply r = inFlight.get();
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, R"({"result":["Hoş geldiniz"]})");
    stopping.get();
}

} // namespace
