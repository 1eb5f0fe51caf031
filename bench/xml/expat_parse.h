// Feeds a whole document to an expat parser in 64 KB pieces, as a reader of a stream would.
#pragma once

#include <expat.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace bench {

// False (with expat's message on stderr) when the document is not well-formed.
inline bool ExpatParseAll(XML_Parser p, const std::string& bytes) {
  const std::size_t chunk = 65536;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    const std::size_t n = std::min(chunk, bytes.size() - at);
    if (XML_Parse(p, bytes.data() + at, static_cast<int>(n), at + n == bytes.size()) == XML_STATUS_ERROR) {
      std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(p)));
      return false;
    }
  }
  return true;
}

}  // namespace bench
