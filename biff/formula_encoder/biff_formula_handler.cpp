#include "biff/formula_encoder/biff_formula_handler.h"

#include "biff/formulas/biff8_decoder.h"
#include "core/unicode.h"

namespace biff {

namespace {

bool SameText(std::u16string_view A, std::u16string_view B) { return core::ascii_iequals(A, B); }

// The plain file name of Path + File as the SUPBOOK decoder gives it.
std::u16string JoinPath(const std::u16string& Path, const std::u16string& File) {
  if (Path.empty() || Path.back() == u'\\') return Path + File;
  return Path + u"\\" + File;
}

int FindBook(const TExternalNames& Names, const std::u16string& Path, const std::u16string& File) {
  const std::u16string Want = JoinPath(Path, File);
  for (std::size_t i = 0; i < Names.SupBooks.size(); ++i) {
    const TSupBook& B = *Names.SupBooks[i];
    if (B.Marker != 0) continue;
    if (SameText(B.GetFilename(), Want)) return static_cast<int>(i);
  }
  return -1;
}

int FindBookSheet(const TSupBook& Book, const std::u16string& SheetName) {
  for (std::size_t i = 0; i < Book.Sheets.size(); ++i)
    if (SameText(Book.Sheets[i].Name, SheetName)) return static_cast<int>(i);
  return -1;
}

int FindEntry(const TExternalNames& Names, int Book, int First, int Last) {
  for (std::size_t i = 0; i < Names.ExtSheets.size(); ++i) {
    const TExtSheetEntry& E = Names.ExtSheets[i];
    if (E.SupBook == Book && E.First == First && E.Last == Last) return static_cast<int>(i);
  }
  return -1;
}

bool IsPlainNameChar(char16_t C) {
  return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z') || (C >= u'0' && C <= u'9') || C == u'_' ||
         C >= 0x80;
}

// Letters followed by digits: a name that would read as a cell reference.
bool LooksLikeCell(const std::u16string& S) {
  std::size_t I = 0;
  while (I < S.size() && ((S[I] >= u'A' && S[I] <= u'Z') || (S[I] >= u'a' && S[I] <= u'z'))) ++I;
  if (I == 0 || I > 3 || I == S.size()) return false;
  for (std::size_t J = I; J < S.size(); ++J)
    if (S[J] < u'0' || S[J] > u'9') return false;
  return true;
}

}  // namespace

void TInternalNames::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw Exception("Invalid name index");
  Names_.erase(Names_.begin() + Index);
}

int TInternalNames::IndexOfName(std::u16string_view Name) const {
  for (std::size_t i = 0; i < Names_.size(); ++i)
    if (SameText(Names_[i], Name)) return static_cast<int>(i);
  return -1;
}

const std::u16string& TInternalNames::GetName(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("Invalid name index");
  return Names_[static_cast<std::size_t>(Index)];
}

bool FindExternSheet(const TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                     const std::u16string& SheetName, int& SheetIndex, int& ExtSheetIndex) {
  const int Book = FindBook(Names, Path, File);
  if (Book < 0) return false;
  const int Sheet = FindBookSheet(*Names.SupBooks[static_cast<std::size_t>(Book)], SheetName);
  if (Sheet < 0) return false;
  const int Entry = FindEntry(Names, Book, Sheet, Sheet);
  if (Entry < 0) return false;
  SheetIndex = Sheet;
  ExtSheetIndex = Entry;
  return true;
}

void AddExternSheet(TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                    const std::u16string& SheetName, int& SheetIndex, int& ExtSheetIndex) {
  int Book = FindBook(Names, Path, File);
  if (Book < 0) {
    auto B = std::make_unique<TSupBook>();
    std::u16string Dir = Path;
    if (!Dir.empty() && Dir.back() == u'\\') Dir.pop_back();
    // A path and its file name are joined by the 0x03 separator; a bare file name stands alone.
    B->EncodedName = Dir.empty() ? File : Dir + u'\x03' + File;
    Names.SupBooks.push_back(std::move(B));
    Book = static_cast<int>(Names.SupBooks.size()) - 1;
  }
  TSupBook& B = *Names.SupBooks[static_cast<std::size_t>(Book)];
  int Sheet = FindBookSheet(B, SheetName);
  if (Sheet < 0) {
    if (B.Sheets.size() >= 0xFFFF) throw Exception("Too many external sheets");
    B.Sheets.push_back({SheetName, {}});
    B.SheetCount = static_cast<std::uint16_t>(B.Sheets.size());
    Sheet = static_cast<int>(B.Sheets.size()) - 1;
  }
  int Entry = FindEntry(Names, Book, Sheet, Sheet);
  if (Entry < 0) {
    Names.ExtSheets.push_back({Book, static_cast<std::uint16_t>(Sheet), static_cast<std::uint16_t>(Sheet)});
    Entry = static_cast<int>(Names.ExtSheets.size()) - 1;
  }
  SheetIndex = Sheet;
  ExtSheetIndex = Entry;
}

bool FindExternName(const TExternalNames& Names, const std::u16string& Path, const std::u16string& File,
                    const std::u16string& Name, int& NameIndex, int& ExtSheetIndex) {
  const int Book = FindBook(Names, Path, File);
  if (Book < 0) return false;
  const TSupBook& B = *Names.SupBooks[static_cast<std::size_t>(Book)];
  int Found = -1;
  for (std::size_t i = 0; i < B.Names.size() && Found < 0; ++i)
    if (SameText(B.Names[i]->Name, Name)) Found = static_cast<int>(i);
  if (Found < 0) return false;
  for (std::size_t i = 0; i < Names.ExtSheets.size(); ++i) {
    if (Names.ExtSheets[i].SupBook == Book) {
      NameIndex = Found;
      ExtSheetIndex = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

std::u16string SheetNameText(const std::u16string& Name) {
  bool Plain = !Name.empty() && !(Name[0] >= u'0' && Name[0] <= u'9') && !LooksLikeCell(Name) &&
               !SameText(Name, u"TRUE") && !SameText(Name, u"FALSE");
  for (char16_t C : Name)
    if (!IsPlainNameChar(C)) Plain = false;
  if (Plain) return Name;
  std::u16string R = u"'";
  for (char16_t C : Name) {
    R += C;
    if (C == u'\'') R += u'\'';
  }
  return R + u"'";
}

TFormulaHandler::TFormulaHandler(TExternalNames* External, TInternalNames* Names) {
  if (External == nullptr) {
    OwnExternal_ = std::make_unique<TExternalNames>();
    External = OwnExternal_.get();
  }
  if (Names == nullptr) {
    OwnNames_ = std::make_unique<TInternalNames>();
    Names = OwnNames_.get();
  }
  External_ = External;
  Names_ = Names;
  Encoder_.OnName = [this](const std::u16string& Name, int& Index) { FindName(Name, Index); };
  Encoder_.OnExternSheet = [this](const std::u16string& Workbook, const std::u16string& Path,
                                  const std::u16string& SheetName, const std::u16string& Ref, bool IsReference,
                                  int& ExtSheetIndex, int& SheetIndex) {
    GetExternSheet(Path, Workbook, SheetName, Ref, IsReference, ExtSheetIndex, SheetIndex);
  };
}

void TFormulaHandler::Clear() {
  External_->Clear();
  Names_->Clear();
}

int TFormulaHandler::EncodeFormula(std::u16string_view Text, std::uint8_t ArgClass, int MaxLen,
                                   std::uint8_t* Buffer, int SheetIndex) {
  NameSheet_ = SheetIndex;
  return Encoder_.Encode(Text, ArgClass, 1, MaxLen, Buffer);
}

std::vector<std::uint8_t> TFormulaHandler::EncodeFormula(std::u16string_view Text, std::uint8_t ArgClass,
                                                         int MaxLen, int SheetIndex) {
  NameSheet_ = SheetIndex;
  return Encoder_.Encode(Text, ArgClass, MaxLen);
}

void TFormulaHandler::DecodeFormula(const std::uint8_t* Ptgs, int Len, std::u16string& Text) {
  const TDecodeRefEvent OnRef = [this](std::uint8_t Kind, int Index, std::u16string& T, int A, int B,
                                       int NameIndex) { RefText(Kind, Index, T, A, B, NameIndex); };
  DecodeFormulaBIFF(Ptgs, Len, -1, Text, u',', OnRef, -1, -1);
}

void TFormulaHandler::SheetInserted(int Index) { External_->SheetInserted(Index); }

void TFormulaHandler::SheetDeleted(int Index) { External_->SheetDeleted(Index); }

void TFormulaHandler::SheetMoved(int From, int To) { External_->SheetMoved(From, To); }

void TFormulaHandler::FindName(const std::u16string& Name, int& Index) const {
  Index = OnFindName ? OnFindName(Name, NameSheet_) : Names_->IndexOfName(Name);
}

void TFormulaHandler::GetExternSheet(const std::u16string& Path, const std::u16string& Workbook,
                                     const std::u16string& SheetName, const std::u16string& RefOrName,
                                     bool IsReference, int& ExtSheetIndex, int& SheetIndex) {
  if (Path.empty() && Workbook.empty()) {
    int S = -1, N = 0;
    if (OnSheetIndex) OnSheetIndex(SheetName, S, N);
    if (S >= 0) {
      ExtSheetIndex = External_->GetInternalSheetRef(S, N);
      SheetIndex = S;
    }
    return;
  }
  if (IsReference) {
    if (!FindExternSheet(*External_, Path, Workbook, SheetName, SheetIndex, ExtSheetIndex))
      AddExternSheet(*External_, Path, Workbook, SheetName, SheetIndex, ExtSheetIndex);
    return;
  }
  FindExternName(*External_, Path, Workbook, RefOrName, SheetIndex, ExtSheetIndex);
}

void TFormulaHandler::RefText(std::uint8_t Kind, int Index, std::u16string& Text, int A, int B, int NameIndex) {
  if (Kind == 2) {
    const int F = External_->GetInternalSheetIndex(Index);
    if (F == 0xFFFF) {
      Text = u"#REF!!";
    } else if (F == 0xFFFE) {
      Text = OnNameText ? OnNameText(NameIndex - 1) : Names_->GetName(NameIndex - 1);
    } else if (F < 0) {
      External_->GetExternRefText(Index, NameIndex, Text);
    } else {
      std::u16string Name;
      if (OnSheetName) OnSheetName(0, F, Name, -1, -1);
      Text = SheetNameText(Name) + u"!";
    }
  } else if (Kind == 4) {
    if (OnSheetName) OnSheetName(0, Index, Text, A, B);
  } else {
    Text = OnNameText ? OnNameText(NameIndex - 1) : Names_->GetName(NameIndex - 1);
  }
}

}  // namespace biff
