// The handlers of the operation table, and the checked dispatch of one call: envelope, inputs, session
// key, the caller's scope, then the handler.
#include "http/dispatch.h"

#include "auth/sessions.h"
#include "records.h"
#include "store/store.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace srv {

namespace {

bool hasKind(const rapidjson::Value& v, ops::Kind k)
{
    switch (k) {
    case ops::Kind::Text: return v.IsString();
    case ops::Kind::Integer: return v.IsInt();
    case ops::Kind::Double: return v.IsNumber();
    case ops::Kind::Record: return v.IsObject() || v.IsNull();
    }
    return false;
}

QString jsonKindName(const rapidjson::Value& v)
{
    if (v.IsInt())
        return QStringLiteral("tamsayı");
    if (v.IsInt64() || v.IsUint64())
        return QStringLiteral("32 bit dışında tamsayı");
    if (v.IsNumber())
        return QStringLiteral("ondalıklı sayı");
    if (v.IsString())
        return QStringLiteral("metin");
    if (v.IsBool())
        return QStringLiteral("mantıksal değer");
    if (v.IsNull())
        return QStringLiteral("null");
    if (v.IsArray())
        return QStringLiteral("dizi");
    return QStringLiteral("nesne");
}

QString str(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A body with nothing in it stands for a call without inputs.
bool isBlank(std::string_view body)
{
    return body.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

Dispatcher::Answer failure(int status, const QString& text) { return {status, wire::errorBody(text), {}}; }

// Checks the inputs against the table; returns an empty text when they fit.
QString checkInputs(const ops::Operation& op, const wire::MessageReader& in)
{
    const QString name = str(op.name);
    if (in.size() != int(op.params.size()))
        return QStringLiteral("%1: %2 parametre bekleniyordu, %3 geldi").arg(name).arg(op.params.size()).arg(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const auto& v = in.at(i);
        const ops::Param& p = op.params[std::size_t(i)];
        if (!hasKind(v, p.kind))
            return QStringLiteral("%1: %2 (%3) için %4 bekleniyordu, %5 geldi")
                .arg(name, wire::describePosition(i), str(p.name), QString::fromUtf8(paramKindName(p.kind)), jsonKindName(v));
    }
    return {};
}

// The key of "Authorization: Bearer KEY", empty for any other header.
std::string_view bearerKey(std::string_view authorization)
{
    constexpr std::string_view prefix = "Bearer ";
    if (authorization.size() <= prefix.size())
        return {};
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(authorization[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return {};
    std::string_view key = authorization.substr(prefix.size());
    while (!key.empty() && key.front() == ' ')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ')
        key.remove_suffix(1);
    return key;
}

struct Refusal {
    int status;
    QString text; // for the caller
    QString why;  // for the log
};

const QString kNotAllowed = QStringLiteral("Bu işlem için yetkiniz yok.");

// Keeps the caller inside its own accounts, from the declared role of every input.
std::optional<Refusal> checkScope(const ops::Operation& op, const wire::MessageReader& in, Inputs& inputs,
                                  const auth::Principal& p, store::Store& s)
{
    for (std::size_t i = 0; i < op.params.size(); ++i) {
        const ops::Param& param = op.params[i];
        const int at = int(i);
        const QString name = str(param.name);
        switch (param.role) {
        case ops::Role::Plain:
        case ops::Role::Unused:
        case ops::Role::Id:
            break;
        case ops::Role::Account:
        case ops::Role::AccountOrAll: {
            const int carino = in.integer(at);
            const bool all = param.role == ops::Role::AccountOrAll && carino == 0 && p.isRepresentative();
            if (!all && !auth::inScope(s, p, carino))
                return Refusal{403, kNotAllowed, QStringLiteral("%1 = %2 kapsam dışı").arg(name).arg(carino)};
            break;
        }
        case ops::Role::Session: {
            std::shared_ptr<TSonucBilgisi> r;
            try {
                r = in.record<TSonucBilgisi>(at);
            } catch (const wire::WireError& e) {
                return Refusal{400, QStringLiteral("%1: %2").arg(str(op.name), e.text()), QStringLiteral("%1 bozuk").arg(name)};
            }
            if (!r)
                return Refusal{400, QStringLiteral("%1: %2 (%3) oturum kaydı olmalı, null geldi").arg(str(op.name), wire::describePosition(at), name),
                               QStringLiteral("%1 null").arg(name)};
            if (r->FSirano != p.user)
                return Refusal{403, kNotAllowed, QStringLiteral("%1.FSirano = %2 başka kullanıcı").arg(name).arg(r->FSirano)};
            if (!auth::inScope(s, p, r->FCARINO))
                return Refusal{403, kNotAllowed, QStringLiteral("%1.FCARINO = %2 kapsam dışı").arg(name).arg(r->FCARINO)};
            inputs.keepSession(at, std::move(r));
            break;
        }
        case ops::Role::User:
            if (in.integer(at) != p.user)
                return Refusal{403, kNotAllowed, QStringLiteral("%1 = %2 başka kullanıcı").arg(name).arg(in.integer(at))};
            break;
        case ops::Role::Workstation:
            if (in.text(at) != p.workstation)
                return Refusal{403, kNotAllowed, QStringLiteral("%1 başka iş istasyonu").arg(name)};
            break;
        case ops::Role::AccountType:
            if (in.integer(at) != p.type)
                return Refusal{403, kNotAllowed, QStringLiteral("%1 = %2 başka hesap tipi").arg(name).arg(in.integer(at))};
            break;
        }
    }
    return std::nullopt;
}

void toStderr(const QString& line) { std::fprintf(stderr, "api %s\n", line.toUtf8().constData()); }

} // namespace

int Inputs::index(std::string_view name, ops::Kind kind) const
{
    const int i = ops::indexOf(op_, name);
    if (i < 0 || op_.params[std::size_t(i)].kind != kind)
        throw std::logic_error(std::string(op_.name) + " has no input " + std::string(name) + " of that kind");
    return i;
}

const char* paramKindName(ops::Kind k)
{
    switch (k) {
    case ops::Kind::Text: return "metin";
    case ops::Kind::Integer: return "32 bit tamsayı";
    case ops::Kind::Double: return "sayı";
    case ops::Kind::Record: return "kayıt (nesne ya da null)";
    }
    return "?";
}

Dispatcher::Dispatcher() : log_(toStderr)
{
    for (const ops::Operation& op : ops::kOperations)
        ops_.emplace(std::string(op.name), Operation{&op, {}});
}

void Dispatcher::handle(const std::string& op, Handler h)
{
    auto it = ops_.find(op);
    if (it == ops_.end())
        throw std::logic_error("handler for an operation outside the table: " + op);
    it->second.handler = std::move(h);
}

const Operation* Dispatcher::find(std::string_view op) const
{
    auto it = ops_.find(op);
    return it == ops_.end() ? nullptr : &it->second;
}

Dispatcher::Answer Dispatcher::dispatch(const Request& request, store::Store& store) const
{
    const QString name = str(request.op);
    const Operation* operation = find(request.op);
    if (!operation)
        return failure(400, QStringLiteral("Bilinmeyen işlem: ") + name);
    const ops::Operation& decl = *operation->decl;
    const auto log = [this](const QString& line) {
        if (log_)
            log_(line);
    };
    try {
        // Strangers learn nothing about the inputs: the key is checked before anything else.
        std::optional<auth::Principal> caller;
        if (!decl.signIn) {
            caller = sessions_.find(store, bearerKey(request.authorization));
            if (!caller)
                return failure(401, kSessionInvalid);
        }
        const auto in = wire::MessageReader::parse(isBlank(request.body) ? std::string_view(R"({"_parameters":[]})")
                                                                          : request.body,
                                                   "_parameters");
        if (const QString problem = checkInputs(decl, in); !problem.isEmpty())
            return failure(400, problem);
        Inputs inputs(decl, in);
        if (caller) {
            if (const auto refused = checkScope(decl, in, inputs, *caller, store)) {
                log(QStringLiteral("%1 reddedildi (%2): kullanıcı %3 (%4), %5")
                        .arg(name)
                        .arg(refused->status)
                        .arg(caller->user)
                        .arg(caller->userName, refused->why));
                return failure(refused->status, refused->text);
            }
        }
        if (!operation->handler)
            return failure(501, name + QStringLiteral(": not implemented (bu işlem henüz sunucuda yok)"));
        wire::MessageWriter out("result");
        Call call{decl, std::move(inputs), out, store, request, caller ? &*caller : nullptr, {}, log};
        try {
            operation->handler(call);
            return {200, out.finish(), std::move(call.issuedKey)};
        } catch (const CallError& e) {
            // A status outside the error range would read as success on the client.
            return failure(e.status >= 400 && e.status <= 599 ? e.status : 500, e.text);
        } catch (const store::StoreError& e) {
            return failure(500, name + QStringLiteral(": veritabanı hatası: ") + QString::fromUtf8(e.what()));
        } catch (const wire::WireError& e) {
            return failure(500, name + QStringLiteral(": ") + e.text());
        } catch (const std::exception& e) {
            return failure(500, name + QStringLiteral(": sunucu hatası: ") + QString::fromUtf8(e.what()));
        } catch (...) {
            return failure(500, name + QStringLiteral(": bilinmeyen sunucu hatası"));
        }
    } catch (const wire::WireError& e) {
        // Only the envelope reaches here: the handler's own errors are caught above.
        return failure(400, name + QStringLiteral(": ") + e.text());
    } catch (const store::StoreError& e) {
        return failure(500, name + QStringLiteral(": veritabanı hatası: ") + QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        return failure(500, name + QStringLiteral(": sunucu hatası: ") + QString::fromUtf8(e.what()));
    }
}

} // namespace srv
