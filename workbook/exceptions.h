// Exceptions of the workbook library. `Exception` is the library's base exception type: every
// misuse and every piece of corrupt data that the library reports by raising ends up as one of them.
#pragma once

#include <string>
#include <string_view>

#include "core/error.h"

namespace workbook {

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

// A text that does not convert to the number asked for.
class EConvertError : public Exception {
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

}  // namespace workbook
