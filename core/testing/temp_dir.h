// A fresh folder for a test's scratch files, removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace core::testing {

class TempDir {
public:
  // Made under the system's temporary folder as `prefix`_XXXXXX; throws std::runtime_error when it
  // cannot be made, rather than handing out a folder the destructor must not remove.
  explicit TempDir(const std::string& prefix = "thc");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

}  // namespace core::testing
