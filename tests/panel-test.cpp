// The settings page, drawn by the real module into a Dear ImGui context the host created.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "settings-page-host.h"

namespace {

using BakkesMod::Plugin::BakkesModPlugin;
using BakkesMod::Plugin::PluginSettingsWindow;
using pluginsdk::host::CanvasCall;
using spinbeat_test::PluginSession;
using spinbeat_test::SettingsPageHost;
using Lines = std::vector<std::string>;

constexpr const char* kPlaySound = "Play sound on beat";
constexpr const char* kBpm = "BPM";
constexpr const char* kPlaytest = "Playtest beat sound";
constexpr const char* kDisplayBar = "Display revolution bar";
constexpr const char* kPosition = "Position of the revolution bar";

const Vector2 kScreen{1920, 1080};

// Every value written to the variable from now on, as the host stores it. The host calls its own
// change callbacks on every write, even one that leaves the value as it was.
std::shared_ptr<Lines> RecordWrites(PluginSession& session, const std::string& name) {
    auto writes = std::make_shared<Lines>();
    session.host.GetCvar(name).addOnValueChanged(
        [writes](const std::string& /*old*/, CVarWrapper cvar) { writes->push_back(cvar.getStringValue()); });
    return writes;
}

// The width of the bar's progress fill: the box filled in the fill's colour.
int FillWidth(const std::vector<CanvasCall>& calls) {
    const CanvasCall fillColor{CanvasCall::Op::SetColor, {}, {0, 206, 209, 224}};
    const auto color = std::find(calls.begin(), calls.end(), fillColor);
    if (color == calls.end() || color + 1 == calls.end() || color[1].op != CanvasCall::Op::FillBox) {
        ADD_FAILURE() << "the frame has no progress fill";
        return -1;
    }
    return color[1].vec.X;
}

class PanelTest : public ::testing::Test {
protected:
    PluginSession session;
    SettingsPageHost page{*session.plugin->SettingsWindow()};
};

// ---------------------------------------------------------------------------
// The page as a whole
// ---------------------------------------------------------------------------

using SettingsPage = PanelTest;

TEST_F(SettingsPage, ShowsItsSixWidgetsInOrderWithTheCurrentValues) {
    EXPECT_EQ(session.plugin->SettingsWindow()->GetPluginName(), "Spinbeat");
    // As Dear ImGui 1.75 logs a page: a check box's mark on a line above its label, a field's value
    // and a button's label as they are shown, with nothing around them.
    EXPECT_EQ(page.Draw(), "Spinbeat\n"
                           "[x]\nPlay sound on beat\n"
                           "54 - + BPM\n"
                           "Playtest beat sound\n"
                           "[x]\nDisplay revolution bar\n"
                           "0.000\nPosition of the revolution bar");

    // Nothing is kept between frames: a change from the console shows on the very next one.
    session.Console("spinbeat_playSoundOnBeat 0");
    session.Console("spinbeat_bpm -7");
    session.Console("spinbeat_displayRevolutionBar 0");
    session.Console("spinbeat_barVerticalPosition 0.25");
    EXPECT_EQ(page.Draw(), "Spinbeat\n"
                           "[ ]\nPlay sound on beat\n"
                           "-7 - + BPM\n"
                           "Playtest beat sound\n"
                           "[ ]\nDisplay revolution bar\n"
                           "0.250\nPosition of the revolution bar");
}

TEST_F(SettingsPage, DrawsOnlyIntoTheContextTheHostHandedOver) {
    // The module has its own copy of Dear ImGui: without the host's context it has none, even
    // while the host's copy has one current. Drawing into the host's context by accident would
    // mean the two copies had merged.
    session.plugin->SettingsWindow()->SetImGuiContext(0);
    EXPECT_EQ(page.DrawWithoutHandingOverTheContext(), "");
    EXPECT_EQ(page.PageEnd().y, page.PageStart().y);

    EXPECT_EQ(page.Draw().substr(0, 9), "Spinbeat\n");
    EXPECT_GT(page.PageEnd().y, page.PageStart().y);
}

TEST_F(SettingsPage, WritesNothingWhileNothingIsClicked) {
    const auto playSound = RecordWrites(session, "spinbeat_playSoundOnBeat");
    const auto bpm = RecordWrites(session, "spinbeat_bpm");
    const auto displayBar = RecordWrites(session, "spinbeat_displayRevolutionBar");
    const auto position = RecordWrites(session, "spinbeat_barVerticalPosition");

    page.Draw(10);
    // Finding the widgets passes the mouse over every one of them.
    for (const char* label : {kPlaySound, kBpm, kPlaytest, kDisplayBar, kPosition}) {
        page.Find(label);
    }
    page.Find(kBpm, "-");
    page.Find(kBpm, "+");
    page.Draw(10);

    EXPECT_EQ(*playSound, Lines{});
    EXPECT_EQ(*bpm, Lines{});
    EXPECT_EQ(*displayBar, Lines{});
    EXPECT_EQ(*position, Lines{});
    EXPECT_EQ(session.host.PendingTasks(), 0U);
}

TEST_F(SettingsPage, WithoutTheBpmVariableTheOtherWidgetsAreDrawnAndWork) {
    ASSERT_TRUE(session.host.RemoveCvar("spinbeat_bpm"));
    const auto playSound = RecordWrites(session, "spinbeat_playSoundOnBeat");
    const auto displayBar = RecordWrites(session, "spinbeat_displayRevolutionBar");
    const auto position = RecordWrites(session, "spinbeat_barVerticalPosition");

    EXPECT_EQ(page.Draw(), "Spinbeat\n"
                           "[x]\nPlay sound on beat\n"
                           "Playtest beat sound\n"
                           "[x]\nDisplay revolution bar\n"
                           "0.000\nPosition of the revolution bar");
    EXPECT_FALSE(page.Has(kBpm));

    page.Click(page.Find(kPlaySound).Center());
    page.Click(page.Find(kDisplayBar).Center());
    const spinbeat_test::WidgetBox slider = page.Find(kPosition);
    page.Drag(slider.At(0.5F), {{slider.max.x + 50, slider.Center().y}});
    page.Click(page.Find(kPlaytest).Center());

    EXPECT_EQ(*playSound, Lines{"0"});
    EXPECT_EQ(*displayBar, Lines{"0"});
    ASSERT_FALSE(position->empty());
    EXPECT_EQ(position->back(), "1");
    EXPECT_EQ(session.host.PendingTasks(), 1U);
}

// ---------------------------------------------------------------------------
// Check boxes
// ---------------------------------------------------------------------------

using CheckBoxes = PanelTest;

TEST_F(CheckBoxes, EachClickWritesTheOtherOfZeroAndOne) {
    for (const auto& [label, name] : {std::pair{kPlaySound, "spinbeat_playSoundOnBeat"},
                                      std::pair{kDisplayBar, "spinbeat_displayRevolutionBar"}}) {
        SCOPED_TRACE(label);
        const auto writes = RecordWrites(session, name);
        const spinbeat_test::WidgetBox box = page.Find(label);
        page.Click(box.Center());
        EXPECT_EQ(*writes, Lines{"0"});
        page.Click(box.Center());
        EXPECT_EQ(*writes, (Lines{"0", "1"}));
    }
}

// ---------------------------------------------------------------------------
// BPM field
// ---------------------------------------------------------------------------

using BpmField = PanelTest;

TEST_F(BpmField, TypingWritesEachNumberAndTheTempoFollows) {
    const auto writes = RecordWrites(session, "spinbeat_bpm");
    // A click into the field selects its text, so the first key replaces it.
    page.Click(page.Find(kBpm).Center());
    page.Type("120");
    page.PressEnter();
    EXPECT_EQ(*writes, (Lines{"1", "12", "120"}));

    // 60000 / 120 is exactly 500 ms.
    session.RollAt(0, 1.0F);
    session.RollAt(499, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), 0U);
    session.RollAt(500, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), 1U);
}

TEST_F(BpmField, StepButtonsMoveByOneOrByAHundredWithCtrl) {
    const auto writes = RecordWrites(session, "spinbeat_bpm");
    const spinbeat_test::WidgetBox minus = page.Find(kBpm, "-");
    const spinbeat_test::WidgetBox plus = page.Find(kBpm, "+");

    page.Click(plus.Center());
    page.Click(minus.Center());
    page.Click(minus.Center());
    page.Click(plus.Center(), true);
    page.Click(minus.Center(), true);
    page.Click(minus.Center(), true);
    EXPECT_EQ(*writes, (Lines{"55", "54", "53", "153", "53", "-47"}));
}

TEST_F(BpmField, StepDownFromOneStopsTheMetronome) {
    session.Console("spinbeat_bpm 1");
    const auto writes = RecordWrites(session, "spinbeat_bpm");
    page.Click(page.Find(kBpm, "-").Center());
    ASSERT_EQ(*writes, Lines{"0"});

    // At one beat a minute a tick every minute would beat each time; at zero nothing ever comes.
    for (std::int64_t ms = 0; ms <= 24 * 3'600'000; ms += 60'000) {
        session.RollAt(ms, 1.0F);
        ASSERT_EQ(FillWidth(session.host.Frame(kScreen)), 0) << "at " << ms << " ms";
    }
    EXPECT_TRUE(session.Object().isRolling);
    EXPECT_EQ(session.MissingSoundLines(), 0U);
}

// ---------------------------------------------------------------------------
// Position slider
// ---------------------------------------------------------------------------

using PositionSlider = PanelTest;

TEST_F(PositionSlider, DraggingWritesFractionsFromTheTopToTheBottom) {
    const auto writes = RecordWrites(session, "spinbeat_barVerticalPosition");
    const spinbeat_test::WidgetBox slider = page.Find(kPosition);
    const float y = slider.Center().y;
    // Past both ends and through the quarters in between.
    page.Drag(slider.At(0.5F),
              {{slider.min.x - 50, y}, slider.At(0.25F), slider.At(0.75F), {slider.max.x + 50, y}});

    std::vector<float> values;
    for (const std::string& text : *writes) {
        values.push_back(std::stof(text));
    }
    ASSERT_EQ(values.size(), 5U) << ::testing::PrintToString(*writes);
    for (const float value : values) {
        EXPECT_GE(value, 0.0F);
        EXPECT_LE(value, 1.0F);
    }
    // The grab's own width keeps the value a little short of the mouse's fraction of the box.
    EXPECT_NEAR(values[0], 0.5F, 0.02F);
    EXPECT_EQ(values[1], 0.0F);
    EXPECT_NEAR(values[2], 0.25F, 0.02F);
    EXPECT_NEAR(values[3], 0.75F, 0.02F);
    EXPECT_EQ(values[4], 1.0F);

    // The bar follows: at the bottom its lower edge sits on the frame's.
    session.RollAt(0, 1.0F);
    const std::vector<CanvasCall>& calls = session.host.Frame(kScreen);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().vec, (Vector2{548, 1060}));
}

// ---------------------------------------------------------------------------
// Playtest button
// ---------------------------------------------------------------------------

using PlaytestButton = PanelTest;

TEST_F(PlaytestButton, HandsTheHostOneTaskThatLooksForTheSoundEvenWithTheSoundOff) {
    session.Console("spinbeat_playSoundOnBeat 0");
    page.Click(page.Find(kPlaytest).Center());
    EXPECT_EQ(session.host.PendingTasks(), 1U);
    EXPECT_EQ(session.MissingSoundLines(), 0U);

    EXPECT_EQ(session.host.RunTasks(), 1U);
    EXPECT_EQ(session.LinesStartingWith("SOUND FILE NOT FOUND"),
              Lines{"SOUND FILE NOT FOUND: " + session.SoundPath().string()});
    EXPECT_EQ(session.host.RunTasks(), 0U);
    EXPECT_EQ(session.MissingSoundLines(), 1U);
}

TEST_F(PlaytestButton, StillReachesTheConsoleAfterUnloadUntilTheObjectIsDeleted) {
    session.plugin->Plugin()->onUnload();
    page.Click(page.Find(kPlaytest).Center());
    EXPECT_EQ(session.host.RunTasks(), 1U);
    EXPECT_EQ(session.MissingSoundLines(), 1U);
}

TEST_F(PlaytestButton, ATaskOutlivingItsObjectDoesNothing) {
    page.Click(page.Find(kPlaytest).Center());
    session.host.StopPlugin(*session.plugin);
    ASSERT_EQ(session.host.PendingTasks(), 1U);
    EXPECT_EQ(session.host.RunTasks(), 1U);
    EXPECT_EQ(session.MissingSoundLines(), 0U);

    // The host makes new objects from the still open module, as after a reload of the plugin.
    auto getPlugin = reinterpret_cast<std::uintptr_t (*)()>(session.plugin->Symbol("getPlugin"));
    auto deleteMe = reinterpret_cast<void (*)()>(session.plugin->Symbol("deleteMe"));
    auto& holder = *reinterpret_cast<std::shared_ptr<BakkesModPlugin>*>(getPlugin());
    auto start = [&] {
        getPlugin();
        holder->cvarManager =
            std::make_shared<CVarManagerWrapper>(session.host.CVarManagerFor(session.plugin->Id()));
        holder->gameWrapper = std::make_shared<GameWrapper>(session.host.GameFor(session.plugin->Id()));
        holder->onLoad();
        return pluginsdk::host::SettingsWindowOf(holder.get());
    };
    auto stop = [&] {
        holder->onUnload();
        deleteMe();
    };

    // A task queued for one object must not reach the next, even one that the allocator places
    // at the same address.
    {
        SettingsPageHost secondPage(*start());
        secondPage.Click(secondPage.Find(kPlaytest).Center());
    }
    stop();
    SettingsPageHost thirdPage(*start());
    EXPECT_EQ(session.host.RunTasks(), 1U);
    EXPECT_EQ(session.MissingSoundLines(), 0U);

    // The new object's own task does run.
    thirdPage.Click(thirdPage.Find(kPlaytest).Center());
    EXPECT_EQ(session.host.RunTasks(), 1U);
    EXPECT_EQ(session.MissingSoundLines(), 1U);
    stop();
}

} // namespace
