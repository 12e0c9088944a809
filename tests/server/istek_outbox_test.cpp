// The dealer card and the two request operations: what reaches the outbox, who is refused, and the
// requested password applied from its hash.
#include "support/test_database.h"
#include "support/test_server.h"

#include "auth/password.h"
#include "demo/demo.h"
#include "mail/outbox.h"
#include "records.h"
#include "store/schema.h"
#include "store/store.h"
#include "wire.h"

#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using srvtest::TestServer;

const QString kOwn = QStringLiteral("WS-ISTEK-A");
const QString kOther = QStringLiteral("WS-ISTEK-B");

using srvtest::scalar;

// The 17 texts of a mail, all different, with Turkish letters and a line break in the subject.
QStringList mailValues(const QString& identity)
{
    return {identity, QStringLiteral("Sipariş hakkında\r\nBcc: kotu@ornek.com"), QStringLiteral("Öz Şahin Oto"),
            QStringLiteral("Çarşı Cad. 5"), QStringLiteral("Kat 2"), QStringLiteral("Üsküdar"), QStringLiteral("İstanbul"),
            QStringLiteral("0216 555 11 22"), QStringLiteral("0216 555 11 23"), QStringLiteral("Ümraniye VD"),
            QStringLiteral("1234567890"), QStringLiteral("Ayşe Yılmaz"), QStringLiteral("AYSE"), QString(),
            QStringLiteral("ayse@ornek.com"), QString(), QStringLiteral("Merhaba,\"Yarın, öğlen\"")};
}

std::string envelope(const QStringList& texts)
{
    wire::MessageWriter w("_parameters");
    for (const QString& t : texts)
        w.text(t);
    return w.finish();
}

std::string cardBody(const QString& identity)
{
    wire::MessageWriter w("_parameters");
    w.integer(0);
    w.text(identity);
    return w.finish();
}

class Outbox : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        srvtest::Options o;
        o.workstations = {{kOwn, 0}};
        server = new TestServer(o);
        store::Store& s = server->store();
        // A dealer user of another account, bound to a workstation of its own.
        const int otherUser = scalar(s, QStringLiteral("SELECT MIN(SIRANO) FROM KULLANICI WHERE MUSTERITIPI IN (3, 4) "
                                                       "AND CARINO <> ?"), {server->carinoOf(0)}).toInt();
        ASSERT_GT(otherUser, 0);
        QSqlQuery bind = store::prepare(s.db(), QStringLiteral(
            "INSERT INTO BILGISAYAR (BILGISAYARID, KULLANICINO, ADI, KAYITTARIHI) VALUES (?, ?, 'TEST', '2026-01-01')"));
        bind.addBindValue(kOther);
        bind.addBindValue(otherUser);
        store::exec(bind);
        ownKey = server->signIn(0);
        const demo::Credentials c = demo::credentialsFor(s, kOther);
        otherKey = server->buyukGetir(kOther, srvtest::basicAuthorization(c.user, c.password)).sessionKey;
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
        ASSERT_FALSE(ownKey.empty());
        ASSERT_FALSE(otherKey.empty());
    }
    static int rows() { return scalar(server->store(), QStringLiteral("SELECT COUNT(*) FROM ISTEK")).toInt(); }

    static inline TestServer* server = nullptr;
    static inline std::string ownKey;
    static inline std::string otherKey;
};

TEST_F(Outbox, DealerCardIsTheCallersOwnAccountWithoutPassword)
{
    const auto reply = server->post("MobilCariBilgisiGetir", cardBody(kOwn), ownKey);
    ASSERT_EQ(reply.status, 200) << reply.body;
    const auto card = wire::MessageReader::parse(reply.body, "result").record<TMobilCariBilgisi>(0);
    ASSERT_TRUE(card);
    store::Store& s = server->store();
    EXPECT_EQ(card->FCARINO, server->carinoOf(0));
    EXPECT_EQ(card->FCARIADI, scalar(s, QStringLiteral("SELECT CARIADI FROM CARI WHERE CARINO = ?"), {card->FCARINO}).toString());
    EXPECT_EQ(card->FADRES1, scalar(s, QStringLiteral("SELECT ADRES1 FROM CARI WHERE CARINO = ?"), {card->FCARINO}).toString());
    EXPECT_EQ(card->FSEHIR, scalar(s, QStringLiteral("SELECT IL FROM CARI WHERE CARINO = ?"), {card->FCARINO}).toString());
    EXPECT_FALSE(card->FCARIADI.isEmpty());
    EXPECT_EQ(card->FKULLANICIADI, demo::credentialsFor(s, kOwn).user);
    EXPECT_TRUE(card->FSIFRE.isEmpty()) << "the stored password, hash or not, never leaves the server";
    EXPECT_EQ(reply.body.find("argon2"), std::string::npos);
}

// No key, and a key used with another dealer's workstation, both ways round: refused, nothing stored.
TEST_F(Outbox, StrangersAreRefusedAndStoreNothing)
{
    const int before = rows();
    struct Case {
        const char* op;
        std::string body;
        std::string key;
        int status;
    };
    const Case cases[] = {
        {"MobilCariBilgisiGetir", cardBody(kOwn), {}, 401},
        {"MobilCariBilgisiGetir", cardBody(kOther), ownKey, 403},
        {"MailGonserCariNormal", envelope(mailValues(kOwn)), {}, 401},
        {"MailGonserCariNormal", envelope(mailValues(kOwn)), otherKey, 403},
        {"MailGonserCari", envelope(mailValues(kOther).mid(0, 16)), ownKey, 403},
        {"MailGonserCari", envelope(mailValues(kOwn).mid(0, 16)), "0000", 401},
    };
    for (const Case& c : cases)
        EXPECT_EQ(server->post(c.op, c.body, c.key).status, c.status) << c.op;
    EXPECT_EQ(rows(), before);
}

TEST_F(Outbox, MailKeepsAllSeventeenValuesWithSenderAndTime)
{
    const QStringList v = mailValues(kOwn);
    const auto reply = server->post("MailGonserCariNormal", envelope(v), ownKey);
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(wire::MessageReader::parse(reply.body, "result").integer(0), 1);
    QSqlQuery q = store::exec(server->store().db(), QStringLiteral(
        "SELECT BILGISAYARID, BASLIK, FIRMAADI, ADRES1, ADRES2, ILCE, SEHIR, TELEFON, FAX, VD, VN, YETKILI, "
        "KULLANICIADI, SIFRE, MAIL, KARGOAMBAR, KONU, TUR, DURUM, CARINO, KULLANICINO, TARIH "
        "FROM ISTEK ORDER BY SIRANO DESC"));
    ASSERT_TRUE(q.next());
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(q.value(i).toString(), v.at(i)) << "value " << i + 1;
    EXPECT_EQ(q.value(17).toInt(), int(mail::MailKind));
    EXPECT_EQ(q.value(18).toInt(), int(mail::Waiting));
    EXPECT_EQ(q.value(19).toInt(), server->carinoOf(0));
    EXPECT_EQ(q.value(20).toInt(), server->userOf(0));
    EXPECT_TRUE(store::timeFromText(q.value(21).toString()).isValid());
}

TEST_F(Outbox, RequestedPasswordIsKeptOnlyAsHashAndAppliedOnConfirmation)
{
    store::Store& s = server->store();
    const demo::Credentials old = demo::credentialsFor(s, kOther);
    const QString requested = QStringLiteral("YENİ-ŞİFRE-42");
    QStringList v = mailValues(kOther).mid(0, 16);
    v[1] = QStringLiteral("Şifre Değiştirme İsteği");
    v[12] = old.user;
    v[13] = requested;
    const auto reply = server->post("MailGonserCari", envelope(v), otherKey);
    ASSERT_EQ(reply.status, 200) << reply.body;
    const int id = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK WHERE TUR = 2")).toInt();
    const QString stored = scalar(s, QStringLiteral("SELECT SIFRE FROM ISTEK WHERE SIRANO = ?"), {id}).toString();
    EXPECT_TRUE(auth::isPasswordHash(stored));
    EXPECT_TRUE(auth::verifyPassword(stored, requested));
    const QString mailText = QString::fromUtf8(mail::compose(mail::mailForRequest(s, id, {}), QDateTime::currentDateTime()));
    const mail::Mail m = mail::mailForRequest(s, id, {});
    EXPECT_FALSE(m.body.contains(requested));
    EXPECT_FALSE(m.body.contains(stored));
    EXPECT_TRUE(m.body.contains(old.user));
    EXPECT_TRUE(m.body.contains(kOther));
    EXPECT_FALSE(mailText.contains(QStringLiteral("argon2")));

    // A mail is no password request; the request applies once; then only the new password signs in.
    ASSERT_EQ(server->post("MailGonserCariNormal", envelope(mailValues(kOther)), otherKey).status, 200);
    const int mailRow = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK WHERE TUR = 1")).toInt();
    EXPECT_THROW(mail::applyRequestedPassword(s, mailRow), store::StoreError);
    EXPECT_THROW(mail::applyRequestedPassword(s, id + 1000), store::StoreError);
    EXPECT_EQ(mail::applyRequestedPassword(s, id), old.user);
    EXPECT_THROW(mail::applyRequestedPassword(s, id), store::StoreError);
    EXPECT_EQ(scalar(s, QStringLiteral("SELECT COUNT(*) FROM OTURUM WHERE KULLANICINO = "
                                       "(SELECT KULLANICINO FROM BILGISAYAR WHERE BILGISAYARID = ?)"), {kOther}).toInt(), 0)
        << "a password change ends the user's sessions";
    EXPECT_TRUE(server->buyukGetir(kOther, srvtest::basicAuthorization(old.user, old.password)).sessionKey.empty());
    otherKey = server->buyukGetir(kOther, srvtest::basicAuthorization(old.user, requested)).sessionKey;
    EXPECT_FALSE(otherKey.empty());
}

// A request naming another user than the one who sent it is left for the wholesaler.
TEST_F(Outbox, PasswordRequestForAnotherUserNameIsNotApplied)
{
    store::Store& s = server->store();
    QStringList v = mailValues(kOwn).mid(0, 16);
    v[13] = QStringLiteral("BASKASI");
    v[12] = QStringLiteral("BASKA-KULLANICI");
    ASSERT_EQ(server->post("MailGonserCari", envelope(v), ownKey).status, 200);
    const int id = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK WHERE TUR = 2")).toInt();
    EXPECT_THROW(mail::applyRequestedPassword(s, id), store::StoreError);
    EXPECT_FALSE(server->signIn(0).empty()) << "the demo password still holds";
}

} // namespace

namespace {

// Requests stored in plain text before the outbox existed are hashed by its migration step.
TEST(OutboxMigration, HashesPlainRequestedPasswords)
{
    TEZVAL_SKIP_WITHOUT_DATABASE();
    testdb::Database database;
    store::Store s(database.url());
    s.migrate();
    store::exec(s.db(), QStringLiteral("INSERT INTO ISTEK (TARIH, TUR, SIFRE) VALUES ('2026-01-01T00:00:00', 2, 'ESKI1'), "
                                       "('2026-01-01T00:00:00', 1, '')"));
    const auto& all = store::schema::migrations();
    const auto step = std::find_if(all.begin(), all.end(), [](const auto& m) { return m.version == 4; });
    ASSERT_NE(step, all.end());
    ASSERT_TRUE(step->then);
    QSqlDatabase db = s.db();
    step->then(db);
    const QString hashed = scalar(s, QStringLiteral("SELECT SIFRE FROM ISTEK WHERE TUR = 2")).toString();
    EXPECT_TRUE(auth::verifyPassword(hashed, QStringLiteral("ESKI1")));
    EXPECT_EQ(scalar(s, QStringLiteral("SELECT SIFRE FROM ISTEK WHERE TUR = 1")).toString(), QString());
}

} // namespace
