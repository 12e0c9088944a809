// BuyukGetir tests: the session record of a bound dealer and of a representative, an inactive
// user, unknown and empty identities, through the dispatcher and once over the real listener.
#include "store_testing.h"
#include "support/test_server.h"

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

    BuyukGetir() { srv::registerOturum(dispatcher_); }

    static store::Store& s() { return *demo_->store; }
    srv::Dispatcher::Answer call(const std::string& body) const { return dispatcher_.dispatch("BuyukGetir", body, s()); }
    // The record of an answer to the identity (a JSON string literal, quotes included).
    std::shared_ptr<TSonucBilgisi> session(const std::string& identityJson) const
    {
        const auto answer = call(R"({"_parameters":[)" + identityJson + "]}");
        EXPECT_EQ(answer.status, 200) << answer.body;
        const auto r = wire::MessageReader::parse(answer.body, "result").record<TSonucBilgisi>(0);
        EXPECT_NE(r, nullptr) << answer.body;
        return r ? r : std::make_shared<TSonucBilgisi>();
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
    const auto answer = call(R"({"_parameters":["BAYI-PC-1"]})");
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(answer.body.rfind(R"({"result":[{"type":"baglantiu.TSonucBilgisi","id":1,"fields":{)", 0), 0u) << answer.body;

    const auto r = session(R"("BAYI-PC-1")");
    const demo::Credentials c = demo::credentialsFor(s(), QStringLiteral("BAYI-PC-1"));
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

    const auto r = session('"' + q.value(0).toString().toStdString() + '"');
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
    setActive("UPDATE KULLANICI SET AKTIF = 0 WHERE KULLANICIADI = ?", user);
    const auto inactiveUser = session(R"("BAYI-PC-1")");
    setActive("UPDATE KULLANICI SET AKTIF = 1 WHERE KULLANICIADI = ?", user);
    setActive("UPDATE CARI SET AKTIF = 0 WHERE CARINO = ?", dealer_);
    const auto inactiveAccount = session(R"("BAYI-PC-1")");
    setActive("UPDATE CARI SET AKTIF = 1 WHERE CARINO = ?", dealer_);

    for (const auto& r : {inactiveUser, inactiveAccount}) {
        EXPECT_TRUE(r->FVarmi);
        EXPECT_EQ(r->FAKTIF, 0);
        EXPECT_EQ(r->FADI, user); // the client still compares the credentials first
    }
    EXPECT_EQ(session(R"("BAYI-PC-1")")->FAKTIF, 1);
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
        const auto r = session(identity);
        EXPECT_FALSE(r->FVarmi);
        EXPECT_EQ(wire::recordToJson(r.get()), wire::recordToJson(&expected));
    }
}

TEST(BuyukGetirServer, AnswersOverTheListener)
{
    srvtest::Options o;
    o.workstations = {{QStringLiteral("SUNUCU-PC-1"), 0}};
    srvtest::TestServer server(o);
    const srvtest::Reply reply = server.post("BuyukGetir", R"({"_parameters":["SUNUCU-PC-1"]})");
    ASSERT_EQ(reply.status, 200) << reply.body;
    const auto r = wire::MessageReader::parse(reply.body, "result").record<TSonucBilgisi>(0);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->FVarmi);
    EXPECT_EQ(r->FCARINO, server.carinoOf(0));
    EXPECT_EQ(r->FADI, demo::credentialsFor(server.store(), QStringLiteral("SUNUCU-PC-1")).user);
    EXPECT_EQ(r->FVersion, 2);
}
