// The application server: the operations listener, the web host and the worker pool behind them.
#pragma once

#include "http/listener.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace store {
class Store;
}

namespace srv {

class Dispatcher;

struct Endpoint {
    std::string host = "127.0.0.1"; // a numeric address or a name to resolve
    unsigned short port = 0;        // 0: any free port, see Server::port()
};

struct ServerOptions {
    Endpoint listen{"127.0.0.1", 9090};
    std::optional<Endpoint> web = Endpoint{"127.0.0.1", 9091}; // none: no web host
    int threads = 4;   // worker pool for database work
    int ioThreads = 2; // network I/O
    Limits limits;
    bool log = true; // one line per request on standard error
    std::chrono::milliseconds shutdownGrace{10000}; // how long stop() lets answers in progress finish
    QString setupFile; // the setup program the web host hands out; empty: none
};

class Server {
public:
    // store and dispatcher must outlive the server.
    Server(store::Store& store, const Dispatcher& dispatcher, ServerOptions options);
    ~Server(); // stops when still running
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds both ports and starts serving; throws std::runtime_error when an address cannot be bound.
    void start();
    unsigned short port() const;    // the bound operations port
    unsigned short webPort() const; // the bound web port, 0 without a web host
    const Listener* api() const;    // the operations listener once started, for its figures
    // Stops accepting, lets requests in progress finish within the grace time, and joins every thread.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace srv
