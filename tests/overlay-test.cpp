// The revolution bar, read back from the host's recorded canvas calls.
#include <gtest/gtest.h>

#include <vector>

#include "plugin-session.h"

namespace {

using pluginsdk::host::CanvasCall;
using pluginsdk::host::Color;
using spinbeat_test::PluginSession;
using Op = CanvasCall::Op;

constexpr Vector2 kFullHd{1920, 1080};

CanvasCall Position(Vector2 at) { return {Op::SetPosition, at, {}}; }
CanvasCall Paint(Color color) { return {Op::SetColor, {}, color}; }
CanvasCall Fill(Vector2 size) { return {Op::FillBox, size, {}}; }
CanvasCall Outline(Vector2 size) { return {Op::DrawBox, size, {}}; }

// The bar's top-left corner and its fill width, from a frame of fourteen calls.
struct Bar {
    Vector2 position;
    std::int32_t fill;
};

Bar ReadBar(const std::vector<CanvasCall>& calls) {
    EXPECT_EQ(calls.size(), 14U);
    if (calls.size() != 14U) {
        return {{-1, -1}, -1};
    }
    return {calls[0].vec, calls[5].vec.X};
}

Bar DrawBar(PluginSession& session, Vector2 frame = kFullHd) { return ReadBar(session.host.Frame(frame)); }

TEST(RevolutionBar, DrawsBackgroundFillMarksAndFrameInThatOrder) {
    PluginSession session;
    session.RollAt(0, 1.0F);
    session.RollAt(555, 1.0F);

    const Vector2 at{548, 0};
    const std::vector<CanvasCall> expected = {
        Position(at),
        Paint({255, 255, 255, 130}),
        Fill({825, 20}),
        Position(at),
        Paint({0, 206, 209, 224}),
        // 825 * 555 / 1111.1111, truncated.
        Fill({412, 20}),
        Position(at),
        Paint({255, 255, 255, 255}),
        Outline({206, 20}),
        Outline({618, 20}),
        Paint({0, 0, 0, 255}),
        Outline({412, 20}),
        Paint({255, 255, 255, 255}),
        Outline({825, 20}),
    };
    EXPECT_EQ(session.host.Frame(kFullHd), expected);
}

TEST(RevolutionBar, SitsCentredAtTheChosenHeightForAnyFrameSize) {
    struct Case {
        const char* position;
        Vector2 frame;
        Vector2 expected;
    };
    const Case cases[] = {
        {"0", kFullHd, {548, 0}},
        {"0.5", kFullHd, {548, 530}},
        {"1", kFullHd, {548, 1060}},
        // Odd sizes: 960.5 - 412 and 1061 * 0.5 truncate toward zero.
        {"0.5", {1921, 1081}, {548, 530}},
        // Narrower than the bar: it hangs off both sides.
        {"0.25", {600, 400}, {-112, 95}},
        // Shorter than the bar: the free height is negative, so is the position.
        {"1", {0, 10}, {-412, -10}},
        // -6.5 truncates toward zero, not down.
        {"0.5", {3, 7}, {-410, -6}},
    };
    PluginSession session;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.position) + " in " + std::to_string(c.frame.X) + "x" +
                     std::to_string(c.frame.Y));
        session.Console(std::string("spinbeat_barVerticalPosition ") + c.position);
        EXPECT_EQ(DrawBar(session, c.frame).position, c.expected);
    }
}

TEST(RevolutionBar, FillsOverTheBeatIsFullOnTheBeatTickAndEmptyAfterRelease) {
    PluginSession session;
    EXPECT_EQ(DrawBar(session).fill, 0) << "not rolling yet";
    for (std::int64_t ms = 0; ms < 1112; ms += 8) {
        session.RollAt(ms, 1.0F);
    }
    EXPECT_EQ(DrawBar(session).fill, 819);
    session.RollAt(1112, 1.0F);
    EXPECT_EQ(DrawBar(session).fill, 825);
    EXPECT_EQ(DrawBar(session).fill, 825) << "every frame until the next tick";
    session.RollAt(1120, 1.0F);
    EXPECT_EQ(DrawBar(session).fill, 5);
    session.RollAt(1128, 0.5F);
    EXPECT_EQ(DrawBar(session).fill, 0);
}

TEST(RevolutionBar, ZeroTempoNeverFillsAndANegativeTempoIsAlwaysFull) {
    PluginSession session;
    session.Console("spinbeat_bpm 0");
    session.RollAt(0, 1.0F);
    session.RollAt(100'000, 1.0F);
    EXPECT_EQ(DrawBar(session).fill, 0);
    session.Console("spinbeat_bpm -1");
    EXPECT_EQ(DrawBar(session).fill, 825);
}

TEST(RevolutionBar, HiddenOutsideFreePlayOrWhenSwitchedOffAfterOneQuery) {
    PluginSession session;
    session.RollAt(0, 1.0F);

    session.host.SetFreeplay(false);
    auto queries = session.host.FreeplayQueries();
    EXPECT_TRUE(session.host.Frame(kFullHd).empty());
    EXPECT_EQ(session.host.FreeplayQueries() - queries, 1U);

    session.host.SetFreeplay(true);
    session.Console("spinbeat_displayRevolutionBar 0");
    queries = session.host.FreeplayQueries();
    EXPECT_TRUE(session.host.Frame(kFullHd).empty());
    EXPECT_EQ(session.host.FreeplayQueries() - queries, 1U);

    session.Console("spinbeat_displayRevolutionBar 1");
    EXPECT_EQ(session.host.Frame(kFullHd).size(), 14U);
}

} // namespace
