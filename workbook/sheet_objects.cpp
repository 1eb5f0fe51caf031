#include "workbook/sheet_objects.h"

#include "workbook/cell_format_editor.h"
#include "workbook/worksheet_api.h"

namespace workbook {

namespace {

bool IsHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

std::u16string Lower(const std::u16string& S) {
  std::u16string r = S;
  for (char16_t& c : r)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return r;
}

bool StartsWith(const std::u16string& S, const std::u16string& Prefix) { return S.rfind(Prefix, 0) == 0; }

bool HasScheme(const std::u16string& S) {
  const std::u16string l = Lower(S);
  std::size_t i = 0;
  while (i < l.size() && l[i] >= u'a' && l[i] <= u'z') ++i;
  return i > 0 && l.compare(i, 3, u"://") == 0;
}

}  // namespace

std::u16string EncodeURL(const std::u16string& Address, bool KeepDelimiters) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (std::size_t i = 0; i < Address.size(); ++i) {
    const char16_t c = Address[i];
    switch (c) {
      case u'#': case u'$': case u'&': case u'+': case u',': case u';': case u'=': case u'@':
      case u'[': case u']': case u'~':
        if (KeepDelimiters) {
          out += c;
          break;
        }
        [[fallthrough]];
      case u' ': case u'^': case u'`': case u'{': case u'}': case 127:
        out += u'%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
        break;
      case u'%':
        if (i + 2 < Address.size() && IsHex(Address[i + 1]) && IsHex(Address[i + 2]))
          out += u'%';
        else
          out += u"%25";
        break;
      default: out += c;
    }
  }
  return out;
}

void TXLSHyperlink::Classify(const std::u16string& Text) {
  const std::u16string l = Lower(Text);
  if (HasScheme(Text) || StartsWith(l, u"www.")) {
    Kind = xhltURL;
    // Query and fragment delimiters are the link's own: escaping them would change its target.
    Address = EncodeURL(Text, true);
  } else if (StartsWith(Text, u"\\\\")) {
    Kind = xhltUNC;
    Address = u"file:///" + EncodeURL(Text);
  } else if (StartsWith(l, u"file:///") || (Text.size() >= 2 && ((l[0] >= u'a' && l[0] <= u'z') && Text[1] == u':'))) {
    Kind = xhltFile;
    if (!StartsWith(l, u"file:///")) Address = u"file:///" + EncodeURL(Text);
  } else if (StartsWith(l, u"mailto:")) {
    Kind = xhltURL;
    Address = Text;
  } else {
    // A reference into the workbook compiles as a formula; anything else is a file name. The
    // compile is quiet: a failure only decides the kind.
    int len = 0;
    if (FormulaHandler_) {
      TXLSErrorManager* errors = Manager_ ? Manager_->Errors : nullptr;
      const bool wasSilent = errors ? errors->GetSilent() : false;
      if (errors) {
        errors->SetSilent(true);
        errors->SetLastError(0);
      }
      try {
        std::vector<std::uint8_t> tokens;
        len = FormulaHandler_->EncodeFormula(Text, tokens, -1);
        if (tokens.empty()) len = 0;
      } catch (const std::exception&) {
        len = 0;
      }
      if (errors) errors->SetSilent(wasSilent);
    }
    if (len > 0) {
      Kind = xhltWorkbook;
      Location = u"#" + Text;
      Address = Text;
    } else {
      Kind = xhltFile;
      Address = EncodeURL(Text);
    }
  }
  Kind2 = Kind;
}

// ---------------------------------------------------------------------------------------------
// Names

void TXLSName::Compile() {
  IXLSFormulaHandler* handler = Owner_->FormulaHandler;
  if (!handler || Deleted) return;
  if (Compiled.empty()) {
    std::vector<std::uint8_t> tokens;
    int len = 0;
    if (!Definition.empty()) len = handler->EncodeFormula(Definition, tokens, -1);
    if (len <= 0 || len > static_cast<int>(tokens.size())) {
      if (Owner_->Manager && Owner_->Manager->Errors) Owner_->Manager->Errors->Error(Definition, 4011);
      return;
    }
    tokens.resize(static_cast<std::size_t>(len));
    Compiled = std::move(tokens);
  }
  int sheet = 0;
  TXLSCellArea area;
  RefKind = handler->PtgsToArea3D(Compiled.data(), static_cast<int>(Compiled.size()), sheet, area);
  if (RefKind == nrkCell || RefKind == nrkArea) {
    RefSheet = sheet;
    RefArea = area;
  }
}

void TXLSName::GetDefinition(std::u16string& Text) const {
  TXc12DataWorksheets* sheets = Owner_->Manager ? Owner_->Manager->Worksheets.get() : nullptr;
  const bool sheetKnown = sheets && RefSheet >= 0 && RefSheet < sheets->Count();
  switch (RefKind) {
    case nrkCell:
    case nrkArea:
      if (sheetKnown) {
        Text = sheets->GetItem(RefSheet)->GetQuotedName() + u"!" +
               (RefKind == nrkCell
                    ? ColRowToRefStrFlagged(static_cast<std::uint32_t>(RefArea.Col1), static_cast<std::uint32_t>(RefArea.Row1))
                    : AreaToRefStrFlagged(static_cast<std::uint32_t>(RefArea.Col1), static_cast<std::uint32_t>(RefArea.Row1),
                                          static_cast<std::uint32_t>(RefArea.Col2), static_cast<std::uint32_t>(RefArea.Row2)));
        return;
      }
      Text = u"#REF!";
      return;
    case nrkInvalid: Text = u"#REF!"; return;
    default: {
      std::u16string decoded;
      if (!Compiled.empty() && Owner_->FormulaHandler &&
          Owner_->FormulaHandler->DecodeFormula(Compiled.data(), static_cast<int>(Compiled.size()), decoded))
        Text = decoded;
      else
        Text = Definition;
    }
  }
}

void TXLSNames::AdjustSheetRefs(int Index, int Delta) {
  if (Delta < 0)
    DeleteSheets(Index, -Delta);
  else
    InsertSheets(Index, Delta);
  if (!FormulaHandler || Delta == 0) return;
  for (const auto& n : *this)
    if (!n->Deleted && n->RefKind == nrkFormula && !n->Compiled.empty())
      FormulaHandler->AdjustSheetRefs(n->Compiled.data(), static_cast<int>(n->Compiled.size()), Index, Delta);
}

void TXLSNames::CompileAll() {
  for (const auto& n : *this)
    if (auto* name = dynamic_cast<TXLSName*>(n.get())) name->Compile();
}

// ---------------------------------------------------------------------------------------------
// Comments

void TXLSComment::SetText(const std::u16string& Text) {
  Owner_->ReleaseRuns(*Data_);
  Data_->FontRuns.clear();
  Data_->Text = Text;
}

void TXLSComment::SetAuthor(const std::u16string& Name) {
  TXc12Authors& authors = Owner_->Data_->Authors;
  TXc12Author* a = authors.Find(Name);
  if (!a) a = authors.AddName(Name);
  Data_->SetAuthor(a);
}

TXLSComments::TXLSComments(TXc12Manager* Manager, TXc12Comments* DataComments) : Manager_(Manager), Data_(DataComments) {
  for (const auto& c : *Data_) Items_.Add(std::make_unique<TXLSComment>(c.get(), this));
}

void TXLSComments::ReleaseRuns(TXc12Comment& C) {
  if (!C.FontRuns.empty()) Manager_->StyleSheet->XFEditor->ReleaseFontRuns(C.FontRuns);
}

TXLSComment* TXLSComments::Add(int Col, int Row, const std::u16string& Text) {
  const int old = Find(Col, Row);
  if (old >= 0) DeleteItem(old);
  TXc12Comment* c = Data_->Add();
  c->CreateVmlShape();
  c->SetCol(Col);
  c->SetRow(Row);
  TXLSComment* w = Items_.Add(std::make_unique<TXLSComment>(c, this));
  if (!Author.empty()) w->SetAuthor(Author);
  TXc12Fonts& fonts = *Manager_->StyleSheet->Fonts;
  TXc12Font* normal = fonts.GetDefaultFont();
  if (!Author.empty()) {
    c->Text = Author + u":\r" + Text;
    TXc12Font* bold = fonts.Count() > 1 ? fonts.GetItem(1) : normal;
    c->FontRuns.push_back({0, bold});
    c->FontRuns.push_back({static_cast<std::int32_t>(Author.size() + 1), normal});
  } else {
    c->Text = Text;
    c->FontRuns.push_back({0, normal});
  }
  Manager_->StyleSheet->XFEditor->UseFontRuns(c->FontRuns);
  return w;
}

TXLSComment* TXLSComments::AddComment(TXc12Comment* DataComment) {
  return Items_.Add(std::make_unique<TXLSComment>(DataComment, this));
}

TXLSComment* TXLSComments::AddNew() {
  TXc12Comment* c = Data_->Add();
  c->CreateVmlShape();
  return AddComment(c);
}

int TXLSComments::Find(int Col, int Row) const {
  for (int i = 0; i < Items_.Count(); ++i)
    if (Items_.GetItem(i)->GetCol() == Col && Items_.GetItem(i)->GetRow() == Row) return i;
  return -1;
}

void TXLSComments::DeleteItem(int Index) {
  TXc12Comment* c = Items_.GetItem(Index)->GetData();
  ReleaseRuns(*c);
  Items_.Delete(Index);
  Data_->Delete(Data_->IndexOf(c));
}

void TXLSComments::DeleteArea(int Col1, int Row1, int Col2, int Row2) {
  for (int i = Items_.Count() - 1; i >= 0; --i) {
    TXLSComment* c = Items_.GetItem(i);
    if (c->GetCol() >= Col1 && c->GetCol() <= Col2 && c->GetRow() >= Row1 && c->GetRow() <= Row2) DeleteItem(i);
  }
}

void TXLSComments::Clear() {
  for (const auto& c : *Data_) ReleaseRuns(*c);
  Items_.Clear();
  Data_->Clear();
}

// ---------------------------------------------------------------------------------------------

void TXLSSelectedAreas::SetActiveCell(int Col, int Row) {
  AddCell(Col, Row);
  ActiveCol = Col;
  ActiveRow = Row;
}

void TXLSPrintSettings::SetPaperSize(int Value) { DataSheet_->PageSetup.paperSize = Value & 0x7F; }

}  // namespace workbook
