// The web-page window: the embedded page, or its address handed to the system browser.
#include "requests/formistekyeniu.h"

#include "kit/ui/shell.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

Tformistekyeni::Tformistekyeni(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("formistekyeni"));
    resize(780, 555);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    sitem = new QTextBrowser(this);
    sitem->setObjectName(QStringLiteral("sitem"));
    sitem->setOpenLinks(false);
    connect(sitem, &QTextBrowser::anchorClicked, this, [](const QUrl& u) { kit::shellExecute(u.toString()); });
    v->addWidget(sitem, 1);
    auto* panel = new QWidget(this);
    panel->setFixedHeight(41);
    auto* h = new QHBoxLayout(panel);
    h->setContentsMargins(6, 4, 6, 4);
    Button1 = new QPushButton(QStringLiteral("Kapat"), panel);
    Button1->setObjectName(QStringLiteral("Button1"));
    h->addWidget(Button1);
    h->addStretch(1);
    v->addWidget(panel);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void Tformistekyeni::Git(const QString& adres)
{
    adres_ = adres;
    const QString esc = adres.toHtmlEscaped();
    sitem->setHtml(QStringLiteral("<div style='font-family: Tahoma; font-size: 15px; margin: 24px;'>"
                                  "<h2 style='color:#0f3a63;'>%1</h2>"
                                  "<p>Bu bilgisayar sistemde kayıtlı değil. İstek formu tarayıcınızda açıldı; "
                                  "formu doldurup gönderdikten sonra bu pencereyi kapatabilirsiniz.</p>"
                                  "<p>Form açılmadıysa bu adresi kullanın:<br><a href='%2'>%2</a></p></div>")
                       .arg(windowTitle().toHtmlEscaped(), esc));
    kit::shellExecute(adres);
}
