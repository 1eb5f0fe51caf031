#include "workbook/workbook_data.h"

#include <array>

#include "workbook/biff_codecs.h"

namespace workbook {

namespace {

constexpr std::u16string_view kBuiltInPrefix = u"_xlnm.";

// Built-in names by id.
constexpr std::array<std::u16string_view, 8> kBuiltInNames = {
    u"Consolidate_Area", u"Extract", u"Database", u"Criteria",
    u"Print_Area",       u"Print_Titles", u"Sheet_Title", u"_FilterDatabase"};

}  // namespace

void TXc12FunctionGroups::GetName(int Index, std::u16string& Name) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  Name = names_[static_cast<std::size_t>(Index)];
}

std::u16string BuiltInNameText(std::uint8_t BuiltIn) {
  if (BuiltIn >= kBuiltInNames.size()) return {};
  return std::u16string(kBuiltInNames[BuiltIn]);
}

std::u16string BuiltInCodeText(std::uint8_t Code) {
  // Built-in names by their code in legacy NAME records.
  static constexpr std::array<std::u16string_view, 14> kCodes = {
      u"Consolidate_Area", u"Auto_Open",  u"Auto_Close",     u"Extract",         u"Database",
      u"Criteria",         u"Print_Area", u"Print_Titles",   u"Recorder",        u"Data_Form",
      u"Auto_Activate",    u"Auto_Deactivate", u"Sheet_Title", u"_FilterDatabase"};
  if (Code >= kCodes.size()) return {};
  return std::u16string(kCodes[Code]);
}

void TXc12DefinedName::Clear() {
  Name.clear();
  Comment.clear();
  CustomMenu.clear();
  Description.clear();
  Help.clear();
  StatusBar.clear();
  LocalSheetId = -1;
  Hidden = Function = VbProcedure = Xlm = false;
  FunctionGroupId = 0;
  ShortcutKey.clear();
  PublishToServer = WorkbookParameter = false;
  BuiltIn = bnNone;
  Definition.clear();
  Deleted = false;
  RawBuiltInCode = 0;
}

void TXc12DefinedName::SetName(const std::u16string& AName) {
  Name = AName;
  if (AName.compare(0, kBuiltInPrefix.size(), kBuiltInPrefix) != 0) {
    BuiltIn = bnNone;
    return;
  }
  std::u16string_view rest = std::u16string_view(AName).substr(kBuiltInPrefix.size());
  for (std::size_t i = 0; i < kBuiltInNames.size(); ++i) {
    if (rest == kBuiltInNames[i]) {
      BuiltIn = static_cast<std::uint8_t>(i);
      Name.clear();  // a built-in name is known by its id alone
      return;
    }
  }
  // A "_xlnm." text that names no built-in stays a user name with its text: emptying it would leave
  // a nameless entry that nothing can find or write.
  BuiltIn = bnNone;
}

std::u16string TXc12DefinedName::GetDisplayName() const {
  if (BuiltIn != bnNone) return std::u16string(kBuiltInPrefix) + BuiltInNameText(BuiltIn);
  // A legacy built-in without an id here still has its built-in name, never an empty one.
  if (Name.empty() && RawBuiltInCode != 0) {
    const std::u16string text = BuiltInCodeText(RawBuiltInCode);
    if (!text.empty()) return std::u16string(kBuiltInPrefix) + text;
  }
  return Name;
}

TXc12DefinedName* TXc12DefinedNames::NewItem() {
  for (const auto& item : items_)
    if (item->Deleted) return item.get();
  return TObjectList<TXc12DefinedName>::Add(
      FactoryCreate<TXc12DefinedName>(ClassFactory_, fokName, nullptr));
}

TXc12DefinedName* TXc12DefinedNames::Add(const std::u16string& Name, int LocalSheetId) {
  TXc12DefinedName* n = NewItem();
  n->Clear();
  n->SetName(Name);
  n->LocalSheetId = LocalSheetId;
  IndexValid_ = false;
  return n;
}

TXc12DefinedName* TXc12DefinedNames::AddBuiltIn(std::uint8_t BuiltIn, int LocalSheetId) {
  TXc12DefinedName* n = NewItem();
  n->Clear();
  n->BuiltIn = BuiltIn;
  n->LocalSheetId = LocalSheetId;
  IndexValid_ = false;
  return n;
}

int TXc12DefinedNames::FindLocal(const std::u16string& Name, int SheetIndex) const {
  const std::u16string key = UpperCaseW(Name);
  for (int i = 0; i < Count(); ++i) {
    const TXc12DefinedName* n = items_[static_cast<std::size_t>(i)].get();
    if (!n->Deleted && !n->Name.empty() && n->LocalSheetId == SheetIndex && UpperCaseW(n->Name) == key) return i;
  }
  return -1;
}

int TXc12DefinedNames::Find(const std::u16string& Name, int SheetIndex) {
  if (SheetIndex >= 0) {
    int i = FindLocal(Name, SheetIndex);
    if (i >= 0) return i;
  }
  RebuildIndex();
  auto it = Index_.find(UpperCaseW(Name));
  return it == Index_.end() ? -1 : it->second;
}

void TXc12DefinedNames::RebuildIndex() {
  if (IndexValid_) return;
  Index_.clear();
  for (int i = 0; i < Count(); ++i) {
    const TXc12DefinedName* n = items_[static_cast<std::size_t>(i)].get();
    // Deleted entries keep their text until reused; they must not shadow nor be found.
    // Built-in names have no text and are known by their id alone.
    if (n->LocalSheetId == -1 && !n->Deleted && !n->Name.empty()) Index_.emplace(UpperCaseW(n->Name), i);
  }
  IndexValid_ = true;
}

namespace {
// Highest sheet index a reference may carry in the legacy format's 8-bit sheet numbers.
constexpr int kMaxRefSheet = 254;
}  // namespace

void TXc12DefinedNames::InsertSheets(int Index, int Count) {
  if (Count <= 0) return;
  for (const auto& n : items_) {
    if (n->Deleted) continue;
    if (n->LocalSheetId >= Index) n->LocalSheetId += Count;
    if ((n->RefKind == nrkCell || n->RefKind == nrkArea) && n->RefSheet >= Index) {
      n->RefSheet += Count;
      if (n->RefSheet > kMaxRefSheet) n->RefKind = nrkInvalid;
    }
  }
  IndexValid_ = false;
}

void TXc12DefinedNames::DeleteSheets(int Index, int Count) {
  if (Count <= 0) return;
  const int last = Index + Count - 1;
  for (const auto& n : items_) {
    if (n->Deleted) continue;
    if (n->LocalSheetId >= Index && n->LocalSheetId <= last)
      n->Deleted = true;
    else if (n->LocalSheetId > last)
      n->LocalSheetId -= Count;
    if (n->RefKind == nrkCell || n->RefKind == nrkArea) {
      if (n->RefSheet >= Index && n->RefSheet <= last)
        n->RefKind = nrkInvalid;
      else if (n->RefSheet > last)
        n->RefSheet -= Count;
    }
  }
  IndexValid_ = false;
}

void TXc12DefinedNames::MoveSheet(int From, int To) {
  if (From == To) return;
  auto map = [From, To](std::int32_t i) -> std::int32_t {
    if (i == From) return To;
    if (From < To && i > From && i <= To) return i - 1;
    if (To < From && i >= To && i < From) return i + 1;
    return i;
  };
  for (const auto& n : items_) {
    if (n->Deleted) continue;
    if (n->LocalSheetId >= 0) n->LocalSheetId = map(n->LocalSheetId);
    if (n->RefKind == nrkCell || n->RefKind == nrkArea) n->RefSheet = map(n->RefSheet);
  }
  IndexValid_ = false;
}

TXc12DataWorkbook::TXc12DataWorkbook(TXLSClassFactory* AClassFactory) : ClassFactory(AClassFactory) {
  BookViews.Add();
  if (ClassFactory) {
    std::unique_ptr<TObject> obj = ClassFactory->CreateObject(fokNames, nullptr);
    if (auto* names = dynamic_cast<TXc12DefinedNames*>(obj.get())) {
      obj.release();
      DefinedNames.reset(names);
    }
  }
  if (!DefinedNames) DefinedNames = std::make_unique<TXc12DefinedNames>(ClassFactory);
}

TXc12DataWorkbook::~TXc12DataWorkbook() = default;

void TXc12DataWorkbook::Clear() {
  WriteAccess.clear();
  FileVersion.Clear();
  FileSharing.Clear();
  WorkbookPr.Clear();
  WorkbookProtection.Clear();
  CalcPr.Clear();
  BookViews.ClearViews(true);
  Sheets.Clear();
  FunctionGroups.Clear();
  DefinedNames->Clear();
  CustomWorkbookViews.Clear();
  PivotCaches.Clear();
  SmartTagTypes.Clear();
  FileRecoveryPrs.Clear();
  WebPublishObjects.Clear();
  Connections.Clear();
  SmartTagPr.Clear();
  WebPublishing.Clear();
}

}  // namespace workbook
