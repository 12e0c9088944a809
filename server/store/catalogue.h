// The catalogue's search index: normalised codes and description words of every product, by prefix.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace store::catalogue {

// Kinds of index entries, in the order a match on them ranks.
enum Kind { PartCode = 0, OtherCode = 1, Word = 2 };

// A code as the index keeps it: the search key without blanks, hyphens, dots and slashes, so that
// "0 986-494.12/A" and "098649412A" are the same code.
QString codeKey(const QString& text);
// The words of a text as the index keeps them: search keys split at every character that is neither
// a letter nor a digit, each word once.
QStringList wordKeys(const QString& text);
// The smallest text after every text that starts with prefix, for a range scan on the index
// (keys compare by code point on both engines).
QString prefixEnd(const QString& prefix);

// Creates the index table for the engine of db (migration step).
void createIndex(QSqlDatabase& db);
// Rebuilds the index entries of the given products, or of every product when the list is empty.
// Call it in the transaction that wrote the products.
void reindex(QSqlDatabase& db, const QList<int>& products = {});

} // namespace store::catalogue
