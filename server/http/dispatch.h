// Operation dispatch: the signature table of TServerMethods1 and the handlers registered for it.
#pragma once

#include "wire.h"

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace store {
class Store;
}

namespace srv {

// Parameter kinds of an operation's inputs, as they travel.
enum class Param { Text, Integer, Double, Record };

// What a handler gets for one call: checked inputs, the result being written, the storage.
struct Call {
    const wire::MessageReader& in;
    wire::MessageWriter& out;
    store::Store& store;
};

// An error a handler raises on purpose: the text reaches the client with the status.
struct CallError {
    int status = 500;
    QString text;
};

using Handler = std::function<void(Call&)>;

struct Operation {
    std::string name;
    std::vector<Param> params;
    Handler handler; // empty: the feature is not built yet (501)
    std::vector<std::string> paramNames; // parallel to params, for error texts
};

const char* paramKindName(Param p); // "metin", "32 bit tamsayı", ... as error texts say them

class Dispatcher {
public:
    Dispatcher(); // fills the signature table of every operation the client calls
    // Attaches the handler of an operation of the table; throws std::logic_error for an unknown name.
    void handle(const std::string& op, Handler h);
    const Operation* find(const std::string& op) const;
    const std::map<std::string, Operation>& operations() const { return ops_; }

    struct Answer {
        int status = 200;
        std::string body;
    };
    // Checks the envelope and parameters, runs the handler, and builds the answer (never throws).
    Answer dispatch(const std::string& op, std::string_view body, store::Store& store) const;

private:
    std::map<std::string, Operation> ops_;
};

// Registers every built family of operations (methods/registry.cpp).
void registerMethods(Dispatcher& d);

} // namespace srv
