// JSON form of the transfer records: {"type":..., "id":..., "fields":{...}}, "ref" for a record met again.
#pragma once

#include <QString>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace wire {

// Declares one record field F<Name> with its property pair <Name>() / set<Name>().
#define WIRE_DECLARE(T, N, D)                                                                      \
    T F##N = D;                                                                                    \
    const T& N() const { return F##N; }                                                            \
    void set##N(const T& value) { F##N = value; }
#define WIRE_VISIT(T, N, D) v("F" #N, self.F##N);
#define WIRE_COPY(T, N, D) F##N = src.F##N;

// The body every record class shares: its fields and the visitor over them.
#define WIRE_RECORD_FIELDS(Class, Unit, FIELDS)                                                    \
    FIELDS(WIRE_DECLARE)                                                                           \
    static constexpr const char* wireType() { return Unit "." #Class; }                            \
    template <class Self, class V> static void fields(Self& self, V& v) { FIELDS(WIRE_VISIT) }
// The same with Kopyala, which copies every field of a source record into this one.
#define WIRE_RECORD(Class, Unit, FIELDS)                                                           \
    WIRE_RECORD_FIELDS(Class, Unit, FIELDS)                                                        \
    void Kopyala(const Class& src) { FIELDS(WIRE_COPY) }

class MarshalOut {
public:
    explicit MarshalOut(rapidjson::Writer<rapidjson::StringBuffer>& w) : w_(w) {}

    template <class R> void write(const R* r)
    {
        if (!r) {
            w_.Null();
            return;
        }
        w_.StartObject();
        w_.Key("type");
        w_.String(R::wireType());
        if (auto it = seen_.find(r); it != seen_.end()) {
            w_.Key("ref");
            w_.Int(it->second);
            w_.EndObject();
            return;
        }
        const int id = next_++;
        seen_.emplace(r, id);
        w_.Key("id");
        w_.Int(id);
        w_.Key("fields");
        w_.StartObject();
        R::fields(*r, *this);
        w_.EndObject();
        w_.EndObject();
    }

    // Field writers, called by the records' field visitors.
    void operator()(const char* name, const QString& s);
    void operator()(const char* name, int v);
    void operator()(const char* name, double v);
    void operator()(const char* name, bool v);
    template <class R> void operator()(const char* name, const std::vector<std::shared_ptr<R>>& list)
    {
        w_.Key(name);
        w_.StartArray();
        for (const auto& r : list)
            write(r.get());
        w_.EndArray();
    }

private:
    rapidjson::Writer<rapidjson::StringBuffer>& w_;
    std::unordered_map<const void*, int> seen_;
    int next_ = 1;
};

class MarshalIn {
public:
    // Reads a record of class R from v; nullptr for JSON null. Throws WireError naming `where`.
    template <class R> std::shared_ptr<R> read(const rapidjson::Value& v, const QString& where)
    {
        if (v.IsNull())
            return nullptr;
        const rapidjson::Value& fields = header(v, R::wireType(), where);
        if (fields.IsNull()) // a "ref" to an earlier record of this message, type checked by header()
            return std::static_pointer_cast<R>(byId_.at(v["ref"].GetInt()).second);
        auto r = std::make_shared<R>();
        byId_[v["id"].GetInt()] = {R::wireType(), r};
        const rapidjson::Value* savedFields = fields_;
        QString savedWhere = where_;
        where_ = where + QLatin1Char('.') + QString::fromLatin1(R::wireType());
        fields_ = &fields;
        R::fields(*r, *this);
        fields_ = savedFields;
        where_ = std::move(savedWhere);
        return r;
    }

    // Field readers, called by the records' field visitors. A missing member keeps the default.
    void operator()(const char* name, QString& s);
    void operator()(const char* name, int& v);
    void operator()(const char* name, double& v);
    void operator()(const char* name, bool& v);
    template <class R> void operator()(const char* name, std::vector<std::shared_ptr<R>>& list)
    {
        const rapidjson::Value* m = member(name);
        if (!m)
            return;
        if (!m->IsArray())
            fail(name, "dizi");
        const QString where = where_ + QLatin1Char('.') + QString::fromLatin1(name);
        for (const auto& e : m->GetArray()) {
            auto r = read<R>(e, where);
            if (!r)
                fail(name, "kayıt");
            list.push_back(std::move(r));
        }
    }

private:
    // Checks "type" and either "ref" or "id"+"fields"; returns the fields object, or a null value for a ref.
    const rapidjson::Value& header(const rapidjson::Value& v, const char* type, const QString& where);
    const rapidjson::Value* member(const char* name) const;
    [[noreturn]] void fail(const char* name, const char* expected) const;

    std::unordered_map<int, std::pair<const char*, std::shared_ptr<void>>> byId_;
    const rapidjson::Value* fields_ = nullptr;
    QString where_;
};

} // namespace wire
