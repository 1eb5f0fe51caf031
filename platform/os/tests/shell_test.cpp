#include "platform/os/shell.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/testing/temp_dir.h"

namespace platform::os {
namespace {

namespace fs = std::filesystem;

class ShellTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dir_ / "data");
    std::ofstream(dir_ / "仪表软件使用说明-V138.chm") << "help";
    std::ofstream(dir_ / "data" / "report 1.xls") << "xls";
  }
  const core::testing::TempDir scratch_{"thc_shell"};
  const fs::path dir_ = scratch_.path();
};

TEST_F(ShellTest, TargetsResolveAgainstTheWorkingFolder) {
  EXPECT_EQ(shell_target_path("仪表软件使用说明-V138.chm", dir_.string()),
            (dir_ / "仪表软件使用说明-V138.chm").string());
  EXPECT_EQ(shell_target_path("data/", dir_.string()), (dir_ / "data").string());
  EXPECT_EQ(shell_target_path((dir_ / "data" / ".." / "data" / "report 1.xls").string(), "/nonexistent"),
            (dir_ / "data" / "report 1.xls").string());
  EXPECT_EQ(shell_target_path("missing.chm", dir_.string()), "");
  EXPECT_EQ(shell_target_path("", dir_.string()), "");
}

TEST_F(ShellTest, HandlerGetsTheAbsolutePathAndRunsDetached) {
  const fs::path fifo = dir_ / "seen";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path handler = dir_ / "handler.sh";
  std::ofstream(handler) << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '" << fifo.string() << "'\n";
  fs::permissions(handler, fs::perms::owner_all);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);

  XdgShell shell(handler.string());
  ASSERT_TRUE(shell.open("data/report 1.xls", dir_.string()));
  pollfd p{reader, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1) << "the handler never ran";
  char buf[512] = {};
  const ssize_t n = ::read(reader, buf, sizeof buf - 1);
  ::close(reader);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::string(buf, static_cast<std::size_t>(n)),
            "1|" + (dir_ / "data" / "report 1.xls").string() + "\n");
}

TEST_F(ShellTest, MissingTargetOrHandlerIsAFailure) {
  XdgShell shell("/bin/true");
  EXPECT_FALSE(shell.open("missing.pdf", dir_.string()));
  XdgShell no_handler("thc-no-such-opener");
  EXPECT_FALSE(no_handler.open("data", dir_.string()));
  EXPECT_TRUE(shell.open("data", dir_.string()));
}

// The handler's own failure (xdg-open without an application for the file type exits 3) is the
// caller's to report; a handler still running after the wait has started the application.
TEST_F(ShellTest, TheHandlersVerdictDecides) {
  struct Case {
    const char* what;
    const char* body;
    bool opened;
  };
  const Case cases[] = {
      {"no application for the type", "echo 'xdg-open: no method available' >&2; exit 3", false},
      {"opened at once", "exit 0", true},
      {"failed after a moment", "sleep 0.2; exit 4", false},
  };
  for (const Case& c : cases) {
    const fs::path handler = dir_ / "handler.sh";
    std::ofstream(handler) << "#!/bin/sh\n" << c.body << "\n";
    fs::permissions(handler, fs::perms::owner_all);
    XdgShell shell(handler.string(), std::chrono::milliseconds(10000));
    EXPECT_EQ(shell.open("data/report 1.xls", dir_.string()), c.opened) << c.what;
  }
  // Still running when the wait ends: started; the handler is ended through its fifo afterwards.
  const fs::path fifo = dir_ / "hold";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path handler = dir_ / "waiting.sh";
  std::ofstream(handler) << "#!/bin/sh\nread line < '" << fifo.string() << "'\nexit 5\n";
  fs::permissions(handler, fs::perms::owner_all);
  XdgShell shell(handler.string(), std::chrono::milliseconds(300));
  EXPECT_TRUE(shell.open("data", dir_.string()));
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  EXPECT_EQ(::write(writer, "x\n", 2), 2);
  ::close(writer);
}

TEST(RecordingShell, RecordsCallsAndAnswersAsTold) {
  RecordingShell shell;
  EXPECT_TRUE(shell.open("a.pdf", "/w"));
  shell.set_result(false);
  EXPECT_FALSE(shell.open("b.chm"));
  EXPECT_EQ(shell.calls(), (std::vector<RecordingShell::Call>{{"a.pdf", "/w"}, {"b.chm", ""}}));
}

}  // namespace
}  // namespace platform::os
