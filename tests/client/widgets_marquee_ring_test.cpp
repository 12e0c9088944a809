// The marquee's ring driven tick by tick without a window: entering, leaving, loops, direction, layout.
#include "widgets/marqueering.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Items of fixed extents; asking for an extent prepares the item, as rendering would.
class FixedItems : public TMarqueeRing::TItems {
public:
    explicit FixedItems(std::vector<int> e) : extents(std::move(e)), prepared(extents.size(), false) {}
    int ItemCount() const override { return static_cast<int>(extents.size()); }
    int ItemExtent(int i) override
    {
        prepared[static_cast<size_t>(i)] = true;
        return extents[static_cast<size_t>(i)];
    }
    bool ItemPrepared(int i) const override { return prepared[static_cast<size_t>(i)]; }
    std::vector<int> extents;
    std::vector<bool> prepared;
};

struct Placed {
    int index;
    int position;
    bool operator==(const Placed&) const = default;
};

std::vector<Placed> placed(TMarqueeRing& ring, TMarqueeEntry entry, QSize client, const QRect* cut = nullptr)
{
    std::vector<Placed> out;
    ring.Walk(entry, client, cut, [&](int i, int p) { out.push_back({i, p}); });
    return out;
}

TEST(MarqueeRing, OneItemEntersAsThePreviousCopyLeaves)
{
    FixedItems items({50});
    TMarqueeRing ring(&items);
    ring.SetGaps(200, 100, 100);
    ring.Active = true;
    int wraps = 0, jumps = 0, prevX = 0;
    for (int t = 1; t <= 700; ++t) {
        wraps += ring.Tick(200);
        ASSERT_EQ(ring.VisibleCount, 1) << "tick " << t << ": never two copies at once";
        const auto p = placed(ring, TMarqueeEntry::Right, QSize(200, 20));
        ASSERT_EQ(p.size(), 1u);
        const int x = p[0].position;
        if (t == 1) {
            EXPECT_EQ(x, 199) << "enters at the right edge";
        } else if (x != prevX - 1) {
            // The old copy's trailing edge reaches the left edge on the very tick the new copy's
            // leading edge is at the right edge.
            EXPECT_EQ(prevX - 1 + 50, 0) << "tick " << t;
            EXPECT_EQ(x, 200) << "tick " << t;
            ++jumps;
        }
        prevX = x;
    }
    EXPECT_EQ(jumps, 2);
    EXPECT_EQ(wraps, 2);
    EXPECT_EQ(ring.LoopsEnded, 2u);
}

TEST(MarqueeRing, FiniteLoopsEndAfterEveryPassage)
{
    FixedItems items({30, 40, 50});
    TMarqueeRing ring(&items);
    ring.SetGaps(100, 100, 100);
    ring.NumLoops = 2;
    ring.Active = true;
    std::vector<int> entered, left;
    int wraps = 0, ticks = 0;
    while (ring.Active && ticks < 100000) {
        const int newest = ring.NewestIndex, oldest = ring.OldestIndex, visible = ring.VisibleCount;
        wraps += ring.Tick(100);
        ++ticks;
        if (visible == 0)
            entered.push_back(ring.NewestIndex);
        else if (ring.NewestIndex != newest)
            entered.push_back(ring.NewestIndex);
        if (visible > 0 && (ring.OldestIndex != oldest || ring.VisibleCount < visible))
            left.push_back(oldest);
    }
    EXPECT_FALSE(ring.Active);
    EXPECT_EQ(entered, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(left, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(wraps, 2);
    EXPECT_EQ(ring.LoopsEnded, 0u);
    EXPECT_EQ(ring.LoopsStarted, 0u);
    EXPECT_EQ(ring.VisibleCount, 0);

    // Active again: a new run from the first item.
    ring.Active = true;
    ring.Tick(100);
    EXPECT_EQ(ring.NewestIndex, 0);
    EXPECT_EQ(ring.LoopsStarted, 1u);
}

TEST(MarqueeRing, RightToLeftEntersAtTheLeftEdgeAndMovesRight)
{
    for (const int step : {1, 3}) {
        FixedItems items({50, 20});
        TMarqueeRing ring(&items);
        ring.SetGaps(200, 10, 30);
        ring.Step = step;
        ring.Active = true;
        ring.Tick(200);
        auto p = placed(ring, TMarqueeEntry::Left, QSize(200, 20));
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].position + 50, step) << "the right edge has entered by one step";
        for (int t = 0; t < 400; ++t) {
            ring.Tick(200);
            const auto left = placed(ring, TMarqueeEntry::Left, QSize(200, 20));
            const auto right = placed(ring, TMarqueeEntry::Right, QSize(200, 20));
            ASSERT_EQ(left.size(), right.size());
            for (size_t i = 0; i < left.size(); ++i) {
                // Mirror images of each other.
                EXPECT_EQ(left[i].index, right[i].index);
                EXPECT_EQ(left[i].position, 200 - right[i].position - items.extents[static_cast<size_t>(left[i].index)]);
            }
        }
        p = placed(ring, TMarqueeEntry::Left, QSize(200, 20));
        ring.Tick(200);
        const auto q = placed(ring, TMarqueeEntry::Left, QSize(200, 20));
        ASSERT_FALSE(q.empty());
        if (q.back().index == p.back().index) {
            EXPECT_EQ(q.back().position, p.back().position + step);
        }
    }
}

// A layout after a size change must leave every item where the ticks put it; the ring then goes
// on exactly as one that was never laid out again.
TEST(MarqueeRing, RecalcLayoutKeepsEveryItemWhereItIs)
{
    struct Config {
        std::vector<int> extents;
        int extent, spacing, loopSpacing, step;
        uint32_t loops;
    } const configs[] = {
        {{50}, 200, 100, 100, 1, 0},       {{30, 80, 45}, 200, 20, 50, 1, 0}, {{120, 10}, 100, 0, 0, 3, 0},
        {{300}, 100, 10, 0, 2, 0},         {{40, 40, 40}, 150, 100, 100, 2, 2}, {{25, 60}, 90, 5, 100, 1, 3},
    };
    for (const Config& c : configs) {
        FixedItems a(c.extents), b(c.extents);
        TMarqueeRing plain(&a), laid(&b);
        for (TMarqueeRing* r : {&plain, &laid}) {
            r->SetGaps(c.extent, c.spacing, c.loopSpacing);
            r->Step = c.step;
            r->NumLoops = c.loops;
            r->Active = true;
        }
        for (int t = 1; t <= 1500 && plain.Active; ++t) {
            const bool w1 = plain.Tick(c.extent);
            const bool w2 = laid.Tick(c.extent);
            ASSERT_EQ(w1, w2) << "config " << c.extent << "/" << c.extents.size() << " tick " << t;
            if (t % 7 == 0)
                laid.RecalcLayout(c.extent);
            ASSERT_EQ(placed(laid, TMarqueeEntry::Right, QSize(c.extent, 20)),
                      placed(plain, TMarqueeEntry::Right, QSize(c.extent, 20)))
                << "config " << c.extent << "/" << c.extents.size() << " tick " << t;
            ASSERT_EQ(laid.VisibleCount, plain.VisibleCount) << "tick " << t;
            ASSERT_EQ(laid.OldestIndex, plain.OldestIndex) << "tick " << t;
            ASSERT_EQ(laid.OldestOffset, plain.OldestOffset) << "tick " << t;
        }
    }
}

TEST(MarqueeRing, RecalcLayoutStartsOverWhenTheNewestItemIsNotRendered)
{
    FixedItems items({30, 30});
    TMarqueeRing ring(&items);
    ring.SetGaps(100, 10, 10);
    ring.Active = true;
    for (int t = 0; t < 60; ++t)
        ring.Tick(100);
    ASSERT_GT(ring.VisibleCount, 0);
    items.prepared.assign(2, false);
    ring.RecalcLayout(100);
    EXPECT_EQ(ring.VisibleCount, 0);
    ring.Tick(100);
    EXPECT_EQ(ring.NewestIndex, 0);
    EXPECT_EQ(ring.NewestOffset, 1);

    // Items removed: indices beyond the end are never read.
    FixedItems three({10, 10, 10});
    TMarqueeRing r3(&three);
    r3.SetGaps(100, 0, 0);
    r3.Active = true;
    for (int t = 0; t < 25; ++t)
        r3.Tick(100);
    ASSERT_EQ(r3.NewestIndex, 2);
    three.extents.resize(1);
    three.prepared.resize(1);
    r3.RecalcLayout(100);
    EXPECT_EQ(r3.NewestIndex, 0);
    r3.Tick(100);
    for (const Placed& p : placed(r3, TMarqueeEntry::Right, QSize(100, 20)))
        EXPECT_EQ(p.index, 0);
}

TEST(MarqueeRing, ShowingFollowsTheVisibleWindow)
{
    FixedItems items({10, 10, 10, 10});
    TMarqueeRing ring(&items);
    struct Case {
        int visible, oldest, newest;
        std::vector<bool> showing;
    } const cases[] = {
        {0, 0, 0, {false, false, false, false}}, {5, 2, 2, {true, true, true, true}},
        {2, 1, 2, {false, true, true, false}},   {3, 3, 1, {true, true, false, true}},
    };
    for (const Case& c : cases) {
        ring.VisibleCount = c.visible;
        ring.OldestIndex = c.oldest;
        ring.NewestIndex = c.newest;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ring.Showing(i), c.showing[static_cast<size_t>(i)]) << c.visible << c.oldest << c.newest << i;
    }
}

TEST(MarqueeRing, AStripWalkStopsAfterTheFirstItemBeyondIt)
{
    for (const TMarqueeEntry entry : {TMarqueeEntry::Right, TMarqueeEntry::Left, TMarqueeEntry::Bottom}) {
        FixedItems items({30, 12, 30, 7});
        TMarqueeRing ring(&items);
        const QSize client(200, 200);
        ring.SetGaps(200, 10, 25);
        ring.Active = true;
        for (int t = 0; t < 700; ++t) {
            ring.Tick(200);
            const QRect strip = entry == TMarqueeEntry::Right  ? QRect(199, 0, 1, 200)
                                : entry == TMarqueeEntry::Left ? QRect(0, 0, 1, 200)
                                                               : QRect(0, 199, 200, 1);
            const auto all = placed(ring, entry, client);
            const auto cut = placed(ring, entry, client, &strip);
            ASSERT_EQ(static_cast<int>(all.size()), ring.VisibleCount);
            size_t touching = 0;
            for (const Placed& p : all) {
                const int e = items.extents[static_cast<size_t>(p.index)];
                const int lo = entry == TMarqueeEntry::Bottom ? strip.top() : strip.left();
                touching += p.position < lo + 1 && p.position + e > lo;
            }
            ASSERT_LE(cut.size(), all.size());
            ASSERT_TRUE(std::equal(cut.begin(), cut.end(), all.begin())) << "a prefix of the whole walk";
            ASSERT_GE(cut.size(), touching);
            ASSERT_LE(cut.size(), touching + 2) << "tick " << t;
        }
    }
}

} // namespace
