// The proxy and the connection against the real server on loopback: round trips, failures, retries.
#include "kit/net/connection.h"
#include "remote/proxim.h"
#include "remote_testing.h"
#include "support/qt_main.h"
#include "session/utils.h"
#include "support/test_server.h"

#include "demo/demo.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using testing_remote::DialogRecorder;
using testing_remote::SeenDialog;

namespace {

const QString kBound = QStringLiteral("TEST-ISTASYON-01");

std::unique_ptr<kit::Connection> openTo(unsigned short port)
{
    auto c = std::make_unique<kit::Connection>();
    c->setHostName(QStringLiteral("127.0.0.1"));
    c->setPort(port);
    c->open();
    return c;
}

srvtest::Options boundWorkstation(std::function<void(srv::Dispatcher&)> handlers = {})
{
    srvtest::Options o;
    o.workstations = {{kBound, 0}};
    o.handlers = std::move(handlers);
    return o;
}

// The demo user name and password of the bound workstation, set for the sign-in call.
void withCredentials(srvtest::TestServer& server, kit::Connection& c)
{
    const demo::Credentials who = demo::credentialsFor(server.store(), kBound);
    c.setCredentials(who.user, who.password);
}

TEST(Proxy, BuyukGetirAnswersTheBoundAccountAndAnEmptyRecordForAnUnknownWorkstation)
{
    srvtest::TestServer server(boundWorkstation());
    auto c = openTo(server.port());
    ASSERT_TRUE(c->isOpen());
    TServerMethods1Client proxy(*c);

    // Without credentials the server tells only that the workstation is known.
    const TSonucBilgisi* anonymous = proxy.BuyukGetir(kBound);
    ASSERT_NE(anonymous, nullptr);
    EXPECT_TRUE(anonymous->Varmi());
    EXPECT_TRUE(anonymous->ADI().isEmpty());
    EXPECT_EQ(anonymous->CARINO(), 0);
    EXPECT_TRUE(c->sessionKey().isEmpty());

    withCredentials(server, *c);
    const TSonucBilgisi* bound = proxy.BuyukGetir(kBound);
    ASSERT_NE(bound, nullptr);
    EXPECT_TRUE(bound->Varmi());
    EXPECT_EQ(bound->BILGISAYARID(), kBound);
    EXPECT_EQ(bound->CARINO(), server.carinoOf(0));
    EXPECT_EQ(bound->Version(), 2);
    EXPECT_FALSE(bound->ADI().isEmpty());
    // The key becomes a setting of the connection, so every clone made from it carries it.
    EXPECT_EQ(c->sessionKey().size(), 64);
    EXPECT_EQ(c->issuedSessionKey(), c->sessionKey());
    EXPECT_EQ(c->clone()->sessionKey(), c->sessionKey());

    const TSonucBilgisi* unknown = proxy.BuyukGetir(QStringLiteral("KIMSENIN-DEGIL"));
    ASSERT_NE(unknown, nullptr);
    EXPECT_FALSE(unknown->Varmi());
    EXPECT_EQ(unknown->CARINO(), 0);
    EXPECT_EQ(unknown->Version(), 2);

    // The answers came over the same kept-alive connection, and the earlier records are still the proxy's.
    EXPECT_NE(bound, unknown);
    EXPECT_TRUE(c->isOpen());
    EXPECT_EQ(bound->CARINO(), server.carinoOf(0));
}

TEST(Proxy, CallsCarryTheKeyAndAStaleKeyIsRefusedWithItsMessage)
{
    srvtest::TestServer server(boundWorkstation([](srv::Dispatcher& d) {
        d.handle("KayanYaziGetir", [](srv::Call& c) { c.out.text(c.caller->userName); });
    }));
    auto c = openTo(server.port());
    withCredentials(server, *c);
    TServerMethods1Client(*c).BuyukGetir(kBound);
    auto clone = c->clone();
    clone->open();
    EXPECT_EQ(TServerMethods1Client(*clone).KayanYaziGetir(), demo::credentialsFor(server.store(), kBound).user);

    clone->setSessionKey(QString(64, QLatin1Char('0')));
    try {
        TServerMethods1Client(*clone).KayanYaziGetir();
        ADD_FAILURE() << "a made-up key was accepted";
    } catch (const kit::RemoteError& e) {
        EXPECT_EQ(e.status(), 401);
        EXPECT_EQ(e.text(), QStringLiteral("Oturum geçersiz veya süresi dolmuş. Lütfen programı yeniden başlatın."));
    }
}

// Every operation the proxy sends passes the server's checks of the inputs and of their scope when
// called as the client calls it: with the handlers removed, each is answered 501.
TEST(Proxy, EveryOperationMatchesTheServersTable)
{
    using P = TServerMethods1Client;
    srvtest::TestServer server(boundWorkstation());
    auto c = openTo(server.port());
    withCredentials(server, *c);
    TSonucBilgisi me;
    me.Kopyala(*TServerMethods1Client(*c).BuyukGetir(kBound));
    auto rec = [&] {
        auto r = std::make_unique<TSonucBilgisi>();
        r->Kopyala(me);
        return r;
    };
    const int carino = me.CARINO(), user = me.Sirano(), type = me.MusteriTipi();
    const QString t = QStringLiteral("ş");
    qint64 n = 0;
    const std::vector<std::pair<const char*, std::function<void(P&)>>> calls = {
        {"BuyukGetir", [&](P& p) { p.BuyukGetir(t); }},
        {"StokAraGetir", [&](P& p) { p.StokAraGetir(t, rec()); }},
        {"SepetEkle2", [&](P& p) { p.SepetEkle2(rec(), carino, 2, t, t, 1.5, 20, 10, 0, user, 0, 0, 0, 0); }},
        {"SepetGuncelle2", [&](P& p) { p.SepetGuncelle2(rec(), carino, 2, t, t, 1.5, 20, 10, 0, user, 4, 0, 0, 0); }},
        {"YenilerVer2", [&](P& p) { p.YenilerVer2(carino); }},
        {"KampanyaliVer2", [&](P& p) { p.KampanyaliVer2(carino, type); }},
        {"ResimVer5", [&](P& p) { p.ResimVer5(1, n); }},
        {"StokHareketVer", [&](P& p) { p.StokHareketVer(carino, 2); }},
        {"SepetVer2", [&](P& p) { p.SepetVer2(carino); }},
        {"SepetSecimGuncelle", [&](P& p) { p.SepetSecimGuncelle(1, 1); }},
        {"SepetSatirSil", [&](P& p) { p.SepetSatirSil(rec(), 1, t); }},
        {"SepetHepsiniSil", [&](P& p) { p.SepetHepsiniSil(rec()); }},
        {"TeslimVer", [&](P& p) { p.TeslimVer(); }},
        {"KargoVer", [&](P& p) { p.KargoVer(); }},
        {"KargolarVer", [&](P& p) { p.KargolarVer(1); }},
        {"SiparisKaydet", [&](P& p) { p.SiparisKaydet(rec(), carino, 2, 3, t, user, 5); }},
        {"OncekiSiparisler", [&](P& p) { p.OncekiSiparisler(carino); }},
        {"SiparisAyrintisi2", [&](P& p) { p.SiparisAyrintisi2(carino, 2); }},
        {"SiparisAytintisiDip", [&](P& p) { p.SiparisAytintisiDip(0, 2); }},
        {"TumSiparislerVer", [&](P& p) { p.TumSiparislerVer(carino, 2); }},
        {"BakiyelerVer2", [&](P& p) { p.BakiyelerVer2(carino); }},
        {"BakiyeDuzenle", [&](P& p) { p.BakiyeDuzenle(rec(), 1, 2, 3, 1, 1, t); }},
        {"BakiyeDegistir", [&](P& p) { p.BakiyeDegistir(rec(), 1, 2, 3, 1, 1, t); }},
        {"BakiyeFiyatDegistir", [&](P& p) { p.BakiyeFiyatDegistir(rec(), 1, 2, 3, 1, 1, t, 9.5, 5); }},
        {"CariEkstreVer", [&](P& p) { p.CariEkstreVer(carino); }},
        {"FaturaGetir", [&](P& p) { p.FaturaGetir(carino, 2); }},
        {"FaturaAltGetir", [&](P& p) { p.FaturaAltGetir(1); }},
        {"Tahsilat", [&](P& p) { p.Tahsilat(1); }},
        {"SanalposSiranoVer", [&](P& p) { p.SanalposSiranoVer(1); }},
        {"SAnalPosPdfVer", [&](P& p) { p.SAnalPosPdfVer(1, n); }},
        {"CariDurumVer", [&](P& p) { p.CariDurumVer(carino); }},
        {"CariVadeGunGecmismiBul", [&](P& p) { p.CariVadeGunGecmismiBul(carino); }},
        {"CariAra", [&](P& p) { p.CariAra(rec(), t); }},
        {"SepetSayisi", [&](P& p) { p.SepetSayisi(rec()); }},
        {"TusSonuclariVer", [&](P& p) { p.TusSonuclariVer(rec()); }},
        {"CariSepetVer", [&](P& p) { p.CariSepetVer(rec(), 1); }},
        {"RaporGetir", [&](P& p) { p.RaporGetir(6, 6, user, carino, t, 45000, 45100.5, n); }},
        {"RaporAlinanSiparisler", [&](P& p) { p.RaporAlinanSiparisler(rec(), 45000, 45100); }},
        {"RaporEnCokSatilanStoklar", [&](P& p) { p.RaporEnCokSatilanStoklar(rec(), 45000, 45100); }},
        {"BalonGetir", [&](P& p) { p.BalonGetir(rec()); }},
        {"AcilisEkranlarVer2", [&](P& p) { p.AcilisEkranlarVer2(); }},
        {"AcilisReklamAdet", [&](P& p) { p.AcilisReklamAdet(); }},
        {"AcilisREklamVer", [&](P& p) { p.AcilisREklamVer(1); }},
        {"KayanYaziGetir", [&](P& p) { p.KayanYaziGetir(); }},
        {"BannerResimVer", [&](P& p) { p.BannerResimVer(n); }},
        {"BannerResimVer2", [&](P& p) { p.BannerResimVer2(n); }},
        {"BannerResimVer3", [&](P& p) { p.BannerResimVer3(n); }},
        {"MailGonserCariNormal",
         [&](P& p) { p.MailGonserCariNormal(kBound, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t); }},
        {"MailGonserCari", [&](P& p) { p.MailGonserCari(kBound, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t); }},
        {"MobilCariBilgisiGetir", [&](P& p) { p.MobilCariBilgisiGetir(0, kBound); }},
    };
    ASSERT_EQ(calls.size(), 50u);

    // Only the sign-in keeps its handler; the others now answer 501 once every check has passed.
    srv::Dispatcher& d = server.dispatcher();
    for (const auto& [op, call] : calls)
        if (std::string_view(op) != "BuyukGetir")
            d.handle(op, {});
    TServerMethods1Client proxy(*c);
    for (const auto& [op, call] : calls) {
        if (std::string_view(op) == "BuyukGetir")
            continue;
        try {
            call(proxy);
            ADD_FAILURE() << op << " succeeded without a handler";
        } catch (const kit::RemoteError& e) {
            EXPECT_EQ(e.status(), 501) << op << ": " << e.what();
            EXPECT_EQ(e.text(), QString::fromLatin1(op) + QStringLiteral(": not implemented (bu işlem henüz sunucuda yok)"));
        }
    }
    EXPECT_TRUE(c->isOpen()); // failure answers keep the connection
}

// What the proxy reads back: out parameters first, then the result; server errors carry their text.
TEST(Proxy, ReadsOutParametersStreamsReadersAndServerErrors)
{
    const QByteArray picture("\x89PNG\r\n\x1a\n-resim-", 16);
    srvtest::TestServer server(boundWorkstation([&](srv::Dispatcher& d) {
        d.handle("ResimVer5", [&](srv::Call& call) {
            const QByteArray bytes = picture + QByteArray::number(call.in.integer("stokno"));
            call.out.largeint(bytes.size());
            call.out.stream(bytes);
        });
        d.handle("KargolarVer", [](srv::Call& call) {
            call.out.beginTable({{QStringLiteral("ID"), wire::Type::Integer, 0},
                                 {QStringLiteral("ADI"), wire::Type::Text, 40}});
            for (int i = 1; i <= call.in.integer("gn"); ++i) {
                call.out.beginRow();
                call.out.cellInt(i);
                call.out.cellText(QStringLiteral("Kargo %1 ğüşİ").arg(i));
                call.out.endRow();
            }
            call.out.endTable();
        });
        d.handle("SiparisAytintisiDip", [](srv::Call& call) {
            if (call.in.integer("siranosu") == 0) {
                call.out.null();
                return;
            }
            TSiparisDipAyrinti r;
            r.FSizinMesaj = QStringLiteral("Acil, öğlene kadar");
            r.FDurumu = QString::number(call.in.integer("siranosu"));
            call.out.record(&r);
        });
        d.handle("SepetSecimGuncelle", [](srv::Call& call) {
            if (call.in.integer("sirano") < 0)
                throw srv::CallError{409, QStringLiteral("Sepet satırı bulunamadı")};
        });
    }));
    auto c = openTo(server.port());
    c->setSessionKey(QString::fromStdString(server.signIn(0)));
    TServerMethods1Client proxy(*c);

    qint64 boy = -1;
    QIODevice* stream = proxy.ResimVer5(7, boy);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(boy, picture.size() + 1);
    EXPECT_EQ(stream->readAll(), picture + "7");

    kit::Reader* reader = proxy.KargolarVer(3);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->table().rowCount(), 3);
    QStringList names;
    while (reader->next())
        names << reader->value(QStringLiteral("ADI")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Kargo 1 ğüşİ"), QStringLiteral("Kargo 2 ğüşİ"),
                                  QStringLiteral("Kargo 3 ğüşİ")}));
    EXPECT_FALSE(reader->next());
    EXPECT_THROW(reader->cell(0), wire::WireError); // read to the end: no current row

    EXPECT_EQ(proxy.SiparisAytintisiDip(1, 0), nullptr); // null answers give no record
    const TSiparisDipAyrinti* dip = proxy.SiparisAytintisiDip(1, 77);
    ASSERT_NE(dip, nullptr);
    EXPECT_EQ(dip->SizinMesaj(), QStringLiteral("Acil, öğlene kadar"));
    EXPECT_EQ(dip->Durumu(), QStringLiteral("77"));

    EXPECT_NO_THROW(proxy.SepetSecimGuncelle(5, 1));
    try {
        proxy.SepetSecimGuncelle(-1, 1);
        ADD_FAILURE() << "no error";
    } catch (const kit::RemoteError& e) {
        EXPECT_EQ(e.status(), 409);
        EXPECT_EQ(e.text(), QStringLiteral("Sepet satırı bulunamadı"));
    }
    // The stream handed out earlier is still the proxy's and readable.
    stream->seek(0);
    EXPECT_EQ(stream->readAll(), picture + "7");
}

TEST(Connection, EnvelopeErrorsOversizedAnswersAndAStoppedServer)
{
    std::optional<srvtest::TestServer> server(std::in_place, boundWorkstation());
    auto c = openTo(server->port());

    try {
        c->call("BuyukGetir", "{\"_parameters\":[12]}");
        ADD_FAILURE() << "wrong parameter kind accepted";
    } catch (const kit::RemoteError& e) {
        EXPECT_EQ(e.status(), 400);
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("BuyukGetir"))) << e.what();
    }
    EXPECT_TRUE(c->isOpen());

    c->setMaxResponseBytes(20);
    try {
        TServerMethods1Client(*c).BuyukGetir(kBound);
        ADD_FAILURE() << "oversized answer accepted";
    } catch (const kit::ConnectionError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("20 bayt sınırını aşıyor"))) << e.what();
    }
    EXPECT_FALSE(c->isOpen()); // the rest of that answer is still on the wire: the connection is dropped

    c->setMaxResponseBytes(1 << 20);
    c->open();
    server->stop();
    server.reset();
    try {
        TServerMethods1Client(*c).BuyukGetir(kBound);
        ADD_FAILURE() << "call through a stopped server";
    } catch (const kit::ConnectionError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("sunucusuyla bağlantı koptu"))) << e.what();
    }
    EXPECT_FALSE(c->isOpen());
}

TEST(BaglantiAc, AServerThatComesUpOnTheThirdAttempt)
{
    // The server "comes up" while the second failure is on screen: the fixture picks its own free
    // port, so the connection is pointed at it then, as an administrator's restart would look.
    kit::Connection c;
    c.setHostName(QStringLiteral("127.0.0.1"));
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        c.setPort(probe.serverPort());
    }
    std::optional<srvtest::TestServer> server;
    DialogRecorder rec([&](const SeenDialog&, int index) {
        if (index == 1) {
            server.emplace(boundWorkstation());
            c.setPort(server->port());
        }
        return QString();
    });
    ASSERT_TRUE(BaglantiAc(c, 1));
    EXPECT_TRUE(c.isOpen());
    const auto seen = rec.seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& s : seen)
        EXPECT_TRUE(s.text.endsWith(QStringLiteral("sunucusuna bağlanılamadı: Connection refused"))) << s.text.toStdString();

    withCredentials(*server, c);
    TServerMethods1Client proxy(c);
    const TSonucBilgisi* r = proxy.BuyukGetir(kBound);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->CARINO(), server->carinoOf(0));
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
