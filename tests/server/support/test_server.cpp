// Test fixture: temporary database, in-process server on loopback, and deadline-bound HTTP helpers.
#include "test_server.h"
#include "test_database.h"

#include "demo/demo.h"
#include "http/server.h"
#include "store/store.h"
#include "wire.h"

#include <QSqlQuery>
#include <QVariant>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <array>
#include <charconv>
#include <stdexcept>

namespace srvtest {

namespace net = boost::asio;
namespace bhttp = boost::beast::http;
using tcp = net::ip::tcp;
using boost::system::error_code;

namespace {

constexpr auto kCallWait = std::chrono::seconds(30);

// Runs one asynchronous operation on io to completion or until wait passes, whichever is first;
// a helper never blocks a test for ever, whatever the server does.
template <class Start>
error_code withDeadline(net::io_context& io, tcp::socket& s, std::chrono::milliseconds wait, Start start,
                        std::size_t* transferred = nullptr)
{
    error_code result;
    bool done = false;
    bool timedOut = false;
    net::steady_timer timer(io, wait);
    timer.async_wait([&](error_code ec) {
        if (!ec && !done) {
            timedOut = true;
            error_code ignored;
            s.cancel(ignored);
        }
    });
    start([&](error_code ec, auto... n) {
        done = true;
        result = ec;
        if constexpr (sizeof...(n) == 1)
            if (transferred)
                *transferred = (n, ...);
        timer.cancel();
    });
    io.restart();
    io.run();
    return timedOut ? error_code(net::error::timed_out) : result;
}

tcp::endpoint loopback(unsigned short port) { return {net::ip::make_address_v4("127.0.0.1"), port}; }

} // namespace

QVariant scalar(store::Store& s, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = store::prepare(s.db(), sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    store::exec(q);
    const QVariant v = q.next() ? q.value(0) : QVariant();
    q.finish();
    return v;
}

int statusOf(std::string_view raw)
{
    // "HTTP/1.1 431 Request Header Fields Too Large"
    if (raw.substr(0, 5) != "HTTP/" || raw.size() < 12)
        return 0;
    const auto space = raw.find(' ');
    int status = 0;
    if (space == std::string_view::npos || space + 4 > raw.size())
        return 0;
    std::from_chars(raw.data() + space + 1, raw.data() + space + 4, status);
    return status;
}

// ---- raw socket ----

struct RawSocket::Impl {
    net::io_context io;
    tcp::socket socket{io};
    bool open = false;
};

RawSocket::RawSocket(unsigned short port, const std::string& from) : d_(std::make_unique<Impl>())
{
    if (!from.empty()) {
        error_code bindFailed;
        d_->socket.open(tcp::v4(), bindFailed);
        if (!bindFailed)
            d_->socket.bind(tcp::endpoint(net::ip::make_address_v4(from), 0), bindFailed);
        if (bindFailed)
            return;
    }
    const error_code ec = withDeadline(d_->io, d_->socket, kCallWait,
                                       [&](auto h) { d_->socket.async_connect(loopback(port), h); });
    d_->open = !ec;
}

RawSocket::~RawSocket() = default;

bool RawSocket::isOpen() const { return d_->open; }

bool RawSocket::send(std::string_view bytes)
{
    if (!d_->open)
        return false;
    const error_code ec = withDeadline(d_->io, d_->socket, std::chrono::seconds(5), [&](auto h) {
        net::async_write(d_->socket, net::buffer(bytes.data(), bytes.size()), h);
    });
    if (ec)
        d_->open = false;
    return !ec;
}

void RawSocket::finishSending()
{
    error_code ignored;
    d_->socket.shutdown(tcp::socket::shutdown_send, ignored);
}

std::string RawSocket::readUntilClosed(std::chrono::milliseconds wait)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::array<char, 16 * 1024> chunk{};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds(0))
            break;
        std::size_t n = 0;
        const error_code ec = withDeadline(
            d_->io, d_->socket, left, [&](auto h) { d_->socket.async_read_some(net::buffer(chunk), h); }, &n);
        got.append(chunk.data(), n);
        if (ec)
            break;
    }
    return got;
}

bool RawSocket::closedByServer(std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::array<char, 16 * 1024> chunk{};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds(0))
            return false;
        const error_code ec =
            withDeadline(d_->io, d_->socket, left, [&](auto h) { d_->socket.async_read_some(net::buffer(chunk), h); });
        if (ec == net::error::timed_out)
            return false;
        if (ec) { // end of stream or a reset: either way the server hung up
            d_->open = false;
            return true;
        }
    }
}

// ---- kept-alive connection ----

struct HttpConnection::Impl {
    net::io_context io;
    tcp::socket socket{io};
    boost::beast::flat_buffer buffer;
    bool open = false;
    unsigned short port = 0;
};

HttpConnection::HttpConnection(unsigned short port) : d_(std::make_unique<Impl>())
{
    d_->port = port;
    const error_code ec = withDeadline(d_->io, d_->socket, kCallWait,
                                       [&](auto h) { d_->socket.async_connect(loopback(port), h); });
    d_->open = !ec;
    if (d_->open)
        d_->socket.set_option(tcp::no_delay(true));
}

HttpConnection::~HttpConnection() = default;

bool HttpConnection::isOpen() const { return d_->open; }

Reply HttpConnection::request(const std::string& method, const std::string& target, const std::string& body,
                              const std::string& authorization)
{
    Reply reply;
    if (!d_->open)
        return reply;
    bhttp::request<bhttp::string_body> req(bhttp::string_to_verb(method), target, 11);
    req.set(bhttp::field::host, "127.0.0.1:" + std::to_string(d_->port));
    if (!body.empty())
        req.set(bhttp::field::content_type, "application/json");
    if (!authorization.empty())
        req.set(bhttp::field::authorization, authorization);
    req.body() = body;
    req.prepare_payload();
    error_code ec = withDeadline(d_->io, d_->socket, kCallWait, [&](auto h) { bhttp::async_write(d_->socket, req, h); });
    bhttp::response<bhttp::string_body> res;
    if (!ec)
        ec = withDeadline(d_->io, d_->socket, kCallWait, [&](auto h) { bhttp::async_read(d_->socket, d_->buffer, res, h); });
    if (ec) {
        d_->open = false;
        return reply;
    }
    if (!res.keep_alive())
        d_->open = false;
    reply.status = int(res.result_int());
    reply.body = std::move(res.body());
    reply.sessionKey = std::string(res["X-Session-Key"]);
    reply.contentType = std::string(res[bhttp::field::content_type]);
    return reply;
}

Reply HttpConnection::post(const std::string& op, const std::string& jsonBody, const std::string& key)
{
    return request("POST", "/datasnap/rest/TServerMethods1/" + op, jsonBody, key.empty() ? key : "Bearer " + key);
}

std::string basicAuthorization(const QString& user, const QString& password)
{
    return "Basic " + QByteArray(user.toUtf8() + ':' + password.toUtf8()).toBase64().toStdString();
}

// ---- server ----

struct TestServer::Impl {
    Options options;
    testdb::Database database; // of the chosen engine; outlives the store, which must close first
    std::unique_ptr<store::Store> store;
    srv::Dispatcher dispatcher;
    std::unique_ptr<srv::Server> server;
    std::vector<int> carinos;
};

TestServer::TestServer(Options options) : d_(std::make_unique<Impl>())
{
    d_->options = std::move(options);
    const Options& o = d_->options;
    d_->store = std::make_unique<store::Store>(d_->database.url());
    d_->store->migrate();
    if (o.demo) {
        demo::Options demoOptions;
        demoOptions.size = o.demoSize;
        demoOptions.products = o.demoProducts;
        demoOptions.version = o.demoVersion;
        demo::fill(*d_->store, demoOptions);
    }
    for (const auto& w : o.workstations)
        d_->carinos.push_back(demo::bindWorkstation(*d_->store, w.identity, w.carino));

    srv::registerMethods(d_->dispatcher);
    if (!o.log)
        d_->dispatcher.setLog({});
    if (o.handlers)
        o.handlers(d_->dispatcher);

    srv::ServerOptions so;
    so.listen = srv::Endpoint{"127.0.0.1", 0};
    if (o.web)
        so.web = srv::Endpoint{"127.0.0.1", 0};
    else
        so.web.reset();
    so.threads = o.threads;
    so.ioThreads = o.ioThreads;
    so.limits = o.limits;
    so.log = o.log;
    so.setupFile = o.setupFile;
    d_->server = std::make_unique<srv::Server>(*d_->store, d_->dispatcher, so);
    d_->server->start(); // the sockets listen once start() returns
}

TestServer::~TestServer() { stop(); }

unsigned short TestServer::port() const { return d_->server->port(); }
unsigned short TestServer::webPort() const { return d_->server->webPort(); }
store::Store& TestServer::store() { return *d_->store; }
const srv::Server& TestServer::server() const { return *d_->server; }
srv::Dispatcher& TestServer::dispatcher() { return d_->dispatcher; }
QString TestServer::directory() const { return d_->database.directory(); }
int TestServer::carinoOf(int workstation) const { return d_->carinos.at(std::size_t(workstation)); }

int TestServer::userOf(int workstation) const
{
    QSqlQuery q = store::prepare(d_->store->db(), QStringLiteral("SELECT KULLANICINO FROM BILGISAYAR WHERE BILGISAYARID = ?"));
    q.addBindValue(d_->options.workstations.at(std::size_t(workstation)).identity);
    store::exec(q);
    return q.next() ? q.value(0).toInt() : 0;
}

void TestServer::stop()
{
    if (d_->server)
        d_->server->stop();
}

Reply TestServer::post(const std::string& op, const std::string& jsonBody, const std::string& key) const
{
    return HttpConnection(port()).post(op, jsonBody, key);
}

Reply TestServer::buyukGetir(const QString& identity, const std::string& authorization) const
{
    wire::MessageWriter call("_parameters");
    call.text(identity);
    return HttpConnection(port()).request("POST", "/datasnap/rest/TServerMethods1/BuyukGetir", call.finish(), authorization);
}

std::string TestServer::signIn(int workstation) const
{
    const QString identity = d_->options.workstations.at(std::size_t(workstation)).identity;
    const demo::Credentials c = demo::credentialsFor(*d_->store, identity);
    return buyukGetir(identity, basicAuthorization(c.user, c.password)).sessionKey;
}

Reply TestServer::get(const std::string& target) const { return HttpConnection(port()).request("GET", target); }

Reply TestServer::webGet(const std::string& target) const { return HttpConnection(webPort()).request("GET", target); }

std::string TestServer::rawSend(std::string_view bytes) const
{
    RawSocket s(port());
    s.send(bytes);
    s.finishSending();
    return s.readUntilClosed();
}

} // namespace srvtest
