// The outbox of requests (table ISTEK): relaying its rows to an SMTP server, listing them, and applying a
// requested password.
#pragma once

#include "mail/message.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace store {
class Store;
}

namespace mail {

struct RelaySettings {
    QString url;      // smtp://host:port or smtps://host:port; empty: no relay
    QString from;     // the server's sender address
    QString to;       // the wholesaler's address the requests go to
    QString user;     // relay login, empty for none
    QString password;
    int attempts = 5;                       // tries before a row is marked failed
    std::chrono::seconds backoff{60};       // wait after the first failure, doubled after each further one
    std::chrono::seconds timeout{60};       // one delivery attempt at most
};

// Request kinds and states as the ISTEK table stores them.
enum Kind { MailKind = 1, PasswordKind = 2 };
enum State { Waiting = 0, Relayed = 1, Failed = 2 };

// The mail a stored request becomes; a password request never carries the password.
Mail mailForRequest(store::Store& s, int id, const RelaySettings& settings);

// One delivery through libcurl's SMTP client, STARTTLS when the relay offers it. Empty on success,
// else the reason.
QString deliver(const RelaySettings& settings, const QByteArray& message);

class Outbox {
public:
    Outbox(store::Store& s, RelaySettings settings, std::function<void(const QString&)> log);
    ~Outbox(); // stops the background thread
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Relays every waiting row that is due; returns how many it tried. Rows are claimed first, so two
    // servers over one database never send the same row at once.
    int relayDue();
    // Relays due rows on a thread of its own until destroyed, looking again every poll.
    void start(std::chrono::milliseconds poll = std::chrono::milliseconds(1000));
    void stop();

private:
    store::Store& store_;
    RelaySettings settings_;
    std::function<void(const QString&)> log_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

// The outbox as text lines for the server's command: number, time, kind, state, workstation, user,
// subject, attempts, error. Password hashes are not shown.
std::string listing(store::Store& s);

// Applies the password hash of password request id to the user who sent it and ends that user's
// sessions. Answers the user name; throws store::StoreError with the reason when it cannot.
QString applyRequestedPassword(store::Store& s, int id);

} // namespace mail
