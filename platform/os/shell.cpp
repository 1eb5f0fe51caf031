#include "platform/os/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

XdgShell::XdgShell(std::string program) : program_(std::move(program)) {}

bool XdgShell::open(const std::string& target, const std::string& working_dir) {
  const std::string path = shell_target_path(target, working_dir);
  if (path.empty() || !on_path(program_)) return false;
  // A short-lived shell starts the handler in the background and exits at once: the handler is then
  // nobody's child here, and the shell is reaped right away. Program and path travel as arguments, never
  // as script text.
  const char* script = "\"$0\" \"$1\" </dev/null >/dev/null 2>&1 &";
  const char* argv[] = {"sh", "-c", script, program_.c_str(), path.c_str(), nullptr};
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, "/bin/sh", nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform::os
