// Exceptions of the workbook library. `Exception` is the library's base exception type: every
// misuse and every piece of corrupt data that the library reports by raising ends up as one of them.
// It is the I/O layer's base exception, so that failing streams and archives are among them.
#pragma once

#include "io/exceptions.h"

namespace workbook {

using Exception = io::Exception;
using EListError = io::EListError;
using EStreamError = io::EStreamError;
using io::RaiseListIndexError;

// A text that does not convert to the number asked for.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

}  // namespace workbook
