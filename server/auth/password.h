// Password hashes: Argon2id strings as the user table stores them, and their check.
#pragma once

#include <QString>

namespace auth {

// At least the current recommendation for Argon2id: 19 MiB of memory, 2 passes, one lane.
constexpr unsigned long long kHashPasses = 2;
constexpr std::size_t kHashMemory = std::size_t(19) * 1024 * 1024;

// A new salted hash of password (UTF-8), in the self-describing "$argon2id$..." form.
// Throws std::runtime_error when the memory it needs cannot be had.
QString hashPassword(const QString& password);
// True when password matches hash; false for a wrong password or a text that is no hash.
bool verifyPassword(const QString& hash, const QString& password);
// True for a stored value in the hash form, false for a plain password left from older data.
bool isPasswordHash(const QString& stored);
// True when hash was made with weaker settings than hashPassword uses now.
bool needsRehash(const QString& hash);
// Costs what a verification costs, so a wrong user name takes as long to refuse as a wrong password.
void verifyNothing(const QString& password);

} // namespace auth
