// In-memory table: loads, cursor and edit cycle, notifications, and the shared table helpers.
#include "kit/data/numberformat.h"
#include "kit/data/table.h"
#include "kit/data/tablehelpers.h"

#include "wire.h"

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A received table as the server sends it: {"result":[{"columns":[...],"rows":[...]}]}.
wire::Table wireTable(const char* json)
{
    return wire::MessageReader::parse(std::string("{\"result\":[") + json + "]}", "result").table(0);
}

const char* kStock = R"({"columns":[
    {"name":"STOK_STOKNO","type":"integer"},{"name":"ADI","type":"text","size":100},
    {"name":"FIYAT","type":"float"},{"name":"BAKIYE","type":"currency"},{"name":"TARIH","type":"date"},
    {"name":"SAAT","type":"datetime"},{"name":"VAR","type":"boolean"},{"name":"KOD","type":"largeint"},
    {"name":"RESIM","type":"blob"}],
  "rows":[[7,"FREN BALATASI \u00c7",1234567.891,1234.5,"2024-03-05","2024-03-05T14:30:15.250",true,9000000000,"AQID"],
          [8,null,-0.5,0,null,"2024-01-02T00:00:00",false,1,null],
          [9,"",0,null,"1999-12-31","1999-12-31 23:59",null,-2,""]]})";

class TableTest : public ::testing::Test {
protected:
    kit::Table t;
};

TEST_F(TableTest, PacketLoadKeepsTypesValuesAndEmptyCells)
{
    t.loadPacket(wireTable(kStock));
    ASSERT_TRUE(t.isOpen());
    ASSERT_EQ(t.rowCount(), 3);
    ASSERT_EQ(t.fieldCount(), 9);
    EXPECT_EQ(t.field(2).type(), kit::FieldType::Float);
    EXPECT_EQ(t.field(3).type(), kit::FieldType::Currency);
    EXPECT_EQ(t.fieldByName(QStringLiteral("adi")).size(), 100); // names compare without case

    EXPECT_EQ(t.currentRow(), 0);
    EXPECT_EQ(t.fieldByName(QStringLiteral("STOK_STOKNO")).asInteger(), 7);
    EXPECT_EQ(t.fieldByName(QStringLiteral("ADI")).asString(), QStringLiteral("FREN BALATASI Ç"));
    EXPECT_DOUBLE_EQ(t.fieldByName(QStringLiteral("FIYAT")).asFloat(), 1234567.891);
    EXPECT_EQ(t.value(0, 4).toDate(), QDate(2024, 3, 5));
    EXPECT_EQ(t.value(0, 5).toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15, 250)));
    EXPECT_EQ(t.value(2, 5).toDateTime(), QDateTime(QDate(1999, 12, 31), QTime(23, 59)));
    EXPECT_EQ(t.value(0, 6).toBool(), true);
    EXPECT_EQ(t.value(0, 7).toLongLong(), 9000000000LL);
    EXPECT_EQ(t.value(0, 8).toByteArray(), QByteArray("\x01\x02\x03"));

    // Empty cells are empty, not zero; an empty text is not an empty cell.
    EXPECT_TRUE(t.isNull(1, 1));
    EXPECT_FALSE(t.isNull(2, 1));
    EXPECT_TRUE(t.isNull(1, 4));
    EXPECT_TRUE(t.isNull(2, 3));
    EXPECT_TRUE(t.isNull(2, 6));
    EXPECT_FALSE(t.isNull(1, 3));
    EXPECT_DOUBLE_EQ(t.real(1, 2), -0.5);

    t.next();
    EXPECT_TRUE(t.fieldByName(QStringLiteral("ADI")).isNull());
    EXPECT_EQ(t.fieldByName(QStringLiteral("ADI")).asString(), QString());
    EXPECT_EQ(t.fieldByName(QStringLiteral("TARIH")).asInteger(), 0);
}

TEST_F(TableTest, MissingFieldGivesAClearError)
{
    t.loadPacket(wireTable(kStock));
    try {
        t.fieldByName(QStringLiteral("IND1"));
        FAIL() << "no error for a missing field";
    } catch (const kit::DataError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("IND1"))) << e.what();
    }
    EXPECT_EQ(t.findField(QStringLiteral("IND1")), nullptr);
}

TEST_F(TableTest, ReaderLoadRebuildsColumnsAndAnEmptyReaderLeavesItOpenAndEmpty)
{
    t.loadPacket(wireTable(kStock));
    t.loadReader(wireTable(R"({"columns":[{"name":"B","type":"text"},{"name":"A","type":"integer"}],
                               "rows":[["x",1],["y",2]]})"));
    ASSERT_EQ(t.fieldCount(), 2);
    EXPECT_EQ(t.field(0).name(), QStringLiteral("B"));
    EXPECT_EQ(t.field(1).name(), QStringLiteral("A"));
    EXPECT_EQ(t.findField(QStringLiteral("ADI")), nullptr);
    EXPECT_EQ(t.text(1, 0), QStringLiteral("y"));
    EXPECT_EQ(t.value(1, 1).toInt(), 2);

    t.loadReader(wireTable(R"({"columns":[{"name":"SEC","type":"integer"}],"rows":[]})"));
    EXPECT_TRUE(t.isOpen());
    EXPECT_TRUE(t.isEmpty());
    EXPECT_FALSE(kit::KayitVarmi(t));
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_FALSE(kit::SecimVarmi(t));
}

TEST_F(TableTest, BadCellLeavesThePreviousContent)
{
    t.loadPacket(wireTable(kStock));
    EXPECT_THROW(t.loadPacket(wireTable(R"({"columns":[{"name":"N","type":"integer"}],"rows":[[1],["iki"]]})")),
                 std::runtime_error);
    EXPECT_THROW(t.loadPacket(wireTable(R"({"columns":[{"name":"N","type":"integer"}],"rows":[[5000000000]]})")),
                 std::runtime_error);
    EXPECT_THROW(t.loadPacket(wireTable(R"({"columns":[{"name":"D","type":"date"}],"rows":[["yarın"]]})")),
                 std::runtime_error);
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.fieldCount(), 9);
    EXPECT_EQ(t.value(2, 0).toInt(), 9);
}

TEST_F(TableTest, KayitVarmiNeedsAnOpenTableWithRows)
{
    EXPECT_FALSE(kit::KayitVarmi(t)); // never opened
    t.loadPacket(wireTable(kStock));
    EXPECT_TRUE(kit::KayitVarmi(t));
    t.emptyTable();
    EXPECT_TRUE(t.isOpen());
    EXPECT_FALSE(kit::KayitVarmi(t));
    t.close();
    EXPECT_FALSE(t.isOpen());
    EXPECT_FALSE(kit::SecimVarmi(t));
}

TEST_F(TableTest, SecimVarmiFindsTheFirstSelectedRowAndMovesTheCursor)
{
    struct Case {
        const char* rows;
        bool expected;
        int cursor;
    };
    const Case cases[] = {
        {"[[1,0],[2,0],[3,0]]", false, 2},        // none: cursor left past the last row
        {"[[1,0],[2,1],[3,1]]", true, 1},         // the first selected row
        {"[[1,1]]", true, 0},
        {"[[1,null],[2,0],[3,1]]", true, 2},      // an empty value does not count
        {"[[1,null],[2,2]]", false, 1},           // only 1 counts
    };
    for (const auto& c : cases) {
        t.loadPacket(wireTable((std::string(R"({"columns":[{"name":"SIRANO","type":"integer"},{"name":"SEC","type":"integer"}],"rows":)") +
                                c.rows + "}").c_str()));
        t.setCurrentRow(0);
        EXPECT_EQ(kit::SecimVarmi(t), c.expected) << c.rows;
        EXPECT_EQ(t.currentRow(), c.cursor) << c.rows;
        EXPECT_EQ(t.eof(), !c.expected) << c.rows;
    }
    t.loadPacket(wireTable(R"({"columns":[{"name":"X","type":"integer"}],"rows":[[1]]})"));
    EXPECT_THROW(kit::SecimVarmi(t), kit::DataError);
}

TEST_F(TableTest, CursorEditPostAppendAndLocate)
{
    t.loadPacket(wireTable(kStock));
    kit::Field& name = t.fieldByName(QStringLiteral("ADI"));
    EXPECT_THROW(name.setValue(QStringLiteral("X")), kit::DataError); // not in the edit state

    ASSERT_TRUE(t.locate(QStringLiteral("STOK_STOKNO"), 9));
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_FALSE(t.locate(QStringLiteral("STOK_STOKNO"), 99));
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_TRUE(t.locate(QStringLiteral("ADI"), QStringLiteral("FREN BALATASI Ç")));
    EXPECT_EQ(t.currentRow(), 0);

    t.edit();
    name.setValue(QStringLiteral("DİSK ÖN SAĞ"));
    t.fieldByName(QStringLiteral("FIYAT")).setValue(12.5);
    EXPECT_EQ(name.asString(), QStringLiteral("DİSK ÖN SAĞ")); // the edit buffer is what fields show
    EXPECT_DOUBLE_EQ(t.real(0, 2), 1234567.891);               // the row waits for post
    t.post();
    EXPECT_EQ(t.text(0, 1), QStringLiteral("DİSK ÖN SAĞ"));
    EXPECT_DOUBLE_EQ(t.real(0, 2), 12.5);
    EXPECT_EQ(t.text(2, 1), QString()); // other rows' text untouched
    EXPECT_FALSE(t.isNull(2, 1));

    t.edit();
    name.setValue(QStringLiteral("VAZGEÇİLDİ"));
    t.cancel();
    EXPECT_EQ(t.text(0, 1), QStringLiteral("DİSK ÖN SAĞ"));

    t.append();
    t.fieldByName(QStringLiteral("STOK_STOKNO")).setValue(10);
    t.fieldByName(QStringLiteral("FIYAT")).setValue(QStringLiteral("yanlış"));
    EXPECT_THROW(t.post(), kit::DataError); // not a number: the row is not added
    EXPECT_EQ(t.rowCount(), 3);
    t.fieldByName(QStringLiteral("FIYAT")).setValue(3.25);
    t.post();
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.currentRow(), 3);
    EXPECT_EQ(t.value(3, 0).toInt(), 10);
    EXPECT_TRUE(t.isNull(3, 1));

    t.first();
    EXPECT_TRUE(t.bof());
    for (int i = 0; i < 3; ++i)
        t.next();
    EXPECT_FALSE(t.eof());
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.currentRow(), 3);
}

struct CountingObserver : kit::TableObserver {
    int resets = 0, rows = 0, moves = 0;
    void tableReset() override { ++resets; }
    void rowChanged(int) override { ++rows; }
    void cursorMoved(int) override { ++moves; }
    void tableDestroyed() override {}
};

TEST_F(TableTest, DisabledControlsHearNothingUntilOneResetAtTheEnd)
{
    CountingObserver o;
    t.addObserver(&o);
    t.loadPacket(wireTable(kStock));
    EXPECT_EQ(o.resets, 1);
    t.setValue(1, 0, 80);
    t.next();
    EXPECT_EQ(o.rows, 1);
    EXPECT_EQ(o.moves, 1);

    t.disableControls();
    t.disableControls();
    t.loadPacket(wireTable(kStock));
    t.setValue(0, 0, 1);
    t.last();
    t.enableControls();
    EXPECT_EQ(o.resets, 1); // still inside the outer pair
    t.enableControls();
    EXPECT_EQ(o.resets, 2);
    EXPECT_EQ(o.rows, 1);
    EXPECT_EQ(o.moves, 1);
    t.removeObserver(&o);
}

TEST(NumberFormat, AmountsInTheTurkishLocale)
{
    struct Case {
        double value;
        const char16_t* pattern;
        const char16_t* expected;
    };
    const Case cases[] = {
        {1234567.891, kit::kAmountPattern, u"1.234.567,89"},
        {0, kit::kAmountPattern, u"0,00"},
        {-1234.5, kit::kAmountPattern, u"-1.234,50"},
        {-0.5, kit::kAmountPattern, u"-0,50"},
        {999.999, kit::kAmountPattern, u"1.000,00"},
        {1234.565, kit::kAmountPattern, u"1.234,57"}, // half away from zero on the decimal digits
        {-0.001, kit::kAmountPattern, u"0,00"},
        {0.5, u"#,###,##.00", u",50"},
        {0, u"#,###,##.00", u",00"},
        {12.3456, u"#,###,##.000", u"12,346"},
        {1234.5, u"0.##", u"1234,5"},
        {7, u"0", u"7"},
        {1e15, kit::kAmountPattern, u"1.000.000.000.000.000,00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kit::NumberFormat(QString::fromUtf16(c.pattern)).format(c.value), QString::fromUtf16(c.expected))
            << c.value << " " << QString::fromUtf16(c.pattern).toStdString();
}

TEST(Yuvarla, RoundsToTwoDecimalsThroughTheText)
{
    const std::pair<double, double> cases[] = {
        {1234.567, 1234.57}, {0.5, 0.5},        {-1234.567, -1234.57}, {-0.5, -0.5},
        {0.004, 0.0},        {0.005, 0.01},     {1234.565, 1234.57},   {1234567.891, 1234567.89},
        {0, 0},              {999999.995, 1000000.0},
    };
    for (const auto& [x, want] : cases)
        EXPECT_DOUBLE_EQ(kit::Yuvarla(x), want) << x;
    EXPECT_DOUBLE_EQ(kit::roundThroughText(12.3456, QStringLiteral("#,###,##.000")), 12.346);
}

TEST_F(TableTest, SayiBicimleFormatsExactlyTheFloatFields)
{
    t.loadPacket(wireTable(kStock));
    const QString before = t.displayText(0, 3);
    kit::SayiBicimle(t);
    EXPECT_EQ(t.field(2).displayFormat(), QStringLiteral("#,###,##0.00"));
    EXPECT_TRUE(t.field(3).displayFormat().isEmpty()); // currency keeps its own
    EXPECT_TRUE(t.field(0).displayFormat().isEmpty());
    EXPECT_EQ(t.displayText(0, 2), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(t.displayText(1, 2), QStringLiteral("-0,50"));
    EXPECT_EQ(t.displayText(2, 2), QStringLiteral("0,00"));
    EXPECT_EQ(t.displayText(0, 3), before);
    EXPECT_EQ(t.displayText(0, 3), QLocale().toCurrencyString(1234.5));
    EXPECT_EQ(t.displayText(0, 0), QStringLiteral("7"));
    EXPECT_EQ(t.displayText(0, 4), QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat));
    EXPECT_EQ(t.displayText(1, 1), QString());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
