// Wire values, tables and the call envelope.
#include "wire.h"

#include <rapidjson/error/en.h>

#include <cmath>
#include <cstring>

namespace wire {

WireError::WireError(const QString& text) : std::runtime_error(text.toStdString()) {}

namespace {

struct TypeNameEntry {
    Type type;
    const char* name;
};
constexpr TypeNameEntry kTypeNames[] = {
    {Type::Integer, "integer"}, {Type::LargeInt, "largeint"}, {Type::Float, "float"},
    {Type::Currency, "currency"}, {Type::Text, "text"},       {Type::Boolean, "boolean"},
    {Type::Date, "date"},         {Type::DateTime, "datetime"}, {Type::Blob, "blob"},
};

const QDateTime& dayZero()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return zero;
}

QString jsonKind(const rapidjson::Value& v)
{
    switch (v.GetType()) {
    case rapidjson::kNullType: return QStringLiteral("null");
    case rapidjson::kFalseType:
    case rapidjson::kTrueType: return QStringLiteral("mantıksal değer");
    case rapidjson::kObjectType: return QStringLiteral("nesne");
    case rapidjson::kArrayType: return QStringLiteral("dizi");
    case rapidjson::kStringType: return QStringLiteral("metin");
    case rapidjson::kNumberType: return QStringLiteral("sayı");
    }
    return QStringLiteral("?");
}

QString str(const rapidjson::Value& v) { return QString::fromUtf8(v.GetString(), v.GetStringLength()); }

QByteArray decodeBase64(const char* data, int size, const QString& where)
{
    auto r = QByteArray::fromBase64Encoding(QByteArray::fromRawData(data, size),
                                            QByteArray::AbortOnBase64DecodingErrors);
    if (!r)
        throw WireError(where + QStringLiteral(": geçersiz base64 verisi"));
    return std::move(*r);
}

} // namespace

const char* typeName(Type t)
{
    for (const auto& e : kTypeNames)
        if (e.type == t)
            return e.name;
    return "text";
}

Type typeFromName(std::string_view name)
{
    for (const auto& e : kTypeNames)
        if (name == e.name)
            return e.type;
    throw WireError(QStringLiteral("Bilinmeyen sütun tipi: ") +
                    QString::fromUtf8(name.data(), qsizetype(name.size())));
}

double toDayCount(const QDateTime& t) { return double(dayZero().msecsTo(t.toUTC())) / 86400000.0; }
double toDayCount(const QDate& d) { return double(QDate(1899, 12, 30).daysTo(d)); }
QDateTime fromDayCount(double days)
{
    return dayZero().addMSecs(qint64(std::llround(days * 86400000.0)));
}

QString describePosition(int i) { return QStringLiteral("parametre %1").arg(i + 1); }

// ---- cells ----

void CellRef::fail(const char* expected) const
{
    throw WireError(QStringLiteral("Sütun %1: %2 bekleniyordu, %3 geldi")
                        .arg(col_->name, QString::fromUtf8(expected), jsonKind(*v_)));
}

std::int64_t CellRef::toInt() const
{
    if (v_->IsInt64())
        return v_->GetInt64();
    if (v_->IsBool())
        return v_->GetBool() ? 1 : 0;
    fail("tamsayı");
}

double CellRef::toReal() const
{
    if (v_->IsNumber())
        return v_->GetDouble();
    fail("sayı");
}

QString CellRef::toText() const
{
    if (v_->IsString())
        return str(*v_);
    if (v_->IsNull())
        return {};
    if (v_->IsInt64())
        return QString::number(v_->GetInt64());
    if (v_->IsNumber())
        return QString::number(v_->GetDouble());
    if (v_->IsBool())
        return v_->GetBool() ? QStringLiteral("True") : QStringLiteral("False");
    fail("metin");
}

bool CellRef::toBool() const
{
    if (v_->IsBool())
        return v_->GetBool();
    if (v_->IsInt64())
        return v_->GetInt64() != 0;
    fail("mantıksal değer");
}

QDate CellRef::toDate() const { return toDateTime().date(); }

QDateTime CellRef::toDateTime() const
{
    if (v_->IsString()) {
        const QString s = str(*v_);
        QDateTime t = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!t.isValid())
            t = QDateTime(QDate::fromString(s, Qt::ISODate), QTime(0, 0));
        if (!t.isValid())
            fail("ISO tarih");
        return t;
    }
    if (v_->IsNumber())
        return fromDayCount(v_->GetDouble());
    fail("tarih");
}

QByteArray CellRef::toBlob() const
{
    if (!v_->IsString())
        fail("base64 metin");
    return decodeBase64(v_->GetString(), int(v_->GetStringLength()), QStringLiteral("Sütun ") + col_->name);
}

QVariant CellRef::toVariant() const
{
    if (v_->IsNull())
        return {};
    switch (col_->type) {
    case Type::Integer: return QVariant::fromValue(int(toInt()));
    case Type::LargeInt: return QVariant::fromValue(qlonglong(toInt()));
    case Type::Float:
    case Type::Currency: return toReal();
    case Type::Text: return toText();
    case Type::Boolean: return toBool();
    case Type::Date: return toDate();
    case Type::DateTime: return toDateTime();
    case Type::Blob: return toBlob();
    }
    return {};
}

// ---- tables ----

Table Table::fromJson(const rapidjson::Value& v, std::shared_ptr<const void> keepAlive)
{
    if (!v.IsObject())
        throw WireError(QStringLiteral("Tablo bekleniyordu, ") + jsonKind(v) + QStringLiteral(" geldi"));
    auto cols = v.FindMember("columns");
    auto rows = v.FindMember("rows");
    if (cols == v.MemberEnd() || !cols->value.IsArray() || rows == v.MemberEnd() || !rows->value.IsArray())
        throw WireError(QStringLiteral("Tabloda \"columns\" ve \"rows\" dizileri yok"));
    Table t;
    t.keep_ = std::move(keepAlive);
    t.cols_.reserve(cols->value.Size());
    for (const auto& c : cols->value.GetArray()) {
        auto n = c.IsObject() ? c.FindMember("name") : rapidjson::Value::ConstMemberIterator();
        auto ty = c.IsObject() ? c.FindMember("type") : rapidjson::Value::ConstMemberIterator();
        if (!c.IsObject() || n == c.MemberEnd() || !n->value.IsString() || ty == c.MemberEnd() || !ty->value.IsString())
            throw WireError(QStringLiteral("Tablo sütunu adı ve tipi olmadan geldi"));
        Column col;
        col.name = str(n->value);
        col.type = typeFromName(std::string_view(ty->value.GetString(), ty->value.GetStringLength()));
        if (auto sz = c.FindMember("size"); sz != c.MemberEnd() && sz->value.IsInt())
            col.size = sz->value.GetInt();
        t.cols_.push_back(std::move(col));
    }
    const auto ncol = t.cols_.size();
    for (const auto& r : rows->value.GetArray())
        if (!r.IsArray() || r.Size() != ncol)
            throw WireError(QStringLiteral("Tablo satırı %1 hücre yerine farklı sayıda hücre taşıyor").arg(ncol));
    t.rows_ = &rows->value;
    return t;
}

int Table::columnIndex(const QString& name) const
{
    for (int i = 0; i < int(cols_.size()); ++i)
        if (cols_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Table::value(int row, const QString& column) const
{
    const int c = columnIndex(column);
    if (c < 0)
        throw WireError(QStringLiteral("Tabloda \"%1\" sütunu yok").arg(column));
    return cell(row, c).toVariant();
}

// ---- writer ----

MessageWriter::MessageWriter(const char* key) : w_(buf_)
{
    w_.StartObject();
    w_.Key(key);
    w_.StartArray();
}

MessageWriter::~MessageWriter() = default;

MarshalOut& MessageWriter::marshal()
{
    if (!marshal_)
        marshal_ = std::make_unique<MarshalOut>(w_);
    return *marshal_;
}

void MessageWriter::text(const QString& s)
{
    const QByteArray u = s.toUtf8();
    w_.String(u.constData(), rapidjson::SizeType(u.size()));
}
void MessageWriter::text(std::string_view utf8) { w_.String(utf8.data(), rapidjson::SizeType(utf8.size())); }
void MessageWriter::integer(std::int32_t v) { w_.Int(v); }
void MessageWriter::largeint(std::int64_t v) { w_.Int64(v); }
void MessageWriter::real(double v)
{
    if (!std::isfinite(v))
        throw WireError(QStringLiteral("Sonlu olmayan sayı gönderilemez"));
    w_.Double(v);
}
void MessageWriter::boolean(bool v) { w_.Bool(v); }
void MessageWriter::null() { w_.Null(); }
void MessageWriter::stream(const QByteArray& bytes)
{
    const QByteArray b = bytes.toBase64();
    w_.String(b.constData(), rapidjson::SizeType(b.size()));
}

void MessageWriter::beginTable(const std::vector<Column>& cols)
{
    w_.StartObject();
    w_.Key("columns");
    w_.StartArray();
    for (const auto& c : cols) {
        w_.StartObject();
        w_.Key("name");
        text(c.name);
        w_.Key("type");
        w_.String(typeName(c.type));
        if (c.size > 0) {
            w_.Key("size");
            w_.Int(c.size);
        }
        w_.EndObject();
    }
    w_.EndArray();
    w_.Key("rows");
    w_.StartArray();
}
void MessageWriter::beginRow() { w_.StartArray(); }
void MessageWriter::cellNull() { w_.Null(); }
void MessageWriter::cellInt(std::int64_t v) { w_.Int64(v); }
void MessageWriter::cellReal(double v)
{
    if (std::isfinite(v))
        w_.Double(v);
    else
        w_.Null(); // a computed cell that is not a number shows as empty rather than breaking the table
}
void MessageWriter::cellBool(bool v) { w_.Bool(v); }
void MessageWriter::cellText(const QString& s) { text(s); }
void MessageWriter::cellText(std::string_view utf8) { text(utf8); }
void MessageWriter::cellBlob(const QByteArray& bytes) { stream(bytes); }
void MessageWriter::endRow() { w_.EndArray(); }
void MessageWriter::endTable()
{
    w_.EndArray();
    w_.EndObject();
}

std::string MessageWriter::finish()
{
    if (!finished_) {
        w_.EndArray();
        w_.EndObject();
        finished_ = true;
    }
    return std::string(buf_.GetString(), buf_.GetSize());
}

// ---- reader ----

rapidjson::Document parseJson(std::string_view text)
{
    rapidjson::Document d;
    // Iterative parsing: deeply nested hostile input cannot exhaust the stack.
    d.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
    if (d.HasParseError())
        throw WireError(QStringLiteral("Geçersiz JSON (konum %1): %2")
                            .arg(d.GetErrorOffset())
                            .arg(QString::fromUtf8(rapidjson::GetParseError_En(d.GetParseError()))));
    return d;
}

MessageReader MessageReader::parse(std::string_view body, const char* key)
{
    MessageReader m;
    m.doc_ = std::make_shared<rapidjson::Document>(parseJson(body));
    if (!m.doc_->IsObject())
        throw WireError(QStringLiteral("JSON nesnesi bekleniyordu"));
    auto it = m.doc_->FindMember(key);
    if (it == m.doc_->MemberEnd() || !it->value.IsArray())
        throw WireError(QStringLiteral("\"%1\" dizisi yok").arg(QString::fromLatin1(key)));
    m.arr_ = &it->value;
    return m;
}

const rapidjson::Value& MessageReader::at(int i) const
{
    if (i < 0 || i >= size())
        throw WireError(describePosition(i) + QStringLiteral(" eksik"));
    return (*arr_)[rapidjson::SizeType(i)];
}

namespace {
[[noreturn]] void wrongType(int i, const char* expected, const rapidjson::Value& v)
{
    throw WireError(describePosition(i) + QStringLiteral(": %1 bekleniyordu, %2 geldi")
                                              .arg(QString::fromUtf8(expected), jsonKind(v)));
}
} // namespace

QString MessageReader::text(int i) const
{
    const auto& v = at(i);
    if (!v.IsString())
        wrongType(i, "metin", v);
    return str(v);
}

std::int32_t MessageReader::integer(int i) const
{
    const auto& v = at(i);
    if (!v.IsInt())
        wrongType(i, "32 bit tamsayı", v);
    return v.GetInt();
}

std::int64_t MessageReader::largeint(int i) const
{
    const auto& v = at(i);
    if (!v.IsInt64())
        wrongType(i, "64 bit tamsayı", v);
    return v.GetInt64();
}

double MessageReader::real(int i) const
{
    const auto& v = at(i);
    if (!v.IsNumber())
        wrongType(i, "sayı", v);
    return v.GetDouble();
}

bool MessageReader::boolean(int i) const
{
    const auto& v = at(i);
    if (!v.IsBool())
        wrongType(i, "mantıksal değer", v);
    return v.GetBool();
}

QByteArray MessageReader::stream(int i) const
{
    const auto& v = at(i);
    if (!v.IsString())
        wrongType(i, "base64 metin", v);
    return decodeBase64(v.GetString(), int(v.GetStringLength()), describePosition(i));
}

Table MessageReader::table(int i) const
{
    try {
        return Table::fromJson(at(i), doc_);
    } catch (const WireError& e) {
        throw WireError(describePosition(i) + QStringLiteral(": ") + e.text());
    }
}

MarshalIn& MessageReader::marshal() const
{
    if (!marshal_)
        const_cast<MessageReader*>(this)->marshal_ = std::make_shared<MarshalIn>();
    return *marshal_;
}

// ---- errors ----

std::string errorBody(const QString& text)
{
    rapidjson::StringBuffer b;
    rapidjson::Writer<rapidjson::StringBuffer> w(b);
    const QByteArray u = text.toUtf8();
    w.StartObject();
    w.Key("error");
    w.String(u.constData(), rapidjson::SizeType(u.size()));
    w.EndObject();
    return std::string(b.GetString(), b.GetSize());
}

QString errorText(std::string_view body)
{
    rapidjson::Document d;
    d.Parse<rapidjson::kParseIterativeFlag>(body.data(), body.size());
    if (!d.HasParseError() && d.IsObject()) {
        auto it = d.FindMember("error");
        if (it != d.MemberEnd() && it->value.IsString())
            return str(it->value);
    }
    return QString::fromUtf8(body.data(), qsizetype(std::min<size_t>(body.size(), 500))).trimmed();
}

// ---- record marshalling ----

void MarshalOut::operator()(const char* name, const QString& s)
{
    w_.Key(name);
    const QByteArray u = s.toUtf8();
    w_.String(u.constData(), rapidjson::SizeType(u.size()));
}
void MarshalOut::operator()(const char* name, int v)
{
    w_.Key(name);
    w_.Int(v);
}
void MarshalOut::operator()(const char* name, double v)
{
    if (!std::isfinite(v))
        throw WireError(QStringLiteral("%1: sonlu olmayan sayı gönderilemez").arg(QString::fromLatin1(name)));
    w_.Key(name);
    w_.Double(v);
}
void MarshalOut::operator()(const char* name, bool v)
{
    w_.Key(name);
    w_.Bool(v);
}

const rapidjson::Value& MarshalIn::header(const rapidjson::Value& v, const char* type, const QString& where)
{
    static const rapidjson::Value nullValue;
    if (!v.IsObject())
        throw WireError(where + QStringLiteral(": kayıt nesnesi bekleniyordu, ") + jsonKind(v) + QStringLiteral(" geldi"));
    auto ty = v.FindMember("type");
    if (ty == v.MemberEnd() || !ty->value.IsString() || std::strcmp(ty->value.GetString(), type) != 0)
        throw WireError(where + QStringLiteral(": \"%1\" tipinde kayıt bekleniyordu").arg(QString::fromLatin1(type)));
    if (auto ref = v.FindMember("ref"); ref != v.MemberEnd()) {
        if (!ref->value.IsInt())
            throw WireError(where + QStringLiteral(": \"ref\" bir sayı olmalı"));
        auto it = byId_.find(ref->value.GetInt());
        if (it == byId_.end() || std::strcmp(it->second.first, type) != 0)
            throw WireError(where + QStringLiteral(": \"ref\" %1 önceki bir kayda ait değil").arg(ref->value.GetInt()));
        return nullValue;
    }
    auto id = v.FindMember("id");
    if (id == v.MemberEnd() || !id->value.IsInt())
        throw WireError(where + QStringLiteral(": kayıtta \"id\" yok"));
    if (byId_.count(id->value.GetInt()))
        throw WireError(where + QStringLiteral(": \"id\" %1 iki kez kullanılmış").arg(id->value.GetInt()));
    auto fields = v.FindMember("fields");
    if (fields == v.MemberEnd() || !fields->value.IsObject())
        throw WireError(where + QStringLiteral(": kayıtta \"fields\" nesnesi yok"));
    return fields->value;
}

const rapidjson::Value* MarshalIn::member(const char* name) const
{
    auto it = fields_->FindMember(name);
    return it == fields_->MemberEnd() ? nullptr : &it->value;
}

void MarshalIn::fail(const char* name, const char* expected) const
{
    throw WireError(where_ + QStringLiteral(".%1: %2 bekleniyordu").arg(QString::fromLatin1(name), QString::fromUtf8(expected)));
}

void MarshalIn::operator()(const char* name, QString& s)
{
    if (const auto* m = member(name)) {
        if (!m->IsString())
            fail(name, "metin");
        s = str(*m);
    }
}
void MarshalIn::operator()(const char* name, int& v)
{
    if (const auto* m = member(name)) {
        if (!m->IsInt())
            fail(name, "32 bit tamsayı");
        v = m->GetInt();
    }
}
void MarshalIn::operator()(const char* name, double& v)
{
    if (const auto* m = member(name)) {
        if (!m->IsNumber())
            fail(name, "sayı");
        v = m->GetDouble();
    }
}
void MarshalIn::operator()(const char* name, bool& v)
{
    if (const auto* m = member(name)) {
        if (!m->IsBool())
            fail(name, "mantıksal değer");
        v = m->GetBool();
    }
}

} // namespace wire
