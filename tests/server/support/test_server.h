// Test fixture: the real server in-process on a free loopback port over a fresh database, and
// small HTTP helpers that talk to it.
#pragma once

#include "http/dispatch.h"
#include "http/listener.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace store {
class Store;
}
namespace srv {
class Server;
}

namespace srvtest {

using namespace std::chrono_literals;

struct Reply {
    int status = 0; // 0: no answer came (refused, reset or timed out)
    std::string body;
    std::string sessionKey; // the X-Session-Key header, empty when the answer had none
    std::string contentType; // the Content-Type header, empty when none
};

// "Basic ..." of a user name and password, as the client sends them with its sign-in.
std::string basicAuthorization(const QString& user, const QString& password);

struct Options {
    bool demo = true;  // fill the demo data
    int demoSize = 1;  // kept small: tests want speed, not volume
    int demoProducts = 0; // catalogue size; 0: as demoSize gives
    int demoVersion = 2;
    struct Workstation {
        QString identity;
        int carino = 0; // 0: the first dealer
    };
    std::vector<Workstation> workstations; // bound after the demo fill
    int threads = 2;   // worker pool
    int ioThreads = 2; // network threads
    bool web = true;
    srv::Limits limits;
    bool log = false; // the server's line per request on standard error
    QString setupFile; // the setup program the web host hands out; empty: none
    // Runs after the built handlers are registered: lets a test add or replace handlers.
    std::function<void(srv::Dispatcher&)> handlers;
};

class TestServer {
public:
    explicit TestServer(Options options = {}); // ready to serve when it returns
    ~TestServer();                             // stops and joins every thread
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    unsigned short port() const;
    unsigned short webPort() const;
    store::Store& store();
    const srv::Server& server() const;
    // The server's handlers; change them only while no call is on its way.
    srv::Dispatcher& dispatcher();
    QString directory() const; // the temporary directory holding the database
    int carinoOf(int workstation) const; // account bound to options.workstations[workstation]
    int userOf(int workstation) const;   // the user who signs in there
    void stop();

    // One request on a connection of its own. jsonBody is the whole envelope: {"_parameters":[...]}.
    // A key, when given, goes as "Authorization: Bearer KEY".
    Reply post(const std::string& op, const std::string& jsonBody, const std::string& key = {}) const;
    // Signs in at a bound workstation (options.workstations[workstation]) with its demo credentials
    // and returns the session key; empty when the server gave none.
    std::string signIn(int workstation) const;
    // BuyukGetir for an identity with an Authorization header as given (empty: none).
    Reply buyukGetir(const QString& identity, const std::string& authorization) const;
    Reply get(const std::string& target) const;
    Reply webGet(const std::string& target) const;
    // Sends bytes as they are, ends the sending side, and returns all that came back until the server
    // closed or 5 s passed.
    std::string rawSend(std::string_view bytes) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// One kept-alive connection with requests in a row, as the client holds it between open and close.
class HttpConnection {
public:
    explicit HttpConnection(unsigned short port); // connects; isOpen() tells whether it worked
    ~HttpConnection();
    bool isOpen() const;
    Reply request(const std::string& method, const std::string& target, const std::string& body = {},
                  const std::string& authorization = {});
    Reply post(const std::string& op, const std::string& jsonBody, const std::string& key = {});

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// A raw socket for hostile input: partial requests, trickled bytes, waiting for the server to hang up.
class RawSocket {
public:
    // from: the local address to connect from (any loopback address), empty for the system's choice.
    explicit RawSocket(unsigned short port, const std::string& from = {});
    ~RawSocket();
    bool isOpen() const;
    bool send(std::string_view bytes); // false once the server has closed or reset the connection
    void finishSending();              // half-close: the server reads the end of the stream
    // Reads until the server closes, or until wait passes; returns what arrived.
    std::string readUntilClosed(std::chrono::milliseconds wait = 5s);
    // True when the server has closed the connection within wait (data it sent first is dropped).
    bool closedByServer(std::chrono::milliseconds wait);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The first column of the first row of a query with its values bound in order; invalid when no row.
QVariant scalar(store::Store& s, const QString& sql, const QVariantList& values = {});

// The HTTP status of a raw answer's first line, 0 when there is none.
int statusOf(std::string_view rawAnswer);

} // namespace srvtest
