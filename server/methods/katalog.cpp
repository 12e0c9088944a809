// Catalogue: StokAraGetir (search with the dealer's prices), ResimVer5 (picture), StokHareketVer (movements).
#include "http/dispatch.h"
#include "methods/fiyat.h"
#include "methods/methods.h"
#include "methods/sqltable.h"
#include "records.h"
#include "store/amounts.h"
#include "store/catalogue.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace srv {

namespace {

using wire::Type;
namespace cat = store::catalogue;

const std::vector<wire::Column>& stockColumns()
{
    static const std::vector<wire::Column> c = columns({
        {"STOK_STOKNO", Type::Integer},   {"BARKOD", Type::Text},          {"ADI", Type::Text},
        {"MARKA", Type::Text},            {"MODEL", Type::Text},           {"FINISHKOD", Type::Text},
        {"KDV", Type::Float},             {"FIYAT", Type::Float},          {"LISTEFIYAT1", Type::Float},
        {"KAMPFIYAT", Type::Float},       {"NETFIYAT", Type::Float},       {"KDVDAHIL", Type::Float},
        {"IND1", Type::Float},            {"IND2", Type::Float},           {"IND3", Type::Float},
        {"IND4", Type::Float},            {"INDIRIMYAZI", Type::Text},     {"K", Type::Integer},
        {"Y", Type::Integer},             {"DURUM", Type::Integer},        {"DEPO2", Type::Text},
        {"RESIM", Type::Integer},         {"OEM1", Type::Text},            {"OEM2", Type::Text},
        {"OEM3", Type::Text},             {"OEM4", Type::Text},            {"URETICIKODU", Type::Text},
        {"BARKOD_BARKODNO", Type::Integer}, {"DIGERADI", Type::Text},      {"DPKOD", Type::Text},
        {"OEMNO", Type::Text},            {"BIRIM", Type::Text},           {"ANAGRUP", Type::Text},
        {"OZELKOD", Type::Text},          {"KALAN", Type::Float},          {"PKOD", Type::Text},
        {"ALINANSIPARIS", Type::Float},   {"VERILENSIPARIS", Type::Float},
    });
    return c;
}
enum StockCell { cKDV = 6, cFIYAT = 7, cNETFIYAT = 10, cKDVDAHIL = 11, cIND1 = 12, cINDIRIMYAZI = 16 };

// The matches of one search, best first: the exact part code, part codes that start with the text,
// other codes (OEM, maker, finish) exactly and then by prefix, then products whose description words
// start with every word of the text. Every branch is a range scan on the index, and every branch
// that can match much of the catalogue stops at the cap: a common word or a short code prefix costs
// a few hundred index entries, not thousands.
struct Plan {
    QString sql;
    QVariantList values;
};
Plan matches(const QString& text)
{
    // A search box holds a code or a few words; longer input is cut, so that no text makes a statement
    // of unbounded size, and each number of words keeps one prepared statement.
    constexpr int kMaxWords = 6;
    constexpr qsizetype kMaxCode = 64;
    const QString code = cat::codeKey(text).left(kMaxCode);
    QStringList words;
    for (const QString& w : cat::wordKeys(text.left(kMaxCode * 4)))
        if (w.size() >= 2 && words.size() < kMaxWords) // a single letter would take a large part of the catalogue
            words << w.left(kMaxCode);
    // The longest word leads: it is usually the rarest, and the others are checked per product.
    std::stable_sort(words.begin(), words.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const QString cap = QString::number(kStokAraSatirSiniri);
    QStringList branches;
    Plan p;
    if (code.size() >= 2) {
        branches << QStringLiteral("SELECT STOK_STOKNO, TUR * 2 AS SIRA FROM STOKARA WHERE ANAHTAR = ? AND TUR IN (0, 1)");
        p.values << code;
        for (int kind : {0, 1}) {
            branches << QStringLiteral("SELECT STOK_STOKNO, %1 AS SIRA FROM (SELECT STOK_STOKNO FROM STOKARA "
                                       "WHERE ANAHTAR > ? AND ANAHTAR < ? AND TUR = %2 LIMIT %3) P%2")
                            .arg(kind * 2 + 1)
                            .arg(kind)
                            .arg(cap);
            p.values << code << cat::prefixEnd(code);
        }
    }
    if (!words.isEmpty()) {
        QString sql = QStringLiteral("SELECT A.STOK_STOKNO FROM STOKARA A WHERE A.ANAHTAR >= ? AND A.ANAHTAR < ? AND A.TUR = 2");
        p.values << words[0] << cat::prefixEnd(words[0]);
        for (qsizetype i = 1; i < words.size(); ++i) {
            sql += QStringLiteral(" AND EXISTS (SELECT 1 FROM STOKARA B WHERE B.STOK_STOKNO = A.STOK_STOKNO AND B.TUR = 2 "
                                  "AND B.ANAHTAR >= ? AND B.ANAHTAR < ?)");
            p.values << words[i] << cat::prefixEnd(words[i]);
        }
        branches << QStringLiteral("SELECT STOK_STOKNO, 4 AS SIRA FROM (%1 LIMIT %2) W").arg(sql, cap);
    }
    if (branches.isEmpty())
        return {};
    p.sql = QStringLiteral("SELECT STOK_STOKNO, MIN(SIRA) AS SIRA FROM (%1) M GROUP BY STOK_STOKNO")
                .arg(branches.join(QStringLiteral(" UNION ALL ")));
    return p;
}

QString searchSql(const Plan& m, bool representative)
{
    // Stock quantities are the representatives' to see; a dealer's grid keeps the columns with 0.
    const QString qty = representative ? QStringLiteral("S.KALAN, S.PKOD, S.ALINANSIPARIS, S.VERILENSIPARIS")
                                       : QStringLiteral("0, S.PKOD, 0, 0");
    return QStringLiteral("SELECT S.STOK_STOKNO, S.BARKOD, S.ADI, S.MARKA, S.MODEL, S.FINISHKOD, S.KDV, %1, "
                          "S.LISTEFIYAT1, S.KAMPFIYAT, 0, 0, %2, %3, %4, %5, '', S.K, S.Y, S.DURUM, S.DEPO2, "
                          "S.RESIM, S.OEM1, S.OEM2, S.OEM3, S.OEM4, S.URETICIKODU, S.BARKOD_BARKODNO, S.DIGERADI, "
                          "S.DPKOD, S.OEMNO, S.BIRIM, S.ANAGRUP, S.OZELKOD, %6 "
                          "FROM (%7) R JOIN STOK S ON S.STOK_STOKNO = R.STOK_STOKNO%8 "
                          "WHERE S.AKTIF = 1 ORDER BY R.SIRA, S.BARKOD, S.STOK_STOKNO LIMIT %9")
        .arg(fiyat::priceExpression(), fiyat::rateExpression(1), fiyat::rateExpression(2), fiyat::rateExpression(3),
             fiyat::rateExpression(4), qty, m.sql, fiyat::joins())
        .arg(kStokAraSatirSiniri);
}

// Movements of a product on a dealer's invoices, newest first.
const std::vector<wire::Column>& movementColumns()
{
    static const std::vector<wire::Column> c = columns({
        {"BARKOD", Type::Text},            {"TARIH", Type::Date},             {"TURU", Type::Text},
        {"EVRAKSERI", Type::Text},         {"EVRAKSIRA", Type::Text},         {"MIKTAR", Type::Float},
        {"TLBIRIMFIYAT", Type::Float},     {"TLVERGI", Type::Float},          {"TLTUTAR", Type::Float},
        {"INDIRIM1", Type::Float},         {"INDIRIM2", Type::Float},         {"INDIRIM3", Type::Float},
        {"INDIRIM4", Type::Float},         {"INDIRIM5", Type::Float},         {"INDIRIM6", Type::Float},
        {"INDIRIM7", Type::Float},         {"INDIRIM8", Type::Float},         {"TOPLAMINDIRIM", Type::Float},
        {"MASRAF1", Type::Float},          {"MASRAF2", Type::Float},          {"TOPLAMMASRAF", Type::Float},
        {"NETBIRIMFIYAT", Type::Float},    {"NETTLTUTAR", Type::Float},       {"VADE", Type::Integer},
        {"STOKCARIKOD", Type::Text},       {"KDVDAHILBIRIMFIYAT", Type::Float}, {"KDVDAHILTUTAR", Type::Float},
        {"SATICI", Type::Text},
    });
    return c;
}

} // namespace

void registerKatalog(Dispatcher& d)
{
    d.handle("StokAraGetir", [](Call& c) {
        const QString text = c.in.text("kod");
        const int carino = c.in.record<TSonucBilgisi>("bilgi")->FCARINO;
        const Plan m = matches(text);
        const std::vector<wire::Column>& cols = stockColumns();
        // Nothing to look for still answers the table, empty, so that the client sees its columns.
        QSqlQuery& q = store::cachedQuery(c.store.db(), m.sql.isEmpty() ? searchSql({QStringLiteral(
                                                                                         "SELECT 0 AS STOK_STOKNO, 0 AS SIRA WHERE 1 = 0"), {}},
                                                                                     c.caller->isRepresentative())
                                                                         : searchSql(m, c.caller->isRepresentative()));
        int i = 0;
        for (const QVariant& v : m.values)
            q.bindValue(i++, v);
        q.bindValue(i, carino);
        store::exec(q);
        writeTable(c.out, q, cols, [](std::vector<QVariant>& cells) {
            const double rates[4] = {cells[cIND1].toDouble(), cells[cIND1 + 1].toDouble(),
                                     cells[cIND1 + 2].toDouble(), cells[cIND1 + 3].toDouble()};
            const store::LineAmounts a = store::lineAmounts(cells[cFIYAT].toDouble(), 1, rates, cells[cKDV].toDouble());
            cells[cNETFIYAT] = a.netBirimFiyat;
            cells[cKDVDAHIL] = a.kdvliBirimFiyat;
            cells[cINDIRIMYAZI] = fiyat::rateText(rates);
        });
        q.finish();
    });

    d.handle("ResimVer5", [](Call& c) {
        QSqlQuery& q = store::cachedQuery(c.store.db(), QStringLiteral(
            "SELECT R.RESIM FROM STOKRESIM R JOIN STOK S ON S.STOK_STOKNO = R.STOK_STOKNO "
            "WHERE R.STOK_STOKNO = ? AND S.AKTIF = 1"));
        q.bindValue(0, c.in.integer("stokno"));
        store::exec(q);
        const QByteArray bytes = q.next() ? q.value(0).toByteArray() : QByteArray();
        q.finish();
        c.out.largeint(bytes.size());
        c.out.stream(bytes);
    });

    d.handle("StokHareketVer", [](Call& c) {
        QSqlQuery& q = store::cachedQuery(c.store.db(), QStringLiteral(
            "SELECT S.BARKOD, H.STOKHAR_HAREKETTARIHI, H.STOKHAR_HAREKETTIPI, SUBSTR(F.EVRAKNO, 1, 3), "
            "SUBSTR(F.EVRAKNO, 4), H.STOKHAR_MIKTAR, H.STOKHAR_TLBIRIMFIYATI, H.STOKHAR_TLVERGI, H.STOKHAR_TLTUTAR, "
            "H.STOKHAR_INDIRIM1, H.STOKHAR_INDIRIM2, H.STOKHAR_INDIRIM3, H.STOKHAR_INDIRIM4, 0, 0, 0, 0, "
            "H.STOKHAR_TOPLAMINDIRIM, H.STOKHAR_MASRAF1, H.STOKHAR_MASRAF2, H.STOKHAR_TOPLAMMASRAF, "
            "H.STOKHAR_NETTLBIRIMFIYATI, H.STOKHAR_NETTLTUTAR, H.STOKHAR_VADE, C.CARIKOD, 0, "
            "H.STOKHAR_NETTLTUTAR + H.STOKHAR_TLVERGI, COALESCE(T.ADI, '') "
            "FROM STOKHAR H JOIN STOK S ON S.STOK_STOKNO = H.STOKHAR_STOKNO "
            "JOIN FATURA F ON F.IDNO = H.FATURAIDNO JOIN CARI C ON C.CARINO = H.STOKHAR_CARINO "
            "LEFT JOIN SATICI T ON T.SATICINO = F.SATICINO "
            "WHERE H.STOKHAR_CARINO = ? AND H.STOKHAR_STOKNO = ? "
            "ORDER BY H.STOKHAR_HAREKETTARIHI DESC, H.STOKHAR_NO DESC"));
        q.bindValue(0, c.in.integer("carino"));
        q.bindValue(1, c.in.integer("stokno"));
        store::exec(q);
        writeTable(c.out, q, movementColumns(), [](std::vector<QVariant>& cells) {
            // The VAT-inclusive unit price as the client rounds it: from the net unit price and the line's VAT share.
            const double qty = cells[5].toDouble();
            const double total = store::round2(cells[26].toDouble());
            cells[26] = total;
            cells[25] = qty != 0 ? store::round2(total / qty) : 0.0;
        });
        q.finish();
    });
}

} // namespace srv
