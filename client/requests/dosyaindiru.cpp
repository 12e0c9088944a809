// The program update download.
#include "requests/dosyaindiru.h"

#include "kit/ui/modal.h"
#include "kit/ui/shell.h"
#include "kit/ui/style.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kZamanAsimi = 60000;
} // namespace

QString YerelVeriKlasoru()
{
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

Tdosyaindir::Tdosyaindir(int _y, const ProgramAyari& ayar, QWidget* AOwner) : QDialog(AOwner)
{
    setObjectName(QStringLiteral("dosyaindir"));
    setWindowTitle(QStringLiteral("Dosya İndir"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint);
    setFixedSize(543, 309);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(12, 12, 12, 12);
    sLabel1 = new QLabel(this);
    sLabel1->setObjectName(QStringLiteral("sLabel1"));
    sLabel1->setFont(kit::tahoma(27, false));
    sLabel1->setStyleSheet(QStringLiteral("color: #434C58;")); // colour value 5786691 in the platform's BGR order
    sLabel1->setAlignment(Qt::AlignCenter);
    sLabel1->setWordWrap(true);
    sLabel1->setText(QStringLiteral("Tezval Otomotiv B2B Programının\r\nYeni versiyonu indirilecektir\r\nLütfen Bekleyiniz...!\r\nVersion: ") +
                     QString::number(_y) + QLatin1Char('-') + QString::number(kProgramSurumu));
    v->addWidget(sLabel1, 1);
    bilgi = new QLabel(this);
    bilgi->setObjectName(QStringLiteral("bilgi"));
    QFont small(QStringLiteral("Tahoma"));
    small.setPointSize(10);
    small.setBold(true);
    bilgi->setFont(small);
    v->addWidget(bilgi);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    v->addWidget(ProgressBar1);
    adres = ayar.indirmeAdresi + QStringLiteral("exe/TezvalSetup.exe");
    basladi = false;
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void Tdosyaindir::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Once the window is up, as activation would start it.
    QTimer::singleShot(0, this, &Tdosyaindir::GuncellemeIndir);
}

void Tdosyaindir::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        GuncellemeIndir();
}

QString Tdosyaindir::IlerlemeMetni(qint64 uzunluk, qint64 okunan)
{
    const QLocale l;
    const double yuzde = double(okunan) / double(uzunluk) * 100.0;
    const double mb = 1024.0 * 1024.0;
    return QStringLiteral("Bilgi: %") + l.toString(yuzde, 'f', 2) + QStringLiteral("  İndirilen: ") +
           l.toString(okunan / mb, 'f', 2) + QLatin1Char('/') + l.toString(uzunluk / mb, 'f', 2) + QStringLiteral(" Mb");
}

void Tdosyaindir::NetHTTPClient1ReceiveData(qint64 uzunluk, qint64 okunan)
{
    if (uzunluk <= 0)
        return;
    bilgi->setText(IlerlemeMetni(uzunluk, okunan));
    // The bar counts in kilobytes so that files beyond 2 GB still fit its range.
    ProgressBar1->setMaximum(int(uzunluk / 1024) + 1);
    ProgressBar1->setValue(int(okunan / 1024) + (okunan >= uzunluk ? 1 : 0));
}

void Tdosyaindir::NetHTTPClient1RequestError(const QString& hata)
{
    QMessageBox box(QMessageBox::Critical, kit::applicationTitle(), QStringLiteral("Hata Oluştu !\r\nHata: ") + hata,
                    QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Tamam"));
    kit::execModal(box);
    kit::endProcess();
    done(QDialog::Rejected);
}

void Tdosyaindir::GuncellemeIndir()
{
    if (basladi)
        return;
    basladi = true;
    const QString yer = YerelVeriKlasoru();
    QDir().mkpath(yer);
    const QString dosya = QDir(yer).filePath(QStringLiteral("TezvalSetup.exe"));
    if (QFile::exists(dosya))
        QFile::remove(dosya);

    QNetworkAccessManager nam;
    nam.setCookieJar(nullptr);
    QNetworkRequest req{QUrl(adres)};
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setTransferTimeout(kZamanAsimi);
    req.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;q=0.8");
    req.setRawHeader("Accept-Encoding", "gzip, deflate");
    req.setRawHeader("Accept-Language", "en-US,tr-TR;q=0.8,tr;q=0.6,en;q=0.4");
    req.setRawHeader("User-Agent", "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                                   "Chrome/60.0.3112.32 Safari/537.36");
    QNetworkReply* reply = nam.get(req);
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 got, qint64 total) { NetHTTPClient1ReceiveData(total, got); });
    // The window stays responsive while the download runs, as the synchronous call with progress did.
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    const QString hata = reply->error() != QNetworkReply::NoError ? reply->errorString() : QString();
    reply->deleteLater();
    // An error page is never started as a program: a failure status counts as a request error.
    if (!hata.isEmpty() || status < 200 || status >= 300) {
        NetHTTPClient1RequestError(hata.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : hata);
        return;
    }
    QFile f(dosya);
    if (!f.open(QIODevice::WriteOnly) || f.write(body) != body.size() || !f.flush()) {
        NetHTTPClient1RequestError(QStringLiteral("%1 yazılamadı: %2").arg(QDir::toNativeSeparators(dosya), f.errorString()));
        return;
    }
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    KurulumCalistir(dosya);
}

void Tdosyaindir::KurulumCalistir(const QString& dosya)
{
    kit::shellExecute(dosya, {QStringLiteral("/silent")});
    kit::endProcess();
    done(QDialog::Accepted);
}
