// Sign-in: BuyukGetir answers the session record of the account bound to a workstation identity to a
// caller whose user name and password match that account, with a new session key.
#include "auth/password.h"
#include "auth/sessions.h"
#include "http/dispatch.h"
#include "methods/methods.h"
#include "records.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

#include <optional>

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

struct Credentials {
    QString user;
    QString password;
};

// "Basic base64(user:password)" with UTF-8 text; nothing for any other header.
std::optional<Credentials> basicCredentials(std::string_view header)
{
    const QByteArray h = QByteArray(header.data(), qsizetype(header.size())).trimmed();
    if (!h.toLower().startsWith("basic "))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(h.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QByteArray& pair = *decoded;
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    return Credentials{QString::fromUtf8(pair.left(colon)), QString::fromUtf8(pair.mid(colon + 1))};
}

// The account bound to a workstation, as the user table holds it.
struct Bound {
    TSonucBilgisi record; // everything but the credentials
    QString user;
    QString hash;
    int type = 3;
    int representative = 0;
};

std::optional<Bound> boundAccount(store::Store& s, const QString& identity)
{
    if (identity.isEmpty())
        return std::nullopt;
    // The representative shown is the user's own for a representative, else the account's.
    QSqlQuery& q = store::cachedQuery(s.db(), QStringLiteral(
        "SELECT b.BILGISAYARID, k.SIRANO, k.KULLANICIADI, k.SIFRE, "
        "CASE WHEN k.AKTIF = 1 AND c.AKTIF = 1 THEN 1 ELSE 0 END, k.EMAIL, k.MUSTERITIPI, "
        "c.CARINO, c.CARIADI, c.CARIKOD, s.SATICINO, s.ADI, s.TELEFON, s.EMAIL, k.SATICINO "
        "FROM BILGISAYAR b JOIN KULLANICI k ON k.SIRANO = b.KULLANICINO "
        "JOIN CARI c ON c.CARINO = k.CARINO "
        "LEFT JOIN SATICI s ON s.SATICINO = COALESCE(k.SATICINO, c.SATICINO) "
        "WHERE b.BILGISAYARID = ?"));
    q.bindValue(0, identity); // by position: a kept statement still holds the last call's values
    store::exec(q);
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    Bound b;
    TSonucBilgisi& r = b.record;
    r.FBILGISAYARID = q.value(0).toString();
    r.FSirano = q.value(1).toInt();
    b.user = q.value(2).toString();
    b.hash = q.value(3).toString();
    r.FAKTIF = q.value(4).toInt();
    r.FKullanicimail = q.value(5).toString();
    r.FMusteriTipi = b.type = q.value(6).toInt();
    r.FCARINO = q.value(7).toInt();
    r.FCariAdi = q.value(8).toString();
    r.Fcarikod = q.value(9).toString();
    r.FSaticiNo = q.value(10).toInt();
    r.FSaticiAdi = q.value(11).toString();
    r.FSaticiTelefon = q.value(12).toString();
    r.FSaticiMail = q.value(13).toString();
    b.representative = q.value(14).isNull() ? 0 : q.value(14).toInt();
    q.finish();
    r.FVarmi = true;
    return b;
}

void storeNewHash(store::Store& s, int user, const QString& password)
{
    QSqlQuery q = store::prepare(s.db(), QStringLiteral("UPDATE KULLANICI SET SIFRE = ? WHERE SIRANO = ?"));
    q.addBindValue(auth::hashPassword(password));
    q.addBindValue(user);
    store::exec(q);
}

} // namespace

// Whatever the outcome the answer carries FVarmi and FVersion, which the client needs to reach the
// request form or the update. Everything else, and a session key, only a matching caller gets.
void registerOturum(Dispatcher& d)
{
    d.handle("BuyukGetir", [](Call& c) {
        const QString identity = c.in.text("idsi");
        const QString address = c.request.peer;
        TSonucBilgisi answer;
        answer.FVersion = requiredVersion(c.store.db());
        const std::optional<Bound> bound = boundAccount(c.store, identity);
        if (!bound) {
            auth::recordFailedSignIn(c.store, QString(), address);
            c.out.record(&answer);
            return;
        }
        answer.FVarmi = true;
        if (auth::signInThrottled(c.store, identity, address)) {
            c.log(QStringLiteral("BuyukGetir: çok sayıda hatalı giriş, deneme doğrulanmadan reddedildi (adres %1)").arg(address));
            c.out.record(&answer);
            return;
        }
        const std::optional<Credentials> typed = basicCredentials(c.request.authorization);
        bool match = false;
        if (typed && typed->user == bound->user)
            match = auth::verifyPassword(bound->hash, typed->password);
        else
            auth::verifyNothing(typed ? typed->password : QString());
        if (!match) {
            auth::recordFailedSignIn(c.store, identity, address);
            c.log(QStringLiteral("BuyukGetir: hatalı kullanıcı adı ya da şifre (kullanıcı %1, adres %2)")
                      .arg(bound->record.FSirano)
                      .arg(address));
            c.out.record(&answer);
            return;
        }
        TSonucBilgisi r = bound->record;
        r.FVersion = answer.FVersion;
        r.FADI = typed->user;
        r.FSIFRE = typed->password;
        if (auth::needsRehash(bound->hash))
            storeNewHash(c.store, r.FSirano, typed->password);
        auth::clearFailedSignIns(c.store, identity);
        if (r.FAKTIF == 1) {
            auth::Principal p;
            p.user = r.FSirano;
            p.userName = bound->user;
            p.account = r.FCARINO;
            p.type = bound->type;
            p.representative = bound->representative;
            p.workstation = identity;
            c.issuedKey = auth::openSession(c.store, p);
        }
        c.out.record(&r);
    });
}

} // namespace srv
