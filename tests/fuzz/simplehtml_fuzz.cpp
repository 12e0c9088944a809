// libFuzzer target for the simple HTML layout: parse, measure, draw, collect links and write back.
#include "widgets/simplehtml.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "simplehtml_fuzz";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives for the whole run: fonts need it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // Qt trims its font caches from timers; without an event loop they would only grow.
    static unsigned runs = 0;
    if (++runs % 256 == 0)
        QCoreApplication::processEvents();
    // The first byte chooses how the rest becomes text: UTF-8 with its invalid sequences, or raw
    // UTF-16 units with lone surrogates.
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype n = static_cast<qsizetype>(size - 1);
    const QString text = (data[0] & 1) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(rest), n / 2)
                                       : QString::fromUtf8(rest, n);

    TSimpleHTML doc(text);
    doc.DurPauseMs = 0;
    doc.OnGetImage = [](TSimpleHTML*, const QString& uri, QImage& img) {
        img = QImage(1 + int(uri.size() % 7), 1 + int(uri.size() % 5), QImage::Format_RGB32);
        img.fill(Qt::green);
    };
    static QImage surface(256, 32, QImage::Format_RGB32);
    QPainter painter(&surface);
    TCanvas canvas(&painter);
    canvas.Font.setPointSize(9);
    canvas.TextFlags = (data[0] & 2) ? kTextFlagRtlReading : 0;
    const QSize extent = doc.Extend(&canvas);
    if (extent.width() < 0 || extent.height() < 0)
        abort();
    doc.Draw(&canvas, QRect(0, 0, 256, 32));
    TSimpleLinks links;
    if (doc.CollectLinks(&canvas, QRect(0, 0, 256, 32), &links) != links.Count())
        abort();
    (void)doc.InnerText();
    (void)doc.OuterHTML();
    (void)DecodeEntities(text);
    (void)EncodeEntities(text);
    (void)ParseColor(text, Qt::black);
    if (doc.IsValid()) {
        // A valid document written back reads as the same markup.
        const QString written = doc.InnerHTML();
        TSimpleHTML again(written);
        if (!again.IsValid() || again.InnerHTML() != written)
            abort();
    }
    return 0;
}
