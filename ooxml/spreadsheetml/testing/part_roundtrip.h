// Test support: a SpreadsheetML part read through the unit's document and written back, and the
// comparison of parts as read with the parts as written. For the binding tests and for whatever
// reads or writes .xlsx parts through the bindings.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ooxml::sml::testing {

struct PartRoundTrip {
  std::string written;               // the part as written back
  std::vector<std::string> reports;  // every report of the read
  int items = 0;                     // streamed items that went through the read events
};

// Reads xml (any of the eight SpreadsheetML parts) and writes it back as the document element it
// held. Every streamed item (shared strings, rows and their cells, column records, merged cells,
// hyperlinks, defined names, comments) is kept as the XML it writes when its read event hands it
// over, and given back to the write event in the same order.
PartRoundTrip RoundTripPart(const std::string& xml);

// Compares every file under out with the file of the same path under in, through the independent
// parser of tools/xpg-gen/xpg_compare.py after dropping what the unit never writes (its defaults
// file in the build tree). only: compare just these children of the document element (names
// joined by commas). Empty when they agree, else what the comparison printed.
std::string CompareParts(const std::filesystem::path& in, const std::filesystem::path& out,
                         const std::string& only = {});

}  // namespace ooxml::sml::testing
