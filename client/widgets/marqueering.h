// The marquee's ring of items: which items are in the visible window and where, advanced tick by tick.
#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <functional>

// The edge items enter at: the right edge (horizontal), the left edge (horizontal, right-to-left
// alignment) or the bottom edge (vertical).
enum class TMarqueeEntry { Right, Left, Bottom };

// The ring state of a marquee without any painting, so it can be driven and checked tick by tick.
// Offsets are measured from the entry edge to an item's leading edge.
class TMarqueeRing {
public:
    // What the ring needs of the items; ItemExtent is the size along the scrolling direction and
    // may render the item first.
    class TItems {
    public:
        virtual ~TItems() = default;
        virtual int ItemCount() const = 0;
        virtual int ItemExtent(int index) = 0;
        virtual bool ItemPrepared(int index) const = 0;
    };

    explicit TMarqueeRing(TItems* items) : fItems(items) {}

    // Settings.
    bool Active = false;
    int Step = 1;
    uint32_t NumLoops = 0;
    int GapBetweenItems = 0;
    int GapBetweenLoops = 0;

    // State.
    int VisibleCount = 0;
    int OldestIndex = 0;
    int NewestIndex = 0;
    int NewestOffset = 0;
    int OldestOffset = 0;
    uint32_t LoopsStarted = 0;
    uint32_t LoopsEnded = 0;

    // Both gaps from the client extent and the percentages, rounded to the nearest pixel.
    void SetGaps(int clientExtent, int spacing, int loopSpacing);
    // One tick: moves every item by Step, retires the oldest item once it has left and admits the
    // next one once there is room. Answers whether the oldest index wrapped to the first item.
    bool Tick(int clientExtent);
    // Rebuilds the visible window backwards from the newest item after sizes changed.
    void RecalcLayout(int clientExtent);
    // The next tick starts a new run from the first item.
    void Reset();
    bool Showing(int index) const;
    int GapBefore(int index) const { return index == 0 ? GapBetweenLoops : GapBetweenItems; }

    // Calls visit(index, position) for the visible items from the newest to the oldest, where
    // position is the item's left (horizontal) or top (vertical) edge in a client area of the given
    // size. With a cut rectangle it stops at the first item lying wholly beyond it.
    void Walk(TMarqueeEntry entry, QSize client, const QRect* cut, const std::function<void(int index, int position)>& visit);

private:
    int Previous(int index) const { return index == 0 ? fItems->ItemCount() - 1 : index - 1; }

    TItems* fItems;
};
