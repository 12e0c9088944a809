// The marquee on its own timer thread: wraps reach the UI thread, and ticks against painting and
// changes on the UI thread keep the screen consistent (also run under ThreadSanitizer).
#include "widgets/realtimemarquee.h"

#include "support/qt_main.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(MarqueeThread, WrapsArriveOnTheUiThread)
{
    TRealTimeMarquee m;
    m.SetInterval(1);
    m.SetStep(20);
    m.SetLoopSpacing(0);
    m.resize(200, 20);
    m.show();
    m.Items()->Add()->SetText(QStringLiteral("x"));
    std::atomic<int> ticks{0};
    std::atomic<bool> tickOnUi{false};
    m.SetTickObserver([&] {
        ++ticks;
        if (QThread::currentThread() == qApp->thread())
            tickOnUi = true;
    });
    int wraps = 0;
    bool allOnUi = true;
    m.SetOnWrap([&](TRealTimeMarquee*) {
        ++wraps;
        allOnUi = allOnUi && QThread::currentThread() == qApp->thread();
    });
    m.SetActive(true);
    EXPECT_TRUE(waitUntil([&] { return wraps >= 3; }, 20000));
    m.SetActive(false);
    EXPECT_TRUE(allOnUi);
    EXPECT_FALSE(tickOnUi) << "ticks run on the timer thread";
    EXPECT_GT(ticks.load(), 0);
}

// While the timer thread ticks every millisecond, the UI thread paints, grabs, changes items,
// fonts, sizes and direction. Afterwards the screen must equal a fresh paint.
TEST(MarqueeThread, TicksAgainstPaintingAndChanges)
{
    TRealTimeMarquee m;
    m.SetInterval(1);
    m.SetStep(2);
    m.SetSpacing(10);
    m.SetLoopSpacing(20);
    m.resize(300, 24);
    m.show();
    m.SetOnDrawItem([](TRealTimeMarquee*, TMarqueeItem*, TMarqueeBitmap& bmp) {
        bmp.Color = Qt::darkGreen;
        bmp.SetSize(40, 12);
    });
    m.SetOnImage([](TRealTimeMarquee*, const QString&, QImage& img) {
        img = QImage(8, 8, QImage::Format_RGB32);
        img.fill(Qt::blue);
    });
    m.Items()->Add()->SetText(QStringLiteral("Metin öğesi"));
    TMarqueeItem* html = m.Items()->Add();
    html->SetStyle(msHTML);
    html->SetText(QStringLiteral("<b>HTML</b> <img src=p /> <a href=x>bağlantı</a>"));
    m.Items()->Add()->SetStyle(msOwnerDraw);
    std::atomic<int> ticks{0};
    m.SetTickObserver([&] { ++ticks; });
    m.SetActive(true);

    QElapsedTimer t;
    t.start();
    int round = 0;
    while (t.elapsed() < 1500) {
        QCoreApplication::processEvents();
        (void)m.grab();
        QString link;
        m.LinkAtPos(QPoint(150, 12), link);
        switch (round++ % 8) {
        case 0: m.Items()->Items(0)->SetText(QStringLiteral("Metin %1").arg(round)); break;
        case 1: m.resize(280 + round % 40, 24); break;
        case 2: m.setFont(QFont(QStringLiteral("DejaVu Sans"), 8 + round % 4)); break;
        case 3: m.Items()->Add()->SetText(QStringLiteral("ek")); break;
        case 4: if (m.Items()->Count() > 3) m.Items()->Delete(m.Items()->Count() - 1); break;
        case 5: m.setLayoutDirection(round % 16 < 8 ? Qt::RightToLeft : Qt::LeftToRight); break;
        case 6: m.SetColor(round % 3 ? Qt::white : Qt::yellow); break;
        default: m.repaint(); break;
        }
        QThread::usleep(500);
    }
    EXPECT_GT(ticks.load(), 100) << "the timer thread ticked alongside";
    // Then plain scrolling for a while, so the last refreshes move pixels rather than repaint all.
    t.restart();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    m.SetActive(false);
    ASSERT_TRUE(waitUntil([&] { return !m.TimerArmed(); }, 5000));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(m.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = m.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(screen, fresh);
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
