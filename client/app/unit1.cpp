// The main window shell: layout, general menu, exit question, sign-in and account adjustments.
#include "app/unit1.h"

#include "app/simgeler.h"
#include "kit/net/connection.h"
#include "kit/ui/busyindicator.h"
#include "kit/ui/modal.h"
#include "kit/ui/style.h"
#include "kit/ui/widgets.h"
#include "kit/ui/shell.h"
#include "remote/beklesinu.h"
#include "requests/kullanicikayitu.h"
#include "requests/mailformu.h"
#include "session/girisformu.h"
#include "session/kimlik.h"
#include "session/utils.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kBaslik = QStringLiteral("Tezval Otomotiv B2B Programı");

QLabel* label(const QString& text, QWidget* parent, const char* name = nullptr)
{
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

TForm1::TForm1(const ProgramAyari& a, QWidget* parent) : QMainWindow(parent), bagc(std::make_unique<kit::Connection>()), ayar(a)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kBaslik);
    setFont(kit::tahoma(13, true));

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(baslikPaneliKur());
    v->addWidget(aramaPaneliKur());
    sekmeleriKur();
    v->addWidget(sPageControl1, 1);
    v->addWidget(durumPaneliKur());
    v->addWidget(haberPaneliKur());
    setCentralWidget(central);
    menuKur();
    araedit->setFocus();
}

TForm1::~TForm1() = default;

QWidget* TForm1::baslikPaneliKur()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(100);
    Panel1->setAutoFillBackground(true);
    Panel1->setStyleSheet(QStringLiteral("#Panel1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dfe7ef);"
                                         " border-bottom: 1px solid #9aa9b9; }"));
    auto* h = new QHBoxLayout(Panel1);
    h->setContentsMargins(8, 3, 4, 3);

    auto* logo = label(QString(), Panel1, "logo");
    logo->setPixmap(logoResmi(84));
    h->addWidget(logo);
    h->addSpacing(16);

    auto* grid = new QGridLayout();
    grid->setVerticalSpacing(4);
    const char* captions[] = {"Kullanıcı: ", "Firma: ", "Temsilci: "};
    QLabel** values[] = {&kullanicilbl, &cariadilbl, &saticilbl};
    const char* names[] = {"kullanicilbl", "cariadilbl", "saticilbl"};
    for (int i = 0; i < 3; ++i) {
        auto* c = label(QString::fromUtf8(captions[i]), Panel1);
        c->setStyleSheet(QStringLiteral("color: #0f3a63;"));
        *values[i] = label(QString(), Panel1, names[i]);
        (*values[i])->setStyleSheet(QStringLiteral("color: #1d2a38; font-weight: normal;"));
        (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(c, i, 0, Qt::AlignRight);
        grid->addWidget(*values[i], i, 1);
    }
    grid->setColumnStretch(1, 1);
    h->addLayout(grid, 1);

    GifResim1 = label(QString(), Panel1, "GifResim1");
    GifResim1->setFixedSize(468, 90);
    GifResim1->setAlignment(Qt::AlignCenter);
    GifResim1->setStyleSheet(QStringLiteral("#GifResim1 { background: #f4f7fa; border: 1px solid #c9d3dd; }"));
    h->addWidget(GifResim1);

    Button3 = new QToolButton(Panel1);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setFixedSize(84, 94);
    Button3->setIcon(menuSimgesi());
    Button3->setIconSize(QSize(48, 48));
    Button3->setPopupMode(QToolButton::MenuButtonPopup);
    Button3->setToolTip(QStringLiteral("Genel Menü"));
    h->addWidget(Button3);
    return Panel1;
}

QWidget* TForm1::aramaPaneliKur()
{
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(35);
    auto* h = new QHBoxLayout(Panel2);
    h->setContentsMargins(8, 2, 8, 2);
    h->setSpacing(4);
    auto* icon = label(QString(), Panel2, "aramaikon");
    icon->setPixmap(aramaResmi(26));
    h->addWidget(icon);

    araedit = new kit::UpperCaseEdit(Panel2);
    araedit->setObjectName(QStringLiteral("araedit"));
    araedit->setFont(kit::tahoma(20, true));
    araedit->setFixedWidth(340);
    araedit->setPlaceholderText(QStringLiteral("Stok kodu, adı veya OEM no"));
    h->addWidget(araedit);

    SpeedButton2 = new QToolButton(Panel2);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("Ara"));
    SpeedButton2->setToolTip(QStringLiteral("Ara"));
    SpeedButton1 = new QToolButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("Temizle"));
    SpeedButton1->setToolTip(QStringLiteral("Temizle"));
    for (auto* b : {SpeedButton2, SpeedButton1}) {
        b->setFixedHeight(29);
        b->setMinimumWidth(70);
        h->addWidget(b);
    }
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);

    musteritus = new QPushButton(QStringLiteral("Başka Cari Seç"), Panel2);
    musteritus->setObjectName(QStringLiteral("musteritus"));
    musteritus->setFixedHeight(29);
    musteritus->hide();
    h->addWidget(musteritus);

    kit::BusyIndicator** gifs[] = {&gifstokara, &gifyeniler, &gifkampanyali, &gifduyuru, &gifoncekiler, &gifsepet, &gifekstre};
    const char* names[] = {"gifstokara", "gifyeniler", "gifkampanyali", "gifduyuru", "gifoncekiler", "gifsepet", "gifekstre"};
    for (int i = 0; i < 7; ++i) {
        *gifs[i] = new kit::BusyIndicator(Panel2);
        (*gifs[i])->setObjectName(QString::fromLatin1(names[i]));
        h->addWidget(*gifs[i]);
    }
    h->addStretch(1);
    return Panel2;
}

void TForm1::sekmeleriKur()
{
    sPageControl1 = new QTabWidget(this);
    sPageControl1->setObjectName(QStringLiteral("sPageControl1"));
    sPageControl1->setIconSize(QSize(32, 32));
    sPageControl1->setFont(kit::tahoma(13, true));
    sPageControl1->setDocumentMode(false);
    sPageControl1->tabBar()->setExpanding(false);
    sPageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { width: 130px; height: 50px; }"));

    struct Sekme {
        QWidget** page;
        const char* name;
        const char* caption;
        int icon;
    };
    const Sekme sekmeler[] = {
        {&sstoklistesi, "sstoklistesi", "Stok Listesi", 17},  {&ssepet, "ssepet", "Sepet", 8},
        {&sonceki, "sonceki", "Önceki Siparişler", 3},         {&sccariekstre, "sccariekstre", "Cari Ekstre", 20},
        {&syeniler, "syeniler", "Yeni Stoklar", 10},           {&skampanyali, "skampanyali", "Kampanyalı Stoklar", 6},
        {&sTabSheetduyuru, "sTabSheetduyuru", "Duyurular", 18}, {&sTabbakiyeler, "sTabbakiyeler", "Bakiyeler", 7},
        {&ss, "ss", "Sanal Pos", 12},
    };
    for (const auto& s : sekmeler) {
        *s.page = new QWidget(sPageControl1);
        (*s.page)->setObjectName(QString::fromLatin1(s.name));
        sPageControl1->addTab(*s.page, sekmeSimgesi(s.icon), QString::fromUtf8(s.caption));
    }
    // The card-payment page is reached only by the program, never by a tab button.
    sPageControl1->setTabVisible(sPageControl1->indexOf(ss), false);
    sPageControl1->setCurrentWidget(sstoklistesi);
}

QWidget* TForm1::durumPaneliKur()
{
    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(27);
    auto* h = new QHBoxLayout(Panel3);
    h->setContentsMargins(8, 0, 8, 0);
    h->setSpacing(2);
    h->addWidget(label(QStringLiteral("Durum Açıklaması:    "), Panel3));
    struct Durum {
        int kod;
        const char* caption;
    };
    const Durum durumlar[] = {{1, " Stok mevcut  "}, {2, " Telefon Açınız  "}, {3, " Yolda  "},
                              {5, " Tedarik Sürecinde "}, {4, " Özel Sipariş  "}, {0, " Yok  "}};
    for (const auto& d : durumlar) {
        auto* icon = label(QString(), Panel3);
        icon->setPixmap(durumSimgesi(d.kod, 18));
        h->addWidget(icon);
        auto* c = label(QString::fromUtf8(d.caption), Panel3);
        c->setStyleSheet(QStringLiteral("font-weight: normal;"));
        h->addWidget(c);
    }
    h->addStretch(1);
    return Panel3;
}

QWidget* TForm1::haberPaneliKur()
{
    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFixedHeight(40);
    Panel5->setStyleSheet(QStringLiteral("#Panel5 { background: #0f3a63; }"));
    auto* h = new QHBoxLayout(Panel5);
    h->setContentsMargins(6, 0, 6, 0);
    kayanyazi = label(QString(), Panel5, "kayanyazi");
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(24);
    kayanyazi->setFont(f);
    kayanyazi->setStyleSheet(QStringLiteral("color: #ffffff;"));
    h->addWidget(kayanyazi, 1);
    return Panel5;
}

void TForm1::menuKur()
{
    Genelmenu = new QMenu(this);
    Genelmenu->setObjectName(QStringLiteral("Genelmenu"));
    Genelmenu->setFont(kit::tahoma(13, true));
    M1 = Genelmenu->addAction(QStringLiteral("Mail Gönder"));
    Genelmenu->addSeparator();
    N4 = Genelmenu->addAction(QStringLiteral("Şifre Değiştirme İsteği"));
    Genelmenu->addSeparator();
    webItem = Genelmenu->addAction(QString());
    Genelmenu->addSeparator();
    G1 = Genelmenu->addAction(QStringLiteral("Çıkış"));
    Genelmenu->addSeparator();
    R1 = Genelmenu->addAction(QStringLiteral("Raporlar"));
    R1->setVisible(false);
    M1->setObjectName(QStringLiteral("M1"));
    N4->setObjectName(QStringLiteral("N4"));
    G1->setObjectName(QStringLiteral("G1"));
    R1->setObjectName(QStringLiteral("R1"));
    webItem->setObjectName(QStringLiteral("webItem"));
    connect(M1, &QAction::triggered, this, &TForm1::M1Click);
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(webItem, &QAction::triggered, this, &TForm1::webItemClick);
    connect(G1, &QAction::triggered, this, &TForm1::G1Click);
    Button3->setMenu(Genelmenu);
}

void TForm1::M1Click()
{
    const auto form = Tmailform::Ac(this, *bagc, sbilgi);
    kit::execModal(*form);
}

void TForm1::N4Click()
{
    const auto form = Tkullanicikayit::Ac(this, sbilgi, *bagc);
    kit::execModal(*form);
}

void TForm1::webItemClick()
{
    kit::shellExecute(ayar.webAdresi);
    araedit->selectAll();
    araedit->setFocus();
}

void TForm1::FormCreate()
{
    _acilisadet = 0;
    _acilisgoruldu = false;
    QApplication::setApplicationDisplayName(kBaslik);
    setWindowTitle(kBaslik);
    // The taskbar and plain message boxes show this one; the window caption stays as above.
    QApplication::setApplicationDisplayName(QStringLiteral("Tezval Otomotiv B2B B2B"));
    setWindowTitle(kBaslik);

    sbilgi = TSonucBilgisi();
    KimlikDoldur(sbilgi, ayar.kimlik());

    bagc->setHostName(ayar.sunucuHost);
    bagc->setPort(ayar.sunucuPort);
    webItem->setText(ayar.webAdresi);

    if (!GirisYap())
        return; // the process has been ended (under test: the end was recorded)
    BaslangicCalistir();
}

bool TForm1::GirisYap()
{
    {
        Tgirisform giris(ayar, this);
        giris.bagim = bagc.get();
        giris.Bilgim = &sbilgi;
        if (kit::execModal(giris) != QDialog::Accepted) {
            kit::endProcess();
            return false;
        }
    }
    if (sbilgi.Disip().trimmed().isEmpty()) {
        kit::endProcess();
        return false;
    }
    HesapTipiUygula();
    return true;
}

void TForm1::HesapTipiUygula()
{
    const int tip = sbilgi.MusteriTipi();
    const bool temsilci = tip == 1 || tip == 2;
    musteritus->setVisible(temsilci);
    R1->setVisible(temsilci);
    if (tip == 4)
        sPageControl1->setTabVisible(sPageControl1->indexOf(skampanyali), false);
}

void TForm1::AnaBilgiAl()
{
    // Everything runs on the UI thread, and not at all once the window has gone.
    QPointer<TForm1> self(this);
    Senkronize([self] {
        if (!self)
            return;
        const TSonucBilgisi& b = self->sbilgi;
        self->kullanicilbl->setText(b.ADI());
        self->cariadilbl->setText(b.CariAdi());
        self->saticilbl->setText(b.SaticiAdi() + QStringLiteral(" Telefonu: ") + b.SaticiTelefon() +
                                 QStringLiteral(" email: ") + b.SaticiMail());
    });
}

void TForm1::BaslangicCalistir()
{
    // The start-up content, fetched in a fixed order on a worker thread.
    // The work holds only a guarded pointer: the window may go while it runs.
    QPointer<TForm1> self(this);
    Async([self] {
        // The pointer is only looked at on the UI thread, where the window is destroyed.
        Senkronize([self] {
            if (self)
                self->AnaBilgiAl();
        });
    }).Await(this, [] {});
}

void TForm1::closeEvent(QCloseEvent* e)
{
    // The window never closes by itself: every exit ends the process.
    e->ignore();
    FormCloseQuery();
}

void TForm1::FormCloseQuery()
{
    if (MesajVer(QStringLiteral("Programdan Çıkmak İstiyor musunuz ?"), mtConfirmation, mbYesNo, mbYes, this) == mrYes)
        kit::endProcess();
}

void TForm1::G1Click() { close(); }

void TForm1::SpeedButton2Click()
{
    if (araedit->isEnabled()) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(araedit, &enter);
    }
}

void TForm1::SpeedButton1Click()
{
    if (!araedit->isEnabled())
        return; // a search is running
    sPageControl1->setTabText(sPageControl1->indexOf(sstoklistesi), QStringLiteral("Stok Listesi"));
    if (sPageControl1->currentWidget() != sstoklistesi)
        sPageControl1->setCurrentWidget(sstoklistesi);
    araedit->clear();
    araedit->selectAll();
    araedit->setFocus();
    sstoklistesi->setProperty("tag", 0);
}
