// The real-time marquee: a control that scrolls a ring of text, HTML and owner-drawn items, ticked
// from a timer thread of its own.
#pragma once

#include "widgets/marqueering.h"
#include "widgets/simplehtml.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

enum TMarqueeStyle { msText, msHTML, msOwnerDraw };
// The styles items loaded from a list of strings can have: msText or msHTML.
using TMarqueeTextStyle = TMarqueeStyle;
// Placement across the scrolling direction.
enum TMarqueeAlignment { maCenter, maLeftOrTop, maRightOrBottom };
enum TMarqueeOrientation { moHorizontal, moVertical };
using TPercent = uint8_t;

class TRealTimeMarquee;
class TMarqueeCollection;
class TMarqueeTimer;

// An item's pre-rendered picture, with the colour and font an owner-draw handler starts from.
struct TMarqueeBitmap {
    QImage Image;
    QColor Color = Qt::white;
    QFont Font;

    // Sizes the picture (within the limits every item picture keeps) and fills it with Color;
    // 0 x 0 leaves it empty.
    void SetSize(int width, int height);
    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }
};

// Item pictures stay within these limits, so hostile markup or a careless handler cannot make one
// allocate without bound.
inline constexpr int kMarqueeMaxBitmapSide = 32767;
inline constexpr int64_t kMarqueeMaxBitmapPixels = int64_t(1) << 24;

// A canvas on a small memory image, for measuring with the screen's resolution.
class TCompatibleCanvas : public TCanvas {
public:
    TCompatibleCanvas();

private:
    QImage fDevice;
};

class TMarqueeItem {
public:
    explicit TMarqueeItem(TMarqueeCollection* collection);
    virtual ~TMarqueeItem();
    TMarqueeItem(const TMarqueeItem&) = delete;
    TMarqueeItem& operator=(const TMarqueeItem&) = delete;

    QString Text() const;
    void SetText(const QString& value);
    TMarqueeStyle Style() const;
    void SetStyle(TMarqueeStyle value);
    TMarqueeAlignment Alignment() const;
    void SetAlignment(TMarqueeAlignment value);
    int Tag() const { return fTag; }
    void SetTag(int value) { fTag = value; }

    TRealTimeMarquee* Marquee() const;
    TMarqueeCollection* Collection() const { return fCollection; }
    int Index() const;
    // The item is inside the visible window of the ring.
    bool Showing() const;
    bool Prepared() const { return fPrepared; }
    QString DisplayName() const;
    // Copies Text and Style.
    virtual void Assign(const TMarqueeItem& source);

    // Copies the picture to the painter at x, y when that touches what the painter can show.
    virtual void Draw(QPainter& painter, int x, int y);
    // x, y relative to the item's top-left corner.
    virtual bool LinkAt(int x, int y, QString& link);
    virtual void Unprepare();
    virtual void Prepare();

    // Size along the scrolling direction; these three render the item first when needed.
    int Extent();
    int Width();
    int Height();
    const TSimpleLinks* Links() const { return fLinks.get(); }
    const QImage& Picture() const { return fBitmap.Image; }

protected:
    virtual void PrepareText();
    virtual void PrepareHTML();
    virtual void PrepareOwnerDraw();
    void Changed();

private:
    TMarqueeCollection* fCollection;
    QString fText;
    TMarqueeAlignment fAlignment = maCenter;
    TMarqueeStyle fStyle = msText;
    bool fPrepared = false;
    TMarqueeBitmap fBitmap;
    std::unique_ptr<TSimpleLinks> fLinks;
    QSize fSize{0, 0};
    int fTag = 0;
};

class TMarqueeCollection {
public:
    explicit TMarqueeCollection(TRealTimeMarquee* marquee = nullptr);
    virtual ~TMarqueeCollection();
    TMarqueeCollection(const TMarqueeCollection&) = delete;
    TMarqueeCollection& operator=(const TMarqueeCollection&) = delete;

    TMarqueeItem* Add();
    TMarqueeItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TMarqueeItem* Items(int index) const { return fItems.at(static_cast<size_t>(index)).get(); }
    TMarqueeItem* operator[](int index) const { return Items(index); }
    int Count() const { return static_cast<int>(fItems.size()); }
    int IndexOf(const TMarqueeItem* item) const;
    // Takes the marquee's lock until EndUpdate; changes inside are announced once at the end.
    void BeginUpdate();
    void EndUpdate();
    void LoadFromStrings(const QStringList& strings, TMarqueeTextStyle textStyle);
    void SaveToStrings(QStringList& strings) const;
    void Assign(const TMarqueeCollection& source);
    TRealTimeMarquee* Marquee() const { return fMarquee; }
    virtual void UnprepareAll();

protected:
    // The change notification: one item, or none for a change of the whole collection.
    virtual void Update(TMarqueeItem* item);

private:
    friend class TMarqueeItem;
    void Changed(TMarqueeItem* item);

    TRealTimeMarquee* fMarquee;
    std::vector<std::unique_ptr<TMarqueeItem>> fItems;
    int fUpdateCount = 0;
};

class TRealTimeMarquee : public QWidget {
    Q_OBJECT
public:
    using TMarqueeDrawItemEvent = std::function<void(TRealTimeMarquee* sender, TMarqueeItem* item, TMarqueeBitmap& bitmap)>;
    using TMarqueeLinkEvent = std::function<void(TRealTimeMarquee* sender, const QString& link)>;
    using TMarqueeImageEvent = std::function<void(TRealTimeMarquee* sender, const QString& uri, QImage& image)>;
    using TNotifyEvent = std::function<void(TRealTimeMarquee* sender)>;

    // The range the timer's period is clamped to, in milliseconds.
    static constexpr uint32_t kTimerPeriodMin = 1;
    static constexpr uint32_t kTimerPeriodMax = 1000000;

    explicit TRealTimeMarquee(QWidget* parent = nullptr);
    ~TRealTimeMarquee() override;

    bool Active() const;
    void SetActive(bool value);
    uint32_t Interval() const;
    void SetInterval(uint32_t value);
    uint8_t Step() const;
    void SetStep(uint8_t value);
    TPercent Spacing() const;
    void SetSpacing(TPercent value);
    TPercent LoopSpacing() const;
    void SetLoopSpacing(TPercent value);
    uint32_t NumLoops() const;
    void SetNumLoops(uint32_t value);
    TMarqueeOrientation Orientation() const;
    void SetOrientation(TMarqueeOrientation value);
    TMarqueeCollection* Items() const { return fItems.get(); }
    void SetItems(const TMarqueeCollection& value);
    // The background colour (the palette's window colour); text items are drawn in the window text colour.
    QColor Color() const;
    void SetColor(const QColor& value);

    // Loops completed in this run.
    uint32_t LoopCount() const;
    int VisibleCount() const;
    uint32_t Resolution() const;
    // A one-shot tick is armed.
    bool TimerArmed() const;

    void SetOnDrawItem(TMarqueeDrawItemEvent handler);
    void SetOnImage(TMarqueeImageEvent handler);
    void SetOnLink(TMarqueeLinkEvent handler);
    void SetOnWrap(TNotifyEvent handler);
    void SetOnMouseEnter(TNotifyEvent handler);
    void SetOnMouseLeave(TNotifyEvent handler);
    void SetOnClick(TNotifyEvent handler);
    // Called on the timer thread after every tick, outside the lock; for measuring.
    void SetTickObserver(std::function<void()> observer);

    void Lock() const { CS.lock(); }
    void Unlock() const { CS.unlock(); }
    // The next tick starts a new run from the first item.
    void Reset();
    // Repaints the whole client area (from any thread) and re-checks the link under the mouse.
    void Invalidate();
    // The link of the item under a client point.
    bool LinkAtPos(QPoint point, QString& link);
    QString ActiveLink() const;

    // The body of a timer tick. The timer thread calls it; a test may call it to step the ring.
    void TimerTick();

protected:
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    virtual void DoWrap();
    virtual void DoLink(const QString& link);
    virtual void DoImage(const QString& uri, QImage& image);
    virtual void DoDrawItem(TMarqueeItem* item, TMarqueeBitmap& bitmap);
    virtual void Click();

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

    // The native window appears (first show) and goes (destruction).
    void CreateWnd();
    void DestroyWnd();

private:
    friend class TMarqueeItem;
    friend class TMarqueeCollection;

    class RingItems : public TMarqueeRing::TItems {
    public:
        explicit RingItems(TRealTimeMarquee* m) : fMarquee(m) {}
        int ItemCount() const override;
        int ItemExtent(int index) override;
        bool ItemPrepared(int index) const override;

    private:
        TRealTimeMarquee* fMarquee;
    };

    // What one paint shows: the background and the item pictures at their places, taken under
    // the lock and painted without it.
    struct Frame {
        QColor Color;
        std::vector<std::pair<QPoint, QImage>> Pictures;
    };
    Frame TakeFrame(const QRect& r);
    static void PaintFrame(QPainter& painter, const Frame& frame, const QRect& r);

    void ItemChanged(TMarqueeItem* item);
    void RecalcLayout();
    void UpdateTimer();
    void StartTimer();
    void StopTimer();
    void DrawItems(QPainter& painter, const QRect& r);
    void WalkItems(const QRect* cut, const std::function<void(TMarqueeItem* item, QPoint topLeft)>& visit);
    int ClientExtent() const;
    void RecomputeGaps();
    void TakeLooks();
    TMarqueeEntry Entry() const;
    // Moves the pixels by what the ticks moved and repaints the uncovered strip (UI thread).
    void Refresh();
    void PostRefresh();
    void UpdateCursorAt(QPoint pos);

    // The control's lock; re-entrant because setters, notifications and painting nest.
    mutable std::recursive_mutex CS;
    RingItems fRingItems{this};
    TMarqueeRing fRing{&fRingItems};
    uint32_t fResolution = 1;
    uint32_t fTimerID = 0;
    uint32_t fTimerSerial = 0;
    uint32_t fInterval = 0;
    TPercent fSpacing = 100;
    TPercent fLoopSpacing = 100;
    TMarqueeOrientation fOrientation = moHorizontal;
    QString fActiveLink;
    bool fMouseIsInside = false;
    bool fPressed = false;
    std::unique_ptr<TMarqueeCollection> fItems;

    // What item rendering and ticks read, copied under the lock so the timer thread never reads
    // the widget itself.
    QFont fItemFont;
    QColor fItemColor;
    QColor fItemTextColor;
    bool fRightToLeft = false;
    bool fEnabled = true;
    QSize fClient{200, 20};

    bool fWindowCreated = false;
    int fPendingScroll = 0; // pixels the ring moved that the screen has not moved yet
    bool fFullRepaint = false;
    bool fRefreshPosted = false;
    bool fInRefresh = false;          // UI thread only
    const Frame* fRefreshFrame = nullptr; // UI thread only: the frame a refresh paints from

    TMarqueeDrawItemEvent fOnDrawItem;
    TMarqueeImageEvent fOnImage;
    TMarqueeLinkEvent fOnLink;
    TNotifyEvent fOnWrap, fOnMouseEnter, fOnMouseLeave, fOnClick;
    std::function<void()> fTickObserver;

    std::unique_ptr<TMarqueeTimer> fTimer; // last: its thread must stop before the rest goes
};
