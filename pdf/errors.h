// Exceptions of the PDF writer. The document and its pages raise TPDFException; the deflate stream
// raises ECompressionError; the other readers and builders raise core::Error itself.
#pragma once

#include "core/error.h"

namespace pdf {

class TPDFException : public core::Error {
public:
  using core::Error::Error;
};

class EZlibError : public core::Error {
public:
  using core::Error::Error;
};

class ECompressionError : public EZlibError {
public:
  using EZlibError::EZlibError;
};

}  // namespace pdf
