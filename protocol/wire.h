// Wire format shared by client and server: values, tables and the call envelope.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace wire {

// Malformed or mistyped wire data. The text is meant for people and is Turkish.
class WireError : public std::runtime_error {
public:
    explicit WireError(const QString& text);
    QString text() const { return QString::fromUtf8(what()); }
};

enum class Type { Integer, LargeInt, Float, Currency, Text, Boolean, Date, DateTime, Blob };

const char* typeName(Type t);
Type typeFromName(std::string_view name); // throws WireError

struct Column {
    QString name;
    Type type = Type::Text;
    int size = 0; // declared text width, 0 when not given
};

// Dates travel as day counts since 1899-12-30 (whole part days, fraction the time of day).
double toDayCount(const QDateTime& t);
double toDayCount(const QDate& d);
QDateTime fromDayCount(double days);

// One cell of a received table: a typed view over the parsed JSON, checked on access.
class CellRef {
public:
    CellRef(const rapidjson::Value* v, const Column* c) : v_(v), col_(c) {}
    bool isNull() const { return v_->IsNull(); }
    std::int64_t toInt() const;   // integer, largeint, boolean (0/1)
    double toReal() const;        // any number
    QString toText() const;       // text, date and datetime as sent
    bool toBool() const;
    QDate toDate() const;
    QDateTime toDateTime() const;
    QByteArray toBlob() const;
    QVariant toVariant() const;   // by the column's type; null cell gives an invalid QVariant
    const rapidjson::Value& json() const { return *v_; }

private:
    [[noreturn]] void fail(const char* expected) const;
    const rapidjson::Value* v_;
    const Column* col_;
};

// A received table (reader or data packet). Shares the parsed message, so it is cheap to copy.
class Table {
public:
    Table() = default;
    const std::vector<Column>& columns() const { return cols_; }
    int columnCount() const { return int(cols_.size()); }
    int rowCount() const { return rows_ ? int(rows_->Size()) : 0; }
    int columnIndex(const QString& name) const; // -1 when missing
    CellRef cell(int row, int col) const { return CellRef(&(*rows_)[row][col], &cols_[col]); }
    QVariant value(int row, const QString& column) const; // throws WireError for a missing column

    static Table fromJson(const rapidjson::Value& v, std::shared_ptr<const void> keepAlive);

private:
    std::shared_ptr<const void> keep_;
    std::vector<Column> cols_;
    const rapidjson::Value* rows_ = nullptr;
};

class MarshalOut;
class MarshalIn;

// Builds one message: {"<key>":[v0, v1, ...]} with record ids counted over the whole message.
class MessageWriter {
public:
    explicit MessageWriter(const char* key);
    ~MessageWriter();
    MessageWriter(const MessageWriter&) = delete;
    MessageWriter& operator=(const MessageWriter&) = delete;

    void text(const QString& s);
    void text(std::string_view utf8);
    void integer(std::int32_t v);
    void largeint(std::int64_t v);
    void real(double v); // throws WireError for a value that is not finite
    void boolean(bool v);
    void null();
    void stream(const QByteArray& bytes);
    template <class R> void record(const R* r);
    template <class R> void record(const std::shared_ptr<R>& r) { record(r.get()); }

    // Tables are written column by column, then row by row.
    void beginTable(const std::vector<Column>& cols);
    void beginRow();
    void cellNull();
    void cellInt(std::int64_t v);
    void cellReal(double v);
    void cellBool(bool v);
    void cellText(const QString& s);
    void cellText(std::string_view utf8);
    void cellBlob(const QByteArray& bytes);
    void endRow();
    void endTable();

    std::string finish(); // closes the message and hands out its text

    rapidjson::Writer<rapidjson::StringBuffer>& json() { return w_; }
    MarshalOut& marshal();

private:
    rapidjson::StringBuffer buf_;
    rapidjson::Writer<rapidjson::StringBuffer> w_;
    std::unique_ptr<MarshalOut> marshal_;
    bool finished_ = false;
};

// Reads one message {"<key>":[...]} and gives typed access by position.
class MessageReader {
public:
    // Parses body; throws WireError for malformed JSON or a missing array.
    static MessageReader parse(std::string_view body, const char* key);

    int size() const { return int(arr_->Size()); }
    const rapidjson::Value& at(int i) const; // throws WireError when i is out of range

    QString text(int i) const;
    std::int32_t integer(int i) const;
    std::int64_t largeint(int i) const;
    double real(int i) const;
    bool boolean(int i) const;
    QByteArray stream(int i) const;
    Table table(int i) const;
    template <class R> std::shared_ptr<R> record(int i) const; // nullptr for JSON null

    MarshalIn& marshal() const;

private:
    std::shared_ptr<rapidjson::Document> doc_;
    const rapidjson::Value* arr_ = nullptr;
    std::shared_ptr<MarshalIn> marshal_;
};

// Error body of a failed call: {"error":"text"}.
std::string errorBody(const QString& text);
// Reads the text of an error body; falls back to the raw body when it is not one.
QString errorText(std::string_view body);

QString describePosition(int i); // "parametre 3" for messages

} // namespace wire

#include "marshal.h"

namespace wire {

template <class R> void MessageWriter::record(const R* r) { marshal().write(r); }

template <class R> std::shared_ptr<R> MessageReader::record(int i) const
{
    return marshal().read<R>(at(i), describePosition(i));
}

// A record's JSON on its own (ids counted from 1), and back; used for logs, files and tests.
template <class R> std::string recordToJson(const R* r)
{
    rapidjson::StringBuffer b;
    rapidjson::Writer<rapidjson::StringBuffer> w(b);
    MarshalOut(w).write(r);
    return std::string(b.GetString(), b.GetSize());
}

rapidjson::Document parseJson(std::string_view text); // throws WireError

template <class R> std::shared_ptr<R> recordFromJson(std::string_view text)
{
    const rapidjson::Document d = parseJson(text);
    MarshalIn in;
    return in.read<R>(d, QStringLiteral("kayıt"));
}

} // namespace wire
