// Fuzzes the headless session script's parser: whatever the text, the commands it accepts are runnable.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz-flags.h"
#include "script.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Past the longest line a script may have; a script's whole limit adds nothing but more lines.
    // The parser needs a few times its input at most: a much larger allocation is a fault.
    spinbeat_fuzz::PrependFlags(argc, argv, {"-max_len=9000", "-malloc_limit_mb=16"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using spinbeat_host::ScriptCommand;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = spinbeat_host::ParseScript(text);
    const auto* commands = std::get_if<std::vector<ScriptCommand>>(&parsed);
    if (commands == nullptr) {
        // A refusal always names the line.
        if (!std::get<std::string>(parsed).starts_with("line ")) {
            std::abort();
        }
        return 0;
    }
    int line = 0;
    std::int64_t ms = 0;
    for (const ScriptCommand& command : *commands) {
        const bool ordered =
            command.line > line && command.ms >= ms && command.ms <= spinbeat_host::kMaxScriptMs;
        const bool sane = command.roll >= -1.0F && command.roll <= 1.0F && command.size.X >= 0 &&
                          command.size.X <= 8192 && command.size.Y >= 0 && command.size.Y <= 8192;
        const bool plainName = command.kind != ScriptCommand::Kind::Snapshot ||
                               (!command.text.empty() && command.text.front() != '.' &&
                                command.text.find_first_of("/\\") == std::string::npos);
        const bool typed = command.kind != ScriptCommand::Kind::Console || !command.text.empty();
        // What an event or an expectation names is never empty, nor has blanks at its ends.
        using Kind = ScriptCommand::Kind;
        const bool needsText = command.kind == Kind::Event || command.kind == Kind::ExpectConsole ||
                               command.kind == Kind::ExpectNoConsole || command.kind == Kind::ExpectDrawn ||
                               command.kind == Kind::ExpectCvar;
        const bool named = !needsText || (!command.text.empty() && command.text.front() != ' ' &&
                                          command.text.back() != ' ' && command.text.back() != '\t');
        const auto inArena = [](float v) {
            return v >= -spinbeat_host::kMaxPlace && v <= spinbeat_host::kMaxPlace;
        };
        const bool placed = inArena(command.place.X) && inArena(command.place.Y) && inArena(command.place.Z);
        if (!ordered || !sane || !plainName || !typed || !named || !placed ||
            command.text.size() > spinbeat_host::kMaxScriptLineBytes) {
            std::abort();
        }
        line = command.line;
        ms = command.ms;
    }
    return 0;
}
