// The marquee control stepped by hand: properties, timer arming, loops, direction, re-wrapping,
// links, owner-drawn items, and the moved pixels against a fresh paint.
#include "widgets/realtimemarquee.h"

#include "support/qt_main.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// A shown marquee whose own timer never comes due within a test, so the test makes every tick.
class Marquee : public ::testing::Test {
protected:
    Marquee()
    {
        m.SetInterval(TRealTimeMarquee::kTimerPeriodMax);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPointSize(10);
        m.setFont(f);
    }
    void showAt(int w, int h)
    {
        m.resize(w, h);
        m.show();
        QCoreApplication::processEvents();
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            m.TimerTick();
    }
    // What the screen holds (the moved pixels) and what a fresh paint gives.
    QImage onScreen() { return QGuiApplication::primaryScreen()->grabWindow(m.winId()).toImage().convertToFormat(QImage::Format_RGB32); }
    QImage freshPaint() { return m.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    TRealTimeMarquee m;
};

int inkColumns(const QImage& img, QRgb background, int* first = nullptr, int* last = nullptr)
{
    int n = 0, lo = -1, hi = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) != background) {
                ++n;
                if (lo < 0)
                    lo = x;
                hi = x;
                break;
            }
    if (first)
        *first = lo;
    if (last)
        *last = hi;
    return n;
}

TEST_F(Marquee, DefaultsAndSetterRules)
{
    TRealTimeMarquee fresh;
    EXPECT_FALSE(fresh.Active());
    EXPECT_EQ(fresh.Interval(), 10u);
    EXPECT_EQ(fresh.Resolution(), 1u);
    EXPECT_EQ(fresh.Step(), 1);
    EXPECT_EQ(fresh.Spacing(), 100);
    EXPECT_EQ(fresh.LoopSpacing(), 100);
    EXPECT_EQ(fresh.NumLoops(), 0u);
    EXPECT_EQ(fresh.Orientation(), moHorizontal);
    EXPECT_EQ(fresh.Items()->Count(), 0);
    EXPECT_EQ(fresh.size(), QSize(200, 20));
    EXPECT_EQ(fresh.LoopCount(), 0u);
    EXPECT_EQ(fresh.VisibleCount(), 0);

    fresh.SetStep(0);
    EXPECT_EQ(fresh.Step(), 1);
    fresh.SetStep(7);
    EXPECT_EQ(fresh.Step(), 7);
    fresh.SetInterval(0);
    EXPECT_EQ(fresh.Interval(), TRealTimeMarquee::kTimerPeriodMin);
    fresh.SetInterval(4000000000u);
    EXPECT_EQ(fresh.Interval(), TRealTimeMarquee::kTimerPeriodMax);
    fresh.SetInterval(25);
    EXPECT_EQ(fresh.Resolution(), 2u);
    fresh.SetSpacing(250);
    EXPECT_EQ(fresh.Spacing(), 100);

    TMarqueeItem* item = fresh.Items()->Add();
    EXPECT_EQ(item->Text(), QString());
    EXPECT_EQ(item->Style(), msText);
    EXPECT_EQ(item->Alignment(), maCenter);
    EXPECT_EQ(item->Tag(), 0);
    EXPECT_EQ(item->Marquee(), &fresh);
    EXPECT_EQ(item->DisplayName(), u"TMarqueeItem");
    item->SetText(QStringLiteral("Duyuru"));
    EXPECT_EQ(item->DisplayName(), u"Duyuru");
}

TEST_F(Marquee, TimerIsArmedOnlyWithItemsWhileActiveAndShown)
{
    m.SetActive(true);
    EXPECT_FALSE(m.TimerArmed()) << "no window yet";
    showAt(200, 20);
    EXPECT_FALSE(m.TimerArmed()) << "no items";
    m.Items()->Add()->SetText(QStringLiteral("x"));
    EXPECT_TRUE(m.TimerArmed());
    m.Items()->Delete(0);
    EXPECT_FALSE(m.TimerArmed());
    m.Items()->Add()->SetText(QStringLiteral("y"));
    EXPECT_TRUE(m.TimerArmed());
    m.SetActive(false);
    EXPECT_FALSE(m.TimerArmed());
    tick();
    EXPECT_EQ(m.VisibleCount(), 0) << "a tick without an armed timer does nothing";
}

TEST_F(Marquee, FiniteLoopsStopAndWrapOnTheUiThread)
{
    showAt(120, 20);
    m.Items()->LoadFromStrings({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, msText);
    int wraps = 0;
    bool uiThread = true;
    m.SetOnWrap([&](TRealTimeMarquee*) {
        ++wraps;
        uiThread = uiThread && QThread::currentThread() == qApp->thread();
    });
    m.SetNumLoops(2);
    m.SetActive(true);
    int ticks = 0;
    while (m.Active() && ticks < 100000) {
        tick();
        ++ticks;
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(m.LoopCount(), 0u);
    EXPECT_EQ(m.VisibleCount(), 0);
    EXPECT_FALSE(m.TimerArmed());
    EXPECT_EQ(wraps, 2);
    EXPECT_TRUE(uiThread);

    QStringList saved;
    m.Items()->SaveToStrings(saved);
    EXPECT_EQ(saved, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
}

TEST_F(Marquee, RightToLeftControlsEnterAtTheLeftEdge)
{
    for (const bool rtl : {false, true}) {
        TRealTimeMarquee c;
        c.SetInterval(TRealTimeMarquee::kTimerPeriodMax);
        c.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
        c.resize(200, 20);
        c.show();
        c.Items()->Add()->SetText(QStringLiteral("Merhaba dünya"));
        c.SetActive(true);
        for (int i = 0; i < 20; ++i)
            c.TimerTick();
        QCoreApplication::processEvents();
        const QImage img = c.grab().toImage();
        int first = 0, last = 0;
        ASSERT_GT(inkColumns(img, c.Color().rgb(), &first, &last), 0);
        if (rtl) {
            EXPECT_LT(last, 20) << "only the 20 pixels entered from the left show";
        } else {
            EXPECT_GE(first, 180) << "only the 20 pixels entered from the right show";
        }
    }
}

// The ticks move the pixels already on screen and paint only the uncovered strip: after every
// refresh the screen must equal a fresh paint of the same state.
TEST_F(Marquee, MovedPixelsMatchAFreshPaint)
{
    for (const auto& [orientation, rtl] : {std::pair(moHorizontal, false), std::pair(moHorizontal, true), std::pair(moVertical, false)}) {
        TRealTimeMarquee c;
        c.SetInterval(TRealTimeMarquee::kTimerPeriodMax);
        c.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
        c.SetOrientation(orientation);
        c.resize(orientation == moVertical ? QSize(120, 90) : QSize(260, 24));
        c.show();
        QCoreApplication::processEvents();
        c.SetSpacing(10);
        c.SetLoopSpacing(30);
        c.Items()->Add()->SetText(QStringLiteral("Kampanya: fren balatası"));
        TMarqueeItem* html = c.Items()->Add();
        html->SetStyle(msHTML);
        html->SetText(QStringLiteral("<b>Yeni</b> <font color=red>ürün</font> &bull; <a href=x>bak</a>"));
        c.SetActive(true);
        for (int round = 0; round < 60; ++round) {
            for (int i = 0; i <= round % 4; ++i) // one to four ticks between refreshes
                c.TimerTick();
            QCoreApplication::processEvents();
            const QImage screen = QGuiApplication::primaryScreen()->grabWindow(c.winId()).toImage().convertToFormat(QImage::Format_RGB32);
            const QImage fresh = c.grab().toImage().convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(screen, fresh) << "orientation " << orientation << " rtl " << rtl << " round " << round;
        }
        EXPECT_GT(inkColumns(c.grab().toImage(), c.Color().rgb()), 10);
    }
}

TEST_F(Marquee, VerticalTextRewrapsWhenResized)
{
    m.SetOrientation(moVertical);
    showAt(400, 200);
    TMarqueeItem* item = m.Items()->Add();
    item->SetText(QStringLiteral("bir iki üç dört beş altı yedi sekiz dokuz on on bir on iki"));
    m.SetActive(true);
    tick(5);
    const int wide = item->Height();
    const int wideWidth = item->Width();
    m.resize(120, 200);
    QCoreApplication::processEvents();
    EXPECT_GT(item->Height(), wide) << "narrower: more lines";
    EXPECT_LE(item->Width(), 120);
    EXPECT_LT(item->Width(), wideWidth);
    m.resize(400, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(item->Height(), wide);

    // Horizontal text stays on one line whatever the width.
    m.SetOrientation(moHorizontal);
    const int line = item->Height();
    m.resize(60, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(item->Height(), line);
    EXPECT_GT(item->Width(), 60);
}

TEST_F(Marquee, LinkUnderTheMouseShowsTheHandAndClickRaisesOnLink)
{
    showAt(400, 24);
    TMarqueeItem* item = m.Items()->Add();
    item->SetStyle(msHTML);
    item->SetText(QStringLiteral("Haber <a href=\"https://example.invalid/haber?id=1&amp;s=2\">ayrıntı</a> sonu"));
    QStringList opened;
    m.SetOnLink([&](TRealTimeMarquee*, const QString& link) { opened << link; });
    m.SetActive(true);
    const int n = item->Width() + 20; // the whole item has entered
    tick(n);
    QCoreApplication::processEvents();
    ASSERT_EQ(m.VisibleCount(), 1);
    ASSERT_EQ(item->Links()->Count(), 1);
    const QRect area = item->Links()->Bounds(0);
    const QPoint itemTopLeft(400 - n, (24 - item->Height()) / 2);
    const QPoint onLink = itemTopLeft + area.center();
    QString link;
    ASSERT_TRUE(m.LinkAtPos(onLink, link));
    EXPECT_EQ(link, u"https://example.invalid/haber?id=1&s=2");
    EXPECT_FALSE(m.LinkAtPos(itemTopLeft + QPoint(area.left() - 2, area.center().y()), link));
    EXPECT_FALSE(m.LinkAtPos(itemTopLeft + QPoint(area.right() + 2, area.center().y()), link));

    QMouseEvent move(QEvent::MouseMove, QPointF(onLink), m.mapToGlobal(QPointF(onLink)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m, &move);
    EXPECT_EQ(m.cursor().shape(), Qt::PointingHandCursor);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(onLink), m.mapToGlobal(QPointF(onLink)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(onLink), m.mapToGlobal(QPointF(onLink)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m, &press);
    QCoreApplication::sendEvent(&m, &release);
    EXPECT_EQ(opened, QStringList{link});

    const QPoint off = itemTopLeft + QPoint(2, area.center().y());
    QMouseEvent away(QEvent::MouseMove, QPointF(off), m.mapToGlobal(QPointF(off)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m, &away);
    EXPECT_NE(m.cursor().shape(), Qt::PointingHandCursor);
    QMouseEvent press2(QEvent::MouseButtonPress, QPointF(off), m.mapToGlobal(QPointF(off)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release2(QEvent::MouseButtonRelease, QPointF(off), m.mapToGlobal(QPointF(off)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&m, &press2);
    QCoreApplication::sendEvent(&m, &release2);
    EXPECT_EQ(opened.size(), 1) << "a click beside the link opens nothing";
}

TEST_F(Marquee, OwnerDrawnItemsTakeTheSizeTheirHandlerGives)
{
    showAt(200, 20);
    m.SetSpacing(0);
    m.SetLoopSpacing(0);
    int calls = 0;
    m.SetOnDrawItem([&](TRealTimeMarquee*, TMarqueeItem* item, TMarqueeBitmap& bmp) {
        ++calls;
        if (item->Tag() == 1) {
            bmp.Color = Qt::red;
            bmp.SetSize(30, 10);
        }
    });
    TMarqueeItem* drawn = m.Items()->Add();
    drawn->SetStyle(msOwnerDraw);
    drawn->SetTag(1);
    TMarqueeItem* empty = m.Items()->Add();
    empty->SetStyle(msOwnerDraw);
    m.SetActive(true);
    tick(35);
    QCoreApplication::processEvents();
    EXPECT_EQ(drawn->Width(), 30);
    EXPECT_EQ(empty->Width(), 0);
    EXPECT_EQ(empty->Height(), 0);
    // The red item entered 35 pixels ago: x 165..194, y 5..14. The empty item takes no room and
    // the gaps are 0, so the next red copy follows right behind it.
    const QImage img = m.grab().toImage();
    EXPECT_EQ(img.pixel(165, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(194, 14), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(199, 10), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(164, 10), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(170, 4), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(170, 15), qRgb(255, 0, 0));
    const int before = calls;
    tick(10);
    EXPECT_EQ(calls, before) << "prepared once, then only copied";
    m.setFont(QFont(QStringLiteral("DejaVu Serif")));
    EXPECT_FALSE(drawn->Prepared()) << "a font change renders the items again";
}

TEST_F(Marquee, ChangingAShowingItemRendersItAgain)
{
    showAt(300, 20);
    TMarqueeItem* item = m.Items()->Add();
    item->SetText(QStringLiteral("kısa"));
    m.SetActive(true);
    tick(10);
    const int w = item->Width();
    ASSERT_TRUE(item->Showing());
    item->SetText(QStringLiteral("çok daha uzun bir duyuru metni"));
    EXPECT_GT(item->Width(), w);
    item->SetAlignment(maLeftOrTop);
    EXPECT_TRUE(item->Prepared()) << "horizontal: the alignment only places the picture";

    // Inside an update bracket the marquee hears of the change once, at the end.
    m.Items()->BeginUpdate();
    m.Items()->Add()->SetText(QStringLiteral("iki"));
    m.Items()->Add()->SetText(QStringLiteral("üç"));
    EXPECT_EQ(m.Items()->Count(), 3);
    m.Items()->EndUpdate();
    TMarqueeCollection other;
    other.Add()->SetText(QStringLiteral("başka"));
    m.SetItems(other);
    ASSERT_EQ(m.Items()->Count(), 1);
    EXPECT_EQ(m.Items()->Items(0)->Text(), u"başka");
    EXPECT_EQ(m.Items()->Items(0)->Marquee(), &m);
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
