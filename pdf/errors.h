// Exceptions of the PDF writer. The document and its pages raise TPDFException; the deflate stream
// raises ECompressionError; the other readers and builders raise core::Error itself.
#pragma once

#include "core/error.h"
#include "io/zlib_streams.h"

namespace pdf {

class TPDFException : public core::Error {
public:
  using core::Error::Error;
};

// The deflate stream is the I/O layer's, and so are its errors.
using EZlibError = io::EZlibError;
using ECompressionError = io::ECompressionError;

}  // namespace pdf
