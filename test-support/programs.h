// Other programs a test runs: to their end with their output kept, or beside it until it ends.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace spinbeat_test {

struct ProgramRun {
    // -1 when the program did not exit by itself (a signal, or it could not be started).
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `args` (the program first) with `env` added to the test's environment, and waits for it.
ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {});

// A program started beside the test, its output thrown away; stopped with SIGTERM and waited for
// when the object goes, or when the test's thread that started it ends. POSIX only.
class BackgroundProgram {
public:
    explicit BackgroundProgram(std::vector<std::string> args);
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    ~BackgroundProgram();

    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = 0;
};

std::string ReadText(const std::filesystem::path& file);
std::vector<std::string> ReadLines(const std::filesystem::path& file);

} // namespace spinbeat_test
