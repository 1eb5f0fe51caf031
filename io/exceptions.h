// Exceptions of the I/O layer. `Exception` is also the base exception of the spreadsheet library
// built on it (the workbook library raises it under its own name), so that a caller catching the
// library's base exception catches failing streams and archives as well.
#pragma once

#include <string>
#include <string_view>

#include "core/error.h"

namespace io {

class Exception : public core::Error {
public:
  explicit Exception(const std::string& message, int code = 0) : core::Error(message, code) {}
  // UTF-16 text, converted to the UTF-8 message.
  explicit Exception(std::u16string_view message, int code = 0);
};

// An index outside a list.
class EListError : public Exception {
public:
  using Exception::Exception;
};

// A stream that cannot give or take the bytes asked for.
class EStreamError : public Exception {
public:
  using Exception::Exception;
};

// "List index out of bounds (N)", raised by every list of the library.
[[noreturn]] void RaiseListIndexError(long long index);

}  // namespace io
