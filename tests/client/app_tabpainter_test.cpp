// Counted tab captions: parsing and the red badge the painter draws.
#include "app/tabpainter.h"

#include <QApplication>
#include <QImage>
#include <QTabBar>

#include <gtest/gtest.h>

#include "support/qt_main.h"

namespace {

TEST(CaptionCoz, SplitsAtTheFirstEqualsSign)
{
    struct Case {
        QString caption;
        int sayi;
        QString baslik;
    };
    const QString longTitle(150, QLatin1Char('x'));
    const Case cases[] = {
        {QStringLiteral("Sepet"), 0, QStringLiteral("Sepet")},
        {QStringLiteral("12=Sepet"), 12, QStringLiteral("Sepet")},
        {QStringLiteral("0=Sepet"), 0, QStringLiteral("Sepet")},
        {QStringLiteral("-4=Sepet"), -4, QStringLiteral("Sepet")},
        {QStringLiteral("5=A=B"), 5, QStringLiteral("A=B")},
        {QStringLiteral("3=Yeni Stoklar"), 3, QStringLiteral("Yeni Stoklar")},
        {QStringLiteral("2,5=Bakiyeler"), 0, QStringLiteral("Bakiyeler")},
        {QStringLiteral("1.5E3=Bakiyeler"), 0, QStringLiteral("Bakiyeler")},
        {QStringLiteral("=Boş"), 0, QStringLiteral("Boş")},
        {QStringLiteral("7=") + longTitle, 7, QString(100, QLatin1Char('x'))},
    };
    for (const auto& c : cases) {
        const TSonuc r = CaptionCoz(c.caption);
        EXPECT_EQ(r.sayi, c.sayi) << c.caption.toStdString();
        EXPECT_EQ(r.baslik, c.baslik) << c.caption.toStdString();
    }
}

// Counts pure red pixels in the right half of the first tab's upper part.
int redPixelsTopRight(const QString& caption)
{
    QTabBar bar;
    bar.setStyle(new TTabColorControlStyleHook());
    bar.addTab(caption);
    bar.addTab(QStringLiteral("Diğer"));
    bar.resize(400, 60);
    bar.setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 130px; min-height: 50px; }"));
    bar.show();
    const QImage img = bar.grab().toImage();
    const QRect tab = bar.tabRect(0);
    int red = 0;
    for (int y = tab.top(); y < tab.top() + tab.height() / 2; ++y)
        for (int x = tab.center().x(); x <= tab.right(); ++x)
            if (img.pixelColor(x, y) == QColor(255, 0, 0))
                ++red;
    return red;
}

TEST(TabPainter, DrawsARedBadgeOnlyForAPositiveCount)
{
    EXPECT_GT(redPixelsTopRight(QStringLiteral("12=Sepet")), 0);
    EXPECT_EQ(redPixelsTopRight(QStringLiteral("Sepet")), 0);
    EXPECT_EQ(redPixelsTopRight(QStringLiteral("0=Sepet")), 0);
    EXPECT_EQ(redPixelsTopRight(QStringLiteral("-2=Sepet")), 0);
    EXPECT_EQ(redPixelsTopRight(QStringLiteral("2,5=Bakiyeler")), 0);
}

TEST(TabPainter, BadgeSitsAtTheUpperRightOfTheTab)
{
    const QRect tab(0, 0, 130, 50);
    const QFontMetrics fm(QApplication::font());
    const QRect b = TTabColorControlStyleHook::badgeRect(tab, QStringLiteral("(12)"), fm);
    EXPECT_EQ(b.right(), tab.right() - 2);
    EXPECT_EQ(b.top(), tab.top() + 2);
    EXPECT_GT(b.left(), tab.center().x());
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
