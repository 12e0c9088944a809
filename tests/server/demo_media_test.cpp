// Demo media tests: the GIF writer's frames decode to the very pixels given, the PDF's cross
// references point at its objects and its text carries the Turkish letters.
#include "demo/media.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

TEST(DemoGif, FramesDecodeToTheirPixels)
{
    // Noise fills the code table many times over (resets at 4096 codes), a gradient makes long
    // runs, a single colour the longest ones; together they cross every code width.
    constexpr int w = 160, h = 120;
    demo::Random r(42);
    std::vector<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(qRgb(r.below(256), r.below(256), r.below(256)));
    std::vector<std::vector<std::uint8_t>> frames(3, std::vector<std::uint8_t>(w * h));
    for (int i = 0; i < w * h; ++i) {
        frames[0][i] = std::uint8_t(r.below(256));
        frames[1][i] = std::uint8_t((i % w + i / w) % 256);
        frames[2][i] = 7;
    }
    QBuffer buf;
    buf.setData(demo::media::gif(w, h, palette, frames, 10));
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "gif");
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const QImage img = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(img.isNull()) << "frame " << f << ": " << reader.errorString().toStdString();
        ASSERT_EQ(img.size(), QSize(w, h));
        int wrong = 0;
        for (int i = 0; i < w * h; ++i)
            wrong += (img.pixel(i % w, i / w) & 0xFFFFFF) != (palette[frames[f][i]] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
    EXPECT_TRUE(reader.read().isNull()); // no frame more than written
}

TEST(DemoPdf, CrossReferencesPointAtTheObjects)
{
    const QByteArray pdf =
        demo::media::textPdf(QStringLiteral("Ödeme Dekontu"), {QStringLiteral("Şişli (İstanbul) ğüıç"), QString()});
    ASSERT_TRUE(pdf.startsWith("%PDF-1.4\n"));
    ASSERT_TRUE(pdf.endsWith("%%EOF\n"));
    const qsizetype sx = pdf.lastIndexOf("startxref\n");
    ASSERT_GT(sx, 0);
    const qsizetype xref = pdf.mid(sx + 10).split('\n').first().toLongLong();
    ASSERT_TRUE(pdf.mid(xref).startsWith("xref\n0 6\n"));
    const QList<QByteArray> entries = pdf.mid(xref).split('\n').mid(3, 5);
    for (int i = 0; i < entries.size(); ++i) {
        const qsizetype at = entries[i].left(10).toLongLong();
        EXPECT_TRUE(pdf.mid(at).startsWith(QByteArray(QByteArray::number(i + 1) + " 0 obj"))) << "object " << i + 1;
    }
    // Stream length as declared; Ş, ş, İ, ğ, ı on their mapped codes; ü, ç, Ö in Latin-1; parentheses escaped.
    const qsizetype len = pdf.mid(pdf.indexOf("/Length ") + 8).split(' ').first().toLongLong();
    const qsizetype start = pdf.indexOf("stream\n") + 7;
    EXPECT_EQ(pdf.indexOf("endstream"), start + len);
    EXPECT_TRUE(pdf.contains("(\x84i\x85li \\(\x82stanbul\\) \x81\xFC\x83\xE7) Tj"));
    EXPECT_TRUE(pdf.contains("(\xD6" "deme Dekontu) Tj"));
}
