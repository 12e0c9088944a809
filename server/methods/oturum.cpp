// Sign-in: BuyukGetir answers the session record of the account bound to a workstation identity.
#include "http/dispatch.h"
#include "methods/methods.h"
#include "records.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

namespace srv {

namespace {

// The client version the server requires; the schema ships with one, so the setting is always there.
int requiredVersion(const QSqlDatabase& db)
{
    QSqlQuery& q = store::cachedQuery(db, QStringLiteral("SELECT DEGER FROM AYAR WHERE ANAHTAR = 'SURUM'"));
    store::exec(q);
    bool ok = false;
    const int v = q.next() ? q.value(0).toString().trimmed().toInt(&ok) : 0;
    q.finish(); // a kept statement must not hold its read open until the next call
    return ok && v > 0 ? v : TSonucBilgisi().FVersion;
}

// An unknown workstation gets the defaults with FVarmi false, but the real required version: the
// client checks the version before it looks at FVarmi, and an unknown workstation must reach the
// request form rather than an update.
TSonucBilgisi sessionFor(store::Store& s, const QString& identity)
{
    const QSqlDatabase db = s.db();
    TSonucBilgisi r;
    r.FVersion = requiredVersion(db);
    if (identity.isEmpty())
        return r;
    // The representative shown is the user's own for a representative, else the account's.
    QSqlQuery& q = store::cachedQuery(db, QStringLiteral(
        "SELECT b.BILGISAYARID, k.SIRANO, k.KULLANICIADI, k.SIFRE, "
        "CASE WHEN k.AKTIF = 1 AND c.AKTIF = 1 THEN 1 ELSE 0 END, k.EMAIL, k.MUSTERITIPI, "
        "c.CARINO, c.CARIADI, c.CARIKOD, s.SATICINO, s.ADI, s.TELEFON, s.EMAIL "
        "FROM BILGISAYAR b JOIN KULLANICI k ON k.SIRANO = b.KULLANICINO "
        "JOIN CARI c ON c.CARINO = k.CARINO "
        "LEFT JOIN SATICI s ON s.SATICINO = COALESCE(k.SATICINO, c.SATICINO) "
        "WHERE b.BILGISAYARID = ?"));
    q.bindValue(0, identity); // by position: a kept statement still holds the last call's values
    store::exec(q);
    if (!q.next()) {
        q.finish();
        return r;
    }
    r.FBILGISAYARID = q.value(0).toString();
    r.FSirano = q.value(1).toInt();
    r.FADI = q.value(2).toString();
    r.FSIFRE = q.value(3).toString();
    r.FAKTIF = q.value(4).toInt();
    r.FKullanicimail = q.value(5).toString();
    r.FMusteriTipi = q.value(6).toInt();
    r.FCARINO = q.value(7).toInt();
    r.FCariAdi = q.value(8).toString();
    r.Fcarikod = q.value(9).toString();
    r.FSaticiNo = q.value(10).toInt();
    r.FSaticiAdi = q.value(11).toString();
    r.FSaticiTelefon = q.value(12).toString();
    r.FSaticiMail = q.value(13).toString();
    q.finish();
    r.FVarmi = true;
    return r;
}

} // namespace

void registerOturum(Dispatcher& d)
{
    d.handle("BuyukGetir", [](Call& c) {
        const TSonucBilgisi r = sessionFor(c.store, c.in.text(0));
        c.out.record(&r);
    });
}

} // namespace srv
