#include "tarnwick/testing/subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnwick::testing {

using namespace std::chrono;

std::string builtProgram(std::string_view relativePath)
{
    return std::string(TARNWICK_BINARY_DIR) + "/" + std::string(relativePath);
}

std::string programOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t from = 0; from <= dirs.size();) {
        const auto to = std::min(dirs.find(':', from), dirs.size());
        const auto candidate = std::filesystem::path(dirs.substr(from, to - from)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        from = to + 1;
    }
    return program;
}

Subprocess::Subprocess(std::string program, std::vector<std::string> args)
    : Subprocess(std::move(program), std::move(args), Options{})
{
}

Subprocess::Subprocess(std::string program, std::vector<std::string> args, Options options)
{
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string_view entry(*e);
        const std::string name(entry.substr(0, entry.find('=')));
        bool drop = options.setEnv.contains(name);
        for (const auto& u : options.unsetEnv)
            drop = drop || u == name;
        if (!drop)
            env.emplace_back(entry);
    }
    for (const auto& [k, v] : options.setEnv)
        env.push_back(k + "=" + v);

    std::vector<char*> argv{program.data()};
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    const int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_stdin = in[1];
    // Non-blocking, so write() can alternate between feeding the child and draining its output.
    ::fcntl(m_stdin, F_SETFL, ::fcntl(m_stdin, F_GETFL) | O_NONBLOCK);
    m_stdout = out[0];
    m_stderr = err[0];
    if (rc != 0)
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    // Writing to a child that has already exited must fail the test, not kill it.
    std::signal(SIGPIPE, SIG_IGN);
}

Subprocess::~Subprocess()
{
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_stdin, m_stdout, m_stderr})
        if (fd >= 0)
            ::close(fd);
}

void Subprocess::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        // Keep draining the child's output while writing, or a chatty child and a big write deadlock.
        pollfd fds[3] = {{m_stdin, POLLOUT, 0}, {m_stdout, POLLIN, 0}, {m_stderr, POLLIN, 0}};
        ::poll(fds, 3, 1000);
        if (fds[1].revents || fds[2].revents)
            pump(milliseconds(0));
        if (!(fds[0].revents & (POLLOUT | POLLERR)))
            continue;
        const ssize_t n = ::write(m_stdin, bytes.data(), bytes.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            throw std::runtime_error(std::string("write to child failed: ") + std::strerror(errno));
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void Subprocess::closeStdin()
{
    if (m_stdin >= 0)
        ::close(m_stdin);
    m_stdin = -1;
}

milliseconds Subprocess::remaining(steady_clock::time_point deadline)
{
    return std::max(milliseconds(0), duration_cast<milliseconds>(deadline - steady_clock::now()));
}

bool Subprocess::pump(milliseconds timeout)
{
    pollfd fds[2];
    nfds_t n = 0;
    if (m_stdout >= 0)
        fds[n++] = {m_stdout, POLLIN, 0};
    if (m_stderr >= 0)
        fds[n++] = {m_stderr, POLLIN, 0};
    if (n == 0)
        return false;
    if (::poll(fds, n, static_cast<int>(timeout.count())) <= 0)
        return true;
    char buf[65536];
    for (nfds_t i = 0; i < n; ++i) {
        if (!fds[i].revents)
            continue;
        const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
        const bool isOut = fds[i].fd == m_stdout;
        if (got > 0) {
            (isOut ? m_out : m_err).append(buf, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ::close(fds[i].fd);
            (isOut ? m_stdout : m_stderr) = -1;
        }
    }
    return true;
}

std::optional<std::string> Subprocess::readLine(milliseconds timeout)
{
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        const auto nl = m_out.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_out.substr(0, nl);
            m_out.erase(0, nl + 1);
            return line;
        }
        if (m_stdout < 0 || steady_clock::now() >= deadline)
            return std::nullopt;
        pump(std::min(remaining(deadline), milliseconds(1000)));
    }
}

std::optional<int> Subprocess::wait(milliseconds timeout)
{
    const auto deadline = steady_clock::now() + timeout;
    while (!m_status) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            break;
        }
        if (steady_clock::now() >= deadline)
            return std::nullopt;
        // The outputs close when the child exits; until then drain them so it never blocks on a pipe.
        if (!pump(std::min(remaining(deadline), milliseconds(50)))) {
            // Both outputs are closed; poll the exit status without spinning on a closed pipe.
            pollfd none{-1, 0, 0};
            ::poll(&none, 1, 10);
        }
    }
    while (pump(milliseconds(0)) && (m_stdout >= 0 || m_stderr >= 0)) {
    }
    return m_status;
}

std::string Subprocess::remainingStdout()
{
    std::string all = std::move(m_out);
    m_out.clear();
    return all;
}

const std::string& Subprocess::stderrText()
{
    pump(milliseconds(0));
    return m_err;
}

bool Subprocess::waitForStderr(std::string_view needle, milliseconds timeout)
{
    const auto deadline = steady_clock::now() + timeout;
    while (m_err.find(needle) == std::string::npos) {
        if (steady_clock::now() >= deadline || !pump(std::min(remaining(deadline), milliseconds(1000))))
            return m_err.find(needle) != std::string::npos;
    }
    return true;
}

void Subprocess::sendSignal(int signal)
{
    ::kill(m_pid, signal);
}

RunResult run(const std::string& program, const std::vector<std::string>& args, Subprocess::Options options,
              std::string_view input)
{
    Subprocess p(program, args, std::move(options));
    if (!input.empty())
        p.write(input);
    p.closeStdin();
    RunResult r;
    r.status = p.wait(seconds(120)).value_or(-1000);
    r.out = p.remainingStdout();
    r.err = p.stderrText();
    return r;
}

} // namespace tarnwick::testing
