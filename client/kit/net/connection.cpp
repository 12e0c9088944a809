// Connection to the application server over a blocking Boost.Beast HTTP/1.1 client.
#include "kit/net/connection.h"

#include "wire.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>

namespace kit {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

Error::Error(const QString& text) : std::runtime_error(text.toStdString()) {}

namespace {

constexpr std::uint32_t kHeaderLimit = 64 * 1024;

const QString kConnectTimeout = QStringLiteral("ConnectTimeout");
const QString kReadTimeout = QStringLiteral("CommunicationTimeout");

QString systemText(const error_code& ec)
{
    if (ec == beast::error::timeout)
        return QStringLiteral("zaman aşımı");
    return QString::fromLocal8Bit(ec.message());
}

std::chrono::milliseconds msParam(const QString& v, std::chrono::milliseconds fallback)
{
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok && n > 0 ? std::chrono::milliseconds(n) : fallback;
}

} // namespace

// The socket with its private event loop: every operation is started asynchronously and the loop is
// run until it ends, which gives blocking calls that the stream's deadline can interrupt.
struct Connection::Link {
    asio::io_context ioc{1};
    beast::tcp_stream stream{ioc};
    beast::flat_buffer buffer;
    std::string hostHeader;

    template <class Request>
    error_code exchange(Request& req, http::response_parser<http::string_body>& parser,
                        std::chrono::milliseconds timeout)
    {
        error_code result;
        stream.expires_after(timeout);
        http::async_write(stream, req, [&](const error_code& ec, std::size_t) {
            if (ec) {
                result = ec;
                return;
            }
            // The header on its own first: in eager mode this Beast version skips the body limit
            // when the header and the body arrive in one read.
            http::async_read_header(stream, buffer, parser, [&](const error_code& ec2, std::size_t) {
                if (ec2 || parser.is_done()) {
                    result = ec2;
                    return;
                }
                http::async_read(stream, buffer, parser, [&](const error_code& ec3, std::size_t) { result = ec3; });
            });
        });
        ioc.restart();
        ioc.run();
        return result;
    }

    void drop()
    {
        error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream.socket().close(ignored);
    }
};

Connection::Connection()
    : params_{
          {QStringLiteral("DriverName"), QStringLiteral("DataSnap")},
          {QStringLiteral("CommunicationProtocol"), QStringLiteral("tcp/ip")},
          {QStringLiteral("HostName"), QString()},
          {QStringLiteral("Port"), QStringLiteral("9090")},
          {QStringLiteral("DatasnapContext"), QStringLiteral("datasnap/")},
          {QStringLiteral("DSProxyHost"), QString()},
          {QStringLiteral("DSProxyPort"), QStringLiteral("8090")},
          {QStringLiteral("Filters"), QStringLiteral("{}")},
          {kConnectTimeout, QStringLiteral("5000")},
          {kReadTimeout, QStringLiteral("60000")},
      }
{
}

Connection::~Connection() { close(); }

QString Connection::param(const QString& name) const
{
    for (const auto& [n, v] : params_)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

void Connection::setParam(const QString& name, const QString& value)
{
    for (auto& [n, v] : params_)
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    params_.emplace_back(name, value);
}

QStringList Connection::paramNames() const
{
    QStringList names;
    for (const auto& p : params_)
        names << p.first;
    return names;
}

int Connection::port() const
{
    bool ok = false;
    const int p = param(QStringLiteral("Port")).trimmed().toInt(&ok);
    return ok && p > 0 && p < 65536 ? p : 0;
}

std::chrono::milliseconds Connection::connectTimeout() const
{
    return msParam(param(kConnectTimeout), std::chrono::milliseconds(5000));
}
void Connection::setConnectTimeout(std::chrono::milliseconds t) { setParam(kConnectTimeout, QString::number(t.count())); }

std::chrono::milliseconds Connection::readTimeout() const
{
    return msParam(param(kReadTimeout), std::chrono::milliseconds(60000));
}
void Connection::setReadTimeout(std::chrono::milliseconds t) { setParam(kReadTimeout, QString::number(t.count())); }

QString Connection::address() const
{
    return hostName() + QLatin1Char(':') + param(QStringLiteral("Port")).trimmed();
}

std::string Connection::methodPath(std::string_view op) const
{
    QString context = param(QStringLiteral("DatasnapContext"));
    if (!context.endsWith(QLatin1Char('/')))
        context += QLatin1Char('/');
    if (!context.startsWith(QLatin1Char('/')))
        context.prepend(QLatin1Char('/'));
    std::string path = context.toStdString();
    if (!op.empty()) {
        path += "rest/TServerMethods1/";
        path += op;
    }
    return path;
}

void Connection::open()
{
    close();
    const QString failed = address() + QStringLiteral(" sunucusuna bağlanılamadı: ");
    const int p = port();
    if (p == 0)
        throw ConnectionError(failed + QStringLiteral("geçersiz port numarası"));
    const std::string host = hostName().trimmed().toStdString();
    if (host.empty())
        throw ConnectionError(failed + QStringLiteral("sunucu adı verilmedi"));

    auto link = std::make_unique<Link>();
    error_code ec;
    std::vector<tcp::endpoint> endpoints;
    if (const auto ip = asio::ip::make_address(host, ec); !ec) {
        endpoints.emplace_back(ip, std::uint16_t(p));
    } else {
        tcp::resolver resolver(link->ioc);
        const auto found = resolver.resolve(host, std::to_string(p), ec);
        if (ec)
            throw ConnectionError(failed + systemText(ec));
        for (const auto& e : found)
            endpoints.push_back(e.endpoint());
    }

    link->stream.expires_after(connectTimeout());
    link->stream.async_connect(endpoints, [&](const error_code& e, const tcp::endpoint&) { ec = e; });
    link->ioc.run();
    if (ec)
        throw ConnectionError(failed + systemText(ec));
    // Without it every small request waits for the peer's delayed acknowledgement.
    link->stream.socket().set_option(tcp::no_delay(true), ec);
    link->hostHeader = host + ':' + std::to_string(p);

    http::request<http::empty_body> req{http::verb::get, methodPath({}), 11};
    req.set(http::field::host, link->hostHeader);
    req.keep_alive(true);
    http::response_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    parser.body_limit(64 * 1024);
    ec = link->exchange(req, parser, connectTimeout());
    if (ec)
        throw ConnectionError(failed + systemText(ec));
    if (parser.get().result_int() != 200)
        throw ConnectionError(failed + QStringLiteral("sunucu beklenen yanıtı vermedi (HTTP %1)")
                                           .arg(parser.get().result_int()));
    if (!parser.get().keep_alive())
        throw ConnectionError(failed + QStringLiteral("sunucu bağlantıyı açık tutmadı"));
    link_ = std::move(link);
}

void Connection::close()
{
    if (link_) {
        link_->drop();
        link_.reset();
    }
}

bool Connection::isOpen() const { return link_ && link_->stream.socket().is_open(); }

std::unique_ptr<Connection> Connection::clone() const
{
    auto c = std::make_unique<Connection>();
    c->params_ = params_;
    c->loginPrompt_ = loginPrompt_;
    c->maxResponseBytes_ = maxResponseBytes_;
    return c;
}

void Connection::setCredentials(const QString& user, const QString& password)
{
    user_ = user;
    password_ = password;
    hasCredentials_ = true;
}

std::string Connection::post(const std::string& path, std::string requestBody)
{
    if (!isOpen())
        throw ConnectionError(QStringLiteral("Sunucu bağlantısı açık değil (") + address() + QLatin1Char(')'));

    http::request<http::string_body> req{http::verb::post, path, 11};
    req.set(http::field::host, link_->hostHeader);
    req.set(http::field::content_type, "application/json; charset=utf-8");
    if (const QString key = sessionKey(); !key.isEmpty())
        req.set(http::field::authorization, "Bearer " + key.toStdString());
    else if (hasCredentials_)
        req.set(http::field::authorization,
                "Basic " + QByteArray(user_.toUtf8() + ':' + password_.toUtf8()).toBase64().toStdString());
    req.keep_alive(true);
    req.body() = std::move(requestBody);
    req.prepare_payload();

    http::response_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    parser.body_limit(maxResponseBytes_);
    const auto timeout = readTimeout();
    const error_code ec = link_->exchange(req, parser, timeout);
    if (ec) {
        // The stream is in an unknown state now; the next open starts afresh.
        close();
        QString why;
        if (ec == beast::error::timeout)
            why = QStringLiteral("%1 saniye içinde yanıt gelmedi").arg(double(timeout.count()) / 1000.0);
        else if (ec == http::error::body_limit)
            why = QStringLiteral("yanıt %1 bayt sınırını aşıyor").arg(maxResponseBytes_);
        else if (ec == http::error::end_of_stream)
            why = QStringLiteral("sunucu bağlantıyı kapattı");
        else
            why = systemText(ec);
        throw ConnectionError(address() + QStringLiteral(" sunucusuyla bağlantı koptu: ") + why);
    }

    auto res = parser.release();
    if (!res.keep_alive())
        close();
    if (res.result_int() == 200) {
        const auto issued = res["X-Session-Key"];
        if (!issued.empty()) {
            issuedKey_ = QString::fromLatin1(issued.data(), qsizetype(issued.size()));
            setSessionKey(issuedKey_);
        }
    }
    if (res.result_int() != 200) {
        QString text = wire::errorText(res.body());
        if (text.isEmpty())
            text = QStringLiteral("Sunucu hatası (HTTP %1)").arg(res.result_int());
        throw RemoteError(res.result_int(), text);
    }
    return std::move(res.body());
}

} // namespace kit
