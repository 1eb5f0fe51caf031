// Feeds a whole document to an expat parser in 64 KB pieces, as a reader of a stream would.
#pragma once

#include <expat.h>

#include <algorithm>
#include <chrono>
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

// One timed parse with a counter that has static Start, End and Chars handlers: the seconds the
// parse took, or a negative value when the document is not well-formed.
template <class Counter>
double ExpatTimedParse(Counter& counter, const std::string& bytes) {
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetUserData(p, &counter);
  XML_SetElementHandler(p, Counter::Start, Counter::End);
  XML_SetCharacterDataHandler(p, Counter::Chars);
  const auto start = std::chrono::steady_clock::now();
  const bool ok = ExpatParseAll(p, bytes);
  const auto end = std::chrono::steady_clock::now();
  XML_ParserFree(p);
  return ok ? std::chrono::duration<double>(end - start).count() : -1.0;
}

}  // namespace bench
