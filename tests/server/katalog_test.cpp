// Product pictures (ResimVer5 and the web host's resimgoster.ashx) and stock movements (StokHareketVer).
#include "katalog_testing.h"

namespace {

class Katalog : public ktest::Server {
protected:
    static int productWithPicture(bool with)
    {
        return ktest::scalar(server->store(),
                             QStringLiteral("SELECT MIN(STOK_STOKNO) FROM STOK WHERE STOK_STOKNO %1 IN (SELECT STOK_STOKNO FROM STOKRESIM)")
                                 .arg(with ? QString() : QStringLiteral("NOT")))
            .toInt();
    }
};

// The picture's bytes with their size; none and size 0 for a product without one; the web host
// serves the same bytes with their content type and 404 where there is none.
TEST_F(Katalog, PicturesFromTheServerAndTheWebHost)
{
    const int with = productWithPicture(true), without = productWithPicture(false);
    ASSERT_GT(with, 0);
    ASSERT_GT(without, 0);
    const wire::MessageReader m = result(call("ResimVer5", {with}, dealer));
    const QByteArray bytes = m.stream(1);
    EXPECT_EQ(m.largeint(0), bytes.size());
    EXPECT_TRUE(bytes.startsWith("\xFF\xD8")) << "a JPEG picture";
    for (int none : {without, 999999}) {
        const wire::MessageReader n = result(call("ResimVer5", {none}, dealer));
        EXPECT_EQ(n.largeint(0), 0);
        EXPECT_TRUE(n.stream(1).isEmpty());
    }

    const srvtest::Reply web = server->webGet("/resimgoster.ashx?id=" + std::to_string(with));
    EXPECT_EQ(web.status, 200);
    EXPECT_EQ(web.contentType, "image/jpeg");
    EXPECT_EQ(QByteArray::fromStdString(web.body), bytes);
    EXPECT_EQ(server->webGet("/resimgoster.ashx?id=" + std::to_string(without)).status, 404);
    EXPECT_EQ(server->webGet("/resimgoster.ashx?id=999999").status, 404);
    for (const char* bad : {"/resimgoster.ashx", "/resimgoster.ashx?id=", "/resimgoster.ashx?id=abc", "/resimgoster.ashx?id=-4",
                            "/resimgoster.ashx?id=1%20OR%201=1"})
        EXPECT_EQ(server->webGet(bad).status, 400) << bad;
    srvtest::HttpConnection c(server->webPort());
    EXPECT_EQ(c.request("POST", "/resimgoster.ashx?id=" + std::to_string(with), "x").status, 405);
}

// The movements of one product on the asking dealer's invoices only, with their amounts.
TEST_F(Katalog, StockMovementsOfTheDealerOnly)
{
    store::Store& s = server->store();
    const int stokno = ktest::scalar(s, QStringLiteral("SELECT MIN(STOKHAR_STOKNO) FROM STOKHAR WHERE STOKHAR_CARINO = ?"),
                                     {ktest::kDealer}).toInt();
    ASSERT_GT(stokno, 0);
    const int mine = ktest::scalar(s, QStringLiteral("SELECT COUNT(*) FROM STOKHAR WHERE STOKHAR_CARINO = ? AND STOKHAR_STOKNO = ?"),
                                   {ktest::kDealer, stokno}).toInt();
    const int theirs = ktest::scalar(s, QStringLiteral("SELECT COUNT(*) FROM STOKHAR WHERE STOKHAR_CARINO = ? AND STOKHAR_STOKNO = ?"),
                                     {ktest::kStranger, stokno}).toInt();
    const wire::Table t = table("StokHareketVer", {ktest::kDealer, stokno}, dealer);
    ASSERT_EQ(t.rowCount(), mine);
    EXPECT_EQ(table("StokHareketVer", {ktest::kStranger, stokno}, stranger).rowCount(), theirs);
    EXPECT_EQ(call("StokHareketVer", {ktest::kDealer, stokno}, stranger).status, 403);
    for (const char* c : {"TARIH", "TURU", "EVRAKSERI", "EVRAKSIRA", "MIKTAR", "TLBIRIMFIYAT", "TLVERGI", "TLTUTAR",
                          "TOPLAMINDIRIM", "NETBIRIMFIYAT", "NETTLTUTAR", "KDVDAHILBIRIMFIYAT", "KDVDAHILTUTAR", "BARKOD",
                          "INDIRIM1", "INDIRIM8", "MASRAF1", "MASRAF2", "TOPLAMMASRAF", "VADE", "STOKCARIKOD", "SATICI"})
        EXPECT_GE(t.columnIndex(QString::fromLatin1(c)), 0) << c;
    for (int i = 0; i < t.rowCount(); ++i) {
        const double net = t.value(i, QStringLiteral("NETTLTUTAR")).toDouble();
        const double vat = t.value(i, QStringLiteral("TLVERGI")).toDouble();
        EXPECT_NEAR(t.value(i, QStringLiteral("KDVDAHILTUTAR")).toDouble(), net + vat, 0.005);
        EXPECT_EQ(t.value(i, QStringLiteral("EVRAKSERI")).toString(), QStringLiteral("TZV"));
    }
    EXPECT_EQ(table("StokHareketVer", {ktest::kDealer, 999999}, dealer).rowCount(), 0);
}

} // namespace
