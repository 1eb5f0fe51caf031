#include "formula/language/function_table.h"

#include "core/strings.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

// Function names are ASCII; anything else cannot match and folds to a byte that no name holds.
std::string FoldName(std::u16string_view Name) {
  std::string s;
  s.reserve(Name.size());
  for (char16_t c : Name) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    s.push_back(c < 0x80 ? static_cast<char>(c) : '\x01');
  }
  return s;
}

// Argument classes of the functions the legacy table does not hold, as their legacy counterparts
// take them ('R' reference, 'V' value, 'A' array; the last letter repeats). Not listed: all values.
struct TLaterClasses {
  int Id;
  const char* Classes;
};
constexpr TLaterClasses kLaterClasses[] = {
    {815, "AA"},  {818, "VVR"}, {819, "R"},   {820, "R"},   {821, "R"},    {822, "R"},   {823, "A"},
    {824, "RV"},  {825, "RV"},  {826, "RV"},  {827, "RV"},  {828, "RVR"},  {829, "RRV"}, {833, "RV"},
    {834, "AA"},  {841, "A"},   {842, "VVVR"}, {843, "RV"}, {844, "RRV"},  {845, "VVVR"}, {850, "AA"},
    {852, "AA"},  {860, "RV"},  {862, "VRV"}, {863, "AAVV"}, {865, "RV"},  {866, "VVR"}, {867, "VVR"},
    {871, "RRV"}, {872, "VRR"},
};

constexpr int kFidLookup = 28, kFidMatch = 64;

std::uint8_t ClassOfLetter(char C) {
  return C == 'R' ? ARG_CLASS_REF : C == 'A' ? ARG_CLASS_ARRAY : ARG_CLASS_VALUE;
}

}  // namespace

TXLSExcelFuncNames::TXLSExcelFuncNames() : Data_(FUNC_ID_COUNT), ArgClasses_(FUNC_ID_COUNT) {
  for (int id = 0; id < EXCEL_FUNCTION_COUNT; ++id) {
    TArgClasses& a = ArgClasses_[static_cast<std::size_t>(id)];
    for (int k = 0; k < 6; ++k) a.Classes[k] = ExcelFunctions[id].Classes[k];
  }
  for (const TLaterClasses& l : kLaterClasses) {
    TArgClasses& a = ArgClasses_[static_cast<std::size_t>(l.Id)];
    for (int k = 0; k < 6 && l.Classes[k]; ++k) a.Classes[k] = ClassOfLetter(l.Classes[k]);
  }
  // The lookup vectors of LOOKUP and MATCH: a reference stays one, an expression is calculated as
  // arrays (LOOKUP(2,1/(A1:A9="x"),B1:B9) finds the last match in every spreadsheet application).
  ArgClasses_[kFidLookup].Classes[1] = ArgClasses_[kFidLookup].Classes[2] = ARG_CLASS_ARRAY;
  ArgClasses_[kFidMatch].Classes[1] = ARG_CLASS_ARRAY;
  ArgClasses_[kFidMatch].Classes[2] = ARG_CLASS_VALUE;
  for (TArgClasses& a : ArgClasses_)
    for (std::uint8_t c : a.Classes)
      if (c == ARG_CLASS_ARRAY) a.AnyArray = true;
  for (auto& d : Data_) d.Id = -1;
  for (const auto& def : Xc12FuncDataDefs) {
    TXc12FuncData& d = Data_[static_cast<std::size_t>(def.Id)];
    d.Flags = def.Flags;
    d.Id = def.Id;
    d.MinArgs = def.MinArgs;
    d.MaxArgs = def.MaxArgs;
    d.Name = def.Name;
    Index_.emplace(FoldName(d.Name), def.Id);
  }
  for (const auto& at : Xc12FuncArgTypes) Data_[static_cast<std::size_t>(at.Id)].ArgTypes = &at;
  // Files written by older versions name id 806 without "SQ"; both read, the standard one is written.
  Index_.emplace("CHI.INV.RT", FID_CHISQ_INV_RT);
}

int TXLSExcelFuncNames::FindName(std::u16string_view Name) const {
  auto it = Index_.find(FoldName(Name));
  return it == Index_.end() ? -1 : it->second;
}

std::u16string_view TXLSExcelFuncNames::GetName(int Id) const {
  if (Id < 0 || Id >= FUNC_ID_COUNT) workbook::RaiseListIndexError(Id);
  return Data_[static_cast<std::size_t>(Id)].Name;
}

const TXc12FuncData* TXLSExcelFuncNames::GetFuncData(int Id) const {
  if (Id < 0 || Id >= FUNC_ID_COUNT || Data_[static_cast<std::size_t>(Id)].Id < 0) return nullptr;
  return &Data_[static_cast<std::size_t>(Id)];
}

const TXc12FuncData& TXLSExcelFuncNames::Require(int Id) const {
  const TXc12FuncData* d = GetFuncData(Id);
  if (!d) throw workbook::Exception(core::format("Unknown function id \"%d\"", Id));
  return *d;
}

bool TXLSExcelFuncNames::GetArgRange(int Id, int& MinArgs, int& MaxArgs) const {
  const TXc12FuncData& d = Require(Id);
  MinArgs = d.MinArgs;
  MaxArgs = d.MaxArgs;
  return MinArgs == MaxArgs;
}

std::uint8_t TXLSExcelFuncNames::ArgClass(int Id, int Index) const {
  if (Id < 0 || Id >= FUNC_ID_COUNT || Index < 0) return ARG_CLASS_VALUE;
  const TArgClasses& a = ArgClasses_[static_cast<std::size_t>(Id)];
  std::uint8_t c = 0;
  for (int k = 0; k <= Index && k < 6; ++k)
    if (a.Classes[k]) c = a.Classes[k];
  return c ? c : ARG_CLASS_VALUE;
}

bool TXLSExcelFuncNames::HasArrayArgument(int Id) const {
  return Id >= 0 && Id < FUNC_ID_COUNT && ArgClasses_[static_cast<std::size_t>(Id)].AnyArray;
}

int TXLSExcelFuncNames::GetMinArgs(int Id) const { return Require(Id).MinArgs; }

bool TXLSExcelFuncNames::IsFixedArgs(int Id) const {
  const TXc12FuncData& d = Require(Id);
  return d.MinArgs == d.MaxArgs;
}

const TXLSExcelFuncNames& XLSFuncNames() {
  static const TXLSExcelFuncNames names;
  return names;
}

}  // namespace formula
