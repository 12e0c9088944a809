// The sign-in dialog.
#include "session/girisformu.h"

#include "kit/net/connection.h"
#include "kit/ui/busyindicator.h"
#include "kit/ui/inifile.h"
#include "kit/ui/modal.h"
#include "kit/ui/style.h"
#include "kit/ui/widgets.h"
#include "remote/beklesinu.h"
#include "remote/proxim.h"
#include "requests/dosyaindiru.h"
#include "requests/formistekyeniu.h"
#include "session/kimlik.h"
#include "session/utils.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace {

const QString kBolum = QStringLiteral("kullanici");
const QString kIsim = QStringLiteral("isim");
const QString kSifre = QStringLiteral("sifre");
const QString kHatirla = QStringLiteral("hatırla");

} // namespace

Tgirisform::Tgirisform(const ProgramAyari& ayar, QWidget* owner) : QDialog(owner), ayar_(ayar)
{
    setObjectName(QStringLiteral("girisform"));
    setWindowTitle(QStringLiteral("Giriş"));
    // Its own taskbar button: the main window is not visible yet.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(368, 550);
    setFont(kit::tahoma(13, true));

    const auto band = QStringLiteral("background: #c62828; color: white; padding: 3px;");
    Label1 = new QLabel(QStringLiteral(" Kullanıcı Adı:"), this);
    Label1->setStyleSheet(band);
    Label1->setGeometry(44, 190, 280, 24);
    adi = new kit::UpperCaseEdit(this);
    adi->setObjectName(QStringLiteral("adi"));
    adi->setGeometry(44, 216, 280, 32);
    adi->setFont(kit::tahoma(16, true));
    Label2 = new QLabel(QStringLiteral(" Şifre:"), this);
    Label2->setStyleSheet(band);
    Label2->setGeometry(44, 262, 280, 24);
    sifre = new kit::UpperCaseEdit(this);
    sifre->setObjectName(QStringLiteral("sifre"));
    sifre->setEchoMode(QLineEdit::Password);
    kit::showPasswordAsStars(sifre);
    sifre->setGeometry(44, 288, 280, 32);
    sifre->setFont(kit::tahoma(16, true));

    benihatirla = new QCheckBox(QStringLiteral("Beni hatırla"), this);
    benihatirla->setObjectName(QStringLiteral("benihatirla"));
    benihatirla->setChecked(true);
    benihatirla->setGeometry(44, 330, 200, 24);
    benihatirla->setStyleSheet(QStringLiteral("color: #0f3a63;"));

    Button1 = new QPushButton(QStringLiteral("Giriş"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(44, 366, 120, 38);
    Button2 = new QPushButton(QStringLiteral("Vazgeç"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(204, 366, 120, 38);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    RxGIFAnimator1 = new kit::BusyIndicator(this);
    RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
    RxGIFAnimator1->move(170, 372);

    RxLabel1 = new QLabel(this);
    RxLabel1->setObjectName(QStringLiteral("RxLabel1"));
    RxLabel1->setAlignment(Qt::AlignCenter);
    RxLabel1->setWordWrap(true);
    RxLabel1->setFont(kit::tahoma(12, false));
    RxLabel1->setStyleSheet(QStringLiteral("color: #1d2a38;"));
    RxLabel1->setText(QStringLiteral("Tezval Otomotiv Yedek Parça San. ve Tic. A.Ş.\n"
                                     "Organize Sanayi Bölgesi 4. Cadde No: 12  Konya\n"
                                     "Tel: 0332 555 01 01   Faks: 0332 555 01 02\n"
                                     "b2b@tezval.example"));
    RxLabel1->setGeometry(14, 440, 340, 90);

    connect(Button1, &QPushButton::clicked, this, &Tgirisform::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tgirisform::Button2Click);
    adi->installEventFilter(this);
    sifre->installEventFilter(this);
    setTabOrder(adi, sifre);
    setTabOrder(sifre, benihatirla);
    setTabOrder(benihatirla, Button1);
    setTabOrder(Button1, Button2);

    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    idsi = BilgisayarIdAl(ayar_.kimlik());
    AyarOku();
    adi->setFocus();
}

void Tgirisform::paintEvent(QPaintEvent*)
{
    // The background picture: a calm gradient with the company's mark at the top.
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x0f, 0x3a, 0x63));
    g.setColorAt(0.32, QColor(0x3d, 0x6f, 0x9e));
    g.setColorAt(0.33, QColor(0xee, 0xf2, 0xf6));
    g.setColorAt(1, QColor(0xdf, 0xe7, 0xef));
    p.fillRect(rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::white);
    p.setFont(kit::tahoma(34, true));
    p.drawText(QRect(0, 40, width(), 50), Qt::AlignCenter, QStringLiteral("TEZVAL"));
    p.setFont(kit::tahoma(15, true));
    p.drawText(QRect(0, 92, width(), 30), Qt::AlignCenter, QStringLiteral("OTOMOTİV B2B"));
    p.setFont(kit::tahoma(12, false));
    p.drawText(QRect(0, 124, width(), 24), Qt::AlignCenter, QStringLiteral("Bayi Sipariş Sistemi"));
    p.setPen(QColor(0xc9, 0xd3, 0xdd));
    p.drawLine(30, 430, width() - 30, 430);
}

QString Tgirisform::AyarDosyasi() { return QDir(VeriKlasoru()).filePath(QStringLiteral("ayar.ini")); }

void Tgirisform::AyarOku()
{
    const kit::IniFile ini(AyarDosyasi());
    if (!ini.exists())
        return;
    benihatirla->setChecked(ini.readBool(kBolum, kHatirla, true));
    if (benihatirla->isChecked()) {
        adi->setText(ini.readString(kBolum, kIsim));
        sifre->setText(ini.readString(kBolum, kSifre));
    }
}

void Tgirisform::AyarKaydet()
{
    kit::IniFile ini(AyarDosyasi());
    ini.writeString(kBolum, kIsim, adi->text());
    ini.writeString(kBolum, kSifre, sifre->text());
    ini.writeBool(kBolum, kHatirla, benihatirla->isChecked());
    // A settings file that cannot be written costs only the remembered name; sign-in goes on.
    ini.save();
}

bool Tgirisform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == adi)
                return adiKeyDown();
            if (watched == sifre)
                return sifreKeyDown();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tgirisform::bosUyari(const QString& mesaj, QLineEdit* kutu)
{
    Bip(16);
    kit::plainMessage(mesaj, this);
    kutu->selectAll();
    kutu->setFocus();
}

bool Tgirisform::adiKeyDown()
{
    if (adi->text().trimmed().isEmpty()) {
        bosUyari(QStringLiteral("Lütfen kullanıcı adını giriniz !"), adi);
        return true;
    }
    sifre->selectAll();
    sifre->setFocus();
    return true;
}

bool Tgirisform::sifreKeyDown()
{
    if (sifre->text().trimmed().isEmpty()) {
        bosUyari(QStringLiteral("Lütfen kullanıcı şifresini giriniz !"), sifre);
        return true;
    }
    if (Button1->isEnabled())
        Button1Click();
    return true;
}

void Tgirisform::Button1Click()
{
    Button1->setText(QStringLiteral("Bağlanıyor..."));
    Button1->setEnabled(false);
    RxGIFAnimator1->start();
    auto adres = std::make_shared<QString>();
    Async([this, adres] { *adres = DisIpAl(); }).Await(this, [this, adres] {
        Button1->setText(QStringLiteral("Giriş!"));
        RxGIFAnimator1->stop();
        Devamet(*adres);
    });
}

// Under test the end only gets recorded; the dialog then closes so that its opener sees it.
void Tgirisform::Button2Click()
{
    kit::endProcess();
    QDialog::done(QDialog::Rejected);
}

void Tgirisform::reject() { Button2Click(); }

void Tgirisform::Devamet(const QString& adres)
{
    Bilgim->setDisip(adres);
    bagim->setHostName(ayar_.sunucuHost);
    auto dogrusonuc = std::make_shared<bool>(false);
    const QString kullanici = adi->text(), parola = sifre->text();
    Async([this, dogrusonuc, kullanici, parola] { *dogrusonuc = GirisBilgisiAl(kullanici, parola); })
        .Await(this, [this, dogrusonuc] { Sonuclandir(*dogrusonuc); });
}

// The server answers the account's details and a session key only to the right user name and password;
// the key then goes with every later call.
bool Tgirisform::GirisBilgisiAl(const QString& kullanici, const QString& parola)
{
    anahtar_.clear();
    std::unique_ptr<kit::Connection> kopya = bagim->clone();
    kopya->setSessionKey(QString());
    kopya->setCredentials(kullanici, parola);
    if (!BaglantiAc(*kopya, 0))
        return false;
    try {
        TServerMethods1Client proxy(*kopya);
        const TSonucBilgisi* cevap = proxy.BuyukGetir(idsi);
        if (!cevap)
            return false; // no record: the sign-in cannot go on
        Bilgim->Kopyala(*cevap);
        anahtar_ = kopya->issuedSessionKey();
    } catch (const std::exception&) {
        return false;
    }
    kopya->close();
    KimlikDoldur(*Bilgim, ayar_.kimlik());
    Bilgim->setDisip(DisIpAl());
    return true;
}

void Tgirisform::Sonuclandir(bool dogrusonuc)
{
    RxGIFAnimator1->stop();
    auto tekrar = [this] {
        Button1->setEnabled(true);
        adi->selectAll();
        adi->setFocus();
    };
    if (!dogrusonuc) {
        MesajVer(QStringLiteral("Bağlantı Kurulamadı !"), mtError, mbOKOnly, mbOK, this);
        tekrar();
        return;
    }
    if (Bilgim->Version() != kProgramSurumu) {
        Tdosyaindir indir(Bilgim->Version(), ayar_, this);
        indir.bag = bagim;
        kit::execModal(indir);
        kit::endProcess(); // the update ends the program whatever happened in it
        QDialog::done(QDialog::Rejected);
        return;
    }
    if (!Bilgim->Varmi()) {
        Tformistekyeni form(this);
        form.setWindowTitle(QStringLiteral("Tezval Otomotiv B2B İstek Formu"));
        form.Git(ayar_.webAdresi + QStringLiteral("formmailgonder.aspx?carino=0&kullanici= &id=") + idsi);
        kit::execModal(form);
        kit::endProcess();
        QDialog::done(QDialog::Rejected);
        return;
    }
    // The server answers an empty name to every caller it did not recognise: empty boxes never match it.
    if (!Bilgim->ADI().isEmpty() && adi->text() == Bilgim->ADI() && sifre->text() == Bilgim->SIFRE()) {
        AyarKaydet();
        // Without a key the server did not confirm the credentials (empty boxes match an empty answer).
        if (Bilgim->AKTIF() == 1 && !anahtar_.isEmpty()) {
            bagim->setSessionKey(anahtar_);
            accept();
            return;
        }
    }
    MesajVer(QStringLiteral("Kullanıcı Adı ve Şifre Hatalı Lütfen Tekrar Deneyiniz !"), mtWarning, mbOKOnly, mbOK, this);
    tekrar();
}
