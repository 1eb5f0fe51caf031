// The exception of the legacy file format: fixed English texts, raised for bad input and misuse.
#pragma once

#include <string>

#include "core/error.h"

namespace biff {

class Exception : public core::Error {
public:
  explicit Exception(const std::string& message) : core::Error(message) {}
};

}  // namespace biff
