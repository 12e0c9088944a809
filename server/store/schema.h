// The ordered schema migrations and the per-engine spelling of the few types that differ.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace store::schema {

struct Migration {
    int version;
    const char* name;
    std::vector<const char*> statements; // one statement each, written with the markers below
    void (*then)(QSqlDatabase& db) = nullptr; // a step in code after the statements, in the same transaction
};

// Every migration, oldest first. A released migration never changes; a change is a new migration.
const std::vector<Migration>& migrations();

// Replaces the type markers of a statement: {key} an integer key the database numbers itself,
// {real} a double-precision number, {blob} a byte string.
QString forEngine(const char* statement, bool sqlite);

} // namespace store::schema
