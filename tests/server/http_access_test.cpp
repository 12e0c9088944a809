// Every operation of the table called by strangers, by a dealer reaching for another dealer's data, and by
// a representative for its own dealers and for another's: the session key and scope checks of the server.
#include "support/test_database.h"
#include "support/test_server.h"

#include "auth/principal.h"
#include "auth/sessions.h"
#include "demo/demo.h"
#include "http/dispatch.h"
#include "operations.h"
#include "store/store.h"
#include "wire.h"

#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using srvtest::Reply;
using srvtest::TestServer;

using srvtest::scalar;

// Who calls, and for which account.
struct Caller {
    QString workstation;
    int user = 0;
    int type = 0;
    int account = 0; // the account the call is made for
    std::string key;
};

// The values a call carries in each role; the plain inputs get harmless values of their kind.
struct Values {
    int account = 0;
    int sessionUser = 0;
    int sessionAccount = 0;
    int user = 0;
    QString workstation;
    int type = 0;
    bool nullSession = false;
};

Values ownValues(const Caller& c) { return {c.account, c.user, c.account, c.user, c.workstation, c.type, false}; }

std::string body(const ops::Operation& op, const Values& v)
{
    wire::MessageWriter w("_parameters");
    for (const ops::Param& p : op.params) {
        switch (p.role) {
        case ops::Role::Account:
        case ops::Role::AccountOrAll: w.integer(v.account); continue;
        case ops::Role::User: w.integer(v.user); continue;
        case ops::Role::Workstation: w.text(v.workstation); continue;
        case ops::Role::AccountType: w.integer(v.type); continue;
        case ops::Role::Session: {
            if (v.nullSession) {
                w.null();
                continue;
            }
            TSonucBilgisi r;
            r.FSirano = v.sessionUser;
            r.FCARINO = v.sessionAccount;
            w.record(&r);
            continue;
        }
        case ops::Role::Plain:
        case ops::Role::Unused:
        case ops::Role::Id: break;
        }
        switch (p.kind) {
        case ops::Kind::Text: w.text(QStringLiteral("ABC")); break;
        // A product number names a product of the demo catalogue: a missing product is refused as a
        // bad request, which this file counts as a refusal by the checks.
        case ops::Kind::Integer: w.integer(p.name == "stokno" ? 1001 : 1); break;
        case ops::Kind::Double: w.real(1.5); break;
        case ops::Kind::Record: w.null(); break;
        }
    }
    return w.finish();
}

bool hasRole(const ops::Operation& op, ops::Role r)
{
    for (const ops::Param& p : op.params)
        if (p.role == r || (r == ops::Role::Account && p.role == ops::Role::AccountOrAll))
            return true;
    return false;
}

// Past every check: the operation's own answer (501 while it is not built).
bool allowed(const Reply& r) { return r.status != 400 && r.status != 401 && r.status != 403 && r.status != 0; }

class Access : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        server = new TestServer();
        store::Store& s = server->store();
        // A representative, one dealer of his and one dealer of another representative.
        QSqlQuery rep = store::exec(s.db(), QStringLiteral(
            "SELECT SIRANO, SATICINO, CARINO, MUSTERITIPI FROM KULLANICI WHERE MUSTERITIPI IN (1, 2) ORDER BY SIRANO"));
        ASSERT_TRUE(rep.next());
        representative = {QStringLiteral("WS-TEMSILCI"), rep.value(0).toInt(), rep.value(3).toInt(), rep.value(2).toInt(), {}};
        const int repNo = rep.value(1).toInt();
        rep.finish();
        const int hisDealer = scalar(s, QStringLiteral("SELECT MIN(CARINO) FROM CARI WHERE SATICINO = ? AND CARINO <> ?"),
                                     {repNo, representative.account}).toInt();
        const int otherDealer = scalar(s, QStringLiteral("SELECT MIN(CARINO) FROM CARI WHERE SATICINO <> ?"), {repNo}).toInt();
        ASSERT_GT(hisDealer, 0);
        ASSERT_GT(otherDealer, 0);
        QSqlQuery bind = store::prepare(s.db(), QStringLiteral(
            "INSERT INTO BILGISAYAR (BILGISAYARID, KULLANICINO, ADI, KAYITTARIHI) VALUES (?, ?, 'TEST', '2026-01-01')"));
        bind.addBindValue(representative.workstation);
        bind.addBindValue(representative.user);
        store::exec(bind);
        dealer = dealerAt(QStringLiteral("WS-BAYI-A"), hisDealer);
        stranger = dealerAt(QStringLiteral("WS-BAYI-C"), otherDealer);
        for (Caller* c : {&representative, &dealer, &stranger}) {
            const demo::Credentials who = demo::credentialsFor(s, c->workstation);
            c->key = server->buyukGetir(c->workstation, srvtest::basicAuthorization(who.user, who.password)).sessionKey;
            ASSERT_EQ(c->key.size(), 64u) << c->workstation.toStdString();
        }
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    static Caller dealerAt(const QString& workstation, int account)
    {
        demo::bindWorkstation(server->store(), workstation, account);
        Caller c;
        c.workstation = workstation;
        c.account = account;
        c.user = scalar(server->store(), QStringLiteral("SELECT KULLANICINO FROM BILGISAYAR WHERE BILGISAYARID = ?"), {workstation}).toInt();
        c.type = scalar(server->store(), QStringLiteral("SELECT MUSTERITIPI FROM KULLANICI WHERE SIRANO = ?"), {c.user}).toInt();
        return c;
    }
    static Reply call(const ops::Operation& op, const Values& v, const std::string& key)
    {
        return server->post(std::string(op.name), body(op, v), key);
    }

    static TestServer* server;
    static Caller representative, dealer, stranger;
};

TestServer* Access::server = nullptr;
Caller Access::representative, Access::dealer, Access::stranger;

TEST_F(Access, EveryOperationButSignInNeedsAValidKey)
{
    // Keys that are no longer good: one idle too long, one past its lifetime, one of a user who has
    // been switched off, one of a workstation that was bound to someone else.
    const auto freshKey = [&](const Caller& c) {
        const demo::Credentials who = demo::credentialsFor(server->store(), c.workstation);
        return server->buyukGetir(c.workstation, srvtest::basicAuthorization(who.user, who.password)).sessionKey;
    };
    const auto alter = [&](const std::string& key, const char* sql) {
        QSqlQuery q = store::prepare(server->store().db(), QString::fromUtf8(sql));
        q.addBindValue(auth::keyHash(key));
        store::exec(q);
    };
    const std::string idle = freshKey(dealer), old = freshKey(dealer);
    alter(idle, "UPDATE OTURUM SET SONKULLANIM = '2026-01-01T00:00:00' WHERE ANAHTAR = ?");
    alter(old, "UPDATE OTURUM SET BITIS = '2026-01-01T00:00:00' WHERE ANAHTAR = ?");
    struct Case {
        const char* what;
        std::string authorization; // the whole header
    };
    const Case cases[] = {
        {"no key", {}},
        {"made-up key", "Bearer " + std::string(64, 'f')},
        {"key of the wrong form", "Bearer xyz"},
        {"idle too long", "Bearer " + idle},
        {"past its lifetime", "Bearer " + old},
        {"credentials instead of a key", srvtest::basicAuthorization(QStringLiteral("A"), QStringLiteral("B"))},
    };
    int checked = 0;
    for (const ops::Operation& op : ops::kOperations) {
        if (op.signIn)
            continue;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(op.name) + ": " + c.what);
            srvtest::HttpConnection conn(server->port());
            const Reply r = conn.request("POST", "/datasnap/rest/TServerMethods1/" + std::string(op.name),
                                         body(op, ownValues(dealer)), c.authorization);
            EXPECT_EQ(r.status, 401);
            EXPECT_EQ(wire::errorText(r.body), srv::kSessionInvalid);
        }
        EXPECT_TRUE(allowed(call(op, ownValues(dealer), dealer.key))) << op.name;
        ++checked;
    }
    EXPECT_EQ(checked, 49);

    // A session ends with its account or its workstation's binding, changed in the database as another
    // server process or an administrator would: within the few seconds a server trusts what it found.
    const std::string key = freshKey(stranger);
    const ops::Operation& probe = ops::get("CariDurumVer");
    const auto statusWithin = [&](int status) {
        for (int i = 0; i < 100; ++i) {
            if (call(probe, ownValues(stranger), key).status == status)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    ASSERT_TRUE(allowed(call(probe, ownValues(stranger), key)));
    store::exec(server->store().db(), QStringLiteral("UPDATE CARI SET AKTIF = 0 WHERE CARINO = %1").arg(stranger.account));
    EXPECT_TRUE(statusWithin(401)) << "an account switched off";
    store::exec(server->store().db(), QStringLiteral("UPDATE CARI SET AKTIF = 1 WHERE CARINO = %1").arg(stranger.account));
    EXPECT_TRUE(allowed(call(probe, ownValues(stranger), key)));
    demo::bindWorkstation(server->store(), stranger.workstation, dealer.account);
    EXPECT_TRUE(statusWithin(401)) << "a workstation bound to another account";
    demo::bindWorkstation(server->store(), stranger.workstation, stranger.account);
}

// A dealer's call with one value of another dealer in it, role by role, is refused whatever else it holds.
TEST_F(Access, ADealerCannotReachAnotherDealer)
{
    struct Case {
        const char* what;
        ops::Role role;
        void (*change)(Values&);
    };
    const Case cases[] = {
        {"another account", ops::Role::Account, [](Values& v) { v.account = stranger.account; }},
        {"a session record of another account", ops::Role::Session, [](Values& v) { v.sessionAccount = stranger.account; }},
        {"a session record of another user", ops::Role::Session, [](Values& v) { v.sessionUser = stranger.user; }},
        {"another user number", ops::Role::User, [](Values& v) { v.user = stranger.user; }},
        {"another workstation", ops::Role::Workstation, [](Values& v) { v.workstation = stranger.workstation; }},
        {"another account type", ops::Role::AccountType, [](Values& v) { v.type = dealer.type == 3 ? 4 : 3; }},
        {"all accounts", ops::Role::AccountOrAll, [](Values& v) { v.account = 0; }},
    };
    int refusals = 0;
    for (const ops::Operation& op : ops::kOperations) {
        if (op.signIn)
            continue;
        for (const auto& c : cases) {
            if (!hasRole(op, c.role))
                continue;
            SCOPED_TRACE(std::string(op.name) + ": " + c.what);
            Values v = ownValues(dealer);
            c.change(v);
            const Reply r = call(op, v, dealer.key);
            EXPECT_EQ(r.status, 403);
            EXPECT_EQ(wire::errorText(r.body), QStringLiteral("Bu işlem için yetkiniz yok."));
            ++refusals;
        }
        // A missing session record is malformed input, refused before any handler.
        if (hasRole(op, ops::Role::Session)) {
            Values v = ownValues(dealer);
            v.nullSession = true;
            EXPECT_EQ(call(op, v, dealer.key).status, 400) << op.name;
        }
    }
    EXPECT_GT(refusals, 40);
    // Reaching for the stranger does not take the stranger's own calls with it.
    EXPECT_TRUE(allowed(call(ops::get("SepetVer2"), ownValues(stranger), stranger.key)));
}

TEST_F(Access, ARepresentativeActsForHisDealersOnly)
{
    int checked = 0;
    for (const ops::Operation& op : ops::kOperations) {
        if (op.signIn || !(hasRole(op, ops::Role::Account) || hasRole(op, ops::Role::Session)))
            continue;
        SCOPED_TRACE(std::string(op.name));
        Values his = ownValues(representative);
        his.account = his.sessionAccount = dealer.account;
        EXPECT_TRUE(allowed(call(op, his, representative.key))) << "his own dealer";
        EXPECT_TRUE(allowed(call(op, ownValues(representative), representative.key))) << "his own account";
        Values other = ownValues(representative);
        other.account = other.sessionAccount = stranger.account;
        EXPECT_EQ(call(op, other, representative.key).status, 403) << "another representative's dealer";
        ++checked;
    }
    EXPECT_GT(checked, 25);
    // All of his dealers together, in the one operation that takes 0 for them.
    Values all = ownValues(representative);
    all.account = 0;
    EXPECT_TRUE(allowed(call(ops::get("RaporGetir"), all, representative.key)));
}

TEST(AccessScope, ConditionKeepsAQueryInsideTheCallersAccounts)
{
    srvtest::TestServer server;
    store::Store& s = server.store();
    QSqlQuery rep = store::exec(s.db(), QStringLiteral(
        "SELECT SIRANO, SATICINO, CARINO FROM KULLANICI WHERE MUSTERITIPI IN (1, 2) ORDER BY SIRANO"));
    ASSERT_TRUE(rep.next());
    auth::Principal p;
    p.user = rep.value(0).toInt();
    p.representative = rep.value(1).toInt();
    p.account = rep.value(2).toInt();
    p.type = 1;
    rep.finish();
    const auto accounts = [&](const auth::Principal& who) {
        const auth::ScopeCondition c = auth::scopeCondition(who, QStringLiteral("c.CARINO"));
        QSqlQuery q = store::prepare(s.db(), QStringLiteral("SELECT c.CARINO FROM CARI c WHERE ") + c.sql + QStringLiteral(" ORDER BY 1"));
        for (const QVariant& v : c.values)
            q.addBindValue(v);
        store::exec(q);
        QList<int> out;
        while (q.next())
            out << q.value(0).toInt();
        return out;
    };
    QList<int> expected;
    QSqlQuery mine = store::prepare(s.db(), QStringLiteral("SELECT CARINO FROM CARI WHERE SATICINO = ? OR CARINO = ? ORDER BY 1"));
    mine.addBindValue(p.representative);
    mine.addBindValue(p.account);
    store::exec(mine);
    while (mine.next())
        expected << mine.value(0).toInt();
    EXPECT_EQ(accounts(p), expected);
    EXPECT_LT(expected.size(), scalar(s, QStringLiteral("SELECT COUNT(*) FROM CARI")).toInt());
    for (int carino : expected)
        EXPECT_TRUE(auth::inScope(s, p, carino));

    auth::Principal dealer = p;
    dealer.type = 3; // a dealer user of that account: only the account itself
    EXPECT_EQ(accounts(dealer), QList<int>{p.account});
    EXPECT_FALSE(auth::inScope(s, dealer, expected.back() == p.account ? expected.front() : expected.back()));
}

} // namespace
