// The program's command line: help, errors, and the TF-card export that needs no line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/testing/tool_run.h"
#include "tools/instrument-sim/crc16.h"

extern char** environ;

namespace {

using ProgramRun = core::testing::ToolRun;

ProgramRun run(const std::string& args) {
  return core::testing::RunTool(std::string(INSTRUMENT_SIM_PROGRAM) + " " + args);
}

TEST(Program, HelpExplainsHowToStart) {
  const ProgramRun r = run("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* text : {"Usage: instrument-sim", "port: /dev/pts/N", "--baud", "--link", "--fault", "--pace",
                           "--tf-card", "--seed"}) {
    EXPECT_NE(r.output.find(text), std::string::npos) << text;
  }
}

TEST(Program, RefusesBadArguments) {
  for (const char* args : {"--bogus", "--baud 4800", "--address 0", "--fault wobble", "--history"}) {
    const ProgramRun r = run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.output.rfind("instrument-sim: ", 0), 0u) << r.output;
  }
  const std::filesystem::path seed = std::filesystem::path(::testing::TempDir()) / "isim_bad_seed.txt";
  std::ofstream(seed) << "address 3\nbaud 300\n";
  const ProgramRun r = run("--seed " + seed.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("line 2"), std::string::npos) << r.output;
  std::filesystem::remove(seed);
}

TEST(Program, WritesATfCardOfTheHistory) {
  const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "isim_program_card";
  std::filesystem::remove_all(root);
  const ProgramRun r = run("--address 7 --history 3000 --tf-card " + root.string());
  ASSERT_EQ(r.status, 0) << r.output;
  std::uintmax_t bytes = 0;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root / "THdb7")) {
    EXPECT_EQ(entry.path().extension(), ".hhw");
    EXPECT_EQ(entry.path().stem().string().size(), 8u);
    bytes += entry.file_size();
    ++files;
  }
  EXPECT_EQ(bytes, 30000u);
  EXPECT_GE(files, 3);  // 3000 minutes span three or four days
  EXPECT_LE(files, 4);
  std::filesystem::remove_all(root);
}

// Reads from `fd` until `want` bytes came or two seconds passed.
std::string read_some(int fd, std::size_t want, const std::string& until = "") {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (out.size() < want && std::chrono::steady_clock::now() < deadline) {
    if (!until.empty() && out.find(until) != std::string::npos) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

TEST(Program, ServesTheProbeOnThePortItPrints) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const char* argv[] = {INSTRUMENT_SIM_PROGRAM, "--address", "3", "--history", "10", nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  // A failing assertion must not leave the program running.
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
  } reaper{pid};

  const std::string banner = read_some(out[0], 4096, "instrument:");
  const auto at = banner.find("port: ");
  ASSERT_NE(at, std::string::npos) << banner;
  const std::string path = banner.substr(at + 6, banner.find('\n', at) - at - 6);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0) << path;
  termios tio{};
  ASSERT_EQ(tcgetattr(fd, &tio), 0);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
  instrument_sim::Bytes probe{0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01};
  instrument_sim::append_crc(probe);
  ASSERT_EQ(::write(fd, probe.data(), probe.size()), 8);
  const std::string reply = read_some(fd, 7);
  instrument_sim::Bytes expected{0x03, 0x03, 0x02, 0x00, 0x03};
  instrument_sim::append_crc(expected);
  EXPECT_EQ(reply, std::string(expected.begin(), expected.end()));
  ::close(fd);

  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  const std::string summary = read_some(out[0], 4096, "pushes");
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  reaper.pid = 0;
  ::close(out[0]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_NE(summary.find("served 1 frames, 1 replies"), std::string::npos) << summary;
}

}  // namespace
