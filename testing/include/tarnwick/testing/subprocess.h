#pragma once

// Runs one of our programs as a child with pipes on all three standard streams, the way the main
// application runs the helper. Reads wait on poll(2) with a deadline; nothing sleeps.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tarnwick::testing {

/// Absolute path of a program built in this build tree (e.g. "helper/tarnwick-helper").
std::string builtProgram(std::string_view relativePath);
/// Absolute path of a system program found on $PATH (Subprocess runs programs by path); the bare
/// name when it is on no directory of $PATH.
std::string programOnPath(const std::string& program);

class Subprocess {
public:
    struct Options {
        std::map<std::string, std::string> setEnv;   ///< added to or replacing the inherited environment
        std::vector<std::string> unsetEnv;
        std::string workingDirectory;
    };

    Subprocess(std::string program, std::vector<std::string> args, Options options);
    Subprocess(std::string program, std::vector<std::string> args = {});
    ~Subprocess(); // kills the child if it still runs

    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    pid_t pid() const { return m_pid; }

    /// Writes all bytes to the child's standard input.
    void write(std::string_view bytes);
    void closeStdin();

    /// The next standard-output line without its line feed, or nothing on timeout or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    /// Reads standard output until a line satisfies the predicate; returns it (other lines are kept in
    /// skipped()). Nothing on timeout.
    template <typename Predicate>
    std::optional<std::string> readLineUntil(Predicate pred, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (auto line = readLine(remaining(deadline))) {
            if (pred(*line))
                return line;
            m_skipped.push_back(*line);
        }
        return std::nullopt;
    }
    const std::vector<std::string>& skipped() const { return m_skipped; }

    /// Waits for the child to exit, draining both outputs. Returns the exit status, or -signal when it
    /// was killed by a signal, or nothing on timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    /// Everything the child wrote that readLine() has not returned yet / everything on standard error.
    std::string remainingStdout();
    const std::string& stderrText();
    /// Blocks until standard error holds `needle` (or the timeout passes).
    bool waitForStderr(std::string_view needle, std::chrono::milliseconds timeout = std::chrono::seconds(20));

    void sendSignal(int signal);

private:
    static std::chrono::milliseconds remaining(std::chrono::steady_clock::time_point deadline);
    // Moves whatever is readable into the buffers; returns false once both outputs are closed.
    bool pump(std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_stdin = -1, m_stdout = -1, m_stderr = -1;
    std::string m_out, m_err;
    std::vector<std::string> m_skipped;
    std::optional<int> m_status;
};

/// Runs a program to completion and returns (status, stdout, stderr).
struct RunResult {
    int status = -1;
    std::string out, err;
};
RunResult run(const std::string& program, const std::vector<std::string>& args, Subprocess::Options options = {},
              std::string_view input = {});

} // namespace tarnwick::testing
