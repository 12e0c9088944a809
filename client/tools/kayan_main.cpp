// Shows the marquee alone: an HTML news line, a banner of owner-drawn and text items, and a
// vertical list; with --kareler it saves screen captures a tenth of a second apart and ends.
#include "widgets/realtimemarquee.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace {

// The banner's picture, drawn by the owner-draw handler.
void drawBanner(TRealTimeMarquee*, TMarqueeItem* item, TMarqueeBitmap& bmp)
{
    bmp.SetSize(220, 28);
    QPainter p(&bmp.Image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 220, 0);
    g.setColorAt(0, QColor(0xC0, 0x1F, 0x1F));
    g.setColorAt(1, QColor(0xF0, 0x8A, 0x24));
    p.fillRect(bmp.Image.rect(), g);
    QFont f = bmp.Font;
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(bmp.Image.rect(), Qt::AlignCenter, item->Text());
}

// How far the content moved between two captures (left, or up when vertical): the shift under
// which the overlapping pixels differ least, and how many still differ.
int movedBy(const QImage& before, const QImage& after, bool vertical, int* differing)
{
    int best = 0;
    *differing = INT_MAX;
    const int w = after.width(), h = after.height();
    for (int s = 0; s <= 60; ++s) {
        int diff = 0;
        for (int y = 0; y < h - (vertical ? s : 0); ++y)
            for (int x = 0; x < w - (vertical ? 0 : s); ++x)
                diff += after.pixel(x, y) != before.pixel(vertical ? x : x + s, vertical ? y + s : y);
        if (diff < *differing) {
            *differing = diff;
            best = s;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({QStringLiteral("kareler"), QStringLiteral("save screen captures into this folder, then end"), QStringLiteral("klasor")});
    args.addOption({QStringLiteral("adet"), QStringLiteral("number of captures"), QStringLiteral("sayi"), QStringLiteral("10")});
    args.addOption({QStringLiteral("gecikme"), QStringLiteral("milliseconds before the first capture"), QStringLiteral("ms"), QStringLiteral("1500")});
    args.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Kayan yazı"));
    auto* layout = new QVBoxLayout(&window);
    auto* status = new QLabel(QStringLiteral("Bir bağlantıya tıklayın."));

    auto* news = new TRealTimeMarquee;
    news->setMinimumSize(640, 24);
    news->SetColor(QColor(0xFF, 0xFB, 0xF0));
    TMarqueeItem* line = news->Items()->Add();
    line->SetStyle(msHTML);
    line->SetText(QStringLiteral(
        "<b>Duyuru:</b> Fren balatalarında <font color=#c00000><b>%15 indirim</b></font> &bull; "
        "Yeni gelen <i>amortisör</i> takımları stokta &bull; Sipariş tutarınız 5.000&nbsp;&euro; üstündeyse "
        "<font bgcolor=yellow>kargo bedava</font> &bull; <a href=\"https://example.invalid/kampanya\">Ayrıntılar</a> "
        "&bull; H<sub>2</sub>O ve m<sup>2</sup> de olur"));
    news->SetOnLink([status](TRealTimeMarquee*, const QString& link) { status->setText(QStringLiteral("Bağlantı: ") + link); });

    auto* banner = new TRealTimeMarquee;
    banner->setMinimumSize(640, 32);
    banner->SetColor(QColor(0x20, 0x24, 0x2B));
    QPalette pal = banner->palette();
    pal.setColor(QPalette::WindowText, QColor(0xE8, 0xE8, 0xE8));
    banner->setPalette(pal);
    banner->SetSpacing(10);
    banner->SetLoopSpacing(25);
    banner->SetStep(2);
    banner->SetOnDrawItem(drawBanner);
    for (const QString& t : {QStringLiteral("Kış kampanyası"), QStringLiteral("Akü haftası")}) {
        TMarqueeItem* item = banner->Items()->Add();
        item->SetText(t);
        item->SetStyle(msOwnerDraw);
    }
    banner->Items()->Insert(1)->SetText(QStringLiteral("Tüm bayilerimize iyi çalışmalar dileriz."));

    auto* vertical = new TRealTimeMarquee;
    vertical->setMinimumSize(640, 110);
    vertical->SetOrientation(moVertical);
    vertical->SetSpacing(15);
    vertical->SetLoopSpacing(40);
    vertical->Items()->LoadFromStrings({QStringLiteral("Yağ filtresi fiyatları güncellendi; yeni liste sistemde."),
                                        QStringLiteral("Cuma günü depo sayımı nedeniyle sevkiyat yapılmayacaktır."),
                                        QStringLiteral("<b>Kalın</b> ve <font color=navy>lacivert</font> HTML satırı")},
                                       msText);
    vertical->Items()->Items(1)->SetAlignment(maLeftOrTop);
    vertical->Items()->Items(2)->SetStyle(msHTML);

    layout->addWidget(news);
    layout->addWidget(banner);
    layout->addWidget(vertical);
    layout->addWidget(status);
    window.show();
    for (TRealTimeMarquee* m : {news, banner, vertical})
        m->SetActive(true);

    const QString dir = args.value(QStringLiteral("kareler"));
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        const int count = args.value(QStringLiteral("adet")).toInt();
        auto* shot = new QTimer(&app);
        int taken = 0;
        QImage previous;
        const std::pair<const char*, TRealTimeMarquee*> lines[] = {{"haber", news}, {"afiş", banner}, {"dikey", vertical}};
        // Captures what the screen holds, pixels moved by scrolling included, not a fresh paint.
        QObject::connect(shot, &QTimer::timeout, [&] {
            const QImage img = window.screen()->grabWindow(window.winId()).toImage();
            const QString file = QDir(dir).filePath(QStringLiteral("kare-%1.png").arg(++taken, 2, 10, QLatin1Char('0')));
            img.save(file);
            QTextStream out(stdout);
            out << file;
            if (!previous.isNull())
                for (const auto& [name, m] : lines) {
                    const QRect r = m->geometry();
                    int differing = 0;
                    const int moved = movedBy(previous.copy(r), img.copy(r), m->Orientation() == moVertical, &differing);
                    out << "  " << name << ": " << moved << " px (" << differing << " farklı piksel)";
                }
            out << Qt::endl;
            previous = img;
            if (taken >= count)
                app.quit();
        });
        shot->setTimerType(Qt::PreciseTimer);
        QTimer::singleShot(args.value(QStringLiteral("gecikme")).toInt(), [shot] { shot->start(100); });
    }
    return app.exec();
}
