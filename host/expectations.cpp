// Checking a session's expectations at their time.
#include "expectations.h"

#include <algorithm>

namespace spinbeat_host {

namespace {

// Enough of a line to recognise it in a one-line message.
std::string Excerpt(std::string_view text) {
    constexpr std::size_t kMaxShown = 160;
    std::string shown(text.substr(0, kMaxShown));
    return "\"" + shown + (text.size() > kMaxShown ? "...\"" : "\"");
}

// A variable's value as the script wrote it: the same text, or the same number written otherwise
// ("120" and "120.0").
bool SameValue(const std::string& actual, const std::string& wanted) {
    if (actual == wanted) {
        return true;
    }
    const auto number = [](const std::string& text) -> std::optional<double> {
        std::size_t used = 0;
        try {
            const double value = std::stod(text, &used);
            return used == text.size() ? std::optional<double>(value) : std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    };
    const auto a = number(actual);
    const auto b = number(wanted);
    return a && b && *a == *b;
}

} // namespace

Expectations::Expectations(const std::vector<ScriptCommand>& commands) {
    using Kind = ScriptCommand::Kind;
    for (const ScriptCommand& command : commands) {
        if ((command.kind == Kind::ExpectConsole || command.kind == Kind::ExpectNoConsole) &&
            std::none_of(watched_.begin(), watched_.end(),
                         [&](const Watched& watched) { return watched.text == command.text; })) {
            watched_.push_back({command.text, std::nullopt, 0});
        }
    }
}

void Expectations::Watch(std::string_view line) {
    const std::lock_guard lock(mutex_);
    ++lines_;
    for (Watched& watched : watched_) {
        if (!watched.line && line.find(watched.text) != std::string_view::npos) {
            watched.line = Excerpt(line);
            watched.number = lines_;
        }
    }
    lastLine_ = Excerpt(line);
}

std::optional<std::string> Expectations::Check(const ScriptCommand& expectation, pluginsdk::host::Host& host,
                                               const std::vector<pluginsdk::host::CanvasCall>* lastFrame) {
    using Kind = ScriptCommand::Kind;
    switch (expectation.kind) {
    case Kind::ExpectConsole:
    case Kind::ExpectNoConsole: {
        const std::lock_guard lock(mutex_);
        const auto found = std::find_if(watched_.begin(), watched_.end(), [&](const Watched& watched) {
            return watched.text == expectation.text;
        });
        const bool seen = found != watched_.end() && found->line;
        if (expectation.kind == Kind::ExpectConsole && !seen) {
            return "no console line contains it; " + std::to_string(lines_) + " lines so far" +
                   (lines_ > 0 ? ", the last " + lastLine_ : std::string());
        }
        if (expectation.kind == Kind::ExpectNoConsole && seen) {
            return "console line " + std::to_string(found->number) + " contains it: " + *found->line;
        }
        return std::nullopt;
    }
    case Kind::ExpectNoStop: {
        const auto failures = host.PluginFailures();
        if (failures.empty()) {
            return std::nullopt;
        }
        return std::to_string(failures.size()) +
               (failures.size() == 1 ? " plugin stopped: " : " stops, the first: ") +
               Excerpt(failures.front());
    }
    case Kind::ExpectCvar: {
        CVarWrapper cvar = host.GetCvar(expectation.text);
        if (!cvar) {
            return "no variable of that name is registered";
        }
        const std::string value = cvar.getStringValue();
        if (SameValue(value, expectation.value)) {
            return std::nullopt;
        }
        return "its value is " + Excerpt(value);
    }
    case Kind::ExpectDrawn: {
        if (lastFrame == nullptr) {
            return std::string("no frame has been drawn yet");
        }
        for (const auto& call : *lastFrame) {
            if (pluginsdk::host::ToString(call).find(expectation.text) != std::string::npos) {
                return std::nullopt;
            }
        }
        return "none of the last frame's " + std::to_string(lastFrame->size()) + " canvas calls contains it" +
               (lastFrame->empty() ? std::string() : "; the first: " + Excerpt(ToString(lastFrame->front())));
    }
    default:
        return std::nullopt;
    }
}

} // namespace spinbeat_host
