// Basket operations over the real server: the price rule, the server's amounts, refusals that store
// nothing, and other dealers' lines answering as missing ones.
#include "katalog_testing.h"

#include <cmath>
#include <limits>

namespace {

using ktest::Value;
using ktest::Who;

class Sepet : public ktest::Server {
protected:
    static void SetUpTestSuite()
    {
        ktest::Server::SetUpTestSuite();
        if (!server)
            return;
        store::Store& s = server->store();
        ktest::addProducts(s, {{90001, "SPT-100", "Sepet fren balatası", "", 250, "SPTGRUP"},
                               {90002, "SPT-200", "Sepet fren diski", "", 80, ""},
                               {90003, "SPT-300", "Sepet kampanyalı filtre", "", 90, "", 1, 60}});
        const QVariant list = ktest::scalar(s, QStringLiteral("SELECT LISTENO FROM CARI WHERE CARINO = ?"), {ktest::kDealer});
        ktest::run(s, QStringLiteral("INSERT INTO FIYATLISTESATIR (LISTENO, STOK_STOKNO, FIYAT) VALUES (?, 90001, 100)"), {list});
        ktest::run(s, QStringLiteral("INSERT INTO CARIINDIRIM (CARINO, ANAGRUP, IND1, IND2, IND3, IND4) VALUES (?, 'SPTGRUP', 10, 5, 0, 0)"),
                   {ktest::kDealer});
    }

    // SepetEkle2 as the line entry dialog sends it.
    static srvtest::Reply add(const Who& who, int account, int stokno, double miktar, double fiyat,
                              std::array<double, 4> rates = {})
    {
        return call("SepetEkle2",
                    {ktest::session(who, account), account, stokno, QStringLiteral("SAHTE"), QStringLiteral("Sahte ad"),
                     miktar, 18.0, fiyat, rates[0], who.user, 0, rates[1], rates[2], rates[3]},
                    who);
    }
    static srvtest::Reply change(const Who& who, int account, int sirano, double miktar, double fiyat,
                                 std::array<double, 4> rates = {})
    {
        return call("SepetGuncelle2",
                    {ktest::session(who, account), account, 0, QStringLiteral("SAHTE"), QStringLiteral("Sahte ad"),
                     miktar, 18.0, fiyat, rates[0], who.user, sirano, rates[1], rates[2], rates[3]},
                    who);
    }
    static int answer(const srvtest::Reply& r) { return result(r).integer(0); }
    static int lastLine(int account)
    {
        return ktest::scalar(server->store(), QStringLiteral("SELECT MAX(SIRANO) FROM SEPET WHERE CARINO = ?"), {account}).toInt();
    }
    static int lineCount()
    {
        return ktest::scalar(server->store(), QStringLiteral("SELECT COUNT(*) FROM SEPET")).toInt();
    }
    // The basket grid's row of a line, as SepetVer2 answers it for the account.
    struct Row {
        wire::Table t;
        int row = -1;
        QVariant operator[](const char* column) const { return t.value(row, QString::fromLatin1(column)); }
    };
    static Row line(const Who& who, int account, int sirano)
    {
        Row r{table("SepetVer2", {account}, who)};
        for (int i = 0; i < r.t.rowCount(); ++i)
            if (r.t.value(i, QStringLiteral("SIRANO")).toInt() == sirano)
                r.row = i;
        return r;
    }
};

// What the dealer sends for price and rates is ignored; the stored amounts are those of the dialog's
// preview for the dealer's own price (price 100, quantity 3, rates 10 and 5, VAT 20).
TEST_F(Sepet, ADealersLineIsPricedFromItsOwnList)
{
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90001, 3, 1.0, {0, 0, 0, 0})), 1);
    const Row r = line(dealer, ktest::kDealer, lastLine(ktest::kDealer));
    ASSERT_GE(r.row, 0);
    EXPECT_EQ(r["STOKNO"].toInt(), 90001);
    EXPECT_EQ(r["BARKOD"].toString(), QStringLiteral("SPT-100")); // the catalogue's, not the sent text
    EXPECT_DOUBLE_EQ(r["BIRIMFIYAT"].toDouble(), 100);
    EXPECT_DOUBLE_EQ(r["INDIRIMORANI1"].toDouble(), 10);
    EXPECT_DOUBLE_EQ(r["INDIRIMORANI2"].toDouble(), 5);
    EXPECT_DOUBLE_EQ(r["KDV"].toDouble(), 20);
    EXPECT_DOUBLE_EQ(r["TUTAR"].toDouble(), 300);
    EXPECT_DOUBLE_EQ(r["INDIRIMTUTAR"].toDouble(), 43.5);
    EXPECT_DOUBLE_EQ(r["NETTUTAR"].toDouble(), 256.5);
    EXPECT_DOUBLE_EQ(r["NETBIRIMFIYAT"].toDouble(), 85.5);
    EXPECT_DOUBLE_EQ(r["KDVLITUTAR"].toDouble(), 307.8);
    EXPECT_DOUBLE_EQ(r["VERGITUTARI"].toDouble(), 51.3);
    EXPECT_EQ(r["INDIRIMYAZI"].toString(), QStringLiteral("10+5"));
    EXPECT_EQ(r["SEC"].toInt(), 1);
    EXPECT_EQ(r["VERENIDNO"].toInt(), dealer.user);
    EXPECT_FALSE(r["VEREN"].toString().isEmpty());
    EXPECT_TRUE(r["VERILISTARIHI"].isValid());
    EXPECT_EQ(r["DURUM"].toInt(), 1);
    EXPECT_DOUBLE_EQ(r["KALAN"].toDouble(), 0) << "stock on hand is for representatives";

    // Without a list price the product's list price; without group rates the dealer's general ones;
    // a campaign product at its campaign price without discounts.
    store::Store& s = server->store();
    double general[4];
    for (int i = 0; i < 4; ++i)
        general[i] = ktest::scalar(s, QStringLiteral("SELECT IND%1 FROM CARIINDIRIM WHERE CARINO = ? AND ANAGRUP = ''").arg(i + 1),
                                   {ktest::kDealer}).toDouble();
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90002, 1, 999.0, {50, 50, 50, 50})), 1);
    const Row plain = line(dealer, ktest::kDealer, lastLine(ktest::kDealer));
    EXPECT_DOUBLE_EQ(plain["BIRIMFIYAT"].toDouble(), 80);
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(plain[QStringLiteral("INDIRIMORANI%1").arg(i + 1).toLatin1().constData()].toDouble(), general[i]);
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90003, 2, 1.0, {20, 0, 0, 0})), 1);
    const Row campaign = line(dealer, ktest::kDealer, lastLine(ktest::kDealer));
    EXPECT_DOUBLE_EQ(campaign["BIRIMFIYAT"].toDouble(), 60);
    EXPECT_DOUBLE_EQ(campaign["INDIRIMORANI1"].toDouble(), 0);
    EXPECT_DOUBLE_EQ(campaign["KDVLITUTAR"].toDouble(), 144);
    EXPECT_EQ(campaign["INDIRIMYAZI"].toString(), QStringLiteral("0"));
}

TEST_F(Sepet, ARepresentativeSetsPriceAndRates)
{
    ASSERT_EQ(answer(add(representative, ktest::kDealer, 90001, 2, 50.0, {20, 0, 2.5, 0})), 1);
    const int sirano = lastLine(ktest::kDealer);
    Row r = line(representative, ktest::kDealer, sirano);
    ASSERT_GE(r.row, 0);
    EXPECT_DOUBLE_EQ(r["BIRIMFIYAT"].toDouble(), 50);
    EXPECT_DOUBLE_EQ(r["NETTUTAR"].toDouble(), 78); // 100 − 20 % − 2.5 %
    EXPECT_EQ(r["INDIRIMYAZI"].toString(), QStringLiteral("20+2,5"));
    EXPECT_DOUBLE_EQ(r["KALAN"].toDouble(), 7);
    ASSERT_EQ(answer(change(representative, ktest::kDealer, sirano, 4, 40.0, {0, 0, 0, 0})), 1);
    r = line(representative, ktest::kDealer, sirano);
    EXPECT_DOUBLE_EQ(r["MIKTAR"].toDouble(), 4);
    EXPECT_DOUBLE_EQ(r["KDVLITUTAR"].toDouble(), 192);
    // The dealer changing the same line gets the list's price back.
    ASSERT_EQ(answer(change(dealer, ktest::kDealer, sirano, 1, 1.0)), 1);
    EXPECT_DOUBLE_EQ(line(dealer, ktest::kDealer, sirano)["BIRIMFIYAT"].toDouble(), 100);
}

// Each refusal is a 400 with a Turkish text, and the basket is as it was.
TEST_F(Sepet, BadLinesAreRefusedAndNothingIsStored)
{
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90002, 1, 0)), 1);
    const int sirano = lastLine(ktest::kDealer);
    struct Case {
        const char* what;
        std::function<srvtest::Reply()> send;
    };
    const Case cases[] = {
        {"quantity 0", [] { return add(dealer, ktest::kDealer, 90001, 0, 1); }},
        {"negative quantity", [] { return add(dealer, ktest::kDealer, 90001, -2, 1); }},
        {"quantity whose amounts overflow", [] { return add(representative, ktest::kDealer, 90001, 1e308, 1e10); }},
        {"missing product", [] { return add(dealer, ktest::kDealer, 999999, 1, 1); }},
        {"negative price by a representative", [] { return add(representative, ktest::kDealer, 90001, 1, -5); }},
        {"rate above 100 by a representative", [] { return add(representative, ktest::kDealer, 90001, 1, 5, {150, 0, 0, 0}); }},
        {"changed line with quantity 0", [=] { return change(dealer, ktest::kDealer, sirano, 0, 1); }},
    };
    const int before = lineCount();
    const double amount = line(dealer, ktest::kDealer, sirano)["KDVLITUTAR"].toDouble();
    for (const Case& c : cases) {
        const srvtest::Reply r = c.send();
        EXPECT_EQ(r.status, 400) << c.what << ": " << r.body;
        EXPECT_FALSE(wire::errorText(r.body).isEmpty()) << c.what;
    }
    // A quantity that is no number at all cannot be written by the writer; it goes as raw JSON.
    const std::string nan = ktest::body({ktest::session(dealer, ktest::kDealer), ktest::kDealer, 90001, QString(), QString(), 1.0,
                                         20.0, 1.0, 0.0, dealer.user, 0, 0.0, 0.0, 0.0});
    std::string text = nan;
    text.replace(text.find(",1.0,"), 5, ",1e999,");
    EXPECT_EQ(server->post("SepetEkle2", text, dealer.key).status, 400);
    EXPECT_EQ(lineCount(), before);
    EXPECT_DOUBLE_EQ(line(dealer, ktest::kDealer, sirano)["KDVLITUTAR"].toDouble(), amount);
}

// Another dealer's line number answers exactly like a missing one and changes nothing; the owner's
// calls work; the selection takes only 0 and 1.
TEST_F(Sepet, AnotherDealersLineIsAMissingLine)
{
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90002, 2, 0)), 1);
    const int sirano = lastLine(ktest::kDealer);
    const int missing = sirano + 100000;
    const auto sec = [&] { return line(dealer, ktest::kDealer, sirano)["SEC"].toInt(); };

    for (int n : {sirano, missing}) {
        EXPECT_EQ(answer(change(stranger, ktest::kStranger, n, 9, 1)), 0) << n;
        EXPECT_EQ(call("SepetSecimGuncelle", {n, 0}, stranger).status, 200) << n;
        EXPECT_EQ(answer(call("SepetSatirSil", {ktest::session(stranger, ktest::kStranger), n, QStringLiteral("x")}, stranger)), 0) << n;
    }
    // A line changed in the name of another account, even one the caller may act for (1504 is another
    // dealer of the same representative), is no line of that account.
    EXPECT_EQ(answer(change(representative, 1504, sirano, 9, 1)), 0);
    EXPECT_DOUBLE_EQ(line(dealer, ktest::kDealer, sirano)["MIKTAR"].toDouble(), 2);
    EXPECT_EQ(sec(), 1);

    EXPECT_EQ(call("SepetSecimGuncelle", {sirano, 0}, dealer).status, 200);
    EXPECT_EQ(sec(), 0);
    EXPECT_EQ(call("SepetSecimGuncelle", {sirano, 2}, dealer).status, 400);
    EXPECT_EQ(sec(), 0);
    EXPECT_EQ(call("SepetSecimGuncelle", {sirano, 1}, representative).status, 200);
    EXPECT_EQ(sec(), 1);

    EXPECT_EQ(answer(call("SepetSatirSil", {ktest::session(dealer, ktest::kDealer), sirano, QStringLiteral("SPT-200-x")}, dealer)), 1);
    EXPECT_EQ(line(dealer, ktest::kDealer, sirano).row, -1);
    EXPECT_EQ(answer(call("SepetSatirSil", {ktest::session(dealer, ktest::kDealer), sirano, QStringLiteral("again")}, dealer)), 0);
}

TEST_F(Sepet, DeletingAllEmptiesOnlyTheCallersBasket)
{
    ASSERT_EQ(answer(add(dealer, ktest::kDealer, 90001, 1, 0)), 1);
    ASSERT_EQ(answer(add(stranger, ktest::kStranger, 90001, 1, 0)), 1);
    const int strangers = table("SepetVer2", {ktest::kStranger}, stranger).rowCount();
    ASSERT_GT(strangers, 0);
    EXPECT_EQ(answer(call("SepetHepsiniSil", {ktest::session(dealer, ktest::kDealer)}, dealer)), 1);
    EXPECT_EQ(table("SepetVer2", {ktest::kDealer}, dealer).rowCount(), 0);
    EXPECT_EQ(table("SepetVer2", {ktest::kStranger}, stranger).rowCount(), strangers);
}

} // namespace
