// Operation dispatch: the operation table's handlers, and the checks every call passes before one runs.
#pragma once

#include "auth/principal.h"
#include "auth/sessions.h"
#include "operations.h"
#include "records.h"
#include "wire.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace store {
class Store;
}

namespace srv {

// One operation call as it arrived.
struct Request {
    std::string_view op;
    std::string_view body;
    std::string_view authorization; // the Authorization header as sent, empty when none
    QString peer;                   // the caller's address
};

// A call's inputs, read by the names of the operation table.
class Inputs {
public:
    Inputs(const ops::Operation& op, const wire::MessageReader& in) : op_(op), in_(in) {}
    QString text(std::string_view name) const { return in_.text(index(name, ops::Kind::Text)); }
    std::int32_t integer(std::string_view name) const { return in_.integer(index(name, ops::Kind::Integer)); }
    double real(std::string_view name) const { return in_.real(index(name, ops::Kind::Double)); }
    // A session record comes as the scope check read it: a message's records are read once.
    template <class R> std::shared_ptr<R> record(std::string_view name) const
    {
        const int i = index(name, ops::Kind::Record);
        if constexpr (std::is_same_v<R, TSonucBilgisi>)
            if (auto it = sessions_.find(i); it != sessions_.end())
                return it->second;
        return in_.record<R>(i);
    }
    // Throws std::logic_error for a name the operation does not have, or one of another kind.
    int index(std::string_view name, ops::Kind kind) const;
    void keepSession(int i, std::shared_ptr<TSonucBilgisi> r) { sessions_[i] = std::move(r); }

private:
    const ops::Operation& op_;
    const wire::MessageReader& in_;
    std::map<int, std::shared_ptr<TSonucBilgisi>> sessions_;
};

// What a handler gets for one call: checked inputs, the answer being written, the storage and the caller.
struct Call {
    const ops::Operation& op;
    Inputs in;
    wire::MessageWriter& out;
    store::Store& store;
    const Request& request;
    const auth::Principal* caller = nullptr; // the signed-in caller; nullptr only for sign-in
    std::string issuedKey;                   // a session key the answer hands out (sign-in only)
    std::function<void(const QString&)> log; // a line for the server's log
};

// An error a handler raises on purpose: the text reaches the client with the status.
struct CallError {
    int status = 500;
    QString text;
};

using Handler = std::function<void(Call&)>;

struct Operation {
    const ops::Operation* decl = nullptr;
    Handler handler; // empty: the feature is not built yet (501)
};

const char* paramKindName(ops::Kind k); // "metin", "32 bit tamsayı", ... as error texts say them

// The answer to a call without a valid session key.
inline const QString kSessionInvalid = QStringLiteral("Oturum geçersiz veya süresi dolmuş. Lütfen programı yeniden başlatın.");

class Dispatcher {
public:
    Dispatcher(); // one entry per operation of the table, without handlers
    // Attaches the handler of an operation of the table; throws std::logic_error for an unknown name.
    void handle(const std::string& op, Handler h);
    const Operation* find(std::string_view op) const;
    const std::map<std::string, Operation, std::less<>>& operations() const { return ops_; }
    // Where refusals and sign-in notes go; standard error unless set.
    void setLog(std::function<void(const QString&)> log) { log_ = std::move(log); }

    struct Answer {
        int status = 200;
        std::string body;
        std::string sessionKey; // for the X-Session-Key header of a sign-in's answer
    };
    // Checks the envelope, the session key and the caller's scope, runs the handler, and builds the
    // answer (never throws).
    Answer dispatch(const Request& request, store::Store& store) const;
    // A call without a key or address, as tests and tools make them.
    Answer dispatch(std::string_view op, std::string_view body, store::Store& store) const
    {
        return dispatch(Request{op, body, {}, {}}, store);
    }

private:
    std::map<std::string, Operation, std::less<>> ops_;
    std::function<void(const QString&)> log_;
    mutable auth::SessionCache sessions_;
};

// Registers every built family of operations (methods/registry.cpp).
void registerMethods(Dispatcher& d);

} // namespace srv
