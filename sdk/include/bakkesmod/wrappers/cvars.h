// The console: its variables, and one plugin's access to them and to its log lines.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/values.h"
#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct CVarHandle;
struct PluginLink;
struct Handles;
} // namespace pluginsdk::detail

static_assert(sizeof(void*) == 8, "the host is a 64-bit program");

// A handle is one pointer to the host's own state. Copies, assignments and releases go through the
// library, never inline: a handle is not trivially copyable, so both sides pass and return it through
// a pointer. There are no move members: a handle is always copied.

// A handle to one console variable; a handle to no variable converts to false.
class CVarWrapper {
public:
    PLUGINSDK_API CVarWrapper(const CVarWrapper& other);
    PLUGINSDK_API CVarWrapper& operator=(CVarWrapper other);
    PLUGINSDK_API ~CVarWrapper();

    PLUGINSDK_API std::string getCVarName();
    PLUGINSDK_API std::string getDescription();
    PLUGINSDK_API std::string getStringValue();
    // Text is read leniently: anything that is not a number reads as 0.
    PLUGINSDK_API bool getBoolValue();
    PLUGINSDK_API int getIntValue();
    PLUGINSDK_API float getFloatValue();

    // Each setter clamps to the declared bounds, then runs every change callback.
    PLUGINSDK_API void setValue(std::string value);
    PLUGINSDK_API void setValue(int value);
    PLUGINSDK_API void setValue(float value);
    // Stored as "(R, G, B, A)".
    PLUGINSDK_API void setValue(LinearColor value);

    // "(R, G, B, A)" or "#RRGGBB[AA]", channels 0 to 255; anything else reads as all 0.
    PLUGINSDK_API LinearColor getColorValue();
    // Back to the value it was registered with, through the setter.
    PLUGINSDK_API void ResetToDefault();

    // The callback runs after every later change of the value, on the thread that changed it.
    PLUGINSDK_API void
    addOnValueChanged(std::function<void(std::string oldValue, CVarWrapper cvar)> callback);
    // Drops the change callbacks and bindings this plugin added to the variable.
    PLUGINSDK_API void removeOnValueChanged();
    // Keeps `*target` equal to the variable's value, written now and at each change.
    PLUGINSDK_API void bindTo(std::shared_ptr<int> target);
    PLUGINSDK_API void bindTo(std::shared_ptr<float> target);
    PLUGINSDK_API void bindTo(std::shared_ptr<std::string> target);
    PLUGINSDK_API void bindTo(std::shared_ptr<bool> target);
    PLUGINSDK_API void bindTo(std::shared_ptr<LinearColor> target);

    PLUGINSDK_API bool IsNull();
    PLUGINSDK_API explicit operator bool();

private:
    friend struct pluginsdk::detail::Handles;
    explicit CVarWrapper(pluginsdk::detail::CVarHandle* handle) noexcept : handle_(handle) {}

    // Owned: null for no variable.
    pluginsdk::detail::CVarHandle* handle_;
};

// One plugin's access to the console: its variables and its log lines.
class CVarManagerWrapper {
public:
    PLUGINSDK_API CVarManagerWrapper(const CVarManagerWrapper& other);
    PLUGINSDK_API CVarManagerWrapper& operator=(CVarManagerWrapper other);
    PLUGINSDK_API ~CVarManagerWrapper();

    // Registering a name that exists already returns the existing variable unchanged.
    PLUGINSDK_API CVarWrapper registerCvar(std::string name, std::string defaultValue,
                                           std::string description = "", bool searchable = true,
                                           bool hasMin = false, float min = 0.0F, bool hasMax = false,
                                           float max = 0.0F, bool saveToConfig = true);
    PLUGINSDK_API CVarWrapper getCvar(std::string name);
    // Forgets one of this plugin's variables; false when it has none of that name.
    PLUGINSDK_API bool removeCvar(std::string name);

    // A console command: typing `name a b` calls the notifier with {"name", "a", "b"}, on the game
    // thread. `permissions` says where it may run (0 everywhere; 4 free play, ...); the stand-in runs
    // it wherever free play would allow it.
    PLUGINSDK_API void registerNotifier(std::string name,
                                        std::function<void(std::vector<std::string> arguments)> notifier,
                                        std::string description, unsigned char permissions);
    PLUGINSDK_API void registerNotifier(std::string name,
                                        void (*notifier)(std::vector<std::string> arguments),
                                        std::string description, unsigned char permissions);
    // False when this plugin has no command of that name.
    PLUGINSDK_API bool removeNotifier(std::string name);
    // Runs console input as if typed: commands separated by ';', each a variable (`name value` sets
    // it, `name` shows it) or a command. `log` echoes each to the console first.
    PLUGINSDK_API void executeCommand(std::string command, bool log = true);

    // Keys bound to console input, as the player's `bind`: pressing the key (its name, "F3") runs
    // the command. Without a bind the key's string is empty.
    PLUGINSDK_API void setBind(std::string key, std::string command);
    PLUGINSDK_API void removeBind(std::string key);
    PLUGINSDK_API std::string getBindStringForKey(std::string key);
    // A name that runs the console input `script` when typed; empty for no alias.
    PLUGINSDK_API void setAlias(std::string key, std::string script);
    PLUGINSDK_API std::string getAlias(std::string alias);
    // Files of the host's folder (or a path of the plugin's): the binds as `bind KEY "COMMAND"`
    // lines, the variables' values as the host saves them, and console input run line by line.
    PLUGINSDK_API void backupBinds(std::string path);
    PLUGINSDK_API void backupCfg(std::string path);
    PLUGINSDK_API void loadCfg(std::string path);

    // One console line, written as given.
    PLUGINSDK_API void log(std::string text);
    // The same in the console's 8-bit text; a character it cannot show becomes '?'.
    PLUGINSDK_API void log(std::wstring text);

private:
    friend struct pluginsdk::detail::Handles;
    explicit CVarManagerWrapper(pluginsdk::detail::PluginLink* link) noexcept : link_(link) {}

    // Owned.
    pluginsdk::detail::PluginLink* link_;
};

static_assert(sizeof(CVarWrapper) == 8 && sizeof(CVarManagerWrapper) == 8);
static_assert(!std::is_trivially_copyable_v<CVarWrapper>);
