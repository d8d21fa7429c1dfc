// Another developer's plugin, built against the host's declarations: it uses what spinbeat-host
// implements, reads and moves the free-play game's objects, and on command a member spinbeat-host does
// not implement, on the player's car or on the null car outside free play.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "facts-sdk.h"

namespace {

constexpr const char* kInput = "Function TAGame.Car_TA.SetVehicleInput";

std::string Text(Vector v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g %g %g", v.X, v.Y, v.Z);
    return text;
}

class Facts final : public BakkesMod::Plugin::BakkesModPlugin {
public:
    void onLoad() override {
        cvarManager->log("facts: loading");
        cvarManager->registerNotifier(
            "facts_ping",
            [this](std::vector<std::string> words) {
                std::string heard;
                for (const auto& word : words) {
                    heard += " " + word;
                }
                cvarManager->log("facts: heard" + heard);
            },
            "Says what it was given", 0);
        cvarManager->executeCommand("facts_ping from onLoad");
        gameWrapper->HookEvent(kInput, [this](std::string) { ++updates_; });
        gameWrapper->HookEventWithCaller<CarWrapper>(kInput, [this](CarWrapper car, void*, std::string) {
            roll_ = car.GetInput().Roll;
            driver_ = car.GetPRI().GetPlayerName().ToString();
        });
        // A goal is the game's to fire: a session fires it with the ball as its caller.
        gameWrapper->HookEventWithCaller<BallWrapper>(
            "Function TAGame.Ball_TA.OnHitGoal", [this](BallWrapper ball, void*, std::string) {
                cvarManager->log("facts: goal by the ball at " + Text(ball.GetLocation()));
            });
        gameWrapper->SetTimeout(
            [this](GameWrapper*) {
                cvarManager->log("facts: " + std::to_string(updates_) + " updates, roll " +
                                 std::to_string(static_cast<int>(roll_)) + ", driver " + driver_);
            },
            0.1F);
        gameWrapper->RegisterDrawable([](CanvasWrapper canvas) {
            canvas.SetPosition(Vector2F{5.0F, 6.5F});
            canvas.SetColor(LinearColor(255, 255, 0, 255));
            canvas.DrawString("facts", 2.0F, 2.0F);
        });
        // Outside free play the player has no car, and the game would crash on the null one.
        cvarManager->registerNotifier(
            "facts_demolish", [this](std::vector<std::string>) { gameWrapper->GetLocalCar().Demolish(); }, "",
            0);
        cvarManager->registerNotifier(
            "facts_game", [this](std::vector<std::string>) { ReportGame(); }, "", 0);
        cvarManager->log("facts: loaded");
    }

private:
    void ReportGame() {
        ServerWrapper game = gameWrapper->GetCurrentGameState();
        if (game.IsNull()) {
            cvarManager->log("facts: no game");
            return;
        }
        BallWrapper ball = game.GetBall();
        PriWrapper player = game.GetPRIs().Get(0);
        ArrayWrapper<GoalWrapper> goals = game.GetGoals();
        cvarManager->log(
            "facts: ball at " + Text(ball.GetLocation()) + ", " + std::to_string(game.GetCars().Count()) +
            " car, " + player.GetPlayerName().ToString() + " on team " + std::to_string(player.GetTeamNum()) +
            ", goals at " + Text(goals.Get(0).GetLocation()) + " and " + Text(goals.Get(1).GetLocation()));
        // What is set through one object reads back through another made from its address.
        ball.SetLocation({1.0F, 2.0F, 3.0F});
        cvarManager->log("facts: ball moved to " + Text(BallWrapper(ball.memory_address).GetLocation()));
    }

    int updates_ = 0;
    float roll_ = 0.0F;
    std::string driver_;
};

std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> holder;

} // namespace

extern "C" {
__declspec(dllexport) std::uintptr_t getPlugin() {
    if (!holder) {
        holder = std::make_shared<Facts>();
    }
    return reinterpret_cast<std::uintptr_t>(&holder);
}
__declspec(dllexport) void deleteMe() { holder.reset(); }

// The loader's record: the host reads its first field as a 16-bit number.
struct Record {
    short apiBuildVersion;
    const char* sourceFileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    int pluginType;
    std::uintptr_t (*create)();
    void (*destroy)();
};
__declspec(dllexport) extern const Record exports = {95,    __FILE__, "Facts",    "Facts",
                                                     "1.0", 1,        &getPlugin, &deleteMe};
}
