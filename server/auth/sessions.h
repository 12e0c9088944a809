// Session keys and the throttling of failed sign-ins, both kept in the database so that several
// server processes share them.
#pragma once

#include "auth/principal.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <mutex>
#include <unordered_map>
#include <optional>
#include <string>
#include <string_view>

namespace store {
class Store;
}

namespace auth {

constexpr std::chrono::hours kSessionIdle{12};
constexpr std::chrono::hours kSessionLifetime{24 * 7};
constexpr int kFailedSignInLimit = 5;
constexpr std::chrono::minutes kFailedSignInWindow{15};

// Sessions this process has found lately, so that a caller's calls do not each ask the database. An
// entry is trusted for `keep`; after that the database is asked again, so a session ended elsewhere
// (a user switched off, a workstation bound to someone else) ends here within that time.
class SessionCache {
public:
    explicit SessionCache(std::chrono::milliseconds keep = std::chrono::seconds(2)) : keep_(keep) {}
    std::optional<Principal> find(store::Store& s, std::string_view key);

private:
    struct Entry {
        Principal principal;
        std::chrono::steady_clock::time_point found;
    };
    std::chrono::milliseconds keep_;
    std::mutex m_;
    std::unordered_map<std::string, Entry> entries_;
};

// A new session for p: returns the key (64 hexadecimal digits, 256 random bits); only its hash is stored.
std::string openSession(store::Store& s, const Principal& p);
// The caller a key stands for, or nothing for an unknown, expired or revoked key. A key stays valid
// while its user and account are active and its workstation is still bound to that user.
std::optional<Principal> findSession(store::Store& s, std::string_view key);
// The stored form of a key.
QString keyHash(std::string_view key);

// Failed sign-ins, per workstation and per source address.
bool signInThrottled(store::Store& s, const QString& workstation, const QString& address);
void recordFailedSignIn(store::Store& s, const QString& workstation, const QString& address);
void clearFailedSignIns(store::Store& s, const QString& workstation);

// Times as the session and attempt tables store them (UTC, ISO 8601 text, sorting in time order).
QString storedTime(const QDateTime& t);

} // namespace auth
