// The free-play game as a plugin built against these headers reads it: one record per object, null
// objects outside free play, and the camera that Project looks through.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host-state.h"
#include "pluginsdk/host/host.h"

namespace {

using pluginsdk::detail::Handles;
using pluginsdk::host::Host;
using pluginsdk::host::PluginStopped;

struct Game {
    Game() { host.AddCar(); }
    Host host;
    GameWrapper game = Handles::Game(host.State(), 7);
};

TEST(GameArena, ObjectsAreOneRecordThroughEveryCopyAndNullOutsideFreePlay) {
    Game arena;
    GameWrapper& game = arena.game;
    EXPECT_TRUE(game.GetCurrentGameState().IsNull());
    EXPECT_TRUE(game.GetLocalCar().IsNull());
    arena.host.SetFreeplay(true);
    ServerWrapper server = game.GetCurrentGameState();
    ASSERT_FALSE(server.IsNull());
    EXPECT_EQ(server.memory_address, game.GetGameEventAsServer().memory_address);

    BallWrapper ball = server.GetBall();
    EXPECT_EQ(ball.GetLocation(), (Vector{0.0F, 0.0F, 92.75F}));
    BallWrapper(ball.memory_address).SetLocation({1.0F, 2.0F, 3.0F});
    EXPECT_EQ(BallWrapper(ball).GetLocation(), (Vector{1.0F, 2.0F, 3.0F}));

    CarWrapper car = game.GetLocalCar();
    EXPECT_EQ(car.GetOwnerName(), "Player");
    EXPECT_EQ(car.GetRotation(), (Rotator{0, 16384, 0}));
    EXPECT_FALSE(car.GetPRI().IsNull());
    car.SetAngularVelocity({1.0F, 0.0F, 0.0F}, false);
    car.SetAngularVelocity({1.0F, 0.5F, 0.0F}, true);
    EXPECT_EQ(car.GetAngularVelocity(), (Vector{2.0F, 0.5F, 0.0F}));
    // A velocity is the car's own, not the ball's.
    car.SetVelocity({9.0F, 0.0F, 0.0F});
    EXPECT_EQ(ball.GetVelocity(), Vector{});

    // Leaving free play takes the game away; what a plugin kept still reads, and still the same.
    arena.host.SetFreeplay(false);
    EXPECT_TRUE(game.GetCurrentGameState().IsNull());
    EXPECT_EQ(ball.GetLocation(), (Vector{1.0F, 2.0F, 3.0F}));

    // The game would crash on a null object, and on an address that is none of its objects.
    EXPECT_THROW(BallWrapper(0).GetLocation(), PluginStopped);
    EXPECT_THROW(BallWrapper(ball.memory_address + 8).SetLocation({}), PluginStopped);
}

TEST(GameArena, ProjectLandsOnTheBallTheViewDrawsAndAPlaceBehindTheCameraOffTheFrame) {
    Game arena;
    arena.host.SetFreeplay(true);
    arena.host.PlaceBall({300.0F, -2000.0F, 200.0F});
    Vector2F marker;
    Vector2F behind;
    Vector2 rounded;
    arena.game.RegisterDrawable([&](CanvasWrapper canvas) {
        const Vector ball = arena.game.GetCurrentGameState().GetBall().GetLocation();
        marker = canvas.ProjectF(ball);
        rounded = canvas.Project(ball);
        behind = canvas.ProjectF({0.0F, -9000.0F, 17.0F});
    });
    const Vector2 size{1280, 720};
    arena.host.Frame(size);
    float radius = 0.0F;
    const auto drawn = arena.host.ProjectBall(size, radius);
    ASSERT_TRUE(drawn.has_value());
    EXPECT_EQ(marker, *drawn);
    EXPECT_EQ(rounded,
              (Vector2{static_cast<int>(std::lround(drawn->X)), static_cast<int>(std::lround(drawn->Y))}));
    // The game's axes turn left-handed: looking along +y, +x is on the left.
    EXPECT_LT(marker.X, 640.0F);
    EXPECT_LT(marker.Y, 360.0F + 60.0F);
    EXPECT_GT(radius, 10.0F);
    EXPECT_LT(behind.X, -1000.0F);

    // The chase camera follows a car the session moves: the ball straight ahead is at the centre.
    arena.host.PlaceCar({300.0F, -3000.0F, 17.0F});
    arena.host.PlaceBall({300.0F, -2000.0F, 17.0F + 110.0F});
    ASSERT_TRUE(arena.host.ProjectBall(size, radius).has_value());
    EXPECT_NEAR(arena.host.ProjectBall(size, radius)->X, 640.0F, 0.01F);
}

} // namespace
