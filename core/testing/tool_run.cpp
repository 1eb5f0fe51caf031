#include "core/testing/tool_run.h"

#include <stdio.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace core::testing {

ToolRun RunTool(const std::string& command, Stderr err) {
  ToolRun r;
  const char* redirect = err == Stderr::kJoined ? " 2>&1" : err == Stderr::kDiscarded ? " 2>/dev/null" : "";
  FILE* p = ::popen((command + redirect).c_str(), "r");
  if (p == nullptr) return r;
  char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool HaveTool(const std::string& name) { return Succeeds("command -v " + name); }

bool HavePythonModules(const std::string& modules) { return Succeeds("/usr/bin/python3 -c 'import " + modules + "'"); }

std::string Quoted(const std::filesystem::path& p) {
  std::string q = "'";
  for (char c : p.string()) {
    if (c == '\'')
      q += "'\\''";
    else
      q.push_back(c);
  }
  return q + "'";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::map<std::string, std::string> KeyValues(const std::string& text) {
  std::map<std::string, std::string> out;
  for (const std::string& line : Lines(text)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace core::testing
