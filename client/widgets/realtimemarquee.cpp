// The real-time marquee: items and their pictures, the collection, the timer thread, ticks and painting.
#include "widgets/realtimemarquee.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace {

// Events the timer thread posts to the UI thread.
const QEvent::Type kRefreshEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kWrapEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kCursorEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QSize limitBitmapSize(int width, int height)
{
    int w = std::clamp(width, 0, kMarqueeMaxBitmapSide);
    const int h = std::clamp(height, 0, kMarqueeMaxBitmapSide);
    if (h > 0 && static_cast<int64_t>(w) * h > kMarqueeMaxBitmapPixels)
        w = static_cast<int>(kMarqueeMaxBitmapPixels / h);
    return {w, h};
}

// Locks the item's marquee, when the item has one.
class ItemLock {
public:
    explicit ItemLock(const TMarqueeItem* item) : fMarquee(item->Marquee())
    {
        if (fMarquee)
            fMarquee->Lock();
    }
    ~ItemLock()
    {
        if (fMarquee)
            fMarquee->Unlock();
    }
    ItemLock(const ItemLock&) = delete;
    ItemLock& operator=(const ItemLock&) = delete;

private:
    TRealTimeMarquee* fMarquee;
};

} // namespace

// A one-shot timer on a thread of its own: Arm sets the next deadline, the thread calls the
// handler once it has passed. A condition variable on the monotonic clock wakes well within a
// millisecond, independent of any event loop.
class TMarqueeTimer {
public:
    explicit TMarqueeTimer(std::function<void()> fire) : fFire(std::move(fire)), fThread([this] { Run(); }) {}
    ~TMarqueeTimer()
    {
        {
            std::lock_guard<std::mutex> g(fMutex);
            fQuit = true;
        }
        fWake.notify_all();
        fThread.join();
    }
    void Arm(uint32_t ms)
    {
        {
            std::lock_guard<std::mutex> g(fMutex);
            fArmed = true;
            fDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        }
        fWake.notify_all();
    }
    void Cancel()
    {
        std::lock_guard<std::mutex> g(fMutex);
        fArmed = false;
    }

private:
    void Run()
    {
        // Like a system timer thread, ask for a real-time slot so busy threads elsewhere do not
        // delay the ticks; without the permission for it the thread just keeps normal priority.
        sched_param param{};
        param.sched_priority = 1;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        std::unique_lock<std::mutex> lk(fMutex);
        while (!fQuit) {
            if (!fArmed) {
                fWake.wait(lk);
                continue;
            }
            if (std::chrono::steady_clock::now() < fDeadline) {
                fWake.wait_until(lk, fDeadline);
                continue;
            }
            fArmed = false;
            // The handler takes the control's lock, which is held while arming: never call it
            // with this mutex held.
            lk.unlock();
            fFire();
            lk.lock();
        }
    }

    std::function<void()> fFire;
    std::mutex fMutex;
    std::condition_variable fWake;
    bool fArmed = false;
    bool fQuit = false;
    std::chrono::steady_clock::time_point fDeadline;
    std::thread fThread; // last: it starts running at construction
};

// ---- bitmap and canvas ----

void TMarqueeBitmap::SetSize(int width, int height)
{
    const QSize s = limitBitmapSize(width, height);
    if (s.isEmpty()) {
        Image = QImage();
        return;
    }
    Image = QImage(s, QImage::Format_RGB32);
    Image.fill(Color);
}

TCompatibleCanvas::TCompatibleCanvas() : fDevice(1, 1, QImage::Format_RGB32) { SetDevice(&fDevice); }

// ---- item ----

TMarqueeItem::TMarqueeItem(TMarqueeCollection* collection) : fCollection(collection) {}

TMarqueeItem::~TMarqueeItem() = default;

TRealTimeMarquee* TMarqueeItem::Marquee() const { return fCollection ? fCollection->Marquee() : nullptr; }

int TMarqueeItem::Index() const { return fCollection ? fCollection->IndexOf(this) : -1; }

QString TMarqueeItem::Text() const
{
    ItemLock lock(this);
    return fText;
}

TMarqueeStyle TMarqueeItem::Style() const { return fStyle; }

TMarqueeAlignment TMarqueeItem::Alignment() const { return fAlignment; }

void TMarqueeItem::SetText(const QString& value)
{
    ItemLock lock(this);
    if (value == fText)
        return;
    fText = value;
    if (fPrepared)
        Unprepare();
    Changed();
}

void TMarqueeItem::SetStyle(TMarqueeStyle value)
{
    ItemLock lock(this);
    if (value == fStyle)
        return;
    fStyle = value;
    if (fPrepared)
        Unprepare();
    Changed();
}

void TMarqueeItem::SetAlignment(TMarqueeAlignment value)
{
    ItemLock lock(this);
    if (value == fAlignment)
        return;
    fAlignment = value;
    // Across a horizontal marquee the alignment only places the picture; vertical text is wrapped with it.
    TRealTimeMarquee* m = Marquee();
    if (fPrepared && m && m->Orientation() == moVertical)
        Unprepare();
    Changed();
}

void TMarqueeItem::Assign(const TMarqueeItem& source)
{
    if (&source == this)
        return;
    const QString text = source.Text();
    const TMarqueeStyle style = source.Style();
    ItemLock lock(this);
    SetText(text);
    SetStyle(style);
}

QString TMarqueeItem::DisplayName() const
{
    const QString t = Text();
    return t.isEmpty() ? QStringLiteral("TMarqueeItem") : t;
}

bool TMarqueeItem::Showing() const
{
    TRealTimeMarquee* m = Marquee();
    if (!m)
        return false;
    std::lock_guard<std::recursive_mutex> g(m->CS);
    return m->fRing.Showing(Index());
}

void TMarqueeItem::Changed()
{
    if (fCollection)
        fCollection->Changed(this);
}

void TMarqueeItem::Unprepare()
{
    ItemLock lock(this);
    if (!fPrepared)
        return;
    fPrepared = false;
    if (fLinks)
        fLinks->Clear();
    fBitmap.Image = QImage();
    fSize = QSize(0, 0);
}

void TMarqueeItem::Prepare()
{
    ItemLock lock(this);
    if (fLinks)
        fLinks->Clear();
    switch (fStyle) {
    case msText: PrepareText(); break;
    case msHTML: PrepareHTML(); break;
    case msOwnerDraw: PrepareOwnerDraw(); break;
    }
    // Whatever the preparation made, the picture keeps within the limits and matches the size.
    fSize = limitBitmapSize(fSize.width(), fSize.height());
    if (!fBitmap.Image.isNull() && fBitmap.Image.size() != fSize) {
        if (fSize.isEmpty())
            fBitmap.Image = QImage();
        else
            fBitmap.Image = fBitmap.Image.copy(QRect(QPoint(0, 0), fSize));
    }
    fPrepared = true;
}

void TMarqueeItem::PrepareText()
{
    TRealTimeMarquee* m = Marquee();
    const QFont font = m ? m->fItemFont : QFont();
    const bool vertical = m && m->fOrientation == moVertical;
    const bool rtl = m && m->fRightToLeft;
    int flags = Qt::TextExpandTabs | Qt::TextDontClip | Qt::AlignAbsolute;
    int horizontal = Qt::AlignHCenter;
    if (vertical) {
        flags |= Qt::TextWordWrap;
        if (fAlignment == maLeftOrTop)
            horizontal = Qt::AlignLeft;
        else if (fAlignment == maRightOrBottom)
            horizontal = Qt::AlignRight;
    } else {
        flags |= Qt::TextSingleLine;
    }
    // Right-to-left controls mirror the alignment and read right to left.
    if (rtl && horizontal != Qt::AlignHCenter)
        horizontal = horizontal == Qt::AlignLeft ? Qt::AlignRight : Qt::AlignLeft;
    flags |= horizontal | Qt::AlignTop;

    TCompatibleCanvas measure;
    measure.Font = font;
    const QFontMetrics fm = measure.Metrics();
    const int avg = fm.averageCharWidth();
    QRect r;
    if (vertical) {
        const int wrap = std::max(1, (m ? m->fClient.width() : 200) - avg);
        r = fm.boundingRect(QRect(0, 0, wrap, 0), flags, fText);
        r.moveTopLeft(QPoint(0, 0));
    } else {
        r = QRect(QPoint(0, 0), fm.size(Qt::TextSingleLine | Qt::TextExpandTabs, fText));
    }
    r.setWidth(r.width() + avg);
    fSize = r.size();
    fBitmap.Color = m ? m->fItemColor : QColor(Qt::white);
    fBitmap.Font = font;
    fBitmap.SetSize(fSize.width(), fSize.height());
    if (fBitmap.Image.isNull())
        return;
    QPainter p(&fBitmap.Image);
    p.setFont(font);
    p.setPen(m ? m->fItemTextColor : QColor(Qt::black));
    p.setBrush(Qt::NoBrush);
    p.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    const int half = avg / 2;
    p.drawText(r.adjusted(half, 0, -half, 0), flags, fText);
}

void TMarqueeItem::PrepareHTML()
{
    TRealTimeMarquee* m = Marquee();
    TSimpleHTML doc(fText);
    doc.OnGetImage = [m](TSimpleHTML*, const QString& uri, QImage& image) {
        if (m)
            m->DoImage(uri, image);
    };
    TCompatibleCanvas measure;
    measure.Font = m ? m->fItemFont : QFont();
    measure.FontColor = m ? m->fItemTextColor : QColor(Qt::black);
    measure.TextFlags = (m && m->fRightToLeft) ? kTextFlagRtlReading : 0;
    const QSize extent = doc.Extend(&measure);
    const int avg = measure.Metrics().averageCharWidth();
    fSize = QSize(extent.width() + avg, extent.height());
    fBitmap.Color = m ? m->fItemColor : QColor(Qt::white);
    fBitmap.Font = measure.Font;
    fBitmap.SetSize(fSize.width(), fSize.height());
    const int half = avg / 2;
    const QRect r = QRect(0, 0, fSize.width(), fSize.height()).adjusted(half, 0, -half, 0);
    if (!fBitmap.Image.isNull()) {
        QPainter p(&fBitmap.Image);
        TCanvas canvas(&p);
        canvas.Font = measure.Font;
        canvas.FontColor = measure.FontColor;
        canvas.Brush = QBrush(fBitmap.Color);
        canvas.TextFlags = measure.TextFlags;
        doc.Draw(&canvas, r);
    }
    if (!fLinks)
        fLinks = std::make_unique<TSimpleLinks>();
    // Measured on the same resolution as the picture, so the areas are in picture coordinates.
    doc.CollectLinks(&measure, r, fLinks.get());
}

void TMarqueeItem::PrepareOwnerDraw()
{
    TRealTimeMarquee* m = Marquee();
    fBitmap.Image = QImage();
    fBitmap.Color = m ? m->fItemColor : QColor(Qt::white);
    fBitmap.Font = m ? m->fItemFont : QFont();
    if (m)
        m->DoDrawItem(this, fBitmap);
    fSize = fBitmap.Image.size();
}

int TMarqueeItem::Width()
{
    ItemLock lock(this);
    if (!fPrepared)
        Prepare();
    return fSize.width();
}

int TMarqueeItem::Height()
{
    ItemLock lock(this);
    if (!fPrepared)
        Prepare();
    return fSize.height();
}

int TMarqueeItem::Extent()
{
    TRealTimeMarquee* m = Marquee();
    return m && m->fOrientation == moVertical ? Height() : Width();
}

void TMarqueeItem::Draw(QPainter& painter, int x, int y)
{
    ItemLock lock(this);
    if (!fPrepared)
        Prepare();
    const QRect visible = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect()
                                                : QRect(0, 0, painter.device()->width(), painter.device()->height());
    if (fBitmap.Image.isNull() || !QRect(QPoint(x, y), fSize).intersects(visible))
        return;
    painter.drawImage(QPoint(x, y), fBitmap.Image);
}

bool TMarqueeItem::LinkAt(int x, int y, QString& link)
{
    ItemLock lock(this);
    if (!fPrepared || fStyle != msHTML || !fLinks || fLinks->Count() == 0)
        return false;
    const int i = fLinks->IndexOfLinkAt(x, y);
    if (i < 0)
        return false;
    link = fLinks->Links(i);
    return true;
}

// ---- collection ----

TMarqueeCollection::TMarqueeCollection(TRealTimeMarquee* marquee) : fMarquee(marquee) {}

TMarqueeCollection::~TMarqueeCollection() = default;

TMarqueeItem* TMarqueeCollection::Add() { return Insert(Count()); }

TMarqueeItem* TMarqueeCollection::Insert(int index)
{
    if (fMarquee)
        fMarquee->Lock();
    index = std::clamp(index, 0, Count());
    fItems.insert(fItems.begin() + index, std::make_unique<TMarqueeItem>(this));
    TMarqueeItem* item = fItems[static_cast<size_t>(index)].get();
    Changed(nullptr);
    if (fMarquee)
        fMarquee->Unlock();
    return item;
}

void TMarqueeCollection::Delete(int index)
{
    if (fMarquee)
        fMarquee->Lock();
    if (index >= 0 && index < Count()) {
        fItems.erase(fItems.begin() + index);
        Changed(nullptr);
    }
    if (fMarquee)
        fMarquee->Unlock();
}

void TMarqueeCollection::Clear()
{
    BeginUpdate();
    fItems.clear();
    EndUpdate();
}

int TMarqueeCollection::IndexOf(const TMarqueeItem* item) const
{
    for (size_t i = 0; i < fItems.size(); ++i)
        if (fItems[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void TMarqueeCollection::BeginUpdate()
{
    if (fMarquee)
        fMarquee->Lock();
    ++fUpdateCount;
}

void TMarqueeCollection::EndUpdate()
{
    if (fUpdateCount > 0 && --fUpdateCount == 0)
        Update(nullptr);
    if (fMarquee)
        fMarquee->Unlock();
}

void TMarqueeCollection::LoadFromStrings(const QStringList& strings, TMarqueeTextStyle textStyle)
{
    BeginUpdate();
    fItems.clear();
    for (const QString& line : strings) {
        TMarqueeItem* item = Add();
        item->SetText(line);
        item->SetStyle(textStyle == msHTML ? msHTML : msText);
    }
    EndUpdate();
}

void TMarqueeCollection::SaveToStrings(QStringList& strings) const
{
    if (fMarquee)
        fMarquee->Lock();
    strings.clear();
    for (const auto& item : fItems)
        strings << item->Text();
    if (fMarquee)
        fMarquee->Unlock();
}

void TMarqueeCollection::Assign(const TMarqueeCollection& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    fItems.clear();
    for (int i = 0; i < source.Count(); ++i) {
        TMarqueeItem* item = Add();
        item->Assign(*source.Items(i));
        item->SetAlignment(source.Items(i)->Alignment());
        item->SetTag(source.Items(i)->Tag());
    }
    EndUpdate();
}

void TMarqueeCollection::UnprepareAll()
{
    if (fMarquee)
        fMarquee->Lock();
    for (const auto& item : fItems)
        item->Unprepare();
    if (fMarquee)
        fMarquee->Unlock();
}

void TMarqueeCollection::Changed(TMarqueeItem* item)
{
    if (fUpdateCount == 0)
        Update(item);
}

void TMarqueeCollection::Update(TMarqueeItem* item)
{
    if (fMarquee)
        fMarquee->ItemChanged(item);
}

// ---- marquee ----

int TRealTimeMarquee::RingItems::ItemCount() const { return fMarquee->fItems ? fMarquee->fItems->Count() : 0; }

int TRealTimeMarquee::RingItems::ItemExtent(int index) { return fMarquee->fItems->Items(index)->Extent(); }

bool TRealTimeMarquee::RingItems::ItemPrepared(int index) const { return fMarquee->fItems->Items(index)->Prepared(); }

TRealTimeMarquee::TRealTimeMarquee(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted by the control, so nothing is erased first and scrolling can move
    // the pixels already on screen.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    fItems = std::make_unique<TMarqueeCollection>(this);
    fOrientation = moHorizontal;
    fSpacing = 100;
    fLoopSpacing = 100;
    fRing.Step = 1;
    SetInterval(10);
    resize(200, 20);
    fClient = QSize(200, 20);
    TakeLooks();
    RecomputeGaps();
}

TRealTimeMarquee::~TRealTimeMarquee()
{
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        DestroyWnd();
    }
    // Joined without the lock: a tick in flight needs it to finish.
    fTimer.reset();
    std::lock_guard<std::recursive_mutex> g(CS);
    fItems.reset();
}

void TRealTimeMarquee::CreateWnd()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fWindowCreated = true;
    fClient = size();
    RecomputeGaps();
    UpdateTimer();
}

void TRealTimeMarquee::DestroyWnd()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    StopTimer();
    fWindowCreated = false;
}

// ---- properties ----

bool TRealTimeMarquee::Active() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fRing.Active;
}

void TRealTimeMarquee::SetActive(bool value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.Active = value;
    UpdateTimer();
}

uint32_t TRealTimeMarquee::Interval() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fInterval;
}

void TRealTimeMarquee::SetInterval(uint32_t value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    value = std::clamp(value, kTimerPeriodMin, kTimerPeriodMax);
    if (value == fInterval)
        return;
    fInterval = value;
    // The resolution asked of the timer; the monotonic clock the timer thread waits on is finer
    // than any value this takes, so there is no system request to begin or end.
    fResolution = fInterval / 10;
}

uint32_t TRealTimeMarquee::Resolution() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fResolution;
}

uint8_t TRealTimeMarquee::Step() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return static_cast<uint8_t>(fRing.Step);
}

void TRealTimeMarquee::SetStep(uint8_t value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.Step = value == 0 ? 1 : value;
}

TPercent TRealTimeMarquee::Spacing() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fSpacing;
}

void TRealTimeMarquee::SetSpacing(TPercent value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    value = std::min<TPercent>(value, 100);
    if (value == fSpacing)
        return;
    fSpacing = value;
    RecomputeGaps();
    RecalcLayout();
    Invalidate();
}

TPercent TRealTimeMarquee::LoopSpacing() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fLoopSpacing;
}

void TRealTimeMarquee::SetLoopSpacing(TPercent value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    value = std::min<TPercent>(value, 100);
    if (value == fLoopSpacing)
        return;
    fLoopSpacing = value;
    RecomputeGaps();
    RecalcLayout();
    Invalidate();
}

uint32_t TRealTimeMarquee::NumLoops() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fRing.NumLoops;
}

void TRealTimeMarquee::SetNumLoops(uint32_t value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.NumLoops = value;
}

TMarqueeOrientation TRealTimeMarquee::Orientation() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fOrientation;
}

void TRealTimeMarquee::SetOrientation(TMarqueeOrientation value)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (value == fOrientation)
        return;
    fOrientation = value;
    // Text is laid out differently across the two directions, so every item is rendered again.
    fItems->UnprepareAll();
    RecomputeGaps();
    Reset();
}

void TRealTimeMarquee::SetItems(const TMarqueeCollection& value) { fItems->Assign(value); }

QColor TRealTimeMarquee::Color() const { return palette().color(backgroundRole()); }

void TRealTimeMarquee::SetColor(const QColor& value)
{
    QPalette pal = palette();
    pal.setColor(backgroundRole(), value);
    setPalette(pal);
}

uint32_t TRealTimeMarquee::LoopCount() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fRing.LoopsEnded;
}

int TRealTimeMarquee::VisibleCount() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fRing.VisibleCount;
}

bool TRealTimeMarquee::TimerArmed() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fTimerID != 0;
}

QString TRealTimeMarquee::ActiveLink() const
{
    std::lock_guard<std::recursive_mutex> g(CS);
    return fActiveLink;
}

void TRealTimeMarquee::SetOnDrawItem(TMarqueeDrawItemEvent handler)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fOnDrawItem = std::move(handler);
}

void TRealTimeMarquee::SetOnImage(TMarqueeImageEvent handler)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fOnImage = std::move(handler);
}

void TRealTimeMarquee::SetOnLink(TMarqueeLinkEvent handler) { fOnLink = std::move(handler); }

void TRealTimeMarquee::SetOnWrap(TNotifyEvent handler) { fOnWrap = std::move(handler); }

void TRealTimeMarquee::SetOnMouseEnter(TNotifyEvent handler) { fOnMouseEnter = std::move(handler); }

void TRealTimeMarquee::SetOnMouseLeave(TNotifyEvent handler) { fOnMouseLeave = std::move(handler); }

void TRealTimeMarquee::SetOnClick(TNotifyEvent handler) { fOnClick = std::move(handler); }

void TRealTimeMarquee::SetTickObserver(std::function<void()> observer)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fTickObserver = std::move(observer);
}

// ---- events raised ----

void TRealTimeMarquee::DoMouseEnter()
{
    if (fOnMouseEnter)
        fOnMouseEnter(this);
}

void TRealTimeMarquee::DoMouseLeave()
{
    if (fOnMouseLeave)
        fOnMouseLeave(this);
}

void TRealTimeMarquee::DoWrap()
{
    if (fOnWrap)
        fOnWrap(this);
}

void TRealTimeMarquee::DoLink(const QString& link)
{
    if (fOnLink)
        fOnLink(this, link);
    else if (!link.isEmpty())
        QDesktopServices::openUrl(QUrl::fromUserInput(link));
}

void TRealTimeMarquee::DoImage(const QString& uri, QImage& image)
{
    if (fOnImage) {
        fOnImage(this, uri, image);
    } else if (!uri.isEmpty() && QFileInfo(uri).isFile()) {
        if (!image.load(uri))
            image = QImage();
    }
}

void TRealTimeMarquee::DoDrawItem(TMarqueeItem* item, TMarqueeBitmap& bitmap)
{
    if (fOnDrawItem)
        fOnDrawItem(this, item, bitmap);
}

void TRealTimeMarquee::Click()
{
    if (fOnClick)
        fOnClick(this);
    const QString link = ActiveLink();
    if (!link.isEmpty())
        DoLink(link);
}

// ---- ring, layout and timer ----

TMarqueeEntry TRealTimeMarquee::Entry() const
{
    if (fOrientation == moVertical)
        return TMarqueeEntry::Bottom;
    return fRightToLeft ? TMarqueeEntry::Left : TMarqueeEntry::Right;
}

int TRealTimeMarquee::ClientExtent() const { return fOrientation == moVertical ? fClient.height() : fClient.width(); }

void TRealTimeMarquee::RecomputeGaps()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.SetGaps(ClientExtent(), fSpacing, fLoopSpacing);
}

void TRealTimeMarquee::TakeLooks()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fItemFont = font();
    fItemColor = palette().color(backgroundRole());
    fItemTextColor = palette().color(foregroundRole());
    fRightToLeft = layoutDirection() == Qt::RightToLeft;
    fEnabled = isEnabled();
}

void TRealTimeMarquee::Reset()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.Reset();
    Invalidate();
}

void TRealTimeMarquee::Invalidate()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (!fWindowCreated)
        return;
    fFullRepaint = true;
    PostRefresh();
    if (fMouseIsInside && fEnabled)
        QCoreApplication::postEvent(this, new QEvent(kCursorEvent));
}

void TRealTimeMarquee::ItemChanged(TMarqueeItem* item)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (!item) {
        if (fRing.VisibleCount != 0) {
            RecalcLayout();
            Invalidate();
        }
        UpdateTimer();
    } else if (item->Showing()) {
        RecalcLayout();
        Invalidate();
    }
}

void TRealTimeMarquee::RecalcLayout()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    fRing.RecalcLayout(ClientExtent());
}

void TRealTimeMarquee::UpdateTimer()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (fRing.Active && fWindowCreated && fItems && fItems->Count() > 0)
        StartTimer();
    else
        StopTimer();
}

void TRealTimeMarquee::StartTimer()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (fTimerID != 0 || !fWindowCreated)
        return;
    if (!fTimer)
        fTimer = std::make_unique<TMarqueeTimer>([this] { TimerTick(); });
    if (++fTimerSerial == 0)
        fTimerSerial = 1;
    fTimerID = fTimerSerial;
    fTimer->Arm(fInterval);
}

void TRealTimeMarquee::StopTimer()
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (fTimer)
        fTimer->Cancel();
    fTimerID = 0;
}

void TRealTimeMarquee::TimerTick()
{
    bool wrapped = false;
    bool cursor = false;
    std::function<void()> observer;
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        if (fTimerID == 0 || fItems->Count() == 0)
            return;
        fTimerID = 0;
        wrapped = fRing.Tick(ClientExtent());
        // The pixels are moved on the UI thread; until then they are owed.
        fPendingScroll = std::min(fPendingScroll + fRing.Step, INT_MAX / 2);
        PostRefresh();
        cursor = fMouseIsInside && fEnabled;
        observer = fTickObserver;
        // Re-armed before the lock goes: armed after it, a tick could revive a timer that the
        // UI thread has just stopped by switching Active off.
        if (fRing.Active)
            StartTimer();
        // Posted under the lock, which event() takes before reading them, so making an event here
        // is ordered before its use there; posting never waits for the UI thread.
        if (cursor)
            QCoreApplication::postEvent(this, new QEvent(kCursorEvent));
        if (wrapped)
            QCoreApplication::postEvent(this, new QEvent(kWrapEvent));
    }
    if (observer)
        observer();
}

void TRealTimeMarquee::PostRefresh()
{
    // Called under the lock; one refresh in the queue is enough however many ticks pass.
    if (fRefreshPosted || !fWindowCreated)
        return;
    fRefreshPosted = true;
    QCoreApplication::postEvent(this, new QEvent(kRefreshEvent));
}

void TRealTimeMarquee::Refresh()
{
    if (fInRefresh) { // a DUR pause handles events while an item is rendered: come back afterwards
        std::lock_guard<std::recursive_mutex> g(CS);
        fRefreshPosted = false;
        PostRefresh();
        return;
    }
    fInRefresh = true;
    Frame frame;
    int delta = 0;
    bool full = false;
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        fRefreshPosted = false;
        delta = fPendingScroll;
        fPendingScroll = 0;
        full = fFullRepaint || delta >= ClientExtent();
        fFullRepaint = false;
        if (!isVisible()) {
            full = false;
            delta = 0;
        } else if (full || delta > 0) {
            frame = TakeFrame(rect());
        }
    }
    // The pixels move by exactly what the ticks moved up to the frame, and the uncovered strip
    // is painted from that frame; the lock is not held meanwhile, so ticks never wait on the display.
    fRefreshFrame = &frame;
    if (full) {
        repaint();
    } else if (delta > 0) {
        const int w = width(), h = height();
        switch (Entry()) {
        case TMarqueeEntry::Right:
            scroll(-delta, 0);
            repaint(QRect(w - delta, 0, delta, h));
            break;
        case TMarqueeEntry::Left:
            scroll(delta, 0);
            repaint(QRect(0, 0, delta, h));
            break;
        case TMarqueeEntry::Bottom:
            scroll(0, -delta);
            repaint(QRect(0, h - delta, w, delta));
            break;
        }
    }
    fRefreshFrame = nullptr;
    fInRefresh = false;
}

TRealTimeMarquee::Frame TRealTimeMarquee::TakeFrame(const QRect& r)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    Frame f;
    f.Color = fItemColor;
    if (fRing.VisibleCount == 0)
        return f;
    WalkItems(&r, [&](TMarqueeItem* item, QPoint p) {
        item->Width(); // rendered when needed
        const QImage& picture = item->Picture();
        if (!picture.isNull() && QRect(p, picture.size()).intersects(r))
            f.Pictures.emplace_back(p, picture);
    });
    return f;
}

void TRealTimeMarquee::PaintFrame(QPainter& painter, const Frame& frame, const QRect& r)
{
    painter.fillRect(r, frame.Color);
    painter.save();
    painter.setClipRect(r, Qt::IntersectClip);
    for (const auto& [at, picture] : frame.Pictures)
        painter.drawImage(at, picture);
    painter.restore();
}

void TRealTimeMarquee::WalkItems(const QRect* cut, const std::function<void(TMarqueeItem* item, QPoint topLeft)>& visit)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    const int w = fClient.width(), h = fClient.height();
    const bool vertical = fOrientation == moVertical;
    fRing.Walk(Entry(), fClient, cut, [&](int index, int position) {
        TMarqueeItem* item = fItems->Items(index);
        const int across = vertical ? w - item->Width() : h - item->Height();
        int cross = across / 2;
        if (item->Alignment() == maLeftOrTop)
            cross = 0;
        else if (item->Alignment() == maRightOrBottom)
            cross = across;
        visit(item, vertical ? QPoint(cross, position) : QPoint(position, cross));
    });
}

void TRealTimeMarquee::DrawItems(QPainter& painter, const QRect& r) { PaintFrame(painter, TakeFrame(r), r); }

bool TRealTimeMarquee::LinkAtPos(QPoint point, QString& link)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    if (fRing.VisibleCount == 0)
        return false;
    bool found = false;
    WalkItems(nullptr, [&](TMarqueeItem* item, QPoint p) {
        if (!found)
            found = item->LinkAt(point.x() - p.x(), point.y() - p.y(), link);
    });
    return found;
}

// ---- Qt events ----

bool TRealTimeMarquee::event(QEvent* e)
{
    // The timer thread makes and posts its events under the lock; reading one under it too
    // orders the two.
    QEvent::Type type;
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        type = e->type();
    }
    if (type == kRefreshEvent) {
        Refresh();
        return true;
    }
    if (type == kWrapEvent) {
        DoWrap();
        return true;
    }
    if (type == kCursorEvent) {
        if (underMouse())
            UpdateCursorAt(mapFromGlobal(QCursor::pos()));
        return true;
    }
    return QWidget::event(e);
}

void TRealTimeMarquee::paintEvent(QPaintEvent* e)
{
    Frame own;
    const Frame* frame = fRefreshFrame;
    if (!frame) {
        std::lock_guard<std::recursive_mutex> g(CS);
        own = TakeFrame(rect());
        frame = &own;
        if (fPendingScroll > 0) {
            if (e->region().contains(rect()))
                fPendingScroll = 0; // everything is painted as it is now: nothing is owed
            else {
                // Painted ahead of pixels that have not moved yet: the next refresh paints everything.
                fFullRepaint = true;
                PostRefresh();
            }
        }
    }
    QPainter painter(this);
    PaintFrame(painter, *frame, e->rect());
}

void TRealTimeMarquee::resizeEvent(QResizeEvent* e)
{
    std::lock_guard<std::recursive_mutex> g(CS);
    QWidget::resizeEvent(e);
    fClient = size();
    if (fOrientation == moVertical)
        fItems->UnprepareAll(); // wrapped text depends on the width
    RecomputeGaps();
    RecalcLayout();
}

void TRealTimeMarquee::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::LayoutDirectionChange: {
        std::lock_guard<std::recursive_mutex> g(CS);
        fItems->UnprepareAll();
        QWidget::changeEvent(e);
        TakeLooks();
        RecalcLayout();
        Invalidate();
        return;
    }
    case QEvent::EnabledChange: {
        std::lock_guard<std::recursive_mutex> g(CS);
        fEnabled = isEnabled();
        break;
    }
    default: break;
    }
    QWidget::changeEvent(e);
}

void TRealTimeMarquee::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!fWindowCreated)
        CreateWnd();
}

void TRealTimeMarquee::enterEvent(QEnterEvent* e)
{
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        fMouseIsInside = true;
    }
    QWidget::enterEvent(e);
    DoMouseEnter();
}

void TRealTimeMarquee::leaveEvent(QEvent* e)
{
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        fMouseIsInside = false;
    }
    QWidget::leaveEvent(e);
    DoMouseLeave();
}

void TRealTimeMarquee::UpdateCursorAt(QPoint pos)
{
    if (!isEnabled())
        return;
    QString link;
    bool found;
    {
        std::lock_guard<std::recursive_mutex> g(CS);
        fActiveLink.clear();
        found = LinkAtPos(pos, link);
        if (found)
            fActiveLink = link;
    }
    if (found)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void TRealTimeMarquee::mouseMoveEvent(QMouseEvent* e)
{
    UpdateCursorAt(e->position().toPoint());
    QWidget::mouseMoveEvent(e);
}

void TRealTimeMarquee::mousePressEvent(QMouseEvent* e)
{
    fPressed = e->button() == Qt::LeftButton;
    QWidget::mousePressEvent(e);
}

void TRealTimeMarquee::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = fPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    fPressed = false;
    QWidget::mouseReleaseEvent(e);
    if (click)
        Click();
}
