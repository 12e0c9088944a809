// Workstation identity and folders: Windows sources behind the platform switch, the kernel's on Linux.
#include "session/kimlik.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QStringList>
#include <QSysInfo>

#include <stdexcept>

#ifdef Q_OS_WIN
#include <windows.h>
#include <lmcons.h>
#include <shlobj.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

// Two disk serials known to be shared by many machines of one batch; they map to one fixed identity.
const QString kOrtakSeri1 = QStringLiteral("WD-WX00A0000001");
const QString kOrtakSeri2 = QStringLiteral("S2R6NX0H000001B");
const QString kOrtakKimlik = QStringLiteral("900000000001");

QString trimmedOrEmpty(const std::function<QString()>& source)
{
    if (!source)
        return {};
    try {
        return source().trimmed();
    } catch (...) {
        return {};
    }
}

#ifndef Q_OS_WIN
QString readSysfs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).trimmed();
}
#endif

} // namespace

namespace kimlik {

QString sigdir(const QString& name) { return name.size() > 15 ? QString() : name; }

QString adresYaz(const QByteArray& alti)
{
    QStringList parts;
    for (int i = 0; i < 6 && i < alti.size(); ++i)
        parts << QStringLiteral("%1").arg(quint8(alti[i]), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}

QString ilkGecerliAdres(const QStringList& adresler)
{
    QString text;
    for (const QString& a : adresler) {
        text = a;
        if (text != QStringLiteral("00-00-00-00-00-00"))
            break;
    }
    return text;
}

} // namespace kimlik

QString BilgisayarAdiAl()
{
#ifdef Q_OS_WIN
    wchar_t buf[16];
    DWORD n = 16;
    return GetComputerNameW(buf, &n) ? QString::fromWCharArray(buf, int(n)) : QString();
#else
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return kimlik::sigdir(QString::fromLocal8Bit(buf));
#endif
}

QString KullaniciAdiAl()
{
#ifdef Q_OS_WIN
    wchar_t buf[16];
    DWORD n = 16;
    return GetUserNameW(buf, &n) ? QString::fromWCharArray(buf, int(n) - 1) : QString();
#else
    const passwd* pw = getpwuid(geteuid());
    return pw ? kimlik::sigdir(QString::fromLocal8Bit(pw->pw_name)) : QString();
#endif
}

QString IcIpAl()
{
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    // The host name did not resolve to an IPv4 address: take the first configured one.
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    return QStringLiteral("127.0.0.1");
}

QString DiskSeriAl()
{
#ifdef Q_OS_WIN
    // The system management service's answer for PHYSICALDRIVE0; queried through the volume's
    // storage descriptor, which carries the same serial without a COM round trip.
    HANDLE h = CreateFileW(L"\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("PHYSICALDRIVE0 açılamadı");
    STORAGE_PROPERTY_QUERY q{};
    q.PropertyId = StorageDeviceProperty;
    q.QueryType = PropertyStandardQuery;
    char buf[1024] = {};
    DWORD got = 0;
    const BOOL ok = DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, buf, sizeof buf, &got, nullptr);
    CloseHandle(h);
    const auto* d = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buf);
    if (!ok || d->SerialNumberOffset == 0 || d->SerialNumberOffset >= got)
        throw std::runtime_error("disk seri numarası okunamadı");
    return QString::fromLatin1(buf + d->SerialNumberOffset).toUpper();
#else
    // The disk that holds the root file system, found through its device numbers.
    struct stat st {};
    if (stat("/", &st) != 0)
        throw std::runtime_error("kök dosya sistemi okunamadı");
    const QString dev = QStringLiteral("/sys/dev/block/%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    QString disk = QFileInfo(dev).canonicalFilePath();
    if (disk.isEmpty())
        throw std::runtime_error("sistem diski bulunamadı");
    if (QFile::exists(disk + QStringLiteral("/partition")))
        disk = QFileInfo(disk).path();
    for (const QString& f : {QStringLiteral("/device/serial"), QStringLiteral("/serial"), QStringLiteral("/device/wwid")}) {
        const QString s = readSysfs(disk + f);
        if (!s.isEmpty())
            return s.toUpper();
    }
    throw std::runtime_error("sistem diskinin seri numarası yok");
#endif
}

QString MacAdresiAl()
{
    QStringList adresler;
#ifdef Q_OS_WIN
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        if (!(i.flags() & QNetworkInterface::IsLoopBack) && !i.hardwareAddress().isEmpty())
            adresler << i.hardwareAddress().replace(QLatin1Char(':'), QLatin1Char('-')).toUpper();
#else
    QStringList names = QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& n : names) {
        if (n == QStringLiteral("lo"))
            continue;
        const QString a = readSysfs(QStringLiteral("/sys/class/net/") + n + QStringLiteral("/address"));
        if (a.size() == 17)
            adresler << a.toUpper().replace(QLatin1Char(':'), QLatin1Char('-'));
    }
#endif
    return kimlik::ilkGecerliAdres(adresler);
}

QString BilgisayarIdAl(const KimlikKaynaklari& kaynak)
{
    QString id = trimmedOrEmpty(kaynak.diskSeri);
    if (id.isEmpty())
        id = trimmedOrEmpty(kaynak.macAdresi);
    id.remove(QLatin1Char(' '));
    if (id == kOrtakSeri1 || id == kOrtakSeri2)
        id = kOrtakKimlik;
    return id;
}

QString BilgisayarIdAl() { return BilgisayarIdAl(KimlikKaynaklari{&DiskSeriAl, &MacAdresiAl}); }

void KimlikDoldur(TSonucBilgisi& kayit, const KimlikKaynaklari& kaynak)
{
    kayit.setBilgiSayarAdi(BilgisayarAdiAl());
    kayit.setBilgisayarKullanici(KullaniciAdiAl());
    kayit.setIcip(IcIpAl());
    kayit.setBILGISAYARID(BilgisayarIdAl(kaynak));
}

QString VeriKlasoru()
{
#ifdef Q_OS_WIN
    wchar_t buf[MAX_PATH] = {};
    QString base = SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buf)) ? QString::fromWCharArray(buf) : QDir::homePath();
#else
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath();
#endif
    const QString path = QDir(base).filePath(QStringLiteral("vadudevododude"));
    QDir().mkdir(path); // one level only: a missing parent is left for the file operations to report
    return QDir::toNativeSeparators(path);
}

QString BelgelerKlasoru()
{
    QString p = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (p.isEmpty())
        p = QDir::homePath();
    while (p.size() > 1 && (p.endsWith(QLatin1Char('/')) || p.endsWith(QLatin1Char('\\'))))
        p.chop(1);
    return QDir::toNativeSeparators(p);
}
