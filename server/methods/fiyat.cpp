// Dealer prices: the price list and discount rows of the dealer, in SQL both engines run alike.
#include "methods/fiyat.h"

#include "store/store.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace srv::fiyat {

QString joins()
{
    return QStringLiteral(
        " LEFT JOIN CARI FC ON FC.CARINO = ?"
        " LEFT JOIN FIYATLISTESATIR FL ON FL.LISTENO = FC.LISTENO AND FL.STOK_STOKNO = S.STOK_STOKNO"
        " LEFT JOIN CARIINDIRIM FG ON FG.CARINO = FC.CARINO AND FG.ANAGRUP = S.ANAGRUP"
        " LEFT JOIN CARIINDIRIM FD ON FD.CARINO = FC.CARINO AND FD.ANAGRUP = ''");
}

QString priceExpression()
{
    return QStringLiteral("CASE WHEN S.K > 0 THEN S.KAMPFIYAT ELSE COALESCE(FL.FIYAT, S.LISTEFIYAT1) END");
}

QString rateExpression(int n)
{
    return QStringLiteral("CASE WHEN S.K > 0 THEN 0 ELSE COALESCE(FG.IND%1, FD.IND%1, 0) END").arg(n);
}

QString rateText(const double (&rates)[4])
{
    QStringList parts;
    for (double r : rates) {
        if (!(r > 0))
            continue;
        QString t = QString::number(r, 'f', 2);
        while (t.endsWith(u'0'))
            t.chop(1);
        if (t.endsWith(u'.'))
            t.chop(1);
        parts << t.replace(u'.', u',');
    }
    return parts.isEmpty() ? QStringLiteral("0") : parts.join(u'+');
}

std::optional<Product> product(const QSqlDatabase& db, int carino, int stokno)
{
    QSqlQuery& q = store::cachedQuery(db, QStringLiteral("SELECT S.STOK_STOKNO, S.BARKOD, S.ADI, S.KDV, S.K, ") +
                                              priceExpression() + QStringLiteral(", ") + rateExpression(1) +
                                              QStringLiteral(", ") + rateExpression(2) + QStringLiteral(", ") +
                                              rateExpression(3) + QStringLiteral(", ") + rateExpression(4) +
                                              QStringLiteral(" FROM STOK S") + joins() +
                                              QStringLiteral(" WHERE S.STOK_STOKNO = ? AND S.AKTIF = 1"));
    q.bindValue(0, carino);
    q.bindValue(1, stokno);
    store::exec(q);
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    Product p;
    p.stokno = q.value(0).toInt();
    p.barkod = q.value(1).toString();
    p.adi = q.value(2).toString();
    p.kdv = q.value(3).toDouble();
    p.k = q.value(4).toInt();
    p.price = q.value(5).toDouble();
    for (int i = 0; i < 4; ++i)
        p.rates[i] = q.value(6 + i).toDouble();
    q.finish();
    return p;
}

} // namespace srv::fiyat
