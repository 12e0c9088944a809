// Deterministic demo data: a whole small wholesaler, from a fixed seed.
#pragma once

#include <QDate>
#include <QString>

namespace store {
class Store;
}

namespace demo {

struct Options {
    int size = 1;          // scale factor: catalogue, dealers and history grow with it
    int products = 0;      // products in the catalogue (up to 200,000); 0: as many as size gives
    int version = 2;       // the client version every demo user is required to run
    unsigned seed = 20261; // fixed: the same options always give the same data
    // The last day of the generated history (orders, invoices, payments reach back from it). Left
    // invalid it is the current date, so the demo looks recent; tests fix it to compare two fills.
    QDate today;
};

// Fills an empty database; does nothing when the database already holds dealers. Returns true when it filled.
bool fill(store::Store& s, const Options& o);

// Binds a workstation identity to a demo account (by account number; 0 picks the first dealer).
// Returns the account number bound. Throws store::StoreError when no such account exists.
int bindWorkstation(store::Store& s, const QString& identity, int carino = 0);

// The password a demo user is given: made from the seed and the user's number, so that it can be told
// again although only its hash is stored.
QString password(unsigned seed, int user);

// The user name and password of the account bound to identity, for the demo's start-up notice. The
// password is empty when the stored one is no longer the demo's.
struct Credentials {
    QString user;
    QString password;
    int carino = 0;
};
Credentials credentialsFor(store::Store& s, const QString& identity, unsigned seed = Options().seed);

} // namespace demo
