// Storage: per-thread Qt SQL connections over SQLite or PostgreSQL, and the ordered schema migrations.
#include "store.h"

#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <atomic>
#include <mutex>
#include <set>
#include <unordered_map>

namespace store {

namespace {

std::atomic<quint64> nextStoreId{1};
std::atomic<quint64> nextThreadSerial{1};

// The PostgreSQL advisory lock key that write transactions take in turn ("tezv"); advisory locks are
// per database, so stores on other databases of the same server do not wait for each other.
constexpr qint64 kWriteLock = 0x74657a76;

// Names of the connections one store has opened, over all threads; shared with the threads so that
// a thread ending before the store can strike its own name off.
struct Registry {
    std::mutex m;
    std::set<QString> names;
};

// Statements kept by cachedQuery, keyed by connection name and text. Created after the thread's
// connections, so it is destroyed before them, and its queries never outlive their connection.
struct StatementCache {
    std::unordered_map<QString, QSqlQuery> byKey;
    void forget(const QString& connection)
    {
        const QString prefix = connection + QChar(0x1f);
        for (auto it = byKey.begin(); it != byKey.end();)
            it = it->first.startsWith(prefix) ? byKey.erase(it) : std::next(it);
    }
};

StatementCache& statementCache()
{
    thread_local StatementCache c;
    return c;
}

void dropConnection(const QString& name)
{
    statementCache().forget(name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The calling thread's connections, one per store. Qt allows a connection only on the thread that
// opened it, so each thread keeps its own and closes them when it ends.
struct ThreadConnections {
    struct Entry {
        QString name;
        std::weak_ptr<Registry> registry;
    };
    quint64 serial = nextThreadSerial++;
    std::unordered_map<quint64, Entry> byStore;

    ~ThreadConnections()
    {
        for (auto& [id, e] : byStore) {
            if (auto r = e.registry.lock()) {
                std::lock_guard lock(r->m);
                r->names.erase(e.name);
            }
            dropConnection(e.name); // a no-op when the store has already removed it
        }
    }
};

ThreadConnections& threadConnections()
{
    thread_local ThreadConnections t;
    return t;
}

// A new database file is made readable by its owner only before SQLite opens it; SQLite gives its
// journal files the same permissions. An existing file keeps the permissions it has.
void createPrivately(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString driverText(const QSqlError& e)
{
    QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("bilinmeyen veritabanı hatası") : t;
}

} // namespace

struct Store::Impl {
    QString url;
    bool sqlite = true;
    QString path; // SQLite file
    QString host, user, password, database, options;
    int port = 5432;
    quint64 id = nextStoreId++;
    std::shared_ptr<Registry> registry = std::make_shared<Registry>();

    QString connectionName() const
    {
        return QStringLiteral("tezval-%1-%2").arg(id).arg(threadConnections().serial);
    }
    void configure(QSqlDatabase& db) const
    {
        if (sqlite) {
            createPrivately(path);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else {
            db.setHostName(host);
            db.setPort(port);
            db.setUserName(user);
            db.setPassword(password);
            db.setDatabaseName(database);
            db.setConnectOptions(options);
        }
    }
    // Settings that live with a connection rather than with the database file.
    void prepareConnection(QSqlDatabase& db) const
    {
        if (!sqlite)
            return;
        exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
        QSqlQuery q = exec(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        if (!q.next() || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw StoreError(QStringLiteral("SQLite WAL kipine geçilemedi: %1").arg(path));
        exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
};

Store::Store(const QString& url) : d_(std::make_unique<Impl>())
{
    d_->url = url;
    if (url.startsWith(QLatin1String("sqlite:"))) {
        QString path = url.mid(7);
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2); // sqlite:///abs/path
        if (path.trimmed().isEmpty())
            throw StoreError(QStringLiteral("SQLite dosya yolu boş: %1").arg(url));
        if (path == QLatin1String(":memory:"))
            throw StoreError(QStringLiteral("Bellek içi SQLite iş parçacıkları arasında paylaşılamaz; bir dosya verin"));
        d_->sqlite = true;
        d_->path = path;
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            throw StoreError(QStringLiteral("QSQLITE sürücüsü yüklü değil"));
        return;
    }
    if (url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://"))) {
        const QUrl u(url, QUrl::StrictMode);
        if (!u.isValid() || u.host().isEmpty())
            throw StoreError(QStringLiteral("Geçersiz PostgreSQL adresi: %1").arg(url));
        d_->sqlite = false;
        d_->host = u.host();
        d_->port = u.port(5432);
        d_->user = u.userName(QUrl::FullyDecoded);
        d_->password = u.password(QUrl::FullyDecoded);
        d_->database = u.path(QUrl::FullyDecoded).mid(1);
        if (d_->database.isEmpty())
            throw StoreError(QStringLiteral("PostgreSQL adresinde veritabanı adı yok: %1").arg(url));
        // Query items are libpq connection parameters (sslmode=require, ...).
        QStringList opts;
        bool timeout = false;
        for (const auto& [k, v] : QUrlQuery(u).queryItems(QUrl::FullyDecoded)) {
            opts << k + QLatin1Char('=') + v;
            timeout = timeout || k == QLatin1String("connect_timeout");
        }
        if (!timeout)
            opts << QStringLiteral("connect_timeout=5");
        d_->options = opts.join(QLatin1Char(';'));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            throw StoreError(QStringLiteral("QPSQL sürücüsü yüklü değil"));
        return;
    }
    throw StoreError(QStringLiteral("Veritabanı adresi \"sqlite:DOSYA\" ya da \"postgresql://...\" olmalı: %1").arg(url));
}

Store::~Store()
{
    std::set<QString> names;
    {
        std::lock_guard lock(d_->registry->m);
        names.swap(d_->registry->names);
    }
    auto& mine = threadConnections();
    QString own;
    if (auto it = mine.byStore.find(d_->id); it != mine.byStore.end()) {
        own = it->second.name;
        mine.byStore.erase(it);
    }
    // Connections of threads that are still alive are removed here too (the destructor's contract is
    // that those threads no longer use the store); Qt lets only the owning thread look one up, so
    // those are just unregistered, which closes them.
    for (const QString& n : names) {
        if (n == own)
            dropConnection(n);
        else
            QSqlDatabase::removeDatabase(n);
    }
}

bool Store::isSqlite() const { return d_->sqlite; }
QString Store::url() const { return d_->url; }

QSqlDatabase Store::db()
{
    auto& mine = threadConnections();
    if (auto it = mine.byStore.find(d_->id); it != mine.byStore.end()) {
        QSqlDatabase db = QSqlDatabase::database(it->second.name, false);
        if (db.isValid() && db.isOpen())
            return db;
        db = QSqlDatabase();
        {
            std::lock_guard lock(d_->registry->m);
            d_->registry->names.erase(it->second.name);
        }
        dropConnection(it->second.name);
        mine.byStore.erase(it);
    }

    const QString name = d_->connectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(d_->sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
        d_->configure(db);
        QString failure;
        if (!db.open()) {
            failure = QStringLiteral("Veritabanı açılamadı: %1").arg(driverText(db.lastError()));
        } else {
            try {
                d_->prepareConnection(db);
            } catch (const StoreError& e) {
                failure = e.text();
            }
        }
        if (!failure.isEmpty()) {
            db = QSqlDatabase();
            dropConnection(name);
            throw StoreError(failure);
        }
    }
    {
        std::lock_guard lock(d_->registry->m);
        d_->registry->names.insert(name);
    }
    mine.byStore[d_->id] = {name, d_->registry};
    return QSqlDatabase::database(name, false);
}

void Store::beginTransaction(QSqlDatabase& db)
{
    if (d_->sqlite) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw StoreError(QStringLiteral("İşlem başlatılamadı: %1").arg(driverText(q.lastError())));
    } else {
        if (!db.transaction())
            throw StoreError(QStringLiteral("İşlem başlatılamadı: %1").arg(driverText(db.lastError())));
        // PostgreSQL would let two such transactions read the same row and both write it, losing one
        // update; a lock of the database that the transaction holds until it ends makes writers take
        // turns as they do on SQLite.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLock))) {
            const QString text = driverText(q.lastError());
            db.rollback();
            throw StoreError(QStringLiteral("İşlem başlatılamadı: %1").arg(text));
        }
    }
}

void Store::syncKeySequences(QSqlDatabase& db)
{
    if (d_->sqlite)
        return; // SQLite's integer keys always continue after the largest one
    QSqlQuery cols = exec(db, QStringLiteral(
        "SELECT table_name, column_name FROM information_schema.columns "
        "WHERE is_identity = 'YES' AND table_schema = current_schema()"));
    while (cols.next()) {
        const QString table = cols.value(0).toString();
        const QString column = cols.value(1).toString();
        exec(db, QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                                "COALESCE((SELECT MAX(%2) FROM %1), 0) + 1, false)")
                     .arg(table, column));
    }
}

namespace {

int versionOf(const QSqlDatabase& db)
{
    QSqlQuery q = exec(db, QStringLiteral("SELECT MAX(version) FROM schema_version"));
    return q.next() ? q.value(0).toInt() : 0;
}

// Looked up by name in the tables the connection sees (PostgreSQL: along its search path).
bool hasVersionTable(const QSqlDatabase& db, bool sqlite)
{
    QSqlQuery q = exec(db, sqlite ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'")
                                  : QStringLiteral("SELECT COUNT(*) FROM (SELECT to_regclass('schema_version') AS t) v WHERE t IS NOT NULL"));
    return q.next() && q.value(0).toInt() > 0;
}

} // namespace

int Store::schemaVersion()
{
    QSqlDatabase c = db();
    return hasVersionTable(c, d_->sqlite) ? versionOf(c) : 0;
}

void Store::migrate()
{
    QSqlDatabase c = db();
    if (!hasVersionTable(c, d_->sqlite)) // looked up first: PostgreSQL reports an existing table as a notice
        exec(c, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version ("
                               "version INTEGER PRIMARY KEY, name TEXT NOT NULL, applied TEXT NOT NULL)"));
    const auto& all = schema::migrations();
    int current = versionOf(c);
    if (!all.empty() && current > all.back().version)
        throw StoreError(QStringLiteral("Veritabanı şeması (sürüm %1) bu sunucunun bildiğinden (sürüm %2) yeni")
                             .arg(current)
                             .arg(all.back().version));
    for (const schema::Migration& m : all) {
        if (m.version <= current)
            continue;
        try {
            inTransaction(*this, [&](QSqlDatabase& tx) {
                if (versionOf(tx) >= m.version)
                    return; // another server applied it while we waited for the lock
                for (const char* statement : m.statements)
                    exec(tx, schema::forEngine(statement, d_->sqlite));
                if (m.then)
                    m.then(tx);
                QSqlQuery q = prepare(tx, QStringLiteral("INSERT INTO schema_version (version, name, applied) VALUES (?, ?, ?)"));
                q.addBindValue(m.version);
                q.addBindValue(QString::fromUtf8(m.name));
                q.addBindValue(timeText(QDateTime::currentDateTime()));
                exec(q);
            });
        } catch (const StoreError& e) {
            if (versionOf(c) >= m.version)
                continue; // a concurrent migration won the race; its result is what we wanted
            throw StoreError(QStringLiteral("Şema sürüm %1 (%2) uygulanamadı: %3")
                                 .arg(m.version)
                                 .arg(QString::fromUtf8(m.name), e.text()));
        }
        current = m.version;
    }
}

// ---- helpers ----

QSqlQuery prepare(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw StoreError(QStringLiteral("SQL hazırlanamadı: %1 [%2]").arg(driverText(q.lastError()), sql));
    return q;
}

QSqlQuery& cachedQuery(const QSqlDatabase& db, const QString& sql)
{
    auto& cache = statementCache().byKey;
    const QString key = db.connectionName() + QChar(0x1f) + sql;
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, prepare(db, sql)).first;
    else
        it->second.finish();
    return it->second;
}

void exec(QSqlQuery& q)
{
    if (!q.exec())
        throw StoreError(QStringLiteral("SQL çalıştırılamadı: %1 [%2]").arg(driverText(q.lastError()), q.lastQuery()));
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw StoreError(QStringLiteral("SQL çalıştırılamadı: %1 [%2]").arg(driverText(q.lastError()), sql));
    return q;
}

QString dateText(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
QString timeText(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")); }
QDate dateFromText(const QString& s) { return QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd")); }
QDateTime timeFromText(const QString& s)
{
    QDateTime t = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!t.isValid())
        t = QDateTime(dateFromText(s), QTime(0, 0));
    return t;
}

QString searchKey(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case u'ç': case u'Ç': ch = u'C'; break;
        case u'ğ': case u'Ğ': ch = u'G'; break;
        case u'ı': case u'İ': case u'i': ch = u'I'; break;
        case u'ö': case u'Ö': ch = u'O'; break;
        case u'ş': case u'Ş': ch = u'S'; break;
        case u'ü': case u'Ü': ch = u'U'; break;
        default: ch = ch.toUpper();
        }
        if (ch.isSpace()) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += ch;
    }
    return out;
}

} // namespace store
