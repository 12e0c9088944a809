// The signed-in caller of an operation and the accounts it may act for.
#pragma once

#include <QString>
#include <QVariantList>

namespace store {
class Store;
}

namespace auth {

struct Principal {
    int user = 0;           // KULLANICI.SIRANO
    QString userName;
    int account = 0;        // the user's own account
    int type = 3;           // account type: 1 and 2 representatives, 3 and 4 dealers
    int representative = 0; // the representative the user is (types 1 and 2)
    QString workstation;    // where the session was opened
    bool isRepresentative() const { return type == 1 || type == 2; }
};

// True when p may act for the account: a dealer for its own, a representative for its own and for
// the active and inactive accounts whose representative it is.
bool inScope(store::Store& s, const Principal& p, int carino);

// A condition on an account column that keeps a query inside the caller's accounts, with the values
// to bind in order, e.g. "(S.CARINO = ? OR S.CARINO IN (SELECT CARINO FROM CARI WHERE SATICINO = ?))".
struct ScopeCondition {
    QString sql;
    QVariantList values;
};
ScopeCondition scopeCondition(const Principal& p, const QString& column);

} // namespace auth
