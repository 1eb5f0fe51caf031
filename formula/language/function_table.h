// The worksheet-function tables: the legacy table of the BIFF8 function ids 0..380 with their operand
// classes (used only by the BIFF8 formula codec), the library's own table of ids 0..381 and 800..872
// with argument counts and argument-type records, and the name index through which the compiler,
// decoder, evaluator and calculation chain turn names into ids and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace formula {

// One BIFF8 function id. MinArgs 255 marks a function the legacy side does not support; MaxArgs 99
// means any number. Classes: 0x20 reference, 0x40 value, 0x60 array, 0 not given, for arguments 1..6.
struct TExcelFunctions {
  std::uint8_t MinArgs;
  std::uint8_t MaxArgs;
  const char16_t* Name;
  std::uint8_t Classes[6];
};
inline constexpr int EXCEL_FUNCTION_COUNT = 381;
inline constexpr std::uint8_t LEGACY_ANY_ARGS = 99;
inline constexpr std::uint8_t LEGACY_UNSUPPORTED = 255;
extern const TExcelFunctions ExcelFunctions[EXCEL_FUNCTION_COUNT];

// How a function takes its arguments inside an array formula. Count 255: any number, all alike.
// Codes[0] is not read; Codes[1..Count] are the argument codes (1 and 4 one value at a time, 2 and 3
// whole).
struct TXc12FuncArgTypes {
  std::int32_t Id;
  std::int32_t Count;
  std::uint8_t Codes[12];
};
inline constexpr int FUNC_ARG_TYPES_COUNT = 261;
inline constexpr std::int32_t ARG_TYPES_ANY = 255;
extern const TXc12FuncArgTypes Xc12FuncArgTypes[FUNC_ARG_TYPES_COUNT];

// The library's function record. MaxArgs 254 means any number of arguments.
struct TXc12FuncData {
  std::uint32_t Flags = 0;  // 1: called whole inside an array formula (MINVERSE)
  const TXc12FuncArgTypes* ArgTypes = nullptr;
  std::int32_t Id = 0;
  std::int32_t MinArgs = 0;
  std::int32_t MaxArgs = 0;
  std::u16string_view Name;
};
inline constexpr std::int32_t FUNC_ANY_ARGS = 254;
inline constexpr std::uint32_t FUNC_FLAG_WHOLE_ARRAY = 1;

// The constant part of a library record, as the table lists it.
struct TXc12FuncDataDef {
  std::uint32_t Flags;
  std::int32_t Id;
  std::int32_t MinArgs;
  std::int32_t MaxArgs;
  const char16_t* Name;
};
inline constexpr int XC12_FUNC_COUNT = 327;
extern const TXc12FuncDataDef Xc12FuncDataDefs[XC12_FUNC_COUNT];

// Function ids the engine refers to by number.
inline constexpr int FUNC_ID_COUNT = 873;  // highest id 872, plus one
inline constexpr int FID_QUOTIENT = 381;
inline constexpr int FID_CHISQ_INV_RT = 806;

// Argument classes of the calculation (the legacy table's operand classes).
inline constexpr std::uint8_t ARG_CLASS_REF = 0x20;
inline constexpr std::uint8_t ARG_CLASS_VALUE = 0x40;
inline constexpr std::uint8_t ARG_CLASS_ARRAY = 0x60;

// The name index over the library table: entry i holds the name and record of function id i.
class TXLSExcelFuncNames {
public:
  TXLSExcelFuncNames();
  TXLSExcelFuncNames(const TXLSExcelFuncNames&) = delete;
  TXLSExcelFuncNames& operator=(const TXLSExcelFuncNames&) = delete;

  // The id whose name equals Name without regard to ASCII case; -1 when none.
  int FindName(std::u16string_view Name) const;
  // The name of Id; empty for an id without a function. Raises for ids outside 0..872.
  std::u16string_view GetName(int Id) const;
  // Raise "Unknown function id \"%d\"" for an id without a record.
  bool GetArgRange(int Id, int& MinArgs, int& MaxArgs) const;
  int GetMinArgs(int Id) const;
  bool IsFixedArgs(int Id) const;
  // The record of Id, nullptr when there is none (or Id is outside the table).
  const TXc12FuncData* GetFuncData(int Id) const;
  int Count() const { return FUNC_ID_COUNT; }

  // How the calculation passes argument Index (0-based) of Id: ARG_CLASS_REF (references stay
  // references), ARG_CLASS_VALUE (one value; an array in an array context calls the function per
  // element) or ARG_CLASS_ARRAY (the argument's expression is calculated as arrays, in every formula).
  // The class of the last argument the table gives holds for the ones after it.
  std::uint8_t ArgClass(int Id, int Index) const;
  // Id has an argument of array class.
  bool HasArrayArgument(int Id) const;

private:
  const TXc12FuncData& Require(int Id) const;

  struct TArgClasses {
    std::uint8_t Classes[6] = {};
    bool AnyArray = false;
  };
  std::vector<TXc12FuncData> Data_;       // indexed by id; Id -1 = no function
  std::vector<TArgClasses> ArgClasses_;   // indexed by id
  std::unordered_map<std::string, int> Index_;  // ASCII upper-case name -> id
};

// The process-wide index, built on first use (the tables are constant, so it never needs a reset).
const TXLSExcelFuncNames& XLSFuncNames();

}  // namespace formula
