// A record as the sheet-rule objects (conditional formats, validations, autofilter) read and write
// it: its id and its body, without header. The writer puts such lists into the stream as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "core/byte_io.h"

namespace biff {

inline constexpr std::uint16_t BIFFRECID_FILTERMODE = 0x009B;
inline constexpr std::uint16_t BIFFRECID_AUTOFILTERINFO = 0x009D;
inline constexpr std::uint16_t BIFFRECID_AUTOFILTER = 0x009E;
inline constexpr std::uint16_t BIFFRECID_CONDFMT = 0x01B0;
inline constexpr std::uint16_t BIFFRECID_CF = 0x01B1;
inline constexpr std::uint16_t BIFFRECID_DVAL = 0x01B2;
inline constexpr std::uint16_t BIFFRECID_DV = 0x01BE;

struct TRawRecord {
  std::uint16_t Id = 0;
  std::vector<std::uint8_t> Body;
  bool operator==(const TRawRecord&) const = default;
};

// A cell area as these records hold it: first row, last row, first column, last column.
inline void WriteAreaRef(core::ByteWriter& W, int Row1, int Row2, int Col1, int Col2) {
  for (int v : {Row1, Row2, Col1, Col2}) W.u16le(static_cast<std::uint16_t>(v));
}

}  // namespace biff
