// BuyukGetir tests: the session record of a bound dealer and of a representative, an inactive
// user, unknown and empty identities, through the dispatcher and once over the real listener.
#include "store_testing.h"
#include "support/test_server.h"

#include "auth/sessions.h"
#include "http/dispatch.h"
#include "methods/methods.h"
#include "records.h"
#include "wire.h"

using storetest::scalar;
using storetest::TempStore;

namespace {

class BuyukGetir : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        demo_ = new TempStore;
        demo::Options o = storetest::fixedDemo();
        o.version = 7; // not the default, so the answer shows where it came from
        demo::fill(*demo_->store, o);
        dealer_ = demo::bindWorkstation(*demo_->store, QStringLiteral("BAYI-PC-1"));
    }
    static void TearDownTestSuite()
    {
        delete demo_;
        demo_ = nullptr;
    }

    BuyukGetir() { srv::registerOturum(dispatcher_); dispatcher_.setLog({}); }

    static store::Store& s() { return *demo_->store; }
    // A sign-in from an address of its own per test, so that failed attempts of one test never
    // throttle another.
    srv::Dispatcher::Answer call(const std::string& body, const std::string& authorization = {}) const
    {
        const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString peer = QStringLiteral("adres-") + QString::fromUtf8(t->name());
        return dispatcher_.dispatch(srv::Request{"BuyukGetir", body, authorization, peer}, s());
    }
    static std::string identityCall(const QString& identity)
    {
        wire::MessageWriter w("_parameters");
        w.text(identity);
        return w.finish();
    }
    // The record of an answer to the identity (a JSON string literal, quotes included).
    std::shared_ptr<TSonucBilgisi> session(const std::string& identityJson, const std::string& authorization = {}) const
    {
        const auto answer = call(R"({"_parameters":[)" + identityJson + "]}", authorization);
        EXPECT_EQ(answer.status, 200) << answer.body;
        const auto r = wire::MessageReader::parse(answer.body, "result").record<TSonucBilgisi>(0);
        EXPECT_NE(r, nullptr) << answer.body;
        return r ? r : std::make_shared<TSonucBilgisi>();
    }
    // The demo credentials of the user bound to an identity, as the client sends them.
    static std::string rightCredentials(const QString& identity)
    {
        const demo::Credentials c = demo::credentialsFor(s(), identity);
        return srvtest::basicAuthorization(c.user, c.password);
    }
    // What a caller without matching credentials gets: only FVarmi and FVersion say anything.
    static TSonucBilgisi mismatch()
    {
        TSonucBilgisi r;
        r.FVarmi = true;
        r.FVersion = 7;
        return r;
    }
    static QVariant value(const char* sql, const QVariant& bind)
    {
        QSqlQuery q = store::prepare(s().db(), QString::fromUtf8(sql));
        q.addBindValue(bind);
        store::exec(q);
        return q.next() ? q.value(0) : QVariant();
    }

    srv::Dispatcher dispatcher_;
    static TempStore* demo_;
    static int dealer_;
};
TempStore* BuyukGetir::demo_ = nullptr;
int BuyukGetir::dealer_ = 0;

} // namespace

TEST_F(BuyukGetir, AnswersTheBoundDealersAccount)
{
    const auto answer = call(R"({"_parameters":["BAYI-PC-1"]})", rightCredentials(QStringLiteral("BAYI-PC-1")));
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(answer.body.rfind(R"({"result":[{"type":"baglantiu.TSonucBilgisi","id":1,"fields":{)", 0), 0u) << answer.body;
    // A new key of 256 bits for every sign-in; the database keeps only its hash.
    ASSERT_EQ(answer.sessionKey.size(), 64u) << answer.sessionKey;
    EXPECT_EQ(value("SELECT COUNT(*) FROM OTURUM WHERE ANAHTAR = ?", QString::fromStdString(answer.sessionKey)).toInt(), 0);
    EXPECT_EQ(value("SELECT COUNT(*) FROM OTURUM WHERE ANAHTAR = ?", auth::keyHash(answer.sessionKey)).toInt(), 1);
    EXPECT_NE(call(R"({"_parameters":["BAYI-PC-1"]})", rightCredentials(QStringLiteral("BAYI-PC-1"))).sessionKey,
              answer.sessionKey);

    const auto r = session(R"("BAYI-PC-1")", rightCredentials(QStringLiteral("BAYI-PC-1")));
    const demo::Credentials c = demo::credentialsFor(s(), QStringLiteral("BAYI-PC-1"));
    ASSERT_FALSE(c.password.isEmpty());
    EXPECT_TRUE(r->FVarmi);
    EXPECT_EQ(r->FBILGISAYARID, QStringLiteral("BAYI-PC-1"));
    EXPECT_EQ(r->FCARINO, dealer_);
    EXPECT_EQ(r->FADI, c.user);
    EXPECT_EQ(r->FSIFRE, c.password);
    EXPECT_EQ(r->FAKTIF, 1);
    EXPECT_EQ(r->FVersion, 7);
    EXPECT_EQ(r->FSirano, value("SELECT SIRANO FROM KULLANICI WHERE KULLANICIADI = ?", c.user).toInt());
    EXPECT_EQ(r->FKullanicimail, value("SELECT EMAIL FROM KULLANICI WHERE KULLANICIADI = ?", c.user).toString());
    EXPECT_EQ(r->FMusteriTipi, value("SELECT MUSTERITIPI FROM KULLANICI WHERE KULLANICIADI = ?", c.user).toInt());
    EXPECT_EQ(r->FCariAdi, value("SELECT CARIADI FROM CARI WHERE CARINO = ?", dealer_).toString());
    EXPECT_EQ(r->Fcarikod, value("SELECT CARIKOD FROM CARI WHERE CARINO = ?", dealer_).toString());
    const int rep = value("SELECT SATICINO FROM CARI WHERE CARINO = ?", dealer_).toInt();
    EXPECT_EQ(r->FSaticiNo, rep);
    EXPECT_EQ(r->FSaticiAdi, value("SELECT ADI FROM SATICI WHERE SATICINO = ?", rep).toString());
    EXPECT_EQ(r->FSaticiTelefon, value("SELECT TELEFON FROM SATICI WHERE SATICINO = ?", rep).toString());
    EXPECT_EQ(r->FSaticiMail, value("SELECT EMAIL FROM SATICI WHERE SATICINO = ?", rep).toString());
    EXPECT_FALSE(r->FSaticiAdi.isEmpty());
    // What only the workstation knows stays empty for the client to fill.
    EXPECT_TRUE(r->FBilgiSayarAdi.isEmpty() && r->FDisip.isEmpty() && r->FIcip.isEmpty() && r->FBilgisayarKullanici.isEmpty());
}

TEST_F(BuyukGetir, GivesARepresentativeHisOwnTypeAndContactDetails)
{
    QSqlQuery q = store::exec(s().db(), QStringLiteral(
        "SELECT b.BILGISAYARID, k.MUSTERITIPI, k.SATICINO, k.KULLANICIADI, k.CARINO FROM BILGISAYAR b "
        "JOIN KULLANICI k ON k.SIRANO = b.KULLANICINO WHERE k.MUSTERITIPI IN (1, 2) ORDER BY k.SIRANO"));
    ASSERT_TRUE(q.next());
    const int own = q.value(2).toInt();
    // Hand the account he signs in on to another representative: he is still shown as himself.
    QSqlQuery other = store::prepare(s().db(), QStringLiteral("UPDATE CARI SET SATICINO = (SELECT MIN(SATICINO) FROM SATICI "
                                                              "WHERE SATICINO <> ?) WHERE CARINO = ?"));
    other.addBindValue(own);
    other.addBindValue(q.value(4));
    store::exec(other);
    ASSERT_NE(value("SELECT SATICINO FROM CARI WHERE CARINO = ?", q.value(4)).toInt(), own);

    const auto r = session('"' + q.value(0).toString().toStdString() + '"', rightCredentials(q.value(0).toString()));
    EXPECT_TRUE(r->FVarmi);
    EXPECT_EQ(r->FMusteriTipi, q.value(1).toInt());
    EXPECT_EQ(r->FADI, q.value(3).toString());
    EXPECT_EQ(r->FCARINO, q.value(4).toInt());
    EXPECT_EQ(r->FSaticiNo, own);
    EXPECT_EQ(r->FSaticiAdi, value("SELECT ADI FROM SATICI WHERE SATICINO = ?", own).toString());
    EXPECT_EQ(r->FSaticiMail, value("SELECT EMAIL FROM SATICI WHERE SATICINO = ?", own).toString());
}

TEST_F(BuyukGetir, MarksAnInactiveUserOrAccount)
{
    const QString user = demo::credentialsFor(s(), QStringLiteral("BAYI-PC-1")).user;
    const auto setActive = [&](const char* sql, const QVariant& key) {
        QSqlQuery q = store::prepare(s().db(), QString::fromUtf8(sql));
        q.addBindValue(key);
        store::exec(q);
    };
    const std::string right = rightCredentials(QStringLiteral("BAYI-PC-1"));
    const std::string body = R"({"_parameters":["BAYI-PC-1"]})";
    setActive("UPDATE KULLANICI SET AKTIF = 0 WHERE KULLANICIADI = ?", user);
    const auto inactiveUser = call(body, right);
    setActive("UPDATE KULLANICI SET AKTIF = 1 WHERE KULLANICIADI = ?", user);
    setActive("UPDATE CARI SET AKTIF = 0 WHERE CARINO = ?", dealer_);
    const auto inactiveAccount = call(body, right);
    setActive("UPDATE CARI SET AKTIF = 1 WHERE CARINO = ?", dealer_);

    for (const auto& a : {inactiveUser, inactiveAccount}) {
        const auto r = wire::MessageReader::parse(a.body, "result").record<TSonucBilgisi>(0);
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(r->FVarmi);
        EXPECT_EQ(r->FAKTIF, 0);
        EXPECT_EQ(r->FADI, user); // the client still compares the credentials first, and saves them
        EXPECT_TRUE(a.sessionKey.empty()) << "an inactive account gets no session";
    }
    const auto active = call(body, right);
    EXPECT_EQ(session(R"("BAYI-PC-1")", right)->FAKTIF, 1);
    EXPECT_FALSE(active.sessionKey.empty());
}

// An unknown workstation gets every default except the required version, which the client checks
// first: with the default version it would start an update instead of showing the request form.
TEST_F(BuyukGetir, AnswersUnknownAndEmptyIdentitiesWithDefaults)
{
    TSonucBilgisi expected;
    expected.FVersion = 7;
    for (const char* identity : {R"("")", R"("BILINMEYEN-PC")", R"("bayi-pc-1")", R"(" BAYI-PC-1")",
                                 R"("x' OR '1'='1")"}) {
        SCOPED_TRACE(identity);
        const auto r = session(identity, rightCredentials(QStringLiteral("BAYI-PC-1")));
        EXPECT_FALSE(r->FVarmi);
        EXPECT_EQ(wire::recordToJson(r.get()), wire::recordToJson(&expected));
    }
}

// Without the right user name and password for that workstation's account, the answer tells only
// that the workstation is known and which version it must run, and hands out no key.
TEST_F(BuyukGetir, TellsNothingMoreWithoutTheRightCredentials)
{
    const demo::Credentials c = demo::credentialsFor(s(), QStringLiteral("BAYI-PC-1"));
    QString lower = c.password;
    lower = lower.toLower();
    struct Case {
        const char* what;
        std::string authorization;
    };
    const Case cases[] = {
        {"no header", {}},
        {"empty name and password", srvtest::basicAuthorization({}, {})},
        {"wrong password", srvtest::basicAuthorization(c.user, c.password + QStringLiteral("X"))},
        {"password in other letter case", srvtest::basicAuthorization(c.user, lower)},
        {"right password, another user's name", srvtest::basicAuthorization(QStringLiteral("BASKASI"), c.password)},
        {"right name, empty password", srvtest::basicAuthorization(c.user, {})},
        {"not base64", "Basic %%%%"},
        {"no colon", "Basic " + QByteArray("YALNIZAD").toBase64().toStdString()},
        {"a session key instead", "Bearer " + std::string(64, 'a')},
    };
    const TSonucBilgisi expected = mismatch();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        // Each case from its own address and after a clean slate: this test is about the answer, not throttling.
        store::exec(s().db(), QStringLiteral("DELETE FROM GIRISHATA"));
        const auto a = call(R"({"_parameters":["BAYI-PC-1"]})", k.authorization);
        ASSERT_EQ(a.status, 200) << a.body;
        EXPECT_TRUE(a.sessionKey.empty());
        const auto r = wire::MessageReader::parse(a.body, "result").record<TSonucBilgisi>(0);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(wire::recordToJson(r.get()), wire::recordToJson(&expected));
    }
}

TEST_F(BuyukGetir, ThrottlesAWorkstationOrAnAddressAfterFiveFailures)
{
    store::exec(s().db(), QStringLiteral("DELETE FROM GIRISHATA"));
    const std::string right = rightCredentials(QStringLiteral("BAYI-PC-1"));
    const std::string wrong = srvtest::basicAuthorization(QStringLiteral("X"), QStringLiteral("Y"));
    const std::string body = R"({"_parameters":["BAYI-PC-1"]})";
    const auto from = [&](const QString& peer, const std::string& authorization) {
        return dispatcher_.dispatch(srv::Request{"BuyukGetir", body, authorization, peer}, s());
    };
    // Five failures for one workstation, each from another address.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(from(QStringLiteral("ws-%1").arg(i), wrong).sessionKey.empty());
    const auto throttled = from(QStringLiteral("ws-9"), right);
    EXPECT_TRUE(throttled.sessionKey.empty()) << "the sixth attempt is not even verified";
    EXPECT_EQ(wire::MessageReader::parse(throttled.body, "result").record<TSonucBilgisi>(0)->FADI, QString());

    // The window passes: the right credentials work again, and clear the workstation's count.
    store::exec(s().db(), QStringLiteral("UPDATE GIRISHATA SET ZAMAN = '2000-01-01T00:00:00'"));
    EXPECT_FALSE(from(QStringLiteral("ws-9"), right).sessionKey.empty());

    // Five failures from one address, at several workstations (unknown ones count too), then the right
    // credentials from that address are refused while another address still gets in.
    store::exec(s().db(), QStringLiteral("DELETE FROM GIRISHATA"));
    for (int i = 0; i < 3; ++i)
        dispatcher_.dispatch(srv::Request{"BuyukGetir", identityCall(QStringLiteral("YOK-%1").arg(i)), wrong,
                                          QStringLiteral("tek-adres")}, s());
    for (int i = 0; i < 2; ++i)
        from(QStringLiteral("tek-adres"), wrong);
    EXPECT_TRUE(from(QStringLiteral("tek-adres"), right).sessionKey.empty());
    EXPECT_FALSE(from(QStringLiteral("baska-adres"), right).sessionKey.empty());
    store::exec(s().db(), QStringLiteral("DELETE FROM GIRISHATA"));
}

TEST(BuyukGetirServer, AnswersOverTheListener)
{
    srvtest::Options o;
    o.workstations = {{QStringLiteral("SUNUCU-PC-1"), 0}};
    srvtest::TestServer server(o);
    const demo::Credentials c = demo::credentialsFor(server.store(), QStringLiteral("SUNUCU-PC-1"));
    const srvtest::Reply reply = server.buyukGetir(QStringLiteral("SUNUCU-PC-1"), srvtest::basicAuthorization(c.user, c.password));
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.sessionKey.size(), 64u);
    const auto r = wire::MessageReader::parse(reply.body, "result").record<TSonucBilgisi>(0);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->FVarmi);
    EXPECT_EQ(r->FCARINO, server.carinoOf(0));
    EXPECT_EQ(r->FADI, demo::credentialsFor(server.store(), QStringLiteral("SUNUCU-PC-1")).user);
    EXPECT_EQ(r->FVersion, 2);
}
