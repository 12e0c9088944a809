// Query-to-table tests: declared names and types reach the client, NULL and broken dates become empty cells.
#include "store_testing.h"

#include "methods/sqltable.h"

using storetest::TempStore;

TEST(StoreTable, WritesDeclaredColumnsFromQueryRows)
{
    TempStore t;
    // The engines spell a byte string literal differently (on PostgreSQL X'..' is a bit string).
    const QString bytes = t.store->isSqlite() ? QStringLiteral("X'00FF10'") : QStringLiteral("'\\x00ff10'::bytea");
    QSqlQuery q = store::exec(t.store->db(), QStringLiteral(
        "SELECT 7, 'Fren Balatası', 12.5, 1, '2026-03-02T10:11:12', '2026-03-02', NULL, %1, 'dün', '2026-03-02' "
        "UNION ALL SELECT 8, '', 0, 0, '', '2026-03-02T23:59:59', 'x', NULL, NULL, '2026-03-03T08:00:00'").arg(bytes));
    const std::vector<wire::Column> cols = {
        {QStringLiteral("STOK_STOKNO"), wire::Type::Integer}, {QStringLiteral("ADI"), wire::Type::Text, 100},
        {QStringLiteral("FIYAT"), wire::Type::Float},         {QStringLiteral("SEC"), wire::Type::Boolean},
        {QStringLiteral("SAAT"), wire::Type::DateTime},       {QStringLiteral("TARIH"), wire::Type::Date},
        {QStringLiteral("BOS"), wire::Type::Text},            {QStringLiteral("RESIM"), wire::Type::Blob},
        {QStringLiteral("BOZUK"), wire::Type::Date},          {QStringLiteral("VERILIS"), wire::Type::DateTime},
    };
    wire::MessageWriter out("result");
    EXPECT_EQ(srv::writeTable(out, q, cols), 2);
    const wire::Table table = wire::MessageReader::parse(out.finish(), "result").table(0);

    ASSERT_EQ(table.columnCount(), int(cols.size()));
    for (int c = 0; c < table.columnCount(); ++c) {
        EXPECT_EQ(table.columns()[std::size_t(c)].name, cols[std::size_t(c)].name);
        EXPECT_EQ(table.columns()[std::size_t(c)].type, cols[std::size_t(c)].type);
    }
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.value(0, QStringLiteral("STOK_STOKNO")).toInt(), 7);
    EXPECT_EQ(table.value(0, QStringLiteral("ADI")).toString(), QStringLiteral("Fren Balatası"));
    EXPECT_EQ(table.value(0, QStringLiteral("FIYAT")).toDouble(), 12.5);
    EXPECT_EQ(table.value(0, QStringLiteral("SEC")).toBool(), true);
    EXPECT_EQ(table.value(1, QStringLiteral("SEC")).toBool(), false);
    EXPECT_EQ(table.value(0, QStringLiteral("SAAT")).toDateTime(), QDateTime(QDate(2026, 3, 2), QTime(10, 11, 12)));
    EXPECT_EQ(table.cell(0, 5).toText(), QStringLiteral("2026-03-02"));
    EXPECT_EQ(table.cell(1, 5).toText(), QStringLiteral("2026-03-02")); // a date column drops the time
    EXPECT_EQ(table.cell(0, 9).toText(), QStringLiteral("2026-03-02T00:00:00"));
    EXPECT_TRUE(table.cell(0, 6).isNull());
    EXPECT_EQ(table.value(0, QStringLiteral("RESIM")).toByteArray(), QByteArray("\x00\xFF\x10", 3));
    EXPECT_TRUE(table.cell(1, 7).isNull());
    EXPECT_TRUE(table.cell(0, 8).isNull()) << "a text that is no date";
    EXPECT_TRUE(table.cell(1, 4).isNull()) << "an empty date";

    QSqlQuery narrow = store::exec(t.store->db(), QStringLiteral("SELECT 1"));
    wire::MessageWriter more("result");
    EXPECT_THROW(srv::writeTable(more, narrow, cols), store::StoreError);
}
