// Password hashes through libsodium's Argon2id.
#include "auth/password.h"

#include <sodium.h>

#include <stdexcept>

namespace auth {

namespace {

void ensureSodium()
{
    // Safe to call from several threads and more than once.
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

} // namespace

QString hashPassword(const QString& password)
{
    ensureSodium();
    const QByteArray plain = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, plain.constData(), static_cast<unsigned long long>(plain.size()), kHashPasses,
                              kHashMemory, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("Şifre özeti için bellek ayrılamadı");
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString& hash, const QString& password)
{
    if (!isPasswordHash(hash))
        return false;
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    const QByteArray plain = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), plain.constData(), static_cast<unsigned long long>(plain.size())) == 0;
}

bool isPasswordHash(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) && stored.size() < crypto_pwhash_STRBYTES;
}

bool needsRehash(const QString& hash)
{
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    return crypto_pwhash_str_needs_rehash(h.constData(), kHashPasses, kHashMemory) != 0;
}

void verifyNothing(const QString& password)
{
    // Made once; its password is random and never stored, so nothing can match it.
    static const QString dummy = [] {
        ensureSodium();
        unsigned char random[16];
        randombytes_buf(random, sizeof random);
        return hashPassword(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex()));
    }();
    verifyPassword(dummy, password);
}

} // namespace auth
