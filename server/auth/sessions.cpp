// Session keys (hashed, with idle and absolute expiry) and failed sign-in counts in the database.
#include "auth/sessions.h"

#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

#include <sodium.h>

#include <stdexcept>

namespace auth {

namespace {

// Last use is written at most this often: a session's calls stay reads, and the idle expiry of
// hours does not need it more exact.
constexpr std::chrono::seconds kTouchEvery{60};

QDateTime now() { return QDateTime::currentDateTimeUtc(); }

QDateTime minus(const QDateTime& t, std::chrono::seconds d) { return t.addSecs(-qint64(d.count())); }

bool isKeyText(std::string_view key)
{
    if (key.size() != 2 * 32)
        return false;
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

QString storedTime(const QDateTime& t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")); }

QString keyHash(std::string_view key)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(key.data()), key.size());
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}

std::string openSession(store::Store& s, const Principal& p)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
    unsigned char random[32];
    randombytes_buf(random, sizeof random);
    const std::string key = QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex().toStdString();
    const QDateTime t = now();
    store::inTransaction(s, [&](QSqlDatabase& db) {
        // Expired sessions go when a new one comes, so the table holds only live ones and their peers.
        QSqlQuery old = store::prepare(db, QStringLiteral("DELETE FROM OTURUM WHERE BITIS < ? OR SONKULLANIM < ?"));
        old.addBindValue(storedTime(t));
        old.addBindValue(storedTime(minus(t, kSessionIdle)));
        store::exec(old);
        QSqlQuery q = store::prepare(db, QStringLiteral(
            "INSERT INTO OTURUM (ANAHTAR, KULLANICINO, CARINO, BILGISAYARID, OLUSTURMA, SONKULLANIM, BITIS) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)"));
        q.addBindValue(keyHash(key));
        q.addBindValue(p.user);
        q.addBindValue(p.account);
        q.addBindValue(p.workstation);
        q.addBindValue(storedTime(t));
        q.addBindValue(storedTime(t));
        q.addBindValue(storedTime(t.addSecs(qint64(std::chrono::seconds(kSessionLifetime).count()))));
        store::exec(q);
    });
    return key;
}

std::optional<Principal> findSession(store::Store& s, std::string_view key)
{
    if (!isKeyText(key))
        return std::nullopt;
    const QDateTime t = now();
    const QString hash = keyHash(key);
    const QSqlDatabase db = s.db();
    QSqlQuery& q = store::cachedQuery(db, QStringLiteral(
        "SELECT k.SIRANO, k.KULLANICIADI, k.CARINO, k.MUSTERITIPI, k.SATICINO, o.BILGISAYARID, o.SONKULLANIM "
        "FROM OTURUM o JOIN KULLANICI k ON k.SIRANO = o.KULLANICINO JOIN CARI c ON c.CARINO = k.CARINO "
        "JOIN BILGISAYAR b ON b.BILGISAYARID = o.BILGISAYARID AND b.KULLANICINO = o.KULLANICINO "
        "WHERE o.ANAHTAR = ? AND o.BITIS > ? AND o.SONKULLANIM > ? AND k.AKTIF = 1 AND c.AKTIF = 1"));
    q.bindValue(0, hash);
    q.bindValue(1, storedTime(t));
    q.bindValue(2, storedTime(minus(t, kSessionIdle)));
    store::exec(q);
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    Principal p;
    p.user = q.value(0).toInt();
    p.userName = q.value(1).toString();
    p.account = q.value(2).toInt();
    p.type = q.value(3).toInt();
    p.representative = q.value(4).isNull() ? 0 : q.value(4).toInt();
    p.workstation = q.value(5).toString();
    const QString lastUse = q.value(6).toString();
    q.finish();
    if (lastUse < storedTime(minus(t, kTouchEvery))) {
        QSqlQuery& touch = store::cachedQuery(db, QStringLiteral("UPDATE OTURUM SET SONKULLANIM = ? WHERE ANAHTAR = ?"));
        touch.bindValue(0, storedTime(t));
        touch.bindValue(1, hash);
        store::exec(touch);
        touch.finish();
    }
    return p;
}

std::optional<Principal> SessionCache::find(store::Store& s, std::string_view key)
{
    const auto now = std::chrono::steady_clock::now();
    const std::string k(key);
    {
        std::lock_guard lock(m_);
        if (auto it = entries_.find(k); it != entries_.end()) {
            if (now - it->second.found < keep_)
                return it->second.principal;
            entries_.erase(it);
        }
    }
    std::optional<Principal> p = findSession(s, key);
    if (p) {
        std::lock_guard lock(m_);
        // Bounded: the stale entries go first, and all of them when that is not enough.
        if (entries_.size() >= 10000) {
            std::erase_if(entries_, [&](const auto& e) { return now - e.second.found >= keep_; });
            if (entries_.size() >= 10000)
                entries_.clear();
        }
        entries_[k] = Entry{*p, now};
    }
    return p;
}

bool signInThrottled(store::Store& s, const QString& workstation, const QString& address)
{
    QSqlQuery& q = store::cachedQuery(s.db(), QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM GIRISHATA WHERE TUR = 'W' AND ANAHTAR = ? AND ZAMAN > ?), "
        "(SELECT COUNT(*) FROM GIRISHATA WHERE TUR = 'A' AND ANAHTAR = ? AND ZAMAN > ?)"));
    const QString since = storedTime(minus(now(), kFailedSignInWindow));
    q.bindValue(0, workstation);
    q.bindValue(1, since);
    q.bindValue(2, address);
    q.bindValue(3, since);
    store::exec(q);
    const bool throttled = q.next() && (q.value(0).toInt() >= kFailedSignInLimit || q.value(1).toInt() >= kFailedSignInLimit);
    q.finish();
    return throttled;
}

void recordFailedSignIn(store::Store& s, const QString& workstation, const QString& address)
{
    const QDateTime t = now();
    store::inTransaction(s, [&](QSqlDatabase& db) {
        QSqlQuery old = store::prepare(db, QStringLiteral("DELETE FROM GIRISHATA WHERE ZAMAN < ?"));
        old.addBindValue(storedTime(minus(t, kFailedSignInWindow)));
        store::exec(old);
        QSqlQuery q = store::prepare(db, QStringLiteral("INSERT INTO GIRISHATA (TUR, ANAHTAR, ZAMAN) VALUES (?, ?, ?)"));
        const auto add = [&](const char* kind, const QString& key) {
            q.bindValue(0, QString::fromLatin1(kind));
            q.bindValue(1, key);
            q.bindValue(2, storedTime(t));
            store::exec(q);
        };
        if (!workstation.isEmpty())
            add("W", workstation);
        if (!address.isEmpty())
            add("A", address);
    });
}

void clearFailedSignIns(store::Store& s, const QString& workstation)
{
    QSqlQuery q = store::prepare(s.db(), QStringLiteral("DELETE FROM GIRISHATA WHERE TUR = 'W' AND ANAHTAR = ?"));
    q.addBindValue(workstation);
    store::exec(q);
}

} // namespace auth
