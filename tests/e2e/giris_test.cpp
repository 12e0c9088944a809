// Sign-in against the real server: every outcome of the dialog, the settings file, and the main
// window's exit question and account-type adjustments.
#include "e2e_testing.h"

#include "app/unit1.h"
#include "auth/password.h"
#include "demo/demo.h"
#include "remote/proxim.h"
#include "kit/net/connection.h"
#include "kit/ui/busyindicator.h"
#include "kit/ui/shell.h"
#include "requests/dosyaindiru.h"
#include "requests/formistekyeniu.h"
#include "session/girisformu.h"
#include "store/store.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "support/qt_main.h"

namespace {

const QString kIstasyon = QStringLiteral("TEST-ISTASYON-01");

// Changes the user bound to kIstasyon directly in the database.
void setUser(srvtest::TestServer& server, const QString& column, const QVariant& value)
{
    QSqlQuery q(server.store().db());
    q.prepare(QStringLiteral("UPDATE KULLANICI SET %1 = ? WHERE SIRANO = (SELECT KULLANICINO FROM BILGISAYAR WHERE BILGISAYARID = ?)").arg(column));
    q.addBindValue(value);
    q.addBindValue(kIstasyon);
    ASSERT_TRUE(q.exec());
    ASSERT_EQ(q.numRowsAffected(), 1);
}

QVariant userValue(srvtest::TestServer& server, const QString& column)
{
    QSqlQuery q(server.store().db());
    q.prepare(QStringLiteral("SELECT k.%1 FROM KULLANICI k JOIN BILGISAYAR b ON b.KULLANICINO = k.SIRANO WHERE b.BILGISAYARID = ?").arg(column));
    q.addBindValue(kIstasyon);
    EXPECT_TRUE(q.exec() && q.next());
    return q.value(0);
}

// The demo password of the user bound to kIstasyon (the table holds only its hash).
QString demoPassword(srvtest::TestServer& server) { return demo::credentialsFor(server.store(), kIstasyon).password; }

srvtest::Options boundDemo(int version = 2)
{
    srvtest::Options o;
    o.demoVersion = version;
    o.workstations = {{kIstasyon, 0}};
    return o;
}

// A sign-in dialog on its own, wired to a server as the main window would wire it.
struct Giris {
    explicit Giris(const ProgramAyari& ayar) : dlg(ayar)
    {
        conn.setHostName(ayar.sunucuHost);
        conn.setPort(ayar.sunucuPort);
        dlg.bagim = &conn;
        dlg.Bilgim = &bilgi;
        dlg.show();
    }
    // Types as a person would, so that the boxes' capitals apply.
    void type(const QString& user, const QString& pass)
    {
        dlg.adi->clear();
        dlg.sifre->clear();
        QTest::keyClicks(dlg.adi, user);
        QTest::keyClicks(dlg.sifre, pass);
    }
    kit::Connection conn;
    TSonucBilgisi bilgi;
    Tgirisform dlg;
};

class GirisTest : public ::testing::Test {
protected:
    e2e::DataHome home;
    e2e::Script script;
};

TEST_F(GirisTest, RightCredentialsSignInAndAreRemembered)
{
    srvtest::Options o = boundDemo();
    o.handlers = [](srv::Dispatcher& d) {
        d.handle("KayanYaziGetir", [](srv::Call& c) { c.out.text(c.caller->userName); });
    };
    srvtest::TestServer server(o);
    const QString user = userValue(server, QStringLiteral("KULLANICIADI")).toString();
    const QString pass = demoPassword(server);
    ASSERT_FALSE(pass.isEmpty());
    Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    EXPECT_EQ(g.dlg.idsi, kIstasyon);
    EXPECT_EQ(g.dlg.sifre->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, g.dlg.sifre), int('*'));
    g.type(user, pass);
    g.dlg.Button1->click();
    EXPECT_EQ(g.dlg.Button1->text(), QStringLiteral("Bağlanıyor..."));
    EXPECT_FALSE(g.dlg.Button1->isEnabled());
    ASSERT_TRUE(e2e::waitUntil([&] { return g.dlg.result() == QDialog::Accepted; })) << script.texts().join(u'|').toStdString();
    EXPECT_TRUE(script.texts().isEmpty());
    EXPECT_EQ(script.ends, 0);
    EXPECT_EQ(g.bilgi.ADI(), user);
    EXPECT_TRUE(g.bilgi.Varmi());
    EXPECT_EQ(g.bilgi.CARINO(), server.carinoOf(0));
    EXPECT_EQ(g.bilgi.Disip(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(g.bilgi.BILGISAYARID(), kIstasyon);

    // The server's key is now a setting of the main connection: a later call, on a clone as the
    // background runs make them, is served as this user.
    ASSERT_EQ(g.conn.sessionKey().size(), 64);
    auto later = g.conn.clone();
    later->open();
    EXPECT_EQ(TServerMethods1Client(*later).KayanYaziGetir(), user);

    // The settings file holds the three keys literally, the dotless ı included.
    QFile ini(Tgirisform::AyarDosyasi());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_EQ(text, QStringLiteral("[kullanici]\r\nisim=%1\r\nsifre=%2\r\nhatırla=1\r\n").arg(user, pass));
    EXPECT_EQ(ini.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());

    // A new dialog reads them back.
    Giris again(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    EXPECT_EQ(again.dlg.adi->text(), user);
    EXPECT_EQ(again.dlg.sifre->text(), pass);
    EXPECT_TRUE(again.dlg.benihatirla->isChecked());
}

TEST_F(GirisTest, WrongLowerCaseOrInactiveCredentialsAreRefused)
{
    srvtest::TestServer server(boundDemo());
    const QString user = userValue(server, QStringLiteral("KULLANICIADI")).toString();
    const QString wrong = QStringLiteral("Kullanıcı Adı ve Şifre Hatalı Lütfen Tekrar Deneyiniz !");
    struct Case {
        const char* name;
        QString serverPassword;
        QString typed;
        int aktif;
        bool refused;
    };
    const Case cases[] = {
        {"wrong password", QStringLiteral("GIZLI42"), QStringLiteral("GIZLI43"), 1, true},
        {"lower-case typing is capitalised", QStringLiteral("GIZLI42"), QStringLiteral("gizli42"), 1, false},
        {"a lower-case server password never matches", QStringLiteral("gizli42"), QStringLiteral("gizli42"), 1, true},
        {"inactive account", QStringLiteral("GIZLI42"), QStringLiteral("GIZLI42"), 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Tgirisform::AyarDosyasi());
        setUser(server, QStringLiteral("SIFRE"), auth::hashPassword(c.serverPassword));
        setUser(server, QStringLiteral("AKTIF"), c.aktif);
        script.shown.clear();
        Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
        g.type(user, c.typed);
        g.dlg.Button1->click();
        if (!c.refused) {
            EXPECT_TRUE(e2e::waitUntil([&] { return g.dlg.result() == QDialog::Accepted; }));
            continue;
        }
        ASSERT_TRUE(e2e::waitUntil([&] { return !script.shown.empty() && g.dlg.Button1->isEnabled(); }));
        EXPECT_EQ(script.texts(), QStringList{wrong});
        EXPECT_EQ(script.shown.front().title, QStringLiteral("Uyarı"));
        EXPECT_EQ(g.dlg.Button1->text(), QStringLiteral("Giriş!"));
        EXPECT_NE(g.dlg.result(), QDialog::Accepted);
        // Matching credentials are saved before the active check; others are not.
        const bool matched = c.typed.toUpper() == c.serverPassword;
        EXPECT_EQ(QFile::exists(Tgirisform::AyarDosyasi()), matched);
    }
}

// The button itself does not check for empty boxes; the server then answers an empty name and password,
// which must not pass as a match.
TEST_F(GirisTest, EmptyBoxesWithTheButtonAreRefused)
{
    srvtest::TestServer server(boundDemo());
    Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    g.type({}, {});
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return !script.shown.empty() && g.dlg.Button1->isEnabled(); }));
    EXPECT_EQ(script.texts(), QStringList{QStringLiteral("Kullanıcı Adı ve Şifre Hatalı Lütfen Tekrar Deneyiniz !")});
    EXPECT_NE(g.dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(g.conn.sessionKey().isEmpty());
    EXPECT_FALSE(QFile::exists(Tgirisform::AyarDosyasi()));
}

TEST_F(GirisTest, FiveWrongPasswordsThrottleEvenTheRightOne)
{
    srvtest::TestServer server(boundDemo());
    const QString user = userValue(server, QStringLiteral("KULLANICIADI")).toString();
    const QString wrong = QStringLiteral("Kullanıcı Adı ve Şifre Hatalı Lütfen Tekrar Deneyiniz !");
    Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    for (int i = 0; i < 5; ++i) {
        script.shown.clear();
        g.type(user, QStringLiteral("YANLIS%1").arg(i));
        g.dlg.Button1->click();
        ASSERT_TRUE(e2e::waitUntil([&] { return !script.shown.empty() && g.dlg.Button1->isEnabled(); }));
    }
    script.shown.clear();
    g.type(user, demoPassword(server));
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return !script.shown.empty() && g.dlg.Button1->isEnabled(); }));
    EXPECT_EQ(script.texts(), QStringList{wrong});
    EXPECT_NE(g.dlg.result(), QDialog::Accepted);

    // Once the window has passed, the right password works again.
    store::exec(server.store().db(), QStringLiteral("UPDATE GIRISHATA SET ZAMAN = '2000-01-01T00:00:00'"));
    script.shown.clear();
    g.dlg.Button1->click();
    EXPECT_TRUE(e2e::waitUntil([&] { return g.dlg.result() == QDialog::Accepted; })) << script.texts().join(u'|').toStdString();
}

TEST_F(GirisTest, RememberOffLeavesTheBoxesEmpty)
{
    QDir().mkpath(QDir(home.path()).filePath(QStringLiteral("vadudevododude")));
    QFile f(Tgirisform::AyarDosyasi());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[kullanici]\r\nisim=AHMET\r\nsifre=123\r\nhatırla=0\r\n").toUtf8());
    f.close();
    Tgirisform off(e2e::ayarFor(1, 1, kIstasyon));
    EXPECT_FALSE(off.benihatirla->isChecked());
    EXPECT_TRUE(off.adi->text().isEmpty());
    EXPECT_TRUE(off.sifre->text().isEmpty());
}

TEST_F(GirisTest, EmptyFieldsOnEnterWarnWithoutSigningIn)
{
    Tgirisform g(e2e::ayarFor(1, 1, kIstasyon));
    g.show();
    g.adi->clear();
    QTest::keyClick(g.adi, Qt::Key_Return);
    g.adi->setText(QStringLiteral("AHMET"));
    g.sifre->setText(QStringLiteral("   "));
    QTest::keyClick(g.sifre, Qt::Key_Return);
    EXPECT_EQ(script.texts(), (QStringList{QStringLiteral("Lütfen kullanıcı adını giriniz !"), QStringLiteral("Lütfen kullanıcı şifresini giriniz !")}));
    EXPECT_TRUE(g.Button1->isEnabled());
    EXPECT_EQ(g.Button1->text(), QStringLiteral("Giriş"));
}

TEST_F(GirisTest, UnknownWorkstationOpensTheRequestFormThenEnds)
{
    srvtest::TestServer server(boundDemo());
    QStringList opened;
    kit::setShellHook([&](const QString& target, const QStringList&) {
        opened << target;
        return true;
    });
    QString formTitle, formAddress;
    script.on<Tformistekyeni>([&](Tformistekyeni& f) {
        formTitle = f.windowTitle();
        formAddress = f.adres();
        f.Button1->click();
    });
    Giris g(e2e::ayarFor(server.port(), server.webPort(), QStringLiteral("BILINMEYEN-01")));
    g.type(QStringLiteral("X"), QStringLiteral("Y"));
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return script.ends > 0; }));
    kit::setShellHook({});
    const QString expected = QStringLiteral("http://127.0.0.1:%1/formmailgonder.aspx?carino=0&kullanici= &id=BILINMEYEN-01").arg(server.webPort());
    EXPECT_EQ(formTitle, QStringLiteral("Tezval Otomotiv B2B İstek Formu"));
    EXPECT_EQ(formAddress, expected);
    EXPECT_EQ(opened, QStringList{expected});
    EXPECT_FALSE(g.dlg.isVisible());
}

TEST_F(GirisTest, ServerDownGivesTheConnectionMessageAndTheButtonBack)
{
    unsigned short deadPort;
    {
        srvtest::Options none;
        none.demo = false;
        srvtest::TestServer gone(none);
        deadPort = gone.port();
    }
    Giris g(e2e::ayarFor(deadPort, deadPort, kIstasyon));
    g.type(QStringLiteral("AHMET"), QStringLiteral("123"));
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return script.texts().contains(QStringLiteral("Bağlantı Kurulamadı !")); }, 60000));
    EXPECT_EQ(script.shown.size(), 12u) << "eleven attempts, then the sign-in's own message";
    EXPECT_EQ(script.shown.back().title, QStringLiteral("Hata"));
    ASSERT_TRUE(e2e::waitUntil([&] { return g.dlg.Button1->isEnabled(); }));
    EXPECT_EQ(g.dlg.Button1->text(), QStringLiteral("Giriş!"));
    EXPECT_FALSE(g.dlg.RxGIFAnimator1->isVisible());
}

TEST_F(GirisTest, CancelEndsTheProcess)
{
    Tgirisform g(e2e::ayarFor(1, 1, kIstasyon));
    g.show();
    g.Button2->click();
    EXPECT_EQ(script.ends, 1);
    EXPECT_EQ(g.result(), QDialog::Rejected);
}

TEST_F(GirisTest, AnotherVersionDownloadsAndStartsTheSetupThenEnds)
{
    QTemporaryDir files;
    const QString setup = files.filePath(QStringLiteral("setup.bin"));
    const QByteArray program(300 * 1024, 'Z');
    {
        QFile f(setup);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(program);
    }
    srvtest::Options o = boundDemo(3);
    o.setupFile = setup;
    srvtest::TestServer server(o);

    // A leftover from an earlier attempt is replaced.
    const QString target = QDir(YerelVeriKlasoru()).filePath(QStringLiteral("TezvalSetup.exe"));
    QDir().mkpath(YerelVeriKlasoru());
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("eski");
    }
    QStringList started;
    kit::setShellHook([&](const QString& file, const QStringList& params) {
        QFile f(file);
        started << file << params.join(u' ') << QString::number(f.open(QIODevice::ReadOnly) ? f.readAll() == program : false);
        return true;
    });
    QString notice, progress;
    script.on<Tdosyaindir>([&](Tdosyaindir& d) {
        notice = d.sLabel1->text();
        d.GuncellemeIndir(); // a second activation while the first download runs starts nothing
        progress = d.bilgi->text();
    });
    Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    g.type(QStringLiteral("X"), QStringLiteral("Y"));
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return script.ends >= 2 && !g.dlg.isVisible(); }));
    kit::setShellHook({});
    EXPECT_EQ(notice, QStringLiteral("Tezval Otomotiv B2B Programının\r\nYeni versiyonu indirilecektir\r\nLütfen Bekleyiniz...!\r\nVersion: 3-2"));
    EXPECT_EQ(started, (QStringList{target, QStringLiteral("/silent"), QStringLiteral("1")}));
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Bilgi: %100,00  İndirilen: 0,29/0,29 Mb"))) << progress.toStdString();
    EXPECT_TRUE(script.texts().isEmpty()) << script.texts().join(u'|').toStdString();
}

TEST_F(GirisTest, FailedDownloadIsReportedAndNothingIsStarted)
{
    srvtest::TestServer server(boundDemo(3)); // no setup program on the web host: 404
    bool startedAny = false;
    kit::setShellHook([&](const QString&, const QStringList&) { return startedAny = true; });
    Giris g(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    g.type(QStringLiteral("X"), QStringLiteral("Y"));
    g.dlg.Button1->click();
    ASSERT_TRUE(e2e::waitUntil([&] { return script.ends >= 2 && !g.dlg.isVisible(); }));
    kit::setShellHook({});
    EXPECT_FALSE(startedAny) << "an error page is never started as a program";
    ASSERT_EQ(script.texts().size(), 1);
    EXPECT_TRUE(script.texts().front().startsWith(QStringLiteral("Hata Oluştu !\r\nHata: "))) << script.texts().front().toStdString();
}

TEST(Guncelleme, ProgressTextUsesTheUsersSeparators)
{
    EXPECT_EQ(Tdosyaindir::IlerlemeMetni(2 * 1024 * 1024, qint64(0.45 * 2 * 1024 * 1024)),
              QStringLiteral("Bilgi: %45,00  İndirilen: 0,90/2,00 Mb"));
}

// The main window from creation: sign-in through the dialog, then the account's view.
class MainWindowTest : public GirisTest {
protected:
    void signInAs(srvtest::TestServer& server, TForm1& form)
    {
        const QString user = userValue(server, QStringLiteral("KULLANICIADI")).toString();
        const QString pass = demoPassword(server);
        script.on<Tgirisform>([user, pass](Tgirisform& g) {
            g.adi->setText(user);
            g.sifre->setText(pass);
            g.Button1->click();
        });
        form.FormCreate();
    }
};

TEST_F(MainWindowTest, SignedInWindowShowsTheAccountAndAsksBeforeExit)
{
    srvtest::TestServer server(boundDemo());
    TForm1 form(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    signInAs(server, form);
    ASSERT_EQ(script.ends, 0) << script.texts().join(u'|').toStdString();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tezval Otomotiv B2B Programı"));
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Tezval Otomotiv B2B B2B"));
    ASSERT_TRUE(e2e::waitUntil([&] { return !form.kullanicilbl->text().isEmpty(); }));
    EXPECT_EQ(form.kullanicilbl->text(), form.sbilgi.ADI());
    EXPECT_EQ(form.cariadilbl->text(), form.sbilgi.CariAdi());
    EXPECT_EQ(form.saticilbl->text(), form.sbilgi.SaticiAdi() + QStringLiteral(" Telefonu: ") + form.sbilgi.SaticiTelefon() +
                                          QStringLiteral(" email: ") + form.sbilgi.SaticiMail());
    EXPECT_EQ(form.sPageControl1->currentWidget(), form.sstoklistesi);
    EXPECT_FALSE(form.sPageControl1->isTabVisible(form.sPageControl1->indexOf(form.ss)));

    script.shown.clear();
    script.answer = QStringLiteral("Hayır");
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_EQ(script.texts(), QStringList{QStringLiteral("Programdan Çıkmak İstiyor musunuz ?")});
    EXPECT_EQ(script.shown.back().title, QStringLiteral("Soru"));
    EXPECT_EQ(script.ends, 0);
    EXPECT_TRUE(form.isVisible());

    script.answer = QStringLiteral("Evet");
    form.G1->trigger();
    EXPECT_EQ(script.ends, 1);
}

TEST_F(MainWindowTest, AccountTypesAdjustTheWindow)
{
    srvtest::TestServer server(boundDemo());
    struct Case {
        int tip;
        bool musteritus, raporlar, kampanya;
    };
    for (const Case c : {Case{1, true, true, true}, Case{2, true, true, true}, Case{3, false, false, true}, Case{4, false, false, false}}) {
        SCOPED_TRACE(c.tip);
        setUser(server, QStringLiteral("MUSTERITIPI"), c.tip);
        TForm1 form(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
        signInAs(server, form);
        ASSERT_EQ(script.ends, 0);
        EXPECT_EQ(form.sbilgi.MusteriTipi(), c.tip);
        EXPECT_EQ(form.musteritus->isVisibleTo(&form), c.musteritus);
        EXPECT_EQ(form.R1->isVisible(), c.raporlar);
        EXPECT_EQ(form.sPageControl1->isTabVisible(form.sPageControl1->indexOf(form.skampanyali)), c.kampanya);
    }
}

TEST_F(MainWindowTest, CancelledSignInEndsBeforeTheWindowAppears)
{
    srvtest::TestServer server(boundDemo());
    script.on<Tgirisform>([](Tgirisform& g) { g.Button2->click(); });
    TForm1 form(e2e::ayarFor(server.port(), server.webPort(), kIstasyon));
    form.FormCreate();
    EXPECT_GE(script.ends, 1);
    EXPECT_FALSE(form.isVisible());
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
