// The password change request window: layout, pre-filling, the required-field check and the send.
#include "requests/kullanicikayitu.h"

#include "kit/net/connection.h"
#include "kit/ui/modal.h"
#include "kit/ui/style.h"
#include "kit/ui/widgets.h"
#include "remote/proxim.h"
#include "session/utils.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

Tkullanicikayit::Tkullanicikayit(QWidget* AOwner, const TSonucBilgisi& _b, const kit::Connection& _c) : QDialog(AOwner)
{
    setObjectName(QStringLiteral("kullanicikayit"));
    setFont(kit::tahoma(13, true));
    con = _c.clone();
    Bilgim.Kopyala(_b);

    const auto edit = [this](const char* name, int width, QLineEdit* e = nullptr) {
        if (!e)
            e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(width);
        return e;
    };
    firmaadi = edit("firmaadi", 502);
    adres1 = edit("adres1", 502);
    adres2 = edit("adres2", 502);
    ilce = edit("ilce", 233);
    sehir = edit("sehir", 233);
    telefon = edit("telefon", 233);
    fax = edit("fax", 233);
    vd = edit("vd", 233);
    vn = edit("vn", 233);
    yetkili = edit("yetkili", 502);
    kullaniciadi = edit("kullaniciadi", 502);
    // Sign-in takes passwords in capitals only, so the wanted one is typed the same way to stay usable.
    sifre = edit("sifre", 502, new kit::UpperCaseEdit(this));
    mail = edit("mail", 502);
    kargoambar = edit("kargoambar", 502);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 10, 16, 10);
    v->setSpacing(6);
    lblid = new QLabel(this);
    lblid->setObjectName(QStringLiteral("lblid"));
    v->addWidget(lblid);
    const auto heading = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignCenter);
        QFont f = kit::tahoma(15, true);
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: #0f3a63; padding: 4px;"));
        return l;
    };
    Label1 = heading(QStringLiteral("Firma Bilgileri"), "Label1");
    Label8 = heading(QStringLiteral("Kullanıcı Bilgileri"), "Label8");

    int row = 0;
    auto* g = new QGridLayout;
    g->setHorizontalSpacing(10);
    g->setVerticalSpacing(6);
    const auto line = [&](const QString& caption, QLineEdit* a, QLineEdit* b = nullptr) {
        auto* l = new QLabel(caption, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setBuddy(a);
        g->addWidget(l, row, 0);
        auto* h = new QHBoxLayout;
        h->setSpacing(36);
        h->addWidget(a);
        if (b)
            h->addWidget(b);
        h->addStretch(1);
        g->addLayout(h, row, 1);
        ++row;
    };
    g->addWidget(Label1, row++, 0, 1, 2);
    line(QStringLiteral("Firma Adı:"), firmaadi);
    line(QStringLiteral("Adres:"), adres1);
    line(QStringLiteral("Adres2:"), adres2);
    line(QStringLiteral("İlçe/Şehir:"), ilce, sehir);
    line(QStringLiteral("Telefon/Fax:"), telefon, fax);
    line(QStringLiteral("Vergi Dairesi / No:"), vd, vn);
    line(QStringLiteral("Yetkili:"), yetkili);
    g->addWidget(Label8, row++, 0, 1, 2);
    line(QStringLiteral("Kullanıcı Adı:"), kullaniciadi);
    line(QStringLiteral("Şifre:"), sifre);
    line(QStringLiteral("Mail:"), mail);
    line(QStringLiteral("Kargo Ambar:"), kargoambar);
    g->setColumnStretch(1, 1);
    v->addLayout(g);
    v->addStretch(1);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::NoFrame);
    const kit::ButtonRow buttons = kit::buttonRow(panel, QStringLiteral("Gönder"), QStringLiteral("Kapat"));
    panel->setLayout(buttons.layout);
    buttons.layout->setContentsMargins(0, 6, 0, 0);
    Button2 = buttons.action;
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = buttons.close;
    Button1->setObjectName(QStringLiteral("Button1"));
    v->addWidget(panel);
    connect(Button2, &QPushButton::clicked, this, &Tkullanicikayit::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &Tkullanicikayit::Button1Click);

    QWidget* order[] = {firmaadi, adres1, adres2, ilce, sehir, telefon, fax, vd, vn, yetkili,
                        kullaniciadi, sifre, mail, kargoambar, Button2, Button1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    setFixedSize(705, 514);
    if (AOwner)
        move(AOwner->window()->frameGeometry().center() - rect().center());

    _idsi = Bilgim.FBILGISAYARID;
    lblid->setText(QStringLiteral("Bilgisayar ID: ") + _idsi);
    kullaniciadi->setText(Bilgim.FADI);
    firmaadi->setText(Bilgim.FCariAdi);
    HesapBilgisiAl();
    setWindowTitle(QStringLiteral("Şifre Değiştirme İsteği"));
    firmaadi->setFocus();
}

Tkullanicikayit::~Tkullanicikayit() = default;

std::unique_ptr<Tkullanicikayit> Tkullanicikayit::Ac(QWidget* AOwner, const TSonucBilgisi& _b, const kit::Connection& _c)
{
    return std::make_unique<Tkullanicikayit>(AOwner, _b, _c);
}

void Tkullanicikayit::HesapBilgisiAl()
{
    con->close();
    if (!BaglantiAc(*con, 1))
        return;
    try {
        TServerMethods1Client proxy(*con);
        if (const TMobilCariBilgisi* r = proxy.MobilCariBilgisiGetir(0, _idsi)) {
            adres1->setText(r->FADRES1);
            adres2->setText(r->FADRES2);
            ilce->setText(r->FILCE);
            sehir->setText(r->FSEHIR);
            telefon->setText(r->FTEL1);
            fax->setText(r->FFAX1);
            vd->setText(r->FVERGIDAIRESI);
            vn->setText(r->FVERGINO);
        }
    } catch (const std::exception& e) {
        con->close();
        kit::showError(QString::fromUtf8(e.what()), this);
        return;
    }
    con->close();
}

bool Tkullanicikayit::AlanKontrol()
{
    const std::pair<QLineEdit*, const char*> alanlar[] = {
        {firmaadi, "Firma Adı boş olamaz !"},   {adres1, "Adres boş olamaz !"},
        {ilce, "İlçe Adı boş olamaz !"},        {sehir, "Şehir Adı boş olamaz !"},
        {telefon, "Telefon  boş olamaz !"},     {yetkili, "Yetkili  boş olamaz !"},
        {kullaniciadi, "Kullanıcı  boş olamaz !"}, {sifre, "Şifre  boş olamaz !"},
        {mail, "Mail  boş olamaz !"},
    };
    for (const auto& [alan, mesaj] : alanlar) {
        if (alan->text().trimmed().isEmpty()) {
            alan->selectAll();
            alan->setFocus();
            MesajVer(QString::fromUtf8(mesaj), mtWarning, mbOKOnly, mbOK, this);
            return false;
        }
    }
    return true;
}

void Tkullanicikayit::IstekGonder()
{
    con->close();
    if (!BaglantiAc(*con, 1))
        return;
    {
        TServerMethods1Client proxy(*con);
        proxy.MailGonserCari(_idsi, QStringLiteral("Şifre Değiştirme İsteği"), firmaadi->text(), adres1->text(),
                             adres2->text(), ilce->text(), sehir->text(), telefon->text(), fax->text(), vd->text(),
                             vn->text(), yetkili->text(), kullaniciadi->text(), sifre->text(), mail->text(),
                             kargoambar->text());
    }
    con->close();
    MesajVer(QStringLiteral("İsteğiniz Gönderildi!"), mtInformation, mbOKOnly, mbOK, this);
}

void Tkullanicikayit::Button2Click()
{
    if (!AlanKontrol())
        return;
    // A failed call reaches the general error display; the window stays open with the texts typed.
    try {
        IstekGonder();
    } catch (const std::exception& e) {
        con->close();
        kit::showError(QString::fromUtf8(e.what()), this);
    }
}

void Tkullanicikayit::Button1Click() { reject(); }
