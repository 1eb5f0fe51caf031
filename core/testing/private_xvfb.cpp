#include "core/testing/private_xvfb.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace core::testing {

ChildProcess::~ChildProcess() {
  if (pid > 0) {
    ::kill(pid, SIGTERM);
    int st;
    ::waitpid(pid, &st, 0);
  }
}

bool ReadLineWithin(int fd, std::string* line, int ms) {
  line->clear();
  char c;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    if (::read(fd, &c, 1) <= 0) return false;
    if (c == '\n') return true;
    line->push_back(c);
  }
}

PrivateXvfb::PrivateXvfb(const std::string& screen) {
  for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"}) {
    if (::access(p, X_OK) == 0) {
      program_ = p;
      break;
    }
  }
  if (program_.empty()) return;
  int xp[2];
  if (::pipe(xp) != 0) return;
  server_.pid = ::fork();
  if (server_.pid < 0) {
    ::close(xp[0]);
    ::close(xp[1]);
    return;
  }
  if (server_.pid == 0) {
    ::close(xp[0]);
    const std::string fd = std::to_string(xp[1]);
    ::execl(program_.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  launched_ = true;
  ::close(xp[1]);
  std::string number;
  if (ReadLineWithin(xp[0], &number, 20000)) display_ = ":" + number;
  ::close(xp[0]);
}

}  // namespace core::testing
