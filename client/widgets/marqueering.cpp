// The marquee's ring: ticks, layout after size changes and the walk over the visible items.
#include "widgets/marqueering.h"

#include <algorithm>

void TMarqueeRing::SetGaps(int clientExtent, int spacing, int loopSpacing)
{
    auto gap = [&](int percent) {
        const int64_t v = static_cast<int64_t>(std::max(clientExtent, 0)) * percent;
        return static_cast<int>((v + 50) / 100);
    };
    GapBetweenItems = gap(spacing);
    GapBetweenLoops = gap(loopSpacing);
}

void TMarqueeRing::Reset()
{
    VisibleCount = 0;
    LoopsStarted = 0;
    LoopsEnded = 0;
}

bool TMarqueeRing::Tick(int clientExtent)
{
    const int count = fItems->ItemCount();
    if (count <= 0)
        return false;
    // Items removed since the last layout: start over rather than read past the end.
    if (OldestIndex >= count || NewestIndex >= count)
        VisibleCount = 0;
    if (VisibleCount == 0) {
        OldestIndex = NewestIndex = 0;
        OldestOffset = NewestOffset = 0;
        ++LoopsStarted;
        VisibleCount = 1;
    }
    OldestOffset += Step;
    NewestOffset += Step;

    bool wrapped = false;
    const int oldestExtent = fItems->ItemExtent(OldestIndex);
    if (OldestOffset >= clientExtent + oldestExtent) {
        OldestOffset -= oldestExtent;
        --VisibleCount;
        ++OldestIndex;
        if (OldestIndex >= count) {
            OldestIndex = 0;
            wrapped = true;
            ++LoopsEnded;
            if (NumLoops != 0 && LoopsEnded >= NumLoops) {
                Active = false;
                LoopsStarted = 0;
                LoopsEnded = 0;
            }
            OldestOffset -= GapBetweenLoops;
        } else {
            OldestOffset -= GapBetweenItems;
        }
    }

    if (Active) {
        const int last = count - 1;
        const int gap = NewestIndex == last ? GapBetweenLoops : GapBetweenItems;
        const int newestExtent = fItems->ItemExtent(NewestIndex);
        if (NewestOffset >= newestExtent + gap && (NumLoops == 0 || LoopsStarted < NumLoops || NewestIndex != last)) {
            NewestOffset -= newestExtent + gap;
            ++NewestIndex;
            if (NewestIndex >= count) {
                NewestIndex = 0;
                ++LoopsStarted;
            }
            ++VisibleCount;
            // Rendered as it enters, so a layout before the next tick finds it prepared and
            // keeps it instead of stepping back over it.
            fItems->ItemExtent(NewestIndex);
        }
    }
    return wrapped;
}

void TMarqueeRing::RecalcLayout(int clientExtent)
{
    if (VisibleCount == 0)
        return;
    VisibleCount = 0;
    const int count = fItems->ItemCount();
    if (count == 0)
        return;
    NewestIndex = std::min(NewestIndex, count - 1);
    while (NewestIndex > 0 && !fItems->ItemPrepared(NewestIndex))
        --NewestIndex;
    // Walk back from the newest item through the items whose trailing edge has not yet left;
    // each step back adds the gap before the newer item and the older item's own extent. Loops
    // before the first of this run were never shown, so the walk stops there.
    int index = NewestIndex;
    int offset = NewestOffset;
    uint32_t loops = LoopsStarted;
    OldestIndex = index;
    OldestOffset = offset;
    while (fItems->ItemPrepared(index) && offset - fItems->ItemExtent(index) < clientExtent) {
        ++VisibleCount;
        OldestIndex = index;
        OldestOffset = offset;
        if (VisibleCount > clientExtent + 2)
            break; // only items of no size without gaps get here; ticks never show more
        if (index == 0) {
            if (loops <= 1)
                break;
            --loops;
        }
        const int gap = GapBefore(index);
        index = Previous(index);
        offset += gap + fItems->ItemExtent(index);
    }
}

bool TMarqueeRing::Showing(int index) const
{
    if (VisibleCount == 0)
        return false;
    if (VisibleCount > fItems->ItemCount())
        return true;
    if (OldestIndex <= NewestIndex)
        return index >= OldestIndex && index <= NewestIndex;
    return index >= OldestIndex || index <= NewestIndex;
}

void TMarqueeRing::Walk(TMarqueeEntry entry, QSize client, const QRect* cut,
                        const std::function<void(int index, int position)>& visit)
{
    if (VisibleCount == 0 || fItems->ItemCount() == 0)
        return;
    int index = std::min(NewestIndex, fItems->ItemCount() - 1);
    switch (entry) {
    case TMarqueeEntry::Right: {
        int x = client.width() - NewestOffset;
        for (int n = 0; n < VisibleCount; ++n) {
            visit(index, x);
            x -= GapBefore(index);
            if (cut && cut->left() > x)
                break;
            index = Previous(index);
            x -= fItems->ItemExtent(index);
        }
        break;
    }
    case TMarqueeEntry::Left: {
        int x = NewestOffset - fItems->ItemExtent(index);
        for (int n = 0; n < VisibleCount; ++n) {
            visit(index, x);
            x += fItems->ItemExtent(index) + GapBefore(index);
            if (cut && cut->left() + cut->width() < x)
                break;
            index = Previous(index);
        }
        break;
    }
    case TMarqueeEntry::Bottom: {
        int y = client.height() - NewestOffset;
        for (int n = 0; n < VisibleCount; ++n) {
            visit(index, y);
            y -= GapBefore(index);
            if (cut && cut->top() > y)
                break;
            index = Previous(index);
            y -= fItems->ItemExtent(index);
        }
        break;
    }
    }
}
