// Simple HTML layout: a one-line document tree with fonts, colours, pictures and links, drawn with QPainter.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QPainter;
class QPaintDevice;

// Text-flag bits of a canvas that the layout uses as state.
inline constexpr quint32 kTextFlagRtlReading = 128;
inline constexpr quint32 kTextFlagSuperscript = 0x80000000u;
inline constexpr quint32 kTextFlagSubscript = 0x40000000u;

// Copy mode of a canvas; kept as state only (pictures are always copied straight).
inline constexpr int kCopyModeSource = 0x00CC0020;

// Elements nested deeper than this stop the parse; the layout never descends further either, so
// hostile markup cannot exhaust the stack.
inline constexpr int kSimpleHTMLMaxDepth = 256;

// Font sizes the tags can reach are kept in this range of points, so markup cannot ask for glyphs
// of unbounded size.
inline constexpr int kSimpleHTMLMinPoints = 1;
inline constexpr int kSimpleHTMLMaxPoints = 400;

// Picture sizes and spacings from attributes are kept below this, so sums of them stay in range.
inline constexpr int kSimpleHTMLMaxPictureSide = 32767;

// A drawing surface with the state the layout changes and restores: font and its colour, brush,
// pen, copy mode and text flags. It draws through a painter when it has one and measures on the
// painter's device (or on the device it was given).
class TCanvas {
public:
    explicit TCanvas(QPainter* painter);
    explicit TCanvas(const QPaintDevice* device = nullptr);
    virtual ~TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QFont Font;
    QColor FontColor = Qt::black;
    QBrush Brush = QBrush(Qt::white);
    QPen Pen = QPen(Qt::black);
    int CopyMode = kCopyModeSource;
    quint32 TextFlags = 0;

    QPainter* Painter() const { return painter_; }
    QFontMetrics Metrics() const;
    // Width and height of a single line of text in the current font.
    QSize TextExtent(const QString& text) const;
    // Draws text on one line, ampersands literal, unclipped; a solid brush paints behind it.
    void TextRect(const QRect& rect, const QString& text, int alignment) const;
    void StretchDraw(const QRect& rect, const QImage& picture) const;

protected:
    void SetDevice(const QPaintDevice* device) { device_ = device; }

private:
    QPainter* painter_ = nullptr;
    const QPaintDevice* device_ = nullptr;
};

// Saves a canvas's pen, font, brush, copy mode and text flags and puts them back when destroyed.
class TCanvasRecall {
public:
    explicit TCanvasRecall(TCanvas* canvas);
    ~TCanvasRecall();
    TCanvasRecall(const TCanvasRecall&) = delete;
    TCanvasRecall& operator=(const TCanvasRecall&) = delete;

    void Store();
    void Retrieve();
    TCanvas* Reference() const { return fReference; }
    // Puts the state back on the old canvas, then saves that of the new one.
    void SetReference(TCanvas* canvas);

private:
    QPen fPen;
    QFont fFont;
    QColor fFontColor;
    QBrush fBrush;
    int fCopyMode = kCopyModeSource;
    quint32 fTextFlags = 0;
    TCanvas* fReference = nullptr;
};

// Link targets with the areas they occupy, in the order they were added.
class TSimpleLinks {
public:
    TSimpleLinks() = default;
    ~TSimpleLinks() { Clear(); }
    TSimpleLinks(const TSimpleLinks&) = delete;
    TSimpleLinks& operator=(const TSimpleLinks&) = delete;

    void Add(const QString& link, const QRect& rect);
    void Add(const QString& link, const QRegion& region);
    // Index of the first link whose area contains the point, or -1.
    int IndexOfLinkAt(int x, int y) const;
    void Clear();

    int Count() const { return static_cast<int>(fItems.size()); }
    QRect Bounds(int index) const { return fItems.at(static_cast<size_t>(index)).second.boundingRect(); }
    const QRegion& Regions(int index) const { return fItems.at(static_cast<size_t>(index)).second; }
    const QString& Links(int index) const { return fItems.at(static_cast<size_t>(index)).first; }

private:
    std::vector<std::pair<QString, QRegion>> fItems;
};

class TSimpleHTML;

// One node of the document: an element (upper-case tag name) or a text node (empty tag name).
// A node has either children or its own text, never both when built by the parser.
class TSimpleHTMLNode {
public:
    explicit TSimpleHTMLNode(TSimpleHTMLNode* parent = nullptr, const QString& tagName = QString());
    virtual ~TSimpleHTMLNode();
    TSimpleHTMLNode(const TSimpleHTMLNode&) = delete;
    TSimpleHTMLNode& operator=(const TSimpleHTMLNode&) = delete;

    // Size in pixels of the node drawn on the canvas.
    QSize Extend(TCanvas* canvas);
    // Draws the node starting at the rectangle's leading edge.
    void Draw(TCanvas* canvas, const QRect& rect);

    bool HasAttribute(const QString& name) const;
    bool HasChildren() const { return !fChildren.empty(); }
    TSimpleHTMLNode* AddChild(const QString& ATagName);
    void RemoveChild(int index);
    void RemoveAllChildren();

    TSimpleHTMLNode* Children(int index) const { return fChildren.at(static_cast<size_t>(index)).get(); }
    int ChildCount() const { return static_cast<int>(fChildren.size()); }
    // The attribute's value; empty when absent.
    QString Attributes(const QString& name) const;
    // Attributes as name=value in the order they were written.
    const std::vector<std::pair<QString, QString>>& AttributeList() const { return fAttributes; }
    void SetAttribute(const QString& name, const QString& value);
    int Index() const;
    TSimpleHTMLNode* Parent() const { return fParent; }
    const QString& TagName() const { return fTagName; }
    const QString& Text() const { return fText; }
    void SetText(const QString& text) { fText = text; }
    QString InnerText() const;
    QString InnerHTML() const;
    QString OuterHTML() const;
    virtual TSimpleHTML* Document();

protected:
    // The canvas changes an element makes for itself and its descendants.
    void ApplyTagStyle(TCanvas* canvas) const;
    // Draws and answers the same size Extend would, so a parent does not measure its children again.
    struct Box {
        int left, top, right, bottom; // right and bottom exclusive
    };
    QSize DrawNode(TCanvas* canvas, const Box& rect, int depth);
    QSize ExtendNode(TCanvas* canvas, int depth);
    // Adds the link areas of this node drawn in rect and answers the width Draw moves past it.
    int CollectNodeLinks(TCanvas* canvas, const Box& rect, TSimpleLinks* links, int depth, int& count);
    // Size of an IMG element without its spacing, and the spacing, on the canvas as it is after its
    // style was applied.
    QSize PictureSize(const QImage** picture, int* hspace, int* vspace);

    static void FreeTree(std::vector<std::unique_ptr<TSimpleHTMLNode>>&& nodes);
    void InnerTextTo(QString& out, int depth) const;
    void InnerHTMLTo(QString& out, int depth) const;
    void OuterHTMLTo(QString& out, int depth) const;

    TSimpleHTMLNode* fParent = nullptr;
    QString fTagName;
    QString fText;
    std::vector<std::unique_ptr<TSimpleHTMLNode>> fChildren;
    std::vector<std::pair<QString, QString>> fAttributes;

    friend class TSimpleHTML;
};

// The document: parses its markup at creation and caches the pictures its IMG elements name.
class TSimpleHTML : public TSimpleHTMLNode {
public:
    using TGetImageEvent = std::function<void(TSimpleHTML* sender, const QString& uri, QImage& image)>;

    explicit TSimpleHTML(const QString& text);
    ~TSimpleHTML() override;

    // True when the whole text was consumed with every element closed.
    bool IsValid() const { return fParsed; }
    // Adds one entry per link element, in document order, with the area it has when the
    // document is drawn in rect; answers the number of links found.
    int CollectLinks(TCanvas* canvas, const QRect& rect, TSimpleLinks* links);
    // The cached picture for a source; the first request creates it and fills it once.
    const QImage& GetImage(const QString& uri);

    TGetImageEvent OnGetImage;
    // How long a DUR element holds the drawing, in milliseconds.
    int DurPauseMs = 500;

    TSimpleHTML* Document() override { return this; }

private:
    bool Parse(const QString& text);

    bool fParsed = false;
    std::map<QString, std::unique_ptr<QImage>> fImages;
};

// One character reference given without its ampersand and semicolon; ok tells whether it decoded.
QString DecodeEntity(QStringView name, bool* ok);
// Replaces every reference that decodes and removes every one that does not.
QString DecodeEntities(const QString& text);
// Writes every character that has a name as its first name.
QString EncodeEntities(const QString& text);
// "#rrggbb", "#rgb" or a colour name; anything else gives the default.
QColor ParseColor(const QString& text, const QColor& defaultColor);
// Waits until the time has passed, handling the calling thread's pending events meanwhile.
void Pause(int seconds, int milliseconds);
