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

}  // namespace

TXLSExcelFuncNames::TXLSExcelFuncNames() : Data_(FUNC_ID_COUNT) {
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
