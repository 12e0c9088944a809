// In-memory table: column stores, loads from received tables, cursor and notifications.
#include "kit/data/table.h"

#include "kit/data/numberformat.h"

#include "wire.h"

#include <QLocale>

#include <algorithm>
#include <cstring>
#include <limits>

namespace kit {

bool isNumeric(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::LargeInt || t == FieldType::Float ||
           t == FieldType::Currency;
}

DataError::DataError(const QString& text) : std::runtime_error(text.toStdString()) {}

namespace {

constexpr qint64 kMsPerDay = 86400000;

FieldType fromWire(wire::Type t)
{
    switch (t) {
    case wire::Type::Integer: return FieldType::Integer;
    case wire::Type::LargeInt: return FieldType::LargeInt;
    case wire::Type::Float: return FieldType::Float;
    case wire::Type::Currency: return FieldType::Currency;
    case wire::Type::Text: return FieldType::Text;
    case wire::Type::Boolean: return FieldType::Boolean;
    case wire::Type::Date: return FieldType::Date;
    case wire::Type::DateTime: return FieldType::DateTime;
    case wire::Type::Blob: return FieldType::Blob;
    }
    return FieldType::Text;
}

qint64 toStamp(const QDateTime& t) { return t.date().toJulianDay() * kMsPerDay + t.time().msecsSinceStartOfDay(); }
QDateTime fromStamp(qint64 s)
{
    qint64 day = s / kMsPerDay;
    qint64 ms = s % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --day;
    }
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

int digits(const char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// Reads "YYYY-MM-DD[(T| )HH:MM[:SS[.fff]]]" without a zone, as the server sends dates; anything
// else goes the slower general way.
bool parseIso(const char* s, std::size_t n, qint64& julianDay, int& msOfDay)
{
    if (n < 10 || s[4] != '-' || s[7] != '-')
        return false;
    const int y = digits(s, 4), mo = digits(s + 5, 2), d = digits(s + 8, 2);
    if (y < 0 || mo < 0 || d < 0 || !QDate::isValid(y, mo, d))
        return false;
    julianDay = QDate(y, mo, d).toJulianDay();
    msOfDay = 0;
    if (n == 10)
        return true;
    if (n < 16 || (s[10] != 'T' && s[10] != ' ') || s[13] != ':')
        return false;
    const int h = digits(s + 11, 2), mi = digits(s + 14, 2);
    int sec = 0, ms = 0;
    std::size_t i = 16;
    if (i < n) {
        if (s[i] != ':' || n < i + 3)
            return false;
        sec = digits(s + i + 1, 2);
        i += 3;
        if (i < n) {
            if (s[i] != '.')
                return false;
            ++i;
            int scale = 100;
            for (; i < n; ++i, scale /= 10) {
                if (s[i] < '0' || s[i] > '9')
                    return false;
                ms += (s[i] - '0') * scale;
            }
        }
    }
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 59)
        return false;
    msOfDay = ((h * 60 + mi) * 60 + sec) * 1000 + ms;
    return true;
}

QString generalNumber(double v)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(v, 'g', 15);
}

QString dateTimeText(const QDateTime& t)
{
    const QLocale loc;
    QString s = loc.toString(t.date(), QLocale::ShortFormat);
    if (t.time().msecsSinceStartOfDay() != 0)
        s += u' ' + t.time().toString(QStringLiteral("HH:mm:ss"));
    return s;
}

} // namespace

// ---- column storage ----

struct Table::Store {
    FieldType type = FieldType::Text;
    std::vector<std::int32_t> i32; // integer, boolean, date (Julian day)
    std::vector<std::int64_t> i64; // large integer, date-time (milliseconds from Julian day 0)
    std::vector<double> f64;       // float, currency
    std::vector<std::uint32_t> offs; // text: offset of [length varint][bytes] in arena
    std::vector<char> arena;
    std::vector<QByteArray> blobs;
    std::vector<std::uint64_t> nulls; // one bit per row; empty while no cell is empty

    void reserve(int n)
    {
        switch (type) {
        case FieldType::Integer:
        case FieldType::Boolean:
        case FieldType::Date: i32.reserve(std::size_t(n)); break;
        case FieldType::LargeInt:
        case FieldType::DateTime: i64.reserve(std::size_t(n)); break;
        case FieldType::Float:
        case FieldType::Currency: f64.reserve(std::size_t(n)); break;
        case FieldType::Text: offs.reserve(std::size_t(n)); break;
        case FieldType::Blob: blobs.reserve(std::size_t(n)); break;
        }
    }

    bool isNull(int r) const
    {
        return !nulls.empty() && ((nulls[std::size_t(r) >> 6] >> (r & 63)) & 1u);
    }
    void setNull(int r, bool on, int rowCount)
    {
        if (nulls.empty()) {
            if (!on)
                return;
            nulls.assign((std::size_t(rowCount) + 63) / 64, 0);
        }
        if (std::size_t(r) >> 6 >= nulls.size())
            nulls.resize((std::size_t(r) >> 6) + 1, 0);
        const std::uint64_t bit = std::uint64_t(1) << (r & 63);
        if (on)
            nulls[std::size_t(r) >> 6] |= bit;
        else
            nulls[std::size_t(r) >> 6] &= ~bit;
    }

    std::uint32_t putText(const char* s, std::size_t n)
    {
        if (arena.size() + n + 5 > std::numeric_limits<std::uint32_t>::max())
            throw DataError(QStringLiteral("Tablo metin alanı için çok büyük"));
        const auto at = std::uint32_t(arena.size());
        std::size_t len = n;
        do {
            unsigned char b = len & 0x7f;
            len >>= 7;
            if (len)
                b |= 0x80;
            arena.push_back(char(b));
        } while (len);
        arena.insert(arena.end(), s, s + n);
        return at;
    }
    std::string_view textAt(int r) const
    {
        const char* p = arena.data() + offs[std::size_t(r)];
        std::size_t len = 0;
        int shift = 0;
        unsigned char b;
        do {
            b = static_cast<unsigned char>(*p++);
            len |= std::size_t(b & 0x7f) << shift;
            shift += 7;
        } while (b & 0x80);
        return std::string_view(p, len);
    }

    // Appends an empty cell.
    void pushEmpty()
    {
        switch (type) {
        case FieldType::Integer:
        case FieldType::Boolean:
        case FieldType::Date: i32.push_back(0); break;
        case FieldType::LargeInt:
        case FieldType::DateTime: i64.push_back(0); break;
        case FieldType::Float:
        case FieldType::Currency: f64.push_back(0); break;
        case FieldType::Text: offs.push_back(putText("", 0)); break;
        case FieldType::Blob: blobs.emplace_back(); break;
        }
    }

    void erase(int r, int rowCount)
    {
        const auto at = std::size_t(r);
        switch (type) {
        case FieldType::Integer:
        case FieldType::Boolean:
        case FieldType::Date: i32.erase(i32.begin() + std::ptrdiff_t(at)); break;
        case FieldType::LargeInt:
        case FieldType::DateTime: i64.erase(i64.begin() + std::ptrdiff_t(at)); break;
        case FieldType::Float:
        case FieldType::Currency: f64.erase(f64.begin() + std::ptrdiff_t(at)); break;
        case FieldType::Text: offs.erase(offs.begin() + std::ptrdiff_t(at)); break;
        case FieldType::Blob: blobs.erase(blobs.begin() + std::ptrdiff_t(at)); break;
        }
        if (!nulls.empty()) {
            for (int i = r; i + 1 < rowCount; ++i)
                setNull(i, isNull(i + 1), rowCount);
            setNull(rowCount - 1, false, rowCount);
        }
    }

    void set(int r, const QVariant& v, const QString& fieldName, int rowCount)
    {
        if (!v.isValid() || v.isNull()) {
            setNull(r, true, rowCount);
            return;
        }
        bool ok = true;
        const auto at = std::size_t(r);
        switch (type) {
        case FieldType::Integer: i32[at] = v.toInt(&ok); break;
        case FieldType::Boolean: i32[at] = v.toBool() ? 1 : 0; break;
        case FieldType::Date: {
            const QDate d = v.toDate();
            ok = d.isValid();
            i32[at] = ok ? std::int32_t(d.toJulianDay()) : 0;
            break;
        }
        case FieldType::LargeInt: i64[at] = v.toLongLong(&ok); break;
        case FieldType::DateTime: {
            const QDateTime t = v.toDateTime();
            ok = t.isValid();
            i64[at] = ok ? toStamp(t) : 0;
            break;
        }
        case FieldType::Float:
        case FieldType::Currency: f64[at] = v.toDouble(&ok); break;
        case FieldType::Text: {
            const QByteArray u = v.toString().toUtf8();
            offs[at] = putText(u.constData(), std::size_t(u.size()));
            break;
        }
        case FieldType::Blob: blobs[at] = v.toByteArray(); break;
        }
        if (!ok)
            throw DataError(QStringLiteral("\"%1\" alanına geçersiz değer: %2").arg(fieldName, v.toString()));
        setNull(r, false, rowCount);
    }

    std::size_t bytes() const
    {
        std::size_t n = i32.capacity() * sizeof(std::int32_t) + i64.capacity() * sizeof(std::int64_t) +
                        f64.capacity() * sizeof(double) + offs.capacity() * sizeof(std::uint32_t) +
                        arena.capacity() + nulls.capacity() * sizeof(std::uint64_t) +
                        blobs.capacity() * sizeof(QByteArray);
        for (const auto& b : blobs)
            n += std::size_t(b.capacity());
        return n;
    }
};

// ---- field ----

bool Field::isNull() const { return !table_->fieldValue(*this).isValid(); }
QVariant Field::value() const { return table_->fieldValue(*this); }
void Field::setValue(const QVariant& v) { table_->setFieldValue(*this, v); }
int Field::asInteger() const { return value().toInt(); }
qint64 Field::asLargeInt() const { return value().toLongLong(); }
double Field::asFloat() const { return value().toDouble(); }
bool Field::asBoolean() const { return value().toBool(); }
QString Field::asString() const
{
    const QVariant v = value();
    if (!v.isValid())
        return {};
    if (type_ == FieldType::Float || type_ == FieldType::Currency)
        return generalNumber(v.toDouble());
    if (type_ == FieldType::DateTime)
        return dateTimeText(v.toDateTime());
    if (type_ == FieldType::Date)
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    return v.toString();
}
QDateTime Field::asDateTime() const { return value().toDateTime(); }
QString Field::displayText() const { return Table::formatValue(type_, displayFormat_, value()); }

// ---- table ----

Table::Table() = default;

Table::~Table()
{
    const auto obs = observers_;
    for (auto* o : obs)
        o->tableDestroyed();
}

void Table::rebuildFields(const std::vector<FieldDef>& defs)
{
    fields_.clear();
    fields_.reserve(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        auto f = std::make_unique<Field>();
        f->table_ = this;
        f->name_ = defs[i].name;
        f->type_ = defs[i].type;
        f->size_ = defs[i].size;
        f->index_ = int(i);
        fields_.push_back(std::move(f));
    }
}

void Table::load(const wire::Table& src)
{
    const int ncol = src.columnCount();
    const int nrow = src.rowCount();
    std::vector<FieldDef> defs;
    defs.reserve(std::size_t(ncol));
    for (const auto& c : src.columns())
        defs.push_back({c.name, fromWire(c.type), c.size});

    // Built aside and swapped in at the end, so a bad cell leaves the previous content intact.
    std::vector<Store> st(static_cast<std::size_t>(ncol));
    std::vector<FieldType> types(static_cast<std::size_t>(ncol));
    for (int c = 0; c < ncol; ++c) {
        st[std::size_t(c)].type = types[std::size_t(c)] = defs[std::size_t(c)].type;
        st[std::size_t(c)].reserve(nrow);
    }
    for (int r = 0; r < nrow; ++r) {
        for (int c = 0; c < ncol; ++c) {
            const wire::CellRef cell = src.cell(r, c);
            const rapidjson::Value& v = cell.json();
            Store& s = st[std::size_t(c)];
            if (v.IsNull()) {
                s.pushEmpty();
                s.setNull(r, true, nrow);
                continue;
            }
            switch (types[std::size_t(c)]) {
            case FieldType::Integer:
                if (v.IsInt())
                    s.i32.push_back(v.GetInt());
                else if (v.IsBool())
                    s.i32.push_back(v.GetBool() ? 1 : 0);
                else if (v.IsInt64())
                    throw DataError(QStringLiteral("Sütun %1: 32 bit tamsayı bekleniyordu").arg(defs[std::size_t(c)].name));
                else
                    s.i32.push_back(std::int32_t(cell.toInt())); // throws with the cell's description
                break;
            case FieldType::Boolean: s.i32.push_back(cell.toBool() ? 1 : 0); break;
            case FieldType::LargeInt: s.i64.push_back(v.IsInt64() ? v.GetInt64() : cell.toInt()); break;
            case FieldType::Float:
            case FieldType::Currency: s.f64.push_back(v.IsNumber() ? v.GetDouble() : cell.toReal()); break;
            case FieldType::Text:
                if (v.IsString()) {
                    s.offs.push_back(s.putText(v.GetString(), v.GetStringLength()));
                } else {
                    const QByteArray u = cell.toText().toUtf8();
                    s.offs.push_back(s.putText(u.constData(), std::size_t(u.size())));
                }
                break;
            case FieldType::Date: {
                qint64 jd;
                int ms;
                if (v.IsString() && parseIso(v.GetString(), v.GetStringLength(), jd, ms))
                    s.i32.push_back(std::int32_t(jd));
                else
                    s.i32.push_back(std::int32_t(cell.toDate().toJulianDay()));
                break;
            }
            case FieldType::DateTime: {
                qint64 jd;
                int ms;
                if (v.IsString() && parseIso(v.GetString(), v.GetStringLength(), jd, ms))
                    s.i64.push_back(jd * kMsPerDay + ms);
                else
                    s.i64.push_back(toStamp(cell.toDateTime()));
                break;
            }
            case FieldType::Blob: s.blobs.push_back(cell.toBlob()); break;
            }
        }
    }
    if (state_ == State::Edit || state_ == State::Insert)
        cancel();
    rebuildFields(defs);
    stores_ = std::move(st);
    rowCount_ = nrow;
    state_ = State::Browse;
    resetCursor();
    notifyReset();
}

void Table::loadPacket(const wire::Table& packet) { load(packet); }

void Table::loadReader(const wire::Table& reader)
{
    // A reader is copied column by column into a table rebuilt with its columns; with our wire
    // both arrive as the same typed table, so the copy is the same load.
    load(reader);
}

void Table::create(const std::vector<FieldDef>& fields)
{
    rebuildFields(fields);
    stores_.assign(fields.size(), Store{});
    for (std::size_t i = 0; i < fields.size(); ++i)
        stores_[i].type = fields[i].type;
    rowCount_ = 0;
    state_ = State::Browse;
    resetCursor();
    notifyReset();
}

void Table::close()
{
    fields_.clear();
    stores_.clear();
    rowCount_ = 0;
    state_ = State::Inactive;
    resetCursor();
    notifyReset();
}

void Table::emptyTable()
{
    if (!isOpen())
        return;
    for (auto& s : stores_) {
        const FieldType t = s.type;
        s = Store{};
        s.type = t;
    }
    rowCount_ = 0;
    state_ = State::Browse;
    resetCursor();
    notifyReset();
}

int Table::fieldIndex(const QString& name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]->name_.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

Field* Table::findField(const QString& name)
{
    const int i = fieldIndex(name);
    return i < 0 ? nullptr : fields_[std::size_t(i)].get();
}
const Field* Table::findField(const QString& name) const
{
    const int i = fieldIndex(name);
    return i < 0 ? nullptr : fields_[std::size_t(i)].get();
}
Field& Table::fieldByName(const QString& name)
{
    if (Field* f = findField(name))
        return *f;
    throw DataError(QStringLiteral("Tabloda \"%1\" alanı yok").arg(name));
}
const Field& Table::fieldByName(const QString& name) const
{
    return const_cast<Table*>(this)->fieldByName(name);
}

// ---- cursor ----

void Table::resetCursor()
{
    row_ = rowCount_ > 0 ? 0 : -1;
    bof_ = true;
    eof_ = rowCount_ == 0;
}

void Table::first()
{
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    row_ = rowCount_ > 0 ? 0 : -1;
    bof_ = true;
    eof_ = rowCount_ == 0;
    notifyCursor();
}

void Table::last()
{
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    row_ = rowCount_ - 1;
    eof_ = true;
    bof_ = rowCount_ == 0;
    notifyCursor();
}

void Table::next()
{
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    bof_ = false;
    if (row_ + 1 < rowCount_) {
        ++row_;
        eof_ = false;
        notifyCursor();
    } else {
        eof_ = true;
    }
}

void Table::prior()
{
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    eof_ = false;
    if (row_ > 0) {
        --row_;
        bof_ = false;
        notifyCursor();
    } else {
        bof_ = true;
    }
}

void Table::setCurrentRow(int row)
{
    if (row < 0 || row >= rowCount_ || row == row_)
        return;
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    row_ = row;
    eof_ = bof_ = false;
    notifyCursor();
}

bool Table::locate(const QString& fieldName, const QVariant& value)
{
    const Field& f = fieldByName(fieldName);
    const Store& s = stores_[std::size_t(f.index_)];
    const int col = f.index_;
    int found = -1;
    if (!value.isValid()) {
        for (int r = 0; r < rowCount_ && found < 0; ++r)
            if (s.isNull(r))
                found = r;
    } else if (isNumeric(f.type_)) {
        bool ok = false;
        const double key = value.toDouble(&ok);
        if (!ok)
            return false;
        for (int r = 0; r < rowCount_ && found < 0; ++r)
            if (!s.isNull(r) && real(r, col) == key)
                found = r;
    } else if (f.type_ == FieldType::Text) {
        const QByteArray key = value.toString().toUtf8();
        const std::string_view k(key.constData(), std::size_t(key.size()));
        for (int r = 0; r < rowCount_ && found < 0; ++r)
            if (!s.isNull(r) && s.textAt(r) == k)
                found = r;
    } else {
        for (int r = 0; r < rowCount_ && found < 0; ++r)
            if (this->value(r, col) == value)
                found = r;
    }
    if (found < 0)
        return false;
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    row_ = found;
    eof_ = bof_ = false;
    notifyCursor();
    return true;
}

// ---- edit cycle ----

void Table::edit()
{
    if (state_ == State::Edit)
        return;
    if (!isOpen())
        throw DataError(QStringLiteral("Tablo açık değil"));
    if (row_ < 0)
        throw DataError(QStringLiteral("Düzenlenecek satır yok"));
    if (state_ == State::Insert)
        post();
    buffer_.assign(fields_.size(), QVariant());
    bufferSet_.assign(fields_.size(), 0);
    state_ = State::Edit;
}

void Table::append()
{
    if (!isOpen())
        throw DataError(QStringLiteral("Tablo açık değil"));
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    buffer_.assign(fields_.size(), QVariant());
    bufferSet_.assign(fields_.size(), 0);
    state_ = State::Insert;
}

void Table::post()
{
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    const bool inserting = state_ == State::Insert;
    int row = row_;
    if (inserting) {
        for (auto& s : stores_)
            s.pushEmpty();
        row = rowCount_++;
        for (auto& s : stores_)
            s.setNull(row, true, rowCount_);
    }
    try {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (bufferSet_[i])
                stores_[i].set(row, buffer_[i], fields_[i]->name_, rowCount_);
    } catch (...) {
        if (inserting) {
            for (auto& s : stores_)
                s.erase(row, rowCount_);
            --rowCount_;
        }
        throw;
    }
    state_ = State::Browse;
    buffer_.clear();
    bufferSet_.clear();
    if (inserting) {
        row_ = row;
        eof_ = bof_ = false;
        notifyReset();
    } else {
        notifyRow(row);
    }
}

void Table::cancel()
{
    if (state_ == State::Edit || state_ == State::Insert)
        state_ = State::Browse;
    buffer_.clear();
    bufferSet_.clear();
}

void Table::requireEditing(const Field& f) const
{
    if (state_ != State::Edit && state_ != State::Insert)
        throw DataError(QStringLiteral("\"%1\" alanı yazılamaz: tablo düzenleme durumunda değil").arg(f.name_));
}

QVariant Table::fieldValue(const Field& f) const
{
    const auto i = std::size_t(f.index_);
    if ((state_ == State::Edit || state_ == State::Insert) && i < bufferSet_.size() && bufferSet_[i])
        return buffer_[i];
    if (state_ == State::Insert || row_ < 0)
        return {};
    return value(row_, f.index_);
}

void Table::setFieldValue(Field& f, const QVariant& v)
{
    requireEditing(f);
    buffer_[std::size_t(f.index_)] = v;
    bufferSet_[std::size_t(f.index_)] = 1;
}

// ---- controls ----

void Table::disableControls() { ++disabled_; }

void Table::enableControls()
{
    if (disabled_ == 0)
        return;
    if (--disabled_ == 0) {
        // Observers missed whatever happened meanwhile; one reset brings them level.
        pendingReset_ = false;
        const auto obs = observers_;
        for (auto* o : obs)
            o->tableReset();
    }
}

void Table::addObserver(TableObserver* o)
{
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end())
        observers_.push_back(o);
}

void Table::removeObserver(TableObserver* o)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Table::notifyReset()
{
    if (disabled_ > 0) {
        pendingReset_ = true;
        return;
    }
    const auto obs = observers_;
    for (auto* o : obs)
        o->tableReset();
}

void Table::notifyRow(int row)
{
    if (disabled_ > 0)
        return;
    const auto obs = observers_;
    for (auto* o : obs)
        o->rowChanged(row);
}

void Table::notifyCursor()
{
    if (disabled_ > 0)
        return;
    const auto obs = observers_;
    for (auto* o : obs)
        o->cursorMoved(row_);
}

// ---- cells ----

bool Table::isNull(int row, int col) const { return stores_[std::size_t(col)].isNull(row); }

QVariant Table::value(int row, int col) const
{
    const Store& s = stores_[std::size_t(col)];
    if (s.isNull(row))
        return {};
    const auto at = std::size_t(row);
    switch (s.type) {
    case FieldType::Integer: return s.i32[at];
    case FieldType::Boolean: return s.i32[at] != 0;
    case FieldType::Date: return QDate::fromJulianDay(s.i32[at]);
    case FieldType::LargeInt: return qlonglong(s.i64[at]);
    case FieldType::DateTime: return fromStamp(s.i64[at]);
    case FieldType::Float:
    case FieldType::Currency: return s.f64[at];
    case FieldType::Text: {
        const auto t = s.textAt(row);
        return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }
    case FieldType::Blob: return s.blobs[at];
    }
    return {};
}

double Table::real(int row, int col) const
{
    const Store& s = stores_[std::size_t(col)];
    if (s.isNull(row))
        return 0;
    const auto at = std::size_t(row);
    switch (s.type) {
    case FieldType::Float:
    case FieldType::Currency: return s.f64[at];
    case FieldType::Integer:
    case FieldType::Boolean:
    case FieldType::Date: return s.i32[at];
    case FieldType::LargeInt:
    case FieldType::DateTime: return double(s.i64[at]);
    case FieldType::Text: return value(row, col).toDouble();
    case FieldType::Blob: return 0;
    }
    return 0;
}

qint64 Table::integer(int row, int col) const
{
    const Store& s = stores_[std::size_t(col)];
    if (s.isNull(row))
        return 0;
    const auto at = std::size_t(row);
    switch (s.type) {
    case FieldType::Integer:
    case FieldType::Boolean:
    case FieldType::Date: return s.i32[at];
    case FieldType::LargeInt:
    case FieldType::DateTime: return s.i64[at];
    case FieldType::Float:
    case FieldType::Currency: return qint64(s.f64[at]);
    case FieldType::Text: return value(row, col).toLongLong();
    case FieldType::Blob: return 0;
    }
    return 0;
}

std::string_view Table::utf8(int row, int col) const
{
    const Store& s = stores_[std::size_t(col)];
    if (s.type != FieldType::Text || s.isNull(row))
        return {};
    return s.textAt(row);
}

QString Table::text(int row, int col) const
{
    const auto t = utf8(row, col);
    return QString::fromUtf8(t.data(), qsizetype(t.size()));
}

QString Table::displayText(int row, int col) const
{
    const Store& s = stores_[std::size_t(col)];
    if (s.isNull(row))
        return {};
    const Field& f = *fields_[std::size_t(col)];
    switch (s.type) {
    case FieldType::Text: return text(row, col);
    case FieldType::Float:
    case FieldType::Currency:
        if (!f.displayFormat_.isEmpty())
            return formatNumber(s.f64[std::size_t(row)], f.displayFormat_);
        break;
    default: break;
    }
    return formatValue(s.type, f.displayFormat_, value(row, col));
}

QString Table::formatValue(FieldType type, const QString& format, const QVariant& v)
{
    if (!v.isValid())
        return {};
    switch (type) {
    case FieldType::Integer:
    case FieldType::LargeInt:
        return format.isEmpty() ? QString::number(v.toLongLong()) : formatNumber(v.toDouble(), format);
    case FieldType::Float: return format.isEmpty() ? generalNumber(v.toDouble()) : formatNumber(v.toDouble(), format);
    case FieldType::Currency:
        return format.isEmpty() ? QLocale().toCurrencyString(v.toDouble()) : formatNumber(v.toDouble(), format);
    case FieldType::Text: return v.toString();
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return format.isEmpty() ? QLocale().toString(v.toDate(), QLocale::ShortFormat)
                                : QLocale().toString(v.toDate(), format);
    case FieldType::DateTime:
        return format.isEmpty() ? dateTimeText(v.toDateTime()) : QLocale().toString(v.toDateTime(), format);
    case FieldType::Blob: return QStringLiteral("(BLOB)");
    }
    return {};
}

void Table::setValue(int row, int col, const QVariant& v)
{
    if (row < 0 || row >= rowCount_ || col < 0 || col >= fieldCount())
        throw DataError(QStringLiteral("Tabloda %1. satırın %2. alanı yok").arg(row + 1).arg(col + 1));
    stores_[std::size_t(col)].set(row, v, fields_[std::size_t(col)]->name_, rowCount_);
    notifyRow(row);
}

int Table::appendRow()
{
    if (!isOpen())
        throw DataError(QStringLiteral("Tablo açık değil"));
    for (auto& s : stores_)
        s.pushEmpty();
    const int row = rowCount_++;
    for (auto& s : stores_)
        s.setNull(row, true, rowCount_);
    if (row_ < 0) {
        row_ = 0;
        eof_ = bof_ = false;
    }
    notifyReset();
    return row;
}

void Table::removeRow(int row)
{
    if (row < 0 || row >= rowCount_)
        return;
    if (state_ == State::Edit || state_ == State::Insert)
        cancel();
    for (auto& s : stores_)
        s.erase(row, rowCount_);
    --rowCount_;
    if (row_ >= rowCount_)
        row_ = rowCount_ - 1;
    eof_ = bof_ = rowCount_ == 0;
    notifyReset();
}

std::size_t Table::memoryUsage() const
{
    std::size_t n = 0;
    for (const auto& s : stores_)
        n += s.bytes();
    return n;
}

} // namespace kit
