// Workstation identity and the client's folders.
#pragma once

#include "records.h"

#include <QString>

#include <functional>

// Sources of the workstation identity; replaceable so that the fallback rules can be exercised.
struct KimlikKaynaklari {
    std::function<QString()> diskSeri;  // may throw
    std::function<QString()> macAdresi; // may throw
};

QString BilgisayarAdiAl();
QString KullaniciAdiAl();
QString IcIpAl();
QString DiskSeriAl();  // throws std::runtime_error when the system disk's serial cannot be read
QString MacAdresiAl(); // empty when no adapter address could be read
QString BilgisayarIdAl();
QString BilgisayarIdAl(const KimlikKaynaklari& kaynak);
// Writes this workstation's name, OS user, local address and identity into a session record.
void KimlikDoldur(TSonucBilgisi& kayit, const KimlikKaynaklari& kaynak);
QString VeriKlasoru();
QString BelgelerKlasoru();

// The rules applied to the raw sources, kept apart from the system calls.
namespace kimlik {
// A name read into a 16-character buffer: longer names cannot be read and give empty.
QString sigdir(const QString& name);
// The first adapter address that is not all zeros, in order; the last one read otherwise.
QString ilkGecerliAdres(const QStringList& adresler);
// Six bytes as "AA-BB-CC-DD-EE-FF".
QString adresYaz(const QByteArray& alti);
} // namespace kimlik
