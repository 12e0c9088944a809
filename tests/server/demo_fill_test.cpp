// Demo data tests: the same options give the same data, a filled database is left alone, the data
// holds together (amounts, deliveries, statements, pictures), and workstations bind to accounts.
#include "store_testing.h"

#include "auth/password.h"
#include "store/schema.h"

#include "store/amounts.h"

#include <QBuffer>
#include <tuple>
#include <QImage>
#include <QImageReader>

using storetest::fingerprint;
using storetest::fixedDemo;
using storetest::scalar;
using storetest::TempStore;

namespace {

int count(store::Store& s, const char* sql) { return scalar(s, QString::fromUtf8(sql)).toInt(); }

} // namespace

class DemoFill : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TEZVAL_SKIP_WITHOUT_DATABASE();
        filled_ = new TempStore;
        filledOnce_ = demo::fill(*filled_->store, fixedDemo());
        first_ = fingerprint(*filled_->store);
    }
    static void TearDownTestSuite()
    {
        delete filled_;
        filled_ = nullptr;
    }
    static store::Store& s() { return *filled_->store; }

    static TempStore* filled_;
    static bool filledOnce_;
    static std::string first_; // as the fill left it, before any test bound a workstation
};
TempStore* DemoFill::filled_ = nullptr;
bool DemoFill::filledOnce_ = false;
std::string DemoFill::first_;

TEST_F(DemoFill, IsTheSameForTheSameOptionsOnly)
{
    ASSERT_TRUE(filledOnce_);
    TempStore same;
    ASSERT_TRUE(demo::fill(*same, fixedDemo()));
    EXPECT_EQ(fingerprint(*same), first_);

    demo::Options otherSeed = fixedDemo();
    otherSeed.seed += 1;
    TempStore other;
    ASSERT_TRUE(demo::fill(*other, otherSeed));
    EXPECT_NE(fingerprint(*other), first_);
}

TEST_F(DemoFill, LeavesADatabaseWithDealersAlone)
{
    const std::string before = fingerprint(s());
    demo::Options bigger = fixedDemo(3);
    bigger.seed = 7;
    EXPECT_FALSE(demo::fill(s(), bigger));
    EXPECT_FALSE(demo::fill(s(), fixedDemo()));
    EXPECT_EQ(fingerprint(s()), before);
}

TEST_F(DemoFill, GrowsWithItsSizeAndRefusesSizesBelowOne)
{
    TempStore two;
    ASSERT_TRUE(demo::fill(*two, fixedDemo(2)));
    for (const char* sql : {"SELECT COUNT(*) FROM STOK", "SELECT COUNT(*) FROM CARI", "SELECT COUNT(*) FROM SIPARIS",
                            "SELECT COUNT(*) FROM CARIHAREKET"})
        EXPECT_GT(count(*two, sql), count(s(), sql)) << sql;

    TempStore none;
    demo::Options zero = fixedDemo();
    zero.size = 0;
    EXPECT_THROW(demo::fill(*none, zero), store::StoreError);
    EXPECT_EQ(count(*none, "SELECT COUNT(*) FROM CARI"), 0);
}

TEST_F(DemoFill, HasRepresentativesDealersAndWorkstations)
{
    EXPECT_EQ(scalar(s(), QStringLiteral("SELECT DEGER FROM AYAR WHERE ANAHTAR = 'SURUM'")).toString(), QStringLiteral("2"));
    EXPECT_GE(count(s(), "SELECT COUNT(*) FROM KULLANICI WHERE MUSTERITIPI IN (1, 2) AND SATICINO IS NOT NULL"), 1);
    EXPECT_GE(count(s(), "SELECT COUNT(*) FROM KULLANICI WHERE MUSTERITIPI = 2"), 1);
    EXPECT_GE(count(s(), "SELECT COUNT(*) FROM KULLANICI WHERE MUSTERITIPI = 3"), 1);
    EXPECT_GE(count(s(), "SELECT COUNT(*) FROM KULLANICI WHERE MUSTERITIPI = 4"), 1);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM KULLANICI k WHERE NOT EXISTS "
                         "(SELECT 1 FROM BILGISAYAR b WHERE b.KULLANICINO = k.SIRANO)"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM CARI c WHERE c.SATICINO IS NULL OR NOT EXISTS "
                         "(SELECT 1 FROM CARIINDIRIM i WHERE i.CARINO = c.CARINO AND i.ANAGRUP = '')"), 0);
    // The table holds Argon2id hashes only, made with at least the recommended memory and passes; each
    // is the hash of the demo password the generator tells, which sign-in types in capitals and digits.
    QSqlQuery q = store::exec(s().db(), QStringLiteral("SELECT SIRANO, SIFRE FROM KULLANICI"));
    int users = 0;
    while (q.next()) {
        ++users;
        const QString stored = q.value(1).toString();
        EXPECT_TRUE(stored.startsWith(QStringLiteral("$argon2id$v=19$m=19456,t=2,p=1$"))) << stored.toStdString();
        const QString p = demo::password(demo::Options().seed, q.value(0).toInt());
        EXPECT_EQ(p.size(), 6);
        EXPECT_EQ(p, p.toUpper());
        EXPECT_FALSE(stored.contains(p));
        EXPECT_TRUE(auth::verifyPassword(stored, p));
        EXPECT_FALSE(auth::verifyPassword(stored, p.toLower()));
    }
    EXPECT_GT(users, 0);
}

// A database from before the hashes: the upgrade replaces every plain password by its hash, and a
// value that is already a hash stays as it was.
TEST(StoreUpgrade, HashesPlainPasswordsLeftByOlderData)
{
    storetest::TempStore t(false);
    store::Store& st = *t;
    const auto& first = store::schema::migrations().front();
    store::inTransaction(st, [&](QSqlDatabase& db) {
        store::exec(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER PRIMARY KEY, name TEXT NOT NULL, applied TEXT NOT NULL)"));
        for (const char* statement : first.statements)
            store::exec(db, store::schema::forEngine(statement, st.isSqlite()));
        store::exec(db, QStringLiteral("INSERT INTO schema_version VALUES (1, 'alan şeması', '2026-01-01T00:00:00')"));
        store::exec(db, QStringLiteral("INSERT INTO CARI (CARINO, CARIKOD, CARIADI) VALUES (7, '120.01.007', 'Eski Bayi')"));
    });
    const QString kept = auth::hashPassword(QStringLiteral("ZATEN"));
    QSqlQuery ins = store::prepare(st.db(), QStringLiteral("INSERT INTO KULLANICI (SIRANO, CARINO, KULLANICIADI, SIFRE) VALUES (?, 7, ?, ?)"));
    for (const auto& [no, name, password] : {std::tuple{1, "ESKI01", QStringLiteral("GİZLİ1")}, std::tuple{2, "ESKI02", kept}}) {
        ins.bindValue(0, no);
        ins.bindValue(1, QString::fromLatin1(name));
        ins.bindValue(2, password);
        store::exec(ins);
    }
    st.migrate();
    const QString hashed = scalar(st, QStringLiteral("SELECT SIFRE FROM KULLANICI WHERE SIRANO = 1")).toString();
    EXPECT_TRUE(auth::isPasswordHash(hashed)) << hashed.toStdString();
    EXPECT_TRUE(auth::verifyPassword(hashed, QStringLiteral("GİZLİ1")));
    EXPECT_EQ(scalar(st, QStringLiteral("SELECT SIFRE FROM KULLANICI WHERE SIRANO = 2")).toString(), kept);
    EXPECT_EQ(count(st, "SELECT COUNT(*) FROM KULLANICI WHERE SIFRE NOT LIKE '$argon2id$%'"), 0);
}

TEST_F(DemoFill, StoresLineAmountsAsTheServerComputesThem)
{
    for (const char* table : {"SEPET", "SIPARISSATIR"}) {
        QSqlQuery q = store::exec(s().db(), QStringLiteral(
            "SELECT BIRIMFIYAT, MIKTAR, INDIRIMORANI1, INDIRIMORANI2, INDIRIMORANI3, INDIRIMORANI4, KDV, TUTAR, "
            "INDIRIMTUTAR, NETBIRIMFIYAT, NETTUTAR, VERGITUTARI, KDVLITUTAR FROM %1").arg(QString::fromLatin1(table)));
        int rows = 0;
        while (q.next()) {
            ++rows;
            const double rates[4] = {q.value(2).toDouble(), q.value(3).toDouble(), q.value(4).toDouble(), q.value(5).toDouble()};
            const store::LineAmounts a = store::lineAmounts(q.value(0).toDouble(), q.value(1).toDouble(), rates, q.value(6).toDouble());
            ASSERT_EQ(q.value(7).toDouble(), a.tutar) << table << " row " << rows;
            ASSERT_EQ(q.value(8).toDouble(), a.indirimTutar) << table;
            ASSERT_EQ(q.value(9).toDouble(), a.netBirimFiyat) << table;
            ASSERT_EQ(q.value(10).toDouble(), a.netTutar) << table;
            ASSERT_EQ(q.value(11).toDouble(), a.vergiTutari) << table;
            ASSERT_EQ(q.value(12).toDouble(), a.kdvliTutar) << table;
        }
        EXPECT_GT(rows, 0) << table;
    }
}

TEST_F(DemoFill, OrdersCarryPartialDeliveriesAndOpenBalances)
{
    EXPECT_GT(count(s(), "SELECT COUNT(*) FROM SIPARISSATIR WHERE TESLIMEDILEN > 0 AND KALAN > 0"), 0);
    EXPECT_GT(count(s(), "SELECT COUNT(*) FROM SIPARISSATIR WHERE TESLIMEDILEN = MIKTAR"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM SIPARISSATIR WHERE TESLIMEDILEN + KALAN > MIKTAR"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(DISTINCT DURUM) FROM SIPARIS"), 6);
    // Order totals are the sums of their lines; the catalogue's ordered quantity is the open balance.
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM SIPARIS o WHERE ABS(o.NETTUTAR - (SELECT SUM(l.NETTUTAR) "
                         "FROM SIPARISSATIR l WHERE l.IDNO = o.IDNO)) > 0.005"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM STOK k WHERE ABS(k.ALINANSIPARIS - COALESCE((SELECT SUM(l.KALAN) "
                         "FROM SIPARISSATIR l WHERE l.STOKNO = k.STOK_STOKNO), 0)) > 0.001"), 0);
    // What was delivered has been invoiced, no more and no less.
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM SIPARISSATIR l WHERE ABS(l.TESLIMEDILEN - (SELECT COALESCE(SUM(h.STOKHAR_MIKTAR), 0) "
                         "FROM STOKHAR h WHERE h.SIPARISSATIRNO = l.SIRANO AND h.STOKHAR_HAREKETTIPI = 'Satış')) > 0.001"), 0);
}

TEST_F(DemoFill, StatementRowsMatchTheirDocuments)
{
    for (const char* kind : {"Devir", "Satış Faturası", "Satış İade Faturası", "Tahsilat"}) {
        QSqlQuery q = store::prepare(s().db(), QStringLiteral("SELECT COUNT(*) FROM CARIHAREKET WHERE TURADI = ?"));
        q.addBindValue(QString::fromUtf8(kind));
        store::exec(q);
        ASSERT_TRUE(q.next());
        EXPECT_GT(q.value(0).toInt(), 0) << kind;
    }
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM FATURA f WHERE ABS(f.MATRAH - (SELECT SUM(h.STOKHAR_NETTLTUTAR) "
                         "FROM STOKHAR h WHERE h.FATURAIDNO = f.IDNO)) > 0.005 OR ABS(f.KDVDAHIL - f.MATRAH - f.KDVTUTAR) > 0.005"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM FATURA f JOIN CARIHAREKET m ON m.IDNO = f.IDNO "
                         "WHERE ABS(m.BORC + m.ALACAK - f.KDVDAHIL) > 0.005"), 0);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM CARIHAREKET m WHERE m.TURADI IN ('Tahsilat', 'Tediye') AND "
                         "ABS(m.BORC + m.ALACAK - (SELECT SUM(t.TUTAR) FROM TAHSILAT t WHERE t.IDNO = m.IDNO)) > 0.005"), 0);
    // The statement is read in IDNO order, which must be the order of the dates.
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM CARIHAREKET a JOIN CARIHAREKET b ON b.CARINO = a.CARINO "
                         "AND b.IDNO > a.IDNO AND b.TARIH < a.TARIH"), 0);
    // Card payments keep a receipt.
    EXPECT_GT(count(s(), "SELECT COUNT(*) FROM TAHSILAT WHERE SANALPOSNO IS NOT NULL"), 0);
    QSqlQuery r = store::exec(s().db(), QStringLiteral("SELECT DEKONT FROM SANALPOS"));
    while (r.next())
        EXPECT_TRUE(r.value(0).toByteArray().startsWith("%PDF-"));
}

TEST_F(DemoFill, PicturesDecodeInTheFormatsTheClientExpects)
{
    const auto decode = [](const QByteArray& bytes, const char* format, int* frames = nullptr) {
        QBuffer buf;
        buf.setData(bytes);
        buf.open(QIODevice::ReadOnly);
        QImageReader reader(&buf, format);
        reader.setDecideFormatFromContent(false);
        QImage img = reader.read();
        if (frames) {
            *frames = img.isNull() ? 0 : 1;
            while (reader.canRead() && !reader.read().isNull())
                ++*frames;
        }
        return img;
    };
    const struct {
        const char* sql;
        const char* format;
    } sets[] = {
        {"SELECT RESIM FROM STOKRESIM", "jpeg"},
        {"SELECT RESIM FROM DUYURU WHERE TUR = 1", "jpeg"},
        {"SELECT RESIM FROM DUYURU WHERE TUR = 2", "jpeg"},
        {"SELECT RESIM FROM BANNER WHERE BANNERNO = 3", "bmp"},
    };
    for (const auto& set : sets) {
        QSqlQuery q = store::exec(s().db(), QString::fromUtf8(set.sql));
        int n = 0;
        while (q.next()) {
            ++n;
            EXPECT_FALSE(decode(q.value(0).toByteArray(), set.format).isNull()) << set.sql << " #" << n;
        }
        EXPECT_GT(n, 0) << set.sql;
    }
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM STOK WHERE RESIM = 1"), count(s(), "SELECT COUNT(*) FROM STOKRESIM"));
    for (int banner : {1, 2}) {
        int frames = 0;
        const QImage first = decode(scalar(s(), QStringLiteral("SELECT RESIM FROM BANNER WHERE BANNERNO = %1").arg(banner))
                                        .toByteArray(),
                                    "gif", &frames);
        EXPECT_FALSE(first.isNull()) << banner;
        EXPECT_GT(frames, 1) << "banner " << banner << " is not animated";
    }
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM DUYURU WHERE ARAMA = '#KAMPANYA#'"), 2);
    EXPECT_EQ(scalar(s(), QStringLiteral("SELECT COUNT(*) FROM DUYURU WHERE ARAMA = '#YENİ#'")).toInt(), 2);
}

TEST_F(DemoFill, BindsWorkstationsToAccounts)
{
    const int first = count(s(), "SELECT MIN(CARINO) FROM CARI");
    const int second = count(s(), "SELECT MIN(CARINO) FROM CARI WHERE CARINO > (SELECT MIN(CARINO) FROM CARI)");
    EXPECT_EQ(demo::bindWorkstation(s(), QStringLiteral("TEST-PC-1")), first);
    const demo::Credentials c = demo::credentialsFor(s(), QStringLiteral("TEST-PC-1"));
    EXPECT_EQ(c.carino, first);
    QSqlQuery u = store::prepare(s().db(), QStringLiteral("SELECT SIFRE, MUSTERITIPI FROM KULLANICI WHERE KULLANICIADI = ?"));
    u.addBindValue(c.user);
    store::exec(u);
    ASSERT_TRUE(u.next());
    EXPECT_TRUE(auth::verifyPassword(u.value(0).toString(), c.password));
    EXPECT_GE(u.value(1).toInt(), 3) << "bound to a representative instead of the dealer's own user";

    // Binding the same identity again moves it.
    EXPECT_EQ(demo::bindWorkstation(s(), QStringLiteral("TEST-PC-1"), second), second);
    EXPECT_EQ(demo::credentialsFor(s(), QStringLiteral("TEST-PC-1")).carino, second);
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM BILGISAYAR WHERE BILGISAYARID = 'TEST-PC-1'"), 1);

    const demo::Credentials none = demo::credentialsFor(s(), QStringLiteral("BILINMEYEN"));
    EXPECT_TRUE(none.user.isEmpty());
    EXPECT_EQ(none.carino, 0);
}

TEST_F(DemoFill, RefusesBindingsItCannotMake)
{
    store::exec(s().db(), QStringLiteral("INSERT INTO CARI (CARINO, CARIKOD, CARIADI) VALUES (9001, '120.99.001', 'Kullanıcısız Oto')"));
    const struct {
        const char* identity;
        int carino;
        const char* says;
    } cases[] = {
        {"", 0, "boş"},
        {"   ", 0, "boş"},
        {"TEST-PC-2", 123456, "123456 numaralı cari yok"},
        {"TEST-PC-2", 9001, "9001 numaralı carinin kullanıcısı yok"},
    };
    for (const auto& c : cases) {
        try {
            demo::bindWorkstation(s(), QString::fromUtf8(c.identity), c.carino);
            ADD_FAILURE() << "bound '" << c.identity << "' to " << c.carino;
        } catch (const store::StoreError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.says))) << e.what();
        }
    }
    EXPECT_EQ(count(s(), "SELECT COUNT(*) FROM BILGISAYAR WHERE BILGISAYARID = 'TEST-PC-2'"), 0);

    TempStore empty;
    EXPECT_THROW(demo::bindWorkstation(*empty, QStringLiteral("TEST-PC-3")), store::StoreError);
}

// From about thirty dealers on, two representatives share an initial and a surname; the fill must
// still give every user a name of its own, and index every product for the search.
TEST(DemoFillLarge, SizeThirtyFillsWithUniqueUserNamesAndAnIndexedCatalogue)
{
    TEZVAL_SKIP_WITHOUT_DATABASE();
    TempStore big;
    ASSERT_TRUE(demo::fill(*big, fixedDemo(30)));
    EXPECT_EQ(count(*big, "SELECT COUNT(*) FROM SATICI"), 32);
    EXPECT_EQ(count(*big, "SELECT COUNT(DISTINCT KULLANICIADI) FROM KULLANICI"), count(*big, "SELECT COUNT(*) FROM KULLANICI"));
    EXPECT_EQ(count(*big, "SELECT COUNT(DISTINCT STOK_STOKNO) FROM STOKARA"), count(*big, "SELECT COUNT(*) FROM STOK"));
}
