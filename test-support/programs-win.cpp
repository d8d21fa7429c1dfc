// Starting other programs with CreateProcessW, their output in files.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <stdexcept>

#include "plugin-session.h"
#include "programs.h"

namespace spinbeat_test {

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted, with the backslashes
// before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::filesystem::path& file) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    // No Windows test needs one yet; the test's own environment is inherited.
    if (!env.empty()) {
        throw std::invalid_argument("RunProgram on Windows adds no environment variables");
    }
    TempDir streams;
    std::wstring commandLine;
    for (const std::string& arg : args) {
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(std::filesystem::path(arg).wstring());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = Inheritable(streams.path() / "out");
    startup.hStdError = Inheritable(streams.path() / "err");
    PROCESS_INFORMATION process{};
    ProgramRun run;
    const std::wstring program = std::filesystem::path(args.at(0)).make_preferred().wstring();
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process) != FALSE) {
        DWORD code = 0;
        WaitForSingleObject(process.hProcess, INFINITE);
        if (GetExitCodeProcess(process.hProcess, &code) != FALSE) {
            run.exitCode = static_cast<int>(code);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    run.out = ReadText(streams.path() / "out");
    run.err = ReadText(streams.path() / "err");
    return run;
}

} // namespace spinbeat_test
