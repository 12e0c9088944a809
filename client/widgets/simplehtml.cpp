// Simple HTML layout: parsing, character references, colours, measuring, drawing and link areas.
#include "widgets/simplehtml.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QThread>

#include <algorithm>
#include <array>
#include <climits>

namespace {

// The named character references, in the order that decides which name a character is written with.
struct NamedChar {
    const char16_t* name;
    char16_t ch;
};
constexpr std::array<NamedChar, 60> kEntities{{
    {u"nbsp", 0x00A0},   {u"copy", 0x00A9},   {u"reg", 0x00AE},    {u"trade", 0x2122},  {u"sup1", 0x00B9},
    {u"sup2", 0x00B2},   {u"sup3", 0x00B3},   {u"quot", 0x0022},   {u"amp", 0x0026},    {u"lt", 0x003C},
    {u"gt", 0x003E},     {u"ndash", 0x2013},  {u"mdash", 0x2014},  {u"lsquo", 0x2018},  {u"rsquo", 0x2019},
    {u"ldquo", 0x201C},  {u"rdquo", 0x201D},  {u"bull", 0x2022},   {u"dagger", 0x2020}, {u"Dagger", 0x2021},
    {u"prime", 0x2032},  {u"Prime", 0x2033},  {u"lsaquo", 0x2039}, {u"rsaquo", 0x203A}, {u"tilde", 0x02DC},
    {u"circ", 0x02C6},   {u"spades", 0x2660}, {u"clubs", 0x2663},  {u"hearts", 0x2665}, {u"diams", 0x2666},
    {u"loz", 0x25CA},    {u"larr", 0x2190},   {u"rarr", 0x2192},   {u"uarr", 0x2191},   {u"darr", 0x2193},
    {u"harr", 0x2194},   {u"not", 0x00AC},    {u"frac14", 0x00BC}, {u"frac12", 0x00BD}, {u"frac34", 0x00BE},
    {u"plusmn", 0x00B1}, {u"laquo", 0x00AB},  {u"raquo", 0x00BB},  {u"deg", 0x00B0},    {u"ordf", 0x00AA},
    {u"ordm", 0x00BA},   {u"iexcl", 0x00A1},  {u"iquest", 0x00BF}, {u"euro", 0x20AC},   {u"cent", 0x00A2},
    {u"pound", 0x00A3},  {u"yen", 0x00A5},    {u"curren", 0x00A4}, {u"sect", 0x00A7},   {u"para", 0x00B6},
    {u"macr", 0x00AF},   {u"middot", 0x00B7}, {u"micro", 0x00B5},  {u"times", 0x00D7},  {u"divide", 0x00F7},
}};

// Character to its first name, for encoding.
const QHash<char16_t, QString>& entityNames()
{
    static const QHash<char16_t, QString> names = [] {
        QHash<char16_t, QString> h;
        for (const NamedChar& e : kEntities)
            if (!h.contains(e.ch))
                h.insert(e.ch, QString::fromUtf16(e.name));
        return h;
    }();
    return names;
}

struct NamedColor {
    const char* name;
    QRgb rgb;
};
constexpr std::array<NamedColor, 20> kFixedColors{{
    {"black", 0x000000},   {"maroon", 0x800000}, {"green", 0x008000},      {"olive", 0x808000},
    {"navy", 0x000080},    {"purple", 0x800080}, {"teal", 0x008080},       {"gray", 0x808080},
    {"silver", 0xC0C0C0},  {"red", 0xFF0000},    {"lime", 0x00FF00},       {"yellow", 0xFFFF00},
    {"blue", 0x0000FF},    {"fuchsia", 0xFF00FF}, {"aqua", 0x00FFFF},      {"white", 0xFFFFFF},
    {"moneygreen", 0xC0DCC0}, {"skyblue", 0xA6CAF0}, {"cream", 0xFFFBF0}, {"medgray", 0xA0A0A4},
}};

// System colour names follow the application's palette, which is what the system colours are here.
struct SystemColor {
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
constexpr std::array<SystemColor, 30> kSystemColors{{
    {"activeborder", QPalette::Active, QPalette::Window},
    {"activecaption", QPalette::Active, QPalette::Highlight},
    {"appworkspace", QPalette::Active, QPalette::Dark},
    {"background", QPalette::Active, QPalette::Dark},
    {"btnface", QPalette::Active, QPalette::Button},
    {"btnhighlight", QPalette::Active, QPalette::Light},
    {"btnshadow", QPalette::Active, QPalette::Dark},
    {"btntext", QPalette::Active, QPalette::ButtonText},
    {"captiontext", QPalette::Active, QPalette::HighlightedText},
    {"gradientactivecaption", QPalette::Active, QPalette::Highlight},
    {"gradientinactivecaption", QPalette::Inactive, QPalette::Highlight},
    {"graytext", QPalette::Disabled, QPalette::Text},
    {"highlight", QPalette::Active, QPalette::Highlight},
    {"highlighttext", QPalette::Active, QPalette::HighlightedText},
    {"hotlight", QPalette::Active, QPalette::Link},
    {"inactiveborder", QPalette::Inactive, QPalette::Window},
    {"inactivecaption", QPalette::Inactive, QPalette::Mid},
    {"inactivecaptiontext", QPalette::Inactive, QPalette::HighlightedText},
    {"infobk", QPalette::Active, QPalette::ToolTipBase},
    {"infotext", QPalette::Active, QPalette::ToolTipText},
    {"menu", QPalette::Active, QPalette::Window},
    {"menubar", QPalette::Active, QPalette::Window},
    {"menuhighlight", QPalette::Active, QPalette::Highlight},
    {"menutext", QPalette::Active, QPalette::WindowText},
    {"scrollbar", QPalette::Active, QPalette::Mid},
    {"3ddkshadow", QPalette::Active, QPalette::Shadow},
    {"3dlight", QPalette::Active, QPalette::Midlight},
    {"window", QPalette::Active, QPalette::Base},
    {"windowframe", QPalette::Active, QPalette::Shadow},
    {"windowtext", QPalette::Active, QPalette::Text},
}};

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

int satAdd(int a, int b)
{
    const long long s = static_cast<long long>(a) + b;
    return static_cast<int>(std::clamp<long long>(s, INT_MIN, INT_MAX));
}

// value × num / den rounded to the nearest whole number.
int mulDivRound(int value, int num, int den) { return qRound(static_cast<double>(value) * num / den); }

// An attribute as a whole number; def when it is not one.
int attributeInt(const QString& value, int def)
{
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    return ok ? v : def;
}

// Line breaks and tabs show as blanks: the layout draws one line.
QString lineText(const QString& text)
{
    QString t = text;
    for (QChar& c : t)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return t;
}

int currentPoints(const TCanvas* canvas)
{
    const QFont& f = canvas->Font;
    if (f.pointSizeF() > 0)
        return qRound(f.pointSizeF());
    // A font given in pixels: convert at the measuring device's resolution.
    const int px = f.pixelSize() > 0 ? f.pixelSize() : 12;
    const int dpi = canvas->Painter() && canvas->Painter()->device() ? canvas->Painter()->device()->logicalDpiY() : 96;
    return qRound(px * 72.0 / (dpi > 0 ? dpi : 96));
}

void setPoints(TCanvas* canvas, int points)
{
    canvas->Font.setPointSize(std::clamp(points, kSimpleHTMLMinPoints, kSimpleHTMLMaxPoints));
}

// Descending stops below this many levels; the parser builds no deeper tree.
constexpr int kWalkLimit = kSimpleHTMLMaxDepth + 1;

} // namespace

// ---- canvas ----

TCanvas::TCanvas(QPainter* painter) : painter_(painter), device_(painter ? painter->device() : nullptr)
{
    if (painter)
        Font = painter->font();
}

TCanvas::TCanvas(const QPaintDevice* device) : device_(device) {}

QFontMetrics TCanvas::Metrics() const { return device_ ? QFontMetrics(Font, device_) : QFontMetrics(Font); }

QSize TCanvas::TextExtent(const QString& text) const
{
    if (text.isEmpty())
        return {0, 0};
    const QFontMetrics fm = Metrics();
    return {fm.horizontalAdvance(lineText(text)), fm.height()};
}

void TCanvas::TextRect(const QRect& rect, const QString& text, int alignment) const
{
    if (!painter_ || text.isEmpty())
        return;
    painter_->save();
    if (Brush.style() != Qt::NoBrush)
        painter_->fillRect(rect, Brush);
    painter_->setFont(Font);
    painter_->setPen(FontColor);
    painter_->setLayoutDirection((TextFlags & kTextFlagRtlReading) ? Qt::RightToLeft : Qt::LeftToRight);
    painter_->drawText(rect, alignment | Qt::AlignAbsolute | Qt::TextSingleLine | Qt::TextDontClip, lineText(text));
    painter_->restore();
}

void TCanvas::StretchDraw(const QRect& rect, const QImage& picture) const
{
    if (painter_ && !picture.isNull() && !rect.isEmpty())
        painter_->drawImage(rect, picture);
}

TCanvasRecall::TCanvasRecall(TCanvas* canvas) : fReference(canvas) { Store(); }

TCanvasRecall::~TCanvasRecall() { Retrieve(); }

void TCanvasRecall::Store()
{
    if (!fReference)
        return;
    fPen = fReference->Pen;
    fFont = fReference->Font;
    fFontColor = fReference->FontColor;
    fBrush = fReference->Brush;
    fCopyMode = fReference->CopyMode;
    fTextFlags = fReference->TextFlags;
}

void TCanvasRecall::Retrieve()
{
    if (!fReference)
        return;
    fReference->Pen = fPen;
    fReference->Font = fFont;
    fReference->FontColor = fFontColor;
    fReference->Brush = fBrush;
    fReference->CopyMode = fCopyMode;
    fReference->TextFlags = fTextFlags;
}

void TCanvasRecall::SetReference(TCanvas* canvas)
{
    if (canvas == fReference)
        return;
    Retrieve();
    fReference = canvas;
    Store();
}

// ---- links ----

void TSimpleLinks::Add(const QString& link, const QRect& rect) { fItems.emplace_back(link, QRegion(rect)); }

void TSimpleLinks::Add(const QString& link, const QRegion& region) { fItems.emplace_back(link, region); }

int TSimpleLinks::IndexOfLinkAt(int x, int y) const
{
    for (size_t i = 0; i < fItems.size(); ++i)
        if (fItems[i].second.contains(QPoint(x, y)))
            return static_cast<int>(i);
    return -1;
}

void TSimpleLinks::Clear() { fItems.clear(); }

// ---- nodes ----

void TSimpleHTMLNode::FreeTree(std::vector<std::unique_ptr<TSimpleHTMLNode>>&& nodes)
{
    // Without recursion, so a deep tree cannot exhaust the stack.
    std::vector<std::unique_ptr<TSimpleHTMLNode>> pending = std::move(nodes);
    while (!pending.empty()) {
        std::unique_ptr<TSimpleHTMLNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& k : n->fChildren)
            pending.push_back(std::move(k));
        n->fChildren.clear();
    }
}

TSimpleHTMLNode::TSimpleHTMLNode(TSimpleHTMLNode* parent, const QString& tagName) : fParent(parent), fTagName(tagName) {}

TSimpleHTMLNode::~TSimpleHTMLNode() { FreeTree(std::move(fChildren)); }

bool TSimpleHTMLNode::HasAttribute(const QString& name) const
{
    return std::any_of(fAttributes.begin(), fAttributes.end(),
                       [&](const auto& a) { return a.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QString TSimpleHTMLNode::Attributes(const QString& name) const
{
    for (const auto& a : fAttributes)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0)
            return a.second;
    return {};
}

void TSimpleHTMLNode::SetAttribute(const QString& name, const QString& value)
{
    for (auto& a : fAttributes)
        if (a.first.compare(name, Qt::CaseInsensitive) == 0) {
            a.second = value;
            return;
        }
    fAttributes.emplace_back(name, value);
}

TSimpleHTMLNode* TSimpleHTMLNode::AddChild(const QString& ATagName)
{
    fChildren.push_back(std::make_unique<TSimpleHTMLNode>(this, ATagName));
    return fChildren.back().get();
}

void TSimpleHTMLNode::RemoveChild(int index)
{
    if (index < 0 || index >= ChildCount())
        return;
    std::vector<std::unique_ptr<TSimpleHTMLNode>> gone;
    gone.push_back(std::move(fChildren[static_cast<size_t>(index)]));
    fChildren.erase(fChildren.begin() + index);
    FreeTree(std::move(gone));
}

void TSimpleHTMLNode::RemoveAllChildren()
{
    FreeTree(std::move(fChildren));
    fChildren.clear();
}

int TSimpleHTMLNode::Index() const
{
    if (!fParent)
        return 0;
    for (int i = 0; i < fParent->ChildCount(); ++i)
        if (fParent->Children(i) == this)
            return i;
    return 0;
}

TSimpleHTML* TSimpleHTMLNode::Document()
{
    // Walks up without recursion; only the root knows whether it is a document.
    TSimpleHTMLNode* n = this;
    while (n->fParent)
        n = n->fParent;
    return n == this ? nullptr : n->Document();
}

void TSimpleHTMLNode::InnerTextTo(QString& out, int depth) const
{
    if (!HasChildren()) {
        out += fText;
        return;
    }
    if (depth >= kWalkLimit)
        return;
    for (size_t i = 0; i < fChildren.size(); ++i) {
        if (i > 0)
            out += u' ';
        fChildren[i]->InnerTextTo(out, depth + 1);
    }
}

void TSimpleHTMLNode::InnerHTMLTo(QString& out, int depth) const
{
    if (!HasChildren()) {
        out += EncodeEntities(fText);
        return;
    }
    if (depth >= kWalkLimit)
        return;
    for (const auto& c : fChildren)
        c->OuterHTMLTo(out, depth + 1);
}

void TSimpleHTMLNode::OuterHTMLTo(QString& out, int depth) const
{
    if (fTagName.isEmpty()) {
        InnerHTMLTo(out, depth);
        return;
    }
    out += u'<' + fTagName;
    for (const auto& a : fAttributes)
        out += u' ' + a.first + u"=\"" + EncodeEntities(a.second) + u'"';
    const qsizetype mark = out.size();
    out += u'>';
    InnerHTMLTo(out, depth);
    if (out.size() == mark + 1) {
        out.chop(1);
        out += u"/>";
    } else {
        out += u"</" + fTagName + u'>';
    }
}

QString TSimpleHTMLNode::InnerText() const
{
    QString s;
    InnerTextTo(s, 0);
    return s;
}

QString TSimpleHTMLNode::InnerHTML() const
{
    QString s;
    InnerHTMLTo(s, 0);
    return s;
}

QString TSimpleHTMLNode::OuterHTML() const
{
    QString s;
    OuterHTMLTo(s, 0);
    return s;
}

void TSimpleHTMLNode::ApplyTagStyle(TCanvas* canvas) const
{
    if (HasAttribute(QStringLiteral("DIR"))) {
        const QString dir = Attributes(QStringLiteral("DIR"));
        if (dir.compare(u"RTL", Qt::CaseInsensitive) == 0)
            canvas->TextFlags |= kTextFlagRtlReading;
        else if (dir.compare(u"LTR", Qt::CaseInsensitive) == 0)
            canvas->TextFlags &= ~kTextFlagRtlReading;
    }
    const QString& t = fTagName;
    if (t == u"FONT") {
        if (HasAttribute(QStringLiteral("FACE")))
            canvas->Font.setFamily(Attributes(QStringLiteral("FACE")));
        if (HasAttribute(QStringLiteral("SIZE"))) {
            const QString size = Attributes(QStringLiteral("SIZE"));
            const int current = currentPoints(canvas);
            if (size.startsWith(u'+') || size.startsWith(u'-'))
                setPoints(canvas, current + std::clamp(attributeInt(size, 0), -kSimpleHTMLMaxPoints, kSimpleHTMLMaxPoints));
            else
                setPoints(canvas, attributeInt(size, current));
        }
        if (HasAttribute(QStringLiteral("COLOR")))
            canvas->FontColor = ParseColor(Attributes(QStringLiteral("COLOR")), canvas->FontColor);
        if (HasAttribute(QStringLiteral("BGCOLOR"))) {
            // Giving a clear brush a colour makes it solid, so the text gets that background.
            const QColor c = ParseColor(Attributes(QStringLiteral("BGCOLOR")), canvas->Brush.color());
            canvas->Brush = c.alpha() == 0 ? QBrush(Qt::NoBrush) : QBrush(c);
        }
    } else if (t == u"B" || t == u"STRONG") {
        canvas->Font.setBold(true);
    } else if (t == u"I") {
        canvas->Font.setItalic(true);
    } else if (t == u"U") {
        canvas->Font.setUnderline(true);
    } else if (t == u"S" || t == u"STRIKE") {
        canvas->Font.setStrikeOut(true);
    } else if (t == u"SUP") {
        setPoints(canvas, mulDivRound(currentPoints(canvas), 70, 100));
        canvas->TextFlags |= kTextFlagSuperscript;
    } else if (t == u"SUB") {
        setPoints(canvas, mulDivRound(currentPoints(canvas), 70, 100));
        canvas->TextFlags |= kTextFlagSubscript;
    } else if (t == u"SMALL") {
        setPoints(canvas, mulDivRound(currentPoints(canvas), 75, 100));
    } else if (t == u"BIG") {
        setPoints(canvas, mulDivRound(currentPoints(canvas), 125, 100));
    }
}

QSize TSimpleHTMLNode::PictureSize(const QImage** picture, int* hspace, int* vspace)
{
    TSimpleHTML* doc = Document();
    const QImage* img = doc ? &doc->GetImage(Attributes(QStringLiteral("SRC"))) : nullptr;
    if (picture)
        *picture = img;
    const int side = kSimpleHTMLMaxPictureSide;
    const int w = HasAttribute(QStringLiteral("WIDTH")) ? attributeInt(Attributes(QStringLiteral("WIDTH")), 0)
                                                         : (img ? img->width() : 0);
    const int h = HasAttribute(QStringLiteral("HEIGHT")) ? attributeInt(Attributes(QStringLiteral("HEIGHT")), 0)
                                                          : (img ? img->height() : 0);
    *hspace = std::clamp(attributeInt(Attributes(QStringLiteral("HSPACE")), 0), 0, side);
    *vspace = std::clamp(attributeInt(Attributes(QStringLiteral("VSPACE")), 0), 0, side);
    return {std::clamp(w, 0, side), std::clamp(h, 0, side)};
}

QSize TSimpleHTMLNode::ExtendNode(TCanvas* canvas, int depth)
{
    TCanvasRecall recall(canvas);
    ApplyTagStyle(canvas);
    if (HasChildren()) {
        int w = 0, h = 0;
        if (depth < kWalkLimit)
            for (const auto& c : fChildren) {
                const QSize s = c->ExtendNode(canvas, depth + 1);
                w = satAdd(w, s.width());
                h = std::max(h, s.height());
            }
        return {w, h};
    }
    if (fTagName == u"IMG") {
        int hs = 0, vs = 0;
        const QSize s = PictureSize(nullptr, &hs, &vs);
        return {s.width() + 2 * hs, s.height() + 2 * vs};
    }
    return canvas->TextExtent(fText);
}

QSize TSimpleHTMLNode::Extend(TCanvas* canvas) { return ExtendNode(canvas, 0); }

QSize TSimpleHTMLNode::DrawNode(TCanvas* canvas, const Box& rect, int depth)
{
    if (fTagName == u"DUR") {
        TSimpleHTML* doc = Document();
        Pause(0, doc ? doc->DurPauseMs : 500);
    }
    TCanvasRecall recall(canvas);
    ApplyTagStyle(canvas);
    const bool rtl = canvas->TextFlags & kTextFlagRtlReading;
    const bool sup = canvas->TextFlags & kTextFlagSuperscript;
    const bool sub = canvas->TextFlags & kTextFlagSubscript;
    if (HasChildren()) {
        int w = 0, h = 0;
        if (depth < kWalkLimit) {
            Box rest = rect;
            for (const auto& c : fChildren) {
                const QSize s = c->DrawNode(canvas, rest, depth + 1);
                if (rtl)
                    rest.right = satAdd(rest.right, -s.width());
                else
                    rest.left = satAdd(rest.left, s.width());
                w = satAdd(w, s.width());
                h = std::max(h, s.height());
            }
        }
        return {w, h};
    }
    if (fTagName == u"IMG") {
        const QImage* picture = nullptr;
        int hs = 0, vs = 0;
        const QSize s = PictureSize(&picture, &hs, &vs);
        const int x = rtl ? rect.right - s.width() - hs : rect.left + hs;
        int y;
        if (sup)
            y = rect.top + vs;
        else if (sub)
            y = rect.bottom - s.height() - vs;
        else
            y = (rect.top + rect.bottom - s.height()) / 2;
        if (picture)
            canvas->StretchDraw(QRect(x, y, s.width(), s.height()), *picture);
        return {s.width() + 2 * hs, s.height() + 2 * vs};
    }
    const QSize s = canvas->TextExtent(fText);
    if (s.isEmpty())
        return s;
    const int x = rtl ? rect.right - s.width() : rect.left;
    int y;
    int align = rtl ? Qt::AlignRight : Qt::AlignLeft;
    if (sup) {
        y = rect.top;
        align |= Qt::AlignTop;
    } else if (sub) {
        y = rect.bottom - s.height();
        align |= Qt::AlignBottom;
    } else {
        y = rect.top + (rect.bottom - rect.top - s.height()) / 2;
        align |= Qt::AlignVCenter;
    }
    canvas->TextRect(QRect(x, y, s.width(), s.height()), fText, align);
    return s;
}

void TSimpleHTMLNode::Draw(TCanvas* canvas, const QRect& rect)
{
    DrawNode(canvas, Box{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()}, 0);
}

int TSimpleHTMLNode::CollectNodeLinks(TCanvas* canvas, const Box& rect, TSimpleLinks* links, int depth, int& count)
{
    // Positions follow Draw exactly: a node is measured on its parent's canvas state (measuring
    // after applying its own style would apply a relative SIZE twice), its content starts at the
    // leading edge its own state gives, and its parent moves past it in the parent's direction.
    const bool isLink = fTagName == u"A" && HasAttribute(QStringLiteral("HREF"));
    const bool leaf = !HasChildren() || depth >= kWalkLimit;
    QSize own;
    if (isLink || leaf)
        own = ExtendNode(canvas, depth);
    TCanvasRecall recall(canvas);
    ApplyTagStyle(canvas);
    const bool rtl = canvas->TextFlags & kTextFlagRtlReading;
    if (isLink) {
        const int x = rtl ? rect.right - own.width() : rect.left;
        int y;
        if (canvas->TextFlags & kTextFlagSuperscript)
            y = rect.top;
        else if (canvas->TextFlags & kTextFlagSubscript)
            y = rect.bottom - own.height();
        else
            y = rect.top + (rect.bottom - rect.top - own.height()) / 2;
        links->Add(Attributes(QStringLiteral("HREF")), QRect(x, y, own.width(), own.height()));
        ++count;
        return own.width();
    }
    if (leaf)
        return own.width();
    Box rest = rect;
    int w = 0;
    for (const auto& c : fChildren) {
        const int cw = c->CollectNodeLinks(canvas, rest, links, depth + 1, count);
        if (rtl)
            rest.right = satAdd(rest.right, -cw);
        else
            rest.left = satAdd(rest.left, cw);
        w = satAdd(w, cw);
    }
    return w;
}

// ---- document ----

TSimpleHTML::TSimpleHTML(const QString& text) : TSimpleHTMLNode(nullptr, QStringLiteral("HTML")) { fParsed = Parse(text); }

TSimpleHTML::~TSimpleHTML() = default;

int TSimpleHTML::CollectLinks(TCanvas* canvas, const QRect& rect, TSimpleLinks* links)
{
    if (!canvas || !links)
        return 0;
    int count = 0;
    CollectNodeLinks(canvas, Box{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()}, links, 0,
                     count);
    return count;
}

const QImage& TSimpleHTML::GetImage(const QString& uri)
{
    auto it = fImages.find(uri);
    if (it != fImages.end())
        return *it->second;
    // Cached before filling, so a source that fails is not tried again.
    QImage& img = *fImages.emplace(uri, std::make_unique<QImage>()).first->second;
    if (OnGetImage) {
        OnGetImage(this, uri, img);
    } else if (!uri.isEmpty() && QFileInfo(uri).isFile()) {
        if (!img.load(uri))
            img = QImage();
    }
    return img;
}

bool TSimpleHTML::Parse(const QString& text)
{
    const QStringView s(text);
    const qsizetype n = s.size();
    TSimpleHTMLNode* cur = this;
    int depth = 0;
    QString buf;            // character data not yet given to a node
    qsizetype flushed = 0;  // start of the characters not yet copied into buf
    qsizetype semi = -2;    // the next ';' at or after the last search start; -1: there is none
    QHash<QString, QString> tagNames; // one shared string per tag name
    auto nextSemi = [&](qsizetype from) {
        // Searches only forward, so a text full of ampersands stays linear.
        if (semi != -1 && semi < from)
            semi = s.indexOf(u';', from);
        return semi;
    };
    auto skipBlanks = [&](qsizetype& j) {
        while (j < n && isBlank(s[j]))
            ++j;
    };
    auto name = [&](qsizetype& j) {
        const qsizetype b = j;
        while (j < n && s[j].isLetterOrNumber())
            ++j;
        return s.mid(b, j - b);
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar ch = s[i];
        if (ch == u'&') {
            const qsizetype e = nextSemi(i + 1);
            if (e >= 0) {
                bool ok = false;
                const QString decoded = DecodeEntity(s.mid(i + 1, e - i - 1), &ok);
                if (ok) {
                    buf += s.mid(flushed, i - flushed);
                    buf += decoded;
                    i = e + 1;
                    flushed = i;
                    continue;
                }
            }
            ++i; // the reference stays as ordinary text; markup inside it is still read
            continue;
        }
        if (ch != u'<') {
            ++i;
            continue;
        }
        buf += s.mid(flushed, i - flushed);
        const bool slash = i + 1 < n && s[i + 1] == u'/';
        qsizetype j = i + 1 + (slash ? 1 : 0);
        const bool comment = s.mid(j).startsWith(u"!--");
        if (!buf.isEmpty()) {
            if (!cur->HasChildren() && slash && !comment)
                cur->fText = buf;
            else
                cur->AddChild(QString())->fText = buf;
            buf.clear();
        }
        if (comment) {
            const qsizetype end = s.indexOf(u"-->", j + 3);
            if (end < 0)
                return false;
            i = end + 3;
            flushed = i;
            continue;
        }
        const QStringView raw = name(j);
        if (raw.isEmpty())
            return false;
        // Character by character, so an upper-case name is still a run of letters and digits.
        QString tag = raw.toString();
        for (QChar& c : tag)
            c = c.toUpper();
        auto known = tagNames.constFind(tag);
        if (known != tagNames.constEnd())
            tag = *known;
        else
            tagNames.insert(tag, tag);
        skipBlanks(j);
        if (slash) {
            if (j < n && s[j] == u'>' && tag == cur->fTagName && cur->fParent) {
                cur = cur->fParent;
                --depth;
                i = j + 1;
                flushed = i;
                continue;
            }
            return false;
        }
        std::vector<std::pair<QString, QString>> attributes;
        while (j < n && s[j] != u'>' && s[j] != u'/') {
            const QStringView attr = name(j);
            if (attr.isEmpty())
                return false;
            skipBlanks(j);
            QString value;
            if (j < n && s[j] == u'=') {
                ++j;
                skipBlanks(j);
                if (j >= n || s[j] == u'>')
                    return false;
                if (s[j] == u'"' || s[j] == u'\'') {
                    const qsizetype end = s.indexOf(s[j], j + 1);
                    if (end < 0)
                        return false;
                    value = s.mid(j + 1, end - j - 1).toString();
                    j = end + 1;
                } else {
                    qsizetype end = j;
                    while (end < n && s[end] != u' ' && s[end] != u'>')
                        ++end;
                    if (end >= n)
                        return false;
                    value = s.mid(j, end - j).toString();
                    j = end;
                }
                skipBlanks(j);
            }
            value = DecodeEntities(value);
            if (!value.isEmpty())
                attributes.emplace_back(attr.toString(), value);
        }
        if (j >= n)
            return false;
        if (s[j] == u'/') {
            if (j + 1 >= n || s[j + 1] != u'>')
                return false;
            cur->AddChild(tag)->fAttributes = std::move(attributes);
            i = j + 2;
        } else {
            if (depth >= kSimpleHTMLMaxDepth)
                return false;
            TSimpleHTMLNode* e = cur->AddChild(tag);
            e->fAttributes = std::move(attributes);
            cur = e;
            ++depth;
            i = j + 1;
        }
        flushed = i;
    }
    if (cur != this)
        return false;
    buf += s.mid(flushed);
    if (!buf.isEmpty()) {
        if (HasChildren())
            AddChild(QString())->fText = buf;
        else
            fText = buf;
    }
    return true;
}

// ---- text routines ----

QString DecodeEntity(QStringView name, bool* ok)
{
    *ok = false;
    if (name.startsWith(u'#')) {
        const QStringView digits = name.mid(1);
        if (digits.isEmpty())
            return {};
        char32_t code = 0;
        for (QChar c : digits) {
            if (c < u'0' || c > u'9')
                return {};
            code = code * 10 + (c.unicode() - u'0');
            if (code > 0x10FFFF)
                return {};
        }
        if (code == 0)
            return {};
        *ok = true;
        if (QChar::requiresSurrogates(code)) {
            const QChar pair[2] = {QChar(QChar::highSurrogate(code)), QChar(QChar::lowSurrogate(code))};
            return QString(pair, 2);
        }
        return QString(QChar(static_cast<char16_t>(code)));
    }
    if (name.size() > 6)
        return {};
    for (const NamedChar& e : kEntities)
        if (name == QStringView(e.name)) {
            *ok = true;
            return QString(QChar(e.ch));
        }
    return {};
}

QString DecodeEntities(const QString& text)
{
    const QStringView s(text);
    const qsizetype n = s.size();
    QString out;
    out.reserve(n);
    qsizetype semi = -2;
    qsizetype i = 0;
    while (i < n) {
        if (s[i] != u'&') {
            out += s[i++];
            continue;
        }
        if (semi != -1 && semi < i + 1)
            semi = s.indexOf(u';', i + 1);
        if (semi < 0) { // no later ';': this and every further ampersand stay
            out += s.mid(i);
            break;
        }
        bool ok = false;
        const QString decoded = DecodeEntity(s.mid(i + 1, semi - i - 1), &ok);
        if (ok)
            out += decoded;
        i = semi + 1;
    }
    return out;
}

QString EncodeEntities(const QString& text)
{
    const auto& names = entityNames();
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        auto it = names.constFind(c.unicode());
        if (it == names.constEnd())
            out += c;
        else
            out += u'&' + *it + u';';
    }
    return out;
}

QColor ParseColor(const QString& text, const QColor& defaultColor)
{
    if (text.startsWith(u'#')) {
        const QStringView hex = QStringView(text).mid(1);
        if (hex.size() != 6 && hex.size() != 3)
            return defaultColor;
        int d[6];
        for (qsizetype k = 0; k < hex.size(); ++k)
            if ((d[k] = hexDigit(hex[k])) < 0)
                return defaultColor;
        if (hex.size() == 3)
            return QColor(d[0] * 17, d[1] * 17, d[2] * 17);
        return QColor(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
    }
    for (const NamedColor& c : kFixedColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return QColor::fromRgb(c.rgb);
    if (text.compare(u"default", Qt::CaseInsensitive) == 0)
        return defaultColor;
    if (text.compare(u"none", Qt::CaseInsensitive) == 0)
        return QColor(Qt::transparent);
    for (const SystemColor& c : kSystemColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            const QPalette pal = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette()
                                                                                               : QPalette();
            return pal.color(c.group, c.role);
        }
    return defaultColor;
}

void Pause(int seconds, int milliseconds)
{
    const qint64 total = static_cast<qint64>(seconds) * 1000 + milliseconds;
    if (total <= 0)
        return;
    QDeadlineTimer deadline(total, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = deadline.remainingTime();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 5)));
    }
}
