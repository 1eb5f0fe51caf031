#include "pdf/content_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/error.h"

namespace pdf {

TContentSpool::~TContentSpool() {
  if (fd_ >= 0) close(fd_);
}

bool TContentSpool::Open() {
  if (unusable_) return false;
  if (fd_ >= 0) return true;
  // Beside the output: the same disk, and not a memory file system the temporary folder may be.
  std::filesystem::path folder = std::filesystem::path(output_path_).parent_path();
  if (folder.empty()) folder = ".";
  fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    // File systems without unnamed files: a named one, removed at once.
    std::string name = (folder / ".pdf-pages-XXXXXX").string();
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ >= 0) unlink(name.c_str());
  }
  unusable_ = fd_ < 0;
  return fd_ >= 0;
}

bool TContentSpool::Put(std::string_view bytes, std::uint64_t& offset) {
  if (!Open()) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(size_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Nothing more goes there; what it holds already stays readable.
      unusable_ = true;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  offset = size_;
  size_ += bytes.size();
  return true;
}

std::string TContentSpool::Get(std::uint64_t offset, std::size_t size) const {
  std::string out(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = fd_ < 0 ? -1 : pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw core::Error(std::string("Cannot read the page content back. ") + (n < 0 ? std::strerror(errno) : ""));
    done += static_cast<std::size_t>(n);
  }
  return out;
}

}  // namespace pdf
