// Parsing the headless session script.
#include "script.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <optional>
#include <system_error>

#include "parse-number.h"
#include "pluginsdk/host/host.h"

namespace spinbeat_host {

namespace {

using pluginsdk::host::TrimSpace;

constexpr std::int32_t kMaxSide = 8192;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits off the first word; `rest` keeps what follows it, trimmed.
std::string_view NextWord(std::string_view& rest) {
    rest = TrimSpace(rest);
    std::size_t end = 0;
    while (end < rest.size() && !IsSpace(rest[end])) {
        ++end;
    }
    const std::string_view word = rest.substr(0, end);
    rest = TrimSpace(rest.substr(end));
    return word;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (!TrimSpace(text).empty()) {
        words.push_back(NextWord(text));
    }
    return words;
}

// Snapshot names become file names in the output folder, so they stay plain.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name.front() != '.' && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.';
    });
}

// `expect WHAT ...`: the rest of the line is the text looked for, or a variable's name and value.
std::optional<std::string> ParseExpectation(std::string_view rest, ScriptCommand& command) {
    using Kind = ScriptCommand::Kind;
    const std::string_view what = NextWord(rest);
    const auto needsText = [&](Kind kind) -> std::optional<std::string> {
        command.kind = kind;
        if (rest.empty()) {
            return "expect " + std::string(what) + " needs the text to look for";
        }
        command.text = rest;
        return std::nullopt;
    };
    if (what == "console") {
        return needsText(Kind::ExpectConsole);
    }
    if (what == "no-console") {
        return needsText(Kind::ExpectNoConsole);
    }
    if (what == "drawn") {
        return needsText(Kind::ExpectDrawn);
    }
    if (what == "no-stop") {
        command.kind = Kind::ExpectNoStop;
        return rest.empty() ? std::nullopt : std::optional<std::string>("expect no-stop takes no arguments");
    }
    if (what == "cvar") {
        command.kind = Kind::ExpectCvar;
        command.text = NextWord(rest);
        // A value in quotes may be empty or hold blanks at its ends.
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
            rest = rest.substr(1, rest.size() - 2);
        } else if (rest.empty()) {
            return std::string("expect cvar needs a name and a value (\"\" for an empty one)");
        }
        command.value = rest;
        return std::nullopt;
    }
    return std::string("expect needs console, no-console, no-stop, cvar or drawn");
}

// Fills `command` from the words after the time; returns what is wrong, or nothing.
std::optional<std::string> ParseCommand(std::string_view name, std::string_view rest,
                                        ScriptCommand& command) {
    using Kind = ScriptCommand::Kind;
    const std::vector<std::string_view> args = Words(rest);
    const auto noArgs = [&](Kind kind) -> std::optional<std::string> {
        command.kind = kind;
        if (!args.empty()) {
            return std::string(name) + " takes no arguments";
        }
        return std::nullopt;
    };
    if (name == "freeplay") {
        command.kind = Kind::Freeplay;
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
            return std::string("freeplay needs on or off");
        }
        command.on = args[0] == "on";
    } else if (name == "roll") {
        command.kind = Kind::Roll;
        const auto roll = args.size() == 1 ? ParseFloat(args[0]) : std::nullopt;
        if (!roll || *roll < -1.0F || *roll > 1.0F) {
            return std::string("roll needs one number from -1.0 to 1.0");
        }
        command.roll = *roll;
    } else if (name == "console") {
        command.kind = Kind::Console;
        if (rest.empty()) {
            return std::string("console needs the text to type");
        }
        command.text = rest;
    } else if (name == "size") {
        command.kind = Kind::Size;
        const auto width = args.size() == 2 ? ParseInteger(args[0]) : std::nullopt;
        const auto height = args.size() == 2 ? ParseInteger(args[1]) : std::nullopt;
        if (!width || !height || *width < 1 || *height < 1 || *width > kMaxSide || *height > kMaxSide) {
            return "size needs a width and a height, each 1 to " + std::to_string(kMaxSide);
        }
        command.size = {static_cast<std::int32_t>(*width), static_cast<std::int32_t>(*height)};
    } else if (name == "snapshot") {
        command.kind = Kind::Snapshot;
        if (args.size() != 1 || !IsPlainName(args[0])) {
            return std::string("snapshot needs one name of letters, digits, '-', '_' and '.'");
        }
        command.text = args[0];
    } else if (name == "event") {
        command.kind = Kind::Event;
        if (rest.empty()) {
            return std::string("event needs the name of a function of the game");
        }
        command.text = rest;
    } else if (name == "expect") {
        return ParseExpectation(rest, command);
    } else if (name == "ball" || name == "car") {
        command.kind = name == "ball" ? Kind::Ball : Kind::Car;
        std::array<float, 3> xyz{};
        for (std::size_t i = 0; i < xyz.size(); ++i) {
            const auto value = args.size() == 3 ? ParseFloat(args[i]) : std::nullopt;
            if (!value || !(*value >= -kMaxPlace && *value <= kMaxPlace)) {
                return std::string(name) + " needs X Y Z, each a number from -1000000 to 1000000";
            }
            xyz[i] = *value;
        }
        command.place = {xyz[0], xyz[1], xyz[2]};
    } else if (name == "playtest") {
        return noArgs(Kind::Playtest);
    } else if (name == "quit") {
        return noArgs(Kind::Quit);
    } else {
        return "unknown command '" + std::string(name) + "'";
    }
    return std::nullopt;
}

} // namespace

bool IsExpectation(ScriptCommand::Kind kind) {
    using Kind = ScriptCommand::Kind;
    return kind == Kind::ExpectConsole || kind == Kind::ExpectNoConsole || kind == Kind::ExpectNoStop ||
           kind == Kind::ExpectCvar || kind == Kind::ExpectDrawn;
}

std::string Describe(const ScriptCommand& expectation) {
    using Kind = ScriptCommand::Kind;
    switch (expectation.kind) {
    case Kind::ExpectConsole:
        return "expect console \"" + expectation.text + "\"";
    case Kind::ExpectNoConsole:
        return "expect no-console \"" + expectation.text + "\"";
    case Kind::ExpectNoStop:
        return "expect no-stop";
    case Kind::ExpectCvar:
        return "expect cvar " + expectation.text + " \"" + expectation.value + "\"";
    case Kind::ExpectDrawn:
        return "expect drawn \"" + expectation.text + "\"";
    default:
        return "no expectation";
    }
}

std::variant<std::vector<ScriptCommand>, std::string> ParseScript(std::string_view text) {
    std::vector<ScriptCommand> commands;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.size() > kMaxScriptLineBytes) {
            return "line " + std::to_string(lineNumber) + ": longer than " +
                   std::to_string(kMaxScriptLineBytes) + " bytes";
        }
        line = TrimSpace(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [&](const std::string& message) {
            return "line " + std::to_string(lineNumber) + ": " + message;
        };
        std::string_view rest = line;
        const std::string_view time = NextWord(rest);
        const auto ms = ParseInteger(time);
        if (!ms || *ms < 0 || *ms > kMaxScriptMs) {
            // Built by appending: GCC 12 warns wrongly about a one-character literal + std::string.
            return fail(std::string("'").append(time).append(
                "' is no time in ms from 0 to a day; lines read <ms> <command> [args]"));
        }
        if (!commands.empty() && *ms < commands.back().ms) {
            return fail("time goes back from " + std::to_string(commands.back().ms) + " ms");
        }
        const std::string_view name = NextWord(rest);
        if (name.empty()) {
            return fail("a command must follow the time");
        }
        ScriptCommand command;
        command.line = lineNumber;
        command.ms = *ms;
        if (const auto error = ParseCommand(name, rest, command)) {
            return fail(*error);
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

std::variant<std::vector<ScriptCommand>, std::string> LoadScript(const std::filesystem::path& file) {
    const std::string name = file.string();
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        return "cannot read the script " + name + ": it is a folder";
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
        return "cannot read the script " + name + ": " +
               std::generic_category().message(errno != 0 ? errno : EIO);
    }
    // Read in pieces up to one byte past the limit, so that a larger file shows without being read.
    std::string text;
    std::array<char, std::size_t{64} << 10> chunk{};
    while (text.size() <= kMaxScriptBytes && in) {
        const auto wanted = std::min<std::uintmax_t>(chunk.size(), kMaxScriptBytes + 1 - text.size());
        in.read(chunk.data(), static_cast<std::streamsize>(wanted));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return "cannot read the script " + name + ": " +
               std::generic_category().message(errno != 0 ? errno : EIO);
    }
    if (text.size() > kMaxScriptBytes) {
        return "the script " + name + " is larger than " + std::to_string(kMaxScriptBytes) +
               " bytes, the most a session script may hold";
    }
    auto parsed = ParseScript(text);
    if (auto* message = std::get_if<std::string>(&parsed)) {
        *message = name + ": " + *message;
    }
    return parsed;
}

} // namespace spinbeat_host
