#include "tools/instrument-sim/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace instrument_sim {

namespace {

struct SpeedEntry {
  int baud;
  speed_t speed;
};

const SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

unsigned speed_constant(int baud) {
  for (const SpeedEntry& e : kSpeeds) {
    if (e.baud == baud) return e.speed;
  }
  return 0;
}

int baud_of_speed(unsigned speed) {
  for (const SpeedEntry& e : kSpeeds) {
    if (e.speed == speed) return e.baud;
  }
  return 0;
}

PtyPort::PtyPort(int baud) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) fail("posix_openpt");
  try {
    if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) fail("fcntl");
    if (fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) fail("fcntl");
    if (grantpt(master_) != 0) fail("grantpt");
    if (unlockpt(master_) != 0) fail("unlockpt");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) fail("ptsname_r");
    path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave_ < 0) fail("open pty slave");
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0) fail("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    const speed_t speed = speed_constant(baud) ? speed_constant(baud) : B9600;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(slave_, TCSANOW, &tio) != 0) fail("tcsetattr");
  } catch (...) {
    if (slave_ >= 0) ::close(slave_);
    ::close(master_);
    throw;
  }
}

PtyPort::~PtyPort() {
  if (!link_.empty()) {
    struct stat st{};
    if (lstat(link_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(link_.c_str());
  }
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void PtyPort::create_link(const std::string& link) {
  struct stat st{};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) throw std::runtime_error(link + " exists and is not a symbolic link");
    if (::unlink(link.c_str()) != 0) fail("unlink");
  }
  if (::symlink(path_.c_str(), link.c_str()) != 0) fail("symlink");
  link_ = link;
}

LineSettings PtyPort::line_settings() const {
  LineSettings s;
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) return s;
  s.baud = baud_of_speed(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: s.data_bits = 5; break;
    case CS6: s.data_bits = 6; break;
    case CS7: s.data_bits = 7; break;
    default: s.data_bits = 8; break;
  }
  if (tio.c_cflag & PARENB) {
    const bool odd = (tio.c_cflag & PARODD) != 0;
    if (tio.c_cflag & CMSPAR) {
      s.parity = odd ? 'M' : 'S';
    } else {
      s.parity = odd ? 'O' : 'E';
    }
  }
  s.stop_bits = (tio.c_cflag & CSTOPB) ? 2 : 1;
  return s;
}

Bytes PtyPort::read_available() {
  Bytes out;
  std::uint8_t buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      out.insert(out.end(), buf, buf + n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EAGAIN: nothing more; EIO cannot happen while our own slave descriptor is open
  }
  return out;
}

bool PtyPort::wait_readable(std::chrono::milliseconds timeout) const {
  pollfd p{master_, POLLIN, 0};
  const int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
  return r > 0 && (p.revents & POLLIN);
}

std::size_t PtyPort::write_all(ByteSpan bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return done;
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, 1000) <= 0) return done;
  }
  return done;
}

}  // namespace instrument_sim
