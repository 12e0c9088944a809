// Test helpers of the storage, demo data and sign-in tests: a store in a temporary directory.
#pragma once

#include "demo/demo.h"
#include "store/store.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>

namespace storetest {

// Demo options whose history ends on a fixed day, so two fills can be compared.
inline demo::Options fixedDemo(int size = 1)
{
    demo::Options o;
    o.size = size;
    o.today = QDate(2026, 3, 2);
    return o;
}

// A SQLite store in a directory of its own, migrated unless told otherwise.
struct TempStore {
    QTemporaryDir dir;
    std::unique_ptr<store::Store> store;

    explicit TempStore(bool migrate = true)
    {
        store = std::make_unique<store::Store>(url());
        if (migrate)
            store->migrate();
    }
    QString url() const { return QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("tezval.db")); }
    store::Store& operator*() { return *store; }
};

// The first column of the first row of a query, invalid when there is no row.
inline QVariant scalar(store::Store& s, const QString& sql)
{
    QSqlQuery q = store::exec(s.db(), sql);
    return q.next() ? q.value(0) : QVariant();
}

} // namespace storetest
