// HTTP/1.1 listener: accepts connections and reads requests within limits, then hands each to a router.
#pragma once

#include <QString>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace srv {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;
using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;
using HttpStatus = boost::beast::http::status;

// Delivers the answer to a request; may be called from any thread, exactly once.
using Respond = std::function<void(HttpResponse)>;
// Decides the answer to one request from the peer's address. It may answer at once or hand the work
// to another thread.
using Router = std::function<void(HttpRequest, const std::string& peer, Respond)>;

struct Limits {
    std::size_t headerBytes = 16 * 1024;
    std::uint64_t bodyBytes = 16 * 1024 * 1024;
    std::chrono::milliseconds readTimeout{30000}; // a whole request, from its first byte; also each answer's write
    std::chrono::milliseconds idleTimeout{60000}; // a kept-alive connection waiting for its next request
    std::size_t maxConnections = 1024;            // connections beyond this are closed as they arrive
    // One address's share of the connections, so that one host cannot hold every slot. Behind a
    // reverse proxy every connection comes from the proxy: raise it there to maxConnections.
    std::size_t maxConnectionsPerAddress = 64;
    // Request bodies being received or handled, all connections together; a request whose body
    // would pass it gets 503 at once, before its body is read.
    std::uint64_t bodyBudgetBytes = 64 * 1024 * 1024;
};

// An answer to req with its version and keep-alive, the length set.
HttpResponse makeResponse(const HttpRequest& req, HttpStatus status, std::string body, std::string_view contentType);
// The JSON error answer {"error":text}.
HttpResponse errorResponse(const HttpRequest& req, HttpStatus status, const QString& text);
// 405 with the Allow header naming the one method the path takes.
HttpResponse methodNotAllowed(const HttpRequest& req, std::string_view allowed);
// The path part of the request target, without the query.
std::string_view targetPath(const HttpRequest& req);

class Listener {
public:
    // name tags the log lines; log false keeps the listener quiet.
    Listener(boost::asio::io_context& io, std::string name, Router router, Limits limits, bool log);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Binds and starts accepting; throws boost::system::system_error when the address cannot be bound.
    void listen(const boost::asio::ip::tcp::endpoint& at);
    boost::asio::ip::tcp::endpoint endpoint() const;

    // Stops accepting and closes every connection after the answer it is working on, if any.
    void stop();
    std::size_t connections() const;
    // Body bytes reserved by requests in progress, now and at most so far.
    std::uint64_t bodyBytesInFlight() const;
    std::uint64_t bodyBytesPeak() const;
    // Waits until no connection is left; false when the time ran out first.
    bool waitUntilIdle(std::chrono::milliseconds limit) const;

private:
    struct Impl;
    std::shared_ptr<Impl> d_;
};

} // namespace srv
