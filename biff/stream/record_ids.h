// Record ids of the BIFF record stream that the stream and the record storages refer to by name.
#pragma once

#include <cstdint>

namespace biff {

inline constexpr std::uint16_t BIFFRECID_BOF_2 = 0x0009;
inline constexpr std::uint16_t BIFFRECID_BOF_3 = 0x0209;
inline constexpr std::uint16_t BIFFRECID_BOF_4 = 0x0409;
inline constexpr std::uint16_t BIFFRECID_BOF_8 = 0x0809;
inline constexpr std::uint16_t BIFFRECID_EOF = 0x000A;
inline constexpr std::uint16_t BIFFRECID_CALCCOUNT = 0x000C;
inline constexpr std::uint16_t BIFFRECID_CALCMODE = 0x000D;
inline constexpr std::uint16_t BIFFRECID_PRECISION = 0x000E;
inline constexpr std::uint16_t BIFFRECID_REFMODE = 0x000F;
inline constexpr std::uint16_t BIFFRECID_DELTA = 0x0010;
inline constexpr std::uint16_t BIFFRECID_ITERATION = 0x0011;
inline constexpr std::uint16_t BIFFRECID_PROTECT = 0x0012;
inline constexpr std::uint16_t BIFFRECID_PASSWORD = 0x0013;
inline constexpr std::uint16_t BIFFRECID_WINDOWPROTECT = 0x0019;
inline constexpr std::uint16_t BIFFRECID_1904 = 0x0022;
inline constexpr std::uint16_t BIFFRECID_PRINTHEADERS = 0x002A;
inline constexpr std::uint16_t BIFFRECID_PRINTGRIDLINES = 0x002B;
inline constexpr std::uint16_t BIFFRECID_CONTINUE = 0x003C;
inline constexpr std::uint16_t BIFFRECID_WINDOW1 = 0x003D;
inline constexpr std::uint16_t BIFFRECID_BACKUP = 0x0040;
inline constexpr std::uint16_t BIFFRECID_CODEPAGE = 0x0042;
inline constexpr std::uint16_t BIFFRECID_DEFCOLWIDTH = 0x0055;
inline constexpr std::uint16_t BIFFRECID_WRITEACCESS = 0x005C;
inline constexpr std::uint16_t BIFFRECID_SAVERECALC = 0x005F;
inline constexpr std::uint16_t BIFFRECID_GUTS = 0x0080;
inline constexpr std::uint16_t BIFFRECID_WSBOOL = 0x0081;
inline constexpr std::uint16_t BIFFRECID_GRIDSET = 0x0082;
inline constexpr std::uint16_t BIFFRECID_HCENTER = 0x0083;
inline constexpr std::uint16_t BIFFRECID_VCENTER = 0x0084;
inline constexpr std::uint16_t BIFFRECID_COUNTRY = 0x008C;
inline constexpr std::uint16_t BIFFRECID_HIDEOBJ = 0x008D;
inline constexpr std::uint16_t BIFFRECID_FNGROUPCOUNT = 0x009C;
inline constexpr std::uint16_t BIFFRECID_SETUP = 0x00A1;
inline constexpr std::uint16_t BIFFRECID_BOOKBOOL = 0x00DA;
inline constexpr std::uint16_t BIFFRECID_MSODRAWINGGROUP = 0x00EB;
inline constexpr std::uint16_t BIFFRECID_MSODRAWING = 0x00EC;
inline constexpr std::uint16_t BIFFRECID_TABID = 0x013D;
inline constexpr std::uint16_t BIFFRECID_DSF = 0x0161;
inline constexpr std::uint16_t BIFFRECID_PROT4REV = 0x01AF;
inline constexpr std::uint16_t BIFFRECID_REFRESHALL = 0x01B7;
inline constexpr std::uint16_t BIFFRECID_RECALCID = 0x01C1;
inline constexpr std::uint16_t BIFFRECID_DIMENSIONS = 0x0200;
inline constexpr std::uint16_t BIFFRECID_DEFAULTROWHEIGHT = 0x0225;
inline constexpr std::uint16_t BIFFRECID_WINDOW2 = 0x023E;
// Continuations of drawing data in chart and future-record form.
inline constexpr std::uint16_t BIFFRECID_CONTINUE_FRT = 0x0866;
inline constexpr std::uint16_t BIFFRECID_CONTINUE_CHART = 0x1066;

// Placeholders inside record storages: where the writer generates records from the model.
inline constexpr std::uint16_t INTERNAL_PLACEHOLDER_GLOBALS_FIRST = 0x8001;
inline constexpr std::uint16_t INTERNAL_PLACEHOLDER_GLOBALS_LAST = 0x8005;
inline constexpr std::uint16_t INTERNAL_PLACEHOLDER_SHEET_FIRST = 0x8101;
inline constexpr std::uint16_t INTERNAL_PLACEHOLDER_SHEET_LAST = 0x8106;

// Largest record body: BIFF8, and BIFF5 and earlier.
inline constexpr int MAXRECSZ_97 = 8224;
inline constexpr int MAXRECSZ_40 = 2080;

// True only for the ids of the BOF records of BIFF2 to BIFF8 (not every id whose low byte is 09).
constexpr bool IsBOFRecordId(std::uint16_t id) {
  return id == BIFFRECID_BOF_2 || id == BIFFRECID_BOF_3 || id == BIFFRECID_BOF_4 || id == BIFFRECID_BOF_8;
}

}  // namespace biff
