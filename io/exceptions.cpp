#include "io/exceptions.h"

#include "core/strings.h"
#include "core/unicode.h"

namespace io {

Exception::Exception(std::u16string_view message, int code) : core::Error(core::utf16_to_utf8(message), code) {}

void RaiseListIndexError(long long index) {
  throw EListError(core::format("List index out of bounds (%lld)", index));
}

}  // namespace io
