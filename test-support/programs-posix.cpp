// Starting other programs with fork and exec, as a shell would.
#include "programs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "plugin-session.h"

namespace spinbeat_test {

namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return argv;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    TempDir streams;
    const auto outFile = streams.path() / "out";
    const auto errFile = streams.path() / "err";
    std::vector<std::string> copy = args;
    const std::vector<char*> argv = Argv(copy);
    const pid_t child = fork();
    if (child == 0) {
        for (const auto& [name, value] : env) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0 && err >= 0 && dup2(out, STDOUT_FILENO) >= 0 && dup2(err, STDERR_FILENO) >= 0) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.out = ReadText(outFile);
    run.err = ReadText(errFile);
    return run;
}

BackgroundProgram::BackgroundProgram(std::vector<std::string> args) {
    const std::vector<char*> argv = Argv(args);
    const pid_t test = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // It must not outlive a test that crashed or was killed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        if (getppid() == test && null >= 0 && dup2(null, STDOUT_FILENO) >= 0 &&
            dup2(null, STDERR_FILENO) >= 0) {
            execvp(argv[0], argv.data());
        }
        _exit(127);
    }
    if (pid_ < 0) {
        throw std::system_error(errno, std::generic_category(), args[0]);
    }
}

BackgroundProgram::~BackgroundProgram() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

} // namespace spinbeat_test
