// Test helpers of the storage, demo data and sign-in tests: a store on a fresh database of the chosen engine.
#pragma once

#include "demo/demo.h"
#include "store/store.h"
#include "support/test_database.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace storetest {

// Demo options whose history ends on a fixed day, so two fills can be compared.
inline demo::Options fixedDemo(int size = 1)
{
    demo::Options o;
    o.size = size;
    o.today = QDate(2026, 3, 2);
    return o;
}

// A store on a database of its own (SQLite, or PostgreSQL on the ".pg" run), migrated unless told otherwise.
struct TempStore {
    testdb::Database database;
    std::unique_ptr<store::Store> store; // declared after the database, so it is closed before the drop

    explicit TempStore(bool migrate = true, testdb::Engine engine = testdb::chosenEngine()) : database(engine)
    {
        store = std::make_unique<store::Store>(url());
        if (migrate)
            store->migrate();
    }
    QString url() const { return database.url(); } // for a second Store on the same database
    store::Store& operator*() { return *store; }
};

// The first column of the first row of a query, invalid when there is no row.
inline QVariant scalar(store::Store& s, const QString& sql)
{
    QSqlQuery q = store::exec(s.db(), sql);
    return q.next() ? q.value(0) : QVariant();
}

// Per table of the generator: its row count and a hash of every value in key order, as readable text.
inline std::string fingerprint(store::Store& s)
{
    const char* tables[][2] = {
        {"STOK", "STOK_STOKNO"}, {"STOKRESIM", "STOK_STOKNO"}, {"FIYATLISTESATIR", "LISTENO, STOK_STOKNO"},
        {"SATICI", "SATICINO"}, {"CARI", "CARINO"}, {"CARIINDIRIM", "SIRANO"}, {"KULLANICI", "SIRANO"},
        {"BILGISAYAR", "BILGISAYARID"}, {"SEPET", "SIRANO"}, {"SIPARIS", "IDNO"}, {"SIPARISSATIR", "SIRANO"},
        {"CARIHAREKET", "IDNO"}, {"FATURA", "IDNO"}, {"STOKHAR", "STOKHAR_NO"}, {"TAHSILAT", "SIRANO"},
        {"SANALPOS", "SIRANO"}, {"KARGOFIRMA", "SIRANO"}, {"DUYURU", "SIRANO"}, {"BANNER", "BANNERNO"},
        {"KAYANYAZI", "SIRANO"}, {"ISTEK", "SIRANO"}, {"AYAR", "ANAHTAR"},
    };
    std::string out;
    for (const auto& [table, key] : tables) {
        QCryptographicHash h(QCryptographicHash::Sha256);
        QSqlQuery q = store::exec(s.db(), QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                                              .arg(QString::fromLatin1(table), QString::fromLatin1(key)));
        int rows = 0;
        while (q.next()) {
            ++rows;
            for (int c = 0; c < q.record().count(); ++c) {
                // Password hashes carry a random salt: two fills differ there by design.
                if ((QLatin1String(table) == QLatin1String("KULLANICI") || QLatin1String(table) == QLatin1String("ISTEK")) &&
                    q.record().fieldName(c).compare(QLatin1String("SIFRE"), Qt::CaseInsensitive) == 0)
                    continue;
                // A driver may give NULL a type (PostgreSQL: a null int), which would read as 0.
                const QVariant v = q.value(c);
                h.addData(v.isNull() ? QByteArray("\x01NULL") : v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8());
                h.addData(QByteArrayView("|"));
            }
        }
        out += std::string(table) + '=' + std::to_string(rows) + ':' + h.result().toHex().left(12).toStdString() + '\n';
    }
    return out;
}

} // namespace storetest
