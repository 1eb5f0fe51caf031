// The base exception of the project: a message and, where a library numbers its messages, a number.
#pragma once

#include <stdexcept>
#include <string>

namespace core {

class Error : public std::runtime_error {
public:
  explicit Error(const std::string& message, int code = 0)
      : std::runtime_error(message), code_(code) {}

  // The library's message number, 0 where the library does not number its messages.
  int code() const noexcept { return code_; }

private:
  int code_;
};

// Thrown by the byte readers when input ends before a field does.
class TruncatedInput : public Error {
public:
  using Error::Error;
};

}  // namespace core
