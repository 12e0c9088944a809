// The mail form, the password change request and the general menu's three entries, against the real
// server: what reaches the outbox, the warnings, the server going away, and a requested password applied.
#include "e2e_testing.h"

#include "app/unit1.h"
#include "auth/password.h"
#include "demo/demo.h"
#include "kit/net/connection.h"
#include "kit/ui/shell.h"
#include "mail/outbox.h"
#include "remote/proxim.h"
#include "requests/kullanicikayitu.h"
#include "requests/mailformu.h"
#include "session/girisformu.h"
#include "store/store.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <gtest/gtest.h>

#include "support/qt_main.h"

namespace {

const QString kIstasyon = QStringLiteral("ISTEK-ISTASYON-01");

using srvtest::scalar;

class IstekTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        srvtest::Options o;
        o.workstations = {{kIstasyon, 0}};
        server = std::make_unique<srvtest::TestServer>(o);
        const ProgramAyari ayar = e2e::ayarFor(server->port(), server->webPort(), kIstasyon);
        bagc.setHostName(ayar.sunucuHost);
        bagc.setPort(ayar.sunucuPort);
        ASSERT_TRUE(signIn(demo::credentialsFor(server->store(), kIstasyon).password));
    }
    // Signs in on bagc as the sign-in dialog does; false when no session key came back.
    bool signIn(const QString& password)
    {
        kit::Connection c;
        c.setHostName(bagc.hostName());
        c.setPort(bagc.port());
        c.setCredentials(demo::credentialsFor(server->store(), kIstasyon).user, password);
        c.open();
        {
            TServerMethods1Client p(c);
            if (const TSonucBilgisi* r = p.BuyukGetir(kIstasyon))
                bilgi.Kopyala(*r);
        }
        c.close();
        bagc.setSessionKey(c.issuedSessionKey());
        return !c.issuedSessionKey().isEmpty();
    }
    QString lastText() const { return script.texts().value(script.texts().size() - 1); }
    int rows(int tur) const
    {
        return scalar(server->store(), QStringLiteral("SELECT COUNT(*) FROM ISTEK WHERE TUR = ? AND BILGISAYARID = ?"),
                      {tur, kIstasyon}).toInt();
    }
    QString cari(const char* column) const
    {
        return scalar(server->store(), QStringLiteral("SELECT %1 FROM CARI WHERE CARINO = ?").arg(QString::fromLatin1(column)),
                      {server->carinoOf(0)}).toString();
    }

    e2e::DataHome home;
    e2e::Script script;
    std::unique_ptr<srvtest::TestServer> server;
    kit::Connection bagc;
    TSonucBilgisi bilgi;
};

TEST_F(IstekTest, MailFormWarnsThenSendsAllSeventeenValuesTwice)
{
    Tmailform f(nullptr, bagc, bilgi);
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Mail Gönder"));
    EXPECT_EQ(f.size(), QSize(671, 451));

    f.baslik->setText(QStringLiteral("   "));
    f.konu->setPlainText(QStringLiteral("dolu"));
    f.Button2->click();
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown.back().title, QStringLiteral("Uyarı"));
    EXPECT_EQ(lastText(), QStringLiteral("Lütfen Başlık Giriniz !"));
    EXPECT_EQ(f.focusWidget(), f.baslik);

    f.baslik->setText(QStringLiteral("Sipariş, acil"));
    f.konu->setPlainText(QStringLiteral(" \n  "));
    f.Button2->click();
    EXPECT_EQ(lastText(), QStringLiteral("Lütfen Konu Giriniz !"));
    EXPECT_EQ(f.focusWidget(), f.konu);
    EXPECT_EQ(rows(1), 0);

    f.konu->setPlainText(QStringLiteral("Merhaba\nYarın, öğlen \"kargo\" ile"));
    for (int send = 1; send <= 2; ++send) {
        f.Button2->click();
        EXPECT_FALSE(f.Button2->isEnabled());
        f.Button1->click(); // "Kapat" does nothing while a send runs
        EXPECT_TRUE(f.isVisible());
        ASSERT_TRUE(e2e::waitUntil([&] { return f.Button2->isEnabled(); }));
        EXPECT_EQ(lastText(), QStringLiteral("Mail Gönderildi !")) << script.texts().join(u'|').toStdString();
        EXPECT_EQ(rows(1), send);
    }

    QSqlQuery q = store::prepare(server->store().db(), QStringLiteral(
        "SELECT BILGISAYARID, BASLIK, FIRMAADI, ADRES1, ADRES2, ILCE, SEHIR, TELEFON, FAX, VD, VN, YETKILI, "
        "KULLANICIADI, SIFRE, MAIL, KARGOAMBAR, KONU FROM ISTEK WHERE BILGISAYARID = ? ORDER BY SIRANO DESC"));
    q.addBindValue(kIstasyon);
    store::exec(q);
    ASSERT_TRUE(q.next());
    const QString mail = scalar(server->store(), QStringLiteral("SELECT EMAIL FROM KULLANICI WHERE SIRANO = ?"),
                                {server->userOf(0)}).toString();
    const QString expected[17] = {kIstasyon, QStringLiteral("Sipariş, acil"), cari("CARIADI"), cari("ADRES1"),
                                  cari("ADRES2"), cari("ILCE"), cari("IL"), cari("TEL1"), cari("FAX1"),
                                  cari("VERGIDAIRESI"), cari("VERGINO"), cari("YETKILI"), bilgi.FADI, QString(), mail,
                                  QString(), QStringLiteral("Merhaba,\"Yarın, öğlen \"\"kargo\"\" ile\"")};
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(q.value(i).toString(), expected[i]) << "value " << i + 1;
    q.finish();
    EXPECT_FALSE(cari("CARIADI").isEmpty());
    f.Button1->click();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(IstekTest, MailFormReportsAServerThatWentAwayAndKeepsTheTexts)
{
    Tmailform f(nullptr, bagc, bilgi);
    f.show();
    f.baslik->setText(QStringLiteral("Konu"));
    f.konu->setPlainText(QStringLiteral("Metin"));
    server->stop();
    f.Button2->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return f.Button2->isEnabled(); }, 60000));
    EXPECT_EQ(lastText(), QStringLiteral("Mail Göndermede Hata\nLütfen Tekrar Deneyin !"));
    EXPECT_EQ(script.shown.back().title, QStringLiteral("Hata"));
    EXPECT_TRUE(script.texts().contains(QStringLiteral("Bağlantı Kurulamıyor Lütfen Tekrar Deneyin ...!")));
    EXPECT_EQ(f.baslik->text(), QStringLiteral("Konu"));
    EXPECT_EQ(f.konu->toPlainText(), QStringLiteral("Metin"));
}

TEST_F(IstekTest, PasswordRequestChecksFieldsInOrderThenSendsTwiceAndIsApplied)
{
    Tkullanicikayit f(nullptr, bilgi, bagc);
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Şifre Değiştirme İsteği"));
    EXPECT_EQ(f.lblid->text(), QStringLiteral("Bilgisayar ID: ") + kIstasyon);
    EXPECT_EQ(f.kullaniciadi->text(), bilgi.FADI);
    EXPECT_EQ(f.firmaadi->text(), bilgi.FCariAdi);
    EXPECT_EQ(f.adres1->text(), cari("ADRES1"));
    EXPECT_EQ(f.sehir->text(), cari("IL"));
    EXPECT_EQ(f.telefon->text(), cari("TEL1"));
    EXPECT_EQ(f.vn->text(), cari("VERGINO"));
    EXPECT_TRUE(script.texts().isEmpty()) << script.texts().join(u'|').toStdString();

    // Every required field blanked (blanks only), then filled one by one: the warnings come in order.
    const std::pair<QLineEdit*, QString> required[] = {
        {f.firmaadi, QStringLiteral("Firma Adı boş olamaz !")},   {f.adres1, QStringLiteral("Adres boş olamaz !")},
        {f.ilce, QStringLiteral("İlçe Adı boş olamaz !")},        {f.sehir, QStringLiteral("Şehir Adı boş olamaz !")},
        {f.telefon, QStringLiteral("Telefon  boş olamaz !")},     {f.yetkili, QStringLiteral("Yetkili  boş olamaz !")},
        {f.kullaniciadi, QStringLiteral("Kullanıcı  boş olamaz !")}, {f.sifre, QStringLiteral("Şifre  boş olamaz !")},
        {f.mail, QStringLiteral("Mail  boş olamaz !")},
    };
    for (const auto& [edit, text] : required)
        edit->setText(QStringLiteral("  "));
    for (QLineEdit* optional : {f.adres2, f.fax, f.vd, f.vn, f.kargoambar})
        optional->clear();
    for (const auto& [edit, text] : required) {
        f.Button2->click();
        EXPECT_EQ(lastText(), text);
        EXPECT_EQ(script.shown.back().title, QStringLiteral("Uyarı"));
        EXPECT_EQ(f.focusWidget(), edit) << text.toStdString();
        edit->setText(QStringLiteral("x"));
    }
    EXPECT_EQ(rows(2), 0);
    f.kullaniciadi->setText(bilgi.FADI);
    f.sifre->clear();
    QTest::keyClicks(f.sifre, QStringLiteral("yeni2026"));
    const QString requested = f.sifre->text();
    EXPECT_EQ(requested, QStringLiteral("YENI2026")) << "typed as sign-in will take it";

    const std::size_t before = script.shown.size();
    f.Button2->click();
    f.Button2->click();
    ASSERT_EQ(script.shown.size(), before + 2);
    EXPECT_EQ(script.texts().mid(script.texts().size() - 2),
              QStringList({QStringLiteral("İsteğiniz Gönderildi!"), QStringLiteral("İsteğiniz Gönderildi!")}));
    EXPECT_EQ(script.shown.back().title, QStringLiteral("Bilgi"));
    EXPECT_EQ(rows(2), 2);

    // The plain password is nowhere in the outbox, nor in the mail it becomes.
    store::Store& s = server->store();
    QSqlQuery all = store::exec(s.db(), QStringLiteral("SELECT * FROM ISTEK"));
    while (all.next())
        for (int i = 0; i < all.record().count(); ++i)
            EXPECT_FALSE(all.value(i).toString().contains(requested, Qt::CaseInsensitive));
    all.finish();
    const int id = scalar(s, QStringLiteral("SELECT MAX(SIRANO) FROM ISTEK WHERE TUR = 2 AND BILGISAYARID = ?"), {kIstasyon}).toInt();
    EXPECT_EQ(scalar(s, QStringLiteral("SELECT BASLIK FROM ISTEK WHERE SIRANO = ?"), {id}).toString(),
              QStringLiteral("Şifre Değiştirme İsteği"));
    const mail::Mail m = mail::mailForRequest(s, id, {});
    EXPECT_FALSE(m.body.contains(requested, Qt::CaseInsensitive));
    EXPECT_FALSE(mail::compose(m, QDateTime::currentDateTime()).contains(requested.toUtf8()));

    // Confirmed by the wholesaler: the new password signs in, the old one no longer does.
    const QString old = demo::credentialsFor(s, kIstasyon).password;
    EXPECT_EQ(mail::applyRequestedPassword(s, id), bilgi.FADI);
    EXPECT_TRUE(signIn(requested));
    EXPECT_FALSE(signIn(old));
}

TEST_F(IstekTest, GeneralMenuOpensBothFormsAndTheWebSite)
{
    TForm1 form(e2e::ayarFor(server->port(), server->webPort(), kIstasyon));
    const demo::Credentials c = demo::credentialsFor(server->store(), kIstasyon);
    script.on<Tgirisform>([c](Tgirisform& g) {
        g.adi->setText(c.user);
        g.sifre->setText(c.password);
        g.Button1->click();
    });
    form.FormCreate();
    ASSERT_EQ(script.ends, 0);
    form.show();

    QString mailTitle, requestUser;
    script.on<Tmailform>([&](Tmailform& f) {
        mailTitle = f.windowTitle();
        f.Button1->click();
    });
    script.on<Tkullanicikayit>([&](Tkullanicikayit& f) {
        requestUser = f.kullaniciadi->text();
        f.Button1->click();
    });
    form.M1->trigger();
    EXPECT_EQ(mailTitle, QStringLiteral("Mail Gönder"));
    form.N4->trigger();
    EXPECT_EQ(requestUser, c.user);

    QStringList opened;
    kit::setShellHook([&](const QString& target, const QStringList&) {
        opened << target;
        return true;
    });
    form.araedit->setText(QStringLiteral("FREN"));
    form.webItem->trigger();
    kit::setShellHook({});
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://127.0.0.1:%1/").arg(server->webPort())});
    EXPECT_EQ(form.webItem->text(), opened.value(0));
    EXPECT_EQ(form.araedit->selectedText(), QStringLiteral("FREN"));
    EXPECT_EQ(form.focusWidget(), form.araedit);
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
