// The console's line format and the text form of canvas calls.
#include <string>

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

std::string ToString(const CanvasCall& call) {
    const auto vec = [&] { return std::to_string(call.vec.X) + ", " + std::to_string(call.vec.Y); };
    switch (call.op) {
    case CanvasCall::Op::SetPosition:
        return "SetPosition(" + vec() + ")";
    case CanvasCall::Op::FillBox:
        return "FillBox(" + vec() + ")";
    case CanvasCall::Op::DrawBox:
        return "DrawBox(" + vec() + ")";
    case CanvasCall::Op::SetColor:
        return "SetColor(" + std::to_string(call.color.r) + ", " + std::to_string(call.color.g) + ", " +
               std::to_string(call.color.b) + ", " + std::to_string(call.color.a) + ")";
    }
    return "?";
}

} // namespace pluginsdk::host
