#include "core/testing/temp_dir.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace core::testing {

TempDir::TempDir(const std::string& prefix) {
  std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder " + tmpl + ": " + std::strerror(errno));
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace core::testing
