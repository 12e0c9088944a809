// The mail form: its controls, the input check, and the send as a background run.
#include "requests/mailformu.h"

#include "kit/ui/widgets.h"

#include "kit/net/connection.h"
#include "kit/ui/style.h"
#include "remote/beklesinu.h"
#include "remote/proxim.h"
#include "session/utils.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

QString VirgulluMetin(const QStringList& satirlar)
{
    QStringList parcalar;
    for (const QString& s : satirlar) {
        bool tirnak = false;
        for (QChar ch : s)
            tirnak = tirnak || ch == QLatin1Char(',') || ch == QLatin1Char('"') || ch.unicode() <= 0x20;
        // One empty line alone must still be told apart from no line at all.
        if (tirnak || (s.isEmpty() && satirlar.size() == 1))
            parcalar << QLatin1Char('"') + QString(s).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
        else
            parcalar << s;
    }
    return parcalar.join(QLatin1Char(','));
}

Tmailform::Tmailform(QWidget* AOwner, const kit::Connection& _c, const TSonucBilgisi& _b) : QDialog(AOwner), ana_(_c)
{
    setObjectName(QStringLiteral("mailform"));
    setWindowTitle(QStringLiteral("Mail Gönder"));
    setFont(kit::tahoma(13, false));
    con = _c.clone();
    Bilgim.Kopyala(_b);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(14, 14, 14, 10);
    auto* g = new QGridLayout;
    g->setHorizontalSpacing(10);
    g->setVerticalSpacing(8);
    Label1 = new QLabel(QStringLiteral("Konu:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    baslik = new QLineEdit(this);
    baslik->setObjectName(QStringLiteral("baslik"));
    baslik->setFixedWidth(560);
    Label2 = new QLabel(QStringLiteral("Mail:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    konu = new QPlainTextEdit(this);
    konu->setObjectName(QStringLiteral("konu"));
    konu->setFixedSize(560, 324);
    konu->setLineWrapMode(QPlainTextEdit::NoWrap); // both scroll bars, as lines are sent one by one
    konu->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    konu->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (QLabel* l : {Label1, Label2})
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setBuddy(baslik);
    Label2->setBuddy(konu);
    g->addWidget(Label1, 0, 0);
    g->addWidget(baslik, 0, 1);
    g->addWidget(Label2, 1, 0);
    g->addWidget(konu, 1, 1);
    g->setColumnStretch(2, 1);
    v->addLayout(g);
    v->addStretch(1);

    const kit::ButtonRow buttons = kit::buttonRow(this, QStringLiteral("Gönder"), QStringLiteral("Kapat"));
    Button2 = buttons.action;
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = buttons.close;
    Button1->setObjectName(QStringLiteral("Button1"));
    v->addLayout(buttons.layout);
    connect(Button2, &QPushButton::clicked, this, &Tmailform::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &Tmailform::Button1Click);

    setFixedSize(671, 451);
    if (AOwner)
        move(AOwner->window()->frameGeometry().center() - rect().center());
    baslik->setFocus();
}

Tmailform::~Tmailform() = default;

std::unique_ptr<Tmailform> Tmailform::Ac(QWidget* AOwner, const kit::Connection& _c, const TSonucBilgisi& _b)
{
    return std::make_unique<Tmailform>(AOwner, _c, _b);
}

bool Tmailform::AlanKontrol()
{
    if (baslik->text().trimmed().isEmpty()) {
        baslik->selectAll();
        baslik->setFocus();
        MesajVer(QStringLiteral("Lütfen Başlık Giriniz !"), mtWarning, mbOKOnly, mbOK, this);
        return false;
    }
    if (konu->toPlainText().trimmed().isEmpty()) {
        konu->selectAll();
        konu->setFocus();
        MesajVer(QStringLiteral("Lütfen Konu Giriniz !"), mtWarning, mbOKOnly, mbOK, this);
        return false;
    }
    return true;
}

bool Tmailform::MailGonder(const QString& baslikMetni, const QStringList& satirlar)
{
    if (!BaglantiAc(*con, 1))
        return true;
    try {
        const QString idsi = Bilgim.FBILGISAYARID;
        TMobilCariBilgisi cari;
        {
            TServerMethods1Client proxy(*con);
            if (const TMobilCariBilgisi* r = proxy.MobilCariBilgisiGetir(0, idsi))
                cari.Kopyala(*r);
        }
        {
            TServerMethods1Client proxy(*con);
            proxy.MailGonserCariNormal(idsi, baslikMetni, cari.FCARIADI, cari.FADRES1, cari.FADRES2, cari.FILCE,
                                       cari.FSEHIR, cari.FTEL1, cari.FFAX1, cari.FVERGIDAIRESI, cari.FVERGINO,
                                       cari.FYETKILI, cari.FKULLANICIADI, cari.FSIFRE, cari.FMAIL, QString(),
                                       VirgulluMetin(satirlar));
        }
        con->close();
        return false;
    } catch (const std::exception&) {
        con->close();
        return true;
    }
}

void Tmailform::Button2Click()
{
    auto hata = std::make_shared<bool>(false);
    if (!AlanKontrol())
        return;
    Button2->setEnabled(false);
    // A later send works on a fresh clone of the main connection: the last one was closed and released.
    if (gonderildi_)
        con = ana_.clone();
    gonderildi_ = true;
    // Only the UI thread reads controls: the worker gets the texts.
    const QString b = baslik->text();
    const QStringList satirlar = konu->toPlainText().split(QLatin1Char('\n'));
    Async([this, hata, b, satirlar] { *hata = MailGonder(b, satirlar); })
        .Await(this, [this, hata] {
            if (*hata)
                MesajVer(QStringLiteral("Mail Göndermede Hata\nLütfen Tekrar Deneyin !"), mtError, mbOKOnly, mbOK, this);
            else
                MesajVer(QStringLiteral("Mail Gönderildi !"), mtInformation, mbOKOnly, mbOK, this);
            Button2->setEnabled(true);
        });
}

void Tmailform::Button1Click()
{
    if (Button2->isEnabled())
        close();
}

void Tmailform::reject()
{
    if (Button2->isEnabled())
        QDialog::reject();
}
