// StokAraGetir over a fixture catalogue beside the demo's: code spellings, OEM numbers, Turkish
// letter case, description words, relevance order, the result cap and the dealer's prices.
#include "katalog_testing.h"

#include "methods/methods.h"

#include <QStringList>

namespace {

class Search : public ktest::Server {
protected:
    static void SetUpTestSuite()
    {
        ktest::Server::SetUpTestSuite();
        if (!server)
            return;
        store::Store& s = server->store();
        std::vector<ktest::Product> p{
            {91001, "ZQX-100.20/A", "Fren balatası çığırtkan ön", "7711 223 344", 250, "ZQXGRUP"},
            {91002, "ZQX-100.20/AB", "FREN BALATASI ÇIĞIRTKAN ARKA"},
            {91003, "WVU 55", "Yağ filtresi", "ZQX10020A"},
            {91004, "WVU 56", "DİSK ÇIĞIRTKAN", "ZQX10020A77"},
            {91005, "WVU 57", "dısk çığırtkan sol"},
            {91006, "ZQX-100.20/A9", "Satıştan kalkmış çığırtkan"},
        };
        // More products of one code family than a search answers.
        static std::vector<QByteArray> capCodes;
        for (int i = 0; i < srv::kStokAraSatirSiniri + 20; ++i)
            capCodes.push_back(QStringLiteral("KPQ-%1").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
        for (int i = 0; i < int(capCodes.size()); ++i)
            p.push_back({92000 + i, capCodes[std::size_t(i)].constData(), "Kapak"});
        ktest::addProducts(s, p);
        ktest::run(s, QStringLiteral("UPDATE STOK SET AKTIF = 0 WHERE STOK_STOKNO = 91006"));
        const QVariant list = ktest::scalar(s, QStringLiteral("SELECT LISTENO FROM CARI WHERE CARINO = ?"), {ktest::kDealer});
        ktest::run(s, QStringLiteral("INSERT INTO FIYATLISTESATIR (LISTENO, STOK_STOKNO, FIYAT) VALUES (?, 91001, 100)"), {list});
        ktest::run(s, QStringLiteral("INSERT INTO CARIINDIRIM (CARINO, ANAGRUP, IND1, IND2, IND3, IND4) VALUES (?, 'ZQXGRUP', 10, 5, 0, 0)"),
                   {ktest::kDealer});
    }

    static wire::Table search(const QString& text, const ktest::Who& who = dealer)
    {
        return table("StokAraGetir", {text, ktest::session(who, ktest::kDealer)}, who);
    }
    static QList<int> numbers(const wire::Table& t)
    {
        QList<int> out;
        for (int i = 0; i < t.rowCount(); ++i)
            out << t.value(i, QStringLiteral("STOK_STOKNO")).toInt();
        return out;
    }
    static QList<int> found(const char* text) { return numbers(search(QString::fromUtf8(text))); }
};

// However the code is written: the exact part code, then the part code it starts, then the product
// whose OEM number is the code, then the one whose OEM number starts with it. The product no longer
// on sale is never shown.
TEST_F(Search, CodesIgnoreBlanksHyphensDotsAndSlashes)
{
    const QList<int> expected{91001, 91002, 91003, 91004};
    for (const char* text : {"ZQX-100.20/A", "zqx 100 20 a", "ZQX10020A", "zqx.100-20/a", " ZQX/100/20/A "})
        EXPECT_EQ(found(text), expected) << text;
    EXPECT_EQ(found("ZQX-100.20/A9"), QList<int>{});
    EXPECT_EQ(found("ZQX-100.20/AB"), QList<int>{91002});
}

TEST_F(Search, OemNumbersWholeOrByTheirStart)
{
    EXPECT_EQ(found("7711-223-344"), QList<int>{91001});
    EXPECT_EQ(found("7711 223"), QList<int>{91001});
    EXPECT_EQ(found("7711223344"), QList<int>{91001});
}

// "Fren balatası", "FREN BALATASI", dotted and dotless i: one word for the search, whatever the case.
TEST_F(Search, TurkishLettersInAnyCase)
{
    const QList<int> all{91004, 91005, 91001, 91002}; // description matches, by part code
    for (const char* text : {"çığırtkan", "ÇIĞIRTKAN", "Çığırtkan", "CIGIRTKAN", "cigirtkan"})
        EXPECT_EQ(found(text), all) << text;
    for (const char* text : {"disk çığırtkan", "DİSK ÇIĞIRTKAN", "dısk cigirtkan", "Dİsk çığ"})
        EXPECT_EQ(found(text), (QList<int>{91004, 91005})) << text;
}

TEST_F(Search, EveryWordMustStartADescriptionWord)
{
    EXPECT_EQ(found("fren çığırtkan"), (QList<int>{91001, 91002}));
    EXPECT_EQ(found("balata arka çığırt"), QList<int>{91002});
    EXPECT_EQ(found("çığırtkan yok"), QList<int>{});
    // A pasted paragraph is cut to its first words, not turned into a statement of that size.
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << QStringLiteral("kelime%1").arg(i);
    EXPECT_EQ(search(many.join(u' ')).rowCount(), 0);
    // No match still answers the columns, so that the client can tell it from a failed search.
    const wire::Table none = search(QStringLiteral("QQQ-YOK-999"));
    EXPECT_EQ(none.rowCount(), 0);
    EXPECT_GE(none.columnIndex(QStringLiteral("IND1")), 0);
}

TEST_F(Search, AnswersAtMostTheCapBestFirst)
{
    const wire::Table t = search(QStringLiteral("KPQ"));
    ASSERT_EQ(t.rowCount(), srv::kStokAraSatirSiniri);
    EXPECT_EQ(t.value(0, QStringLiteral("BARKOD")).toString(), QStringLiteral("KPQ-000"));
    // An exact code still comes first when the family is larger than the cap.
    const wire::Table exact = search(QStringLiteral("KPQ-510"));
    ASSERT_GE(exact.rowCount(), 1);
    EXPECT_EQ(exact.value(0, QStringLiteral("BARKOD")).toString(), QStringLiteral("KPQ-510"));
}

// The dealer's price and rates, the amounts the line dialog starts from, and every column of the
// stock list; stock quantities only for a representative.
TEST_F(Search, RowsCarryTheDealersPricesAndEveryColumn)
{
    const wire::Table t = search(QStringLiteral("ZQX-100.20/A"));
    ASSERT_GE(t.rowCount(), 1);
    const auto v = [&](const char* c) { return t.value(0, QString::fromLatin1(c)); };
    EXPECT_DOUBLE_EQ(v("FIYAT").toDouble(), 100);
    EXPECT_DOUBLE_EQ(v("LISTEFIYAT1").toDouble(), 250);
    EXPECT_DOUBLE_EQ(v("IND1").toDouble(), 10);
    EXPECT_DOUBLE_EQ(v("IND2").toDouble(), 5);
    EXPECT_DOUBLE_EQ(v("NETFIYAT").toDouble(), 85.5);
    EXPECT_DOUBLE_EQ(v("KDVDAHIL").toDouble(), 102.6);
    EXPECT_EQ(v("INDIRIMYAZI").toString(), QStringLiteral("10+5"));
    EXPECT_DOUBLE_EQ(v("KALAN").toDouble(), 0);
    for (const char* c : {"STOK_STOKNO", "BARKOD", "ADI", "MARKA", "MODEL", "FINISHKOD", "KDV", "FIYAT", "LISTEFIYAT1",
                          "KAMPFIYAT", "NETFIYAT", "KDVDAHIL", "IND1", "IND2", "IND3", "IND4", "INDIRIMYAZI", "K", "Y",
                          "DURUM", "DEPO2", "RESIM", "OEM1", "OEM2", "OEM3", "OEM4", "URETICIKODU", "BARKOD_BARKODNO",
                          "DIGERADI", "DPKOD", "OEMNO", "BIRIM", "ANAGRUP", "OZELKOD", "KALAN", "PKOD", "ALINANSIPARIS",
                          "VERILENSIPARIS"})
        EXPECT_GE(t.columnIndex(QString::fromLatin1(c)), 0) << c;
    const wire::Table rep = search(QStringLiteral("ZQX-100.20/A"), representative);
    ASSERT_GE(rep.rowCount(), 1);
    EXPECT_DOUBLE_EQ(rep.value(0, QStringLiteral("FIYAT")).toDouble(), 100) << "the dealer's price, for the dealer he acts for";
    EXPECT_DOUBLE_EQ(rep.value(0, QStringLiteral("KALAN")).toDouble(), 7);
}

// The demo catalogue is searchable as generated: a product found by its part code and by its first OEM number.
TEST_F(Search, TheDemoCatalogueIsIndexed)
{
    store::Store& s = server->store();
    QSqlQuery q = store::exec(s.db(), QStringLiteral("SELECT STOK_STOKNO, BARKOD, OEM1 FROM STOK WHERE STOK_STOKNO = 1001"));
    ASSERT_TRUE(q.next());
    const int no = q.value(0).toInt();
    const QString barkod = q.value(1).toString(), oem = q.value(2).toString();
    q.finish();
    EXPECT_EQ(numbers(search(barkod)).value(0), no) << barkod.toStdString();
    EXPECT_TRUE(numbers(search(oem)).contains(no)) << oem.toStdString();
}

} // namespace
