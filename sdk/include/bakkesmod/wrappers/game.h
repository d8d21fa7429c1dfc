// One plugin's access to the game: event hooks, drawables, the game thread and where the game is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>

#include "bakkesmod/wrappers/canvas.h"
#include "bakkesmod/wrappers/game-objects.h"
#include "bakkesmod/wrappers/plugin-manager.h"
#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct PluginLink;
struct Handles;
} // namespace pluginsdk::detail

class GameWrapper {
public:
    PLUGINSDK_API GameWrapper(const GameWrapper& other);
    PLUGINSDK_API GameWrapper& operator=(GameWrapper other);
    PLUGINSDK_API ~GameWrapper();

    // --- events -----------------------------------------------------------------------------------
    // The callback runs on the game thread each time the game runs the named function, before it
    // (Post: after it). The stand-in's game runs "Function TAGame.Car_TA.SetVehicleInput" once for
    // every car at each input update, the car its caller.
    PLUGINSDK_API void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
    PLUGINSDK_API void HookEventPost(std::string eventName,
                                     std::function<void(std::string eventName)> callback);
    // The same with the object that runs the function, as a T made from its address. The library has
    // it for the callers the game passes; a plugin sees only this declaration.
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    PLUGINSDK_API void
    HookEventWithCaller(std::string eventName,
                        std::function<void(T caller, void* params, std::string eventName)> callback);
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    PLUGINSDK_API void
    HookEventWithCallerPost(std::string eventName,
                            std::function<void(T caller, void* params, std::string eventName)> callback);
    // Removes this plugin's hooks on the named function, before it or after it; other plugins keep theirs.
    PLUGINSDK_API void UnhookEvent(std::string eventName);
    PLUGINSDK_API void UnhookEventPost(std::string eventName);

    // --- the game thread --------------------------------------------------------------------------
    // Queues the task; the host runs it once, on the game thread, at its next tick.
    PLUGINSDK_API void Execute(std::function<void(GameWrapper* game)> task);
    // The same once `seconds` of game time have passed.
    PLUGINSDK_API void SetTimeout(std::function<void(GameWrapper* game)> task, float seconds);

    // --- drawing ----------------------------------------------------------------------------------
    // The callback runs once for every drawn frame, on the thread that draws.
    PLUGINSDK_API void RegisterDrawable(std::function<void(CanvasWrapper canvas)> callback);
    // Removes this plugin's drawables; other plugins keep theirs.
    PLUGINSDK_API void UnregisterDrawables();
    // The game window's size in pixels, as the last frame had it; its scales, 1.0 at 100%.
    PLUGINSDK_API Vector2 GetScreenSize();
    PLUGINSDK_API float GetDisplayScale();
    PLUGINSDK_API float GetUIScale();
    // A box on the screen for `timeout` seconds; a line in the game's chat. Both go to the console too.
    PLUGINSDK_API void Toast(std::string title, std::string text, std::string texture = "default",
                             float timeout = 3.5F, std::uint8_t toastType = 0, float width = 290.F,
                             float height = 60.F);
    PLUGINSDK_API void LogToChatbox(std::string text, std::string sender = "BAKKESMOD");

    // --- where the player is ----------------------------------------------------------------------
    // Free play is a game, not an online one; the stand-in has no replays and no custom training.
    PLUGINSDK_API bool IsInFreeplay();
    PLUGINSDK_API bool IsInGame();
    PLUGINSDK_API bool IsInOnlineGame();
    PLUGINSDK_API bool IsInReplay();
    PLUGINSDK_API bool IsInCustomTraining();
    // Null objects where there is none, as in the menus: the stand-in simulates no game, and has only
    // the player's car, in free play.
    PLUGINSDK_API ServerWrapper GetCurrentGameState();
    PLUGINSDK_API ServerWrapper GetGameEventAsServer();
    PLUGINSDK_API CarWrapper GetLocalCar();
    PLUGINSDK_API PlayerControllerWrapper GetPlayerController();

    // The host's plugins, the ones loaded now.
    PLUGINSDK_API PluginManagerWrapper GetPluginManager();

    // --- the host's folders -----------------------------------------------------------------------
    // The host's folder, and its data folder, the `data` folder inside it.
    PLUGINSDK_API std::filesystem::path GetBakkesModPath();
    PLUGINSDK_API std::wstring GetBakkesModPathW();
    PLUGINSDK_API std::filesystem::path GetDataFolder();
    PLUGINSDK_API std::wstring GetDataFolderW();

private:
    friend struct pluginsdk::detail::Handles;
    explicit GameWrapper(pluginsdk::detail::PluginLink* link) noexcept : link_(link) {}

    // Owned.
    pluginsdk::detail::PluginLink* link_;
};

// The callers the library has hooks for; any other object is hooked as an ActorWrapper and made from
// the caller's address. `EACH(T, prefix)` is given each one, with what goes before its declaration.
#define PLUGINSDK_HOOK_CALLERS(EACH, prefix)                                                                 \
    EACH(ActorWrapper, prefix)                                                                               \
    EACH(BallWrapper, prefix)                                                                                \
    EACH(CarComponentWrapper, prefix)                                                                        \
    EACH(CarWrapper, prefix)                                                                                 \
    EACH(PlayerControllerWrapper, prefix)                                                                    \
    EACH(PriWrapper, prefix)                                                                                 \
    EACH(ServerWrapper, prefix)
// Both forms of the hook with caller for T. `prefix` is words of a declaration, never an expression.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define PLUGINSDK_HOOK_WITH_CALLER(T, prefix)                                                                \
    prefix void GameWrapper::HookEventWithCaller<T>(                                                         \
        std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback); \
    prefix void GameWrapper::HookEventWithCallerPost<T>(                                                     \
        std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback);
// NOLINTEND(bugprone-macro-parentheses)
PLUGINSDK_HOOK_CALLERS(PLUGINSDK_HOOK_WITH_CALLER, extern template PLUGINSDK_API)

static_assert(sizeof(GameWrapper) == 8 && !std::is_trivially_copyable_v<GameWrapper>);
