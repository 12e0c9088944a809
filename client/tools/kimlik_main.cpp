// Prints this workstation's identity, so that a server can be told to bind it to an account.
#include "session/kimlik.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const bool all = app.arguments().contains(QStringLiteral("--hepsi"));
    if (!all) {
        out << BilgisayarIdAl() << Qt::endl;
        return 0;
    }
    QString disk;
    try {
        disk = DiskSeriAl();
    } catch (const std::exception& e) {
        disk = QStringLiteral("(okunamadı: %1)").arg(QString::fromLocal8Bit(e.what()));
    }
    out << "kimlik:      " << BilgisayarIdAl() << Qt::endl
        << "disk seri:   " << disk << Qt::endl
        << "ağ adresi:   " << MacAdresiAl() << Qt::endl
        << "bilgisayar:  " << BilgisayarAdiAl() << Qt::endl
        << "kullanıcı:   " << KullaniciAdiAl() << Qt::endl
        << "iç ip:       " << IcIpAl() << Qt::endl
        << "veri klasörü: " << VeriKlasoru() << Qt::endl;
    return 0;
}
