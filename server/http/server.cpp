// The application server: routes operation calls to the worker pool and runs both listeners.
#include "http/server.h"

#include "http/dispatch.h"
#include "web/site.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/http/verb.hpp>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace srv {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using boost::beast::http::verb;

namespace {

constexpr std::string_view kJson = "application/json; charset=utf-8";
constexpr std::string_view kOperationPrefix = "/datasnap/rest/TServerMethods1/";

// The client checks the server with GET /datasnap/ on open; calls are POSTs under kOperationPrefix.
Router operationsRouter(const Dispatcher& dispatcher, store::Store& store, net::thread_pool& workers)
{
    return [&dispatcher, &store, &workers](HttpRequest req, const std::string& peer, Respond respond) {
        const std::string_view path = targetPath(req);
        if (path == "/datasnap" || path == "/datasnap/") {
            if (req.method() != verb::get)
                return respond(methodNotAllowed(req, "GET"));
            return respond(makeResponse(req, HttpStatus::ok, R"({"server":"tezval-sunucu"})", kJson));
        }
        if (path.substr(0, kOperationPrefix.size()) == kOperationPrefix) {
            std::string op(path.substr(kOperationPrefix.size()));
            if (!op.empty() && op.back() == '/')
                op.pop_back();
            if (req.method() != verb::post)
                return respond(methodNotAllowed(req, "POST"));
            // Database work leaves the network threads, so a slow query holds up no other connection.
            net::post(workers, [&dispatcher, &store, op = std::move(op), req = std::move(req), peer = QString::fromStdString(peer),
                                 respond = std::move(respond)] {
                try {
                    const auto auth = req[boost::beast::http::field::authorization];
                    Dispatcher::Answer a = dispatcher.dispatch(
                        Request{op, req.body(), std::string_view(auth.data(), auth.size()), peer}, store);
                    HttpResponse res = makeResponse(req, HttpStatus(a.status), std::move(a.body), kJson);
                    if (!a.sessionKey.empty())
                        res.set("X-Session-Key", a.sessionKey);
                    // Answers carry account data and keys: no cache on the way may keep them.
                    res.set(boost::beast::http::field::cache_control, "no-store");
                    respond(std::move(res));
                } catch (const std::exception& e) {
                    respond(errorResponse(req, HttpStatus::internal_server_error, QString::fromUtf8(e.what())));
                }
            });
            return;
        }
        respond(errorResponse(req, HttpStatus::not_found,
                              QStringLiteral("Bulunamadı: ") + QString::fromUtf8(path.data(), qsizetype(path.size()))));
    };
}

tcp::endpoint resolve(net::io_context& io, const Endpoint& e)
{
    tcp::resolver resolver(io);
    const auto results = resolver.resolve(e.host, std::to_string(e.port), tcp::resolver::passive | tcp::resolver::numeric_service);
    if (results.empty())
        throw std::runtime_error(e.host + ": adres çözümlenemedi");
    return results.begin()->endpoint();
}

std::string describe(const Endpoint& e) { return e.host + ':' + std::to_string(e.port); }

} // namespace

struct Server::Impl {
    Impl(store::Store& s, const Dispatcher& d, ServerOptions o)
        : store(s), dispatcher(d), options(std::move(o)), workers(std::size_t(std::max(1, options.threads)))
    {
    }

    void listen(std::unique_ptr<Listener>& slot, const char* name, Router router, const Endpoint& at)
    {
        slot = std::make_unique<Listener>(io, name, std::move(router), options.limits, options.log);
        try {
            slot->listen(resolve(io, at));
        } catch (const std::exception& e) {
            throw std::runtime_error(describe(at) + " dinlenemiyor: " + e.what());
        }
    }

    void runIo()
    {
        for (;;) {
            try {
                io.run();
                return;
            } catch (const std::exception& e) {
                // A handler that throws must not take the whole server down with it.
                std::fprintf(stderr, "tezval-sunucu: ağ iş parçacığında hata: %s\n", e.what());
            }
        }
    }

    store::Store& store;
    const Dispatcher& dispatcher;
    ServerOptions options;
    net::io_context io;
    std::optional<net::executor_work_guard<net::io_context::executor_type>> keepRunning;
    net::thread_pool workers;
    std::unique_ptr<Listener> api;
    std::unique_ptr<Listener> web;
    std::vector<std::thread> ioThreads;
    std::mutex lifecycle;
    bool running = false;
};

Server::Server(store::Store& store, const Dispatcher& dispatcher, ServerOptions options)
    : d_(std::make_unique<Impl>(store, dispatcher, std::move(options)))
{
}

Server::~Server() { stop(); }

void Server::start()
{
    std::lock_guard lock(d_->lifecycle);
    if (d_->running)
        return;
    auto& o = d_->options;
    d_->listen(d_->api, "api", operationsRouter(d_->dispatcher, d_->store, d_->workers), o.listen);
    if (o.web)
        d_->listen(d_->web, "web", siteRouter(WebContext{d_->store, d_->workers, o.setupFile}), *o.web);
    d_->keepRunning.emplace(d_->io.get_executor());
    for (int i = 0; i < std::max(1, o.ioThreads); ++i)
        d_->ioThreads.emplace_back([this] { d_->runIo(); });
    d_->running = true;
}

unsigned short Server::port() const { return d_->api ? d_->api->endpoint().port() : 0; }

const Listener* Server::api() const { return d_->api.get(); }

unsigned short Server::webPort() const { return d_->web ? d_->web->endpoint().port() : 0; }

void Server::stop()
{
    std::lock_guard lock(d_->lifecycle);
    if (!d_->running)
        return;
    d_->running = false;
    std::vector<Listener*> listeners;
    for (auto* l : {d_->api.get(), d_->web.get()})
        if (l)
            listeners.push_back(l);
    for (auto* l : listeners)
        l->stop();
    const auto deadline = std::chrono::steady_clock::now() + d_->options.shutdownGrace;
    bool drained = true;
    for (auto* l : listeners) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        drained = l->waitUntilIdle(std::max(left, std::chrono::milliseconds(0))) && drained;
    }
    d_->keepRunning.reset();
    if (!drained) {
        std::fprintf(stderr, "tezval-sunucu: bekleme süresi doldu, açık bağlantılar kapatılıyor\n");
        d_->io.stop();
    }
    for (auto& t : d_->ioThreads)
        t.join();
    d_->ioThreads.clear();
    d_->workers.join();
}

} // namespace srv
