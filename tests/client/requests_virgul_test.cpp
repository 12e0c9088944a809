// The comma-text form of the mail form's memo lines.
#include "requests/mailformu.h"

#include <gtest/gtest.h>

namespace {

TEST(VirgulluMetin, QuotesLinesThatNeedItAndDoublesQuotes)
{
    const struct {
        QStringList satirlar;
        QString beklenen;
    } cases[] = {
        {{QStringLiteral("Merhaba"), QStringLiteral("Yarın, öğlen")}, QStringLiteral("Merhaba,\"Yarın, öğlen\"")},
        {{QStringLiteral("a\"b")}, QStringLiteral("\"a\"\"b\"")},
        {{QStringLiteral("iki kelime"), QStringLiteral("tek")}, QStringLiteral("\"iki kelime\",tek")},
        {{QStringLiteral("sekme\tvar")}, QStringLiteral("\"sekme\tvar\"")},
        {{QString()}, QStringLiteral("\"\"")},
        {{QStringLiteral("son"), QString()}, QStringLiteral("son,")},
        {{QString(), QStringLiteral("ilk boş")}, QStringLiteral(",\"ilk boş\"")},
        {{}, QString()},
        {{QStringLiteral("ŞİŞLİ"), QStringLiteral("çğüöı")}, QStringLiteral("ŞİŞLİ,çğüöı")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VirgulluMetin(c.satirlar), c.beklenen) << c.satirlar.join(u'|').toStdString();
}

} // namespace
