// Connection to the application server: its settings, open / close, clone, and one remote call.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kit {

// Base of the failures of the remote machinery; what() is UTF-8 text meant for people.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text);
    QString text() const { return QString::fromUtf8(what()); }
};

// The connection could not be opened, is not open, or broke during a call.
class ConnectionError : public Error {
public:
    using Error::Error;
};

// The server answered a call with a failure status; the text is the server's own.
class RemoteError : public Error {
public:
    RemoteError(int status, const QString& text) : Error(text), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// A blocking HTTP/1.1 client connection. One connection belongs to one thread at a time: it is not
// thread-safe by design, and background work uses its own clone().
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Named settings ("DriverName", "HostName", "Port", "DatasnapContext", ...), in insertion order.
    QString param(const QString& name) const; // empty when not set
    void setParam(const QString& name, const QString& value);
    QStringList paramNames() const;

    // Typed views of the settings the client needs.
    QString hostName() const { return param(QStringLiteral("HostName")); }
    void setHostName(const QString& host) { setParam(QStringLiteral("HostName"), host); }
    int port() const; // 0 when the setting is not a valid port number
    void setPort(int port) { setParam(QStringLiteral("Port"), QString::number(port)); }
    std::chrono::milliseconds connectTimeout() const;
    void setConnectTimeout(std::chrono::milliseconds t);
    std::chrono::milliseconds readTimeout() const; // per request, from sending it to the last byte of the answer
    void setReadTimeout(std::chrono::milliseconds t);
    bool loginPrompt() const { return loginPrompt_; }
    void setLoginPrompt(bool on) { loginPrompt_ = on; }
    std::size_t maxResponseBytes() const { return maxResponseBytes_; }
    void setMaxResponseBytes(std::size_t n) { maxResponseBytes_ = n; }

    // Connects and checks that the server answers; throws ConnectionError. Opening an open
    // connection first drops the old one.
    void open();
    void close(); // drops the connection; closing a closed connection does nothing
    bool isOpen() const;

    // Same settings, closed.
    std::unique_ptr<Connection> clone() const;

    // Path of an operation, e.g. "/datasnap/rest/TServerMethods1/BuyukGetir".
    std::string methodPath(std::string_view op) const;
    // Posts a request body to a path of this server and returns the answer's body. Throws
    // ConnectionError when not open or when the connection breaks (it is then closed), and
    // RemoteError for a non-200 answer (the connection stays usable when the server keeps it).
    std::string post(const std::string& path, std::string requestBody);
    std::string call(std::string_view op, std::string requestBody) { return post(methodPath(op), std::move(requestBody)); }

    // "host:port", for messages.
    QString address() const;

    // The session key the server handed out at sign-in. It is a setting, so clones carry it, and every
    // call sends it ("Authorization: Bearer").
    QString sessionKey() const { return param(QStringLiteral("SessionKey")); }
    void setSessionKey(const QString& key) { setParam(QStringLiteral("SessionKey"), key); }
    // User name and password for the sign-in call ("Authorization: Basic", UTF-8), sent while no
    // session key is set. Set them only on the connection that signs in; clones do not carry them.
    void setCredentials(const QString& user, const QString& password);
    // The session key of the last answer that carried one, adopted as this connection's key.
    // Empty when no answer did.
    QString issuedSessionKey() const { return issuedKey_; }

private:
    struct Link;
    std::vector<std::pair<QString, QString>> params_;
    bool loginPrompt_ = false;
    std::size_t maxResponseBytes_ = std::size_t(256) << 20;
    std::unique_ptr<Link> link_;
    QString user_, password_;
    bool hasCredentials_ = false;
    QString issuedKey_;
};

} // namespace kit
