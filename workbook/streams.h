// The I/O layer's byte streams, deflate streams and ZIP archive under the names the workbook
// library's interfaces give them.
#pragma once

#include "io/stream.h"
#include "io/zip_archive.h"
#include "io/zlib_streams.h"

namespace workbook {

using TCustomMemoryStream = io::TCustomMemoryStream;
using TFileStream = io::TFileStream;
using TMemoryStream = io::TMemoryStream;
using TPointerMemoryStream = io::TPointerMemoryStream;
using TSeekOrigin = io::TSeekOrigin;
using TStream = io::TStream;

using ECompressionError = io::ECompressionError;
using EDecompressionError = io::EDecompressionError;
using EZlibError = io::EZlibError;
using TCompressionStream = io::TCompressionStream;
using TCustomZlibStream = io::TCustomZlibStream;
using TDecompressionStream = io::TDecompressionStream;
using io::ZlibCompressBuffer;
using io::ZlibDecompressBuffer;

using TXLSOwnerStream = io::TXLSOwnerStream;
using TXLSZipArchive = io::TXLSZipArchive;
using TXLSZipArchiveIntf = io::TXLSZipArchiveIntf;
using TXLSZipArchiveIntfXLS = io::TXLSZipArchiveIntfXLS;
using TXLSZipFile = io::TXLSZipFile;

}  // namespace workbook
