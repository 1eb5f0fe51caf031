#include "platform/os/shell.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace platform::os {
namespace fs = std::filesystem;

std::string shell_target_path(const std::string& target, const std::string& working_dir) {
  if (target.empty()) return {};
  std::error_code ec;
  fs::path p(target);
  if (p.is_relative()) {
    const fs::path base = working_dir.empty() ? fs::current_path(ec) : fs::path(working_dir);
    if (ec) return {};
    p = base / p;
  }
  p = fs::absolute(p, ec).lexically_normal();
  if (ec || !fs::exists(p, ec)) return {};
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

namespace {

bool on_path(const std::string& program) {
  if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= dirs.size()) {
    std::size_t end = dirs.find(':', pos);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = end > pos ? dirs.substr(pos, end - pos) : ".";
    if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    pos = end + 1;
  }
  return false;
}

}  // namespace

XdgShell::XdgShell(std::string program, std::chrono::milliseconds verdict_wait)
    : program_(std::move(program)), verdict_wait_(verdict_wait) {}

bool XdgShell::open(const std::string& target, const std::string& working_dir) {
  const std::string path = shell_target_path(target, working_dir);
  if (path.empty() || !on_path(program_)) return false;
  // A short-lived shell starts a background job and exits at once, so that the handler is nobody's
  // child here. The job runs the handler and then writes its exit status into a pipe (descriptor 3,
  // which the handler itself does not get). Program and path travel as arguments, never as text.
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
  const char* script = "( \"$0\" \"$1\" </dev/null >/dev/null 2>&1 3>&-; echo $? >&3 ) & exit 0";
  const char* argv[] = {"sh", "-c", script, program_.c_str(), path.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, "/bin/sh", &actions, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (rc != 0) {
    ::close(pipe_fds[0]);
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // The handler's verdict: a desktop's opener answers at once (a failure such as no application
  // for the file type included); one that is still running after the wait runs the application
  // in the foreground, which is success so far.
  std::string verdict;
  const auto deadline = std::chrono::steady_clock::now() + verdict_wait_;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{pipe_fds[0], POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    char buf[16];
    const ssize_t got = ::read(pipe_fds[0], buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    verdict.append(buf, static_cast<std::size_t>(got));
    if (verdict.find('\n') != std::string::npos) break;
  }
  ::close(pipe_fds[0]);
  if (verdict.empty()) return true;
  return std::atoi(verdict.c_str()) == 0;
}

}  // namespace platform::os
