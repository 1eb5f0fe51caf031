#include "platform/os/shell.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(RecordingShell, RecordsCallsAndAnswersAsTold) {
  RecordingShell shell;
  EXPECT_TRUE(shell.open("a.pdf", "/w"));
  shell.set_result(false);
  EXPECT_FALSE(shell.open("b.chm"));
  EXPECT_EQ(shell.calls(), (std::vector<RecordingShell::Call>{{"a.pdf", "/w"}, {"b.chm", ""}}));
}

}  // namespace
}  // namespace platform::os
