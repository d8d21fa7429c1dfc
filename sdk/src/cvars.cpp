// Console variables and commands: the variables plugins register, what they are set to, and the
// commands typed into the console or run by plugins.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "host-state.h"
#include "platform.h"

namespace pluginsdk::detail {

std::string FormatFloat(float value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

namespace {

// What a value becomes once it has been clamped to the variable's bounds, as stored text.
std::string Bounded(const CVarState& cvar, std::string text) {
    if (!cvar.hasMin && !cvar.hasMax) {
        return text;
    }
    const double value = ParseNumberLeniently(text);
    // A value that is no number at all has no place between the bounds: take the nearest bound.
    if (std::isnan(value)) {
        return FormatFloat(cvar.hasMin ? cvar.min : cvar.max);
    }
    if (cvar.hasMin && value < cvar.min) {
        return FormatFloat(cvar.min);
    }
    if (cvar.hasMax && value > cvar.max) {
        return FormatFloat(cvar.max);
    }
    return text;
}

void SetText(const std::shared_ptr<CVarState>& cvar, std::string text) {
    std::string oldValue;
    std::vector<std::shared_ptr<CVarState::Callback>> callbacks;
    {
        std::lock_guard lock(cvar->mutex);
        oldValue = std::exchange(cvar->value, Bounded(*cvar, std::move(text)));
        callbacks = cvar->callbacks;
    }
    // Outside the lock: a callback may read or set the variable again.
    for (const auto& callback : callbacks) {
        if (callback->alive) {
            CallPlugin(*cvar->host, callback->owner, {"its change callback of ", cvar->name},
                       [&] { callback->fn(oldValue, Handles::CVar(cvar, callback->owner)); });
        }
    }
}

} // namespace

CVarWrapper HostState::Register(std::uint64_t owner, std::string name, std::string defaultValue,
                                std::string description, bool searchable, bool hasMin, float min, bool hasMax,
                                float max, bool saveToConfig) {
    std::lock_guard lock(mutex);
    auto found = cvars.find(name);
    if (found != cvars.end()) {
        return Handles::CVar(found->second, owner);
    }
    auto cvar = std::make_shared<CVarState>();
    cvar->name = name;
    cvar->value = defaultValue;
    cvar->defaultValue = std::move(defaultValue);
    cvar->description = std::move(description);
    cvar->searchable = searchable;
    cvar->hasMin = hasMin;
    cvar->min = min;
    cvar->hasMax = hasMax;
    cvar->max = max;
    cvar->saveToConfig = saveToConfig;
    cvar->owner = owner;
    cvar->host = this;
    cvars.emplace(std::move(name), cvar);
    return Handles::CVar(std::move(cvar), owner);
}

CVarWrapper HostState::Find(std::string_view name, std::uint64_t owner) {
    std::lock_guard lock(mutex);
    auto found = cvars.find(name);
    return Handles::CVar(found != cvars.end() ? found->second : nullptr, owner);
}

namespace {

// A variable or a command goes only at the asking of the plugin that made it.
template <typename Entries>
bool EraseOwned(HostState& host, Entries& entries, std::string_view name, std::uint64_t owner) {
    std::lock_guard lock(host.mutex);
    const auto found = entries.find(name);
    if (found == entries.end() || found->second->owner != owner) {
        return false;
    }
    entries.erase(found);
    return true;
}

// Where a command may run, by the host's mask: free play is offline and has no pause menu open, and
// the stand-in is in its menus otherwise.
constexpr unsigned char kAnywhere = 0;
constexpr unsigned char kInMenu = 1;
constexpr unsigned char kInFreeplay = 4;
constexpr unsigned char kPauseMenuClosed = 32;
constexpr unsigned char kOffline = 128;

// Commands end at a ';' that no quote holds.
std::vector<std::string_view> SplitCommands(std::string_view input) {
    std::vector<std::string_view> commands;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || (input[i] == ';' && !quoted)) {
            commands.push_back(input.substr(start, i - start));
            start = i + 1;
        } else if (input[i] == '"') {
            quoted = !quoted;
        }
    }
    return commands;
}

} // namespace

void HostState::Execute(std::uint64_t owner, std::string_view input) {
    for (const std::string_view text : SplitCommands(input)) {
        const auto command = host::ParseConsoleLine(text);
        if (!command) {
            continue;
        }
        std::shared_ptr<NotifierEntry> notifier;
        {
            std::lock_guard lock(mutex);
            if (const auto found = notifiers.find(command->name); found != notifiers.end()) {
                notifier = found->second;
            }
        }
        if (notifier) {
            const unsigned char here = freeplay.load(std::memory_order_relaxed)
                                           ? kInFreeplay | kPauseMenuClosed | kOffline
                                           : kInMenu | kPauseMenuClosed | kOffline;
            if (notifier->permissions != kAnywhere && (notifier->permissions & here) == 0) {
                Log("Command " + command->name + " cannot run here");
            } else if (!HasFailed(notifier->owner)) {
                CallPlugin(*this, notifier->owner, {"its command ", command->name},
                           [&] { notifier->fn(CommandWords(text)); });
            }
            continue;
        }
        CVarWrapper cvar = Find(command->name, owner);
        if (!cvar) {
            Log("Unknown command: " + command->name);
        } else if (command->value) {
            cvar.setValue(*command->value);
        } else {
            Log(command->name + " = \"" + cvar.getStringValue() + "\"");
        }
    }
}

namespace {

// "(R, G, B, A)" as setValue writes it, or "#RRGGBB" and "#RRGGBBAA" as players type them.
std::optional<LinearColor> ParseColor(std::string_view text) {
    text = host::TrimSpace(text);
    if (text.starts_with('#') && (text.size() == 7 || text.size() == 9)) {
        std::array<float, 4> channels{0.0F, 0.0F, 0.0F, 255.0F};
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            unsigned value = 0;
            const auto result = std::from_chars(text.data() + 1 + i, text.data() + 3 + i, value, 16);
            if (result.ec != std::errc() || result.ptr != text.data() + 3 + i) {
                return std::nullopt;
            }
            channels[i / 2] = static_cast<float>(value);
        }
        return LinearColor(channels[0], channels[1], channels[2], channels[3]);
    }
    if (!text.starts_with('(') || !text.ends_with(')')) {
        return std::nullopt;
    }
    text = text.substr(1, text.size() - 2);
    std::array<float, 4> channels{};
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const auto comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == channels.size() - 1)) {
            return std::nullopt;
        }
        channels[i] = static_cast<float>(ParseNumberLeniently(text.substr(0, comma)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return LinearColor(channels[0], channels[1], channels[2], channels[3]);
}

} // namespace

double ParseNumberLeniently(std::string_view text) {
    text = host::TrimSpace(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; a huge number is still on one side of zero.
        return text.starts_with('-') ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity();
    }
    return result.ec == std::errc() ? value : 0.0;
}

std::int32_t ToInt32Saturated(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, lowest, highest));
}

} // namespace pluginsdk::detail

using pluginsdk::detail::CVarHandle;
using pluginsdk::detail::CVarState;
using pluginsdk::detail::PluginLink;

// ---------------------------------------------------------------------------
// CVarWrapper
// ---------------------------------------------------------------------------

CVarWrapper::CVarWrapper(const CVarWrapper& other)
    : handle_(other.handle_ != nullptr ? new CVarHandle(*other.handle_) : nullptr) {}

CVarWrapper& CVarWrapper::operator=(CVarWrapper other) {
    std::swap(handle_, other.handle_);
    return *this;
}

CVarWrapper::~CVarWrapper() { delete handle_; }

std::string CVarWrapper::getCVarName() { return handle_ != nullptr ? handle_->state->name : std::string(); }

std::string CVarWrapper::getDescription() {
    return handle_ != nullptr ? handle_->state->description : std::string();
}

std::string CVarWrapper::getStringValue() {
    if (handle_ == nullptr) {
        return {};
    }
    std::lock_guard lock(handle_->state->mutex);
    return handle_->state->value;
}

bool CVarWrapper::getBoolValue() { return getIntValue() != 0; }

int CVarWrapper::getIntValue() {
    const std::string text = getStringValue();
    std::int64_t whole = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, whole);
    if (result.ec == std::errc() && result.ptr == end) {
        return pluginsdk::detail::ToInt32Saturated(static_cast<double>(whole));
    }
    return pluginsdk::detail::ToInt32Saturated(pluginsdk::detail::ParseNumberLeniently(text));
}

float CVarWrapper::getFloatValue() {
    const double value = pluginsdk::detail::ParseNumberLeniently(getStringValue());
    constexpr double highest = std::numeric_limits<float>::max();
    if (std::abs(value) > highest && std::isfinite(value)) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

void CVarWrapper::setValue(int value) { setValue(std::to_string(value)); }

void CVarWrapper::setValue(float value) { setValue(pluginsdk::detail::FormatFloat(value)); }

void CVarWrapper::setValue(LinearColor value) {
    using pluginsdk::detail::FormatFloat;
    setValue("(" + FormatFloat(value.R) + ", " + FormatFloat(value.G) + ", " + FormatFloat(value.B) + ", " +
             FormatFloat(value.A) + ")");
}

void CVarWrapper::setValue(std::string value) {
    if (handle_ != nullptr) {
        pluginsdk::detail::SetText(handle_->state, std::move(value));
    }
}

void CVarWrapper::addOnValueChanged(std::function<void(std::string oldValue, CVarWrapper cvar)> callback) {
    if (handle_ == nullptr || !callback) {
        return;
    }
    CVarState& cvar = *handle_->state;
    cvar.host->ThrowIfFailing("addOnValueChanged");
    auto entry = std::make_shared<CVarState::Callback>();
    entry->owner = handle_->owner;
    entry->fn = std::move(callback);
    std::lock_guard lock(cvar.mutex);
    cvar.callbacks.push_back(std::move(entry));
}

void CVarWrapper::removeOnValueChanged() {
    if (handle_ == nullptr) {
        return;
    }
    CVarState& cvar = *handle_->state;
    std::lock_guard lock(cvar.mutex);
    std::erase_if(cvar.callbacks, [&](const auto& callback) {
        const bool mine = callback->owner == handle_->owner;
        if (mine) {
            callback->alive = false;
        }
        return mine;
    });
}

namespace {

// A binding is a change callback of its plugin's that writes the value where the plugin reads it.
template <typename T, typename Read>
void Bind(CVarWrapper& cvar, std::shared_ptr<T> target, Read read) {
    if (!target || !cvar) {
        return;
    }
    *target = read(cvar);
    cvar.addOnValueChanged([target = std::move(target), read](
                               const std::string& /*old*/, CVarWrapper changed) { *target = read(changed); });
}

} // namespace

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes the pointers by value.
void CVarWrapper::bindTo(std::shared_ptr<int> target) {
    Bind(*this, std::move(target), [](CVarWrapper& cvar) { return cvar.getIntValue(); });
}
void CVarWrapper::bindTo(std::shared_ptr<float> target) {
    Bind(*this, std::move(target), [](CVarWrapper& cvar) { return cvar.getFloatValue(); });
}
void CVarWrapper::bindTo(std::shared_ptr<std::string> target) {
    Bind(*this, std::move(target), [](CVarWrapper& cvar) { return cvar.getStringValue(); });
}
void CVarWrapper::bindTo(std::shared_ptr<bool> target) {
    Bind(*this, std::move(target), [](CVarWrapper& cvar) { return cvar.getBoolValue(); });
}
void CVarWrapper::bindTo(std::shared_ptr<LinearColor> target) {
    Bind(*this, std::move(target), [](CVarWrapper& cvar) { return cvar.getColorValue(); });
}
// NOLINTEND(performance-unnecessary-value-param)

LinearColor CVarWrapper::getColorValue() {
    return pluginsdk::detail::ParseColor(getStringValue()).value_or(LinearColor(0.0F, 0.0F, 0.0F, 0.0F));
}

void CVarWrapper::ResetToDefault() {
    if (handle_ != nullptr) {
        setValue(handle_->state->defaultValue);
    }
}

bool CVarWrapper::IsNull() { return handle_ == nullptr; }

CVarWrapper::operator bool() { return handle_ != nullptr; }

// ---------------------------------------------------------------------------
// CVarManagerWrapper
// ---------------------------------------------------------------------------

CVarManagerWrapper::CVarManagerWrapper(const CVarManagerWrapper& other)
    : link_(new PluginLink(*other.link_)) {}

CVarManagerWrapper& CVarManagerWrapper::operator=(CVarManagerWrapper other) {
    std::swap(link_, other.link_);
    return *this;
}

CVarManagerWrapper::~CVarManagerWrapper() { delete link_; }

CVarWrapper CVarManagerWrapper::registerCvar(std::string name, std::string defaultValue,
                                             std::string description, bool searchable, bool hasMin, float min,
                                             bool hasMax, float max, bool saveToConfig) {
    link_->host->ThrowIfFailing("registerCvar");
    return link_->host->Register(link_->owner, std::move(name), std::move(defaultValue),
                                 std::move(description), searchable, hasMin, min, hasMax, max, saveToConfig);
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the host's interface takes the name by value.
CVarWrapper CVarManagerWrapper::getCvar(std::string name) { return link_->host->Find(name, link_->owner); }

void CVarManagerWrapper::log(std::string text) {
    link_->host->ThrowIfFailing("log");
    link_->host->Log(std::move(text));
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the host's interface takes the text by value.
void CVarManagerWrapper::log(std::wstring text) { log(pluginsdk::detail::ConsoleText(text)); }

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes its text by value.
bool CVarManagerWrapper::removeCvar(std::string name) {
    return pluginsdk::detail::EraseOwned(*link_->host, link_->host->cvars, name, link_->owner);
}

void CVarManagerWrapper::registerNotifier(std::string name,
                                          std::function<void(std::vector<std::string> arguments)> notifier,
                                          std::string description, unsigned char permissions) {
    link_->host->ThrowIfFailing("registerNotifier");
    if (!notifier || name.empty()) {
        return;
    }
    auto entry = std::make_shared<pluginsdk::detail::NotifierEntry>(pluginsdk::detail::NotifierEntry{
        link_->owner, std::move(notifier), std::move(description), permissions});
    std::lock_guard lock(link_->host->mutex);
    link_->host->notifiers.insert_or_assign(std::move(name), std::move(entry));
}

void CVarManagerWrapper::registerNotifier(std::string name,
                                          void (*notifier)(std::vector<std::string> arguments),
                                          std::string description, unsigned char permissions) {
    registerNotifier(std::move(name),
                     notifier != nullptr ? std::function<void(std::vector<std::string>)>(notifier) : nullptr,
                     std::move(description), permissions);
}

bool CVarManagerWrapper::removeNotifier(std::string name) {
    return pluginsdk::detail::EraseOwned(*link_->host, link_->host->notifiers, name, link_->owner);
}

void CVarManagerWrapper::executeCommand(std::string command, bool log) {
    if (log) {
        link_->host->Log("> " + command);
    }
    link_->host->Execute(link_->owner, command);
}
// NOLINTEND(performance-unnecessary-value-param)

namespace pluginsdk::host {

void Host::ExecuteConsoleLine(std::string_view line) {
    state_->Execute(0, line);
    ReleaseFailedPlugins();
}

CVarWrapper Host::GetCvar(const std::string& name) { return state_->Find(name, 0); }

CVarManagerWrapper Host::CVarManagerFor(std::uint64_t owner) {
    return detail::Handles::CVarManager(*state_, owner);
}

GameWrapper Host::GameFor(std::uint64_t owner) { return detail::Handles::Game(*state_, owner); }

std::vector<std::string> Host::CvarNames() const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> names;
    names.reserve(state_->cvars.size());
    for (const auto& entry : state_->cvars) {
        names.push_back(entry.first);
    }
    return names;
}

bool Host::RemoveCvar(const std::string& name) {
    std::lock_guard lock(state_->mutex);
    return state_->cvars.erase(name) > 0;
}

} // namespace pluginsdk::host

namespace pluginsdk::host {

void Host::RegisterHostCommand(std::string name, std::function<void(std::vector<std::string>)> fn,
                               std::string description) {
    auto entry = std::make_shared<detail::NotifierEntry>(
        detail::NotifierEntry{0, std::move(fn), std::move(description), 0});
    std::lock_guard lock(state_->mutex);
    state_->notifiers.insert_or_assign(std::move(name), std::move(entry));
}

} // namespace pluginsdk::host
