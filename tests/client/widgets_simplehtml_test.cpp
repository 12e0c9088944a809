// The simple HTML layout: parsing, references, colours, measuring, drawing, links, and hostile markup.
#include "widgets/simplehtml.h"

#include "support/qt_main.h"

#include <QPainter>
#include <QPalette>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace {

// The tree as compact text: TAG(attr=value)[children] or TAG:"own text"; text nodes in quotes.
QString dump(const TSimpleHTMLNode* n)
{
    if (n->TagName().isEmpty())
        return u'"' + n->Text() + u'"';
    QString s = n->TagName();
    if (!n->AttributeList().empty()) {
        QStringList a;
        for (const auto& [name, value] : n->AttributeList())
            a << name + u'=' + value;
        s += u'(' + a.join(u' ') + u')';
    }
    if (n->HasChildren()) {
        QStringList c;
        for (int i = 0; i < n->ChildCount(); ++i)
            c << dump(n->Children(i));
        s += u'[' + c.join(u',') + u']';
    } else if (!n->Text().isEmpty()) {
        s += u":\"" + n->Text() + u'"';
    }
    return s;
}

struct ParseCase {
    const char* markup;
    bool valid;
    const char* tree;
};

TEST(SimpleHTMLParse, BuildsTheTreeTheAlgorithmGives)
{
    const ParseCase cases[] = {
        {"Hello <b>World</b>", true, R"(HTML["Hello ",B:"World"])"},
        {"<b>x</B>", true, R"(HTML[B:"x"])"},
        {"<b>x</i>", false, R"(HTML[B:"x"])"},
        {"a<br>b", false, R"(HTML["a",BR])"},
        {"plain text", true, R"(HTML:"plain text")"},
        {"a  \n b", true, "HTML:\"a  \n b\""},
        {"a &amp; b", true, R"(HTML:"a & b")"},
        {"&foo; x", true, R"(HTML:"&foo; x")"},
        {"a & b", true, R"(HTML:"a & b")"},
        {"&#65;&#x41;&#0;", true, R"(HTML:"A&#x41;&#0;")"},
        {"&AMP;&Dagger;", true, "HTML:\"&AMP;\u2021\""},
        {"x &foo <b>y</b>;", true, R"(HTML["x &foo ",B:"y",";"])"},
        {"<a href='x&foo;y&amp;'>l</a>", true, R"(HTML[A(href=xy&):"l"])"},
        {"<font color=red size = \"+2\">t</font>", true, R"(HTML[FONT(color=red size=+2):"t"])"},
        {"<b x y='' z=\"\">t</b>", true, R"(HTML[B:"t"])"},
        {"<b\r\n\t>x</b \n>", true, R"(HTML[B:"x"])"},
        {"<img src='p'/>t", true, R"(HTML[IMG(src=p),"t"])"},
        {"<img src=p/>t", false, R"(HTML[IMG(src=p/)])"},
        {"<img src=p />t", true, R"(HTML[IMG(src=p),"t"])"},
        {"<b></b>", true, "HTML[B]"},
        {"a<!-- <b> -->b", true, R"(HTML["a","b"])"},
        {"<b>x<!---->y</b>", true, R"(HTML[B["x","y"]])"},
        {"a<!-->b", false, R"(HTML["a"])"},
        {"<b>x</!-- c -->y</b>", true, R"(HTML[B["x","y"]])"},
        {"x</b>", false, R"(HTML:"x")"},
        {"<>", false, "HTML"},
        {"<b", false, "HTML"},
        {"<b x=>", false, "HTML"},
        {"<b x='1>", false, "HTML"},
        {"<b x=1", false, "HTML"},
        {"<b =1>", false, "HTML"},
        {"<b/ >", false, "HTML"},
        {"<b x>y", false, "HTML[B]"},
        {"<şey>x</ŞEY>", true, R"(HTML[ŞEY:"x"])"},
        {"<b><i>x</i>y</b>z", true, R"(HTML[B[I:"x","y"],"z"])"},
    };
    for (const ParseCase& c : cases) {
        TSimpleHTML doc(QString::fromUtf8(c.markup));
        EXPECT_EQ(doc.IsValid(), c.valid) << c.markup;
        EXPECT_EQ(dump(&doc), QString::fromUtf8(c.tree)) << c.markup;
    }
}

TEST(SimpleHTMLParse, NodesKnowTheirPlace)
{
    TSimpleHTML doc(QStringLiteral("a<B Href=x>b</B><i>c</i>"));
    ASSERT_EQ(doc.ChildCount(), 3);
    TSimpleHTMLNode* b = doc.Children(1);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(doc.Children(2)->Index(), 2);
    EXPECT_EQ(b->Parent(), &doc);
    EXPECT_EQ(b->Document(), &doc);
    EXPECT_EQ(doc.Document(), &doc);
    EXPECT_TRUE(b->HasAttribute(QStringLiteral("HREF")));
    EXPECT_EQ(b->Attributes(QStringLiteral("href")), u"x");
    EXPECT_EQ(b->Attributes(QStringLiteral("title")), QString());
    TSimpleHTMLNode loose;
    EXPECT_EQ(loose.Document(), nullptr);
    doc.RemoveChild(0);
    EXPECT_EQ(dump(&doc), uR"(HTML[B(Href=x):"b",I:"c"])");
    doc.RemoveAllChildren();
    EXPECT_FALSE(doc.HasChildren());
}

TEST(SimpleHTMLText, InnerTextAndHtmlWriteTheTreeBack)
{
    TSimpleHTML doc(QStringLiteral("<b>x &amp; y</b> <i title='a\"b&lt;'>z</i><br/>"));
    ASSERT_TRUE(doc.IsValid());
    EXPECT_EQ(doc.InnerText(), u"x & y   z ");
    EXPECT_EQ(doc.Children(2)->OuterHTML(), u"<I title=\"a&quot;b&lt;\">z</I>");
    EXPECT_EQ(doc.Children(3)->OuterHTML(), u"<BR/>");
    EXPECT_EQ(doc.InnerHTML(), u"<B>x &amp; y</B> <I title=\"a&quot;b&lt;\">z</I><BR/>");
    EXPECT_EQ(doc.OuterHTML(), u"<HTML><B>x &amp; y</B> <I title=\"a&quot;b&lt;\">z</I><BR/></HTML>");
}

// The sixty names, in table order.
const char* const kNames[] = {
    "nbsp",   "copy",  "reg",   "trade",  "sup1",   "sup2",   "sup3",   "quot",   "amp",    "lt",
    "gt",     "ndash", "mdash", "lsquo",  "rsquo",  "ldquo",  "rdquo",  "bull",   "dagger", "Dagger",
    "prime",  "Prime", "lsaquo", "rsaquo", "tilde", "circ",   "spades", "clubs",  "hearts", "diams",
    "loz",    "larr",  "rarr",  "uarr",   "darr",   "harr",   "not",    "frac14", "frac12", "frac34",
    "plusmn", "laquo", "raquo", "deg",    "ordf",   "ordm",   "iexcl",  "iquest", "euro",   "cent",
    "pound",  "yen",   "curren", "sect",  "para",   "macr",   "middot", "micro",  "times",  "divide"};

TEST(SimpleHTMLText, EveryNamedReferenceDecodesAndEncodesBack)
{
    QString all;
    for (const char* name : kNames) {
        bool ok = false;
        const QString c = DecodeEntity(QString::fromLatin1(name), &ok);
        ASSERT_TRUE(ok) << name;
        ASSERT_EQ(c.size(), 1) << name;
        EXPECT_EQ(EncodeEntities(c), u'&' + QString::fromLatin1(name) + u';') << name;
        all += c;
    }
    EXPECT_EQ(QSet<QChar>(all.begin(), all.end()).size(), 60) << "two names give the same character";
    const std::pair<const char*, char16_t> known[] = {
        {"nbsp", 0xA0}, {"trade", 0x2122}, {"ordf", 0xAA}, {"euro", 0x20AC}, {"divide", 0xF7}, {"quot", 0x22}, {"Dagger", 0x2021}};
    for (const auto& [name, code] : known) {
        bool ok = false;
        EXPECT_EQ(DecodeEntity(QString::fromLatin1(name), &ok), QString(QChar(code))) << name;
    }
}

TEST(SimpleHTMLText, ReferencesInTextAndAttributes)
{
    struct Case {
        const char* in;
        const char* decoded;
    } const cases[] = {
        {"a&amp;b&foo;c&d", "a&bc&d"},
        {"&#65;&#x41;&#0;&#;", "A"},
        {"x & y; z", "x  z"},
        {"no ampersand; here", "no ampersand; here"},
        {"&#128512;&#1114112;", "\xF0\x9F\x98\x80"},
        {"&amp", "&amp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeEntities(QString::fromUtf8(c.in)), QString::fromUtf8(c.decoded)) << c.in;
    EXPECT_EQ(EncodeEntities(QStringLiteral("<a & \"b\"> 5€")), u"&lt;a &amp; &quot;b&quot;&gt; 5&euro;");
}

TEST(SimpleHTMLText, ParseColorReadsHexAndNames)
{
    const QColor def(1, 2, 3);
    const std::pair<const char*, QColor> cases[] = {
        {"#f00", QColor(255, 0, 0)},   {"red", QColor(255, 0, 0)},       {"ReD", QColor(255, 0, 0)},
        {"#ff0", QColor(255, 255, 0)}, {"#ff00", def},                   {"#FF8000", QColor(255, 128, 0)},
        {"#abc", QColor(0xaa, 0xbb, 0xcc)}, {"#gg0000", def},            {"#", def},
        {"", def},                      {"nosuchcolour", def},            {"moneygreen", QColor(0xC0, 0xDC, 0xC0)},
        {"medgray", QColor(0xA0, 0xA0, 0xA4)}, {"fuchsia", QColor(255, 0, 255)}, {"default", def},
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(ParseColor(QString::fromLatin1(text), def), want) << text;
    EXPECT_EQ(ParseColor(QStringLiteral("window"), def), QGuiApplication::palette().color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(ParseColor(QStringLiteral("none"), def).alpha(), 0);
}

// Draws markup on a white picture with a black font of the given size.
QImage render(const QString& markup, int points, QColor color = Qt::black, quint32 flags = 0)
{
    QImage img(220, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    TCanvas canvas(&p);
    canvas.Font = QFont(QStringLiteral("DejaVu Sans"));
    canvas.Font.setPointSize(points);
    canvas.FontColor = color;
    canvas.Brush = QBrush(Qt::NoBrush);
    canvas.TextFlags = flags;
    TSimpleHTML doc(markup);
    doc.Draw(&canvas, QRect(4, 0, 212, 40));
    return img;
}

int inkPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

TEST(SimpleHTMLDraw, TagsDrawAsTheFontTheyName)
{
    struct Case {
        const char* markup;
        int points;
        QColor color;
        const char* same;
        int samePoints;
        QColor sameColor;
    } const cases[] = {
        {"<font size=+2>Hello</font>", 10, Qt::black, "Hello", 12, Qt::black},
        {"<font size=\"-3\">Hello</font>", 10, Qt::black, "Hello", 7, Qt::black},
        {"<font size=14>Hello</font>", 10, Qt::black, "Hello", 14, Qt::black},
        {"<font size=big>Hello</font>", 10, Qt::black, "Hello", 10, Qt::black},
        {"<font color=#f00>Hello</font>", 10, Qt::black, "Hello", 10, Qt::red},
        {"<font color=red>Hello</font>", 10, Qt::black, "Hello", 10, Qt::red},
        {"<font color=#ff0>Hello</font>", 10, Qt::black, "Hello", 10, Qt::yellow},
        {"<font color=#ff00>Hello</font>", 10, Qt::blue, "Hello", 10, Qt::blue},
        {"<big>Hello</big>", 10, Qt::black, "Hello", 13, Qt::black},
        {"<small>Hello</small>", 10, Qt::black, "Hello", 8, Qt::black},
    };
    for (const Case& c : cases) {
        const QImage want = render(QString::fromUtf8(c.same), c.samePoints, c.sameColor);
        ASSERT_GT(inkPixels(want), 20) << c.same;
        EXPECT_EQ(render(QString::fromUtf8(c.markup), c.points, c.color), want) << c.markup;
    }
    EXPECT_NE(render(QStringLiteral("<b>Hello</b>"), 10), render(QStringLiteral("Hello"), 10));
}

TEST(SimpleHTMLDraw, ExtendSumsChildrenAndMeasuresPictures)
{
    QImage device(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&device);
    canvas.Font = QFont(QStringLiteral("DejaVu Sans"));
    canvas.Font.setPointSize(10);
    TSimpleHTML doc(QStringLiteral("ab<font size=+2>cd</font><img src=p hspace=2 vspace=3 />"));
    int requests = 0;
    doc.OnGetImage = [&](TSimpleHTML*, const QString& uri, QImage& img) {
        ++requests;
        if (uri == u"p") {
            img = QImage(10, 40, QImage::Format_RGB32);
            img.fill(Qt::red);
        }
    };
    const QFontMetrics fm10(canvas.Font, &device);
    QFont f12 = canvas.Font;
    f12.setPointSize(12);
    const QFontMetrics fm12(f12, &device);
    const QSize s = doc.Extend(&canvas);
    EXPECT_EQ(s.width(), fm10.horizontalAdvance(QStringLiteral("ab")) + fm12.horizontalAdvance(QStringLiteral("cd")) + 14);
    EXPECT_EQ(s.height(), 46);
    doc.Extend(&canvas);
    EXPECT_EQ(requests, 1) << "the picture is cached";
    EXPECT_EQ(canvas.Font.pointSize(), 10) << "the canvas state is restored";

    TSimpleHTML sized(QStringLiteral("<img src=missing width=20 height=x />"));
    EXPECT_EQ(sized.Extend(&canvas), QSize(20, 0));
}

TEST(SimpleHTMLDraw, PicturesAreStretchedIntoTheirBox)
{
    TSimpleHTML doc(QStringLiteral("<img src=p width=20 height=10 hspace=5 /><sup><img src=p width=4 height=4 /></sup>"));
    doc.OnGetImage = [](TSimpleHTML*, const QString&, QImage& img) {
        img = QImage(2, 2, QImage::Format_RGB32);
        img.fill(Qt::red);
    };
    QImage img(60, 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        TCanvas canvas(&p);
        doc.Draw(&canvas, QRect(0, 0, 60, 30));
    }
    // First picture: x 5..24, vertically centred 10..19; second: right after 30, at the top.
    EXPECT_EQ(img.pixel(5, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(24, 19), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(4, 15), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(25, 15), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(5, 9), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(30, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(33, 3), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(34, 3), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(31, 5), qRgb(255, 255, 255));
}

TEST(SimpleHTMLDraw, RightToLeftDrawsFromTheRightEdge)
{
    const QImage ltr = render(QStringLiteral("Hello"), 10);
    const QImage rtl = render(QStringLiteral("Hello"), 10, Qt::black, kTextFlagRtlReading);
    const QImage dirAttr = render(QStringLiteral("<span dir=RtL>Hello</span>"), 10);
    auto inkRange = [](const QImage& img) {
        int lo = img.width(), hi = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return std::pair(lo, hi);
    };
    EXPECT_LT(inkRange(ltr).second, 110);
    EXPECT_GT(inkRange(rtl).first, 110);
    EXPECT_LE(inkRange(rtl).second, 216);
    EXPECT_EQ(dirAttr, rtl);
}

TEST(SimpleHTMLDraw, DurLetsPendingEventsRunWhileItWaits)
{
    TSimpleHTML doc(QStringLiteral("a<dur>b</dur>"));
    doc.DurPauseMs = 50;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QImage img(100, 20, QImage::Format_RGB32);
    QPainter p(&img);
    TCanvas canvas(&p);
    doc.Draw(&canvas, QRect(0, 0, 100, 20));
    EXPECT_TRUE(ran);
}

class SimpleHTMLLinks : public ::testing::Test {
protected:
    SimpleHTMLLinks() : device(1, 1, QImage::Format_RGB32), canvas(&device)
    {
        canvas.Font = QFont(QStringLiteral("DejaVu Sans"));
        canvas.Font.setPointSize(10);
    }
    int width(const QString& text, int points = 10) const
    {
        QFont f = canvas.Font;
        f.setPointSize(points);
        return QFontMetrics(f, &device).horizontalAdvance(text);
    }
    QImage device;
    TCanvas canvas;
};

TEST_F(SimpleHTMLLinks, LinkAreaStartsWhereTheTextBeforeItEnds)
{
    TSimpleHTML doc(QStringLiteral("Hello <a href=\"https://x.example/?a=1&amp;b=2\">World</a>!"));
    TSimpleLinks links;
    ASSERT_EQ(doc.CollectLinks(&canvas, QRect(10, 0, 300, 30), &links), 1);
    ASSERT_EQ(links.Count(), 1);
    EXPECT_EQ(links.Links(0), u"https://x.example/?a=1&b=2");
    const int h = QFontMetrics(canvas.Font, &device).height();
    EXPECT_EQ(links.Bounds(0), QRect(10 + width(QStringLiteral("Hello ")), (30 - h) / 2, width(QStringLiteral("World")), h));
    const QRect b = links.Bounds(0);
    EXPECT_EQ(links.IndexOfLinkAt(b.left(), b.center().y()), 0);
    EXPECT_EQ(links.IndexOfLinkAt(b.left() - 1, b.center().y()), -1);
    EXPECT_EQ(links.IndexOfLinkAt(b.right() + 1, b.center().y()), -1);
}

TEST_F(SimpleHTMLLinks, AreasFollowStyledTextAndDirection)
{
    TSimpleHTML doc(QStringLiteral("<font size=+2>big</font><b><a href=one>l1</a></b> <sub><a href=two>l2</a></sub>"));
    TSimpleLinks links;
    ASSERT_EQ(doc.CollectLinks(&canvas, QRect(0, 0, 400, 40), &links), 2);
    QFont bold = canvas.Font;
    bold.setBold(true);
    const QFontMetrics fb(bold, &device);
    const int l1 = fb.horizontalAdvance(QStringLiteral("l1"));
    EXPECT_EQ(links.Bounds(0), QRect(width(QStringLiteral("big"), 12), (40 - fb.height()) / 2, l1, fb.height()));
    QFont small = canvas.Font;
    small.setPointSize(7);
    const QFontMetrics fs(small, &device);
    EXPECT_EQ(links.Bounds(1),
              QRect(width(QStringLiteral("big"), 12) + l1 + width(QStringLiteral(" ")), 40 - fs.height(),
                    fs.horizontalAdvance(QStringLiteral("l2")), fs.height()));

    canvas.TextFlags = kTextFlagRtlReading;
    TSimpleHTML rtl(QStringLiteral("Hello <a href=x>World</a>"));
    links.Clear();
    ASSERT_EQ(rtl.CollectLinks(&canvas, QRect(0, 0, 400, 40), &links), 1);
    EXPECT_EQ(links.Bounds(0).right() + 1, 400 - width(QStringLiteral("Hello ")));
    EXPECT_EQ(links.Bounds(0).width(), width(QStringLiteral("World")));
}

// ---- hostile markup ----

int depthOf(const TSimpleHTMLNode* n)
{
    int d = 0;
    while (n->HasChildren()) {
        n = n->Children(n->ChildCount() - 1);
        ++d;
    }
    return d;
}

void layoutAll(TSimpleHTML& doc)
{
    QImage img(200, 30, QImage::Format_RGB32);
    QPainter p(&img);
    TCanvas canvas(&p);
    doc.DurPauseMs = 0;
    doc.Extend(&canvas);
    doc.Draw(&canvas, QRect(0, 0, 200, 30));
    TSimpleLinks links;
    doc.CollectLinks(&canvas, QRect(0, 0, 200, 30), &links);
    (void)doc.OuterHTML();
    (void)doc.InnerText();
}

TEST(SimpleHTMLHostile, DeepNestingStopsAtTheDepthLimit)
{
    for (const bool closed : {true, false}) {
        QString m;
        for (int i = 0; i < 100000; ++i)
            m += u"<font size=+1>";
        m += u"x";
        if (closed)
            for (int i = 0; i < 100000; ++i)
                m += u"</font>";
        TSimpleHTML doc(m);
        EXPECT_FALSE(doc.IsValid());
        EXPECT_EQ(depthOf(&doc), kSimpleHTMLMaxDepth);
        layoutAll(doc);
    }
    QString selfClosing;
    for (int i = 0; i < 100000; ++i)
        selfClosing += u"<br/>";
    TSimpleHTML flat(selfClosing);
    EXPECT_TRUE(flat.IsValid());
    EXPECT_EQ(flat.ChildCount(), 100000);
}

TEST(SimpleHTMLHostile, LargeAttributesStormsAndBrokenText)
{
    const QString huge(5'000'000, u'x');
    TSimpleHTML big(u"<a href=\"" + huge + u"\">l</a>");
    EXPECT_TRUE(big.IsValid());
    EXPECT_EQ(big.Children(0)->Attributes(QStringLiteral("href")).size(), huge.size());

    // A million ampersands with one semicolon at the end; a million references.
    TSimpleHTML amps(QString(1'000'000, u'&') + u';');
    EXPECT_TRUE(amps.IsValid());
    EXPECT_EQ(amps.Text().size(), 1'000'001);
    EXPECT_EQ(DecodeEntities(QString(1'000'000, u'&') + u';'), QString());
    QString refs;
    for (int i = 0; i < 200000; ++i)
        refs += u"&amp;&#65;";
    TSimpleHTML many(refs);
    EXPECT_EQ(many.Text().size(), 400000);

    const QByteArray broken("\xff\xfe<b>\xc3(</b>\xed\xa0\x80<i \xf0\x28\x8c\x28>x</i>");
    TSimpleHTML bad(QString::fromUtf8(broken));
    layoutAll(bad);
    const char16_t lone[] = {u'<', u'b', 0xD800, u'>', u'x', 0xDC00, u'<', u'/', u'b', u'>'};
    TSimpleHTML surrogates(QString::fromUtf16(lone, 10));
    EXPECT_FALSE(surrogates.IsValid());
    layoutAll(surrogates);

    TSimpleHTML unclosed(QString(100000, u'<') + u"b");
    EXPECT_FALSE(unclosed.IsValid());
    TSimpleHTML sizes(QStringLiteral("<font size=+99999999999>a</font><font size=2147483647>b</font><img src=p width=2147483647 "
                                     "hspace=2147483647/><img src=q width=-5 vspace=-9/>"));
    layoutAll(sizes);
}

// Markup made of plausible pieces, then cut and mutated.
QString randomMarkup(QRandomGenerator& rng)
{
    static const char* const pieces[] = {
        "<b>", "</b>", "<i>", "</i>", "<font size=+2 color=red>", "<font face='DejaVu Serif' bgcolor=#ff0>", "</font>",
        "<a href=x>", "<a href=\"y&amp;z\">", "</a>", "<sup>", "</sup>", "<sub>", "</sub>", "<img src=p width=7/>",
        "<br/>", "<span dir=rtl>", "</span>", "&amp;", "&lt;", "&#65;", "&#0;", "&foo;", "&", ";", "<!-- c -->",
        "<!--", "-->", "text ", "Şğüİı ", "\n", "\t", "<", ">", "/", "=", "'", "\"", "x", " ", "<big>", "</big>",
        "<small>", "</small>", "<s>", "</s>", "<u>", "</u>", "<strike>", "</strike>", "<strong>", "</strong>"};
    QString m;
    const int count = rng.bounded(1, 40);
    for (int i = 0; i < count; ++i)
        m += QString::fromUtf8(pieces[rng.bounded(int(std::size(pieces)))]);
    const int mutations = rng.bounded(0, 4);
    for (int i = 0; i < mutations && !m.isEmpty(); ++i) {
        const int at = rng.bounded(int(m.size()));
        switch (rng.bounded(3)) {
        case 0: m.remove(at, rng.bounded(1, 4)); break;
        case 1: m.insert(at, QChar(char16_t(rng.bounded(1, 0x3000)))); break;
        default: m.truncate(at); break;
        }
    }
    return m;
}

// Bounded random markup: nothing crashes, and a valid document written back and read again
// gives the same markup.
TEST(SimpleHTMLHostile, RandomMarkupParsesAndWritesBackStably)
{
    // Random characters make the font database warn about every script it has no shaping for.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& m) {
        if (previous && !m.contains(u"OpenType support missing"))
            previous(t, c, m);
    });
    QRandomGenerator rng(20240611);
    QImage img(300, 40, QImage::Format_RGB32);
    QPainter p(&img);
    int valid = 0;
    for (int round = 0; round < 30000; ++round) {
        const QString m = randomMarkup(rng);
        TSimpleHTML doc(m);
        doc.OnGetImage = [](TSimpleHTML*, const QString&, QImage& i) { i = QImage(3, 3, QImage::Format_RGB32); };
        TCanvas canvas(&p);
        const QSize size = doc.Extend(&canvas);
        ASSERT_GE(size.width(), 0) << qPrintable(m);
        doc.Draw(&canvas, QRect(0, 0, 300, 40));
        TSimpleLinks links;
        const int n = doc.CollectLinks(&canvas, QRect(0, 0, 300, 40), &links);
        ASSERT_EQ(n, links.Count());
        if (!doc.IsValid())
            continue;
        ++valid;
        const QString written = doc.InnerHTML();
        TSimpleHTML again(written);
        ASSERT_TRUE(again.IsValid()) << qPrintable(m) << " -> " << qPrintable(written);
        ASSERT_EQ(again.InnerHTML(), written) << qPrintable(m);
    }
    qInstallMessageHandler(previous);
    EXPECT_GT(valid, 200) << "the generator should produce valid documents too";
}

} // namespace

int main(int argc, char** argv) { return runQtTests(argc, argv); }
