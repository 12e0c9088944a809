// Demo pictures (JPEG, GIF, BMP) and a small PDF writer; nothing here needs a font or a display.
#include "media.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace demo::media {

namespace {

QByteArray encode(const QImage& img, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format, quality);
    return bytes;
}

QColor hue(Random& r, int saturation, int value)
{
    return QColor::fromHsv(r.below(360), saturation, value);
}

} // namespace

QByteArray productPicture(Random& r, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, height);
    bg.setColorAt(0, hue(r, 20, 250));
    bg.setColorAt(1, hue(r, 35, 215));
    p.fillRect(img.rect(), bg);

    const QPointF c(width / 2.0, height / 2.0);
    const double s = std::min(width, height) * 0.38;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(QPointF(c.x() + s * 0.12, c.y() + s * 0.9), s * 0.95, s * 0.18); // shadow

    switch (r.below(4)) {
    case 0: { // brake disc
        QRadialGradient g(c, s);
        g.setColorAt(0, QColor(215, 215, 220));
        g.setColorAt(1, QColor(120, 122, 130));
        p.setBrush(g);
        p.drawEllipse(c, s, s);
        p.setBrush(QColor(90, 92, 98));
        p.drawEllipse(c, s * 0.42, s * 0.42);
        p.setBrush(QColor(240, 240, 240));
        for (int i = 0; i < 5; ++i) {
            const double a = i * 2 * M_PI / 5;
            p.drawEllipse(QPointF(c.x() + std::cos(a) * s * 0.27, c.y() + std::sin(a) * s * 0.27), s * 0.06, s * 0.06);
        }
        break;
    }
    case 1: { // brake pad
        p.setBrush(QColor(70, 72, 78));
        p.drawRoundedRect(QRectF(c.x() - s, c.y() - s * 0.45, 2 * s, s * 0.9), s * 0.2, s * 0.2);
        p.setBrush(hue(r, 120, 140));
        p.drawRoundedRect(QRectF(c.x() - s * 0.85, c.y() - s * 0.3, 1.7 * s, s * 0.6), s * 0.1, s * 0.1);
        break;
    }
    case 2: { // filter can
        const QColor body = hue(r, 170, 200);
        QLinearGradient g(c.x() - s * 0.6, 0, c.x() + s * 0.6, 0);
        g.setColorAt(0, body.darker(140));
        g.setColorAt(0.4, body.lighter(130));
        g.setColorAt(1, body.darker(160));
        p.setBrush(g);
        p.drawRect(QRectF(c.x() - s * 0.6, c.y() - s * 0.7, s * 1.2, s * 1.4));
        p.setBrush(body.darker(180));
        p.drawEllipse(QPointF(c.x(), c.y() + s * 0.7), s * 0.6, s * 0.15);
        p.setBrush(QColor(200, 200, 205));
        p.drawEllipse(QPointF(c.x(), c.y() - s * 0.7), s * 0.6, s * 0.15);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawRect(QRectF(c.x() - s * 0.6, c.y() - s * 0.15, s * 1.2, s * 0.3));
        break;
    }
    default: { // boxed part
        const QColor box = hue(r, 150, 210);
        QPainterPath front;
        front.addRect(QRectF(c.x() - s * 0.8, c.y() - s * 0.4, s * 1.2, s * 1.1));
        p.setBrush(box);
        p.drawPath(front);
        QPainterPath top;
        top.moveTo(c.x() - s * 0.8, c.y() - s * 0.4);
        top.lineTo(c.x() - s * 0.4, c.y() - s * 0.8);
        top.lineTo(c.x() + s * 0.8, c.y() - s * 0.8);
        top.lineTo(c.x() + s * 0.4, c.y() - s * 0.4);
        top.closeSubpath();
        p.setBrush(box.lighter(125));
        p.drawPath(top);
        QPainterPath side;
        side.moveTo(c.x() + s * 0.4, c.y() - s * 0.4);
        side.lineTo(c.x() + s * 0.8, c.y() - s * 0.8);
        side.lineTo(c.x() + s * 0.8, c.y() + s * 0.3);
        side.lineTo(c.x() + s * 0.4, c.y() + s * 0.7);
        side.closeSubpath();
        p.setBrush(box.darker(130));
        p.drawPath(side);
        p.setBrush(QColor(210, 0, 1));
        p.drawRect(QRectF(c.x() - s * 0.8, c.y() + s * 0.05, s * 1.2, s * 0.2));
    }
    }
    p.end();
    return encode(img, "JPEG", 85);
}

QByteArray posterPicture(Random& r, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor base = hue(r, 200, 190);
    QLinearGradient bg(0, 0, width, height);
    bg.setColorAt(0, base.lighter(140));
    bg.setColorAt(1, base.darker(150));
    p.fillRect(img.rect(), bg);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        QColor c = hue(r, 120, 255);
        c.setAlpha(70);
        p.setBrush(c);
        const double d = r.between(height / 4, height);
        p.drawEllipse(QRectF(r.below(width) - d / 2, r.below(height) - d / 2, d, d));
    }
    p.setBrush(QColor(210, 0, 1));
    p.drawRect(QRectF(0, height * 0.72, width, height * 0.12));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRoundedRect(QRectF(width * 0.08, height * 0.18, width * 0.5, height * 0.42), 18, 18);
    p.end();
    return encode(img, "JPEG", 85);
}

namespace {

// Packs variable-width codes least significant bit first, as GIF wants them.
class BitWriter {
public:
    void put(int code, int bits)
    {
        acc_ |= std::uint32_t(code) << n_;
        n_ += bits;
        while (n_ >= 8) {
            out.push_back(char(acc_ & 0xFF));
            acc_ >>= 8;
            n_ -= 8;
        }
    }
    void flush()
    {
        if (n_ > 0)
            out.push_back(char(acc_ & 0xFF));
        acc_ = 0;
        n_ = 0;
    }
    QByteArray out;

private:
    std::uint32_t acc_ = 0;
    int n_ = 0;
};

// LZW compression of one frame's 8-bit colour indexes.
QByteArray lzw(const std::vector<std::uint8_t>& pixels)
{
    constexpr int clear = 256, end = 257;
    BitWriter w;
    std::unordered_map<std::uint32_t, int> dict;
    int next = end + 1;
    int width = 9;
    w.put(clear, width);
    int prefix = pixels.empty() ? -1 : pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint32_t key = std::uint32_t(prefix) << 8 | pixels[i];
        if (auto it = dict.find(key); it != dict.end()) {
            prefix = it->second;
            continue;
        }
        w.put(prefix, width);
        // The decoder learns each code one step later, so the width grows once the code just
        // assigned no longer fits.
        dict.emplace(key, next);
        if (next == (1 << width) && width < 12)
            ++width;
        if (++next == 4096) {
            w.put(clear, width);
            dict.clear();
            next = end + 1;
            width = 9;
        }
        prefix = pixels[i];
    }
    if (prefix >= 0)
        w.put(prefix, width);
    w.put(end, width);
    w.flush();
    return w.out;
}

void put16(QByteArray& b, int v)
{
    b.push_back(char(v & 0xFF));
    b.push_back(char((v >> 8) & 0xFF));
}

} // namespace

QByteArray gif(int width, int height, const std::vector<QRgb>& palette,
               const std::vector<std::vector<std::uint8_t>>& frames, int delay)
{
    QByteArray out("GIF89a");
    put16(out, width);
    put16(out, height);
    out.push_back(char(0xF7)); // global colour table of 256 entries
    out.push_back(char(0));
    out.push_back(char(0));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < int(palette.size()) ? palette[std::size_t(i)] : qRgb(0, 0, 0);
        out.push_back(char(qRed(c)));
        out.push_back(char(qGreen(c)));
        out.push_back(char(qBlue(c)));
    }
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19); // loop for ever
    for (const auto& pixels : frames) {
        out.append("\x21\xF9\x04\x04", 4); // graphic control: keep the frame, delay follows
        put16(out, delay);
        out.append("\x00\x00", 2);
        out.push_back(char(0x2C));
        put16(out, 0);
        put16(out, 0);
        put16(out, width);
        put16(out, height);
        out.push_back(char(0));
        out.push_back(char(8)); // minimum code size
        const QByteArray data = lzw(pixels);
        for (qsizetype i = 0; i < data.size(); i += 255) {
            const qsizetype n = std::min<qsizetype>(255, data.size() - i);
            out.push_back(char(n));
            out.append(data.constData() + i, n);
        }
        out.push_back(char(0));
    }
    out.push_back(char(0x3B));
    return out;
}

QByteArray animatedGif(Random& r, int width, int height, int frames)
{
    // Palette: a ramp between two colours (0..223) and a ramp towards white for the moving light (224..255).
    const QColor a = hue(r, 220, 200), b = hue(r, 200, 120);
    std::vector<QRgb> palette;
    const auto mix = [](const QColor& from, const QColor& to, double t) {
        return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t, from.greenF() + (to.greenF() - from.greenF()) * t,
                                from.blueF() + (to.blueF() - from.blueF()) * t)
            .rgb();
    };
    for (int i = 0; i < 224; ++i)
        palette.push_back(mix(a, b, i / 223.0));
    for (int i = 0; i < 32; ++i)
        palette.push_back(mix(a, Qt::white, i / 31.0));

    std::vector<std::vector<std::uint8_t>> images;
    for (int f = 0; f < frames; ++f) {
        std::vector<std::uint8_t> pixels(std::size_t(width) * height);
        const int band = (width + 80) * f / std::max(1, frames) - 40;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int d = std::abs(x - band + (y - height / 2) / 2);
                pixels[std::size_t(y) * width + x] =
                    std::uint8_t(d < 32 ? 255 - d : ((x * 223 / std::max(1, width - 1)) + y) % 224);
            }
        images.push_back(std::move(pixels));
    }
    return gif(width, height, palette, images, 12);
}

QByteArray bitmap(Random& r, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient bg(0, 0, width, 0);
    bg.setColorAt(0, QColor(210, 0, 1));
    bg.setColorAt(0.5, hue(r, 160, 120));
    bg.setColorAt(1, QColor(61, 65, 74));
    p.fillRect(img.rect(), bg);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    for (int x = r.below(40); x < width; x += 90)
        p.drawRect(QRectF(x, 0, 30, height));
    p.end();
    return encode(img, "BMP");
}

namespace {

// Standard-font text with the Turkish letters the Latin-1 range lacks mapped onto spare codes.
QByteArray pdfText(const QString& s)
{
    QByteArray out;
    for (QChar ch : s) {
        char c;
        switch (ch.unicode()) {
        case u'Ğ': c = char(0x80); break;
        case u'ğ': c = char(0x81); break;
        case u'İ': c = char(0x82); break;
        case u'ı': c = char(0x83); break;
        case u'Ş': c = char(0x84); break;
        case u'ş': c = char(0x85); break;
        default: c = ch.unicode() < 256 ? char(ch.unicode()) : '?';
        }
        if (c == '(' || c == ')' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

} // namespace

QByteArray textPdf(const QString& title, const QStringList& lines)
{
    QByteArray content = "BT /F1 16 Tf 56 780 Td (" + pdfText(title) + ") Tj /F1 11 Tf 0 -32 Td 16 TL\n";
    for (const QString& l : lines)
        content += "(" + pdfText(l) + ") Tj T*\n";
    content += "ET\n";

    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> "
        "/Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Type /Encoding "
        "/BaseEncoding /WinAnsiEncoding /Differences [128 /Gbreve /gbreve /Idotaccent /dotlessi /Scedilla "
        "/scedilla] >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream",
    };
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<qsizetype> offsets;
    int n = 0;
    for (const QByteArray& o : objects) {
        offsets.push_back(pdf.size());
        pdf += QByteArray::number(++n) + " 0 obj\n" + o + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(n + 1) + "\n0000000000 65535 f \n";
    for (qsizetype off : offsets)
        pdf += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(n + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace demo::media
