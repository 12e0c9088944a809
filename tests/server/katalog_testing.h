// Catalogue and basket tests: a demo server with a dealer, another representative's dealer and the
// first dealer's representative signed in, small fixture products, and calls by operation name.
#pragma once

#include "support/test_database.h"
#include "support/test_server.h"

#include "demo/demo.h"
#include "operations.h"
#include "records.h"
#include "store/catalogue.h"
#include "store/store.h"
#include "wire.h"

#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <variant>
#include <vector>

namespace ktest {

// The demo's first dealer (1501) and the first representative's dealers are 1501, 1504, ...;
// 1502 belongs to the second representative.
constexpr int kDealer = 1501;
constexpr int kStranger = 1502;

struct Who {
    int user = 0;
    int account = 0;
    std::string key;
};

using srvtest::scalar;

inline void run(store::Store& s, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q = store::prepare(s.db(), sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    store::exec(q);
}

// A product of the fixture: what a test names, the rest defaults.
struct Product {
    int no;
    const char* barkod;
    const char* adi;
    const char* oem1 = "";
    double price = 100;
    const char* group = "";
    int k = 0;
    double kamp = 0;
};

inline void addProducts(store::Store& s, const std::vector<Product>& products)
{
    store::inTransaction(s, [&](QSqlDatabase& db) {
        QSqlQuery q = store::prepare(db, QStringLiteral(
            "INSERT INTO STOK (STOK_STOKNO, KOD, BARKOD, ADI, OEM1, LISTEFIYAT1, ANAGRUP, K, KAMPFIYAT, KDV, KALAN, DURUM) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 20, 7, 1)"));
        QList<int> numbers;
        for (const Product& p : products) {
            q.addBindValue(p.no);
            q.addBindValue(QStringLiteral("FX%1").arg(p.no));
            q.addBindValue(QString::fromUtf8(p.barkod));
            q.addBindValue(QString::fromUtf8(p.adi));
            q.addBindValue(QString::fromUtf8(p.oem1));
            q.addBindValue(p.price);
            q.addBindValue(QString::fromUtf8(p.group));
            q.addBindValue(p.k);
            q.addBindValue(p.kamp);
            store::exec(q);
            numbers << p.no;
        }
        store::catalogue::reindex(db, numbers);
    });
}

using Value = std::variant<int, double, QString, TSonucBilgisi>;

inline TSonucBilgisi session(const Who& w, int account)
{
    TSonucBilgisi r;
    r.FSirano = w.user;
    r.FCARINO = account;
    return r;
}

inline std::string body(const std::vector<Value>& values)
{
    wire::MessageWriter w("_parameters");
    for (const Value& v : values) {
        if (const int* i = std::get_if<int>(&v))
            w.integer(*i);
        else if (const double* d = std::get_if<double>(&v))
            w.real(*d);
        else if (const QString* t = std::get_if<QString>(&v))
            w.text(*t);
        else
            w.record(&std::get<TSonucBilgisi>(v));
    }
    return w.finish();
}

// A server with kDealer, kStranger and the representative of kDealer signed in.
class Server : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        srvtest::Options o;
        o.workstations = {{QStringLiteral("WS-KATALOG-A"), kDealer}, {QStringLiteral("WS-KATALOG-B"), kStranger}};
        server = new srvtest::TestServer(o);
        dealer = {server->userOf(0), kDealer, server->signIn(0)};
        stranger = {server->userOf(1), kStranger, server->signIn(1)};
        store::Store& s = server->store();
        const int repUser = scalar(s, QStringLiteral("SELECT k.SIRANO FROM KULLANICI k JOIN CARI c ON c.SATICINO = k.SATICINO "
                                                     "WHERE k.MUSTERITIPI IN (1, 2) AND c.CARINO = ?"), {kDealer}).toInt();
        run(s, QStringLiteral("INSERT INTO BILGISAYAR (BILGISAYARID, KULLANICINO, ADI, KAYITTARIHI) VALUES (?, ?, 'TEST', '2026-01-01')"),
            {QStringLiteral("WS-KATALOG-T"), repUser});
        const demo::Credentials c = demo::credentialsFor(s, QStringLiteral("WS-KATALOG-T"));
        representative = {repUser, c.carino,
                          server->buyukGetir(QStringLiteral("WS-KATALOG-T"), srvtest::basicAuthorization(c.user, c.password)).sessionKey};
        ASSERT_EQ(dealer.key.size(), 64u);
        ASSERT_EQ(stranger.key.size(), 64u);
        ASSERT_EQ(representative.key.size(), 64u);
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server)
            GTEST_SKIP() << testdb::missingReason().toStdString();
    }

    static srvtest::Reply call(const char* op, const std::vector<Value>& values, const Who& who)
    {
        return server->post(op, body(values), who.key);
    }
    // The answer's values; fails the test for an answer other than 200.
    static wire::MessageReader result(const srvtest::Reply& r)
    {
        EXPECT_EQ(r.status, 200) << r.body;
        return wire::MessageReader::parse(r.status == 200 ? r.body : std::string(R"({"result":[]})"), "result");
    }
    static wire::Table table(const char* op, const std::vector<Value>& values, const Who& who)
    {
        const wire::MessageReader m = result(call(op, values, who));
        return m.size() > 0 ? m.table(0) : wire::Table();
    }

    static srvtest::TestServer* server;
    static Who dealer, stranger, representative;
};

inline srvtest::TestServer* Server::server = nullptr;
inline Who Server::dealer, Server::stranger, Server::representative;

} // namespace ktest
