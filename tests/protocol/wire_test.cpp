// Envelope, scalar values, streams and tables of the wire format.
#include "wire.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Envelope, ScalarsStreamsAndNullRoundTrip)
{
    wire::MessageWriter w("result");
    w.text(QStringLiteral("Çağrı ğüşiöç"));
    w.integer(-2147483647 - 1);
    w.largeint(9007199254740993LL);
    w.real(1234.5);
    w.boolean(true);
    w.null();
    w.stream(QByteArray("\x00\x01\xffPNG", 6));
    const std::string body = w.finish();
    EXPECT_EQ(body, R"({"result":["Çağrı ğüşiöç",-2147483648,9007199254740993,1234.5,true,null,"AAH/UE5H"]})");

    auto r = wire::MessageReader::parse(body, "result");
    ASSERT_EQ(r.size(), 7);
    EXPECT_EQ(r.text(0), QStringLiteral("Çağrı ğüşiöç"));
    EXPECT_EQ(r.integer(1), -2147483647 - 1);
    EXPECT_EQ(r.largeint(2), 9007199254740993LL);
    EXPECT_DOUBLE_EQ(r.real(3), 1234.5);
    EXPECT_DOUBLE_EQ(r.real(1), -2147483648.0) << "an integer is a valid double";
    EXPECT_TRUE(r.boolean(4));
    EXPECT_EQ(r.stream(6), QByteArray("\x00\x01\xffPNG", 6));
}

TEST(Envelope, WrongKindsAndPositionsNameTheParameter)
{
    auto r = wire::MessageReader::parse(R"({"_parameters":["7",1.5,4294967296,"%%%",{}]})", "_parameters");
    struct Case {
        std::function<void()> read;
        const char* needle;
    };
    const Case cases[] = {
        {[&] { r.integer(0); }, "parametre 1"},
        {[&] { r.integer(1); }, "parametre 2"},
        {[&] { r.integer(2); }, "parametre 3"},
        {[&] { r.stream(3); }, "base64"},
        {[&] { r.text(4); }, "metin"},
        {[&] { r.boolean(0); }, "parametre 1"},
        {[&] { r.text(5); }, "parametre 6 eksik"},
        {[&] { r.table(0); }, "Tablo"},
    };
    for (const auto& c : cases) {
        try {
            c.read();
            ADD_FAILURE() << "accepted: " << c.needle;
        } catch (const wire::WireError& e) {
            EXPECT_NE(std::string(e.what()).find(c.needle), std::string::npos) << e.what();
        }
    }
}

TEST(Envelope, MalformedBodiesAreRejected)
{
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (std::string body : {std::string("{"), std::string(""), std::string("[]"), std::string(R"({"x":[]})"),
                             std::string(R"({"_parameters":{}})"), std::string("{\"_parameters\":[\"\xc3\x28\"]}"),
                             "{\"_parameters\":" + deep + "}"}) {
        if (body.find("_parameters\":[[[") != std::string::npos) {
            // Deep nesting is valid JSON: it must parse without exhausting the stack.
            EXPECT_NO_THROW(wire::MessageReader::parse(body, "_parameters"));
            continue;
        }
        EXPECT_THROW(wire::MessageReader::parse(body, "_parameters"), wire::WireError) << body;
    }
}

TEST(Envelope, NonFiniteNumbersAreNotSent)
{
    wire::MessageWriter w("_parameters");
    EXPECT_THROW(w.real(std::numeric_limits<double>::quiet_NaN()), wire::WireError);
    EXPECT_THROW(w.real(std::numeric_limits<double>::infinity()), wire::WireError);
}

TEST(Envelope, ErrorBodies)
{
    const std::string body = wire::errorBody(QStringLiteral("Bilinmeyen işlem: \"X\""));
    EXPECT_EQ(body, R"({"error":"Bilinmeyen işlem: \"X\""})");
    EXPECT_EQ(wire::errorText(body), QStringLiteral("Bilinmeyen işlem: \"X\""));
    EXPECT_EQ(wire::errorText("<html>Bad Gateway</html>"), QStringLiteral("<html>Bad Gateway</html>"));
}

TEST(Tables, WrittenTableReadsBackWithTypes)
{
    std::vector<wire::Column> cols = {
        {QStringLiteral("STOK_STOKNO"), wire::Type::Integer, 0}, {QStringLiteral("ADI"), wire::Type::Text, 100},
        {QStringLiteral("FIYAT"), wire::Type::Float, 0},         {QStringLiteral("TUTAR"), wire::Type::Currency, 0},
        {QStringLiteral("SEC"), wire::Type::Boolean, 0},         {QStringLiteral("TARIH"), wire::Type::Date, 0},
        {QStringLiteral("SAAT"), wire::Type::DateTime, 0},       {QStringLiteral("RESIM"), wire::Type::Blob, 0},
        {QStringLiteral("IDNO"), wire::Type::LargeInt, 0},
    };
    wire::MessageWriter w("result");
    w.beginTable(cols);
    w.beginRow();
    w.cellInt(42);
    w.cellText(QStringLiteral("Fren Balatası Ön"));
    w.cellReal(1234.5);
    w.cellReal(99.99);
    w.cellBool(true);
    w.cellText(std::string_view("2026-12-11"));
    w.cellText(std::string_view("2026-12-11T14:30:05"));
    w.cellBlob(QByteArray("ab"));
    w.cellInt(5000000000LL);
    w.endRow();
    w.beginRow();
    for (size_t i = 0; i < cols.size(); ++i)
        w.cellNull();
    w.endRow();
    w.endTable();
    const std::string body = w.finish();
    EXPECT_NE(body.find(R"({"result":[{"columns":[{"name":"STOK_STOKNO","type":"integer"},{"name":"ADI","type":"text","size":100},)"),
              std::string::npos)
        << body;

    auto t = wire::MessageReader::parse(body, "result").table(0);
    ASSERT_EQ(t.columnCount(), 9);
    ASSERT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.columns()[1].size, 100);
    EXPECT_EQ(t.columnIndex(QStringLiteral("fiyat")), 2);
    EXPECT_EQ(t.columnIndex(QStringLiteral("YOK")), -1);
    EXPECT_EQ(t.value(0, QStringLiteral("STOK_STOKNO")), QVariant(42));
    EXPECT_EQ(t.value(0, QStringLiteral("ADI")).toString(), QStringLiteral("Fren Balatası Ön"));
    EXPECT_DOUBLE_EQ(t.value(0, QStringLiteral("TUTAR")).toDouble(), 99.99);
    EXPECT_EQ(t.value(0, QStringLiteral("SEC")), QVariant(true));
    EXPECT_EQ(t.value(0, QStringLiteral("TARIH")).toDate(), QDate(2026, 12, 11));
    EXPECT_EQ(t.value(0, QStringLiteral("SAAT")).toDateTime().time(), QTime(14, 30, 5));
    EXPECT_EQ(t.value(0, QStringLiteral("RESIM")).toByteArray(), QByteArray("ab"));
    EXPECT_EQ(t.value(0, QStringLiteral("IDNO")).toLongLong(), 5000000000LL);
    for (int c = 0; c < t.columnCount(); ++c)
        EXPECT_TRUE(t.cell(1, c).isNull());
    EXPECT_FALSE(t.value(1, QStringLiteral("ADI")).isValid());
    EXPECT_THROW(t.value(0, QStringLiteral("YOK")), wire::WireError);
    EXPECT_THROW(t.cell(0, 1).toInt(), wire::WireError);
}

TEST(Tables, EmptyTableAndMalformedShapes)
{
    auto empty = wire::MessageReader::parse(R"({"result":[{"columns":[{"name":"A","type":"integer"}],"rows":[]}]})", "result").table(0);
    EXPECT_EQ(empty.columnCount(), 1);
    EXPECT_EQ(empty.rowCount(), 0);

    for (const char* body : {
             R"({"result":[{"columns":[{"name":"A","type":"integer"}],"rows":[[1,2]]}]})",
             R"({"result":[{"columns":[{"name":"A","type":"integer"}],"rows":[1]}]})",
             R"({"result":[{"columns":[{"name":"A","type":"bogus"}],"rows":[]}]})",
             R"({"result":[{"columns":[{"type":"integer"}],"rows":[]}]})",
             R"({"result":[{"columns":[]}]})",
         }) {
        auto r = wire::MessageReader::parse(body, "result");
        EXPECT_THROW(r.table(0), wire::WireError) << body;
    }
}

TEST(Dates, DayCountsSince1899)
{
    EXPECT_DOUBLE_EQ(wire::toDayCount(QDate(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(wire::toDayCount(QDate(1900, 1, 1)), 2.0);
    const QDateTime noon(QDate(2026, 12, 11), QTime(12, 0), Qt::UTC);
    const double d = wire::toDayCount(noon);
    EXPECT_DOUBLE_EQ(d - std::floor(d), 0.5);
    EXPECT_EQ(wire::fromDayCount(d), noon);
}

} // namespace
