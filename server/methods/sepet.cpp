// Basket: SepetVer2, SepetEkle2, SepetGuncelle2, SepetSecimGuncelle, SepetSatirSil, SepetHepsiniSil.
#include "auth/principal.h"
#include "http/dispatch.h"
#include "methods/fiyat.h"
#include "methods/methods.h"
#include "methods/sqltable.h"
#include "records.h"
#include "store/amounts.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <optional>

namespace srv {

namespace {

using wire::Type;

// The line columns of the basket grid, hidden ones included; the numbers the client needs
// (SIPARISNO, AKTAR, TESLIMID, KARGOID, IDNO) are 0 until the line becomes an order.
const std::vector<wire::Column>& basketColumns()
{
    static const std::vector<wire::Column> c = columns({
        {"SIRANO", Type::Integer},        {"SEC", Type::Integer},          {"VERILISTARIHI", Type::DateTime},
        {"BARKOD", Type::Text},           {"STOKADI", Type::Text},         {"MIKTAR", Type::Float},
        {"BIRIMFIYAT", Type::Float},      {"TUTAR", Type::Float},          {"INDIRIMYAZI", Type::Text},
        {"NETBIRIMFIYAT", Type::Float},   {"KDV", Type::Float},            {"VERGITUTARI", Type::Float},
        {"NETTUTAR", Type::Float},        {"KDVLITUTAR", Type::Float},     {"VEREN", Type::Text},
        {"DURUM", Type::Integer},         {"SIPARISNO", Type::Integer},    {"TARIH", Type::Date},
        {"FINISHKOD", Type::Text},        {"OEMNO", Type::Text},           {"KUR", Type::Text},
        {"SAAT", Type::Text},             {"ACIKLAMA", Type::Text},        {"OEM1", Type::Text},
        {"OEM2", Type::Text},             {"OEM3", Type::Text},            {"OEM4", Type::Text},
        {"DIGERADI", Type::Text},         {"DPKOD", Type::Text},           {"PKOD", Type::Text},
        {"MARKA", Type::Text},            {"MODEL", Type::Text},           {"ANAGRUP", Type::Text},
        {"OZELKOD", Type::Text},          {"INDIRIMORANI1", Type::Float},  {"INDIRIMORANI2", Type::Float},
        {"INDIRIMORANI3", Type::Float},   {"INDIRIMORANI4", Type::Float},  {"CARINO", Type::Integer},
        {"AKTAR", Type::Integer},         {"STOKNO", Type::Integer},       {"INDIRIMTUTAR", Type::Float},
        {"KURTL", Type::Float},           {"VERENIDNO", Type::Integer},    {"TESLIMID", Type::Integer},
        {"KARGOID", Type::Integer},       {"IDNO", Type::Integer},         {"VERENSIRANO", Type::Integer},
        {"CARIKOD", Type::Text},          {"CARIADI", Type::Text},         {"STOK_STOKNO", Type::Integer},
        {"URETICIKODU", Type::Text},      {"KALAN", Type::Float},
    });
    return c;
}

// The stock on hand is the representatives' to see; a dealer's grid keeps the column with 0.
QString basketSql(bool representative)
{
    return QStringLiteral(
               "SELECT S.SIRANO, S.SEC, S.VERILISTARIHI, S.BARKOD, S.STOKADI, S.MIKTAR, S.BIRIMFIYAT, S.TUTAR, '', "
               "S.NETBIRIMFIYAT, S.KDV, S.VERGITUTARI, S.NETTUTAR, S.KDVLITUTAR, S.VEREN, T.DURUM, 0, "
               "S.VERILISTARIHI, T.FINISHKOD, T.OEMNO, S.KUR, SUBSTR(S.VERILISTARIHI, 12, 5), S.ACIKLAMA, T.OEM1, "
               "T.OEM2, T.OEM3, T.OEM4, T.DIGERADI, T.DPKOD, T.PKOD, T.MARKA, T.MODEL, T.ANAGRUP, T.OZELKOD, "
               "S.INDIRIMORANI1, S.INDIRIMORANI2, S.INDIRIMORANI3, S.INDIRIMORANI4, S.CARINO, 0, S.STOKNO, "
               "S.INDIRIMTUTAR, S.KURTL, S.VERENIDNO, 0, 0, 0, S.VERENIDNO, C.CARIKOD, C.CARIADI, S.STOKNO, "
               "T.URETICIKODU, %1 "
               "FROM SEPET S JOIN STOK T ON T.STOK_STOKNO = S.STOKNO JOIN CARI C ON C.CARINO = S.CARINO "
               "WHERE S.CARINO = ? ORDER BY S.SIRANO")
        .arg(representative ? QStringLiteral("T.KALAN") : QStringLiteral("0"));
}

// What a line is made of once the price rule has been applied.
struct LineInput {
    double quantity = 0;
    double price = 0;
    double rates[4] = {};
};

double quantityOf(const Call& c)
{
    const double q = c.in.real("miktar");
    if (!std::isfinite(q) || q <= 0)
        throw CallError{400, QStringLiteral("Miktar sıfırdan büyük bir sayı olmalıdır.")};
    return q;
}

// A representative's own price and rates, refused when they are no amounts.
void representativeValues(const Call& c, LineInput& l)
{
    l.price = c.in.real("fiyat");
    if (!std::isfinite(l.price) || l.price < 0)
        throw CallError{400, QStringLiteral("Birim fiyat sıfır ya da sıfırdan büyük bir sayı olmalıdır.")};
    const char* names[] = {"ind1", "ind2", "ind3", "ind4"};
    for (int i = 0; i < 4; ++i) {
        l.rates[i] = c.in.real(names[i]);
        if (!std::isfinite(l.rates[i]) || l.rates[i] > 100)
            throw CallError{400, QStringLiteral("İndirim oranları 100'den büyük olamaz.")};
    }
}

store::LineAmounts amountsOf(const LineInput& l, double kdv)
{
    const store::LineAmounts a = store::lineAmounts(l.price, l.quantity, l.rates, kdv);
    if (!std::isfinite(a.kdvliTutar) || !std::isfinite(a.tutar))
        throw CallError{400, QStringLiteral("Satır tutarı hesaplanamıyor; miktarı ve fiyatı kontrol ediniz.")};
    return a;
}

fiyat::Product productOrRefuse(const QSqlDatabase& db, int carino, int stokno)
{
    std::optional<fiyat::Product> p = fiyat::product(db, carino, stokno);
    if (!p)
        throw CallError{400, QStringLiteral("Ürün bulunamadı.")};
    return *p;
}

// The line's account and product when the line is within the caller's accounts (and, when account
// is given, on that account); nothing otherwise, so another dealer's line is a missing one.
struct LineRow {
    int carino = 0;
    int stokno = 0;
    double rates[4] = {};
};
std::optional<LineRow> lineInScope(const QSqlDatabase& db, const auth::Principal& who, int sirano,
                                   std::optional<int> account = {})
{
    const auth::ScopeCondition scope = auth::scopeCondition(who, QStringLiteral("S.CARINO"));
    QSqlQuery q = store::prepare(db, QStringLiteral("SELECT S.CARINO, S.STOKNO, S.INDIRIMORANI1, S.INDIRIMORANI2, "
                                                    "S.INDIRIMORANI3, S.INDIRIMORANI4 FROM SEPET S "
                                                    "WHERE S.SIRANO = ? AND ") +
                                         scope.sql + (account ? QStringLiteral(" AND S.CARINO = ?") : QString()));
    q.addBindValue(sirano);
    for (const QVariant& v : scope.values)
        q.addBindValue(v);
    if (account)
        q.addBindValue(*account);
    store::exec(q);
    if (!q.next())
        return std::nullopt;
    LineRow r;
    r.carino = q.value(0).toInt();
    r.stokno = q.value(1).toInt();
    for (int i = 0; i < 4; ++i)
        r.rates[i] = q.value(2 + i).toDouble();
    return r;
}

void bindAmounts(QSqlQuery& q, const LineInput& l, const store::LineAmounts& a)
{
    q.addBindValue(l.quantity);
    q.addBindValue(l.price);
    for (double r : l.rates)
        q.addBindValue(r);
    q.addBindValue(a.tutar);
    q.addBindValue(a.indirimTutar);
    q.addBindValue(a.netBirimFiyat);
    q.addBindValue(a.netTutar);
    q.addBindValue(a.vergiTutari);
    q.addBindValue(a.kdvliTutar);
}

} // namespace

void registerSepet(Dispatcher& d)
{
    d.handle("SepetVer2", [](Call& c) {
        const int carino = c.in.integer("carino");
        QSqlQuery& q = store::cachedQuery(c.store.db(), basketSql(c.caller->isRepresentative()));
        q.bindValue(0, carino);
        store::exec(q);
        const std::vector<wire::Column>& cols = basketColumns();
        writeTable(c.out, q, cols, [](std::vector<QVariant>& cells) {
            const double rates[4] = {cells[34].toDouble(), cells[35].toDouble(), cells[36].toDouble(),
                                     cells[37].toDouble()};
            cells[8] = fiyat::rateText(rates);
        });
        q.finish();
    });

    // Price and rates are the dealer's own unless a representative sets them; the amounts are always
    // the server's, computed as the line entry dialog previews them.
    d.handle("SepetEkle2", [](Call& c) {
        const int carino = c.in.integer("carino");
        const int stokno = c.in.integer("stokno");
        LineInput l;
        l.quantity = quantityOf(c);
        if (c.caller->isRepresentative())
            representativeValues(c, l);
        store::inTransaction(c.store, [&](QSqlDatabase& db) {
            const fiyat::Product p = productOrRefuse(db, carino, stokno);
            if (!c.caller->isRepresentative()) {
                l.price = p.price;
                std::copy(std::begin(p.rates), std::end(p.rates), std::begin(l.rates));
            }
            const store::LineAmounts a = amountsOf(l, p.kdv);
            QSqlQuery q = store::prepare(db, QStringLiteral(
                "INSERT INTO SEPET (CARINO, STOKNO, BARKOD, STOKADI, KDV, K, VERENIDNO, VEREN, VERILISTARIHI, "
                "MIKTAR, BIRIMFIYAT, INDIRIMORANI1, INDIRIMORANI2, INDIRIMORANI3, INDIRIMORANI4, TUTAR, "
                "INDIRIMTUTAR, NETBIRIMFIYAT, NETTUTAR, VERGITUTARI, KDVLITUTAR) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            q.addBindValue(carino);
            q.addBindValue(p.stokno);
            q.addBindValue(p.barkod);
            q.addBindValue(p.adi);
            q.addBindValue(p.kdv);
            q.addBindValue(p.k);
            q.addBindValue(c.caller->user);
            q.addBindValue(c.caller->userName);
            q.addBindValue(store::timeText(QDateTime::currentDateTime()));
            bindAmounts(q, l, a);
            store::exec(q);
        });
        c.out.integer(1);
    });

    // A changed line keeps its product; a dealer's line is priced again from the dealer's list.
    d.handle("SepetGuncelle2", [](Call& c) {
        const int carino = c.in.integer("carino");
        const int sirano = c.in.integer("_sepetsirano");
        LineInput l;
        l.quantity = quantityOf(c);
        if (c.caller->isRepresentative())
            representativeValues(c, l);
        const bool changed = store::inTransaction(c.store, [&](QSqlDatabase& db) {
            const std::optional<LineRow> line = lineInScope(db, *c.caller, sirano, carino);
            if (!line)
                return false;
            const fiyat::Product p = productOrRefuse(db, carino, line->stokno);
            if (!c.caller->isRepresentative()) {
                l.price = p.price;
                std::copy(std::begin(p.rates), std::end(p.rates), std::begin(l.rates));
            }
            const store::LineAmounts a = amountsOf(l, p.kdv);
            QSqlQuery q = store::prepare(db, QStringLiteral(
                "UPDATE SEPET SET MIKTAR = ?, BIRIMFIYAT = ?, INDIRIMORANI1 = ?, INDIRIMORANI2 = ?, "
                "INDIRIMORANI3 = ?, INDIRIMORANI4 = ?, TUTAR = ?, INDIRIMTUTAR = ?, NETBIRIMFIYAT = ?, "
                "NETTUTAR = ?, VERGITUTARI = ?, KDVLITUTAR = ?, KDV = ? WHERE SIRANO = ?"));
            bindAmounts(q, l, a);
            q.addBindValue(p.kdv);
            q.addBindValue(sirano);
            store::exec(q);
            return true;
        });
        c.out.integer(changed ? 1 : 0);
    });

    d.handle("SepetSecimGuncelle", [](Call& c) {
        const int sirano = c.in.integer("sirano");
        const int secim = c.in.integer("secim");
        if (secim != 0 && secim != 1)
            throw CallError{400, QStringLiteral("Seçim 0 ya da 1 olmalıdır.")};
        store::inTransaction(c.store, [&](QSqlDatabase& db) {
            if (!lineInScope(db, *c.caller, sirano))
                return;
            QSqlQuery q = store::prepare(db, QStringLiteral("UPDATE SEPET SET SEC = ? WHERE SIRANO = ?"));
            q.addBindValue(secim);
            q.addBindValue(sirano);
            store::exec(q);
        });
    });

    d.handle("SepetSatirSil", [](Call& c) {
        const int sirano = c.in.integer("satirno");
        const bool deleted = store::inTransaction(c.store, [&](QSqlDatabase& db) {
            if (!lineInScope(db, *c.caller, sirano))
                return false;
            QSqlQuery q = store::prepare(db, QStringLiteral("DELETE FROM SEPET WHERE SIRANO = ?"));
            q.addBindValue(sirano);
            store::exec(q);
            return true;
        });
        c.out.integer(deleted ? 1 : 0);
    });

    d.handle("SepetHepsiniSil", [](Call& c) {
        const int carino = c.in.record<TSonucBilgisi>("bilgi")->FCARINO;
        store::inTransaction(c.store, [&](QSqlDatabase& db) {
            QSqlQuery q = store::prepare(db, QStringLiteral("DELETE FROM SEPET WHERE CARINO = ?"));
            q.addBindValue(carino);
            store::exec(q);
        });
        c.out.integer(1);
    });
}

} // namespace srv
