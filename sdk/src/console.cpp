// The console's text: lines typed into it, their commands and words, and what it keeps of them.
#include <string>
#include <utility>

#include "host-state.h"
#include "pluginsdk/host/host.h"

namespace pluginsdk::host {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

} // namespace

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<ConsoleCommand> ParseConsoleLine(std::string_view line) {
    line = TrimSpace(line);
    if (line.empty() || line.front() == '#' || line.starts_with("//")) {
        return std::nullopt;
    }
    std::size_t nameEnd = 0;
    while (nameEnd < line.size() && !IsSpace(line[nameEnd])) {
        ++nameEnd;
    }
    ConsoleCommand command{std::string(line.substr(0, nameEnd)), std::nullopt};
    std::string_view value = TrimSpace(line.substr(nameEnd));
    if (value.empty()) {
        return command;
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    command.value = std::string(value);
    return command;
}

std::vector<std::string> Host::ConsoleLines(std::size_t first, std::size_t count) const {
    return state_->console.Lines(first, count);
}

std::size_t Host::ConsoleLineCount() const { return state_->console.Count(); }

std::size_t Host::FirstConsoleLine() const { return state_->console.First(); }

void Host::ClearConsole() { state_->console.Clear(); }

void Host::SetConsoleSink(std::function<void(std::string_view line)> sink) {
    state_->console.SetSink(std::move(sink));
}

void Host::Log(const std::string& line) { state_->Log(line); }

} // namespace pluginsdk::host

namespace pluginsdk::detail {

namespace {

bool IsBlank(char c) { return host::TrimSpace(std::string_view(&c, 1)).empty(); }

} // namespace

void HostState::Log(std::string line) { console.Add(std::move(line)); }

std::vector<std::string> CommandWords(std::string_view command) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (true) {
        while (at < command.size() && IsBlank(command[at])) {
            ++at;
        }
        if (at == command.size()) {
            return words;
        }
        std::string word;
        // A quoted stretch is one word with its blanks, without its quotes.
        bool quoted = false;
        for (; at < command.size() && (quoted || !IsBlank(command[at])); ++at) {
            if (command[at] == '"') {
                quoted = !quoted;
            } else {
                word += command[at];
            }
        }
        words.push_back(std::move(word));
    }
}

} // namespace pluginsdk::detail
