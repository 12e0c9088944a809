// Accept loop, connection cap and the per-connection HTTP session with its limits and time-outs.
#include "http/listener.h"

#include "wire.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace srv {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace bhttp = beast::http;
using tcp = net::ip::tcp;

HttpResponse makeResponse(const HttpRequest& req, HttpStatus status, std::string body, std::string_view contentType)
{
    HttpResponse res(status, req.version() ? req.version() : 11);
    res.set(bhttp::field::server, "tezval-sunucu");
    res.set(bhttp::field::content_type, beast::string_view(contentType.data(), contentType.size()));
    res.keep_alive(req.keep_alive());
    res.body() = std::move(body);
    res.prepare_payload();
    return res;
}

HttpResponse errorResponse(const HttpRequest& req, HttpStatus status, const QString& text)
{
    return makeResponse(req, status, wire::errorBody(text), "application/json; charset=utf-8");
}

HttpResponse methodNotAllowed(const HttpRequest& req, std::string_view allowed)
{
    HttpResponse res = errorResponse(req, HttpStatus::method_not_allowed,
                                     QStringLiteral("Bu adres yalnız %1 kabul eder").arg(QLatin1String(allowed)));
    res.set(bhttp::field::allow, beast::string_view(allowed.data(), allowed.size()));
    return res;
}

std::string_view targetPath(const HttpRequest& req)
{
    const std::string_view target(req.target().data(), req.target().size());
    return target.substr(0, target.find('?'));
}

namespace {

class Session;

// The peer's address as text; an IPv4 address seen through an IPv6 socket is written as IPv4.
std::string peerAddress(const tcp::socket& socket)
{
    beast::error_code ec;
    const tcp::endpoint e = socket.remote_endpoint(ec);
    if (ec)
        return "?";
    const net::ip::address a = e.address();
    if (a.is_v6() && a.to_v6().is_v4_mapped())
        return net::ip::make_address_v4(net::ip::v4_mapped, a.to_v6()).to_string();
    return a.to_string();
}

// What a listener shares with its sessions; it outlives both, whichever goes last.
struct Shared {
    Router router;
    Limits limits;
    std::string name;
    bool log = false;

    mutable std::mutex m;
    mutable std::condition_variable idle;
    std::unordered_map<const Session*, std::weak_ptr<Session>> live;
    std::unordered_map<std::string, std::size_t> perAddress;
    std::uint64_t bodyInFlight = 0;
    std::uint64_t bodyPeak = 0;
    bool stopping = false;

    enum class Admission { Taken, Full, AddressFull };
    Admission add(const std::shared_ptr<Session>& s, const std::string& address)
    {
        std::lock_guard lock(m);
        if (stopping || live.size() >= limits.maxConnections)
            return Admission::Full;
        std::size_t& mine = perAddress[address];
        if (mine >= limits.maxConnectionsPerAddress) {
            if (mine == 0)
                perAddress.erase(address);
            return Admission::AddressFull;
        }
        ++mine;
        live.emplace(s.get(), s);
        return Admission::Taken;
    }
    void remove(const Session* s, const std::string& address)
    {
        std::lock_guard lock(m);
        if (!live.erase(s))
            return;
        if (auto it = perAddress.find(address); it != perAddress.end() && --it->second == 0)
            perAddress.erase(it);
        if (live.empty())
            idle.notify_all();
    }
    bool reserveBody(std::uint64_t bytes)
    {
        std::lock_guard lock(m);
        if (bodyInFlight + bytes > limits.bodyBudgetBytes)
            return false;
        bodyInFlight += bytes;
        bodyPeak = std::max(bodyPeak, bodyInFlight);
        return true;
    }
    void releaseBody(std::uint64_t bytes)
    {
        std::lock_guard lock(m);
        bodyInFlight -= std::min(bodyInFlight, bytes);
    }
    bool isStopping() const
    {
        std::lock_guard lock(m);
        return stopping;
    }
};

// Log texts keep to one line and a sane length whatever the client sent.
std::string printable(std::string_view s)
{
    std::string r(s.substr(0, 200));
    for (char& c : r)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    if (s.size() > 200)
        r += "...";
    return r;
}

// A request the parser rejected, as opposed to a connection that ended or timed out.
bool isProtocolError(const beast::error_code& ec)
{
    static const auto& httpErrors = bhttp::make_error_code(bhttp::error::bad_method).category();
    return ec && ec.category() == httpErrors && ec != bhttp::error::end_of_stream && ec != bhttp::error::partial_message;
}

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket&& socket, std::shared_ptr<Shared> shared, std::string address)
        : stream_(std::move(socket)), buffer_(shared->limits.headerBytes + 64 * 1024), shared_(std::move(shared)),
          address_(std::move(address))
    {
    }
    ~Session()
    {
        releaseBody();
        shared_->remove(this, address_);
    }

    void start()
    {
        net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->awaitRequest(); });
    }

    // Asks the connection to end: at once when it is between requests, after its answer otherwise.
    void shutdown()
    {
        net::post(stream_.get_executor(), [self = shared_from_this()] {
            self->stopping_ = true;
            if (self->state_ == State::Waiting || self->state_ == State::Reading)
                self->close();
        });
    }

private:
    enum class State { Waiting, Reading, Processing, Writing, Draining, Closed };

    void awaitRequest()
    {
        if (stopping_ || shared_->isStopping())
            return close();
        state_ = State::Waiting;
        if (buffer_.size() > 0) // a pipelined request is already here
            return readRequest();
        // Waiting for a first byte runs under the idle time-out; the request itself under the read time-out.
        stream_.expires_after(shared_->limits.idleTimeout);
        stream_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
            self->buffer_.commit(n);
            if (ec)
                return self->close();
            self->readRequest();
        });
    }

    void readRequest()
    {
        state_ = State::Reading;
        parser_.emplace();
        parser_->header_limit(std::uint32_t(shared_->limits.headerBytes));
        parser_->body_limit(shared_->limits.bodyBytes);
        stream_.expires_after(shared_->limits.readTimeout);
        // The header first: the body's room is reserved from its announced length before it is read.
        bhttp::async_read_header(stream_, buffer_, *parser_,
                                 [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec)
    {
        if (ec || parser_->is_done())
            return onRead(ec);
        const auto announced = parser_->content_length();
        const std::uint64_t need = std::min<std::uint64_t>(announced ? *announced : shared_->limits.bodyBytes,
                                                           shared_->limits.bodyBytes);
        if (!shared_->reserveBody(need)) {
            if (shared_->log)
                std::fprintf(stderr, "%s %s: istek gövdeleri için ayrılan bellek dolu, 503\n", shared_->name.c_str(),
                             address_.c_str());
            return refuse(HttpStatus::service_unavailable,
                          QStringLiteral("Sunucu şu anda çok yoğun, lütfen biraz sonra tekrar deneyin"));
        }
        reservedBody_ = need;
        bhttp::async_read(stream_, buffer_, *parser_,
                          [self = shared_from_this()](beast::error_code ec2, std::size_t) { self->onRead(ec2); });
    }

    void releaseBody()
    {
        if (reservedBody_) {
            shared_->releaseBody(reservedBody_);
            reservedBody_ = 0;
        }
    }

    void onRead(beast::error_code ec)
    {
        if (ec == bhttp::error::header_limit || ec == net::error::no_buffer_space || ec == bhttp::error::buffer_overflow)
            return refuse(HttpStatus::request_header_fields_too_large, QStringLiteral("İstek başlığı çok büyük"));
        if (ec == bhttp::error::body_limit)
            return refuse(HttpStatus::payload_too_large, QStringLiteral("İstek gövdesi çok büyük"));
        if (isProtocolError(ec))
            return refuse(HttpStatus::bad_request, QStringLiteral("Geçersiz HTTP isteği: ") + QString::fromStdString(ec.message()));
        if (ec) // the peer left, went quiet past its time, or the server is stopping
            return close();
        if (stopping_ || shared_->isStopping()) // a request that arrives once stopping began is not taken on
            return close();

        state_ = State::Processing;
        HttpRequest req = parser_->release();
        parser_.reset();
        method_ = std::string(req.method_string());
        target_ = printable(req.target());
        started_ = std::chrono::steady_clock::now();
        Respond respond = [self = shared_from_this()](HttpResponse res) {
            net::post(self->stream_.get_executor(),
                      [self, res = std::move(res)]() mutable { self->write(std::move(res)); });
        };
        try {
            shared_->router(std::move(req), address_, std::move(respond));
        } catch (const std::exception& e) {
            // The router failed before handing the request on, so no answer is on its way.
            write(errorResponse(HttpRequest(), HttpStatus::internal_server_error, QString::fromUtf8(e.what())));
        }
    }

    // Answers a request that broke a limit or the protocol, then ends the connection.
    void refuse(HttpStatus status, const QString& text)
    {
        method_ = "-";
        target_ = "-";
        started_ = std::chrono::steady_clock::now();
        HttpResponse res = errorResponse(HttpRequest(), status, text);
        res.keep_alive(false);
        draining_ = true;
        write(std::move(res));
    }

    void write(HttpResponse res)
    {
        releaseBody(); // the answer is made: the request's body is done with
        if (state_ == State::Closed)
            return;
        if (stopping_ || shared_->isStopping())
            res.keep_alive(false);
        res_.emplace(std::move(res));
        state_ = State::Writing;
        stream_.expires_after(shared_->limits.readTimeout);
        bhttp::async_write(stream_, *res_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            self->onWrite(ec);
        });
    }

    void onWrite(beast::error_code ec)
    {
        logAnswer(ec);
        const bool keepAlive = res_->keep_alive();
        res_.reset();
        if (ec)
            return close();
        if (draining_)
            return drain();
        if (!keepAlive)
            return close();
        awaitRequest();
    }

    void logAnswer(beast::error_code ec) const
    {
        if (!shared_->log)
            return;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started_);
        std::fprintf(stderr, "%s %s %s %u %zu B %lld us%s%s\n", shared_->name.c_str(), method_.c_str(), target_.c_str(),
                     res_->result_int(), res_->body().size(), static_cast<long long>(us.count()), ec ? " write failed: " : "",
                     ec ? ec.message().c_str() : "");
    }

    // After refusing a request the client may still be sending it; reading a bounded amount before
    // closing lets it see the answer instead of a reset connection.
    void drain()
    {
        state_ = State::Draining;
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(std::chrono::seconds(2));
        drainSome();
    }

    void drainSome()
    {
        stream_.async_read_some(net::buffer(scratch_), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
            self->drained_ += n;
            if (ec || self->drained_ > 1024 * 1024)
                return self->close();
            self->drainSome();
        });
    }

    void close()
    {
        if (state_ == State::Closed)
            return;
        state_ = State::Closed;
        releaseBody();
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
    std::optional<HttpResponse> res_;
    std::shared_ptr<Shared> shared_;
    State state_ = State::Waiting;
    bool stopping_ = false;
    bool draining_ = false;
    std::size_t drained_ = 0;
    std::array<char, 16 * 1024> scratch_{};
    std::string address_;
    std::uint64_t reservedBody_ = 0;
    std::string method_;
    std::string target_;
    std::chrono::steady_clock::time_point started_;
};

} // namespace

struct Listener::Impl : std::enable_shared_from_this<Listener::Impl> {
    Impl(net::io_context& io, std::shared_ptr<Shared> s) : io(io), acceptor(net::make_strand(io)), retry(acceptor.get_executor()), shared(std::move(s)) {}

    void accept()
    {
        acceptor.async_accept(net::make_strand(io), [self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
            if (ec == net::error::operation_aborted || !self->acceptor.is_open())
                return;
            if (ec) {
                // Out of descriptors or a similar passing fault: pause briefly instead of spinning.
                if (self->shared->log)
                    std::fprintf(stderr, "%s accept failed: %s\n", self->shared->name.c_str(), ec.message().c_str());
                self->retry.expires_after(std::chrono::milliseconds(100));
                self->retry.async_wait([self](beast::error_code) {
                    if (self->acceptor.is_open())
                        self->accept();
                });
                return;
            }
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored); // without it every answer waits on delayed acks
            std::string address = peerAddress(socket);
            auto session = std::make_shared<Session>(std::move(socket), self->shared, address);
            switch (self->shared->add(session, address)) {
            case Shared::Admission::Taken:
                session->start();
                break;
            case Shared::Admission::Full:
                if (self->shared->log)
                    std::fprintf(stderr, "%s connection refused: limit of %zu open connections\n",
                                 self->shared->name.c_str(), self->shared->limits.maxConnections);
                break;
            case Shared::Admission::AddressFull:
                if (self->shared->log)
                    std::fprintf(stderr, "%s connection from %s refused: its share of %zu connections is taken\n",
                                 self->shared->name.c_str(), address.c_str(), self->shared->limits.maxConnectionsPerAddress);
                break;
            }
            self->accept();
        });
    }

    net::io_context& io;
    tcp::acceptor acceptor;
    net::steady_timer retry;
    std::shared_ptr<Shared> shared;
    tcp::endpoint bound;
};

Listener::Listener(net::io_context& io, std::string name, Router router, Limits limits, bool log)
{
    auto shared = std::make_shared<Shared>();
    shared->router = std::move(router);
    shared->limits = limits;
    shared->name = std::move(name);
    shared->log = log;
    d_ = std::make_shared<Impl>(io, std::move(shared));
}

Listener::~Listener() = default;

void Listener::listen(const tcp::endpoint& at)
{
    auto& a = d_->acceptor;
    a.open(at.protocol());
    a.set_option(net::socket_base::reuse_address(true));
    a.bind(at);
    a.listen(net::socket_base::max_listen_connections);
    d_->bound = a.local_endpoint();
    net::dispatch(a.get_executor(), [d = d_] { d->accept(); });
}

tcp::endpoint Listener::endpoint() const { return d_->bound; }

void Listener::stop()
{
    std::vector<std::shared_ptr<Session>> sessions;
    {
        std::lock_guard lock(d_->shared->m);
        d_->shared->stopping = true;
        for (const auto& [_, weak] : d_->shared->live)
            if (auto s = weak.lock())
                sessions.push_back(std::move(s));
    }
    net::post(d_->acceptor.get_executor(), [d = d_] {
        beast::error_code ignored;
        d->acceptor.close(ignored);
        d->retry.cancel();
    });
    for (const auto& s : sessions)
        s->shutdown();
}

std::size_t Listener::connections() const
{
    std::lock_guard lock(d_->shared->m);
    return d_->shared->live.size();
}

std::uint64_t Listener::bodyBytesInFlight() const
{
    std::lock_guard lock(d_->shared->m);
    return d_->shared->bodyInFlight;
}

std::uint64_t Listener::bodyBytesPeak() const
{
    std::lock_guard lock(d_->shared->m);
    return d_->shared->bodyPeak;
}

bool Listener::waitUntilIdle(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(d_->shared->m);
    return d_->shared->idle.wait_for(lock, limit, [&] { return d_->shared->live.empty(); });
}

} // namespace srv
