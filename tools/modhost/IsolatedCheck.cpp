#include "IsolatedCheck.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <sstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The child's report: the status word on the first line, then one detail a line.
std::string serialise(const CheckResult& result) {
    std::string text = std::string(statusName(result.status)) + "\n";
    for (std::string detail : result.details) {
        for (char& c : detail) {
            if (c == '\n') c = ' ';
        }
        text += detail + "\n";
    }
    return text;
}

std::optional<CheckResult> deserialise(const std::string& text) {
    std::istringstream lines(text);
    std::string status;
    if (!std::getline(lines, status)) return std::nullopt;
    CheckResult result;
    if (status == "PASSED") {
        result.status = CheckStatus::Passed;
    } else if (status == "FAILED") {
        result.status = CheckStatus::Failed;
    } else if (status == "SKIPPED") {
        result.status = CheckStatus::Skipped;
    } else {
        return std::nullopt;
    }
    for (std::string line; std::getline(lines, line);) result.details.push_back(line);
    return result;
}

void writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        written += static_cast<std::size_t>(count);
    }
}

[[noreturn]] void runInChild(const ValidationCheck& check, const Plugin& plugin,
                             const CheckSettings& settings, int reportFd) {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    // A crash is reported by its signal; it leaves no core file behind.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    CheckResult result;
    try {
        result = runCheckHere(check, plugin, settings);
    } catch (const std::exception& error) {
        result = {CheckStatus::Failed,
                  {std::string("an exception left the plug-in: ") + error.what()}};
    } catch (...) {
        result = {CheckStatus::Failed, {"an exception left the plug-in"}};
    }
    writeAll(reportFd, serialise(result));
    // No exit handlers: they belong to the parent, and a plug-in's could hang.
    _exit(0);
}

// Reads the child's report until it closes the pipe or the deadline passes.
// Returns false on timeout.
bool readReport(int fd, Clock::time_point deadline, std::string& report) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return true;
        report.append(buffer, static_cast<std::size_t>(count));
    }
}

// Waits for the child to end, at most until the deadline; false when it did not.
bool waitUntil(pid_t child, Clock::time_point deadline, int& status) {
    constexpr auto kPollInterval = std::chrono::milliseconds(2);
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) return true;
        if (ended < 0 && errno != EINTR) return false;
        if (Clock::now() >= deadline) return false;
        usleep(static_cast<useconds_t>(std::chrono::microseconds(kPollInterval).count()));
    }
}

std::string secondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

CheckResult fromExitStatus(int status, const std::string& report) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return {CheckStatus::Crashed,
                {std::string("the plug-in crashed: signal ") + std::to_string(signal) + " (" +
                 strsignal(signal) + ")"}};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return {CheckStatus::Crashed,
                {"the check's process exited with code " + std::to_string(WEXITSTATUS(status)) +
                 " before it finished"}};
    }
    if (auto result = deserialise(report)) return *result;
    return {CheckStatus::Crashed, {"the check's process ended without a result"}};
}

}  // namespace

IsolatedResult runCheckIsolated(const ValidationCheck& check, const Plugin& plugin,
                                const CheckSettings& settings, std::chrono::milliseconds timeout) {
    const auto start = Clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    };
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return {
            {CheckStatus::Crashed, {std::string("cannot create a pipe: ") + std::strerror(errno)}},
            elapsed()};
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return {{CheckStatus::Crashed,
                 {std::string("cannot start a process: ") + std::strerror(errno)}},
                elapsed()};
    }
    if (child == 0) {
        close(pipeFds[0]);
        runInChild(check, plugin, settings, pipeFds[1]);
    }
    close(pipeFds[1]);
    std::string report;
    const auto deadline = start + timeout;
    int status = 0;
    const bool finished =
        readReport(pipeFds[0], deadline, report) && waitUntil(child, deadline, status);
    close(pipeFds[0]);
    if (!finished) {
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return {{CheckStatus::Failed,
                 {"did not finish within " + secondsText(timeout) +
                  ": the plug-in hangs or is far too slow"}},
                elapsed()};
    }
    return {fromExitStatus(status, report), elapsed()};
}
