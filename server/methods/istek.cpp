// Requests to the wholesaler: MobilCariBilgisiGetir (the caller's dealer card), MailGonserCariNormal and
// MailGonserCari (a mail or a password-change request, written to the outbox the relay sends from).
#include "auth/password.h"
#include "http/dispatch.h"
#include "mail/outbox.h"
#include "methods/methods.h"
#include "records.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

namespace srv {

namespace {

// The dealer card of the caller's own account, with its balance and representative. The password is
// never part of it: the server holds only its hash.
TMobilCariBilgisi dealerCard(store::Store& s, const auth::Principal& p)
{
    QSqlQuery q = store::prepare(s.db(), QStringLiteral(
        "SELECT c.CARINO, c.CARIKOD, c.CARIADI, c.YETKILI, c.ADRES1, c.ADRES2, c.ILCE, c.IL, c.ULKE, "
        "c.VERGIDAIRESI, c.VERGINO, c.TEL1, c.TEL2, c.GSM, c.FAX1, c.FAX2, c.EMAIL, c.OZELKOD, c.ANAGRUP, "
        "c.ALTGRUP, s.ADI, s.TELEFON, s.EMAIL, b.TLBORC, b.TLALACAK, b.TLBAKIYE, k.EMAIL "
        "FROM CARI c LEFT JOIN SATICI s ON s.SATICINO = c.SATICINO "
        "LEFT JOIN CARIBAKIYE b ON b.CARINO = c.CARINO "
        "LEFT JOIN KULLANICI k ON k.SIRANO = ? "
        "WHERE c.CARINO = ?"));
    q.addBindValue(p.user);
    q.addBindValue(p.account);
    store::exec(q);
    TMobilCariBilgisi r;
    if (!q.next())
        throw CallError{404, QStringLiteral("Cari bulunamadı.")};
    const auto v = [&q](int i) { return q.value(i).toString(); };
    r.FCARINO = q.value(0).toInt();
    r.FCARIKOD = v(1);
    r.FCARIADI = v(2);
    r.FYETKILI = v(3);
    r.FADRES1 = v(4);
    r.FADRES2 = v(5);
    r.FILCE = v(6);
    r.FSEHIR = v(7);
    r.FULKE = v(8);
    r.FVERGIDAIRESI = v(9);
    r.FVERGINO = v(10);
    r.FTEL1 = v(11);
    r.FTEL2 = v(12);
    r.FGSM = v(13);
    r.FFAX1 = v(14);
    r.FFAX2 = v(15);
    r.FEMAIL = v(16);
    r.FOzelKod = v(17);
    r.FAnaGrup = v(18);
    r.FAltGrup = v(19);
    r.FSATICIADI = v(20);
    r.FSATICITELEFON = v(21);
    r.FSATICIMAIL = v(22);
    r.FTLBORC = q.value(23).toDouble();
    r.FTLALACAK = q.value(24).toDouble();
    r.FTLBAKIYE = q.value(25).toDouble();
    r.FMAIL = q.value(26).isNull() ? QString() : v(26);
    r.FKULLANICIADI = p.userName;
    r.FBILGISAYARID = p.workstation;
    q.finish();
    return r;
}

// An empty input binds as an empty text, never as a database null.
QString text(const QString& v) { return v.isNull() ? QStringLiteral("") : v; }

// Writes one request with its time, sender and every field, in one transaction; answers its number.
int storeRequest(Call& c, mail::Kind kind)
{
    const auth::Principal& p = *c.caller;
    // The outbox keeps a requested password only as its hash; a mail carries none.
    const QString typed = c.in.text("sifre");
    const QString password = kind == mail::PasswordKind && !typed.isEmpty() ? auth::hashPassword(typed) : text({});
    const QString konu = text(kind == mail::MailKind ? c.in.text("konu") : QString());
    return store::inTransaction(c.store, [&](QSqlDatabase& db) {
        QSqlQuery q = store::prepare(db, QStringLiteral(
            "INSERT INTO ISTEK (TARIH, TUR, BILGISAYARID, CARINO, KULLANICINO, BASLIK, FIRMAADI, ADRES1, ADRES2, "
            "ILCE, SEHIR, TELEFON, FAX, VD, VN, YETKILI, KULLANICIADI, SIFRE, MAIL, KARGOAMBAR, KONU, DURUM) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0) RETURNING SIRANO"));
        q.addBindValue(store::timeText(QDateTime::currentDateTime()));
        q.addBindValue(int(kind));
        q.addBindValue(text(c.in.text("idsi")));
        q.addBindValue(p.account);
        q.addBindValue(p.user);
        for (const char* name : {"baslik", "firmaadi", "adres1", "adres2", "ilce", "sehir", "telefon", "fax", "vd",
                                 "vn", "yetkili", "kullaniciadi"})
            q.addBindValue(text(c.in.text(name)));
        q.addBindValue(password);
        q.addBindValue(text(c.in.text("mail")));
        q.addBindValue(text(c.in.text("kargoambar")));
        q.addBindValue(konu);
        store::exec(q);
        if (!q.next())
            throw store::StoreError(QStringLiteral("İstek kaydedilemedi"));
        const int id = q.value(0).toInt();
        q.finish();
        return id;
    });
}

} // namespace

void registerIstek(Dispatcher& d)
{
    d.handle("MobilCariBilgisiGetir", [](Call& c) {
        const TMobilCariBilgisi r = dealerCard(c.store, *c.caller);
        c.out.record(&r);
    });
    d.handle("MailGonserCariNormal", [](Call& c) {
        const int id = storeRequest(c, mail::MailKind);
        c.log(QStringLiteral("MailGonserCariNormal: istek %1 giden kutusuna yazıldı (kullanıcı %2)").arg(id).arg(c.caller->user));
        c.out.integer(1);
    });
    d.handle("MailGonserCari", [](Call& c) {
        const int id = storeRequest(c, mail::PasswordKind);
        c.log(QStringLiteral("MailGonserCari: şifre isteği %1 giden kutusuna yazıldı (kullanıcı %2)").arg(id).arg(c.caller->user));
        c.out.integer(1);
    });
}

} // namespace srv
