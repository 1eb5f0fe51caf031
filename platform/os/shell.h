// Opening files and folders with the desktop's own handler (a report in the spreadsheet program, a PDF
// in the viewer, a folder in the file manager, a help file).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace platform::os {

class Shell {
public:
  virtual ~Shell() = default;
  // Opens `target` (a file or a folder) and returns at once. A relative target is taken relative to
  // `working_dir`, or to the current folder when that is empty. False when the target does not exist or
  // no handler can be started.
  virtual bool open(const std::string& target, const std::string& working_dir = {}) = 0;
};

// Starts `program` (xdg-open by default) with the absolute path as its one argument, in a session of its
// own, so that it outlives neither as a child nor as a zombie of this process. Its exit status is
// awaited for at most `verdict_wait`: a handler that fails in that time (no application for the file
// type) makes `open` false; one still running then counts as started.
class XdgShell final : public Shell {
public:
  explicit XdgShell(std::string program = "xdg-open",
                    std::chrono::milliseconds verdict_wait = std::chrono::milliseconds(3000));
  bool open(const std::string& target, const std::string& working_dir = {}) override;

private:
  std::string program_;
  std::chrono::milliseconds verdict_wait_;
};

// The test double: records each call and answers with the result it is given.
class RecordingShell final : public Shell {
public:
  struct Call {
    std::string target;
    std::string working_dir;
    bool operator==(const Call&) const = default;
  };
  bool open(const std::string& target, const std::string& working_dir = {}) override {
    calls_.push_back({target, working_dir});
    return result_;
  }
  const std::vector<Call>& calls() const { return calls_; }
  void clear() { calls_.clear(); }
  void set_result(bool result) { result_ = result; }

private:
  std::vector<Call> calls_;
  bool result_ = true;
};

// The absolute path `open` would hand to the handler: `target` made absolute against `working_dir` (or
// the current folder) and normalised; empty when it does not exist.
std::string shell_target_path(const std::string& target, const std::string& working_dir);

}  // namespace platform::os
