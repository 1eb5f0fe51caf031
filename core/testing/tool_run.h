// Running outside tools from tests: validators, converters and readers that check what the
// program wrote. A test skips only when the tool is truly absent, so these report plainly whether
// it is there and what it said.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace core::testing {

struct ToolRun {
  int status = -1;     // the exit status, -1 when the command could not run or was killed
  std::string output;  // standard output, with standard error when joined
};

// Where a command's standard error goes.
enum class Stderr {
  kJoined,     // into ToolRun::output, after standard output as the tool interleaves them
  kDiscarded,  // to /dev/null
  kShown,      // to the test's own standard error, so that output holds exactly standard output
};

// Runs `command` through /bin/sh and waits for it.
ToolRun RunTool(const std::string& command, Stderr err = Stderr::kJoined);

// Whether `command` exits with status 0; all its output is discarded.
bool Succeeds(const std::string& command);

// Whether `name` is a command the shell finds.
bool HaveTool(const std::string& name);

// Whether /usr/bin/python3 can import every module of `modules` ("xlrd, olefile").
bool HavePythonModules(const std::string& modules);

// `p` as one single-quoted shell word, whatever it holds.
std::string Quoted(const std::filesystem::path& p);

// The lines of a tool's output, without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);

// The key=value lines of a tool's output; later keys win.
std::map<std::string, std::string> KeyValues(const std::string& text);

// The whole file, empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& p);

}  // namespace core::testing
