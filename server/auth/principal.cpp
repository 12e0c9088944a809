// Scope of a caller: the accounts a dealer or a representative may act for.
#include "auth/principal.h"

#include "store/store.h"

#include <QSqlQuery>

namespace auth {

bool inScope(store::Store& s, const Principal& p, int carino)
{
    if (carino == p.account)
        return true;
    if (!p.isRepresentative() || p.representative == 0 || carino <= 0)
        return false;
    QSqlQuery& q = store::cachedQuery(s.db(), QStringLiteral("SELECT 1 FROM CARI WHERE CARINO = ? AND SATICINO = ?"));
    q.bindValue(0, carino);
    q.bindValue(1, p.representative);
    store::exec(q);
    const bool found = q.next();
    q.finish();
    return found;
}

ScopeCondition scopeCondition(const Principal& p, const QString& column)
{
    if (!p.isRepresentative() || p.representative == 0)
        return {column + QStringLiteral(" = ?"), {p.account}};
    return {QStringLiteral("(%1 = ? OR %1 IN (SELECT CARINO FROM CARI WHERE SATICINO = ?))").arg(column),
            {p.account, p.representative}};
}

} // namespace auth
